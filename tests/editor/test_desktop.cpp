// The editor as a desktop program: pictures, keys, messages with their
// detail, drags from the list, and nothing lost by a slip.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

#include "../dbs/temp_dir.h"
#include "InfoPane.h"
#include "LevelTypeTable.h"
#include "MainformCode.h"
#include "Resource.h"
#include "ResourceTree.h"
#include "WizardForms.h"
#include "main_window_fixture.h"
#include "scripted_ui.h"

namespace {

struct DesktopTest : MainWindowFixture {
  // New, with a level of each kind of signal.
  static int Wizard(QDialog& dialog, const QString& name = "Zephra") {
    auto& wizard = static_cast<TCreationWizardForms&>(dialog);
    wizard.Next();
    wizard.FormatGroup->button(2)->setChecked(true);
    wizard.LevelCount->setValue(7);
    wizard.Next();
    for (int l = 0; wizard.CurrentPage() == TCreationWizardForms::Level; ++l) {
      if (l < 7) wizard.SignalGroup->button(l)->click();
      wizard.Next();
    }
    wizard.NameEdit->setText(name);
    wizard.Next();
    return wizard.result();
  }
  void New() {
    NewWith([](QDialog& d) { return Wizard(d); });
  }
  QList<qint64> LevelIcons() {
    QList<qint64> keys;
    QTreeWidgetItem* configuration = form->Manager().FindNode("Zephra Configuration");
    for (int i = 0; configuration && i < configuration->childCount(); ++i) {
      keys << configuration->child(i)->icon(0).pixmap(20, 20).toImage().cacheKey();
      EXPECT_FALSE(configuration->child(i)->icon(0).isNull()) << configuration->child(i)->text(0).toStdString();
    }
    return keys;
  }
};

TEST(Pictures, EveryLevelTypeAndResourceKindHasOne) {
  for (int image : {kImagePort, kImageFrame, 4, 5, 6, kImageConfiguration, kImageStoreroom, kImageUMD, 20, 21,
                    kImageAssociation, kImageSalvo, kImageTrigger}) {
    EXPECT_FALSE(ResourceImage(image).isNull()) << image;
    EXPECT_FALSE(ResourceImage(image).pixmap(20, 20).isNull()) << image;
  }
  for (int type = 0; type <= 46; ++type) EXPECT_GE(PanelImage(type), type == 0 ? 21 : 0) << type;
  // Every code the wizard can give has a picture of its signal.
  for (bool audio : {false, true}) {
    for (int s = 0; s < kSignalNames.size(); ++s) {
      for (const QString& model : ModelNames(static_cast<Signal>(s), audio, 0, DBS_TYPE_V3)) {
        for (int op = 0; op < 5; ++op) {
          for (int park = 0; park < 2; ++park) {
            const uint16_t code = LevelTypeCode(static_cast<Signal>(s), audio, model, static_cast<Operation>(op), park);
            EXPECT_FALSE(LevelIcon(code).pixmap(20, 20).isNull()) << code;
          }
        }
      }
    }
  }
  EXPECT_FALSE(LevelIcon(kNoLevelType).isNull());
}

TEST_F(DesktopTest, ALevelShowsTheSamePictureAfterNewAndAfterOpen) {
  New();
  const QList<qint64> afterNew = LevelIcons();
  ASSERT_EQ(afterNew.size(), 11);
  ASSERT_TRUE(form->Manager().OpenDatabaseFile(QDir::current().filePath("Zephra.ZP3"), {2, 3, 4}));
  EXPECT_EQ(LevelIcons(), afterNew);
  // Levels of other signals look different.
  EXPECT_NE(afterNew[0], afterNew[1]);
  EXPECT_NE(afterNew[2], afterNew[5]);
  EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(DesktopTest, TheStandardKeysRunTheCommands) {
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  bool wizardRan = false;
  ui.Dialogs.enqueue([&](QDialog& d) {
    wizardRan = true;
    return Wizard(d);
  });
  QTest::keyClick(form.get(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_TRUE(wizardRan);
  EXPECT_FALSE(form->NewAction->shortcut().isEmpty());
  ui.FileNames.enqueue(QString());  // Ctrl+O asks for a file; cancelled
  const auto before = ui.FileNames.size();
  QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(ui.FileNames.size(), before - 1);
  EXPECT_FALSE(form->SaveAsAction->shortcut().isEmpty());
  EXPECT_FALSE(form->ExitAction->shortcut().isEmpty());
  // F1: the product information.
  bool about = false;
  ui.Dialogs.enqueue([&](QDialog&) {
    about = true;
    return QDialog::Accepted;
  });
  QTest::keyClick(form.get(), Qt::Key_F1);
  EXPECT_TRUE(about);
  // Enter on a node opens its form; F2 in the list renames its item.
  form->Tree()->setFocus();
  form->Tree()->setCurrentItem(form->Manager().FindNode("RS485-1"));
  QTest::keyClick(form->Tree(), Qt::Key_Return);
  EXPECT_EQ(form->Manager().OpenFormCount(), 1);
  form->Tree()->setCurrentItem(form->Manager().FindNode("Storeroom"));
  form->List()->setFocus();
  form->List()->setCurrentRow(1);
  QTest::keyClick(form->List(), Qt::Key_F2);
  auto* edit = form->List()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  edit->setText("Desk 2");
  QTest::keyClick(edit, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_NE(form->Manager().FindNode("Desk 2"), nullptr);
  TLibString name(QString(8, ' '));
  TPanelRecord r{};
  r.name = name;
  ASSERT_TRUE(form->Manager().CommonInterface.GetPanelRecord(1, r, H()));
  EXPECT_EQ(name.Text(), "Desk 2");
}

TEST_F(DesktopTest, ADamagedFilesWarningNamesTheFileAndTheBlock) {
  New();
  form->ResetToEmpty();
  const QString path = QDir::current().filePath("Zephra.ZP3");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(4 * 1024 + 17);
    file.write("\x5A", 1);
  }
  ui.FileNames.enqueue(path);
  form->OpenCommand();
  ASSERT_TRUE(ui.Messages.contains("This database file is corrupt"));
  const QString detail = ui.Details.at(ui.Messages.lastIndexOf("This database file is corrupt"));
  EXPECT_TRUE(detail.startsWith(path)) << detail.toStdString();
  EXPECT_TRUE(detail.contains("Block 4 (bytes 4096-5119) does not match its checksum")) << detail.toStdString();
  // A short file says so.
  QFile::resize(path, 5000);
  ui.FileNames.enqueue(path);
  form->OpenCommand();
  EXPECT_TRUE(ui.Details.last().contains("shorter than its configuration says")) << ui.Details.last().toStdString();
}

TEST_F(DesktopTest, ADeviceDraggedFromTheListMovesAndTheTreeKeepsItsOrder) {
  New();
  form->show();
  QTreeWidgetItem* storeroom = form->Manager().FindNode("Storeroom");
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-2");
  form->Tree()->setCurrentItem(storeroom);
  TResource* panel = TResourceList::ResourceOf(form->List()->item(2));  // Panel 3
  ASSERT_NE(panel, nullptr);
  // Dropped on the list's item for a port (the list shows the root's children).
  form->Tree()->setCurrentItem(form->Manager().FindNode("Zephra"));
  QListWidgetItem* portItem = form->List()->findItems("RS485-2", Qt::MatchExactly).value(0);
  ASSERT_NE(portItem, nullptr);
  const QPoint at = form->List()->visualItemRect(portItem).center();
  std::unique_ptr<QMimeData> mime(ResourceDrag(panel));
  QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
  QApplication::sendEvent(form->List()->viewport(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
  QApplication::sendEvent(form->List()->viewport(), &move);
  EXPECT_TRUE(move.isAccepted());
  QDropEvent drop(at, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
  QApplication::sendEvent(form->List()->viewport(), &drop);
  uint16_t p = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(2, &p, &address, H()), DBS_OK);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(address, 1);
  EXPECT_EQ(Children("RS485-2"), QStringList{"Panel 3"});
  EXPECT_EQ(form->Tree()->currentItem(), panel->GetTreeNode());  // the moved item stays selected
  EXPECT_TRUE(form->statusBar()->currentMessage().contains("RS485-2 at address 2") ||
              form->statusBar()->currentMessage().contains("RS485-2 at address 1"));
  // Back to the storeroom: among the panels, not after the UMDs.
  ASSERT_TRUE(form->DropOn(panel, storeroom));
  EXPECT_EQ(Children("Storeroom").mid(0, 4), (QStringList{"Panel 1", "Panel 2", "Panel 3", "Panel 4"}));
  EXPECT_EQ(Children("Storeroom").last(), "UMD 32");
  EXPECT_EQ(port->childCount(), 0);
}

TEST_F(DesktopTest, SaveAsAsksBeforeReplacingAnotherFile) {
  New();
  std::ofstream("Other.ZP3") << "another installation's database";
  const auto before = QFileInfo("Other.ZP3").size();
  ui.FileNames.enqueue(QDir::current().filePath("Other.ZP3"));
  ui.Answers.enqueue(false);
  form->SaveAsCommand();
  EXPECT_EQ(ui.Messages.last(), "Other.ZP3 already exists. Do you want to replace it?");
  EXPECT_EQ(QFileInfo("Other.ZP3").size(), before);
  std::ifstream in("Other.ZP3");
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "another installation's database");
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      Zephra.ZP3");
}

TEST_F(DesktopTest, AFailedCreateReturnsToTheWizardWithItsChoices) {
  int secondPage = -1, secondLevels = 0;
  uint16_t firstType = 0;
  ui.Dialogs.enqueue([&](QDialog& d) {
    const int result = Wizard(d, "no/such/folder");  // the system refuses this name
    firstType = static_cast<TCreationWizardForms&>(d).LevelTypes()[2];
    return result;
  });
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto& wizard = static_cast<TCreationWizardForms&>(d);
    secondPage = wizard.CurrentPage();
    secondLevels = wizard.LevelCount->value();
    EXPECT_EQ(wizard.LevelTypes()[2], firstType);
    wizard.NameEdit->setText("Studio");
    wizard.Next();
    return wizard.result();
  });
  form->NewCommand();
  EXPECT_TRUE(ui.Messages.contains("Cannot create the file"));
  EXPECT_EQ(secondPage, TCreationWizardForms::Name);
  EXPECT_EQ(secondLevels, 7);
  EXPECT_TRUE(QFileInfo::exists("Studio.ZP3"));
  EXPECT_TRUE(ui.Messages.contains("Configuration Database Created"));
}

TEST_F(DesktopTest, TheEmptyWindowSaysHowToBeginAndALeafSaysWhatItIs) {
  EXPECT_FALSE(form->InfoPane()->ShowingList());
  New();
  form->Tree()->setCurrentItem(form->Manager().FindNode("Level 2"));
  const QString facts = form->InfoPane()->FactsText();
  EXPECT_TRUE(facts.contains("Signal: Analogue Video")) << facts.toStdString();
  EXPECT_TRUE(facts.contains("sources x")) << facts.toStdString();
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("UMD 1")),
                           form->Manager().FindNode("RS485-1")));
  form->Tree()->setCurrentItem(form->Manager().FindNode("UMD 1"));
  EXPECT_TRUE(form->InfoPane()->FactsText().contains("On RS485-1 at address 1"));
  form->Tree()->setCurrentItem(form->Manager().FindNode("Storeroom"));
  EXPECT_TRUE(form->InfoPane()->ShowingList());
}

}  // namespace
