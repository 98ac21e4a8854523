// What going on-line leaves for the transfers and the format entries.
#pragma once

#include "dbs/frame.h"

namespace zephra {

// Whether the controller of an on-line slot holds a database of the slot's
// format: DBS_ERR_NOT_ONLINE off-line, DBS_ERR_CONTROLLER_NOT_Vn for another
// format, DBS_ERR_WRONG_VERSION for a file tag no controller has.
Status ControllerVersionCheck(DbsHandle handle);

// The controller's database version text (8 bytes, as the controller sends
// them) through a loaded link library, asked twice before giving up.
Status AskVersion(void* lib, DbsHandle handle, std::uint8_t (&version)[8]);
// The DatabaseType a version text names by its first three bytes; 65535 for
// a text that names none.
std::uint16_t TypeOfTag(const std::uint8_t* tag);

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
