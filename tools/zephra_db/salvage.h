// zephra-db salvage: a new database of a damaged file's configuration with
// everything of it that reads back sound.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "dbs/layout.h"

namespace zephra::tool {

// The blocks of a file image that do not match their stored checksums; a
// block the file does not hold whole, or whose checksum it does not hold,
// counts as not matching.
std::vector<std::uint32_t> BadBlocks(std::span<const std::uint8_t> file, const ImageLayout& layout);

// Makes the database `fresh` from the file `damaged`, which is only read:
// when its configuration record is sound, a new database of that
// configuration (a KV1 file's in V1) gets, family by family as reconfiguring
// carries them, every record and tree of it that reads back sound. Says on
// `out` what was dropped or repaired, and why. Answers kOk when everything
// was carried over, kDamaged when something was dropped, kFailed when
// nothing could be.
int Salvage(const std::string& damaged, const std::string& fresh, bool overwrite, std::ostream& out);

}  // namespace zephra::tool
