// zephra-db's configuration JSON from anywhere: any text is either refused
// with an explanation, or read into a record that the library then makes
// into a database or refuses with its status, as `zephra-db create --config`
// does. A record read from JSON comes back the same from its own JSON.
#include <cstring>

#include <nlohmann/json.hpp>

#include "fuzz_calls.h"
#include "tools/zephra_db/config_json.h"

namespace zephra::fuzz {
namespace {

bool SameFields(const TConfigurationRecord& a, const TConfigurationRecord& b) {
  return std::memcmp(&a.recordSize, &b.recordSize, sizeof a - offsetof(TConfigurationRecord, recordSize)) == 0;
}

void Run(std::span<const std::uint8_t> data) {
  const nlohmann::json json = nlohmann::json::parse(data.begin(), data.end(), nullptr, false);
  if (json.is_discarded()) return;
  TConfigurationRecord record{};
  std::string name;
  if (const std::string error = tool::ConfigFromJson(json, record, name); !error.empty()) return;

  TConfigurationRecord again{};
  std::string ignored;
  if (!tool::ConfigFromJson(tool::ConfigToJson(record), again, ignored).empty() || !SameFields(record, again)) {
    Fault("a record does not come back from its own JSON");
  }

  const auto units = tool::FromUtf8(name);
  if (!units) return;  // the tool refuses a name that is not UTF-8
  LibString libName(*units);
  record.name = libName;
  const std::string path = Files().path + "/json.db";
  DbsHandle h = -1;
  const DbsStatus s = dbs_CreateFile(LibString(Wide(path)), &record, -1, &h);
  if (s != DBS_OK) {
    if (s != DBS_ERR_INVALID_DATABASE && s != DBS_ERR_INVALID_CONFIG) Fault("creating answered an unexpected status", s);
    return;
  }
  if (h != 0) Fault("a slot was left open", static_cast<unsigned>(h));
  dbs_CloseFile(h);
  DbsStatus opened = DBS_OK;
  h = Open(path, false, opened);
  if (opened != DBS_OK) Fault("a new database does not open", opened);
  dbs_CloseFile(h);
}

}  // namespace
}  // namespace zephra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zephra::fuzz::Run({data, size});
  return 0;
}
