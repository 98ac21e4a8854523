// TPanelForm: the editor of one panel — its record (name, type, address,
// brightness, levels, special functions), the destinations an X-Y panel may
// control, its sixteen override sources, and the kind of its keypads. The
// panel type decides which of these apply. Record, destinations and
// overrides are stored on Apply; keypad choices at once.
#pragma once

#include <QPointer>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "forms/DeviceForm.h"
#include "zephra/zephra.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class TKeypadResource;
class TPanelResource;
class TRadioGroup;

class TPanelForm : public TDeviceForm {
  Q_OBJECT

 public:
  explicit TPanelForm(TPanelResource& panel);
  ~TPanelForm() override;

  // Fills the form from the database; false when the panel cannot be read.
  bool Load();

  // The panel's record as it is stored now (its name apart): re-read after
  // every write the form makes, so writing it back changes nothing.
  TPanelRecord StoredPanelRecord{};
  int FormPanelType = 0;     // the type in force
  int FormDestKeypad = -1;   // -1: none
  int FormSourceKeypad = -1;
  bool TypeChanged = false;  // another type was picked and not yet applied

  // Before the keypads are edited or configured: a type change is applied
  // first, then the panel gets the keypads it lacks. True when it has both.
  bool EnsurePanelKeypads();
  // "Configure": the panel's keypads in the assignment window.
  void Configure();
  // "Edit Keypad": the panel's keypads in the keypad editor.
  void EditKeypad();
  void ResourceChanged() override;

  // The controls, by the names the editor gives them.
  QComboBox* TypeCombo;
  QCheckBox* MasterPanelCheck;
  QCheckBox* SalvoOverrideCheck;
  QListWidget* LevelsControlledCheck;
  QPushButton* ControlAllLevelsButton;
  QCheckBox* MaskLevelsCheck;
  QCheckBox* SwapModeCheck;
  QComboBox* NoLevelButtonsComboBox;
  QPushButton* EditKeypadButton;
  QPushButton* ConfigureButton;
  TRadioGroup* SrcKeypadTypeRadioGroup;
  TRadioGroup* DestKeypadTypeRadioGroup;
  QListWidget* DestControlledChecks;
  QPushButton* AllDestsButton;
  QComboBox* OverrideSourceLevelComboBox;
  std::array<QComboBox*, 16> OverrideCombos{};
  QCheckBox* KeySwitchCheckBox;

 protected:
  bool Store() override;
  bool event(QEvent* event) override;

 private:
  QWidget* BuildPanelDataPage();
  QWidget* BuildOperationPage();
  QWidget* BuildDestinationsPage();
  QWidget* BuildOverridesPage();
  bool ReadStored();
  void ReadOverrides(int levels);
  void ShowStoredBrightness();
  void ReadControlledDests();
  // After a change made outside the form: the names the lists show are read
  // again, and the overrides and controlled destinations the user has not
  // changed show what the file holds.
  void TakeUpSets();
  // Whether the override lists show what they showed when last read or
  // stored.
  bool OverridesAsShown() const;
  void NoteShownOverrides();
  // The type rules: which controls apply to `code`.
  void ApplyTypeRules(int code);
  void PickType(int index);
  void RefreshKeypadGroups();
  // The keypads as the stored record has them, and the kinds they show.
  void TakeUpKeypads();
  void FocusMoved(QWidget* from, QWidget* to);
  void KeypadGroupLeft(bool source);
  void DestChecksChanged();
  void RefreshAllDestsCaption();
  QStringList SourceNames(int level) const;
  // Destination association `association`'s name, as the list shows it.
  std::optional<QString> DestinationName(int association) const;
  void FillOverrideLists(int level);
  TPanelRecord BuildRecord() const;
  bool StoreSets(const TPanelRecord& record);

  QLabel* typeLabel_;
  QLabel* masterLabel_;
  QLabel* salvoLabel_;
  QLabel* maskLabel_;
  QLabel* brightnessLabel_;
  QLabel* levelButtonsLabel_;
  QLabel* override16Label_;
  QWidget* destinationsPage_;
  QWidget* overridesPage_;
  int srcEntry_ = -1, destEntry_ = -1;  // the keypad kinds when the focus came into the groups
  QPointer<QWidget> lastFocus_;         // where the focus was last in the form
  int destAssocCount_ = 0;
  std::array<uint16_t, 20> sourceCounts_{};
  // The overrides as stored, and which lists could not show theirs (those
  // are written back as they were until the user changes them).
  std::array<TOverrideRecord, 16> storedOverrides_{};
  std::array<bool, 16> keepOverride_{};
  std::array<int, 16> shownOverrides_{};  // each list's entry when last read or stored
  int shownOverrideLevel_ = 0;
  int levels_ = 0;
  std::vector<uint8_t> storedDestMap_;
  std::unique_ptr<TKeypadResource> keypads_;  // the keypad editor's, kept for the next Edit Keypad
};
