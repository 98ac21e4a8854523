#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QListWidget>
#include <QTreeWidget>

#include "../dbs/config_fixtures.h"
#include "dbs/layout.h"
#include "../dbs/temp_dir.h"
#include "MainformCode.h"
#include "ResourceTree.h"
#include "forms/ResourceForm.h"
#include "WizardForms.h"
#include "forms/ControlFrameForm.h"
#include "forms/PortResourceForm.h"
#include "main_window_fixture.h"
#include "scripted_ui.h"

namespace {

using zephra::test::Str;

// A main window working in a folder of its own, with New answered by a
// wizard that takes every default.
struct MainFormTest : MainWindowFixture {
  // New, with a wizard that takes every default on a V3 database.
  void New() {
    NewWith([](QDialog& dialog) {
      auto& wizard = static_cast<TCreationWizardForms&>(dialog);
      wizard.Next();                                    // welcome
      wizard.FormatGroup->button(2)->setChecked(true);  // ZP3
      wizard.Next();                                    // general: the format question is answered No
      while (wizard.CurrentPage() == TCreationWizardForms::Level) wizard.Next();
      wizard.Next();                                    // name: "Zephra"
      return wizard.result();
    });
  }
};

TEST_F(MainFormTest, OnlyTheEmptyStatesCommandsAreUsable) {
  EXPECT_TRUE(form->NewAction->isEnabled());
  EXPECT_TRUE(form->OpenAction->isEnabled());
  EXPECT_TRUE(form->ConvertMenuAction->isEnabled());
  EXPECT_TRUE(form->ComPortAction->isEnabled());
  EXPECT_TRUE(form->AboutAction->isEnabled());
  for (QAction* a : {form->SaveAsAction, form->ReconfigureAction, form->OnLineAction, form->ReadConfigAction,
                     form->ApplyConfigAction, form->ClearProtectsAction}) {
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  }
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      ");
}

TEST_F(MainFormTest, NewBuildsTheDatabaseAndItsTree) {
  New();
  ASSERT_TRUE(ui.Messages.contains("Configuration Database Created")) << ui.Messages.join('|').toStdString();
  // Four SDV / HD levels on the smallest router: 16 sources and destinations each.
  Str configName(u"................");
  TConfigurationRecord config{};
  config.name = configName;
  ASSERT_EQ(dbs_GetConfig(&config, H()), DBS_OK);
  EXPECT_EQ(config.sourceCount[0][3], 16);
  EXPECT_EQ(config.destCount[0][0], 16);
  EXPECT_EQ(config.configType, DBS_TYPE_V3);
  const zephra::ConfigImage image = zephra::ConfigFromCall(config);
  EXPECT_EQ(QFileInfo("Zephra.ZP3").size(), zephra::ComputeLayout(image, *zephra::FindFormat(4)).fileSize);
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      Zephra.ZP3");
  EXPECT_TRUE(form->SaveAsAction->isEnabled());
  EXPECT_TRUE(form->OnLineAction->isEnabled());
  EXPECT_EQ(Children("Zephra"), (QStringList{"Zephra Configuration", "RS232-1", "RS485-1", "RS485-2"}));
  EXPECT_EQ(Children("Zephra Configuration"),
            (QStringList{"Level 1", "Level 2", "Level 3", "Level 4", "Source Association", "Dest Association",
                         "Salvos", "Trigger Positions"}));
  EXPECT_EQ(Children("Storeroom").size(), 64);
  EXPECT_EQ(Children("Storeroom").first(), "Panel 1");
  // The wizard's level types reached the database: SDV / HD on a 32/64 router.
  uint16_t type = 0;
  EXPECT_EQ(dbs_GetLevelType(0, 0, &type, H()), DBS_OK);
  EXPECT_EQ(type, 1);
}

TEST_F(MainFormTest, DevicesSitUnderTheirPortsByAddress) {
  New();
  ASSERT_EQ(dbs_SetPanelPort(2, 1, 9, H()), DBS_OK);
  ASSERT_EQ(dbs_SetUMDPort(0, 1, 3, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelPort(5, 0, 1, H()), DBS_OK);
  ASSERT_TRUE(form->Manager().OpenDatabaseFile(QDir::current().filePath("Zephra.ZP3"), {2, 3, 4}));
  EXPECT_EQ(Children("RS485-2"), (QStringList{"UMD 1", "Panel 3"}));
  EXPECT_EQ(Children("RS485-1"), QStringList{"Panel 6"});
  EXPECT_EQ(Children("Storeroom").size(), 61);
}

TEST_F(MainFormTest, ADropTakesTheNextFreeAddressAndAFullPortRefuses) {
  New();
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-1");
  QTreeWidgetItem* storeroom = form->Manager().FindNode("Storeroom");
  for (int i = 0; i < 16; ++i) {
    TResource* panel = TDatabaseManager::ResourceOf(storeroom->child(0));
    ASSERT_TRUE(form->DropOn(panel, port)) << i;
  }
  uint16_t p = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(15, &p, &address, H()), DBS_OK);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(address, 16);
  EXPECT_FALSE(form->DropOn(TDatabaseManager::ResourceOf(storeroom->child(0)), port));  // a seventeenth
  EXPECT_EQ(port->childCount(), 16);
  // Back to the storeroom: taken off the port.
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(port->child(0)), storeroom));
  ASSERT_EQ(dbs_GetPanelPort(0, &p, &address, H()), DBS_OK);
  EXPECT_EQ(p, 0xFFFF);
  // RS232-1 is not a multi-drop port.
  EXPECT_FALSE(form->DropOn(TDatabaseManager::ResourceOf(storeroom->child(0)), form->Manager().FindNode("RS232-1")));
}

