// The text a grid puts on the clipboard and reads back from it: a TAB
// between the cells of a row and CR LF after every row, so that a block
// copied from a grid pastes into a spreadsheet and back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zephra::editor {

// A rectangle of cell texts, row by row.
using CellBlock = std::vector<std::vector<std::u16string>>;

std::u16string BlockToText(const CellBlock& block);

// How many columns and rows a clipboard text spans: the TABs before the first
// LF, plus one; the LFs, plus one when the text does not end with one.
struct TextShape {
  int columns = 0;
  int rows = 0;
};
TextShape ShapeOf(std::u16string_view text);

// The cells of `text` for a target of at most `columns` x `rows` cells: each
// row's cells in turn, the rest of a longer row skipped. A cell of spaces
// only reads as empty; a row with fewer cells reads its missing ones empty.
CellBlock ReadBlock(std::u16string_view text, int columns, int rows);

// Whether a cell counts as empty: no characters, or spaces only.
bool IsBlank(std::u16string_view text);

}  // namespace zephra::editor
