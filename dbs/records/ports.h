// Matrix ports (how each level maps onto the controller's physical levels)
// and the controller's general serial ports.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

// One per level of matrix 0. Levels whose entries share physicalLevel and
// group share one level type.
struct MatrixPortEntry {
  std::uint16_t index;
  std::uint16_t physicalLevel;
  std::uint16_t matrix;
  std::uint16_t level;
  std::uint16_t group;
  std::uint16_t extra1;
  std::uint16_t extra2;
  std::uint16_t lastDest;  // the level's last destination
};

struct GeneralPortEntry {
  std::uint16_t port;
  std::uint8_t portOption;
  std::uint8_t protocol;  // 6: multi-drop (panels and UMDs); 2, 8, 3, 9: the others
  std::uint32_t baudRate;
  std::uint8_t parity;    // 0 none, 1 odd, 2 even
  std::uint8_t dataBits;  // 7 or 8
  std::uint8_t stopBits;  // 1 = 0.5, 2 = 1, 3 = 1.5, 4 = 2
  std::uint8_t handshake; // 1 RTS/CTS, 0 none
  std::uint8_t duplex;    // 0 full (4 wire), 1 half (2 wire)
  std::uint8_t reserved[3];
  std::uint32_t routeInhibits;  // 0 or 1
  std::uint32_t auxFlag;        // 0 or 1
};

#pragma pack(pop)

static_assert(kIsImageRecord<MatrixPortEntry> && sizeof(MatrixPortEntry) == 16);
static_assert(offsetof(MatrixPortEntry, physicalLevel) == 2 && offsetof(MatrixPortEntry, matrix) == 4);
static_assert(offsetof(MatrixPortEntry, level) == 6 && offsetof(MatrixPortEntry, group) == 8);
static_assert(offsetof(MatrixPortEntry, extra1) == 10 && offsetof(MatrixPortEntry, extra2) == 12);
static_assert(offsetof(MatrixPortEntry, lastDest) == 14);

static_assert(kIsImageRecord<GeneralPortEntry> && sizeof(GeneralPortEntry) == 24);
static_assert(offsetof(GeneralPortEntry, portOption) == 2 && offsetof(GeneralPortEntry, protocol) == 3);
static_assert(offsetof(GeneralPortEntry, baudRate) == 4 && offsetof(GeneralPortEntry, parity) == 8);
static_assert(offsetof(GeneralPortEntry, dataBits) == 9 && offsetof(GeneralPortEntry, stopBits) == 10);
static_assert(offsetof(GeneralPortEntry, handshake) == 11 && offsetof(GeneralPortEntry, duplex) == 12);
static_assert(offsetof(GeneralPortEntry, reserved) == 13 && offsetof(GeneralPortEntry, routeInhibits) == 16);
static_assert(offsetof(GeneralPortEntry, auxFlag) == 20);

}  // namespace zephra