TEST_F(MainFormTest, ADeviceDroppedAgainOnItsPortTakesTheNextAddress) {
  New();
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-1");
  auto* panel = TDatabaseManager::ResourceOf(form->Manager().FindNode("Panel 1"));
  ASSERT_TRUE(form->DropOn(panel, port));
  ASSERT_TRUE(form->DropOn(panel, port));  // its own address counts as taken
  uint16_t p = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(0, &p, &address, H()), DBS_OK);
  EXPECT_EQ(address, 2);
  EXPECT_EQ(port->childCount(), 1);
}

TEST(DragScroll, TheEdgesOfTheTreeScrollIt) {
  EXPECT_EQ(DragScrollDirection(0, 400), -1);
  EXPECT_EQ(DragScrollDirection(30, 400), -1);
  EXPECT_EQ(DragScrollDirection(31, 400), 0);
  EXPECT_EQ(DragScrollDirection(367, 400), 0);
  EXPECT_EQ(DragScrollDirection(368, 400), 1);
}

TEST_F(MainFormTest, ADragAtTheTopScrollsAndADoubleClickNeedsANode) {
  New();
  form->show();
  TResourceTree* tree = form->ResourceTree();
  tree->setCurrentItem(form->Manager().FindNode("Panel 1"));
  const int before = tree->verticalScrollBar()->value();
  tree->DragAt(tree->viewport()->height() - 5);
  EXPECT_TRUE(tree->Scrolling());
  EXPECT_FALSE(tree->ScrollingUp());
  QTest::qWait(300);
  EXPECT_GT(tree->verticalScrollBar()->value(), before);  // an item further down
  tree->DragAt(tree->viewport()->height() / 2);
  EXPECT_FALSE(tree->Scrolling());
  tree->DragAt(5);
  EXPECT_TRUE(tree->ScrollingUp());
  tree->DragAt(tree->viewport()->height() / 2);

  // The label of a node is a hit; the blank part of its row is not.
  const QRect row = tree->visualItemRect(form->Manager().FindNode("Zephra"));
  EXPECT_TRUE(tree->HitsNode(row.center() - QPoint(row.width() / 2 - 12, 0)));
  EXPECT_FALSE(tree->HitsNode(QPoint(tree->viewport()->width() - 4, row.center().y())));
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, QPoint(tree->viewport()->width() - 4, row.center().y()));
  EXPECT_FALSE(tree->PressHitNode());
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 12, row.center().y()));
  EXPECT_TRUE(tree->PressHitNode());
}

TEST_F(MainFormTest, TheListsItemsShowTheirHint) {
  New();
  form->Tree()->setCurrentItem(form->Manager().FindNode("Storeroom"));
  ASSERT_GT(form->List()->count(), 0);
  EXPECT_EQ(form->List()->item(0)->statusTip(), "Double Click the item to Edit the properties");
}

// Renames a node as the user does: F2, type, Enter.
void RenameInPlace(TMainForm& form, QTreeWidgetItem* node, const QString& text) {
  form.show();
  form.Tree()->setCurrentItem(node);
  form.RenameCommand();
  auto* edit = form.Tree()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->setText(text);
  QTest::keyClick(edit, Qt::Key_Return);
  QApplication::processEvents();  // the editor commits once the key is handled
}

