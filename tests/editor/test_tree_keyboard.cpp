// The main window's tree and list driven from the keyboard: the current node
// kept in view, devices placed with "Move to" one or several at a time, the
// filter over names and numbers.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "MainformCode.h"
#include "Resource.h"
#include "main_window_fixture.h"

namespace {

struct TreeKeyboardTest : MainWindowFixture {
  void SetUp() override {
    MainWindowFixture::SetUp();
    ASSERT_EQ(std::system((std::string(ZEPHRA_DB_PROGRAM) + " create Studio.ZP3 --format v3 > /dev/null").c_str()), 0);
    ASSERT_TRUE(form->Manager().OpenDatabaseFile(QDir::current().filePath("Studio.ZP3"), {2, 3, 4}));
    form->EnableAfterOpen();
    form->resize(800, 400);
    form->show();
    QApplication::setActiveWindow(form.get());  // the list's focus decides what the menus act on
  }
  QTreeWidgetItem* Node(const QString& text) { return form->Manager().FindNode(text); }
  TMultiDropResource* Device(const QString& text) {
    return dynamic_cast<TMultiDropResource*>(TDatabaseManager::ResourceOf(Node(text)));
  }
  // The "Move to" entries as the menu shows them, "*" marking the enabled.
  QStringList MoveMenu() {
    emit form->MoveToAction->menu()->aboutToShow();
    QStringList out;
    for (QAction* a : form->MoveToAction->menu()->actions()) out << (a->isEnabled() ? "*" : "") + a->text();
    return out;
  }
  void Choose(const QString& entry) {
    for (QAction* a : form->MoveToAction->menu()->actions()) {
      if (a->text().startsWith(entry)) a->trigger();
    }
  }
};

TEST_F(TreeKeyboardTest, TheNodeTheKeyboardChoosesIsScrolledIntoView) {
  QTreeWidget* tree = form->Tree();
  const auto inView = [&] { return tree->viewport()->rect().contains(tree->visualItemRect(tree->currentItem())); };
  tree->setFocus();
  QTest::keyClick(tree, Qt::Key_End);
  EXPECT_EQ(tree->currentItem(), Node("UMD 32"));
  EXPECT_TRUE(inView());
  QTest::keyClick(tree, Qt::Key_Home);
  EXPECT_TRUE(inView());
  for (int i = 0; i < 40; ++i) QTest::keyClick(tree, Qt::Key_Down);
  EXPECT_TRUE(inView());
  // A device moved from the menu is shown where it went.
  tree->setCurrentItem(Node("UMD 30"));
  form->MoveDevices({Device("UMD 30")}, Node("RS485-2"));
  EXPECT_EQ(tree->currentItem(), Node("UMD 30"));
  EXPECT_TRUE(inView());
}

TEST_F(TreeKeyboardTest, MoveToPlacesOneDeviceOrSeveralEachAtTheNextFreeAddress) {
  form->Tree()->setFocus();
  form->Tree()->setCurrentItem(Node("Panel 1"));
  EXPECT_TRUE(form->MoveToAction->isEnabled());
  EXPECT_EQ(MoveMenu(), (QStringList{"*RS485-1\t16 free", "*RS485-2\t16 free", "Storeroom"}));
  Choose("RS485-1");
  EXPECT_EQ(Device("Panel 1")->PortNumber, 0);
  EXPECT_EQ(Device("Panel 1")->DropAddress, 1);
  EXPECT_EQ(form->Tree()->currentItem(), Node("Panel 1"));  // it stays current, in its new place
  EXPECT_EQ(form->statusBar()->currentMessage(), "Panel 1 is on RS485-1 at address 1");
  EXPECT_EQ(MoveMenu(), (QStringList{"RS485-1\t15 free", "*RS485-2\t16 free", "*Storeroom"}));

  // Three devices chosen in the Storeroom's list go together, each to the
  // next free address, as one step.
  form->Tree()->setCurrentItem(Node("Storeroom"));
  QListWidget* list = form->List();
  list->setFocus();
  list->clearSelection();
  for (const char* name : {"Panel 2", "Panel 3", "UMD 1"}) {
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->text() == name) list->item(i)->setSelected(true);
    }
  }
  ASSERT_TRUE(form->MoveToAction->isEnabled());
  EXPECT_EQ(MoveMenu().value(0), "*RS485-1\t15 free");
  Choose("RS485-1");
  EXPECT_EQ(Device("Panel 2")->DropAddress, 2);
  EXPECT_EQ(Device("Panel 3")->DropAddress, 3);
  EXPECT_EQ(Device("UMD 1")->DropAddress, 4);
  uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetUMDPort(0, &port, &address, H()), DBS_OK);
  EXPECT_EQ(port, 0);
  EXPECT_EQ(address, 4);
  EXPECT_EQ(Children("RS485-1"), (QStringList{"Panel 1", "Panel 2", "Panel 3", "UMD 1"}));
  EXPECT_EQ(form->statusBar()->currentMessage(),
            "3 devices are on RS485-1: Panel 2 at address 2, Panel 3 at address 3, UMD 1 at address 4");
  EXPECT_EQ(form->UndoAction->text(), "&Undo Move 3 devices to RS485-1");
  form->UndoCommand();
  EXPECT_EQ(Children("RS485-1"), (QStringList{"Panel 1"}));

  // A port that is not multi-drop takes none.
  TGeneralPortRecord general{};
  ASSERT_EQ(dbs_GetGeneralPort(2, &general, H()), DBS_OK);
  general.protocol = 2;
  ASSERT_EQ(dbs_SetGeneralPort(2, &general, H()), DBS_OK);
  form->Tree()->setFocus();
  form->Tree()->setCurrentItem(Node("Panel 5"));
  EXPECT_EQ(MoveMenu(), (QStringList{"*RS485-1\t15 free", "RS485-2\t16 free", "Storeroom"}));
  EXPECT_FALSE(form->MoveDevices({Device("Panel 5")}, Node("RS485-2")));
}

TEST_F(TreeKeyboardTest, TheFilterMatchesNumbersAndEscapeClearsIt) {
  ASSERT_TRUE(form->DropOn(Device("Panel 2"), Node("RS485-1")));
  form->TreeFilter->setFocus();
  QTest::keyClicks(form->TreeFilter, "no. 17");
  EXPECT_FALSE(Node("Panel 17")->isHidden());
  EXPECT_FALSE(Node("UMD 17")->isHidden());
  EXPECT_TRUE(Node("Panel 16")->isHidden());
  form->TreeFilter->clear();
  QTest::keyClicks(form->TreeFilter, "address 1");
  EXPECT_FALSE(Node("Panel 2")->isHidden());  // placed at address 1
  EXPECT_TRUE(Node("Panel 3")->isHidden());
  QTest::keyClick(form->TreeFilter, Qt::Key_Escape);
  EXPECT_TRUE(form->TreeFilter->text().isEmpty());
  EXPECT_FALSE(Node("Panel 3")->isHidden());
}

}  // namespace
