// The way back: a controller's memory turned into the records of a database
// whose configuration is the one an upload creates.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dbs/entry.h"

namespace zephra {

// The configuration an upload gives the rebuilt file, from the controller's
// fixed area (source and destination counts, 32 bytes) and its park sources
// (16 bytes): matrix 0 only, and the format's fixed numbers of everything
// else.
ConfigImage UploadConfiguration(const FormatInfo& format, std::span<const std::uint8_t, 32> fixedArea,
                                std::span<const std::uint8_t, 16> parkSources);

// Decodes a controller image (at least the format's image size) into a
// database of the upload configuration that holds its default content. Every
// value and link taken from the controller is range-checked and every walk
// bounded; what is out of range becomes none or the default. Fails only
// when the database cannot be written, or the image is too short.
Status DecodeControllerImage(Db& db, std::span<const std::uint8_t> image);

// Decodes parameter area 1, 2 or 3 into the source and destination tables.
Status DecodeParameterArea(Db& db, int area, std::span<const std::uint8_t> bytes);

// What an upload reads from the controller: its image and the three
// parameter areas.
struct ControllerBuffers {
  std::vector<std::uint8_t> image;
  std::vector<std::uint8_t> parameters[3];
};

// FormatOps entry: decodes the image, then parameter areas 1, 2 and 3, and
// releases the buffers.
Status StoreControllerAreasV(DbsHandle handle, ControllerBuffers* buffers);
// The same for the selected components only.
struct TransferSelection;
Status StoreControllerAreasSelectedV(DbsHandle handle, ControllerBuffers* buffers, const TransferSelection* selection);

}  // namespace zephra
