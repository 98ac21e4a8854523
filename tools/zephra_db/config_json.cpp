#include "config_json.h"

#include <cstddef>
#include <cstring>

#include "text.h"

namespace zephra::tool {
namespace {

// Where a field lies in the record and how many 16-bit values it has, as
// rows x columns (a plain value is 1 x 1).
struct Field {
  const char* name;
  std::size_t offset;
  std::size_t rows, columns;
};

#define ZEPHRA_FIELD(f, rows, columns) Field{#f, offsetof(TConfigurationRecord, f), rows, columns}
constexpr Field kFields[] = {
    ZEPHRA_FIELD(configType, 1, 1),
    ZEPHRA_FIELD(matrixCount, 1, 1),
    ZEPHRA_FIELD(levelCount, 1, DBS_MAX_MATRICES),
    ZEPHRA_FIELD(sourceCount, DBS_MAX_MATRICES, DBS_MAX_LEVELS),
    ZEPHRA_FIELD(destCount, DBS_MAX_MATRICES, DBS_MAX_LEVELS),
    ZEPHRA_FIELD(sourceAssocCount, 1, DBS_MAX_MATRICES),
    ZEPHRA_FIELD(destAssocCount, 1, DBS_MAX_MATRICES),
    ZEPHRA_FIELD(tieLineCount, 1, 1),
    ZEPHRA_FIELD(generalPortCount, 1, 1),
    ZEPHRA_FIELD(matrixPortCount, 1, 1),
    ZEPHRA_FIELD(multidropPortCount, 1, 1),
    ZEPHRA_FIELD(panelCount, 1, 1),
    ZEPHRA_FIELD(keypadCount, 1, 1),
    ZEPHRA_FIELD(keyCount, 1, DBS_MAX_KEYPADS),
    ZEPHRA_FIELD(nodeCount, 1, DBS_MAX_KEYPADS),
    ZEPHRA_FIELD(xySetCount, 1, 1),
    ZEPHRA_FIELD(outputSetCount, 1, 1),
    ZEPHRA_FIELD(umdCount, 1, 1),
    ZEPHRA_FIELD(inputCueCount, 1, 1),
    ZEPHRA_FIELD(outputCueCount, 1, 1),
    ZEPHRA_FIELD(salvoCount, 1, 1),
    ZEPHRA_FIELD(salvoXPCount, 1, 1),
    ZEPHRA_FIELD(pathProtectCount, 1, 1),
};
#undef ZEPHRA_FIELD

std::uint16_t Get(const TConfigurationRecord& r, const Field& f, std::size_t i) {
  std::uint16_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&r) + f.offset + 2 * i, 2);
  return v;
}

void Set(TConfigurationRecord& r, const Field& f, std::size_t i, std::uint16_t v) {
  std::memcpy(reinterpret_cast<unsigned char*>(&r) + f.offset + 2 * i, &v, 2);
}

nlohmann::json Row(const TConfigurationRecord& r, const Field& f, std::size_t row) {
  std::size_t used = f.columns;
  while (used > 0 && Get(r, f, row * f.columns + used - 1) == 0) --used;
  nlohmann::json values = nlohmann::json::array();
  for (std::size_t c = 0; c < used; ++c) values.push_back(Get(r, f, row * f.columns + c));
  return values;
}

bool IsCount(const nlohmann::json& v) { return v.is_number_unsigned() && v.get<std::uint64_t>() <= 0xFFFF; }

std::string ReadRow(const nlohmann::json& v, const Field& f, std::size_t row, TConfigurationRecord& r) {
  if (!v.is_array() || v.size() > f.columns) {
    return std::string(f.name) + " must be a list of at most " + std::to_string(f.columns) + " counts";
  }
  for (std::size_t c = 0; c < v.size(); ++c) {
    if (!IsCount(v[c])) return std::string(f.name) + " holds a value that is not a count from 0 to 65535";
    Set(r, f, row * f.columns + c, v[c].get<std::uint16_t>());
  }
  return "";
}

}  // namespace

nlohmann::json ConfigToJson(const TConfigurationRecord& r) {
  nlohmann::json j;
  j["version"] = ToUtf8(std::u16string_view(r.version, 8));
  for (const Field& f : kFields) {
    if (f.rows == 1 && f.columns == 1) {
      j[f.name] = Get(r, f, 0);
    } else if (f.rows == 1) {
      j[f.name] = Row(r, f, 0);
    } else {
      std::size_t used = f.rows;
      while (used > 0 && Row(r, f, used - 1).empty()) --used;
      nlohmann::json rows = nlohmann::json::array();
      for (std::size_t m = 0; m < used; ++m) rows.push_back(Row(r, f, m));
      j[f.name] = rows;
    }
  }
  j["hasAutoProtect"] = r.hasAutoProtect != 0;
  return j;
}

std::string ConfigFromJson(const nlohmann::json& j, TConfigurationRecord& r, std::string& name) {
  if (!j.is_object()) return "the configuration must be a JSON object";
  DbsString keep = r.name;
  r = TConfigurationRecord{};
  r.name = keep;
  r.recordSize = DBS_CONFIG_RECORD_SIZE;
  for (const auto& [key, value] : j.items()) {
    if (key == "name") {
      if (!value.is_string()) return "name must be text";
      name = value.get<std::string>();
      continue;
    }
    if (key == "version") {
      const auto units = value.is_string() ? FromUtf8(value.get<std::string>()) : std::nullopt;
      if (!units || units->size() > 8) return "version must be text of at most 8 characters, such as \"ZP300.00\"";
      std::copy(units->begin(), units->end(), r.version);
      continue;
    }
    if (key == "hasAutoProtect") {
      if (!value.is_boolean()) return "hasAutoProtect must be true or false";
      r.hasAutoProtect = value.get<bool>() ? 1 : 0;
      continue;
    }
    const Field* field = nullptr;
    for (const Field& f : kFields) {
      if (key == f.name) field = &f;
    }
    if (!field) return "the configuration has no field \"" + key + "\"";
    if (field->rows == 1 && field->columns == 1) {
      if (!IsCount(value)) return key + " must be a count from 0 to 65535";
      Set(r, *field, 0, value.get<std::uint16_t>());
    } else if (field->rows == 1) {
      if (std::string error = ReadRow(value, *field, 0, r); !error.empty()) return error;
    } else {
      if (!value.is_array() || value.size() > field->rows) {
        return key + " must be a list of at most " + std::to_string(field->rows) + " lists of counts";
      }
      for (std::size_t m = 0; m < value.size(); ++m) {
        if (std::string error = ReadRow(value[m], *field, m, r); !error.empty()) return error;
      }
    }
  }
  return "";
}

}  // namespace zephra::tool
