// Configuration records the tests start from.
#pragma once

#include <algorithm>
#include <iterator>

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
