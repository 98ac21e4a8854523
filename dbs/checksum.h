// Block checksums: 16 bits over each 1 KB block of an image, 256 x (sum of
// the bytes at even offsets) + (sum of the bytes at odd offsets). The file
// keeps one per block in a table after its blocks; the controller keeps the
// same checksum over the blocks of its own image.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "layout.h"

namespace zephra {

// Checksum of up to 1024 bytes; a shorter block counts as zero-padded.
std::uint16_t BlockChecksum(std::span<const std::uint8_t> block);

// Checksums of every 1 KB block of `bytes`, the last block zero-padded.
std::vector<std::uint16_t> BlockChecksums(std::span<const std::uint8_t> bytes);

// A file image with its checksum table, as mapped while a database is open.
class ChecksummedImage {
 public:
  ChecksummedImage(std::uint8_t* image, std::uint32_t blockCount, std::uint32_t* changed)
      : image_(image), blockCount_(blockCount), changed_(changed) {}

  std::uint16_t Checksum(std::uint32_t block) const;
  std::uint16_t Stored(std::uint32_t block) const;
  bool BlockMatches(std::uint32_t block) const { return Stored(block) == Checksum(block); }
  // True when every block matches; stops at the first that does not.
  bool VerifyAllBlocks() const;
  // The first block that does not match, or blockCount when all do.
  std::uint32_t FirstBadBlock(std::uint32_t from = 0) const;

  // Recomputes and stores a block's checksum and marks the image changed.
  void UpdateBlock(std::uint32_t block);
  // UpdateBlock for every block from offset / 1024 to (offset + length) / 1024,
  // kept within the image.
  void UpdateRange(std::uint32_t offset, std::uint32_t length);
  void UpdateAllBlocks();

 private:
  std::uint8_t* image_;
  std::uint32_t blockCount_;
  std::uint32_t* changed_;
};

}  // namespace zephra
