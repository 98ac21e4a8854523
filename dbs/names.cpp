#include "names.h"

#include <algorithm>
#include <cstring>

#include "unicode.h"

namespace zephra {
namespace {

constexpr std::uint8_t kBlank = 0x20;

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
  if (std::find(units.begin(), units.end(), u'\0') != units.end()) return DBS_SYS_INVALID_NAME;
  auto utf8 = Utf16ToUtf8({units.data(), units.size()}, true);
  if (!utf8) return DBS_SYS_INVALID_NAME;
  out = std::move(*utf8);
  return DBS_OK;
}

}  // namespace zephra
