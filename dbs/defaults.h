// The content of a new database: every table filled with a complete, usable
// configuration that the user then renames and rewires.
#pragma once

#include <cstdint>

#include "layout.h"

namespace zephra {

// Writes the default content of every table of `config` into `image`, laid
// out by `layout`, and zeroes everything from the end of the tables to the
// end of the file. The checksums are the caller's to compute.
void WriteDefaultImage(const ConfigImage& config, const ImageLayout& layout, std::uint8_t* image);

// The BuildDefaultImage entry of the V formats: the slot's layout, the given
// record, the slot's mapped image.
Status BuildDefaultImageV(DbsHandle handle, const ConfigImage* config, std::uint8_t* image);

// A level whose source count leaves 1 when divided by 16 is a data level
// with automatic parking: its last source is its park source.
constexpr bool HasParkSource(std::uint16_t sources) { return sources % 16 == 1; }

inline constexpr std::uint16_t kParkedDataLevelType = 41;

}  // namespace zephra
