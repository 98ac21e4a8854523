// The editor's names and comparison commands on real database files, driven
// through the main window's menu: names out to a spreadsheet file and back
// as one journal step after a report, and the differences from another file
// or from the controller simulator, each opening the form of its record.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "MainformCode.h"
#include "NamesDialogs.h"
#include "Resource.h"
#include "Transfer.h"
#include "forms/LevelResourceForm.h"
#include "forms/ResourceForm.h"
#include "forms/StringGrid.h"
#include "main_window_fixture.h"
#include "sim/ctlsim.h"
#include "simulator_port.h"
#include "zephra/zephra_journal.h"

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

int Tool(const std::string& args) {
  return std::system((std::string(ZEPHRA_DB_PROGRAM) + " " + args + " > /dev/null 2>&1").c_str());
}

struct NamesCommandsTest : MainWindowFixture {
  // A default V3 database made by zephra-db.
  std::string Make(const std::string& name) {
    EXPECT_EQ(Tool("create " + dir.File(name) + " --format v3"), 0);
    return dir.File(name);
  }
  void Open(const std::string& path) {
    ASSERT_TRUE(form->Manager().OpenDatabaseFile(QString::fromStdString(path), {2, 3, 4}));
    form->EnableAfterOpen();
  }
  TCommonInterface& Ci() { return form->Manager().CommonInterface; }
  // Names in several families, non-ASCII ones among them.
  void NameThings(DbsHandle h) {
    TSourceIndexRecord source{0, 1, 4};
    ASSERT_EQ(dbs_SetSourceName(&source, TLibString(QString::fromUtf8("KAMERA\u00C4 ")), h), DBS_OK);
    ASSERT_EQ(dbs_SetLevelName(0, 2, TLibString("AUDIO L"), h), DBS_OK);
    ASSERT_EQ(dbs_SetPanelName(3, TLibString(QString::fromUtf8("R\u00E9gie 1")), h), DBS_OK);
    ASSERT_EQ(dbs_SetUMDName(1, TLibString("UMD TWO"), h), DBS_OK);
    ASSERT_EQ(dbs_SetDestName(0, 6, TLibString("MON 7"), h), DBS_OK);
    ASSERT_EQ(dbs_SetTitle(TLibString(QString::fromUtf8("Studio \u6771")), h), DBS_OK);
  }
  void Export(const std::string& to) {
    ui.FileNames.enqueue(QString::fromStdString(to));
    form->ExportNamesAction->trigger();
  }
  // Import Names with `answer` driving the report.
  void Import(const std::string& from, std::function<int(TImportReportForm&)> answer) {
    ui.FileNames.enqueue(QString::fromStdString(from));
    ui.Dialogs.enqueue([answer](QDialog& d) { return answer(static_cast<TImportReportForm&>(d)); });
    form->ImportNamesAction->trigger();
  }
  static int Apply(TImportReportForm& report) {
    EXPECT_TRUE(report.ApplyButton->isEnabled());
    return QDialog::Accepted;
  }
  std::string PanelNodeText(int panel) {
    for (QTreeWidgetItemIterator it(form->Tree()); *it; ++it) {
      auto* r = dynamic_cast<TPanelResource*>(TDatabaseManager::ResourceOf(*it));
      if (r && r->Number == panel) return (*it)->text(0).toStdString();
    }
    return {};
  }
  ZephraJournalState Journal() {
    ZephraJournalState s{};
    EXPECT_EQ(zephra_GetJournalState(&s, H()), DBS_OK);
    return s;
  }
  TCompareForm* Compare() {
    for (auto* f : form->findChildren<TCompareForm*>()) {
      if (f->isVisible()) return f;
    }
    return nullptr;
  }
};

TEST_F(NamesCommandsTest, NamesGoOutAndComeBackIntoAFreshCopyUnchanged) {
  const std::string named = Make("named.ZP3"), fresh = Make("fresh.ZP3");
  Open(named);
  NameThings(H());
  Export(dir.File("names.csv"));
  const std::string exported = ReadBytes(dir.File("names.csv"));
  ASSERT_NE(exported.find("R\xC3\xA9gie 1"), std::string::npos);
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();

  Open(fresh);
  EXPECT_NE(PanelNodeText(3), "R\xC3\xA9gie 1");
  std::size_t changes = 0;
  Import(dir.File("names.csv"), [&](TImportReportForm& report) {
    EXPECT_EQ(report.ApplyButton->text(), "Apply");
    changes = static_cast<std::size_t>(report.Rows->topLevelItemCount());
    EXPECT_TRUE(report.Summary->text().contains("0 refused"));
    return Apply(report);
  });
  EXPECT_GE(changes, 6u);  // every name that differs from the defaults
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(PanelNodeText(3), "R\xC3\xA9gie 1");  // the tree shows the new names
  Export(dir.File("again.csv"));
  EXPECT_EQ(ReadBytes(dir.File("again.csv")), exported);
}

