#include "strings.h"

#include <algorithm>
#include <cstring>

namespace zephra {
namespace {

constexpr std::uint8_t kBlank = 0x20;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c) {
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

}  // namespace

std::span<char16_t> Units(DbsString s) { return s ? std::span<char16_t>(s, DbsStringLength(s)) : std::span<char16_t>(); }

void StoreName(void* field, DbsString text) {
  char16_t name[kNameUnits] = {};
  const auto units = Units(text);
  std::copy_n(units.begin(), std::min(units.size(), kNameUnits), name);
  std::memcpy(field, name, sizeof name);
}

void ReadName(DbsString out, const void* field) {
  const auto units = Units(out);
  std::fill(units.begin(), units.end(), u'\0');
  if (!units.empty()) std::memcpy(units.data(), field, std::min(units.size(), kNameUnits) * sizeof(char16_t));
}

void ToNarrowName(const char16_t* units, std::size_t n, std::uint8_t* out) {
  n = std::min<std::size_t>(n, 48);
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<std::uint8_t>(units[i] & 0xFF);
    out[i] = b > kBlank ? b : kBlank;
  }
}

void ToWideName(const std::uint8_t* bytes, std::size_t n, char16_t* out) {
  n = std::min<std::size_t>(n, kNameUnits);
  std::size_t keep = n;
  while (keep > 0 && bytes[keep - 1] <= kBlank) --keep;
  for (std::size_t i = 0; i < n; ++i) out[i] = i < keep ? char16_t{bytes[i]} : u'\0';
}

Status PathToUtf8(DbsString path, std::string& out) {
  const auto units = Units(path);
  out.clear();
  if (units.empty() || units.size() > kMaxPathUnits) return DBS_SYS_INVALID_NAME;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u == 0) return DBS_SYS_INVALID_NAME;
    if (IsHighSurrogate(u)) {
      if (i + 1 == units.size() || !IsLowSurrogate(units[i + 1])) return DBS_SYS_INVALID_NAME;
      AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{units[i + 1]} - 0xDC00));
      ++i;
    } else if (IsLowSurrogate(u)) {
      return DBS_SYS_INVALID_NAME;
    } else {
      AppendUtf8(out, u);
    }
  }
  return DBS_OK;
}

}  // namespace zephra
