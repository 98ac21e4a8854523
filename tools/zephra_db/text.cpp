#include "text.h"

#include "dbs/unicode.h"

#include <cstdio>
#include <iostream>
#include <new>

namespace zephra::tool {

std::optional<std::u16string> FromUtf8(std::string_view text) { return Utf8ToUtf16(text); }

std::string ToUtf8(std::u16string_view text) { return *Utf16ToUtf8(text, false); }

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

int Fail(const std::string& doing, DbsStatus status) {
  std::cerr << "zephra-db: " << doing << ": " << StatusSentence(status) << "\n";
  return kFailed;
}

int Fail(const std::string& message) {
  std::cerr << "zephra-db: " << message << "\n";
  return kFailed;
}

}  // namespace zephra::tool
