// The "Controller Data" window's association grids and trigger positions, on
// real files through the real library.
#include <QButtonGroup>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "forms/SalvoPage.h"
#include "grid_fixture.h"

namespace zephra::test {
namespace {

// Four levels of 32, 16, 32 and 4 sources and destinations; 64 associations.
void Sizes(TConfigurationRecord& c) {
  const uint16_t sizes[] = {32, 16, 32, 4};
  for (int l = 0; l < 4; ++l) c.sourceCount[0][l] = c.destCount[0][l] = sizes[l];
  c.sourceAssocCount[0] = c.destAssocCount[0] = 64;
}

TSourceAssociationRecord SourceAssn(DbsHandle h, int a) {
  TSourceAssociationRecord r{};
  EXPECT_EQ(dbs_GetSourceAssn(0, static_cast<uint16_t>(a), &r, h), DBS_OK);
  return r;
}

TDestinationAssociationRecord DestAssn(DbsHandle h, int a) {
  TDestinationAssociationRecord r{};
  EXPECT_EQ(dbs_GetDestAssn(0, static_cast<uint16_t>(a), &r, h), DBS_OK);
  return r;
}

using ControllerFormTest = GridTest;

constexpr TSourceIndexRecord kSource3 = {0, 0, 2};  // level 1, source 3

TEST_F(ControllerFormTest, TheFirstLevelsOwnMembersCannotBeTypedOrPastedOnto) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  EXPECT_EQ(sources->Model().Columns(), 4);
  EXPECT_EQ(sources->Model().Text(4, 0), "m1s5");
  sources->SelectCell(4, 0);
  QTest::keyClick(sources, 'x');
  EXPECT_FALSE(sources->Editing());
  EXPECT_EQ(sources->Model().Text(4, 0), "m1s5");
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  // Row 33 lies beyond the first level's 32 sources: it can be typed into.
  Type(sources, 32, 0, "m1s9");
  EXPECT_EQ(form->SourceCell(32, 0).Number, 8);
  // A block whose first column covers a locked cell is refused as a whole.
  const QStringList before = Cells(sources);
  Paste(sources, 30, 0, "m1s1\tm1s1\r\nm1s2\tm1s2\r\nm1s3\tm1s3\r\n");
  EXPECT_EQ(ui.Messages.last(), "Unable to paste onto cells which cannot be modified");
  EXPECT_EQ(Cells(sources), before);
  // In the destination grid the first level's column is the locked one.
  TStringGrid* dests = form->DestAssocsStringGrid;
  EXPECT_EQ(dests->Model().Columns(), 5);
  dests->SelectCell(3, 1);
  QTest::keyClick(dests, '9');
  EXPECT_EQ(dests->Model().Text(3, 1), "4");
}

TEST_F(ControllerFormTest, OneToOneFillsEveryLaterLevelThatHasTheMember) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  form->SourcesDisplayRadioGroup->button(1)->click();
  form->OneToOneCheck->setChecked(true);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  Type(sources, 39, 0, "5");  // level 1 of association 40, which has no members
  EXPECT_EQ(sources->Model().Text(39, 0), "5");
  EXPECT_EQ(sources->Model().Text(39, 1), "5");
  EXPECT_EQ(sources->Model().Text(39, 2), "5");
  EXPECT_EQ(sources->Model().Text(39, 3), QString(8, ' '));  // 4 sources only
  EXPECT_EQ(form->SourceCell(39, 2).Number, 4);
  EXPECT_EQ(form->SourceCell(39, 3).Number, -1);
  form->OneToOneDests->setChecked(true);
  Type(form->DestAssocsStringGrid, 39, 1, "5");
  EXPECT_EQ(form->DestAssocsStringGrid->Model().Text(39, 3), "5");
  EXPECT_EQ(form->DestAssocsStringGrid->Model().Text(39, 4), "");
  form->OkButton()->click();
  const TSourceAssociationRecord s = SourceAssn(H(), 39);
  EXPECT_EQ(s.members[0].number, 4);
  EXPECT_EQ(s.members[2].number, 4);
  EXPECT_EQ(s.members[3].number, -1);
  EXPECT_EQ(s.members[3].level, 3);  // an empty member is sent as (0, level, -1)
  const TDestinationAssociationRecord d = DestAssn(H(), 39);
  EXPECT_EQ(d.members[1].number, 4);
  EXPECT_EQ(d.members[3].number, -1);
}

