// The controller's codes, both ways: key codes, UMD device types, general
// port slots, protocols and baud rates, salvo key words.
#pragma once

#include <cstdint>

namespace zephra {

// What every controller holds a fixed number of.
inline constexpr std::uint16_t kControllerPlaces = 32;         // multi-drop places for panels and UMDs
inline constexpr std::uint16_t kControllerSalvos = 32;
inline constexpr std::uint16_t kControllerSalvoRecords = 3000;  // salvo crosspoint records
inline constexpr std::uint16_t kDialUpSlots = 16, kDialUpKeys = 36;
inline constexpr std::uint16_t kSourceKeyWords = 64, kDestKeyWords = 36;  // words of a simple keypad

// The 8-byte slot of source s of level l in the source name area.
inline constexpr std::uint32_t SourceNameSlot(std::uint32_t level, std::uint32_t source) {
  return source <= 256 ? level + 8 * source : 1028 + level + 4 * source;
}

// A key word of 800 + s fires salvo s.
inline constexpr std::uint16_t kSalvoKeyBase = 800;
// Key words below this name a selection of a destination keypad's key, and of
// a source keypad's key below kSourceNameKeyLimit.
inline constexpr std::uint16_t kDestNameKeyLimit = 768, kSourceNameKeyLimit = 833;

// The key code of each keyType 0-15; the controller sends a key code as
// 840-855.
inline constexpr std::uint16_t kKeyCodes[16] = {0x0000, 0x0000, 0x0349, 0x0351, 0x034F, 0x0350, 0x034E, 0x0348,
                                                0x0357, 0x034A, 0x034D, 0x0357, 0x0357, 0x034B, 0x034C, 0x0357};
inline constexpr std::uint16_t kFirstKeyCode = 840, kKeyCodeCount = 16;
// keyType of key code 840 + i.
inline constexpr std::uint8_t kKeyTypeOfCode[16] = {7, 2, 9, 13, 14, 10, 6, 4, 5, 3, 15, 15, 15, 15, 15, 15};

// The device type of each umdType 0-23, and the umdType each UMD device type
// comes back as.
inline constexpr std::uint8_t kUMDDeviceTypes[24] = {5, 5, 6, 6, 6, 6, 6, 5, 5, 52, 5, 5,
                                                     5, 5, 6, 5, 5, 6, 5, 5, 6, 51, 5, 6};
inline constexpr struct {
  std::uint8_t device, umdType;
} kUMDTypeOfDevice[] = {{5, 0}, {6, 2}, {51, 8}, {52, 9}};

// The controller slot of general port 0-3, and the port of each slot.
inline constexpr std::uint8_t kGeneralPortSlots[4] = {3, 0, 1, 2};
inline constexpr std::uint8_t kGeneralPortOfSlot[4] = {1, 2, 3, 0};
// The protocol code of each protocol value 0-9, and the value of each code 0-9.
inline constexpr std::uint8_t kProtocolCodes[10] = {8, 8, 2, 9, 8, 8, 5, 8, 6, 8};
inline constexpr std::uint8_t kProtocolOfCode[10] = {0, 0, 2, 0, 0, 6, 8, 0, 9, 3};
// Baud rates and their codes; a rate without a code is sent as 16, a code
// without a rate comes back as 38400.
inline constexpr struct {
  std::uint32_t baud;
  std::uint8_t code;
} kBaudCodes[] = {{300, 6},    {1200, 8},   {2400, 11},  {4800, 12},   {9600, 14},
                  {19200, 15}, {38400, 16}, {57600, 17}, {115200, 18}, {230400, 19}};
inline constexpr std::uint8_t kDefaultBaudCode = 16;
inline constexpr std::uint32_t kDefaultBaud = 38400;

}  // namespace zephra
