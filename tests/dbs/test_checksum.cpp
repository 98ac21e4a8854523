#include <gtest/gtest.h>

#include <vector>

#include "dbs/checksum.h"

namespace zephra {
namespace {

TEST(BlockChecksum, KnownBlocks) {
  std::vector<std::uint8_t> block(1024, 0);
  EXPECT_EQ(BlockChecksum(block), 0);
  block[0] = 1;
  EXPECT_EQ(BlockChecksum(block), 0x0100);
  block[0] = 0;
  block[1] = 1;
  EXPECT_EQ(BlockChecksum(block), 1);
  std::fill(block.begin(), block.end(), 0xFF);
  EXPECT_EQ(BlockChecksum(block), 0xFE00);
}

// The definition, byte by byte, against the fast summing.
TEST(BlockChecksum, AgreesWithTheDefinitionOnAnyBytes) {
  std::uint32_t seed = 12345;
  std::vector<std::uint8_t> block(1024);
  for (int round = 0; round < 200; ++round) {
    for (auto& b : block) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    if (round == 0) std::fill(block.begin(), block.end(), 0xFF);
    const std::size_t n = round % 3 == 2 ? 1 + seed % 1024 : 1024;  // short blocks too
    std::uint32_t even = 0, odd = 0;
    for (std::size_t i = 0; i < n; ++i) (i % 2 ? odd : even) += block[i];
    EXPECT_EQ(BlockChecksum({block.data(), n}), static_cast<std::uint16_t>(even * 256 + odd)) << round;
  }
}

TEST(BlockChecksum, ShortLastBlockCountsAsZeroPadded) {
  std::vector<std::uint8_t> bytes(1024 + 3, 0);
  bytes[1024] = 2;
  bytes[1026] = 1;
  const auto sums = BlockChecksums(bytes);
  ASSERT_EQ(sums.size(), 2u);
  EXPECT_EQ(sums[1], 0x0300);
}

// A 3-block image followed by its checksum table.
struct Image {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(3 * 1024 + 3 * 2, 0);
  std::uint32_t changed = 0;
  ChecksummedImage view{bytes.data(), 3, &changed};
};

TEST(ChecksummedImage, RecordAcrossABlockEdgeUpdatesBothBlocks) {
  Image img;
  img.view.UpdateAllBlocks();
  img.changed = 0;
  ASSERT_TRUE(img.view.VerifyAllBlocks());
  for (int i = 0; i < 38; ++i) img.bytes[1024 - 10 + i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_FALSE(img.view.BlockMatches(0));
  EXPECT_FALSE(img.view.BlockMatches(1));
  img.view.UpdateRange(1024 - 10, 38);
  EXPECT_TRUE(img.view.VerifyAllBlocks());
  EXPECT_EQ(img.changed, 1u);
}

TEST(ChecksummedImage, StoresLittleEndianWordsAfterTheBlocks) {
  Image img;
  img.bytes[2048] = 1;  // block 2 sums to 0x0100
  img.view.UpdateBlock(2);
  EXPECT_EQ(img.bytes[3072 + 4], 0x00);
  EXPECT_EQ(img.bytes[3072 + 5], 0x01);
  EXPECT_EQ(img.view.Stored(2), 0x0100);
}

TEST(ChecksummedImage, FindsADamagedBlockOrADamagedTable) {
  Image img;
  img.view.UpdateAllBlocks();
  img.bytes[2000] ^= 0x40;
  EXPECT_FALSE(img.view.VerifyAllBlocks());
  EXPECT_EQ(img.view.FirstBadBlock(), 1u);
  img.bytes[2000] ^= 0x40;
  EXPECT_TRUE(img.view.VerifyAllBlocks());
  img.bytes[3072 + 4] ^= 1;
  EXPECT_EQ(img.view.FirstBadBlock(), 2u);
}

TEST(ChecksummedImage, RangeIsKeptInsideTheImage) {
  Image img;
  img.view.UpdateRange(2048, 5000);  // would run past the last block
  EXPECT_TRUE(img.view.BlockMatches(2));
  EXPECT_EQ(img.bytes.size(), 3u * 1024 + 6);
}

}  // namespace
}  // namespace zephra
