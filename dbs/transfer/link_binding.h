// The link library as the rest of the database library sees it while a slot
// is on-line.
#pragma once

#include "dbs/frame.h"

namespace zephra {

// Takes an on-line slot off-line: calls the link library's OffLine when it
// has one, unloads the library and clears `online`. Answers OffLine's status,
// or DBS_OK when the slot was not on-line.
Status TakeOffline(DbsHandle handle, Slot& slot);

// Restarts the controller through the link library's SoftReset; 127 when the
// library has none (or none is loaded).
Status RestartController(DbsHandle handle, Slot& slot);

}  // namespace zephra
