// Where each key of a panel's two keypads sits on the panel: for every panel
// type a grid of 8 rows of 16 button positions, each holding a key code, and
// four information bytes. Plain data, no windows.
//
// Key codes:
//   -1            no button at the position;
//   k (0-999)     key k of the source keypad;
//   1000 + k      key k of the destination keypad;
//   10000 + code  a marked destination key (code = 1000 + k), shown only while
//                 a key of the panel has the "Alt. Dest." function;
//   20000 + code  a marked position that extends the destination key before
//                 it: shown as "?", it takes that key's destination.
#pragma once

#include <array>
#include <cstdint>

namespace zephra::editor {

inline constexpr int kLayoutRows = 8;
inline constexpr int kLayoutColumns = 16;
inline constexpr int kLayoutPositions = kLayoutRows * kLayoutColumns;
inline constexpr int kPanelTypes = 47;  // types 0-46

inline constexpr std::int32_t kNoButton = -1;
inline constexpr std::int32_t kDestKeyCode = 1000;
inline constexpr std::int32_t kMarkedCode = 10000;
inline constexpr std::int32_t kExtensionCode = 20000;

// The information bytes of a layout.
enum TLayoutInfo : int {
  kInfoSourceKeys = 0,  // keys the layout needs on the source keypad (one above its highest key)
  kInfoDestKeys = 1,    // the same for the destination keypad
  kInfoFunction = 2,    // the function every button starts with: 0 "Normal", 1 "Source"
  kInfoKeypads = 3,     // 2: each key belongs to both keypads; 1: to one
};

struct TKeypadLayout {
  std::array<std::int32_t, kLayoutPositions> codes;  // position = row * 16 + column
  std::array<std::uint8_t, 4> info;

  std::int32_t Code(int row, int column) const { return codes[static_cast<std::size_t>(row * kLayoutColumns + column)]; }
};

// Indexed by the panel type.
extern const std::array<TKeypadLayout, kPanelTypes> KeypadLayoutTable;

// The layout of a type; types above 46 (or negative) have the empty one.
const TKeypadLayout& KeypadLayout(int panelType);

// A code without its marker: 20000 off when above 20000, then 10000 off when
// above 10000.
constexpr std::int32_t NormalisedKeyCode(std::int32_t code) {
  if (code > kExtensionCode) code -= kExtensionCode;
  if (code > kMarkedCode) code -= kMarkedCode;
  return code;
}
// Shown only with "Alt. Dest.".
constexpr bool IsMarkedCode(std::int32_t code) { return code > kMarkedCode; }
// Shown as "?": an extension of the destination key before it.
constexpr bool IsExtensionCode(std::int32_t code) { return code > kExtensionCode; }
constexpr bool IsDestCode(std::int32_t code) { return code != kNoButton && NormalisedKeyCode(code) >= kDestKeyCode; }
// The key's number within its keypad; -1 for no button.
constexpr int KeyNumberOf(std::int32_t code) {
  if (code == kNoButton) return -1;
  const std::int32_t n = NormalisedKeyCode(code);
  return n >= kDestKeyCode ? n - kDestKeyCode : n;
}

inline bool SharesKeys(int panelType) { return KeypadLayout(panelType).info[kInfoKeypads] == 2; }
inline int StartingFunction(int panelType) { return KeypadLayout(panelType).info[kInfoFunction]; }

}  // namespace zephra::editor
