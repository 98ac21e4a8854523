#include "link_binding.h"

#include <dlfcn.h>

namespace zephra {

using OffLineFn = DbsStatus (*)(std::uint16_t slot);
using SoftResetFn = DbsStatus (*)(std::uint16_t slot);
using PortParametersFn = DbsStatus (*)(const void* generalPort, std::uint16_t slot);

Status TakeOffline(DbsHandle handle, Slot& slot) {
  if (!slot.db->online) return DBS_OK;
  Status status = DBS_OK;
  if (void* lib = slot.ctl->linkLibrary) {
    if (auto offLine = LibraryCommand<OffLineFn>(lib, "OffLine")) {
      status = offLine(static_cast<std::uint16_t>(handle));
    }
    dlclose(lib);
    slot.ctl->linkLibrary = nullptr;
  }
  slot.db->online = 0;
  return status;
}

Status RestartController(DbsHandle handle, Slot& slot) {
  const auto softReset = LinkCommand<SoftResetFn>(slot, "SoftReset");
  if (!softReset) return DBS_SYS_PROC_NOT_FOUND;
  return softReset(static_cast<std::uint16_t>(handle));
}

Status FollowPortSettings(DbsHandle handle, Slot& slot, const void* generalPort) {
  const auto retune = LinkCommand<PortParametersFn>(slot, "SetPortParameters");
  if (!retune) return DBS_SYS_PROC_NOT_FOUND;
  return retune(generalPort, static_cast<std::uint16_t>(handle));
}

}  // namespace zephra
