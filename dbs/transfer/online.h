// What going on-line leaves for the transfers and the format entries.
#pragma once

#include "dbs/frame.h"

namespace zephra {

// Whether the controller of an on-line slot holds a database of the slot's
// format: DBS_ERR_NOT_ONLINE off-line, DBS_ERR_CONTROLLER_NOT_Vn for another
// format, DBS_ERR_WRONG_VERSION for a file tag no controller has.
Status ControllerVersionCheck(DbsHandle handle);

// FormatOps entries, the same for every V format.
Status VerifyControllerChecksumsV(DbsHandle handle, DbsSearchStatusCallback onSearch);
Status ClearProtectsStepV(DbsHandle handle, std::uint16_t a, std::uint16_t b);

}  // namespace zephra
