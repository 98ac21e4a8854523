// Configuration records the tests start from.
#pragma once

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "dbs/config.h"

namespace zephra::test {

inline void SetTag(ConfigImage& c, const char16_t (&tag)[9]) { std::copy_n(tag, 8, c.version); }

// The editor's default configuration of a format: one matrix of 4 levels with
// 32 sources and destinations each, full association tables, 3 general ports,
// 32 panels, 80 keypads of 64 keys, 32 XY sets, UMDs and salvos, 3000 salvo
// crosspoints.
inline ConfigImage EditorDefault(std::uint16_t type, std::uint16_t associations) {
  ConfigImage c{};
  std::copy_n(u"Database", 8, c.name);
  c.recordSize = DBS_CONFIG_RECORD_SIZE;
  c.configType = type;
  switch (type) {
    case DBS_TYPE_KV1: SetTag(c, u"KV100.00"); break;
    case DBS_TYPE_V1: SetTag(c, u"ZP100.00"); break;
    case DBS_TYPE_V2: SetTag(c, u"ZP201.00"); break;
    default: SetTag(c, u"ZP300.00"); break;
  }
  c.matrixCount = 1;
  c.levelCount[0] = 4;
  for (int l = 0; l < 4; ++l) c.sourceCount[0][l] = c.destCount[0][l] = 32;
  c.sourceAssocCount[0] = c.destAssocCount[0] = associations;
  c.generalPortCount = 3;
  c.multidropPortCount = 2;
  c.panelCount = 32;
  c.keypadCount = 80;
  std::fill(std::begin(c.keyCount), std::begin(c.keyCount) + 80, 64);
  c.xySetCount = 32;
  c.umdCount = 32;
  c.salvoCount = 32;
  c.salvoXPCount = 3000;
  return c;
}

inline ConfigImage EditorDefaultV3() { return EditorDefault(DBS_TYPE_V3, 768); }

}  // namespace zephra::test

namespace zephra::test {

// A caller's string for the duration of a test.
class Str {
 public:
  explicit Str(std::u16string_view text)
      : s_(DbsStringFromUnits(text.data(), static_cast<std::uint32_t>(text.size()))) {}
  // Paths in the tests are ASCII.
  explicit Str(const std::string& ascii) : s_(DbsStringAlloc(static_cast<std::uint32_t>(ascii.size()))) {
    std::copy(ascii.begin(), ascii.end(), s_);
  }
  ~Str() { DbsStringFree(s_); }
  Str(const Str&) = delete;
  Str& operator=(const Str&) = delete;
  operator DbsString() const { return s_; }
  std::u16string Text() const { return std::u16string(s_, DbsStringLength(s_)); }

 private:
  DbsString s_;
};

// The call form of a record, with its name in a string it owns.
struct CallConfig {
  Str name;
  TConfigurationRecord record{};
  explicit CallConfig(const ConfigImage& image) : name(std::u16string_view(image.name, 16)) {
    std::memcpy(&record.recordSize, &image.recordSize, kConfigFieldsSize);
    record.name = name;
  }
};

}  // namespace zephra::test
