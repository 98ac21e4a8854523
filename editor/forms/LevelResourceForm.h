// TLevelForm: the editor of one level of matrix 0. Its pages show the level's
// name and type and let the user choose the park behaviour of RS422 levels
// and the level's physical mapping ("Level Data"), edit the 8-character names,
// trigger and audio codes of its sources ("Sources"), the audio codes of its
// destinations ("Destinations Audio Params") and its crosspoint inhibits
// ("Inhibits"). Everything stays in the form until Apply or OK.
#pragma once

#include <QString>
#include <vector>

#include "LevelTypeTable.h"
#include "forms/GridResources.h"
#include "forms/ResourceForm.h"
#include "model/InhibitTable.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TAreaBox;
class TInhibitGrid;
class TLevelResource;
class TStringGrid;

class TLevelForm : public TResourceForm {
  Q_OBJECT

 public:
  explicit TLevelForm(TLevelResource& resource);
  // Reads the level, its sources, destinations and inhibits; false when the
  // level cannot be read.
  bool Load();

  int Level() const { return level_; }
  const zephra::editor::InhibitTable& Inhibits() const { return inhibits_; }
  const TSourceValues& SourceRow(int source) const { return sources_[static_cast<std::size_t>(source)]; }
  const TDestinationRecord& DestRow(int dest) const { return dests_[static_cast<std::size_t>(dest)]; }

  // "Read Source Params", "Read Trigger Params", "Read Dest Params".
  enum class Params { Sources, Triggers, Destinations };
  void ReadParams(Params which);

  // A change made outside the form: what the user has not changed follows
  // the file.
  void ResourceChanged() override;

  // "Level Data"
  QLineEdit* NameEdit;
  QLabel* LevelTypePanel;
  QLabel* SignalTypePanel;
  QGroupBox* ParkingBox;
  QButtonGroup* Parking;
  QCheckBox* EnableFeatures;
  QGroupBox* ParkSourceBox;
  QComboBox* ParkSource;
  QComboBox* LevelMapping;
  // "Sources"
  TStringGrid* SourcesGrid;
  QCheckBox* NamesToLowerLevels;
  QPushButton* SourceCopy;
  QPushButton* SourcePaste;
  QComboBox* TriggerList;
  QButtonGroup* TriggerSetAll;
  QComboBox* SourceAudioList;
  QGroupBox* SourceAudioSetAllBox;
  QButtonGroup* SourceAudioSetAll;
  QPushButton* ReadSourceParams;
  QPushButton* ReadTriggerParams;
  // "Destinations Audio Params"
  TStringGrid* DestinationsGrid;
  QComboBox* DestAudioList;
  QGroupBox* DestAudioSetAllBox;
  QButtonGroup* DestAudioSetAll;
  QPushButton* ReadDestParams;
  // "Inhibits"
  TInhibitGrid* InhibitGrid;
  TAreaBox* AreaBox;
  QLabel* SourcePanel;
  QLabel* DestPanel;
  QPushButton* InhibitButton;
  QPushButton* ClearButton;
  QPushButton* DiagonalButton;
  QCheckBox* InhibitsToLowerLevels;

 protected:
  bool Store() override;

 private:
  QWidget* BuildLevelPage();
  QWidget* BuildSourcesPage();
  QWidget* BuildDestinationsPage();
  QWidget* BuildInhibitsPage();
  bool ReadCounts();
  void LoadSources();
  void LoadDestinations();
  // Destination d's record.
  bool ReadDest(int d, TDestinationRecord& record);
  // The name of each destination's association, the first that has it as a
  // member (empty for none), in one pass over the associations.
  std::vector<QString> ReadAssociationNames();
  void ShowDestRow(int d);
  // The park list's entry for a stored park source (-1: none).
  int ParkEntry(uint16_t park) const;
  // The mapping list's entry for a stored physical level; `valid` false
  // when it lies outside the levels (the level's own entry is shown).
  int MappingEntry(uint16_t physical, bool& valid) const;
  // Reads the file again: `adoptAll` (after the form's own Apply stored
  // everything) shows what it holds throughout; otherwise what the user
  // changed since the last reading is kept.
  void TakeUpStored(bool adoptAll);
  void ShowType(uint16_t levelType);
  void ShowSource(int source);
  void ShowDest(int dest);
  bool CheckName(int row);
  void NameTyped(int row, const QString& text);
  void PasteNames(int top, int left, const zephra::editor::CellBlock& block);
  void FillInhibits(bool inhibited);
  void Diagonal();
  void InhibitsChanged(int top, int left, int bottom, int right);
  void ShowHovered(int destination, int source);
  void ShowLevelTypesInTree();
  int CurrentSource() const;
  int CurrentDest() const;

  int level_;
  int levels_ = 0, sourceCount_ = 0, destCount_ = 0;
  TLevelRecord record_{};  // as read; its name is kept apart
  QString name_;        // as shown (and typed)
  QString storedName_;  // as the file held it when last read
  LevelSelection type_;
  bool typeKnown_ = false;
  zephra::editor::InhibitTable inhibits_;
  bool inhibitsChanged_ = false;
  std::vector<TSourceValues> sources_;
  std::vector<TDestinationRecord> dests_;
  std::vector<QString> destNames_;  // each destination's association name, empty for none
  // What the file held at the last reading, beside the working copy above.
  zephra::editor::InhibitTable storedInhibits_;
  std::vector<TSourceValues> storedSources_;
  std::vector<TDestinationRecord> storedDests_;
  uint16_t storedPhysical_ = 0;
};
