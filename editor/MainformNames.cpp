// The main window's names and comparison commands.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "MainformCode.h"
#include "NamesDialogs.h"
#include "ResourceTree.h"
#include "UiService.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/StringGrid.h"
#include "model/Compare.h"
#include "model/NameImport.h"
#include "model/Names.h"
#include "model/Snapshot.h"

namespace {

using zephra::model::Difference;
using zephra::model::Family;

constexpr const char* kNamesFilter = "Names Files (*.csv)";
constexpr const char* kDatabaseFilter = "Database Files (*.ZP1 *.ZP2 *.ZP3)";

// The resource of type R numbered `number` in the tree, or null.
template <class R>
R* FindResource(QTreeWidget* tree, int number) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if (auto* r = dynamic_cast<R*>(TDatabaseManager::ResourceOf(*it)); r && r->Number == number) return r;
  }
  return nullptr;
}

// Shows the page of a form's tab widget that holds `widget`.
void ShowPageOf(QTabWidget* pages, QWidget* widget) {
  if (!pages) return;
  for (QWidget* w = widget; w; w = w->parentWidget()) {
    if (const int i = pages->indexOf(w); i >= 0) {
      pages->setCurrentIndex(i);
      return;
    }
  }
}

void SelectRow(TResourceForm* form, TStringGrid* grid, int row) {
  if (!form || !grid) return;
  ShowPageOf(form->Pages(), grid);
  if (row >= 0 && grid->model() && row < grid->model()->rowCount()) {
    grid->selectRow(row);
    grid->scrollTo(grid->model()->index(row, 0));
  }
}

// The controller's data nodes the families of the configuration window open on.
const char* DataNode(Family family) {
  switch (family) {
    case Family::SourceAssociation: return "Source Association";
    case Family::DestinationAssociation: return "Dest Association";
    case Family::Salvo: return "Salvos";
    case Family::TriggerLines: return "Trigger Positions";
    default: return nullptr;
  }
}

}  // namespace

void TMainForm::BuildNamesMenu(QMenu* file) {
  file->addSeparator();
  ExportNamesAction = file->addAction("&Export Names...");
  ExportNamesAction->setStatusTip("Write every name of the configuration to a spreadsheet file (CSV)");
  ImportNamesAction = file->addAction("&Import Names...");
  ImportNamesAction->setStatusTip("Read names back from a spreadsheet file (CSV), as one step that can be undone");
  QMenu* compare = file->addMenu("Compare &With");
  CompareMenuAction = compare->menuAction();
  CompareFileAction = compare->addAction("Another &Database...");
  CompareFileAction->setStatusTip("Show what differs between this configuration and another database file");
  CompareControllerAction = compare->addAction("The &Control Frame");
  CompareControllerAction->setStatusTip("Show what differs between this configuration and what the control frame holds");
  connect(ExportNamesAction, &QAction::triggered, this, &TMainForm::ExportNamesCommand);
  connect(ImportNamesAction, &QAction::triggered, this, &TMainForm::ImportNamesCommand);
  connect(CompareFileAction, &QAction::triggered, this, &TMainForm::CompareWithFileCommand);
  connect(CompareControllerAction, &QAction::triggered, this, &TMainForm::CompareWithControllerCommand);
}

void TMainForm::ExportNamesCommand() {
  TCommonInterface& ci = manager_->CommonInterface;
  if (ci.FileCount <= 0) return;
  const QString path = Ui().SaveFileName(kNamesFilter, "csv", true);
  if (path.isEmpty()) return;
  zephra::model::Snapshot db;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool read = ci.ReadSnapshot(db, ci.FileHandle);
  QApplication::restoreOverrideCursor();
  if (!read) return;
  const std::string csv = zephra::model::ExportNames(db);
  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly) || out.write(csv.data(), static_cast<qint64>(csv.size())) != qint64(csv.size()) ||
      !out.commit()) {
    Ui().Warning("The names could not be written", QString("%1\n%2").arg(path, out.errorString()));
    return;
  }
  const qsizetype rows = QByteArray::fromStdString(csv).count("\r\n") - 1;
  statusBar()->showMessage(QString("%1 names exported to %2").arg(rows).arg(QFileInfo(path).fileName()), 8000);
}

