// The matrix record and the level records that follow it.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

// One per matrix.
struct MatrixEntry {
  std::uint16_t matrix;
  char16_t name[16];
  std::uint8_t reserved;
  std::uint8_t parkMode;
  std::uint16_t logType;
};

// One per level of a matrix.
struct LevelEntry {
  std::uint16_t matrix;
  std::uint16_t level;
  char16_t name[16];
  std::uint16_t levelType;        // 40, 41, 48 and 49 are data levels with a park source
  std::uint8_t direction;
  std::uint8_t reserved;
  std::uint16_t signalOrder;      // 0-16
  std::uint16_t monitorRows;      // 0-7
  std::uint16_t firstMonitorRow;  // below 903, or none
  std::uint16_t parkSource;
  std::uint16_t parkDest;
  std::uint16_t safeSource;
};

#pragma pack(pop)

static_assert(kIsImageRecord<MatrixEntry> && sizeof(MatrixEntry) == 38);
static_assert(offsetof(MatrixEntry, name) == 2 && offsetof(MatrixEntry, reserved) == 34);
static_assert(offsetof(MatrixEntry, parkMode) == 35 && offsetof(MatrixEntry, logType) == 36);

static_assert(kIsImageRecord<LevelEntry> && sizeof(LevelEntry) == 52);
static_assert(offsetof(LevelEntry, level) == 2 && offsetof(LevelEntry, name) == 4);
static_assert(offsetof(LevelEntry, levelType) == 36 && offsetof(LevelEntry, direction) == 38);
static_assert(offsetof(LevelEntry, reserved) == 39 && offsetof(LevelEntry, signalOrder) == 40);
static_assert(offsetof(LevelEntry, monitorRows) == 42 && offsetof(LevelEntry, firstMonitorRow) == 44);
static_assert(offsetof(LevelEntry, parkSource) == 46 && offsetof(LevelEntry, parkDest) == 48);
static_assert(offsetof(LevelEntry, safeSource) == 50);

}  // namespace zephra
