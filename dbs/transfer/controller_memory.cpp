#include "transfer/controller_memory.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "transfer/controller_decode.h"

namespace zephra {

namespace {

using GetTableDataFn = DbsStatus (*)(std::uint8_t* destination, std::uint32_t address, std::uint16_t count,
                                     std::uint16_t slot);
using GetDatabaseVersionFn = DbsStatus (*)(std::uint8_t* destination, std::uint16_t slot);
constexpr std::uint32_t kCancel = 255;

template <class Fn>
Fn Command(const Slot& slot, const char* name) {
  void* lib = slot.ctl ? slot.ctl->linkLibrary : nullptr;
  return lib ? reinterpret_cast<Fn>(dlsym(lib, name)) : nullptr;
}

// The format tag ("ZP1", "ZP2", "ZP3") a controller's version text starts with.
Status TagStatus(const FormatInfo& format, const std::uint8_t (&version)[8]) {
  const char expected[3] = {'Z', 'P', static_cast<char>('0' + format.configType - 1)};
  if (std::memcmp(version, expected, 3) == 0) return DBS_OK;
  return format.configType == DBS_TYPE_V1 ? DBS_ERR_CONTROLLER_NOT_V1
         : format.configType == DBS_TYPE_V2 ? DBS_ERR_CONTROLLER_NOT_V2
                                            : DBS_ERR_CONTROLLER_NOT_V3;
}

}  // namespace

Status ReadControllerMemory(Slot& slot, DbsHandle handle, std::uint8_t* destination, std::uint32_t address,
                            std::uint32_t count, DbsTransferProgressCallback progress, std::uint32_t base,
                            std::uint32_t total) {
  const auto getTableData = Command<GetTableDataFn>(slot, "GetTableData");
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

Status ReadControllerConfigV(DbsHandle handle, ConfigImage* config) {
  return WithSlot(handle, [&](Slot& slot) -> Status {
    if (!config) return DBS_ERR_INVALID_ARGUMENT;
    const FormatInfo& format = *slot.db->format;
    const auto getVersion = Command<GetDatabaseVersionFn>(slot, "GetDatabaseVersion");
    if (!getVersion) return DBS_SYS_PROC_NOT_FOUND;
    // The controller must hold a database of this format; it is asked twice.
    std::uint8_t version[8] = {};
    Status s = getVersion(version, static_cast<std::uint16_t>(handle));
    if (s != DBS_OK) s = getVersion(version, static_cast<std::uint16_t>(handle));
    if (s != DBS_OK) return s;
    if (Status tag = TagStatus(format, version); tag != DBS_OK) return tag;
    const ControllerMap& map = *format.controllerMap;
    std::uint8_t fixed[32], park[16];
    if (Status r = ReadControllerMemory(slot, handle, fixed, map.ctlFixedArea, sizeof fixed); r != DBS_OK) return r;
    if (Status r = ReadControllerMemory(slot, handle, park, map.ctlLevelArea2, sizeof park); r != DBS_OK) return r;
    *config = UploadConfiguration(format, fixed, park);
    return DBS_OK;
  });
}

}  // namespace zephra
