#include "LargestConfiguration.h"

#include "DefaultConfiguration.h"

namespace zephra::editor {

void FillLargestConfig(TConfigurationRecord& r, std::uint16_t type) {
  FillDefaultConfig(r, type);
  r.levelCount[0] = DBS_USABLE_LEVELS;
  for (std::uint16_t l = 0; l < DBS_USABLE_LEVELS; ++l) {
    r.destCount[0][l] = DbsLevelMaxDests(type, l);
    r.sourceCount[0][l] = static_cast<std::uint16_t>(r.destCount[0][l] + 1);
  }
}

}  // namespace zephra::editor
