// The main window's commands that talk to the controller or rewrite the
// database: on-line and off-line, read and apply, the PC's port, clearing
// protects, the product information, reconfigure and convert.
#include <QApplication>
#include <QFileInfo>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "MainformCode.h"
#include "PCPortSetup.h"
#include "Transfer.h"
#include "UiService.h"
#include "WizardForms.h"
#include "model/DefaultConfiguration.h"

namespace {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// A command that talks to the controller runs once at a time: the events it
// pumps must not start another.
class TCommandGuard {
 public:
  explicit TCommandGuard(bool& running) : running_(running), entered_(!running) { running_ = true; }
  ~TCommandGuard() {
    if (entered_) running_ = false;
  }
  explicit operator bool() const { return entered_; }

 private:
  bool& running_;
  bool entered_;
};

bool running = false;

}  // namespace

void TMainForm::ShowLevelTypes(const std::array<uint16_t, 20>& types) {
  TCommonInterface& ci = manager_->CommonInterface;
  for (int i = 0; i < 20; ++i) {
    if (types[i] != kNoLevelType) ci.SetLevelType(0, static_cast<uint16_t>(i), types[i], ci.FileHandle);
  }
  int j = 0;
  for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
    if (auto* level = dynamic_cast<TLevelResource*>(TDatabaseManager::ResourceOf(*it))) {
      if (j < 20 && types[j] != kNoLevelType) level->ShowLevelType(types[j]);
      ++j;
    }
  }
}

bool TMainForm::OnLineCommand() {
  TCommandGuard guard(running);
  if (!guard) return online_;
  TDatabaseManager& m = *manager_;
  TCommonInterface& ci = m.CommonInterface;
  if (ci.FileCount <= 0) {
    Ui().Information("You must have a file open to go Online");
    const QString name = Ui().OpenFileName("Zephra Files (*.ZP1 *.ZP2 *.ZP3)", "ZP3");
    bool opened = false;
    if (!name.isEmpty()) {
      if (QFileInfo::exists(name)) {
        opened = m.OpenDatabaseFile(name, {2, 3, 4});
      } else {
        zephra::editor::DefaultConfiguration config(DBS_TYPE_V3);
        opened = m.CreateNewDatabase(config.Record());
      }
    }
    if (!opened) {
      ApplyOnlineState();
      RefreshCaption();
      return false;
    }
    EnableAfterOpen();
  }
  if (online_) {
    ci.GoOffLine(ci.FileHandle);
    online_ = ci.OnlineStatus;
  } else if (PortSetup().EnsurePort()) {
    const DbsStatus status = ci.GoOnLine(PortSetup().PortName, PortSetup().PortSettings, ci.FileHandle);
    PortSetup().LastOnlineStatus = status;
    if (status == DBS_OK) {
      online_ = true;
      if (QFileInfo(m.DatabaseFileName).fileName().compare(m.WorkingFileName, Qt::CaseInsensitive) != 0) {
        m.SaveAs(m.WorkingFileName);  // from now on the editor works on the working file
      }
    } else if (status == DBS_ERR_CHECKSUM_MISMATCH || status == DBS_ERR_CONTROLLER_CORRUPT) {
      // The controller and the file differ: one of them must give way, or
      // the editor goes off-line again.
      bool agreed = false;
      if (status == DBS_ERR_CHECKSUM_MISMATCH && Ui().Confirm("Do you want to read the database from the control frame ?")) {
        agreed = Transfer(false) == TransferEnd::Done;
      } else if (Ui().Confirm("Do you want to apply this database to the control frame ?")) {
        agreed = Transfer(true) == TransferEnd::Done;
      }
      if (!agreed) ci.GoOffLine(ci.FileHandle);
      online_ = ci.OnlineStatus;
    }
  }
  ApplyOnlineState();
  RefreshCaption();
  return online_;
}

