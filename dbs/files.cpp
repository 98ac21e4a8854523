// Creating, opening, saving under a new name and closing database files, and
// the queries on an open database.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "checksum.h"
#include "frame.h"
#include "names.h"
#include "transfer/link_binding.h"

namespace zephra {
namespace {

// Gives the slot back unless the operation that took it succeeded.
class SlotClaim {
 public:
  explicit SlotClaim(DbsHandle handle) : handle_(handle) {}
  ~SlotClaim() {
    if (handle_ >= 0) Slots().Release(handle_);
  }
  SlotClaim(const SlotClaim&) = delete;
  SlotClaim& operator=(const SlotClaim&) = delete;
  void Keep() { handle_ = -1; }

 private:
  DbsHandle handle_;
};

// The format of a stored or given record, when its type is a format and its
// tag names that format.
const FormatInfo* CheckedFormat(const ConfigImage& config) {
  const FormatInfo* format = FindFormat(config.configType);
  if (!format || !TagMatches(config, *format)) return nullptr;
  return format;
}

// Validates the slot's record, lays out its image and installs its format.
Status PrepareSlot(DbsHandle h, Slot& slot, const FormatInfo& format) {
  const FormatOps* ops = FormatOpsFor(format.configType);
  if (Status s = ops->ValidateConfig(h, &slot.db->config); s != DBS_OK) return s;
  slot.db->layout = ComputeLayout(slot.db->config, format);
  return Slots().InstallFormat(h, format.configType);
}

void StorePath(DatabaseSlot& db, DbsString path) {
  std::fill(std::begin(db.path), std::end(db.path), u'\0');
  const auto units = Units(path);
  std::copy_n(units.begin(), std::min(units.size(), kMaxPathUnits), db.path);
}

// A saved-as path is the database's own when it differs only in letter case.
bool SamePathIgnoringCase(const DatabaseSlot& db, DbsString path) {
  const auto fold = [](char16_t u) { return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u - u'A' + u'a') : u; };
  const auto units = Units(path);
  const std::size_t length = std::char_traits<char16_t>::length(db.path);
  return units.size() == length &&
         std::equal(units.begin(), units.end(), db.path, [&](char16_t a, char16_t b) { return fold(a) == fold(b); });
}

// Checks every block of the file against its stored checksum, reading the
// file in large pieces rather than through the mapping: a database that is
// opened touches few of its pages afterwards.
Status VerifyFileBlocks(const DbFile& file, const ImageLayout& layout) {
  std::vector<std::uint8_t> table(std::size_t{layout.blockCount} * 2);
  if (Status s = file.ReadAt(table.data(), table.size(), layout.checksumTablePos); s != DBS_OK) return s;
  constexpr std::uint32_t kBlocksPerRead = 256;
  std::vector<std::uint8_t> blocks(std::min(kBlocksPerRead, layout.blockCount) * kBlockSize);
  for (std::uint32_t first = 0; first < layout.blockCount; first += kBlocksPerRead) {
    const std::uint32_t count = std::min(kBlocksPerRead, layout.blockCount - first);
    if (Status s = file.ReadAt(blocks.data(), count * kBlockSize, std::uint64_t{first} * kBlockSize); s != DBS_OK) {
      return s;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t b = first + i;
      const auto stored = static_cast<std::uint16_t>(table[2 * b] | table[2 * b + 1] << 8);
      if (BlockChecksum({blocks.data() + i * kBlockSize, kBlockSize}) != stored) return DBS_ERR_FILE_CORRUPT;
    }
  }
  return DBS_OK;
}

void Attach(DatabaseSlot& db, DbFile&& file, DbsString path) {
  db.file = std::move(file);
  db.image = db.file.Data();
  StorePath(db, path);
  db.isOpen = 1;
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_CreateFile(DbsString path, const TConfigurationRecord* config, int32_t overwrite,
                                 DbsHandle* handle) {
  return Guarded([&]() -> Status {
    if (!config || !handle) return DBS_ERR_INVALID_ARGUMENT;
    DbsHandle h = -1;
    if (Status s = Slots().Allocate(h); s != DBS_OK) return s;
    SlotClaim claim(h);
    Slot& slot = Slots()[h];
    DatabaseSlot& db = *slot.db;
    db.writable = 1;
    db.config = ConfigFromCall(*config);
    const FormatInfo* format = CheckedFormat(db.config);
    if (!format || format->configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    if (Status s = PrepareSlot(h, slot, *format); s != DBS_OK) return s;

    std::string utf8;
    if (Status s = PathToUtf8(path, utf8); s != DBS_OK) return s;
    DbFile file;
    if (Status s = DbFile::CreateNew(utf8, overwrite != 0, FileOpenInAnySlot, file); s != DBS_OK) return s;
    if (Status s = file.Allocate(db.layout.fileSize); s != DBS_OK) return s;
    if (Status s = file.Map(db.layout.fileSize, true, true); s != DBS_OK) return s;
    db.image = file.Data();
    if (Status s = slot.ops.BuildDefaultImage(h, &db.config, db.image); s != DBS_OK) return s;
    slot.Checksums().UpdateAllBlocks();
    if (Status s = file.Commit(); s != DBS_OK) return s;

    Attach(db, std::move(file), path);
    slot.changed = 0;
    *handle = h;
    claim.Keep();
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_OpenFile(DbsString path, int32_t writable, DbsHandle* handle) {
  return Guarded([&]() -> Status {
    if (!handle) return DBS_ERR_INVALID_ARGUMENT;
    DbsHandle h = -1;
    if (Status s = Slots().Allocate(h); s != DBS_OK) return s;
    SlotClaim claim(h);
    Slot& slot = Slots()[h];
    DatabaseSlot& db = *slot.db;
    db.writable = writable != 0 ? 1 : 0;

    std::string utf8;
    if (Status s = PathToUtf8(path, utf8); s != DBS_OK) return s;
    DbFile file;
    if (Status s = DbFile::OpenExisting(utf8, db.writable, FileOpenInAnySlot, file); s != DBS_OK) return s;
    std::uint64_t size = 0;
    if (Status s = file.Size(size); s != DBS_OK) return s;
    if (size < sizeof(ConfigImage)) return DBS_ERR_FILE_CORRUPT;
    if (Status s = file.ReadAt(&db.config, sizeof db.config, 0); s != DBS_OK) return s;
    const FormatInfo* format = CheckedFormat(db.config);
    if (!format) return DBS_ERR_INVALID_DATABASE;
    if (Status s = PrepareSlot(h, slot, *format); s != DBS_OK) return s;
    // Nothing is read beyond what the file holds: a file of another size
    // than its record implies is damaged.
    if (size != db.layout.fileSize) return DBS_ERR_FILE_CORRUPT;
    if (Status s = VerifyFileBlocks(file, db.layout); s != DBS_OK) return s;
    if (Status s = file.Map(db.layout.fileSize, db.writable); s != DBS_OK) return s;
    db.image = file.Data();

    file.Touch(false);
    Attach(db, std::move(file), path);
    slot.changed = 0;
    *handle = h;
    claim.Keep();
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SaveFile(DbsString path, int32_t overwrite, DbsHandle* handle) {
  return Guarded([&]() -> Status {
    if (!handle) return DBS_ERR_INVALID_ARGUMENT;
    Slot* slot = Slots().Check(*handle);
    if (!slot) return DBS_ERR_INVALID_DATABASE;
    DatabaseSlot& db = *slot->db;
    std::string utf8;
    if (Status s = PathToUtf8(path, utf8); s != DBS_OK) return s;
    if (SamePathIgnoringCase(db, path)) return DBS_SYS_SHARING_VIOLATION;

    // The copy is made while the database stays open on its file, so any
    // failure leaves it open there with its handle valid.
    DbFile copy;
    if (Status s = DbFile::CreateNew(utf8, overwrite != 0, FileOpenInAnySlot, copy); s != DBS_OK) return s;
    if (Status s = db.file.Flush(); s != DBS_OK) return s;
    if (Status s = copy.Allocate(db.layout.fileSize); s != DBS_OK) return s;
    if (Status s = copy.WriteAt(db.image, db.layout.fileSize, 0); s != DBS_OK) return s;
    if (Status s = copy.Commit(); s != DBS_OK) return s;
    // The copy carries the last-write time the old file has once closed.
    struct timespec written {0, UTIME_NOW};
    if (!slot->changed && db.file.WriteTime(written) != DBS_OK) written = {0, UTIME_NOW};
    copy.SetWriteTime(written);
    if (Status s = copy.Map(db.layout.fileSize, db.writable); s != DBS_OK) return s;

    db.file.Close(slot->changed ? DbFile::Times::Written : DbFile::Times::Accessed);
    Attach(db, std::move(copy), path);
    slot->changed = 0;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_CloseFile(DbsHandle handle) {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    const Status offline = TakeOffline(handle, slot);
    slot.db->file.Close(slot.changed ? DbFile::Times::Written : DbFile::Times::Accessed);
    Slots().Release(handle);
    return offline;
  });
}

DBS_API DbsStatus dbs_GetDatabaseName(DbsString name, DbsHandle handle) {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    const auto units = Units(name);
    std::copy_n(slot.db->path, std::min<std::size_t>(units.size(), std::size(slot.db->path)), units.begin());
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_GetConfig(TConfigurationRecord* config, DbsHandle handle) {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    if (!config) return DBS_ERR_INVALID_ARGUMENT;
    ConfigToCall(slot.db->config, *config);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_GetDBSize(uint32_t* size, DbsHandle handle) {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    if (!size) return DBS_ERR_INVALID_ARGUMENT;
    *size = slot.ctl->map.imageSize;
    return DBS_OK;
  });
}