void TMainForm::ImportNamesCommand() {
  TCommonInterface& ci = manager_->CommonInterface;
  if (ci.FileCount <= 0) return;
  const QString path = Ui().OpenFileName(kNamesFilter, "csv");
  if (path.isEmpty()) return;
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) {
    Ui().Warning("The names file could not be read", QString("%1\n%2").arg(path, in.errorString()));
    return;
  }
  const QByteArray bytes = in.readAll();
  zephra::model::Snapshot db;
  if (!ci.ReadSnapshot(db, ci.FileHandle)) return;
  const zephra::model::ImportPlan plan = zephra::model::PlanNamesImport(bytes.toStdString(), db);
  TImportReportForm report(QFileInfo(path).fileName(), plan, this);
  if (Ui().RunModal(report) != QDialog::Accepted || plan.changes.empty()) return;
  // The open windows hold copies of what the import changes.
  if (manager_->OpenFormCount() > 0) {
    if (!Ui().WarningOkCancel("Importing names closes every open editor window without applying its changes. Continue?")) {
      return;
    }
    manager_->CloseForms();
  }
  // One step: an undo takes the whole import back.
  // Nothing of a failed import stays.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool written = manager_->Steps().Run(
      "Import Names", [&] { return ci.WriteNames(plan.changes, db, ci.FileHandle); }, TUndoStack::kCancelOnFailure);
  QApplication::restoreOverrideCursor();
  if (!written) return;
  // The tree shows the new names.
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  if (ci.GetConfig(record, ci.FileHandle)) manager_->BuildTree(record);
  EnableAfterOpen();
  statusBar()->showMessage(QString("%1 names imported from %2").arg(plan.changes.size()).arg(QFileInfo(path).fileName()),
                           8000);
}

void TMainForm::CompareWithFileCommand() {
  TCommonInterface& ci = manager_->CommonInterface;
  if (ci.FileCount <= 0) return;
  const QString path = Ui().OpenFileName(kDatabaseFilter, QFileInfo(manager_->DatabaseFileName).suffix());
  if (path.isEmpty()) return;
  zephra::model::Snapshot open, other;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool read = ci.ReadSnapshot(open, ci.FileHandle) && ci.ReadFileSnapshot(path, other);
  QApplication::restoreOverrideCursor();
  if (!read) return;
  ShowDifferences(QString("From %1 (before each arrow) to %2 (after it)")
                      .arg(QFileInfo(manager_->DatabaseFileName).fileName(), QFileInfo(path).fileName()),
                  open, other);
}

void TMainForm::CompareWithControllerCommand() {
  if (online_) CompareWithController(false);
}

void TMainForm::CompareWithController(bool browseOnly) {
  TCommonInterface& ci = manager_->CommonInterface;
  if (ci.FileCount <= 0) return;
  QTemporaryDir folder;
  if (!folder.isValid()) {
    Ui().Warning("A temporary folder for the comparison could not be made", folder.errorString());
    return;
  }
  // Both sides are built alike: the file as the controller would hold it
  // after an Apply, and what it holds now.
  const QString suffix = QFileInfo(manager_->DatabaseFileName).suffix();
  const QString view = folder.filePath("file." + suffix), controller = folder.filePath("controller." + suffix);
  if (!ci.ControllerViewToFile(view, ci.FileHandle) || !ci.UploadToFile(controller, ci.FileHandle)) return;
  zephra::model::Snapshot a, b;
  if (!ci.ReadFileSnapshot(view, a) || !ci.ReadFileSnapshot(controller, b)) return;
  ShowDifferences(QString("From %1 (before each arrow) to what the control frame holds (after it)")
                      .arg(QFileInfo(manager_->DatabaseFileName).fileName()),
                  a, b, browseOnly);
}

