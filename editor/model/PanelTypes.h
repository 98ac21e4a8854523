// What the editor knows about each panel type: the type list the panel
// editor offers, which of its controls apply to a type, the keypad layout
// classes that decide which panels may share keypads, and how keypad numbers
// are shown. Plain tables, no windows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zephra::editor {

struct TPanelTypeEntry {
  const char* text;
  uint16_t code;  // the record's panelType
};

// The type list of the panel editor, in the order it shows them.
extern const std::array<TPanelTypeEntry, 39> PanelTypeList;

// The entry of `code` in PanelTypeList, -1 when the list has none.
int PanelTypeIndex(int code);
// The type's text in the list, nullptr for a type the editor does not know.
const char* PanelTypeText(int code);
// Codes 0-46 less the eight the editor does not know (0, 5, 6, 8-10, 29, 30).
bool IsRecognisedPanelType(int code);

// X-Y panels show the "Destinations" page.
bool IsXYPanelType(int code);
// Types whose controlled destinations Apply writes.
bool HasControlledDests(int code);
// Types that offer a choice of source / destination keypad kind.
bool HasSourceKeypadChoice(int code);
bool HasDestKeypadChoice(int code);

// Which controls of the panel editor apply to a type (true = enabled or
// shown).
struct TPanelControls {
  bool brightness;
  bool overridesPage;
  bool destinationsPage;
  bool levelButtons;  // enabled and shown; false: disabled and hidden
  bool masterPanel;
  bool swapMode;
  bool allDestinations;
};
// Nothing for a type the editor does not know.
std::optional<TPanelControls> PanelControls(int code);

// Keypads: 0-31 source, 32-63 destination, 64-71 source dial-up, 72-79
// destination dial-up. A number of 100 or more (0xFFFF included) names none.
inline constexpr int kNoKeypad = 0xFFFF;
inline bool IsDialUpKeypad(int keypad) { return keypad >= 64 && keypad <= 79; }
inline bool IsKeypadAssigned(int keypad) { return keypad >= 0 && keypad < 100; }
// The number a keypad is shown by within its group (keypad 70 is source
// dial-up keypad 7).
int KeypadDisplayNumber(int keypad);

// Two panels may share or copy keypads when both classes agree.
int SourceLayoutClass(int panelType, bool dialUp);
int DestLayoutClass(int panelType, bool dialUp);

// The key functions the keypad editor's menu offers a type: code and entry.
struct TKeyFunction {
  int code;
  const char* text;
};
// "Remove" and "Blank Key" first, then the type's own; empty for a type the
// editor does not know.
std::vector<TKeyFunction> KeyFunctionMenu(int panelType);

// The flags bits the panel editor sets.
inline constexpr uint32_t kFlagSwapMode = 0x2;
inline constexpr uint32_t kFlagMasterPanel = 0x10;
inline constexpr uint32_t kFlagKeySwitch = 0x10000;
inline constexpr uint32_t kFlagMaskLevels = 0x20000;
inline constexpr uint32_t kFlagSalvoOverride = 0x40000;

// UMD display types: "Dual 8 Character" (two lines) and "8 Character".
inline constexpr uint8_t kUMDDual = 0;
inline constexpr uint8_t kUMDSingle = 2;

}  // namespace zephra::editor
