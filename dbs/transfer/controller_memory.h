// Reading and writing the controller's memory through the loaded link
// library, in the frames the link carries.
#pragma once

#include <cstdint>

#include "dbs/frame.h"

namespace zephra {

// At most this many bytes go in one table frame.
inline constexpr std::uint16_t kTableChunk = 128;

// Reads `count` bytes from controller address `address` into `destination`.
// A reply that echoes another address is DBS_ERR_COMMS; the first link
// failure ends the read with its status. With a progress callback, it is
// called after every chunk with (0, base + bytes so far, total); 255 cancels
// (DBS_ERR_CANCELLED). 127 when the link library lacks GetTableData.
Status ReadControllerMemory(Slot& slot, DbsHandle handle, std::uint8_t* destination, std::uint32_t address,
                            std::uint32_t count, DbsTransferProgressCallback progress = nullptr,
                            std::uint32_t base = 0, std::uint32_t total = 0);

// FormatOps entry: the configuration an upload gives the rebuilt file, from
// what the controller holds.
Status ReadControllerConfigV(DbsHandle handle, ConfigImage* config);

}  // namespace zephra
