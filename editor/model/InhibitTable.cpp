#include "InhibitTable.h"

#include <algorithm>
#include <cstdlib>

namespace zephra::editor {

InhibitTable::InhibitTable(int sources, int destinations)
    : sources_(std::max(sources, 0)),
      destinations_(std::max(destinations, 0)),
      bytes_(static_cast<std::size_t>(destinations_) * static_cast<std::size_t>(RowBytes())) {}

bool InhibitTable::Get(int d, int s) const {
  if (d < 0 || d >= destinations_ || s < 0 || s >= sources_) return false;
  return (bytes_[static_cast<std::size_t>(d * RowBytes() + s / 8)] >> (s % 8)) & 1;
}

void InhibitTable::Set(int d, int s, bool inhibited) {
  if (d < 0 || d >= destinations_ || s < 0 || s >= sources_) return;
  std::uint8_t& byte = bytes_[static_cast<std::size_t>(d * RowBytes() + s / 8)];
  const auto bit = static_cast<std::uint8_t>(1u << (s % 8));
  byte = inhibited ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

void InhibitTable::Fill(int d0, int d1, int s0, int s1, bool inhibited) {
  for (int d = std::max(d0, 0); d <= std::min(d1, destinations_ - 1); ++d) {
    for (int s = std::max(s0, 0); s <= std::min(s1, sources_ - 1); ++s) Set(d, s, inhibited);
  }
}

InhibitTable InhibitTable::Fitted(int sources, int destinations) const {
  InhibitTable out(sources, destinations);
  const int ds = std::min(destinations_, out.destinations_), ss = std::min(sources_, out.sources_);
  for (int d = 0; d < ds; ++d) {
    for (int s = 0; s < ss; ++s) {
      if (Get(d, s)) out.Set(d, s, true);
    }
  }
  return out;
}

int InhibitRows(int sources, std::uint16_t levelType) {
  const bool rs422 = levelType >= 40 && levelType <= 55;
  return rs422 && sources % 8 == 1 ? sources - 1 : sources;
}

std::vector<std::pair<int, int>> DiagonalCells(int ac, int ar, int left, int top, int right, int bottom) {
  const int toColumn = std::abs(right - ac) >= std::abs(left - ac) ? right : left;
  const int toRow = std::abs(bottom - ar) >= std::abs(top - ar) ? bottom : top;
  const int dc = toColumn > ac ? 1 : toColumn < ac ? -1 : 0;
  const int dr = toRow > ar ? 1 : toRow < ar ? -1 : 0;
  const int steps = std::min(std::abs(toColumn - ac), std::abs(toRow - ar));
  std::vector<std::pair<int, int>> cells;
  for (int i = 0; i <= steps; ++i) cells.emplace_back(ac + i * dc, ar + i * dr);
  return cells;
}

}  // namespace zephra::editor