TEST_F(MainFormTest, RenamingCutsToEightCharacters) {
  New();
  QTreeWidgetItem* panel = form->Manager().FindNode("Panel 2");
  RenameInPlace(*form, panel, "Studio Left");
  EXPECT_EQ(ui.Messages.last(), "This name has been reduced to 8 characters");
  EXPECT_EQ(panel->text(0), "Studio L");
  Str name(u"........");
  TPanelRecord r{};
  r.name = name;
  ASSERT_EQ(dbs_GetPanelRecord(1, &r, H()), DBS_OK);
  EXPECT_EQ(name.Text(), u"Studio L");
  // Text the editor itself puts on a node is not a rename.
  panel->setText(0, "Not this");
  ASSERT_EQ(dbs_GetPanelRecord(1, &r, H()), DBS_OK);
  EXPECT_EQ(name.Text(), u"Studio L");
  form->Tree()->setCurrentItem(form->Manager().FindNode("RS485-1"));
  form->RenameCommand();
  EXPECT_EQ(ui.Messages.last(), "The name of this item is fixed");
}

// Counts the device writes that reach the library.
struct DeviceWrites {
  static inline int count = 0;
  TLibraryApi saved = Library();
  DeviceWrites() {
    count = 0;
    Library().SetPanelName = [](uint16_t p, DbsString n, DbsHandle h) { return ++count, dbs_SetPanelName(p, n, h); };
    Library().SetUMDName = [](uint16_t u, DbsString n, DbsHandle h) { return ++count, dbs_SetUMDName(u, n, h); };
    Library().SetPanelRecord = [](uint16_t p, const TPanelRecord* r, DbsHandle h) {
      return ++count, dbs_SetPanelRecord(p, r, h);
    };
    Library().SetUMDRecord = [](uint16_t u, const TUMDRecord* r, DbsHandle h) { return ++count, dbs_SetUMDRecord(u, r, h); };
  }
  ~DeviceWrites() { Library() = saved; }
};

TEST_F(MainFormTest, BuildingTheTreeWritesNothing) {
  DeviceWrites writes;
  New();
  ASSERT_TRUE(ui.Messages.contains("Configuration Database Created"));
  EXPECT_EQ(writes.count, 0);
  form->ResetToEmpty();  // closes the database
  // An unchanged file opened and closed keeps its write time.
  const QString path = QDir::current().filePath("Zephra.ZP3");
  const QDateTime old = QDateTime::currentDateTime().addDays(-30);
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
  }
  ASSERT_TRUE(form->Manager().OpenDatabaseFile(path, {2, 3, 4}));
  EXPECT_EQ(writes.count, 0);
  form->ResetToEmpty();
  EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
}

TEST_F(MainFormTest, SaveAsMovesToTheNewFile) {
  New();
  ui.FileNames.enqueue(QDir::current().filePath("Copy.anything"));
  form->SaveAsCommand();
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      Copy.ZP3");
  EXPECT_TRUE(QFileInfo::exists("Copy.ZP3"));
}

}  // namespace

namespace {

TEST_F(MainFormTest, OpenRefusesTheScratchNameAndResetsAfterAFailure) {
  New();
  ASSERT_TRUE(form->SaveAsAction->isEnabled());
  ui.FileNames.enqueue(QDir::current().filePath("~TEMPDB"));
  form->OpenCommand();
  EXPECT_EQ(ui.Messages.last(),
            "This file is used by the editor and cannot be overwritten. Please select another filename");
  EXPECT_FALSE(form->SaveAsAction->isEnabled());  // back to the empty state
  EXPECT_EQ(form->Tree()->topLevelItemCount(), 0);

  ui.FileNames.enqueue(QDir::current().filePath("Zephra.ZP3"));
  form->OpenCommand();
  EXPECT_TRUE(form->SaveAsAction->isEnabled());
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      Zephra.ZP3");

  QFile bad("Bad.ZP3");
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray(3000, 'x'));
  bad.close();
  ui.FileNames.enqueue(QDir::current().filePath("Bad.ZP3"));
  form->OpenCommand();
  EXPECT_EQ(ui.Messages.last(), "This is not a valid database file");
  EXPECT_FALSE(form->SaveAsAction->isEnabled());
}

TEST_F(MainFormTest, ANewDatabaseOverTheOpenOneReplacesIt) {
  New();
  ui.Answers.enqueue(true);  // the format question: no, then overwrite: yes
  ui.Answers.prepend(false);
  New();
  EXPECT_EQ(ui.Messages.count("Configuration Database Created"), 2);
  EXPECT_EQ(form->Manager().CommonInterface.FileCount, 1);
  EXPECT_TRUE(form->SaveAsAction->isEnabled());
}

}  // namespace

