// Upload: the controller's memory read back into the database. A full
// upload rebuilds the file with the controller's dimensions beside the old
// one and puts it in place only when it is complete, so a failed or
// cancelled upload leaves the database exactly as it was.
#include <unistd.h>

#include <cstring>
#include <memory>
#include <span>
#include <utility>

#include "config.h"
#include "names.h"
#include "transfer/controller_decode.h"
#include "transfer/controller_image.h"
#include "transfer/controller_memory.h"
#include "transfer/online.h"
#include "zephra/zephra_upload.h"

namespace zephra {

namespace {

// The image and the selected parameter areas, read whole.
Status ReadAreas(Slot& slot, DbsHandle handle, DbsTransferProgressCallback progress, const TransferSelection& selection,
                 ControllerBuffers& buffers) {
  const FormatInfo& format = *slot.db->format;
  const ControllerMap& map = *format.controllerMap;
  buffers = ControllerBuffers{};
  if (selection.database) {
    const std::uint32_t size = BlocksFor(map.imageSize) * kBlockSize;
    buffers.image.assign(size, 0);
    if (Status s = ReadControllerMemory(slot, handle, buffers.image.data(), 0, size, progress, 0, size); s != DBS_OK) {
      buffers = ControllerBuffers{};
      return s;
    }
  }
  const bool areas[3] = {selection.sourceAudio, selection.destAudio, selection.videoTrigger};
  for (int area = 1; area <= 3; ++area) {
    if (!areas[area - 1]) continue;
    auto& bytes = buffers.parameters[area - 1];
    bytes.assign(map.paramAreaSize, 0);
    const std::uint32_t at = ParameterAreaAddress(format, area);
    if (Status s = ReadControllerMemory(slot, handle, bytes.data(), at, map.paramAreaSize, progress, 0,
                                        map.paramAreaSize);
        s != DBS_OK) {
      buffers = ControllerBuffers{};
      return s;
    }
  }
  return DBS_OK;
}

// What a slot's database is, to be put back when a rebuild fails.
struct Held {
  DbFile file;
  std::uint8_t* image;
  ConfigImage config;
  ImageLayout layout;
  std::uint32_t changed;
  std::unique_ptr<DropTable> drops;
  std::unique_ptr<Journal> journal;  // its steps end with the file they were taken on
};

Held Take(Slot& slot) {
  DatabaseSlot& db = *slot.db;
  return {std::move(db.file), db.image, db.config, db.layout, slot.changed, std::move(slot.drops),
          std::move(slot.journal)};
}

void PutBack(Slot& slot, Held&& held) {
  DatabaseSlot& db = *slot.db;
  db.file = std::move(held.file);
  db.image = held.image;
  db.config = held.config;
  db.layout = held.layout;
  slot.changed = held.changed;
  slot.drops = std::move(held.drops);
  slot.journal = std::move(held.journal);
  ++slot.writes;
}

Status FullUpload(Slot& slot, DbsHandle handle, DbsTransferProgressCallback progress,
                  const TransferSelection& selection) {
  DatabaseSlot& db = *slot.db;
  const FormatInfo& format = *db.format;
  ConfigImage config{};
  if (Status s = slot.ops.ReadControllerConfig(handle, &config); s != DBS_OK) return s;
  if (Status s = ValidateConfigFor(format, config); s != DBS_OK) return s;
  ControllerBuffers buffers;
  if (Status s = ReadAreas(slot, handle, progress, selection, buffers); s != DBS_OK) return s;
  std::memcpy(config.name, db.config.name, sizeof config.name);
  const ImageLayout layout = ComputeLayout(config, format);

  DbFile fresh;
  if (Status s = DbFile::CreateReplacement(db.file, fresh); s != DBS_OK) return s;
  if (Status s = fresh.Allocate(layout.fileSize); s != DBS_OK) return s;
  if (Status s = fresh.Map(layout.fileSize, true, true); s != DBS_OK) return s;

  // The slot works on the new file while it is filled; on any failure the
  // old one comes back and the new one is removed.
  Held old = Take(slot);
  db.file = std::move(fresh);
  db.image = db.file.Data();
  db.config = config;
  db.layout = layout;
  ++slot.writes;
  Status s = slot.ops.BuildDefaultImage(handle, &db.config, db.image);
  if (s == DBS_OK) s = slot.ops.StoreControllerAreasSelected(handle, &buffers, &selection);
  if (s == DBS_OK) {
    std::memcpy(db.image, &db.config, sizeof db.config);
    slot.Checksums().UpdateAllBlocks();
    s = slot.ops.BuildControllerImage(handle);
  }
  if (s == DBS_OK) s = db.file.Commit();
  if (s != DBS_OK) {
    DbFile failed = std::move(db.file);
    PutBack(slot, std::move(old));
    return s;
  }
  old.file.Close(DbFile::Times::Keep);  // the replaced file, no longer in the folder
  slot.changed = 1;
  return DBS_OK;
}

// Parameters only: into the open database, which keeps its configuration.
Status ParameterUpload(Slot& slot, DbsHandle handle, DbsTransferProgressCallback progress,
                       const TransferSelection& selection) {
  ControllerBuffers buffers;
  if (Status s = ReadAreas(slot, handle, progress, selection, buffers); s != DBS_OK) return s;
  if (Status s = slot.ops.StoreControllerAreasSelected(handle, &buffers, &selection); s != DBS_OK) return s;
  slot.Checksums().UpdateAllBlocks();
  if (Status s = slot.ops.BuildControllerImage(handle); s != DBS_OK) return s;
  return slot.db->file.Flush();
}

Status Upload(DbsHandle handle, DbsTransferProgressCallback progress, const TransferSelection& selection) {
  return WithOnLineSlot(handle, DBS_ERR_INVALID_ARGUMENT, [&](Slot& slot) -> Status {
    if (slot.db->config.configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    // A database opened read-only takes nothing from the controller.
    if (Status s = CheckWritable(slot); s != DBS_OK) return s;
    return selection.database ? FullUpload(slot, handle, progress, selection)
                              : ParameterUpload(slot, handle, progress, selection);
  });
}

// What a controller holds, whole: the configuration a full upload gives
// the rebuilt file, the image and the three parameter areas.
struct ControllerContents {
  ConfigImage config{};
  ControllerBuffers buffers;
};

constexpr TransferSelection kEverything{true, true, true, true};

// A new database at `path` of the contents' dimensions, filled with them as a
// full upload fills the rebuilt file, and closed. A failure removes it.
Status WriteContents(DbsString path, ControllerContents& contents) {
  std::string utf8;
  if (Status s = PathToUtf8(path, utf8); s != DBS_OK) return s;
  const std::unique_ptr<DbsChar, decltype(&DbsStringFree)> name(DbsStringAlloc(16), &DbsStringFree);
  if (!name) return DBS_ERR_OUT_OF_MEMORY;
  TConfigurationRecord record{};
  record.name = name.get();
  ConfigToCall(contents.config, record);
  DbsHandle h = -1;
  if (Status s = dbs_CreateFile(path, &record, 0, &h); s != DBS_OK) return s;
  Status s = WithSlot(h, [&](Slot& slot) -> Status {
    if (Status st = slot.ops.StoreControllerAreasSelected(h, &contents.buffers, &kEverything); st != DBS_OK) return st;
    slot.Checksums().UpdateAllBlocks();
    return slot.ops.BuildControllerImage(h);
  });
  const Status closed = dbs_CloseFile(h);
  if (s == DBS_OK) s = closed;
  if (s != DBS_OK) unlink(utf8.c_str());
  return s;
}

Status UploadToFile(DbsHandle handle, DbsString path, DbsTransferProgressCallback progress) {
  ControllerContents contents;
  // Everything is read before the new file is made: the open database is
  // only read from, and a cancelled upload leaves no file behind.
  Status s = WithOnLineSlot(handle, DBS_ERR_INVALID_ARGUMENT, [&](Slot& slot) -> Status {
    DatabaseSlot& db = *slot.db;
    if (db.config.configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    if (Status st = slot.ops.ReadControllerConfig(handle, &contents.config); st != DBS_OK) return st;
    if (Status st = ValidateConfigFor(*db.format, contents.config); st != DBS_OK) return st;
    if (Status st = ReadAreas(slot, handle, progress, kEverything, contents.buffers); st != DBS_OK) return st;
    std::memcpy(contents.config.name, db.config.name, sizeof contents.config.name);
    return DBS_OK;
  });
  return s == DBS_OK ? WriteContents(path, contents) : s;
}

Status ControllerViewToFile(DbsHandle handle, DbsString path) {
  ControllerContents contents;
  Status s = WithDb(handle, [&](Db& d) -> Status {
    Slot& slot = d.GetSlot();
    const FormatInfo& format = *slot.db->format;
    if (format.configType == DBS_TYPE_KV1 || !format.controllerMap) return DBS_ERR_INVALID_DATABASE;
    if (Status st = CheckWritable(slot); st != DBS_OK) return st;
    ControllerBuffers& b = contents.buffers;
    b.image = EncodeControllerImage(d);
    for (int area = 1; area <= 3; ++area) b.parameters[area - 1] = EncodeParameterArea(d, area);
    // The configuration as the controller reports it, from the image's
    // fixed and level areas, exactly as an upload reads it.
    const ControllerMap& map = *format.controllerMap;
    if (b.image.size() < map.ctlFixedArea + 32 || b.image.size() < map.ctlLevelArea2 + 16) {
      return DBS_ERR_INVALID_DATABASE;
    }
    contents.config = UploadConfiguration(format, std::span<const std::uint8_t, 32>(b.image.data() + map.ctlFixedArea, 32),
                                          std::span<const std::uint8_t, 16>(b.image.data() + map.ctlLevelArea2, 16));
    if (Status st = ValidateConfigFor(format, contents.config); st != DBS_OK) return st;
    std::memcpy(contents.config.name, d.Config().name, sizeof contents.config.name);
    return DBS_OK;
  });
  return s == DBS_OK ? WriteContents(path, contents) : s;
}

}  // namespace

Status StoreControllerAreasSelectedV(DbsHandle handle, ControllerBuffers* buffers, const TransferSelection* selection) {
  if (!buffers || !selection || handle < 0 || handle >= DBS_MAX_DATABASES) return DBS_ERR_INVALID_ARGUMENT;
  const Status status = WithDb(handle, [&](Db& db) -> Status {
    if (selection->database) {
      if (Status s = DecodeControllerImage(db, buffers->image); s != DBS_OK) return s;
    }
    const bool areas[3] = {selection->sourceAudio, selection->destAudio, selection->videoTrigger};
    for (int area = 1; area <= 3; ++area) {
      if (!areas[area - 1]) continue;
      if (Status s = DecodeParameterArea(db, area, buffers->parameters[area - 1]); s != DBS_OK) return s;
    }
    return DBS_OK;
  });
  *buffers = ControllerBuffers{};
  return status;
}

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_Upload(DbsHandle handle, DbsTransferProgressCallback progress) {
  return Upload(handle, progress, TransferSelection{true, true, true, true});
}

DBS_API DbsStatus dbs_UploadWithOptions(DbsHandle handle, DbsTransferProgressCallback progress, uint16_t database,
                                        uint16_t sourceAudio, uint16_t destAudio, uint16_t videoTrigger) {
  return Upload(handle, progress, TransferSelection{database != 0, sourceAudio != 0, destAudio != 0, videoTrigger != 0});
}

DBS_API DbsStatus zephra_UploadToFile(DbsHandle handle, DbsString path, DbsTransferProgressCallback progress) {
  return Guarded([&] { return UploadToFile(handle, path, progress); });
}

DBS_API DbsStatus zephra_ControllerViewToFile(DbsHandle handle, DbsString path) {
  return Guarded([&] { return ControllerViewToFile(handle, path); });
}
