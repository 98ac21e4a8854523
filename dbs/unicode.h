// UTF-16 <-> UTF-8, for paths handed to the system and for text shown to
// people.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zephra {

// UTF-8 of UTF-16 text. An unpaired surrogate makes it fail when `strict`,
// else it becomes U+FFFD.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text, bool strict);

// UTF-16 of UTF-8 text, or nothing when the text is not UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

}  // namespace zephra