TEST_F(NamesCommandsTest, AReportWithRefusedRowsWritesNothingWhenCancelled) {
  const std::string path = Make("studio.ZP3");
  Open(path);
  const std::string before = ReadBytes(path);
  WriteBytes(dir.File("bad.csv"),
             "kind,matrix,level,number,field,name\n"
             "panel,,,2,name,DESK 2\n"
             "source,1,9,1,name,CAM\n"              // no level 9
             "panel,,,1,name,MUCH TOO LONG\n"       // cut: warned
             "gadget,,,1,name,X\n");                // no such kind
  QStringList lines;
  Import(dir.File("bad.csv"), [&](TImportReportForm& report) {
    EXPECT_EQ(report.ApplyButton->text(), "Apply Sound Rows");
    EXPECT_TRUE(report.CancelButton->isDefault());
    for (int i = 0; i < report.Rows->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = report.Rows->topLevelItem(i);
      lines << row->text(0) + "|" + row->text(1) + "|" + row->text(2);
    }
    return QDialog::Rejected;
  });
  // Line, column and verdict of each row, in line order.
  EXPECT_EQ(lines, (QStringList{"2||applied", "3|3 (level)|refused", "4|6 (name)|warned", "4||applied",
                                "5|1 (kind)|refused"}))
      << lines.join(", ").toStdString();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(Journal().undoSteps, 0u);

  // Applying takes the sound rows only.
  Import(dir.File("bad.csv"), Apply);
  EXPECT_EQ(PanelNodeText(1), "DESK 2");
  EXPECT_EQ(PanelNodeText(0), "MUCH TOO");
}

TEST_F(NamesCommandsTest, AnImportIsOneStepThatAnUndoTakesBackWhole) {
  const std::string path = Make("studio.ZP3"), other = Make("other.ZP3");
  Open(other);
  NameThings(H());
  Export(dir.File("names.csv"));
  Open(path);
  const std::string before = ReadBytes(path);
  ASSERT_EQ(Journal().undoSteps, 0u);
  Import(dir.File("names.csv"), Apply);
  const ZephraJournalState after = Journal();
  EXPECT_EQ(after.undoSteps, 1u);
  EXPECT_EQ(after.stepOpen, 0u);
  EXPECT_EQ(after.losses, 0u);  // rebuilding the tree wrote nothing outside the step
  EXPECT_EQ(form->UndoAction->text(), "&Undo Import Names");
  const std::string imported = ReadBytes(path);
  EXPECT_NE(imported, before);
  form->UndoCommand();
  EXPECT_EQ(ReadBytes(path), before);
  form->RedoCommand();
  EXPECT_EQ(ReadBytes(path), imported);
}

// A write the library refuses half-way takes back the names written before
// it: an import is whole or nothing.
TEST_F(NamesCommandsTest, AnImportThatFailsHalfWayLeavesNothingBehind) {
  const std::string path = Make("studio.ZP3");
  Open(path);
  const std::string before = ReadBytes(path);
  WriteBytes(dir.File("names.csv"), "panel,,,1,name,DESK 1\npanel,,,2,name,DESK 2\npanel,,,3,name,DESK 3\n");
  static int calls;
  calls = 0;
  const auto real = Library().SetPanelName;
  Library().SetPanelName = [](uint16_t panel, DbsString name, DbsHandle h) -> DbsStatus {
    return ++calls == 2 ? static_cast<DbsStatus>(DBS_ERR_INVALID_ARGUMENT) : dbs_SetPanelName(panel, name, h);
  };
  Import(dir.File("names.csv"), Apply);
  Library().SetPanelName = real;
  EXPECT_EQ(calls, 2);
  ASSERT_EQ(ui.Messages.size(), 1) << ui.Messages.join('|').toStdString();
  EXPECT_TRUE(ui.Details.value(0).contains("line 2")) << ui.Details.value(0).toStdString();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(Journal().undoSteps, 0u);
  EXPECT_EQ(Journal().stepOpen, 0u);
}

