// The link library as the rest of the database library sees it while a slot
// is on-line.
#pragma once

#include <dlfcn.h>

#include "dbs/frame.h"

namespace zephra {

// A command of a loaded link library by name, or null.
template <class Fn>
Fn LibraryCommand(void* library, const char* name) {
  return library ? reinterpret_cast<Fn>(dlsym(library, name)) : nullptr;
}
// A command of the link library loaded for a slot, or null.
template <class Fn>
Fn LinkCommand(const Slot& slot, const char* name) {
  return LibraryCommand<Fn>(slot.ctl ? slot.ctl->linkLibrary : nullptr, name);
}

// Takes an on-line slot off-line: calls the link library's OffLine when it
// has one, unloads the library and clears `online`. Answers OffLine's status,
// or DBS_OK when the slot was not on-line.
Status TakeOffline(DbsHandle handle, Slot& slot);

// Restarts the controller through the link library's SoftReset; 127 when the
// library has none (or none is loaded).
Status RestartController(DbsHandle handle, Slot& slot);

// Sets the PC's serial port to the settings of a general port record (bytes
// 4-11 in the link's port settings layout), through the link library's
// SetPortParameters; 127 when the library has none.
Status FollowPortSettings(DbsHandle handle, Slot& slot, const void* generalPort);

}  // namespace zephra
