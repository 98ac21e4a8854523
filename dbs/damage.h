// What is wrong with a database file that cannot be opened, in the words a
// person reads: the first problem found, looking the way opening does (the
// size, the configuration record, then every block against its checksum).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zephra {

struct Damage {
  std::string summary;              // one line: the first problem
  std::vector<std::uint32_t> badBlocks;  // every block that does not match its checksum
  std::uint32_t blockCount = 0;
};

// Nothing in `summary` when the file's size, record and blocks are sound.
Damage DescribeDamage(std::span<const std::uint8_t> bytes);

}  // namespace zephra
