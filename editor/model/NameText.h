// How names are fitted into their fields and shown, one rule for the editor
// and the tools alike, and the UTF-8 text the tools read and write.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zephra::model {

// A name fitted to exactly `width` units: cut to `width` (never between the
// two halves of a surrogate pair: such a cut leaves the half out), or padded
// with NUL units. FitName(u"ABC", 8) is "ABC" and five NULs.
std::u16string FitName(std::u16string_view text, std::size_t width);

// A stored or returned name as shown: up to its first NUL unit.
std::u16string_view ShownName(std::u16string_view field);

// A key name as sequences compare it: without its trailing NULs and spaces.
std::u16string_view KeyName(std::u16string_view field);

// UTF-8 text as UTF-16, or nothing when it is not UTF-8.
std::optional<std::u16string> Utf16Of(std::string_view text);
// UTF-16 units as UTF-8; a unit that is half of no pair becomes U+FFFD.
std::string Utf8Of(std::u16string_view units);

}  // namespace zephra::model