TMainForm::TransferEnd TMainForm::Transfer(bool download) {
  TDatabaseManager& m = *manager_;
  TCommonInterface& ci = m.CommonInterface;
  TReadApplyForm options(download ? "Apply Configuration Options" : "Read Configuration Options",
                         download ? "Select the following components you want to download."
                                  : "Select the following components you want to upload.",
                         this);
  if (Ui().RunModal(options) != QDialog::Accepted) return TransferEnd::Declined;
  if (QFileInfo(m.DatabaseFileName).fileName().compare(m.WorkingFileName, Qt::CaseInsensitive) != 0) {
    m.SaveAs(m.WorkingFileName);
  }
  const bool done = ci.TransferWithOptions(download, ci.FileHandle, options.Database(), options.SourceParams(),
                                           options.DestParams(), options.TriggerParams());
  if (done && !download) m.LoadOpenDatabase({2, 3, 4});  // the tree of what the controller held
  return done ? TransferEnd::Done : TransferEnd::Failed;
}

bool TMainForm::ReadConfigCommand() { return TransferCommand(false); }
bool TMainForm::ApplyConfigCommand() { return TransferCommand(true); }

bool TMainForm::TransferCommand(bool download) {
  TCommandGuard guard(running);
  if (!guard || !online_) return online_;
  TCommonInterface& ci = manager_->CommonInterface;
  const TransferEnd end = Transfer(download);
  if (end == TransferEnd::Declined) return online_;  // nothing was asked of the controller
  if (end == TransferEnd::Failed) {
    // A transfer that did not complete leaves file and controller apart: the
    // editor goes off-line, and the library with it.
    ci.GoOffLine(ci.FileHandle);
  }
  online_ = ci.OnlineStatus;
  ApplyOnlineState();
  RefreshCaption();
  return online_;
}

void TMainForm::ComPortCommand() {
  if (online_) return;
  PortSetup().ChoosePort();
}

void TMainForm::ClearProtectsCommand() {
  if (!online_) {
    Ui().Warning("Protects can only be cleared when the system is on-line.");
    return;
  }
  if (!Ui().WarningOkCancel("This will clear out all crosspoint protects in the Zephra Control Frame! Continue?")) return;
  TCommonInterface& ci = manager_->CommonInterface;
  ci.ClearAllProtects(ci.FileHandle);
}

void TMainForm::AboutCommand() {
  TAboutBox about(manager_->CommonInterface, this);
  Ui().RunModal(about);
}

void TMainForm::ReconfigureCommand() {
  TCommandGuard guard(running);
  if (!guard || online_) return;
  TDatabaseManager& m = *manager_;
  TCommonInterface& ci = m.CommonInterface;
  if (ci.FileCount <= 0) return;
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  if (!ci.GetConfig(record, ci.FileHandle)) return;
  TCreationWizardForms wizard(record, TCreationWizardForms::Mode::Reconfiguration, this);
  for (int i = 0; i < std::min<int>(record.levelCount[0], 20); ++i) {
    uint16_t type = kNoLevelType;
    if (ci.GetLevelType(0, static_cast<uint16_t>(i), type, ci.FileHandle)) wizard.LevelTypes()[i] = type;
  }
  if (Ui().RunModal(wizard) != QDialog::Accepted) return;
  const std::array<uint16_t, 20> types = wizard.LevelTypes();
  bool done = false;
  {
    BusyCursor busy;
    done = m.ReconfigureOpenDatabase(record);
    if (done) ShowLevelTypes(types);
  }
  if (ci.FileCount <= 0) {
    ResetToEmpty();  // nothing could be kept open
  } else if (done) {
    EnableAfterOpen();
    Ui().Information("Configuration Database Created");
  }
  RefreshCaption();
}

void TMainForm::ConvertCommand(int targetType) {
  TCommandGuard guard(running);
  if (!guard || online_) return;
  if (manager_->ConvertDatabase(targetType)) ResetToEmpty();
  RefreshCaption();
}
