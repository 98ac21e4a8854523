// The records of an open database as JSON, read through the library's
// exports, one key per record family.
#pragma once

#include <nlohmann/json.hpp>

#include "zephra/zephra.h"

namespace zephra::tool {

// Adds the record families to `out`; answers the first failing status.
DbsStatus DumpRecords(DbsHandle h, const TConfigurationRecord& config, nlohmann::json& out);

}  // namespace zephra::tool
