// The panel / keypad assignment window, and the tables behind it.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "device_fixture.h"
#include "forms/KeypadAssignment.h"
#include "model/PanelTypes.h"

namespace {

using namespace zephra::editor;
using zephra::test::DeviceTest;
using zephra::test::Str;

TEST(PanelTables, KeypadsAreShownByTheirNumberInTheirGroup) {
  const std::pair<int, int> shown[] = {{0, 1},  {31, 32}, {32, 1},  {40, 9},  {63, 32},
                                       {64, 1}, {70, 7},  {71, 8},  {72, 1},  {79, 8}, {80, 80}};
  for (auto [keypad, number] : shown) EXPECT_EQ(KeypadDisplayNumber(keypad), number) << keypad;
}

TEST(PanelTables, LayoutClassesDecideWhoMayShare) {
  EXPECT_EQ(SourceLayoutClass(1, false), SourceLayoutClass(2, false));
  EXPECT_NE(DestLayoutClass(1, false), DestLayoutClass(2, false));  // 99 and 1
  EXPECT_EQ(SourceLayoutClass(3, true), 3);
  EXPECT_EQ(SourceLayoutClass(3, false), 2);
  EXPECT_EQ(DestLayoutClass(24, true), 99);
  EXPECT_EQ(SourceLayoutClass(26, true), 13);
  EXPECT_EQ(DestLayoutClass(46, false), 4);
  EXPECT_EQ(SourceLayoutClass(0, false), 0);
  EXPECT_EQ(DestLayoutClass(47, true), 0);
}

TEST(PanelTables, TheKeyFunctionMenuFollowsTheType) {
  const auto texts = [](int type) {
    std::vector<std::string> out;
    for (const TKeyFunction& f : KeyFunctionMenu(type)) out.push_back(f.text);
    return out;
  };
  EXPECT_EQ(texts(7), (std::vector<std::string>{"Remove", "Blank Key", "Normal", "Next", "Previous", "Clear"}));
  EXPECT_EQ(texts(1), (std::vector<std::string>{"Remove", "Blank Key", "Normal", "Source", "Protect", "Alt. Lev."}));
  const auto bus = texts(24);
  ASSERT_GE(bus.size(), 2u);
  EXPECT_EQ(bus[bus.size() - 2], "Alt. Dest.");
  EXPECT_EQ(bus.back(), "Clear");
  EXPECT_EQ(texts(4).size(), bus.size() - 1);
  EXPECT_TRUE(KeyFunctionMenu(30).empty());
}

struct AssignmentTest : DeviceTest {
  std::unique_ptr<TKeypadAssignmentForm> window;
  TKeypadAssignmentForm& Window(TKeypadAssignmentForm::Mode mode, int panel) {
    window = std::make_unique<TKeypadAssignmentForm>(form->Manager().CommonInterface, form.get());
    window->Setup(mode, panel);
    return *window;
  }
  int RowOf(const QString& panel) {
    for (int r = 0; r < window->DataGrid->rowCount(); ++r) {
      if (window->DataGrid->item(r, 0)->text() == panel) return r;
    }
    return -1;
  }
  QString KeyName(int keypad, int key) {
    Str name(u"        "), alt(u"        ");
    TKeyRecord r{};
    r.name = name;
    r.altName = alt;
    EXPECT_EQ(dbs_GetKey(static_cast<uint16_t>(keypad), static_cast<uint16_t>(key), &r, H()), DBS_OK);
    return QString::fromStdU16String(name.Text());
  }
  void TearDown() override {
    window.reset();
    DeviceTest::TearDown();
  }
};

TEST_F(AssignmentTest, TheOverviewListsEveryPanelWithItsKeypadNumbers) {
  ASSERT_EQ(dbs_SetPanelKeypad(5, 1, 70, H()), DBS_OK);
  ASSERT_EQ(dbs_SetPanelKeypad(5, 0, 40, H()), DBS_OK);
  auto& w = Window(TKeypadAssignmentForm::Mode::Overview, -1);
  EXPECT_EQ(w.windowTitle(), "Panel / Keypad Assignment");
  ASSERT_EQ(w.DataGrid->rowCount(), 32);
  EXPECT_EQ(w.DataGrid->horizontalHeaderItem(2)->text(), "Destination");
  const int row = RowOf("Panel 6");
  EXPECT_EQ(w.DataGrid->item(row, 1)->text(), "7");
  EXPECT_EQ(w.DataGrid->item(row, 2)->text(), "9");
  EXPECT_EQ(w.DataGrid->item(0, 1)->text(), "1");
  EXPECT_TRUE(w.pnlPanel->isHidden());
  EXPECT_TRUE(w.UseKeypadsButton->isHidden());
}

TEST_F(AssignmentTest, OnePanelSeesOnlyPanelsLaidOutLikeIt) {
  ASSERT_EQ(dbs_SetPanelType(1, 2, H()), DBS_OK);  // type 2 has destination keys: class 1, not 99
  ASSERT_EQ(dbs_SetPanelName(0, Str(u"Desk's"), H()), DBS_OK);
  auto& w = Window(TKeypadAssignmentForm::Mode::Panel, 0);
  EXPECT_EQ(w.DataGrid->rowCount(), 31);
  EXPECT_EQ(RowOf("Panel 2"), -1);
  EXPECT_GE(RowOf("Panel 3"), 0);
  EXPECT_EQ(w.DataGrid->currentRow(), 0);  // its own row
  EXPECT_EQ(w.pnlPanel->text(), "Desk's");
  EXPECT_EQ(w.lblUse->text(), "Assign selected keypads to 'Desk''s'");
  EXPECT_EQ(w.lblCopy->text(), "Copy selected keypads onto 'Desk''s' keypads");
  EXPECT_FALSE(w.UseKeypadsButton->isEnabled());
}

TEST_F(AssignmentTest, UseKeypadsGivesThePanelAnothersKeypads) {
  auto& w = Window(TKeypadAssignmentForm::Mode::Panel, 0);
  const int row = RowOf("Panel 3");
  w.CellClicked(row, 1);
  EXPECT_TRUE(w.UseKeypadsButton->isEnabled());
  w.CellClicked(row, 2);
  EXPECT_EQ(w.pnlSource->text(), "3");
  EXPECT_EQ(w.pnlDest->text(), "3");
  w.UseKeypadsButton->click();
  EXPECT_FALSE(w.UseKeypadsButton->isEnabled());
  const TPanelRecord r = ReadPanel(0);
  EXPECT_EQ(r.sourceKeypad, 2);
  EXPECT_EQ(r.destKeypad, 34);
  EXPECT_EQ(w.ChosenSourceKeypad(), 2);
  EXPECT_EQ(w.ChosenDestKeypad(), 34);
  EXPECT_EQ(KeypadFlags(0) & 1, 0);  // nobody uses panel 1's old keypads now
  EXPECT_EQ(w.DataGrid->item(0, 1)->text(), "3");
}

// A keypad number of 100 or more (no keypad was free when it was given) is
// shown as it is, and can be clicked and chosen like any other.
TEST_F(AssignmentTest, AKeypadNumberOfAHundredOrMoreIsShownAndCanBeChosen) {
  Str name(u"Panel 3");
  TPanelRecord r = ReadPanel(2);
  r.name = name;
  r.sourceKeypad = 150;  // as a record may hold it
  ASSERT_EQ(dbs_SetPanelRecord(2, &r, H()), DBS_OK);
  auto& w = Window(TKeypadAssignmentForm::Mode::Panel, 0);
  w.show();
  const int row = RowOf("Panel 3");
  ASSERT_GE(row, 0);
  EXPECT_EQ(w.DataGrid->item(row, 1)->text(), "150");
  QTableWidget* grid = w.DataGrid;
  grid->scrollToItem(grid->item(row, 1));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(row, 1)).center());
  EXPECT_EQ(w.pnlSource->text(), "150");
  ASSERT_TRUE(w.UseKeypadsButton->isEnabled());
  w.UseKeypadsButton->click();
  EXPECT_EQ(ReadPanel(0).sourceKeypad, 150);
  EXPECT_EQ(w.ChosenSourceKeypad(), 150);
}

