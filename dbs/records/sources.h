// Source and destination records, one per source or destination of a level.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

struct SourceEntry {
  std::uint16_t matrix;
  std::uint16_t level;
  std::uint16_t source;
  char16_t name1[16];  // the 4-character name
  char16_t name2[16];  // the 8-character name, the default one
  char16_t name3[16];
  char16_t name4[16];
  char16_t name5[16];  // the 12-character name
  char16_t name6[16];  // the 16-character name
  std::uint8_t sourceType;
  std::uint8_t audioParam;
  std::uint8_t trigger;
  std::uint8_t reserved;
};

struct DestinationEntry {
  std::uint16_t matrix;
  std::uint16_t level;
  std::uint16_t destination;
  std::uint8_t destLog;
  std::uint8_t audioParam;
};

#pragma pack(pop)

static_assert(kIsImageRecord<SourceEntry> && sizeof(SourceEntry) == 202);
static_assert(offsetof(SourceEntry, level) == 2 && offsetof(SourceEntry, source) == 4);
static_assert(offsetof(SourceEntry, name1) == 6 && offsetof(SourceEntry, name2) == 38);
static_assert(offsetof(SourceEntry, name3) == 70 && offsetof(SourceEntry, name4) == 102);
static_assert(offsetof(SourceEntry, name5) == 134 && offsetof(SourceEntry, name6) == 166);
static_assert(offsetof(SourceEntry, sourceType) == 198 && offsetof(SourceEntry, audioParam) == 199);
static_assert(offsetof(SourceEntry, trigger) == 200 && offsetof(SourceEntry, reserved) == 201);

static_assert(kIsImageRecord<DestinationEntry> && sizeof(DestinationEntry) == 8);
static_assert(offsetof(DestinationEntry, level) == 2 && offsetof(DestinationEntry, destination) == 4);
static_assert(offsetof(DestinationEntry, destLog) == 6 && offsetof(DestinationEntry, audioParam) == 7);

}  // namespace zephra
