#include "diff.h"

#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <span>

#include "database_records.h"
#include "dbs/transfer/controller_decode.h"
#include "dbs/transfer/controller_image.h"
#include "model/Compare.h"
#include "model/NameText.h"
#include "text.h"

namespace zephra::tool {

namespace {

namespace fs = std::filesystem;

nlohmann::ordered_json JsonOf(const model::Value& v) {
  switch (v.type) {
    case model::Value::Type::None: return nullptr;
    case model::Value::Type::Number: return v.number;
    default: return v.text;
  }
}

void Print(const std::vector<model::Difference>& differences, bool json) {
  if (!json) {
    for (const model::Difference& d : differences) std::cout << model::Describe(d) << "\n";
    return;
  }
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const model::Difference& d : differences) {
    static constexpr const char* kChanges[] = {"changed", "added", "removed"};
    nlohmann::ordered_json j = {{"family", std::string(model::FamilyWord(d.family))},
                        {"record", d.record},
                        {"field", d.field},
                        {"change", kChanges[static_cast<int>(d.change)]},
                        {"before", JsonOf(d.before)},
                        {"after", JsonOf(d.after)}};
    const std::pair<const char*, int> numbers[] = {
        {"matrix", d.matrix}, {"level", d.level}, {"number", d.number}, {"key", d.item}};
    for (const auto& [name, n] : numbers) {
      if (n >= 0) j[name] = n + 1;
    }
    if (!d.sequence.empty()) {
      j["sequence"] = nlohmann::ordered_json::array();
      for (const std::u16string& key : d.sequence) j["sequence"].push_back(model::Utf8Of(key));
    }
    out.push_back(j);
  }
  std::cout << out.dump(2) << "\n";
}

int Report(const model::Snapshot& a, const model::Snapshot& b, bool json) {
  const auto differences = model::Compare(a, b);
  Print(differences, json);
  return differences.empty() ? kOk : kDamaged;
}

// A folder of its own for the temporary databases, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "zephra-db-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  bool Made() const { return !path_.empty(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// The database the controller would hold after a download of `copy`: its
// controller image and parameter areas, decoded as an upload decodes them
// into a new database at `view`.
int ControllerView(const std::string& copy, const std::string& view) {
  OpenDatabase source;
  if (DbsStatus s = source.Open(*FromUtf8(copy), true); s != DBS_OK) return Fail("cannot open " + copy, s);
  std::vector<std::uint8_t> image, parameters[3];
  ConfigImage config{};
  const FormatInfo* format = nullptr;
  DbsStatus s = WithDb(source.Handle(), [&](Db& d) -> Status {
    format = FindFormat(d.Config().configType);
    if (!format || !format->controllerMap) return DBS_ERR_INVALID_DATABASE;
    image = EncodeControllerImage(d);
    for (int area = 1; area <= 3; ++area) parameters[area - 1] = EncodeParameterArea(d, area);
    const ControllerMap& map = *format->controllerMap;
    if (image.size() < map.ctlFixedArea + 32 || image.size() < map.ctlLevelArea2 + 16) return DBS_ERR_INVALID_DATABASE;
    config = UploadConfiguration(*format, std::span<const std::uint8_t, 32>(image.data() + map.ctlFixedArea, 32),
                                 std::span<const std::uint8_t, 16>(image.data() + map.ctlLevelArea2, 16));
    std::copy(std::begin(d.Config().name), std::end(d.Config().name), config.name);
    return DBS_OK;
  });
  if (s != DBS_OK) return Fail("cannot build the controller image of " + copy, s);
  LibString name(16);
  TConfigurationRecord record{};
  record.name = name;
  ConfigToCall(config, record);
  DbsHandle h = -1;
  if (s = dbs_CreateFile(LibString(*FromUtf8(view)), &record, 0, &h); s != DBS_OK) {
    return Fail("cannot make a database of the controller's dimensions", s);
  }
  s = WithDb(h, [&](Db& d) -> Status {
    if (Status st = DecodeControllerImage(d, image); st != DBS_OK) return st;
    for (int area = 1; area <= 3; ++area) {
      if (Status st = DecodeParameterArea(d, area, parameters[area - 1]); st != DBS_OK) return st;
    }
    return DBS_OK;
  });
  const DbsStatus closed = dbs_CloseFile(h);
  if (s != DBS_OK) return Fail("cannot decode the controller image of " + copy, s);
  if (closed != DBS_OK) return Fail("cannot close " + view, closed);
  return kOk;
}

}  // namespace

int Diff(const std::string& a, const std::string& b, bool json) {
  std::error_code error;
  if (fs::equivalent(a, b, error)) {  // one file cannot be opened twice, and equals itself
    Print({}, json);
    return kOk;
  }
  OpenDatabase dbA, dbB;
  model::Snapshot snapA, snapB;
  if (int rc = ReadDatabase(a, false, dbA, snapA); rc != kOk) return rc;
  if (int rc = ReadDatabase(b, false, dbB, snapB); rc != kOk) return rc;
  return Report(snapA, snapB, json);
}

int DiffController(const std::string& path, const LinkOptions& link, bool json) {
  TempFolder temp;
  if (!temp.Made()) return Fail("cannot make a temporary folder");
  const std::string extension = fs::path(path).extension().string();
  const std::string fromController = temp.File("controller" + extension), copy = temp.File("file" + extension),
                    view = temp.File("view" + extension);
  // Both temporary databases start as copies of the file, which is read
  // and never opened for writing.
  for (const std::string& to : {fromController, copy}) {
    std::error_code error;
    if (!fs::copy_file(path, to, error)) return Fail("cannot copy " + path + ": " + error.message());
  }
  std::string failed;
  if (DbsStatus s = ReadController(fromController, link, failed); s != DBS_OK) return Fail(failed, s);
  if (int rc = ControllerView(copy, view); rc != kOk) return rc;
  OpenDatabase dbFile, dbController;
  model::Snapshot file, controller;
  if (int rc = ReadDatabase(view, false, dbFile, file); rc != kOk) return rc;
  if (int rc = ReadDatabase(fromController, false, dbController, controller); rc != kOk) return rc;
  return Report(file, controller, json);
}

}  // namespace zephra::tool
