#include "checksum.h"

#include <algorithm>
#include <cstring>

namespace zephra {

std::uint16_t BlockChecksum(std::span<const std::uint8_t> block) {
  std::uint32_t even = 0, odd = 0;
  const std::size_t n = std::min<std::size_t>(block.size(), kBlockSize);
  for (std::size_t i = 0; i + 1 < n; i += 2) {
    even += block[i];
    odd += block[i + 1];
  }
  if (n % 2) even += block[n - 1];
  return static_cast<std::uint16_t>(even * 256u + odd);
}

std::vector<std::uint16_t> BlockChecksums(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint16_t> sums(BlocksFor(static_cast<std::uint32_t>(bytes.size())));
  for (std::size_t b = 0; b < sums.size(); ++b) sums[b] = BlockChecksum(bytes.subspan(b * kBlockSize));
  return sums;
}

std::uint16_t ChecksummedImage::Checksum(std::uint32_t block) const {
  return BlockChecksum({image_ + std::size_t{block} * kBlockSize, kBlockSize});
}

std::uint16_t ChecksummedImage::Stored(std::uint32_t block) const {
  std::uint8_t le[2];
  std::memcpy(le, image_ + std::size_t{blockCount_} * kBlockSize + 2u * block, 2);
  return static_cast<std::uint16_t>(le[0] | le[1] << 8);
}

std::uint32_t ChecksummedImage::FirstBadBlock(std::uint32_t from) const {
  for (std::uint32_t b = from; b < blockCount_; ++b) {
    if (!BlockMatches(b)) return b;
  }
  return blockCount_;
}

bool ChecksummedImage::VerifyAllBlocks() const { return FirstBadBlock() == blockCount_; }

void ChecksummedImage::UpdateBlock(std::uint32_t block) {
  const std::uint16_t sum = Checksum(block);
  const std::uint8_t le[2] = {static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)};
  std::memcpy(image_ + std::size_t{blockCount_} * kBlockSize + 2u * block, le, 2);
  *changed_ = 1;
}

void ChecksummedImage::UpdateRange(std::uint32_t offset, std::uint32_t length) {
  if (blockCount_ == 0) return;
  const std::uint32_t first = std::min(offset / kBlockSize, blockCount_ - 1);
  const std::uint64_t end = (std::uint64_t{offset} + length) / kBlockSize;
  const std::uint32_t last = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, blockCount_ - 1));
  for (std::uint32_t b = first; b <= last; ++b) UpdateBlock(b);
}

void ChecksummedImage::UpdateAllBlocks() {
  for (std::uint32_t b = 0; b < blockCount_; ++b) UpdateBlock(b);
}

}  // namespace zephra
