// The clipboard text of the grids, the inhibit table and the level
// editor's value lists, without windows.
#include <gtest/gtest.h>

#include "model/GridText.h"
#include "model/InhibitTable.h"
#include "model/LevelParameters.h"

namespace zephra::editor {
namespace {

CellBlock Block(std::initializer_list<std::initializer_list<const char16_t*>> rows) {
  CellBlock out;
  for (const auto& row : rows) {
    std::vector<std::u16string> cells;
    for (const char16_t* c : row) cells.emplace_back(c);
    out.push_back(cells);
  }
  return out;
}

TEST(GridText, CopyEndsEveryRowAndItsShapeReadsBack) {
  const CellBlock block = Block({{u"m1s1", u"7"}, {u"", u"PARK    "}});
  const std::u16string text = BlockToText(block);
  EXPECT_EQ(text, u"m1s1\t7\r\n\tPARK    \r\n");
  const TextShape shape = ShapeOf(text);
  EXPECT_EQ(shape.columns, 2);
  EXPECT_EQ(shape.rows, 2);  // the last line end adds no row
  // A cell of spaces only reads as empty; other spaces stay.
  EXPECT_EQ(ReadBlock(text, 2, 2), block);
  EXPECT_EQ(ReadBlock(u" a b\t  \r\n", 2, 1), Block({{u" a b", u""}}));
}

TEST(GridText, SpreadsheetTextsReadAsTheGridWroteThem) {
  const CellBlock block = Block({{u"A1", u"B1", u"C1"}, {u"A2", u"B2", u"C2"}, {u"A3", u"B3", u"C3"}});
  // Line ends as spreadsheets write them: LF, CR LF, none after the last row.
  for (const std::u16string& text : {std::u16string(u"A1\tB1\tC1\nA2\tB2\tC2\nA3\tB3\tC3\n"),
                                     std::u16string(u"A1\tB1\tC1\r\nA2\tB2\tC2\r\nA3\tB3\tC3"), BlockToText(block)}) {
    const TextShape shape = ShapeOf(text);
    ASSERT_EQ(shape.columns, 3);
    ASSERT_EQ(shape.rows, 3);
    EXPECT_EQ(ReadBlock(text, 3, 3), block);
    EXPECT_EQ(BlockToText(ReadBlock(text, 3, 3)), BlockToText(block));
  }
}

TEST(GridText, ATargetSmallerThanTheTextCutsRowsAndColumns) {
  const std::u16string text = u"A1\tB1\tC1\r\nA2\tB2\tC2\r\nA3\tB3\tC3\r\n";
  EXPECT_EQ(ReadBlock(text, 1, 2), Block({{u"A1"}, {u"A2"}}));
  // A shorter row reads its missing cells empty and never runs into the next.
  EXPECT_EQ(ReadBlock(u"A1\r\nA2\tB2\r\n", 2, 2), Block({{u"A1", u""}, {u"A2", u"B2"}}));
  // One line end is CR LF, LF, CR or LF CR; a second is an empty row.
  EXPECT_EQ(ReadBlock(u"A\n\rB\r\n\r\nC", 1, 3), Block({{u"A"}, {u"B"}, {u""}}));
}

TEST(InhibitTable, BitsFollowTheLibrarysRowLayout) {
  InhibitTable t(9, 3);
  EXPECT_EQ(t.RowBytes(), 2);
  ASSERT_EQ(t.Bytes().size(), 6u);
  t.Set(1, 8, true);  // source 8 is bit 0 of the row's second byte
  EXPECT_EQ(t.Bytes()[3], 1);
  t.Fill(0, 2, 0, 7, true);
  EXPECT_EQ(t.Bytes()[0], 0xFF);
  EXPECT_EQ(t.Bytes()[4], 0xFF);
  t.Fill(0, 0, 2, 3, false);
  EXPECT_EQ(t.Bytes()[0], 0xF3);
  EXPECT_FALSE(t.Get(3, 0));  // outside the table
}

TEST(InhibitTable, AFittedTableKeepsWhatBothLevelsHave) {
  InhibitTable t(32, 32);
  t.Set(2, 3, true);
  t.Set(20, 3, true);  // beyond the smaller level's destinations
  t.Set(2, 20, true);  // beyond its sources
  const InhibitTable small = t.Fitted(16, 16);
  EXPECT_EQ(small.Bytes().size(), 16u * 2u);
  EXPECT_TRUE(small.Get(2, 3));
  EXPECT_FALSE(small.Get(2, 20));
  int set = 0;
  for (std::uint8_t b : small.Bytes()) set += __builtin_popcount(b);
  EXPECT_EQ(set, 1);
}

TEST(InhibitTable, RS422LevelsHideTheirParkSource) {
  EXPECT_EQ(InhibitRows(17, 41), 16);
  EXPECT_EQ(InhibitRows(577, 40), 576);
  EXPECT_EQ(InhibitRows(17, 1), 17);
  EXPECT_EQ(InhibitRows(18, 48), 18);
}

TEST(InhibitTable, ADiagonalRunsFromTheAnchorTowardsTheFarCorner) {
  using Cells = std::vector<std::pair<int, int>>;
  // Anchor at destination 2, source 2; the selection reaches destination 10, source 5.
  EXPECT_EQ(DiagonalCells(2, 2, 2, 2, 10, 5), (Cells{{2, 2}, {3, 3}, {4, 4}, {5, 5}}));
  // From a bottom-right anchor it runs up and left.
  EXPECT_EQ(DiagonalCells(6, 6, 4, 3, 6, 6), (Cells{{6, 6}, {5, 5}, {4, 4}}));
  EXPECT_EQ(DiagonalCells(3, 3, 3, 3, 3, 3), (Cells{{3, 3}}));
}

TEST(LevelParameters, AStoredCodeShowsTheItemOfItsName) {
  EXPECT_EQ(ShownItem(kTriggerItems, kTriggerCodeNames, 0), 1);  // "525 NTSC", second in the list
  EXPECT_EQ(ShownItem(kTriggerItems, kTriggerCodeNames, 1), 0);
  EXPECT_EQ(ShownItem(kSourceAudioItems, kAudioCodeNames, 3), 3);
  EXPECT_EQ(ShownItem(kSourceAudioItems, kAudioCodeNames, 5), -1);  // "Mono or Sum" is not a source item
  EXPECT_EQ(ShownItem(kDestAudioItems, kAudioCodeNames, 5), 1);
  EXPECT_EQ(ShownItem(kDestAudioItems, kAudioCodeNames, 1), -1);
  EXPECT_EQ(ShownItem(kDestAudioItems, kAudioCodeNames, 9), -1);
}

}  // namespace
}  // namespace zephra::editor
