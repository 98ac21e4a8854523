// Upload: the controller's memory read back into the database. A full
// upload rebuilds the file with the controller's dimensions beside the old
// one and puts it in place only when it is complete, so a failed or
// cancelled upload leaves the database exactly as it was.
#include <cstring>
#include <utility>

#include "transfer/controller_decode.h"
#include "transfer/controller_image.h"
#include "transfer/controller_memory.h"
#include "transfer/online.h"

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
