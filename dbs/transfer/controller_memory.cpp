#include "transfer/controller_memory.h"

#include <algorithm>
#include <cstring>

#include "transfer/controller_decode.h"
#include "transfer/controller_image.h"
#include "transfer/link_binding.h"
#include "transfer/online.h"

namespace zephra {

namespace {

using GetTableDataFn = DbsStatus (*)(std::uint8_t* destination, std::uint32_t address, std::uint16_t count,
                                     std::uint16_t slot);
using GetDatabaseVersionFn = DbsStatus (*)(std::uint8_t* destination, std::uint16_t slot);
using SetTableDataFn = DbsStatus (*)(const std::uint8_t* source, std::uint32_t address, std::uint16_t count,
                                     std::uint16_t slot);
using SlotCommandFn = DbsStatus (*)(std::uint16_t slot);
constexpr std::uint32_t kCancel = 255;

}  // namespace

Status ReadControllerMemory(Slot& slot, DbsHandle handle, std::uint8_t* destination, std::uint32_t address,
                            std::uint32_t count, DbsTransferProgressCallback progress, std::uint32_t base,
                            std::uint32_t total) {
  const auto getTableData = LinkCommand<GetTableDataFn>(slot, "GetTableData");
  if (!getTableData) return DBS_SYS_PROC_NOT_FOUND;
  std::uint8_t reply[256];
  for (std::uint32_t done = 0; done < count;) {
    const auto n = static_cast<std::uint16_t>(std::min<std::uint32_t>(kTableChunk, count - done));
    const std::uint32_t at = address + done;
    std::memset(reply, 0xFF, sizeof reply);
    if (Status s = getTableData(reply, at, n, static_cast<std::uint16_t>(handle)); s != DBS_OK) return s;
    const std::uint32_t echoed = std::uint32_t{reply[0]} << 16 | std::uint32_t{reply[1]} << 8 | reply[2];
    if (echoed != (at & 0xFFFFFF)) return DBS_ERR_COMMS;
    std::memcpy(destination + done, reply + 3, n);
    done += n;
    if (progress && progress(DBS_OK, base + done, total) == kCancel) return DBS_ERR_CANCELLED;
  }
  return DBS_OK;
}

Status WriteControllerMemory(Slot& slot, DbsHandle handle, const std::uint8_t* source, std::uint32_t address,
                             std::uint32_t count, DbsTransferProgressCallback progress, std::uint32_t base,
                             std::uint32_t total) {
  const auto setTableData = LinkCommand<SetTableDataFn>(slot, "SetTableData");
  if (!setTableData) return DBS_SYS_PROC_NOT_FOUND;
  for (std::uint32_t done = 0; done < count;) {
    const auto n = static_cast<std::uint16_t>(std::min<std::uint32_t>(kTableChunk, count - done));
    if (Status s = setTableData(source + done, address + done, n, static_cast<std::uint16_t>(handle)); s != DBS_OK) {
      return s;
    }
    done += n;
    if (progress && progress(DBS_OK, base + done, total) == kCancel) return DBS_ERR_CANCELLED;
  }
  return DBS_OK;
}

namespace {

// One component of a download: its bytes written at their address, then the
// end-of-component progress call.
Status WriteComponent(Slot& slot, DbsHandle handle, const std::vector<std::uint8_t>& bytes, std::uint32_t address,
                      DbsTransferProgressCallback progress) {
  if (Status s = ControllerVersionCheck(handle); s != DBS_OK) return s;
  const auto size = static_cast<std::uint32_t>(bytes.size());
  if (Status s = WriteControllerMemory(slot, handle, bytes.data(), address, size, progress, 0, size); s != DBS_OK) {
    return s;
  }
  if (progress && progress(DBS_OK, size - 2, size) == kCancel) return DBS_ERR_CANCELLED;
  return DBS_OK;
}

}  // namespace

Status DownloadSelectedV(DbsHandle handle, DbsTransferProgressCallback progress, const TransferSelection* selection) {
  return WithDb(handle, [&](Db& db) -> Status {
    Slot& slot = db.GetSlot();
    if (!selection) return DBS_ERR_INVALID_ARGUMENT;
    const auto start = LinkCommand<SlotCommandFn>(slot, "StartDownload");
    const auto stop = LinkCommand<SlotCommandFn>(slot, "StopDownload");
    if (!start || !stop) return DBS_SYS_PROC_NOT_FOUND;
    if (Status s = ControllerVersionCheck(handle); s != DBS_OK) return s;
    const auto ctlSlot = static_cast<std::uint16_t>(handle);
    Status result = start(ctlSlot);
    if (result == DBS_OK && selection->database) {
      try {
        result = WriteComponent(slot, handle, EncodeControllerImage(db), 0, progress);
      } catch (const std::bad_alloc&) {
        result = DBS_SYS_NOT_ENOUGH_MEMORY;
      }
    }
    const bool areas[3] = {selection->sourceAudio, selection->destAudio, selection->videoTrigger};
    for (int area = 1; area <= 3 && result == DBS_OK; ++area) {
      if (!areas[area - 1]) continue;
      result = WriteComponent(slot, handle, EncodeParameterArea(db, area),
                              ParameterAreaAddress(*slot.db->format, area), progress);
    }
    // Stopped in every case, a cancelled download too: the controller
    // restarts and says so.
    const Status stopped = stop(ctlSlot);
    return result != DBS_OK ? result : stopped;
  });
}

Status DownloadAllV(DbsHandle handle, DbsTransferProgressCallback progress) {
  const TransferSelection all{true, true, true, true};
  return DownloadSelectedV(handle, progress, &all);
}

Status ReadControllerConfigV(DbsHandle handle, ConfigImage* config) {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    if (!config) return DBS_ERR_INVALID_ARGUMENT;
    const FormatInfo& format = *slot.db->format;
    const auto getVersion = LinkCommand<GetDatabaseVersionFn>(slot, "GetDatabaseVersion");
    if (!getVersion) return DBS_SYS_PROC_NOT_FOUND;
    // The controller must hold a database of this format.
    if (Status s = ControllerVersionCheck(handle); s != DBS_OK) return s;
    const ControllerMap& map = *format.controllerMap;
    std::uint8_t fixed[32], park[16];
    if (Status r = ReadControllerMemory(slot, handle, fixed, map.ctlFixedArea, sizeof fixed); r != DBS_OK) return r;
    if (Status r = ReadControllerMemory(slot, handle, park, map.ctlLevelArea2, sizeof park); r != DBS_OK) return r;
    *config = UploadConfiguration(format, fixed, park);
    return DBS_OK;
  });
}

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_Download(DbsHandle handle, DbsTransferProgressCallback progress) {
  return WithOnLineSlot(handle, DBS_SYS_FILE_NOT_FOUND,
                        [&](Slot& slot) { return slot.ops.DownloadAll(handle, progress); });
}

DBS_API DbsStatus dbs_DownloadWithOptions(DbsHandle handle, DbsTransferProgressCallback progress, uint16_t database,
                                          uint16_t sourceAudio, uint16_t destAudio, uint16_t videoTrigger) {
  return WithOnLineSlot(handle, DBS_SYS_FILE_NOT_FOUND, [&](Slot& slot) {
    const TransferSelection selection{database != 0, sourceAudio != 0, destAudio != 0, videoTrigger != 0};
    return slot.ops.DownloadSelected(handle, progress, &selection);
  });
}
