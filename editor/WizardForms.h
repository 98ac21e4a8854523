// TCreationWizardForms: the dialog that fills in the configuration of a new
// database (or changes the open one's before a reconfiguration): format,
// levels, and per level its signal, router model, operation and size.
#pragma once

#include <QDialog>
#include <array>

#include "LevelTypeTable.h"
#include "zephra/zephra.h"

#include <QSpinBox>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

// A count edit whose arrows step in whole units: up to the next multiple of
// the step, at most the maximum; down to the one below, at least the minimum.
// The arrows never round the value otherwise; that happens when the user
// leaves the edit.
class TCountSpin : public QSpinBox {
 public:
  using QSpinBox::QSpinBox;
  std::function<int()> Step;
  std::function<int()> Max;
  int Min = 8;
  void stepBy(int steps) override;
};

class TCreationWizardForms : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Creation, Reconfiguration };
  enum Page { Welcome, General, Level, Name };

  // `record` is changed in place when the wizard finishes; its name string
  // must hold 16 units.
  TCreationWizardForms(TConfigurationRecord& record, Mode mode, QWidget* parent = nullptr);

  std::array<uint16_t, 20>& LevelTypes() { return levelTypes_; }
  int CurrentPage() const;
  int CurrentLevel() const { return level_; }

  // The controls, for tests and screenshots.
  QPushButton* BackButton;
  QPushButton* NextButton;
  QPushButton* CloseButton;
  TCountSpin* LevelCount;
  QButtonGroup* FormatGroup;
  QButtonGroup* SignalGroup;
  QButtonGroup* ModelGroup;
  QButtonGroup* OperationGroup;
  QButtonGroup* ParkGroup;
  QCheckBox* AudioParam;
  TCountSpin* Sources;
  TCountSpin* Dests;
  QLineEdit* NameEdit;
  QLabel* LevelTitle;
  QLabel* SourcesLabel;
  QLabel* DestsLabel;

  void Next();
  void Back();
  // Back on the name page with every choice kept, to finish again.
  void ShowNamePage();
  // Asks the controller on the PC's port which format it holds, and says so.
  void CheckControllerType();
  // The status of the last controller-type query (-1 before any).
  DbsStatus ControllerQueryStatus() const { return queryStatus_; }
  QPushButton* CheckControllerButton() const { return checkController_; }
  // Limits of the level page as shown.
  int MaxSources() const { return maxSources_; }
  int MaxDests() const { return maxDests_; }

 private:
  void ShowLevel(int level, bool forward);
  void RebuildModels();
  void RecomputeOperations();
  void RecomputeLimits();
  Signal CurrentSignal() const;
  QString CurrentModel() const;
  bool IsRs422() const { return CurrentSignal() == Signal::Rs422; }
  int ConfigType() const;
  void RoundCount(QSpinBox* box, int max);

  TConfigurationRecord& record_;
  Mode mode_;
  std::array<uint16_t, 20> levelTypes_;
  std::array<bool, 20> sourcesChanged_{}, destsChanged_{};
  int level_ = 0;
  bool warned_ = false;
  DbsStatus queryStatus_ = static_cast<DbsStatus>(-1);
  int maxSources_ = 0, maxDests_ = 0;
  bool rebuilding_ = false;
  bool showing_ = false;  // the wizard itself is setting the edits

  QStackedWidget* pages_;
  QLabel* hint_;
  QGroupBox* modelBox_;
  QVBoxLayout* modelLayout_;
  QGroupBox* operationBox_;
  QGroupBox* parkBox_;
  QGroupBox* formatBox_;
  QPushButton* checkController_;
};