// Open editor windows hold copies of the names: an import closes them first,
// once the user agrees, and writes nothing when they keep them.
TEST_F(NamesCommandsTest, AnImportAsksBeforeItClosesOpenForms) {
  const std::string path = Make("studio.ZP3");
  Open(path);
  const std::string before = ReadBytes(path);
  WriteBytes(dir.File("names.csv"), "panel,,,1,name,DESK 1\n");
  TPanelResource* panel = nullptr;
  for (QTreeWidgetItemIterator it(form->Tree()); *it && !panel; ++it) {
    if (auto* p = dynamic_cast<TPanelResource*>(TDatabaseManager::ResourceOf(*it)); p && p->Number == 0) panel = p;
  }
  ASSERT_NE(panel, nullptr);
  form->EditResource(panel);
  ASSERT_NE(panel->EditorForm, nullptr);
  ui.Answers.enqueue(false);
  Import(dir.File("names.csv"), Apply);
  EXPECT_EQ(ui.Kinds.value(0), "warning-ok-cancel");
  EXPECT_NE(panel->EditorForm, nullptr);
  EXPECT_EQ(ReadBytes(path), before);
  ui.Answers.enqueue(true);
  Import(dir.File("names.csv"), Apply);
  EXPECT_EQ(PanelNodeText(0), "DESK 1");
  EXPECT_EQ(form->Manager().OpenFormCount(), 0);
}

TEST_F(NamesCommandsTest, AComparisonListsEachChangedFamilyOnceAndOpensItsRecord) {
  const std::string path = Make("studio.ZP3"), other = dir.File("other.ZP3");
  std::filesystem::copy_file(path, other);
  {
    DbsHandle h = -1;
    ASSERT_EQ(dbs_OpenFile(TLibString(QString::fromStdString(other)), 1, &h), DBS_OK);
    TSourceIndexRecord source{0, 1, 4};
    ASSERT_EQ(dbs_SetSourceName(&source, TLibString("CAM 5"), h), DBS_OK);
    ASSERT_EQ(dbs_SetPanelName(2, TLibString("DESK 3"), h), DBS_OK);
    ASSERT_EQ(dbs_SetDestName(0, 3, TLibString("MON 4"), h), DBS_OK);
    TGeneralPortRecord port{};
    ASSERT_EQ(dbs_GetGeneralPort(1, &port, h), DBS_OK);
    port.baudRate = port.baudRate == 9600 ? 19200 : 9600;
    ASSERT_EQ(dbs_SetGeneralPort(1, &port, h), DBS_OK);
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  }
  Open(path);
  EXPECT_FALSE(form->CompareControllerAction->isEnabled());  // off-line
  ui.FileNames.enqueue(QString::fromStdString(other));
  form->CompareFileAction->trigger();
  TCompareForm* compare = Compare();
  ASSERT_NE(compare, nullptr) << ui.Messages.join('|').toStdString();
  using zephra::model::Family;
  const Family changed[] = {Family::Source, Family::DestinationAssociation, Family::GeneralPort, Family::Panel};
  ASSERT_EQ(compare->List->topLevelItemCount(), 4);
  for (Family f : changed) {
    QTreeWidgetItem* group = compare->Group(f);
    ASSERT_NE(group, nullptr) << zephra::model::FamilyWord(f);
    EXPECT_EQ(group->childCount(), 1) << zephra::model::FamilyWord(f);
  }
  EXPECT_EQ(compare->Group(Family::Source)->child(0)->text(0).toStdString(), "source 5 of level 2: name 'm1s5' → 'CAM 5'");

  // The source opens its level's form on the sources, at its row.
  emit compare->List->itemActivated(compare->Group(Family::Source)->child(0), 0);
  auto* level = form->findChild<TLevelForm*>();
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->Level(), 1);
  EXPECT_TRUE(level->SourcesGrid->isVisibleTo(level));
  ASSERT_FALSE(level->SourcesGrid->selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(level->SourcesGrid->selectionModel()->selectedRows().first().row(), 4);
  // The panel and the port open their own forms.
  for (Family f : {Family::Panel, Family::GeneralPort}) {
    emit compare->List->itemActivated(compare->Group(f)->child(0), 0);
  }
  bool panelOpen = false, portOpen = false;
  for (QTreeWidgetItemIterator it(form->Tree()); *it; ++it) {
    TResource* r = TDatabaseManager::ResourceOf(*it);
    if (auto* p = dynamic_cast<TPanelResource*>(r); p && p->Number == 2) panelOpen = p->EditorForm != nullptr;
    if (auto* p = dynamic_cast<TPortResource*>(r); p && p->Number == 1) portOpen = p->EditorForm != nullptr;
  }
  EXPECT_TRUE(panelOpen);
  EXPECT_TRUE(portOpen);
  // The destination association opens the configuration window on its grid.
  emit compare->List->itemActivated(compare->Group(Family::DestinationAssociation)->child(0), 0);
  auto* korvell = form->findChild<TResourceForm*>("KorvellForm");
  ASSERT_NE(korvell, nullptr);
  auto* grid = korvell->findChild<TStringGrid*>("DestAssocsStringGrid");
  ASSERT_NE(grid, nullptr);
  EXPECT_TRUE(grid->isVisibleTo(korvell));
  ASSERT_FALSE(grid->selectionModel()->selectedRows().isEmpty());
  EXPECT_EQ(grid->selectionModel()->selectedRows().first().row(), 3);

  // A file compared with itself.
  ui.FileNames.enqueue(QString::fromStdString(path));
  form->CompareFileAction->trigger();
  EXPECT_EQ(ui.Messages.value(ui.Messages.size() - 1), "The two configurations are the same");
}

