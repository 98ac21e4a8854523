#include "text.h"

#include <cstdio>
#include <new>

namespace zephra::tool {

std::optional<std::u16string> FromUtf8(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += 1 + static_cast<std::size_t>(extra);
  }
  return out;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

LibString::LibString(std::u16string_view text)
    : s_(DbsStringFromUnits(text.data(), static_cast<std::uint32_t>(text.size()))) {
  if (!s_) throw std::bad_alloc();
}

LibString::LibString(std::uint32_t units) : s_(DbsStringAlloc(units)) {
  if (!s_) throw std::bad_alloc();
}

std::string StatusSentence(DbsStatus status) {
  const char* meaning = nullptr;
#define ZEPHRA_TOOL_MEANING(name, value, text) \
  if (status == static_cast<DbsStatus>(value)) meaning = text;
  DBS_STATUS_CODES(ZEPHRA_TOOL_MEANING)
  DBS_PLATFORM_CODES(ZEPHRA_TOOL_MEANING)
#undef ZEPHRA_TOOL_MEANING
  char number[32];
  std::snprintf(number, sizeof number, status >= 0x20000000u ? "0x%08x" : "%u", status);
  if (!meaning) return std::string("The library answered an unexpected status (") + number + ").";
  return std::string(meaning) + " (status " + number + ")";
}

}  // namespace zephra::tool