TEST_F(ControllerFormTest, NumbersDisplayShowsMembersFromOneAndBlanksForNone) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  EXPECT_EQ(sources->Model().Text(20, 1), QString(8, ' '));  // level 2 has 16 sources
  form->SourcesDisplayRadioGroup->button(1)->click();
  EXPECT_EQ(sources->Model().Text(7, 0), "8");
  EXPECT_EQ(sources->Model().Text(20, 1), QString(8, ' '));
  // A number beyond the level and a text that is no number are refused.
  Type(sources, 40, 1, "17");
  EXPECT_EQ(ui.Messages.last(), "This value is to great");
  sources->ForgetEdit();
  Type(sources, 40, 1, "x");
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  sources->ForgetEdit();
  form->SourcesDisplayRadioGroup->button(0)->click();
  EXPECT_EQ(sources->Model().Text(7, 0), "m1s8");
  EXPECT_EQ(sources->Model().Text(40, 1), QString(8, ' '));
}

TEST_F(ControllerFormTest, APasteThatFailsAnyCellChangesNothing) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  const QStringList before = Cells(sources);
  Paste(sources, 40, 1, "m1s3\tm1s3\r\nm1s4\tnobody\r\n");
  EXPECT_EQ(ui.Messages.last(), "Invalid source name");
  EXPECT_EQ(Cells(sources), before);
  form->SourcesDisplayRadioGroup->button(1)->click();
  const QStringList numbers = Cells(sources);
  Paste(sources, 40, 1, "3\t3\r\nabc\t4\r\n");
  EXPECT_EQ(ui.Messages.last(), "'abc' is not a valid integer value");
  Paste(sources, 40, 1, "3\t3\r\n4\t33\r\n");
  EXPECT_EQ(ui.Messages.last(), "This value is to great");
  EXPECT_EQ(Cells(sources), numbers);
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  // A destination number of 0 fails the whole block too.
  TStringGrid* dests = form->DestAssocsStringGrid;
  const QStringList destsBefore = Cells(dests);
  Paste(dests, 40, 0, "NEW\t1\t0\r\n");
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  EXPECT_EQ(Cells(dests), destsBefore);
}

TEST_F(ControllerFormTest, ACopyPastedBackThroughASpreadsheetGivesTheSameGrid) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  sources->SelectBlock(2, 1, 5, 3);
  QTest::keyClick(sources, Qt::Key_C, Qt::ControlModifier);
  const QString copied = QApplication::clipboard()->text();
  EXPECT_EQ(copied.count("\r\n"), 4);
  EXPECT_EQ(copied.section("\r\n", 0, 0), "m1s3\tm1s3\tm1s3");
  EXPECT_TRUE(form->SrcPaste->isEnabled());
  // The spreadsheet gives the rows back with LF and no end after the last.
  QString sheet = copied;
  sheet.replace("\r\n", "\n").chop(1);
  Paste(sources, 40, 1, sheet);
  for (int r = 0; r < 4; ++r) {
    for (int c = 1; c < 4; ++c) EXPECT_EQ(sources->Model().Text(40 + r, c), sources->Model().Text(2 + r, c));
  }
  EXPECT_EQ(form->SourceCell(41, 2).Number, 3);
  sources->SelectBlock(40, 1, 43, 3);
  sources->Copy();
  EXPECT_EQ(QApplication::clipboard()->text(), copied);
}

