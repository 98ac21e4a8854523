// Old-format KV1 files for the tests: the library opens them but never makes
// them, so the tests write their own, with 50-byte level records, the
// format's layout and valid block checksums, and the content a test chooses.
#pragma once

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "config_fixtures.h"
#include "dbs/checksum.h"
#include "dbs/defaults.h"
#include "dbs/layout.h"
#include "dbs/records/sources.h"

namespace zephra::test {

struct Kv1Level {
  std::uint8_t type;
  std::uint16_t sources, dests;
};

inline constexpr std::uint32_t kKv1LevelRecordSize = 50;

// Writes a KV1 database with the given levels; source 0 of level 0 is named
// `firstSource`. Answers the configuration it holds.
inline ConfigImage WriteKv1(const std::string& path, const std::vector<Kv1Level>& levels,
                            std::u16string_view firstSource = u"KV1 SRC") {
  ConfigImage c = EditorDefault(DBS_TYPE_KV1, 64);
  c.levelCount[0] = static_cast<std::uint16_t>(levels.size());
  for (std::size_t l = 0; l < 8; ++l) {
    c.sourceCount[0][l] = l < levels.size() ? levels[l].sources : 0;
    c.destCount[0][l] = l < levels.size() ? levels[l].dests : 0;
  }
  const FormatInfo& format = *FindFormat(DBS_TYPE_KV1);
  if (ValidateConfigFor(format, c) != DBS_OK) throw std::runtime_error("not a KV1 configuration");
  const ImageLayout L = ComputeLayout(c, format);
  std::vector<std::uint8_t> image(L.fileSize);
  WriteDefaultImage(c, L, image.data());
  // The KV1 level records: an 8-bit type, the fields after it a byte earlier.
  for (std::size_t l = 0; l < levels.size(); ++l) {
    std::uint8_t* at = image.data() + L.levelTablePos[0] + l * kKv1LevelRecordSize;
    std::memset(at, 0, kKv1LevelRecordSize);
    const std::uint16_t head[2] = {0, static_cast<std::uint16_t>(l)};
    std::memcpy(at, head, 4);
    const std::u16string name = u"KV1 Level " + std::u16string(1, static_cast<char16_t>(u'1' + l));
    std::memcpy(at + 4, name.data(), name.size() * 2);
    at[36] = levels[l].type;
    const std::uint16_t rest[6] = {1, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    std::memcpy(at + 38, rest, sizeof rest);
  }
  // The first source record, whole again (the default writer's wider level
  // records reach into it).
  SourceEntry source{};
  for (char16_t* field : {source.name1, source.name2, source.name3, source.name4, source.name5, source.name6}) {
    std::copy(firstSource.begin(), firstSource.end(), field);
  }
  std::memcpy(image.data() + L.sourceTablePos[0], &source, sizeof source);
  std::uint32_t changed = 0;
  ChecksummedImage(image.data(), L.blockCount, &changed).UpdateAllBlocks();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                              static_cast<std::streamsize>(image.size()));
  return c;
}

}  // namespace zephra::test
