// What going on-line leaves for the transfers and the format entries.
#pragma once

#include "dbs/frame.h"

namespace zephra {

// Whether the controller of an on-line slot holds a database of the slot's
// format: DBS_ERR_NOT_ONLINE off-line, DBS_ERR_CONTROLLER_NOT_Vn for another
// format, DBS_ERR_WRONG_VERSION for a file tag no controller has.
Status ControllerVersionCheck(DbsHandle handle);

// Runs a transfer export's body on an on-line slot: a handle outside 0-9
// answers `outOfRange` (the transfer exports number this differently), a
// database that is not on-line DBS_ERR_NOT_ONLINE.
template <class F>
Status WithOnLineSlot(DbsHandle handle, Status outOfRange, F&& body) noexcept {
  return Guarded([&]() -> Status {
    if (handle < 0 || handle >= DBS_MAX_DATABASES) return outOfRange;
    Slot* slot = Slots().Check(handle);
    if (!slot || !slot->db->online) return DBS_ERR_NOT_ONLINE;
    return body(*slot);
  });
}

// FormatOps entries, the same for every V format.
Status VerifyControllerChecksumsV(DbsHandle handle, DbsSearchStatusCallback onSearch);
Status ClearProtectsStepV(DbsHandle handle, std::uint16_t a, std::uint16_t b);

}  // namespace zephra