TEST_F(ControllerFormTest, ApplyWritesTheAssociationsNamesAndTriggerLines) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  Type(form->SourceAssocsStringGrid, 40, 1, "m1s7");
  Type(form->SourceAssocsStringGrid, 3, 2, " ");  // emptied
  TStringGrid* dests = form->DestAssocsStringGrid;
  Type(dests, 2, 0, "OUTPUT1234");  // ten characters: the first eight are kept
  EXPECT_EQ(dests->Model().Text(2, 0), "OUTPUT12");
  dests->SelectCell(4, 0);
  QTest::keyClick(dests, Qt::Key_F2);
  Editor(dests)->setText(QString("BAD") + QChar(0xE9));
  Enter(dests);
  EXPECT_EQ(ui.Messages.last(), "You have entered an invalid value");
  dests->ForgetEdit();
  dests->Model().SetText(4, 0, "m1d5");
  Type(dests, 40, 2, "16");
  form->RG525Trig->button(1)->click();
  form->RG625Trig->button(0)->click();
  form->RGHDTrig->button(0)->click();
  ASSERT_TRUE(form->ApplyButton()->isEnabled());
  form->ApplyButton()->click();
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  EXPECT_EQ(SourceAssn(H(), 40).members[1].number, 6);
  EXPECT_EQ(SourceAssn(H(), 3).members[2].number, -1);
  EXPECT_EQ(SourceAssn(H(), 3).members[1].number, 3);
  EXPECT_EQ(DestAssn(H(), 40).members[1].number, 15);
  TLibString name(QString(8, ' '));
  ASSERT_EQ(dbs_GetDestName(0, 2, name, H()), DBS_OK);
  EXPECT_EQ(name.Text(), "OUTPUT12");
  uint8_t lines[4] = {};
  ASSERT_EQ(dbs_GetTrigLines(lines, H()), DBS_OK);
  EXPECT_EQ(std::vector<int>(lines, lines + 4), (std::vector<int>{138, 6, 0, 6}));
}

// A destination name the user empties is stored blank, as the grid and the
// salvo page's list then show it; a name that was blank already is left as
// it is stored.
TEST_F(ControllerFormTest, AnEmptiedDestinationNameIsStoredBlank) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* dests = form->DestAssocsStringGrid;
  ASSERT_EQ(dests->Model().Text(2, 0), "m1d3");
  dests->SelectCell(2, 0);
  QTest::keyClick(dests, Qt::Key_Delete);
  Enter(dests);
  EXPECT_EQ(dests->Model().Text(2, 0), "");
  Type(dests, 3, 0, "OUT 4");
  form->ApplyButton()->click();
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  TLibString name(QString(8, ' '));
  ASSERT_EQ(dbs_GetDestName(0, 2, name, H()), DBS_OK);
  EXPECT_EQ(name.Text().trimmed(), "");
  ASSERT_EQ(dbs_GetDestName(0, 3, name, H()), DBS_OK);
  EXPECT_EQ(name.Text(), "OUT 4");
  EXPECT_EQ(form->Macros->DestinationList->item(2)->text().trimmed(), "");
  const QString shown = form->Macros->DestinationList->item(2)->text();
  // Opened again, the form shows what it showed.
  form->CancelButton()->click();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  form = Controller();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->DestAssocsStringGrid->Model().Text(2, 0).trimmed(), "");
  EXPECT_EQ(form->Macros->DestinationList->item(2)->text(), shown);
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
}

// Two grids each left with a cell that does not pass (the focus went to
// another window meanwhile): the one the focus comes back to keeps it, and the
// other does not take it back in turn, over and over.
TEST_F(ControllerFormTest, TwoGridsWithCellsThatDoNotPassDoNotFightForTheFocus) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  Activate(form);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  TStringGrid* dests = form->DestAssocsStringGrid;
  Type(sources, 6, 1, "nothing");
  ASSERT_TRUE(sources->HasUncheckedEdit());
  form->OkButton()->setFocus(Qt::ActiveWindowFocusReason);  // as another window taking it
  form->Pages()->setCurrentIndex(1);
  dests->setFocus(Qt::MouseFocusReason);
  Type(dests, 3, 2, "abc");
  ASSERT_TRUE(dests->HasUncheckedEdit());
  form->ApplyButton()->click();
  QApplication::processEvents();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->ApplyButton()->isEnabled());  // nothing stored
  EXPECT_EQ(SourceAssn(H(), 6).members[1].number, 6);
}

