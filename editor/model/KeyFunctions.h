// What a key's function means to the keypad editor: its caption, whether a
// window may give it to one key only, which keys the function menu offers it
// to, and how a key takes part in entry sequences. Plain rules, no windows.
#pragma once

#include <cstdint>

namespace zephra::editor {

// Key functions, the low bits of a key record's keyType (mask 0x9F).
inline constexpr int kFnNormal = 0, kFnSource = 1, kFnLineUp = 2, kFnClear = 3, kFnNext = 4, kFnPrevious = 5,
                     kFnAltLevel = 6, kFnProtect = 7, kFnAltDest = 9, kFnDestIdent = 10, kFnDisplayAudio = 13,
                     kFnConfigAudio = 14;
// Menu commands, not functions a key keeps.
inline constexpr int kFnRemove = 15, kFnBlank = 99;

inline constexpr std::uint8_t kFunctionMask = 0x9F;
// The editor's flags in keyType, cleared before a key is stored.
inline constexpr std::uint8_t kDestKeyFlag = 0x40;
inline constexpr std::uint8_t kSharedKeyFlag = 0x60;

// A name key shows its names and may be pressed in entry sequences.
constexpr bool IsNameFunction(int f) { return f == kFnNormal || f == kFnSource; }
// At most one key of the window may have a unique function.
bool IsUniqueFunction(int f);

// The two caption lines of a key with a function other than a name key's
// ("" when the function has none, as Next and Previous, which show a picture).
struct TFunctionCaption {
  const char* line1;
  const char* line2;
};
TFunctionCaption FunctionCaption(int f);

// The keypad editor's pages.
enum class TKeypadPage { KeyNames, Sequences, ButtonPer };

// What the function menu knows of the key it was opened on.
struct TMenuKey {
  int panelType;
  TKeypadPage page;
  int keyNumber;      // within its keypad
  bool destOnly;      // a key of the destination keypad alone
  bool unusable;      // a "?" position
  bool takenByOther;  // the entry's function is unique and another key has it
};
// Whether the menu entry `function` is enabled for the key.
bool MenuEntryEnabled(const TMenuKey& key, int function);

// A key pressed on the "Sequences" page.
enum class TSequenceUse { Press, Refused, Ignored };
TSequenceUse SequenceUse(int function);
// How many presses a sequence may have for a key to be added to it: four
// for "Normal" and shared keys, one for "Source" and destination keys.
int PressLimit(int function, bool shared, bool destOnly);

}  // namespace zephra::editor
