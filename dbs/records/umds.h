// Under-monitor displays and their fixed messages.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

struct UMDEntry {
  std::uint16_t umd;
  std::uint16_t port;      // multi-drop port, or none
  std::uint16_t address;   // drop address on that port, or none
  std::uint8_t umdType;
  std::uint8_t display;    // keypad 32-63 carrying the UMD's destinations; else none assigned
  std::uint16_t umdFlags;  // bit 0: audio parameters enabled
  MemberTriple dests[4];   // (matrix, level, destination) per display line
  std::uint16_t brightness;
  std::uint16_t fixedMessage;  // fixed message shown, or none
  char16_t name[16];
};

struct FixedMessageEntry {
  std::uint16_t umd;
  char16_t text[16];
};

#pragma pack(pop)

static_assert(kIsImageRecord<UMDEntry> && sizeof(UMDEntry) == 70);
static_assert(offsetof(UMDEntry, port) == 2 && offsetof(UMDEntry, address) == 4);
static_assert(offsetof(UMDEntry, umdType) == 6 && offsetof(UMDEntry, display) == 7);
static_assert(offsetof(UMDEntry, umdFlags) == 8 && offsetof(UMDEntry, dests) == 10);
static_assert(offsetof(UMDEntry, brightness) == 34 && offsetof(UMDEntry, fixedMessage) == 36);
static_assert(offsetof(UMDEntry, name) == 38);

static_assert(kIsImageRecord<FixedMessageEntry> && sizeof(FixedMessageEntry) == 34);
static_assert(offsetof(FixedMessageEntry, text) == 2);

}  // namespace zephra
