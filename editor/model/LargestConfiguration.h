// The largest database a format holds: eight levels, each with as many
// destinations as its level may have and one source more (its park source),
// and the editor's defaults for everything else. The benchmarks and the
// pictures use it to show the editor at its heaviest.
#pragma once

#include <cstdint>

#include "zephra/zephra.h"

namespace zephra::editor {

void FillLargestConfig(TConfigurationRecord& record, std::uint16_t type);

}  // namespace zephra::editor