// A change made outside the open window (an import, another form) shows
// wherever the user changed nothing, and Apply does not write it back over.
TEST_F(ControllerFormTest, AChangeMadeOutsideTheWindowShowsAndIsKeptByApply) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* dests = form->DestAssocsStringGrid;
  TStringGrid* sources = form->SourceAssocsStringGrid;
  Type(dests, 0, 0, "MON 1");
  Type(sources, 6, 1, "m1s9");
  ASSERT_TRUE(form->ApplyButton()->isEnabled());

  TSourceAssociationRecord moved = SourceAssn(H(), 4);
  moved.members[1].number = 11;
  ASSERT_TRUE(RunStep(Ci(), "Import", [&] {
    return dbs_SetDestName(0, 1, TLibString("VTR 2"), H()) == DBS_OK &&
           dbs_SetDestName(0, 0, TLibString("CAM 1"), H()) == DBS_OK &&
           dbs_SetSourceAssn(0, 4, &moved, H()) == DBS_OK &&
           dbs_SetSourceName(&kSource3, TLibString("PGM 3"), H()) == DBS_OK;
  }));
  EXPECT_EQ(dests->Model().Text(1, 0), "VTR 2");
  EXPECT_EQ(dests->Model().Text(0, 0), "MON 1");  // the user's own
  EXPECT_EQ(form->Macros->DestinationList->item(1)->text(), "VTR 2");
  EXPECT_EQ(form->SourceCell(4, 1).Number, 11);
  EXPECT_EQ(sources->Model().Text(4, 1), "m1s12");
  EXPECT_EQ(sources->Model().Text(2, 0), "PGM 3");  // a name shown follows its source
  EXPECT_EQ(form->SourceCell(6, 1).Number, 8);      // the user's own

  form->ApplyButton()->click();
  EXPECT_EQ(SourceAssn(H(), 4).members[1].number, 11);
  EXPECT_EQ(SourceAssn(H(), 6).members[1].number, 8);
  TLibString name(QString(8, ' '));
  ASSERT_EQ(dbs_GetDestName(0, 1, name, H()), DBS_OK);
  EXPECT_EQ(name.Text(), "VTR 2");
  ASSERT_EQ(dbs_GetDestName(0, 0, name, H()), DBS_OK);
  EXPECT_EQ(name.Text(), "MON 1");
}

TEST_F(ControllerFormTest, ARowWhoseAssociationCouldNotBeReadIsNotWritten) {
  Open(Sizes);
  static auto real = Library().GetDestAssn;
  Library().GetDestAssn = [](uint16_t m, uint16_t a, TDestinationAssociationRecord* r, DbsHandle h) -> DbsStatus {
    return a == 5 ? DbsStatus{DBS_ERR_INVALID_ARGUMENT} : real(m, a, r, h);
  };
  TKorvellForm* form = Controller();
  Library().GetDestAssn = real;
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(ui.Messages.count("Invalid data in DLL function call"), 1);
  EXPECT_EQ(form->DestAssocsStringGrid->Model().Text(5, 0), "");
  EXPECT_EQ(form->DestAssocsStringGrid->Model().RowHeader(5), "");
  EXPECT_EQ(form->Macros->DestinationList->count(), 63);
  form->OneToOneDests->click();
  form->OkButton()->click();
  const TDestinationAssociationRecord kept = DestAssn(H(), 5);
  EXPECT_EQ(kept.members[0].number, 5);
  EXPECT_EQ(kept.members[2].number, 5);
}

