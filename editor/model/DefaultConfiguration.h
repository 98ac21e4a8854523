// The configuration a new database starts from: one matrix of four levels of
// 32 sources and destinations, full association tables, 32 panels, 80
// keypads, 32 UMDs and salvos, 3000 salvo crosspoints.
#pragma once

#include <cstdint>
#include <string_view>

#include "zephra/zephra.h"

namespace zephra::editor {

inline constexpr std::u16string_view kDefaultDatabaseName = u"Zephra    ";

// Sets every field of the record for a database of `type` (2, 3 or 4); the
// name string, when the record has one, receives as much of the default name
// as it holds.
void FillDefaultConfig(TConfigurationRecord& record, std::uint16_t type);

// A default record that owns its name string.
class DefaultConfiguration {
 public:
  explicit DefaultConfiguration(std::uint16_t type, std::u16string_view name = kDefaultDatabaseName);
  ~DefaultConfiguration();
  DefaultConfiguration(const DefaultConfiguration&) = delete;
  DefaultConfiguration& operator=(const DefaultConfiguration&) = delete;

  TConfigurationRecord& Record() { return record_; }
  const TConfigurationRecord& Record() const { return record_; }

 private:
  TConfigurationRecord record_{};
};

}  // namespace zephra::editor
