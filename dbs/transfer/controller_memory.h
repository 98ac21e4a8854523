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

// Writes `count` bytes to controller address `address` in acknowledged
// frames; progress and cancel as for reading. The first link failure ends
// the write with its status.
Status WriteControllerMemory(Slot& slot, DbsHandle handle, const std::uint8_t* source, std::uint32_t address,
                             std::uint32_t count, DbsTransferProgressCallback progress = nullptr,
                             std::uint32_t base = 0, std::uint32_t total = 0);

// FormatOps entry: the configuration an upload gives the rebuilt file, from
// what the controller holds.
Status ReadControllerConfigV(DbsHandle handle, ConfigImage* config);

// Which components a transfer moves.
struct TransferSelection {
  bool database, sourceAudio, destAudio, videoTrigger;
};

// FormatOps entries: the controller told a download is coming, the selected
// components written (the image, then parameter areas 1, 2 and 3), and the
// download stopped in every case, so that the controller restarts.
Status DownloadSelectedV(DbsHandle handle, DbsTransferProgressCallback progress, const TransferSelection* selection);
Status DownloadAllV(DbsHandle handle, DbsTransferProgressCallback progress);

}  // namespace zephra
