// The level editor's lists of source and destination parameters: the items
// each list offers with the code it stands for, and the name a stored code
// goes by, which picks the item shown.
#pragma once

#include <cstdint>
#include <span>

namespace zephra::editor {

struct ParameterItem {
  const char* text;
  std::uint8_t code;
};

// The items of each list, in the order they are shown.
inline constexpr ParameterItem kSourceAudioItems[] = {
    {"Normal", 0}, {"Left to Both", 1}, {"Right to Both", 2}, {"Swap Left to Right", 3}};
inline constexpr ParameterItem kSourceAudioSetAllItems[] = {
    {"Normal", 0}, {"Left to Both", 1}, {"Right to Both", 2}, {"Swap", 3}};
// The trigger list and its "Set all" group.
inline constexpr ParameterItem kTriggerItems[] = {{"625 PAL", 1}, {"525 NTSC", 0}, {"TTL Pulse", 2}, {"HD", 3}};
inline constexpr ParameterItem kDestAudioItems[] = {{"Normal", 0}, {"Mono or Sum", 5}, {"Swap Left to Right", 3}};
inline constexpr ParameterItem kDestAudioSetAllItems[] = {{"Normal", 0}, {"Mono/Sum ", 5}, {"Swap", 3}};

// The names stored codes go by.
inline constexpr ParameterItem kAudioCodeNames[] = {
    {"Normal", 0}, {"Left to Both", 1}, {"Right to Both", 2}, {"Swap Left to Right", 3}, {"Mono or Sum", 5}};
inline constexpr ParameterItem kTriggerCodeNames[] = {{"525 NTSC", 0}, {"625 PAL", 1}, {"TTL Pulse", 2}, {"HD", 3}};

// The position in `items` of the item named as `code` is in `names`; -1 when
// the code has no name or the list has no item of that name.
int ShownItem(std::span<const ParameterItem> items, std::span<const ParameterItem> names, std::uint8_t code);

}  // namespace zephra::editor
