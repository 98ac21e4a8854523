#include "database_records.h"

#include "model/Snapshot.h"
#include "text.h"

namespace zephra::tool {

int ReadDatabase(const std::string& path, bool writable, OpenDatabase& db, model::Snapshot& snapshot) {
  const auto units = FromUtf8(path);
  if (!units) return Fail("the path " + path + " is not UTF-8 text");
  if (DbsStatus s = db.Open(*units, writable); s != DBS_OK) return Fail("cannot open " + path, s);
  DatabaseRecords records(db.Handle());
  if (DbsStatus s = model::ReadSnapshot(records, snapshot); s != DBS_OK) {
    if (s == DBS_ERR_INVALID_DATABASE) return Fail(path + " is a KV1 file: convert it first", s);
    return Fail("cannot read " + path, s);
  }
  return kOk;
}

}  // namespace zephra::tool