struct CompareControllerTest : NamesCommandsTest {
  ctlsim::Simulator sim{DBS_TYPE_V3};
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    UseSimulatorPort(sim.PortPath());
    NamesCommandsTest::SetUp();
  }
  // A default database open and on-line with a controller that holds it.
  void OnLineWithAgreeingController() {
    const std::string path = Make("Studio.ZP3");
    ASSERT_EQ(Tool("controller-image " + path + " " + dir.File("memory.bin")), 0);
    ASSERT_TRUE(sim.Load(dir.File("memory.bin")));
    Open(path);
    ASSERT_TRUE(form->OnLineCommand());
    ui.Messages.clear();
  }
  void TearDown() override {
    NamesCommandsTest::TearDown();
    sim.Stop();
    PortSetup() = TPCPortSetupManager();
  }
};

TEST_F(CompareControllerTest, TheControllerAfterALiveEditOffTheRecordShowsExactlyThatEdit) {
  ASSERT_NO_FATAL_FAILURE(OnLineWithAgreeingController());
  ASSERT_TRUE(form->CompareControllerAction->isEnabled());
  sim.SetSourceName(0, 1, 6, "VT 7");  // the controller changed behind the file's back
  const ZephraJournalState journal = Journal();
  form->CompareControllerAction->trigger();
  TCompareForm* compare = Compare();
  ASSERT_NE(compare, nullptr) << ui.Messages.join('|').toStdString();
  ASSERT_EQ(compare->Differences().size(), 1u);
  const zephra::model::Difference& d = compare->Differences()[0];
  EXPECT_EQ(d.family, zephra::model::Family::Source);
  EXPECT_EQ(d.level, 1);
  EXPECT_EQ(d.number, 6);
  EXPECT_EQ(d.after.text, "VT 7");
  EXPECT_TRUE(Ci().OnlineStatus);
  EXPECT_EQ(Journal().losses, journal.losses);
  // The open database still holds its own name for the source.
  TLibString name(QString(8, ' '));
  TSourceIndexRecord source{0, 1, 6};
  ASSERT_EQ(dbs_GetSourceName(&source, name, H()), DBS_OK);
  EXPECT_NE(name.Text().trimmed(), "VT 7");
}

}  // namespace

namespace {

TEST_F(CompareControllerTest, ACancelledReadShowsNothingAndLeavesTheDatabaseOnLine) {
  ASSERT_NO_FATAL_FAILURE(OnLineWithAgreeingController());
  ui.Answers.enqueue(true);  // yes, stop
  QTimer::singleShot(0, form.get(), [this] {
    if (Ci().TransferForm) Ci().TransferForm->btnCancel->click();
  });
  form->CompareControllerAction->trigger();
  EXPECT_EQ(Compare(), nullptr);
  EXPECT_EQ(ui.Messages, (QStringList{"Stop reading the control frame? The open database stays as it is.",
                                      "Upload cancelled."}));
  EXPECT_TRUE(Ci().OnlineStatus);
  EXPECT_EQ(Ci().TransferForm, nullptr);
}

}  // namespace
