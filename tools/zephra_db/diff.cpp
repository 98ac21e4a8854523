#include "diff.h"

#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "database_records.h"
#include "model/Compare.h"
#include "model/NameText.h"
#include "text.h"
#include "zephra/zephra_upload.h"

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

// The database the controller would hold after a download of `copy`,
// decoded as an upload decodes the controller's into a new database at
// `view`.
int ControllerView(const std::string& copy, const std::string& view) {
  OpenDatabase source;
  if (DbsStatus s = source.Open(*FromUtf8(copy), true); s != DBS_OK) return Fail("cannot open " + copy, s);
  if (DbsStatus s = zephra_ControllerViewToFile(source.Handle(), LibString(*FromUtf8(view))); s != DBS_OK) {
    return Fail("cannot build the controller image of " + copy, s);
  }
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
