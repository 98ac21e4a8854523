// Salvos: a header per salvo, and a pool of crosspoint records shared by all
// salvos, each salvo's records chained, the rest on a free list. Also the
// trigger-line bytes.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

struct SalvoEntry {
  std::uint16_t salvo;
  std::uint16_t xpCount;   // records in the salvo's chain
  std::int16_t firstXP;    // -1 when the salvo is empty
  std::uint16_t salvoData;
  char16_t shortName[16];
  char16_t name[16];
};

struct SalvoXPEntry {
  std::uint16_t salvo;  // owner; a free record: none once freed, 0 if never used
  std::uint16_t xpIndex;
  std::int16_t matrix;
  std::int16_t level;
  std::int16_t destination;
  std::int16_t source;
  std::int16_t next;    // next record of the same chain, -1 at the end
};

// One switch point per video standard: bit 7 set switches on the frame, bits
// 0-6 are the line.
struct TrigLines {
  std::uint8_t line525;
  std::uint8_t line625;
  std::uint8_t zero;
  std::uint8_t lineHD;
};

#pragma pack(pop)

static_assert(kIsImageRecord<SalvoEntry> && sizeof(SalvoEntry) == 72);
static_assert(offsetof(SalvoEntry, xpCount) == 2 && offsetof(SalvoEntry, firstXP) == 4);
static_assert(offsetof(SalvoEntry, salvoData) == 6 && offsetof(SalvoEntry, shortName) == 8);
static_assert(offsetof(SalvoEntry, name) == 40);

static_assert(kIsImageRecord<SalvoXPEntry> && sizeof(SalvoXPEntry) == 14);
static_assert(offsetof(SalvoXPEntry, xpIndex) == 2 && offsetof(SalvoXPEntry, matrix) == 4);
static_assert(offsetof(SalvoXPEntry, level) == 6 && offsetof(SalvoXPEntry, destination) == 8);
static_assert(offsetof(SalvoXPEntry, source) == 10 && offsetof(SalvoXPEntry, next) == 12);

static_assert(sizeof(TrigLines) == 4);

}  // namespace zephra