void TMainForm::ShowDifferences(const QString& heading, const zephra::model::Snapshot& a,
                                const zephra::model::Snapshot& b, bool browseOnly) {
  std::vector<Difference> differences = zephra::model::Compare(a, b);
  if (differences.empty()) {
    Ui().Information("The two configurations are the same");
    return;
  }
  for (auto* old : findChildren<TCompareForm*>()) old->close();
  const QString count = QString("%1 difference%2").arg(differences.size()).arg(differences.size() == 1 ? "" : "s");
  if (browseOnly) {
    // Read while a question waits: nothing opens from it.
    TCompareForm form("Compare With", heading + "\n" + count, std::move(differences), nullptr, this);
    Ui().RunModal(form);
    return;
  }
  auto* form = new TCompareForm("Compare With", heading + "\n" + count, std::move(differences),
                                [this](const Difference& d) { OpenDifference(d); }, this);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->setWindowFlag(Qt::Window);
  manager_->RegisterForm(form);  // its records go with the tree
  form->show();
}

void TMainForm::OpenDifference(const Difference& d) {
  TCommonInterface& ci = manager_->CommonInterface;
  TResource* target = nullptr;
  std::function<void(TResourceForm*)> select;
  const bool matrix0 = d.matrix <= 0;
  switch (d.family) {
    case Family::Configuration:
    case Family::Database:
    case Family::Matrix:
      target = FindResource<TKorvellControlFrameResource>(tree_, 0);
      break;
    case Family::Level:
    case Family::Source:
    case Family::Destination:
      if (!matrix0 || d.level < 0) break;
      target = FindResource<TLevelResource>(tree_, d.level);
      select = [&d](TResourceForm* f) {
        auto* form = qobject_cast<TLevelForm*>(f);
        if (!form || d.family == Family::Level) return;
        SelectRow(form, d.family == Family::Source ? form->SourcesGrid : form->DestinationsGrid, d.number);
      };
      break;
    case Family::SourceAssociation:
    case Family::DestinationAssociation:
    case Family::Salvo:
    case Family::TriggerLines:
      if (!matrix0) break;
      if (QTreeWidgetItem* node = manager_->FindNode(DataNode(d.family))) {
        tree_->setCurrentItem(node);  // the configuration window opens on its page
        target = TDatabaseManager::ResourceOf(node);
      }
      select = [&d](TResourceForm* f) {
        auto* form = qobject_cast<TKorvellForm*>(f);
        if (!form) return;
        if (d.family == Family::SourceAssociation) SelectRow(form, form->SourceAssocsStringGrid, d.number);
        if (d.family == Family::DestinationAssociation) SelectRow(form, form->DestAssocsStringGrid, d.number);
      };
      break;
    case Family::GeneralPort:
      target = FindResource<TPortResource>(tree_, d.number);
      break;
    case Family::Panel:
      target = FindResource<TPanelResource>(tree_, d.number);
      break;
    case Family::UMD:
      target = FindResource<TUMDResource>(tree_, d.number);
      break;
    case Family::Keypad:
    case Family::Key:
    case Family::Sequence:
      // A keypad is edited from the panel that has it.
      for (QTreeWidgetItemIterator it(tree_); *it && !target && d.number >= 0; ++it) {
        auto* panel = dynamic_cast<TPanelResource*>(TDatabaseManager::ResourceOf(*it));
        if (!panel) continue;
        TLibString name(QString(8, ' '));
        TPanelRecord record{};
        record.name = name;
        if (ci.GetPanelRecord(static_cast<uint16_t>(panel->Number), record, ci.FileHandle) &&
            (record.sourceKeypad == d.number || record.destKeypad == d.number)) {
          target = panel;
        }
      }
      break;
  }
  if (!target || !target->HasEditor()) {
    statusBar()->showMessage("No editor window shows this record", 8000);
    return;
  }
  if (QTreeWidgetItem* node = target->GetTreeNode(); node && !DataNode(d.family)) tree_->setCurrentItem(node);
  EditResource(target);
  if (select && target->EditorForm) select(target->EditorForm);
}
