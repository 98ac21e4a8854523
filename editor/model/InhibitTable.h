// A level's crosspoint inhibit table as the level editor keeps it: one row
// per destination of (sources + 7) / 8 bytes, bit s % 8 of byte s / 8 set
// when source s is inhibited on that destination.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace zephra::editor {

class InhibitTable {
 public:
  InhibitTable() = default;
  InhibitTable(int sources, int destinations);

  int Sources() const { return sources_; }
  int Destinations() const { return destinations_; }
  int RowBytes() const { return (sources_ + 7) / 8; }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  bool Get(int destination, int source) const;
  void Set(int destination, int source, bool inhibited);
  // Sets or clears every cell of destinations [d0, d1] by sources [s0, s1].
  void Fill(int d0, int d1, int s0, int s1, bool inhibited);
  // A table of another level's size holding this one's bits for every
  // destination and source both levels have, the others clear.
  InhibitTable Fitted(int sources, int destinations) const;

 private:
  int sources_ = 0, destinations_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// The rows the inhibit grid shows for a level: an RS422 level (types 40-55)
// whose source count leaves one over a whole byte hides that last source, its
// park source.
int InhibitRows(int sources, std::uint16_t levelType);

// The cells of a diagonal drawn from an anchor (column, row) towards the
// corner of a selection [left, right] x [top, bottom] farther from it in each
// direction, for as many steps as the shorter distance; anchor and end
// included.
std::vector<std::pair<int, int>> DiagonalCells(int anchorColumn, int anchorRow, int left, int top, int right,
                                               int bottom);

}  // namespace zephra::editor