TEST_F(AssignmentTest, CopyKeypadsCopiesTheKeysOntoThePanelsOwn) {
  Str name(u"        "), alt(u"        ");
  TKeyRecord key{};
  key.name = name;
  key.altName = alt;
  ASSERT_EQ(dbs_GetKey(3, 0, &key, H()), DBS_OK);
  Str renamed(u"Cam 1");
  key.name = renamed;
  ASSERT_EQ(dbs_SetKey(3, 0, &key, H()), DBS_OK);
  auto& w = Window(TKeypadAssignmentForm::Mode::Panel, 0);
  const int row = RowOf("Panel 4");
  w.CellClicked(row, 1);
  w.CellClicked(row, 2);
  w.CopyKeypadsButton->click();
  for (int k = 0; k < 64; ++k) ASSERT_EQ(KeyName(0, k), KeyName(3, k)) << k;
  EXPECT_TRUE(KeyName(0, 0).startsWith("Cam 1"));
  const TPanelRecord r = ReadPanel(0);
  EXPECT_EQ(r.sourceKeypad, 0);  // the panel keeps its own keypads
  EXPECT_EQ(r.destKeypad, 32);
  EXPECT_EQ(w.ChosenSourceKeypad(), 0);
}

TEST_F(AssignmentTest, DialUpPanelsTakeBothKeypadsOfARowAtOnce) {
  for (uint16_t p : {uint16_t{0}, uint16_t{1}}) {
    ASSERT_EQ(dbs_SetPanelType(p, 3, H()), DBS_OK);
    ASSERT_EQ(dbs_SetPanelKeypad(p, 1, static_cast<uint16_t>(64 + p), H()), DBS_OK);
    ASSERT_EQ(dbs_SetPanelKeypad(p, 0, static_cast<uint16_t>(72 + p), H()), DBS_OK);
  }
  auto& w = Window(TKeypadAssignmentForm::Mode::Panel, 0);
  ASSERT_EQ(w.DataGrid->rowCount(), 2);
  w.CellClicked(1, 0);
  EXPECT_EQ(w.pnlSource->text(), "2");
  EXPECT_EQ(w.pnlDest->text(), "2");
  const QModelIndexList selected = w.DataGrid->selectionModel()->selectedIndexes();
  EXPECT_EQ(selected.size(), 2);
  w.UseKeypadsButton->click();
  const TPanelRecord r = ReadPanel(0);
  EXPECT_EQ(r.sourceKeypad, 65);
  EXPECT_EQ(r.destKeypad, 73);
}

TEST_F(AssignmentTest, TheTreesPopupOpensOneOverviewThatClosesWithTheDatabase) {
  form->show();
  form->Tree()->setCurrentItem(form->Manager().FindNode("Storeroom"));
  ASSERT_TRUE(form->KeypadAssignmentsAction->isEnabled());
  form->KeypadAssignmentsAction->trigger();
  form->KeypadAssignmentsAction->trigger();
  QList<TKeypadAssignmentForm*> open;
  for (auto* w : form->findChildren<TKeypadAssignmentForm*>()) {
    if (w->isVisible()) open << w;
  }
  ASSERT_EQ(open.size(), 1);
  EXPECT_EQ(open[0]->CurrentMode(), TKeypadAssignmentForm::Mode::Overview);
  EXPECT_EQ(open[0]->DataGrid->rowCount(), 32);
  QPointer<TKeypadAssignmentForm> overview = open[0];
  form->Tree()->setCurrentItem(form->Manager().FindNode("Zephra Configuration"));
  EXPECT_FALSE(form->KeypadAssignmentsAction->isEnabled());
  Reopen();
  EXPECT_TRUE(!overview || !overview->isVisible());
}

}  // namespace