TEST_F(ControllerFormTest, MovingThroughCellsKeepsMembersWhoseNamesAreShared) {
  Open(Sizes);
  // Sources 3 and 9 of level 3 have the same name; association 9 holds source 9.
  TLibString twin(QString("m1s4").leftJustified(8, QChar(0)));
  const TSourceIndexRecord index = {0, 2, 8};
  ASSERT_EQ(dbs_SetSourceName(&index, twin, H()), DBS_OK);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  EXPECT_EQ(sources->Model().Text(8, 2), "m1s4");
  sources->SelectCell(8, 2);
  QTest::keyClick(sources, Qt::Key_F2);
  Enter(sources);
  QTest::keyClick(sources, Qt::Key_Down);
  QTest::keyClick(sources, Qt::Key_Up);
  form->OneToOneCheck->click();  // anything to apply
  form->OkButton()->click();
  EXPECT_EQ(SourceAssn(H(), 8).members[2].number, 8);
}

TEST_F(ControllerFormTest, AMemberTypedAndLeftByAnyKeyClickOrFocusIsCheckedAndTaken) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  Activate(form);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  // Level 3's member of associations 40 to 47, each given another source and
  // left a different way, the cell editor still open.
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    int row;
  } leaving[] = {{Qt::Key_Down, {}, 40},   {Qt::Key_Up, {}, 41},  {Qt::Key_PageDown, {}, 42},
                 {Qt::Key_PageUp, {}, 43}, {Qt::Key_Tab, {}, 44}, {Qt::Key_Backtab, {}, 45},
                 {Qt::Key_Down, {}, 46},   {Qt::Key_Down, {}, 47}};
  for (const auto& l : leaving) {
    Retype(sources, l.row, 2, QString("m1s%1").arg(l.row - 30));
    Press(sources, l.key, l.modifiers);
    EXPECT_FALSE(sources->Editing());
    EXPECT_NE(sources->currentIndex(), sources->Model().index(l.row, 2)) << l.row;
    EXPECT_EQ(form->SourceCell(l.row, 2).Number, l.row - 31) << l.row;
  }
  // Typed from the first character: the whole name is checked, not the first.
  sources->SelectCell(48, 2);
  QTest::keyClick(sources, 'm');
  QTest::keyClicks(Editor(sources), "1s20");
  Press(sources, Qt::Key_Down);
  EXPECT_EQ(sources->currentIndex().row(), 49);
  EXPECT_EQ(form->SourceCell(48, 2).Number, 19);
  // A click on another cell, and the focus going to another control.
  Retype(sources, 50, 2, "m1s21");
  Click(sources, 52, 3);
  EXPECT_EQ(sources->currentIndex().row(), 52);
  EXPECT_EQ(form->SourceCell(50, 2).Number, 20);
  Retype(sources, 51, 2, "m1s22");
  form->OneToOneCheck->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(form->SourceCell(51, 2).Number, 21);
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  // Another source's name is refused on leaving, and the user stays.
  Retype(sources, 53, 2, "nobody");
  Press(sources, Qt::Key_Down);
  EXPECT_EQ(LastMessage(), "Invalid source name");
  EXPECT_EQ(sources->currentIndex().row(), 53);
  EXPECT_FALSE(sources->Editing());
  // With the editor closed, no key that moves leaves the cell, and the
  // focus stays in the grid.
  sources->setFocus();
  const auto refused = ui.Messages.size();
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
  } moving[] = {{Qt::Key_Home, {}},    {Qt::Key_End, {}},     {Qt::Key_Down, Qt::ControlModifier},
                {Qt::Key_Home, Qt::ControlModifier},          {Qt::Key_End, Qt::ControlModifier},
                {Qt::Key_Tab, {}},     {Qt::Key_Backtab, {}}, {Qt::Key_Down, Qt::ShiftModifier}};
  for (const auto& m : moving) {
    Press(sources, m.key, m.modifiers);
    EXPECT_EQ(sources->currentIndex(), sources->Model().index(53, 2)) << m.key;
    EXPECT_TRUE(sources->hasFocus()) << m.key;
  }
  // Nor a click on another cell, nor the focus going to another control.
  Click(sources, 55, 2);
  EXPECT_EQ(sources->currentIndex(), sources->Model().index(53, 2));
  form->OneToOneCheck->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(sources->hasFocus());
  EXPECT_EQ(ui.Messages.size(), refused + std::size(moving) + 2);
  EXPECT_EQ(LastMessage(), "Invalid source name");
  Retype(sources, 53, 2, "m1s24");
  Press(sources, Qt::Key_Up);
  form->OkButton()->click();
  for (int row = 40; row <= 53; ++row) {
    if (row == 49 || row == 52) continue;
    const int expected = row <= 47 ? row - 31 : row == 48 ? 19 : row - 30;
    EXPECT_EQ(SourceAssn(H(), row).members[2].number, expected) << row;
  }
}

