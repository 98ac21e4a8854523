// The configuration record as JSON, field by field under the record's own
// names, for scripts that make databases or read what a file holds.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "zephra/zephra.h"

namespace zephra::tool {

// The record's fields (not its name); arrays lose their trailing zeros.
nlohmann::json ConfigToJson(const TConfigurationRecord& record);

// Fills the record's fields from JSON: fields left out are 0, arrays may be
// shorter than their full size, a "name" is returned in `name`. Returns an
// explanation when the JSON does not describe a record, else "".
std::string ConfigFromJson(const nlohmann::json& json, TConfigurationRecord& record, std::string& name);

}  // namespace zephra::tool
