#include "model/KeypadLayout.h"

namespace zephra::editor {
namespace {

enum class Side : std::uint8_t { Source, Dest, Marked, Extension };

// A rectangle of keys: `rows` rows of `columns` keys numbered from `first`,
// `perRow` numbers apart from one row to the next (the row's key count when
// 0), or numbered down the columns; with an empty column after the first
// `gapAfter` keys of each row; at most `count` keys.
struct Block {
  int rows = 1, columns = 1;
  int first = 0;
  int perRow = 0;
  int gapAfter = 0;
  bool downColumns = false;
  int count = kLayoutPositions;
};

struct Placement {
  Side side;
  Block block;
  int row, column;  // of the block's top left button
};

struct TypeLayout {
  std::array<Placement, 6> places{};
  int placed = 0;
  std::uint8_t function = 1;
  std::uint8_t keypads = 1;
};

// The key blocks, one per layout class: panels of one class share a block, so
// they can share and copy keypads.
// Source keypads.
constexpr Block kSquare8{.rows = 8, .columns = 8};                            // Generic BPX, Custom XY
constexpr Block kPnl01{.rows = 4, .columns = 9, .gapAfter = 1};              // PNL-01: a function key, then eight
constexpr Block kPnl02{.rows = 4, .columns = 9, .gapAfter = 4};              // PNL-02: four, then five
constexpr Block kPnl03{.rows = 2, .columns = 12};                           // PNL-03, PNL-04, PNL-05
constexpr Block kPnl06Bpx{.rows = 4, .columns = 8};                         // PNL-06 BPX, PNL-11 BPX
constexpr Block kPnl06Xy{.rows = 2, .columns = 6};                          // PNL-06 X-Y, PNL-11 X-Y
constexpr Block kPnl07{.rows = 5, .columns = 8};                            // PNL-07, PNL-08
constexpr Block kPnl09{.rows = 4, .columns = 12};                           // PNL-09
constexpr Block kPnl10Bpx{.rows = 4, .columns = 16};                        // PNL-10 BPX
constexpr Block kPnl10Xy{.rows = 3, .columns = 12};                         // PNL-10 X-Y
constexpr Block kPnl12{.rows = 2, .columns = 10};                           // PNL-12
constexpr Block kWay16{.rows = 1, .columns = 16};                           // PNL-17 BPX, split BPX, 4 bus
constexpr Block kWay16Split{.rows = 1, .columns = 8};                       // PNL-17 split X-Y
constexpr Block kWay32{.rows = 2, .columns = 16};                           // PNL-13 BPX, split BPX, 4 bus
constexpr Block kWay32Split{.rows = 2, .columns = 8};                       // PNL-13 split X-Y
constexpr Block kWay48{.rows = 3, .columns = 16};                           // PNL-14 BPX, split BPX
constexpr Block kWay48Split{.rows = 3, .columns = 8};                       // PNL-14 split X-Y
constexpr Block kWay48Bus{.rows = 3, .columns = 16, .count = 44};           // PNL-14 4 bus: four buttons are the buses
constexpr Block kWay48Xy{.rows = 2, .columns = 16, .downColumns = true};    // PNL-14 32x16, numbered down
constexpr Block kBankA{.rows = 2, .columns = 8};                            // PNL-15 split BPX: two banks
constexpr Block kBankB{.rows = 2, .columns = 8, .first = 16};
constexpr Block kPnl15Xy{.rows = 4, .columns = 4};                          // PNL-15 split X-Y
constexpr Block kPnl16{.rows = 4, .columns = 6};                            // PNL-16 24x12
// Destination keypads.
constexpr Block kDestColumn{.rows = 8, .columns = 1};                       // Generic BPX
constexpr Block kDestCustom{.rows = 8, .columns = 4};                       // Custom XY
constexpr Block kDestPnl04{.rows = 2, .columns = 6};                        // PNL-04 X-Y, PNL-16
constexpr Block kDestPnl06{.rows = 2, .columns = 4};                        // PNL-06 X-Y, PNL-11 X-Y
constexpr Block kDest16{.rows = 4, .columns = 4};                           // PNL-10 X-Y, PNL-14 32x16, PNL-15 X-Y
constexpr Block kDestWay16Split{.rows = 1, .columns = 8};                   // PNL-17 split X-Y
constexpr Block kDestBuses{.rows = 1, .columns = 4};                        // the three 4 bus panels
constexpr Block kDestWay32Split{.rows = 2, .columns = 8};                   // PNL-13 split X-Y
constexpr Block kDestWay48Split{.rows = 3, .columns = 8};                   // PNL-14 split X-Y
// A BPX panel's destination key (a split panel has one per half).
constexpr Block kDestKey{};
constexpr Block kSecondDestKey{.first = 1};
// The outputs of the multi-output panels, eight numbers apart.
constexpr Block Outputs(int n) { return {.rows = n, .columns = 1, .perRow = 8}; }
// n keys down one column from key `first`.
constexpr Block Column(int n, int first) { return {.rows = n, .columns = 1, .first = first}; }

constexpr Placement Src(const Block& b, int row, int column) { return {Side::Source, b, row, column}; }
constexpr Placement Dst(const Block& b, int row, int column) { return {Side::Dest, b, row, column}; }

constexpr TypeLayout Layout(std::initializer_list<Placement> places, std::uint8_t function = 1,
                            std::uint8_t keypads = 1) {
  TypeLayout t{};
  for (const Placement& p : places) t.places[static_cast<std::size_t>(t.placed++)] = p;
  t.function = function;
  t.keypads = keypads;
  return t;
}

// A PNL-02 with n outputs: the outputs down the first column, beside each its
// alternative destination (shown with "Alt. Dest.") and that one's second,
// linked position ("?"); the source keys to the right.
constexpr TypeLayout Pnl02(int n) {
  const int top = (kLayoutRows - n) / 2;
  return Layout({Src(kPnl02, 2, 5), Dst(Column(n, 0), top, 0), {Side::Marked, Column(n, n), top, 1},
                 {Side::Extension, Column(n, 2 * n), top, 2}},
                0);
}

constexpr TypeLayout kNone = Layout({});
constexpr TypeLayout kPnl01Layout = Layout({Src(kPnl01, 1, 3)}, 0, 2);

constexpr std::array<TypeLayout, kPanelTypes> kTypeLayouts = {
    /* 0 */ kNone,
    /* 1 Generic BPX */ Layout({Src(kSquare8, 0, 4), Dst(kDestColumn, 0, 13)}),
    /* 2 Custom XY (lamps) */ Layout({Src(kSquare8, 0, 0), Dst(kDestCustom, 0, 10)}),
    /* 3 PNL-01 XY */ kPnl01Layout,
    /* 4 Generic Multi-Output */ Layout({Src(kPnl01, 1, 3), Dst(Outputs(4), 1, 1)}, 0),
    /* 5 */ kNone,
    /* 6 */ kNone,
    /* 7 PNL-01 XY Mon */ kPnl01Layout,
    /* 8 */ kNone,
    /* 9 */ kNone,
    /* 10 */ kNone,
    /* 11 PNL-03 BPX */ Layout({Src(kPnl03, 2, 2), Dst(kDestKey, 2, 0)}),
    /* 12 PNL-04 X-Y */ Layout({Src(kPnl03, 1, 2), Dst(kDestPnl04, 4, 5)}),
    /* 13 PNL-05 BPX */ Layout({Src(kPnl03, 2, 2), Dst(kDestKey, 2, 0)}),
    /* 14 PNL-06 BPX */ Layout({Src(kPnl06Bpx, 2, 4), Dst(kDestKey, 2, 2)}),
    /* 15 PNL-06 X-Y */ Layout({Src(kPnl06Xy, 1, 2), Dst(kDestPnl06, 1, 10)}),
    /* 16 PNL-07 BPX */ Layout({Src(kPnl07, 1, 4), Dst(kDestKey, 1, 2)}),
    /* 17 PNL-08 BPX */ Layout({Src(kPnl07, 1, 4), Dst(kDestKey, 1, 2)}),
    /* 18 PNL-09 BPX */ Layout({Src(kPnl09, 2, 3), Dst(kDestKey, 2, 1)}),
    /* 19 PNL-10 BPX */ Layout({Src(kPnl10Bpx, 2, 0), Dst(kDestKey, 0, 0)}),
    /* 20 PNL-10 X-Y */ Layout({Src(kPnl10Xy, 0, 2), Dst(kDest16, 4, 6)}),
    /* 21 PNL-11 BPX */ Layout({Src(kPnl06Bpx, 2, 4), Dst(kDestKey, 2, 2)}),
    /* 22 PNL-11 X-Y */ Layout({Src(kPnl06Xy, 1, 2), Dst(kDestPnl06, 1, 10)}),
    /* 23 PNL-12 BPX */ Layout({Src(kPnl12, 2, 4), Dst(kDestKey, 2, 2)}),
    /* 24 PNL-01 1/2 Bus */ Layout({Src(kPnl01, 2, 4), Dst(Outputs(2), 2, 1)}, 0),
    /* 25 PNL-02-2 */ Pnl02(2),
    /* 26 PNL-02-4 */ Pnl02(4),
    /* 27 PNL-02-6 */ Pnl02(6),
    /* 28 PNL-02-8 */ Pnl02(8),
    /* 29 */ kNone,
    /* 30 */ kNone,
    /* 31 PNL-17 16 way BPX */ Layout({Src(kWay16, 3, 0), Dst(kDestKey, 1, 0)}),
    /* 32 PNL-17 16 way split BPX */ Layout({Src(kWay16, 3, 0), Dst(kDestKey, 1, 0), Dst(kSecondDestKey, 1, 8)}),
    /* 33 PNL-17 16 way split X-Y */ Layout({Src(kWay16Split, 3, 0), Dst(kDestWay16Split, 3, 8)}),
    /* 34 PNL-17 16 way 4 bus X-Y */ Layout({Src(kWay16, 3, 0), Dst(kDestBuses, 5, 0)}),
    /* 35 PNL-13 32 way BPX */ Layout({Src(kWay32, 3, 0), Dst(kDestKey, 1, 0)}),
    /* 36 PNL-13 32 way split BPX */ Layout({Src(kWay32, 3, 0), Dst(kDestKey, 1, 0), Dst(kSecondDestKey, 1, 8)}),
    /* 37 PNL-13 32 way split X-Y */ Layout({Src(kWay32Split, 3, 0), Dst(kDestWay32Split, 3, 8)}),
    /* 38 PNL-13 32 way 4 bus X-Y */ Layout({Src(kWay32, 3, 0), Dst(kDestBuses, 6, 0)}),
    /* 39 PNL-14 48 way BPX */ Layout({Src(kWay48, 3, 0), Dst(kDestKey, 1, 0)}),
    /* 40 PNL-14 48 way split BPX */ Layout({Src(kWay48, 3, 0), Dst(kDestKey, 1, 0), Dst(kSecondDestKey, 1, 8)}),
    /* 41 PNL-14 48 way split X-Y */ Layout({Src(kWay48Split, 3, 0), Dst(kDestWay48Split, 3, 8)}),
    /* 42 PNL-14 48 way 4 bus X-Y */ Layout({Src(kWay48Bus, 3, 0), Dst(kDestBuses, 5, 12)}),
    /* 43 PNL-14 48 way 32x16 X-Y */ Layout({Src(kWay48Xy, 1, 0), Dst(kDest16, 4, 6)}),
    /* 44 PNL-15 16x16 split BPX */
    Layout({Src(kBankA, 1, 4), Src(kBankB, 4, 4), Dst(kDestKey, 1, 2), Dst(kSecondDestKey, 4, 2)}),
    /* 45 PNL-15 16x16 split X-Y */ Layout({Src(kPnl15Xy, 2, 2), Dst(kDest16, 2, 9)}),
    /* 46 PNL-16 24x12 X-Y */ Layout({Src(kPnl16, 2, 1), Dst(kDestPnl04, 2, 9)}),
};

constexpr std::int32_t CodeOf(Side side, int key) {
  switch (side) {
    case Side::Source: return key;
    case Side::Dest: return kDestKeyCode + key;
    case Side::Marked: return kMarkedCode + kDestKeyCode + key;
    case Side::Extension: return kExtensionCode + kDestKeyCode + key;
  }
  return kNoButton;
}

constexpr TKeypadLayout Build(const TypeLayout& t) {
  TKeypadLayout out{};
  out.codes.fill(kNoButton);
  int sourceKeys = 0, destKeys = 0;
  for (int i = 0; i < t.placed; ++i) {
    const Placement& p = t.places[static_cast<std::size_t>(i)];
    const Block& b = p.block;
    const int perRow = b.perRow ? b.perRow : b.columns;
    for (int r = 0; r < b.rows; ++r) {
      for (int c = 0; c < b.columns; ++c) {
        const int index = b.downColumns ? c * b.rows + r : r * perRow + c;
        if (index >= b.count) continue;
        const int key = b.first + index;
        const int column = p.column + c + (b.gapAfter > 0 && c >= b.gapAfter ? 1 : 0);
        out.codes[static_cast<std::size_t>((p.row + r) * kLayoutColumns + column)] = CodeOf(p.side, key);
        int& needed = p.side == Side::Source ? sourceKeys : destKeys;
        if (key + 1 > needed) needed = key + 1;
      }
    }
  }
  if (t.keypads == 2) destKeys = sourceKeys;
  out.info = {static_cast<std::uint8_t>(sourceKeys), static_cast<std::uint8_t>(destKeys), t.function, t.keypads};
  return out;
}

constexpr std::array<TKeypadLayout, kPanelTypes> BuildAll() {
  std::array<TKeypadLayout, kPanelTypes> all{};
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = Build(kTypeLayouts[i]);
  return all;
}

constexpr TKeypadLayout kEmpty = Build(kNone);

}  // namespace

constexpr std::array<TKeypadLayout, kPanelTypes> KeypadLayoutTable = BuildAll();

const TKeypadLayout& KeypadLayout(int panelType) {
  return panelType >= 0 && panelType < kPanelTypes ? KeypadLayoutTable[static_cast<std::size_t>(panelType)] : kEmpty;
}

}  // namespace zephra::editor