namespace {

// A form that counts what it stores.
class TCountingForm : public TResourceForm {
 public:
  using TResourceForm::TResourceForm;
  int stored = 0;
  bool refuse = false;

 protected:
  bool Store() override {
    if (refuse) return false;
    ++stored;
    return true;
  }
};

TEST_F(MainFormTest, FormsStoreOnlyOnApplyAndCloseBeforeTheTreeGoes) {
  New();
  TResource* level = TDatabaseManager::ResourceOf(form->Manager().FindNode("Level 1"));
  QPointer<TCountingForm> f = new TCountingForm(*level, "Level 1");
  form->Manager().RegisterForm(f);
  f->show();
  EXPECT_FALSE(f->ApplyButton()->isEnabled());
  f->OkButton()->click();  // nothing changed: closes without storing
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(!f);

  f = new TCountingForm(*level, "Level 1");
  form->Manager().RegisterForm(f);
  f->show();
  f->MarkChanged();
  f->refuse = true;
  f->OkButton()->click();  // a refused store keeps the form and its changes
  EXPECT_TRUE(f && f->isVisible() && f->HasChanges());
  f->refuse = false;
  ui.Answers.enqueue(true);
  EXPECT_TRUE(f->ResolvePending());
  EXPECT_EQ(ui.Messages.last(), "All changes must be applied/cancelled before proceeding. Apply changes?");
  EXPECT_EQ(f->stored, 1);
  f->MarkChanged();
  EXPECT_EQ(form->Manager().OpenFormCount(), 1);
  // Opening a database clears the tree: the form goes first, storing nothing.
  ASSERT_TRUE(form->Manager().OpenDatabaseFile(QDir::current().filePath("Zephra.ZP3"), {2, 3, 4}));
  EXPECT_TRUE(!f || (!f->isVisible() && f->Resource() == nullptr));
  if (f) {
    EXPECT_EQ(f->stored, 1);
  }
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(!f);
}

}  // namespace

namespace {

TEST_F(MainFormTest, APortRecordThatCannotBeReadShowsTheListsDefaults) {
  New();
  const TLibraryApi real = Library();
  Library().GetGeneralPort = [](uint16_t, TGeneralPortRecord*, DbsHandle) -> DbsStatus {
    return DBS_ERR_FILE_CORRUPT;
  };
  form->Tree()->setCurrentItem(form->Manager().FindNode("RS485-2"));
  form->PropertiesCommand();
  Library() = real;
  auto* f = qobject_cast<TPortForm*>(
      TDatabaseManager::ResourceOf(form->Manager().FindNode("RS485-2"))->EditorForm.data());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ui.Messages.last(), "This database file is corrupt");
  EXPECT_EQ(f->BaudRateCombo->currentText(), "300");
  EXPECT_EQ(f->DataBitsCombo->currentText(), "7");
  EXPECT_EQ(f->BaudRateCombo->findText("0"), -1);
  EXPECT_EQ(f->DataBitsCombo->findText("0"), -1);
  const int odd = f->ParityCombo->findText("Odd");
  f->ParityCombo->setCurrentIndex(odd);
  emit f->ParityCombo->activated(odd);
  f->OkButton()->click();
  TGeneralPortRecord back{};
  ASSERT_EQ(dbs_GetGeneralPort(2, &back, H()), DBS_OK);
  EXPECT_EQ(back.baudRate, 300u);
  EXPECT_EQ(back.dataBits, 7);
  EXPECT_EQ(back.parity, 1);
}

TEST_F(MainFormTest, TheControlFrameSummaryIsCaptionedWithTheSystemAndTitledWithTheConfiguration) {
  NewWith([](QDialog& dialog) {
    auto& wizard = static_cast<TCreationWizardForms&>(dialog);
    wizard.Next();
    wizard.FormatGroup->button(2)->setChecked(true);
    wizard.Next();
    while (wizard.CurrentPage() == TCreationWizardForms::Level) wizard.Next();
    wizard.NameEdit->setText("Studio B");
    wizard.Next();
    return wizard.result();
  });
  form->Tree()->setCurrentItem(form->Manager().FindNode("Zephra"));
  form->PropertiesCommand();
  auto* f = qobject_cast<TKorvellControlFrameForm*>(
      TDatabaseManager::ResourceOf(form->Manager().FindNode("Zephra"))->EditorForm.data());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "Zephra Configuration");
  EXPECT_EQ(f->TitlePanel->text().trimmed(), "Studio B");
  f->OkButton()->click();
}

}  // namespace