TEST_F(ControllerFormTest, EscapeGivesACellTypedOverItsTextBackAndLeavesNothingToCheck) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* sources = form->SourceAssocsStringGrid;
  sources->SelectCell(40, 1);
  QTest::keyClick(sources, 'x');  // the first character replaces the text
  ASSERT_TRUE(sources->Editing());
  EXPECT_EQ(sources->Model().Text(40, 1), "x");
  QTest::keyClicks(Editor(sources), "yz");
  Press(sources, Qt::Key_Escape);
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(sources->Editing());
  EXPECT_EQ(sources->Model().Text(40, 1), QString(8, ' '));
  EXPECT_FALSE(sources->HasUncheckedEdit());
  Press(sources, Qt::Key_Down);
  EXPECT_EQ(sources->currentIndex().row(), 41);
  EXPECT_TRUE(ui.Messages.isEmpty());
}

TEST_F(ControllerFormTest, ADestinationMemberIsCheckedWhenLeftAndANameIsCutToEight) {
  Open(Sizes);
  TKorvellForm* form = Controller();
  ASSERT_NE(form, nullptr);
  TStringGrid* dests = form->DestAssocsStringGrid;
  const int before = DestAssn(H(), 40).members[1].number;
  // Level 2 has 16 destinations.
  Retype(dests, 40, 2, "999");
  Press(dests, Qt::Key_Down);
  EXPECT_EQ(LastMessage(), "This value is to great");
  EXPECT_EQ(dests->currentIndex().row(), 40);
  EXPECT_FALSE(dests->Editing());
  form->ApplyButton()->click();  // refused: the cell is not right yet
  EXPECT_EQ(DestAssn(H(), 40).members[1].number, before);
  Retype(dests, 40, 2, "abc");
  Press(dests, Qt::Key_Up);
  EXPECT_EQ(LastMessage(), "You have entered an invalid value");
  EXPECT_EQ(ui.Messages.size(), 3) << ui.Messages.join('|').toStdString();  // Down, Apply, Up
  EXPECT_EQ(dests->currentIndex().row(), 40);
  Retype(dests, 40, 2, "7");
  Press(dests, Qt::Key_PageDown);
  EXPECT_GT(dests->currentIndex().row(), 40);
  Retype(dests, 41, 0, "OUTPUT1234");
  Press(dests, Qt::Key_Tab);
  EXPECT_EQ(dests->Model().Text(41, 0), "OUTPUT12");
  EXPECT_EQ(dests->currentIndex(), dests->Model().index(41, 1));
  form->ApplyButton()->click();
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  EXPECT_EQ(DestAssn(H(), 40).members[1].number, 6);
  TLibString name(QString(8, ' '));
  ASSERT_EQ(dbs_GetDestName(0, 41, name, H()), DBS_OK);
  EXPECT_EQ(name.Text(), "OUTPUT12");
}

TEST_F(ControllerFormTest, ADatabaseWithoutSalvosOrWithOneLevelShapesTheWindow) {
  Open([](TConfigurationRecord& c) {
    c.levelCount[0] = 1;
    c.salvoCount = 0;
  });
  TKorvellForm* form = Controller("Trigger Positions");
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->Pages()->isTabVisible(2));
  EXPECT_EQ(form->Pages()->currentWidget(), form->TabSheet1);
  EXPECT_EQ(form->SourceAssocsStringGrid->Model().Columns(), 1);
  EXPECT_EQ(form->SourceAssocsStringGrid->currentIndex().row(), 767);
  EXPECT_EQ(form->DestAssocsStringGrid->currentIndex().column(), 0);
}

}  // namespace
}  // namespace zephra::test
