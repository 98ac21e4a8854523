// The controller's own image of a database: fixed areas sized for the
// format's maxima, big-endian numbers and 8-byte narrow names, made from the
// file image area by area, and the three parameter areas beside it.
#pragma once

#include <cstdint>
#include <vector>

#include "dbs/entry.h"
#include "dbs/records/keypads.h"
#include "dbs/records/panels.h"
#include "dbs/records/ports.h"
#include "dbs/records/salvos.h"

namespace zephra {

// What differs between the formats' controller images beyond the map.
struct ControllerConstants {
  std::uint16_t associations;  // A: source and destination association slots
  std::uint16_t dialUpNodes;   // N: nodes of a dial-up keypad
  std::uint32_t XYEntry() const { return associations / 8u; }
  std::uint32_t KeypadBlock() const { return 18u * (dialUpNodes + 1u); }
  std::uint32_t FreeList() const { return 2u + 2u * dialUpNodes; }
};
ControllerConstants ConstantsOf(const FormatInfo& format);

// Where a keypad lives in the controller: a simple source keypad in the
// source key area, a simple destination keypad in the destination key area
// (each in keypad order among its kind), or a dial-up keypad in slot 0-7
// (source) or 8-15 (destination); only the first eight of each dial-up kind
// have one. `slot` is -1 for a keypad the controller does not hold.
struct KeypadPlace {
  enum class Area { None, SimpleSource, SimpleDest, DialUp } area = Area::None;
  int slot = -1;
};
KeypadPlace PlaceOfKeypad(const Db& db, std::uint16_t keypad);
// Where a simple keypad's key words lie in the controller (the address of
// its first word) and how many words it has there: 64 for a source keypad,
// 36 for a destination keypad; no words for a keypad the controller does
// not hold as a simple keypad.
struct SimpleKeypadWords {
  std::uint32_t address = 0;
  std::uint32_t words = 0;
  bool source = false;
};
SimpleKeypadWords SimpleKeypadWordsOf(Db& db, std::uint16_t keypad);

// The controller's encodings, one place each: a 16-bit number most
// significant byte first (negative as FF FF), an 8-byte narrow name, a
// sequence node link (n + 1, FF FF for none or a node outside the keypad),
// and the codes of baud rates, key functions, UMD types and panel flags.
void PutBE16(std::uint8_t* at, int value);
void PutName(std::uint8_t* at, const char16_t* name);
void PutLink(std::uint8_t* at, std::int16_t n, std::uint16_t nodes);
std::uint8_t BaudCode(std::uint32_t baud);
std::uint16_t KeyCode(std::uint8_t keyType);
std::uint8_t UMDDeviceType(std::uint8_t umdType);
std::uint8_t PanelFlagByte(std::uint32_t flags);
// A UMD's flag byte: 08 for a UMD whose flags are exactly "audio parameters
// enabled", else 00.
std::uint8_t UMDFlagByte(std::uint16_t umdFlags);

// Single records as the controller holds them, for the image and the live
// updates alike: a general port (8 bytes), an association's eight level
// members (16), an override set (64), a salvo (12), a salvo crosspoint
// record (8, `next` as stored), a panel's two keypad bytes, and an XY set
// (the format's XY entry: the map of the matrix's destination associations,
// zeros after it).
void EncodeGeneralPort(const GeneralPortEntry& port, std::uint8_t* out);
void EncodeAssociation(const MemberTriple* members, std::uint8_t* out);
void EncodeOverrides(const OverrideSetEntry& set, std::uint8_t* out);
void EncodeSalvo(const SalvoEntry& salvo, std::uint8_t* out);
void EncodeSalvoRecord(const SalvoXPEntry& record, std::uint8_t* out);
// Every byte of a salvo crosspoint record on no salvo's chain, whatever the
// file's record holds.
inline constexpr std::uint8_t kFreeSalvoRecordByte = 0xFF;
void EncodePanelKeypads(const Db& db, const PanelEntry& panel, std::uint8_t* out);
void EncodeXYSet(const ConfigImage& config, std::uint32_t entryBytes, const XYSetEntry& set, std::uint8_t* out);

// Where things of a level lie in the controller's areas: the inhibit rows of
// level l (each row `InhibitRowBytes` long) from the start of the inhibit
// area, and the items of level l from the start of a parameter area.
std::uint32_t InhibitRowBytes(const FormatInfo& format, int level);
std::uint32_t InhibitLevelOffset(const FormatInfo& format, int level);
std::uint32_t ParameterLevelOffset(const FormatInfo& format, int level);

// The number the controller gives keypad k in panel assignments.
std::uint8_t ControllerKeypadNumber(std::uint16_t k);

// The whole controller image (its size rounded up to whole blocks). Building
// the panel keypad area gives a UMD without a keypad one, as the library
// does whenever a UMD's keypad is asked for, so the database may change.
std::vector<std::uint8_t> EncodeControllerImage(Db& db);

// What a download puts at device place i (0-31) of the per-device areas:
// the name, the panel areas 1-4, the XY entry and the override entry, each
// with its controller address. A UMD placed there is given its keypad, as in
// the whole image.
struct ControllerBytes {
  std::uint32_t address;
  std::vector<std::uint8_t> bytes;
};
std::vector<ControllerBytes> EncodePlace(Db& db, std::uint32_t i);

// Parameter area 1 (source audio parameters), 2 (destination audio
// parameters) or 3 (video triggers): one byte per item at each level's
// format maximum.
std::vector<std::uint8_t> EncodeParameterArea(Db& db, int area);
std::uint32_t ParameterAreaAddress(const FormatInfo& format, int area);

// Pieces of the image for the live updates, encoded as the download
// encodes them: the word of key j of a simple keypad, and all its words
// (those of keys it does not have FF FF); a dial-up keypad's
// node record (18 bytes) and a node's key byte; a dial-up keypad's block
// (its keypad block size) and free list (2 + 2N bytes); the salvo
// crosspoints' free list (6002 bytes).
int SimpleKeyWord(Db& db, std::uint16_t k, std::uint16_t j);
std::vector<std::uint8_t> EncodeSimpleKeypad(Db& db, std::uint16_t k);
void EncodeNode(Db& db, std::uint16_t k, const SequenceNode& node, std::uint8_t* record);
std::uint8_t NodeKeyByte(Db& db, std::uint16_t k, const SequenceNode& node);
void EncodeDialUpKeypad(Db& db, std::uint16_t k, std::uint8_t* block, std::uint8_t* list);
void EncodeSalvoFreeList(Db& db, std::uint8_t* out);

// FormatOps entry: the expected controller block checksums of the slot,
// replaced on every call.
Status BuildControllerImageV(DbsHandle handle);

}  // namespace zephra
