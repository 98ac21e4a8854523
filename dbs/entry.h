// How every record operation reaches the image: reads and writes checked
// against the tables, and the one entry-update path of the set operations
// (compare, write the whole record, renew its blocks' checksums, then the
// live update when on-line).
#pragma once

#include <cstring>
#include <initializer_list>
#include <string_view>

#include "frame.h"
#include "records/record_common.h"

namespace zephra {

// A record position that lies outside the tables: the operation is refused
// and nothing is read or written.
struct OutsideTables {};

class Db {
 public:
  Db(DbsHandle handle, Slot& slot) : handle_(handle), slot_(slot) {}

  DbsHandle Handle() const { return handle_; }
  Slot& GetSlot() { return slot_; }
  const ConfigImage& Config() const { return slot_.db->config; }
  const ImageLayout& Layout() const { return slot_.db->layout; }
  bool Online() const { return slot_.db->online != 0; }
  const FormatOps& Ops() const { return slot_.ops; }

  template <class R>
  R Read(std::uint32_t pos) const {
    R record;
    std::memcpy(&record, At(pos, sizeof record), sizeof record);
    return record;
  }
  void ReadBytes(std::uint32_t pos, void* out, std::size_t count) const {
    if (count) std::memcpy(out, At(pos, count), count);
  }

  // Writes bytes without comparing and renews the checksums of their blocks;
  // 5 when the database was opened read-only. The slot's journal sees every
  // write first.
  Status WriteBytes(std::uint32_t pos, const void* data, std::size_t count);
  template <class R>
  Status Write(std::uint32_t pos, const R& record) {
    static_assert(kIsImageRecord<R>);
    return WriteBytes(pos, &record, sizeof record);
  }

  // Calls a live-update entry with a record when the database is on-line.
  Status Live(LiveFn FormatOps::*entry, const void* record) const {
    return Online() ? (slot_.ops.*entry)(handle_, record) : Status{DBS_OK};
  }

 private:
  const std::uint8_t* At(std::uint32_t pos, std::size_t count) const;

  DbsHandle handle_;
  Slot& slot_;
};

// The answer of a change whose steps all run, in order (the write, the live
// updates, what follows): the first failure, DBS_OK when none failed.
inline Status FirstFailure(std::initializer_list<Status> steps) {
  for (Status s : steps) {
    if (s != DBS_OK) return s;
  }
  return DBS_OK;
}

// The entry-update path: writes `record` at `pos` only when it differs from
// the stored one, then, on-line, passes it to the live entry and answers its
// status. An unchanged record is DBS_OK with nothing written or sent.
template <class R>
Status UpdateEntry(Db& db, std::uint32_t pos, const R& record, LiveFn FormatOps::*live) {
  const R stored = db.Read<R>(pos);
  if (std::memcmp(&stored, &record, sizeof record) == 0) return DBS_OK;
  if (Status s = db.Write(pos, record); s != DBS_OK) return s;
  return db.Live(live, &record);
}

// Reads the record at `pos`, lets `change` alter the copy, and runs the
// entry-update path on it.
template <class R, class F>
Status ChangeEntry(Db& db, std::uint32_t pos, LiveFn FormatOps::*live, F&& change) {
  R record = db.Read<R>(pos);
  change(record);
  return UpdateEntry(db, pos, record, live);
}

// Runs a record operation on the slot of a valid handle; an index outside
// its table is DBS_ERR_INVALID_ARGUMENT. An old-format database is open only
// to be converted: its records are refused.
template <class F>
Status WithDb(DbsHandle handle, F&& body) noexcept {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    if (slot.db->config.configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    try {
      Db db(handle, slot);
      return body(db);
    } catch (const OutsideTables&) {
      return DBS_ERR_INVALID_ARGUMENT;
    }
  });
}

// Throws OutsideTables unless `ok`: for the index checks of every operation.
inline void Require(bool ok) {
  if (!ok) throw OutsideTables{};
}

// Where the records of matrix 0's tables lie; every number is checked
// against its count first.
std::uint32_t MatrixPos(const Db& db, std::uint16_t m);
std::uint32_t LevelPos(const Db& db, std::uint16_t m, std::uint16_t l);
std::uint32_t SourcePos(const Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t s);
std::uint32_t DestPos(const Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t d);
// The inhibit or auto-protect table of a level: `rows` rows of `rowBytes`.
struct LevelBitmap {
  std::uint32_t pos, rowBytes, rows;
  std::uint32_t Size() const { return rowBytes * rows; }
};
enum class BitmapKind { Inhibit, AutoProtect };
LevelBitmap BitmapOf(const Db& db, BitmapKind kind, std::uint16_t m, std::uint16_t l);

// Signed record numbers as unsigned indices: -1 (none) is out of any range.
inline std::uint16_t Index(std::int16_t n) { return static_cast<std::uint16_t>(n); }

// The name-field rules of the set operations: the 16 units that a caller's
// string would store (zero-padded).
struct NameField {
  char16_t units[kNameUnits] = {};
  explicit NameField(DbsString text);
  bool SameAs(const void* field) const { return std::memcmp(units, field, sizeof units) == 0; }
  void StoreIn(void* field) const { std::memcpy(field, units, sizeof units); }
};

// A Set's name rule: an empty string changes nothing; otherwise the field
// takes the string's first 16 units. Answers whether the field changed.
bool ApplyName(void* field, DbsString text);

}  // namespace zephra
