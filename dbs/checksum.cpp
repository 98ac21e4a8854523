#include "checksum.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zephra {

namespace {

#if defined(__SSE2__)
// Sixteen bytes at a time: the even bytes masked out and the odd ones shifted
// down, each half summed by psadbw against zero into two 64-bit lanes.
void SumBytes(const std::uint8_t* data, std::size_t pieces, std::uint32_t& even, std::uint32_t& odd) {
  const __m128i low = _mm_set1_epi16(0x00FF);
  const __m128i zero = _mm_setzero_si128();
  __m128i e = zero, o = zero, e2 = zero, o2 = zero;
  std::size_t i = 0;
  for (; i + 2 <= pieces; i += 2) {  // two independent chains keep both load ports busy
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i + 16));
    e = _mm_add_epi64(e, _mm_sad_epu8(_mm_and_si128(x, low), zero));
    o = _mm_add_epi64(o, _mm_sad_epu8(_mm_srli_epi16(x, 8), zero));
    e2 = _mm_add_epi64(e2, _mm_sad_epu8(_mm_and_si128(y, low), zero));
    o2 = _mm_add_epi64(o2, _mm_sad_epu8(_mm_srli_epi16(y, 8), zero));
  }
  for (; i < pieces; ++i) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i));
    e = _mm_add_epi64(e, _mm_sad_epu8(_mm_and_si128(x, low), zero));
    o = _mm_add_epi64(o, _mm_sad_epu8(_mm_srli_epi16(x, 8), zero));
  }
  e = _mm_add_epi64(e, e2);
  o = _mm_add_epi64(o, o2);
  even += static_cast<std::uint32_t>(_mm_cvtsi128_si32(e) + _mm_cvtsi128_si32(_mm_srli_si128(e, 8)));
  odd += static_cast<std::uint32_t>(_mm_cvtsi128_si32(o) + _mm_cvtsi128_si32(_mm_srli_si128(o, 8)));
}
#else
void SumBytes(const std::uint8_t* data, std::size_t pieces, std::uint32_t& even, std::uint32_t& odd) {
  for (std::size_t i = 0; i < 16 * pieces; i += 2) {
    even += data[i];
    odd += data[i + 1];
  }
}
#endif

}  // namespace

std::uint16_t BlockChecksum(std::span<const std::uint8_t> block) {
  std::uint32_t even = 0, odd = 0;
  const std::size_t n = std::min<std::size_t>(block.size(), kBlockSize);
  SumBytes(block.data(), n / 16, even, odd);
  for (std::size_t i = n / 16 * 16; i < n; ++i) (i % 2 ? odd : even) += block[i];
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
