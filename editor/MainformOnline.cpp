// The main window's commands that talk to the controller or rewrite the
// database: on-line and off-line, read and apply, the PC's port, clearing
// protects, the product information, reconfigure and convert.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
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
    LiveChangesSettled("going off-line");  // asks first about live edits; Cancel stays on-line
  } else if (PortSetup().EnsurePort()) {
    const DbsStatus status = ci.GoOnLine(PortSetup().PortName, PortSetup().PortSettings, ci.FileHandle);
    PortSetup().LastOnlineStatus = status;
    if (status == DBS_OK) {
      online_ = true;
      SwitchToWorkingFile();  // from now on the editor works on the working file
    } else if (status == DBS_ERR_CHECKSUM_MISMATCH || status == DBS_ERR_CONTROLLER_CORRUPT) {
      // The controller and the file differ: one of them must give way, or
      // the editor goes off-line again.
      const QString file = QFileInfo(m.DatabaseFileName).fileName();
      const QString held = ci.ControllerDetail.isEmpty() ? QString() : ci.ControllerDetail + "\n\n";
      bool agreed = false;
      if (status == DBS_ERR_CHECKSUM_MISMATCH &&
          AskAboutMismatch("Do you want to read the database from the control frame ?",
                           held + QString("Yes reads the control frame's database into %1, the file the editor "
                                          "works on while on-line; %2 stays as it is. No asks whether to apply "
                                          "%2 to the control frame instead.")
                                      .arg(m.WorkingFileName, file)) == QMessageBox::Yes) {
        agreed = Transfer(false) == TransferEnd::Done;
      } else if (AskAboutMismatch("Do you want to apply this database to the control frame ?",
                                  held + QString("Yes overwrites the control frame's configuration with %1's and "
                                                 "restarts it. No goes off-line: neither side changes.")
                                             .arg(file)) == QMessageBox::Yes) {
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

int TMainForm::AskAboutMismatch(const QString& question, const QString& detail) {
  enum { kYes, kNo, kCompare };
  while (true) {
    const int answer = Ui().Choose(TUiService::Kind::Question, question, detail, {"Yes", "No", "Compare..."}, kNo, kNo);
    if (answer == kYes) return QMessageBox::Yes;
    if (answer != kCompare) return QMessageBox::No;
    CompareWithController(true);
  }
}

void TMainForm::SwitchToWorkingFile() {
  TDatabaseManager& m = *manager_;
  if (QFileInfo(m.DatabaseFileName).fileName().compare(m.WorkingFileName, Qt::CaseInsensitive) == 0) return;
  const QString opened = m.DatabaseFileName;
  m.SaveAs(m.WorkingFileName);
  if (m.DatabaseFileName != opened) {
    origin_ = opened;
    unsaved_ = false;
  }
  ShowWorkingFile();
}

void TMainForm::NoteWritten() {
  if (!manager_) return;
  const TUndoStack& steps = manager_->Steps();
  const bool moved = steps.UndoCount() != seenUndo_ || steps.RedoCount() != seenRedo_;
  seenUndo_ = steps.UndoCount();
  seenRedo_ = steps.RedoCount();
  if (!moved || origin_.isEmpty()) return;
  unsaved_ = true;
  ShowWorkingFile();
}

void TMainForm::ShowWorkingFile() {
  TDatabaseManager& m = *manager_;
  const QString working = QFileInfo(m.DatabaseFileName).fileName();
  const QString from = QFileInfo(origin_).fileName();
  QString text;
  if (online_ && !origin_.isEmpty()) {
    text = QString("On-line: working on %1, from %2").arg(working, from);
    if (unsaved_) text += QString(" (changes not yet in %1)").arg(from);
  } else if (online_) {
    text = QString("On-line: working on %1").arg(working);
  } else if (unsaved_ && !origin_.isEmpty()) {
    text = QString("%1 holds changes not yet in %2").arg(working, from);
  }
  workingLabel_->setText(text);
  workingLabel_->setToolTip(origin_.isEmpty() ? QString()
                                               : QString("While on-line the editor works on %1 in %2; the file "
                                                         "opened was %3.")
                                                     .arg(working, QDir::toNativeSeparators(QDir::currentPath()),
                                                          QDir::toNativeSeparators(origin_)));
  workingLabel_->setVisible(!text.isEmpty());
}

bool TMainForm::AskToKeepLiveChanges(const QString& what, Keep& keep) {
  keep = Keep::Nothing;
  if (!unsaved_ || origin_.isEmpty() || !manager_ || manager_->CommonInterface.FileCount <= 0) return true;
  const QString working = QFileInfo(manager_->DatabaseFileName).fileName();
  const QString from = QFileInfo(origin_).fileName();
  enum { kInto, kElsewhere, kLeave, kCancel };  // Leave keeps them, to be asked of again
  const int answer = Ui().Choose(
      TUiService::Kind::Question, QString("%1 holds changes that %2 does not have.").arg(working, from),
      QString("They were made while on-line or read from the control frame. Before %1, save them into %2, save "
              "them under another name, or leave them in %3 only: the next on-line session replaces that file.")
          .arg(what, QDir::toNativeSeparators(origin_), working),
      {QString("Save into %1").arg(from), "Save As...", "Leave Them", "Cancel"}, kInto, kCancel);
  if (answer == kCancel) return false;
  keep = answer == kInto ? Keep::IntoOrigin : answer == kElsewhere ? Keep::Elsewhere : Keep::Nothing;
  return true;
}

void TMainForm::KeepAfter(Keep keep) {
  TDatabaseManager& m = *manager_;
  const QString before = m.DatabaseFileName;
  if (keep == Keep::IntoOrigin) {
    m.SaveAs(origin_);
  } else if (keep == Keep::Elsewhere) {
    m.SaveAsWithDialog();
  }
  if (keep != Keep::Nothing && m.DatabaseFileName != before) {
    // The editor goes on with the file the changes were saved in.
    statusBar()->showMessage(QString("Changes saved into %1").arg(QFileInfo(m.DatabaseFileName).fileName()), 8000);
    origin_.clear();
    unsaved_ = false;
  }
  ShowWorkingFile();
}

bool TMainForm::LiveChangesSettled(const QString& what) {
  Keep keep = Keep::Nothing;
  if (!AskToKeepLiveChanges(what, keep)) return false;
  if (online_) {
    TCommonInterface& ci = manager_->CommonInterface;
    ci.GoOffLine(ci.FileHandle);
    online_ = ci.OnlineStatus;
    ApplyOnlineState();
    if (online_) return false;
  }
  KeepAfter(keep);
  return true;
}

QMap<QString, QString> TMainForm::DeviceNames() const {
  QMap<QString, QString> names;
  for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
    TResource* r = TDatabaseManager::ResourceOf(*it);
    if (dynamic_cast<TPanelResource*>(r)) names.insert(QString("Panel no. %1").arg(r->Number + 1), r->GetName());
    if (dynamic_cast<TUMDResource*>(r)) names.insert(QString("UMD no. %1").arg(r->Number + 1), r->GetName());
  }
  return names;
}

TMainForm::TransferEnd TMainForm::Transfer(bool download) {
  TDatabaseManager& m = *manager_;
  TCommonInterface& ci = m.CommonInterface;
  TReadApplyForm options(download ? "Apply Configuration Options" : "Read Configuration Options",
                         download ? "Select the following components you want to download."
                                  : "Select the following components you want to upload.",
                         this);
  if (Ui().RunModal(options) != QDialog::Accepted) return TransferEnd::Declined;
  SwitchToWorkingFile();
  const QMap<QString, QString> before = download ? QMap<QString, QString>() : DeviceNames();
  const bool done = ci.TransferWithOptions(download, ci.FileHandle, options.Database(), options.SourceParams(),
                                           options.DestParams(), options.TriggerParams());
  if (done && !download) {
    m.LoadOpenDatabase({2, 3, 4});  // the tree of what the controller held
    if (!origin_.isEmpty()) unsaved_ = true;
    // Names the controller does not keep came back as it names them: say
    // which, so that two devices now named alike can be told apart.
    const QMap<QString, QString> after = DeviceNames();
    QStringList renamed;
    for (auto it = before.begin(); it != before.end(); ++it) {
      if (after.contains(it.key()) && after[it.key()] != it.value()) {
        renamed << QString("%1 \"%2\" is now \"%3\"").arg(it.key(), it.value(), after[it.key()]);
      }
    }
    if (!renamed.isEmpty()) {
      statusBar()->showMessage(QString("Renamed by the control frame: %1").arg(renamed.join("; ")), 30000);
    }
  }
  ShowWorkingFile();
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
    // editor goes off-line, and the library with it; live edits made before
    // are not left behind unsaid.
    ci.GoOffLine(ci.FileHandle);
    online_ = ci.OnlineStatus;
    Keep keep = Keep::Nothing;
    if (!online_ && AskToKeepLiveChanges("working on off-line", keep)) KeepAfter(keep);
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
  if (!Ui().ConfirmSafely(TUiService::Kind::Warning,
                          "This will clear out all crosspoint protects in the Zephra Control Frame! Continue?",
                          QMessageBox::Ok | QMessageBox::Cancel,
                          "Every protect on every destination is released at once, including those operators set "
                          "on air.")) {
    return;
  }
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
  if (!LiveChangesSettled("converting another database")) return;
  if (manager_->ConvertDatabase(targetType)) ResetToEmpty();
  RefreshCaption();
}
