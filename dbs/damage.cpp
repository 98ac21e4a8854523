#include "damage.h"

#include <cstring>
#include <vector>

#include "checksum.h"
#include "config.h"
#include "layout.h"

namespace zephra {

Damage DescribeDamage(std::span<const std::uint8_t> bytes) {
  Damage d;
  if (bytes.size() < sizeof(ConfigImage)) {
    d.summary = "At " + std::to_string(bytes.size()) + " bytes it is too short to hold a database.";
    return d;
  }
  ConfigImage c;
  std::memcpy(&c, bytes.data(), sizeof c);
  const FormatInfo* format = FindFormat(c.configType);
  if (!format || ValidateConfigFor(*format, c) != DBS_OK) {
    d.summary = "Its configuration record is not valid.";
    return d;
  }
  const ImageLayout L = ComputeLayout(c, *format);
  d.blockCount = L.blockCount;
  if (bytes.size() < L.fileSize) {
    d.summary = "It is shorter than its configuration says: " + std::to_string(bytes.size()) + " of " +
                std::to_string(L.fileSize) + " bytes.";
    return d;
  }
  if (bytes.size() > L.fileSize) {
    d.summary = "It is longer than its configuration says: " + std::to_string(bytes.size()) + " bytes, not " +
                std::to_string(L.fileSize) + ".";
    return d;
  }
  std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
  std::uint32_t changed = 0;
  const ChecksummedImage image(copy.data(), L.blockCount, &changed);
  for (std::uint32_t b = image.FirstBadBlock(); b < L.blockCount; b = image.FirstBadBlock(b + 1)) {
    d.badBlocks.push_back(b);
  }
  if (!d.badBlocks.empty()) {
    const std::uint32_t b = d.badBlocks.front();
    d.summary = "Block " + std::to_string(b) + " (bytes " + std::to_string(b * kBlockSize) + "-" +
                std::to_string((b + 1) * kBlockSize - 1) + ") does not match its checksum";
    if (d.badBlocks.size() > 1) {
      d.summary += ", nor do " + std::to_string(d.badBlocks.size() - 1) + " other blocks of " +
                   std::to_string(L.blockCount);
    }
    d.summary += ".";
  }
  return d;
}

}  // namespace zephra
