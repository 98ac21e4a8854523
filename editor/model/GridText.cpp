#include "GridText.h"

#include <algorithm>

namespace zephra::editor {

namespace {

constexpr char16_t kTab = u'\t', kCr = u'\r', kLf = u'\n';

bool EndsCell(char16_t c) { return c == kTab || c == kCr || c == kLf; }

}  // namespace

std::u16string BlockToText(const CellBlock& block) {
  std::u16string text;
  for (const auto& row : block) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c) text += kTab;
      text += row[c];
    }
    text += u"\r\n";
  }
  return text;
}

TextShape ShapeOf(std::u16string_view text) {
  TextShape shape;
  const std::size_t firstLf = text.find(kLf);
  const std::u16string_view firstLine = text.substr(0, firstLf);
  shape.columns = static_cast<int>(std::count(firstLine.begin(), firstLine.end(), kTab)) + 1;
  shape.rows = static_cast<int>(std::count(text.begin(), text.end(), kLf));
  if (text.empty() || text.back() != kLf) ++shape.rows;
  return shape;
}

CellBlock ReadBlock(std::u16string_view text, int columns, int rows) {
  CellBlock block;
  std::size_t p = 0;
  const std::size_t n = text.size();
  for (int r = 0; r < rows; ++r) {
    std::vector<std::u16string> row;
    for (int c = 0; c < columns; ++c) {
      // Spaces with nothing else before the cell's end read as nothing.
      std::size_t q = p;
      while (q < n && text[q] == u' ') ++q;
      if (q >= n || EndsCell(text[q])) p = q;
      const std::size_t start = p;
      while (p < n && !EndsCell(text[p])) ++p;
      row.emplace_back(text.substr(start, p - start));
      if (p < n && text[p] == kTab) ++p;
    }
    // The rest of a longer row, then one line end (CR LF, LF, CR or LF CR).
    while (p < n && text[p] != kCr && text[p] != kLf) ++p;
    bool cr = false, lf = false;
    while (p < n && ((text[p] == kCr && !cr) || (text[p] == kLf && !lf))) {
      (text[p] == kCr ? cr : lf) = true;
      ++p;
    }
    block.push_back(std::move(row));
  }
  return block;
}

bool IsBlank(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u' '; });
}

}  // namespace zephra::editor
