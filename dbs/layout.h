// Database formats, the limits each puts on a configuration, where every table
// lies in a file image (ImageLayout) and where every area lies in the
// controller's own memory (ControllerMap).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "config.h"

namespace zephra {

inline constexpr std::uint32_t kBlockSize = 1024;
inline constexpr std::uint32_t kSpareAreaSize = 4096;
inline constexpr std::uint16_t kMaxLevels = DBS_USABLE_LEVELS;
inline constexpr std::uint16_t kMaxKeypads = 80;
inline constexpr std::uint16_t kSourceKeypads = 32;    // keypads 0-31 select sources
inline constexpr std::uint16_t kSimpleKeypads = 64;    // keypads 64 and above are dial-up keypads
inline constexpr std::uint16_t kSourceKeypadKeys = 64;
inline constexpr std::uint16_t kOtherKeypadKeys = 36;
inline constexpr std::uint16_t kFixedOutputSets = 32;

// The controller's database memory, fixed per format and sized for the
// format's maxima. Offsets are from the start of the controller image.
struct ControllerMap {
  std::uint32_t ctlSourceArea;
  std::uint32_t ctlDestAssocArea;
  std::uint32_t ctlPortArea;
  std::uint32_t ctlInhibitArea;
  std::uint32_t ctlSourceAssocArea;
  std::uint32_t ctlDestAssocArea2;
  std::uint32_t ctlPanelArea1;
  std::uint32_t ctlPanelArea2;
  std::uint32_t ctlPanelArea3;
  std::uint32_t ctlKeypadArea1;
  std::uint32_t ctlKeypadArea2;
  std::uint32_t ctlOverrideArea;
  std::uint32_t ctlPanelArea4;
  std::uint32_t ctlLevelArea;
  std::uint32_t ctlGeneralPortArea;
  std::uint32_t ctlXYArea;
  std::uint32_t ctlSalvoArea;
  std::uint32_t ctlSalvoXPArea;
  std::uint32_t ctlSalvoLinkArea;
  std::uint32_t ctlKeypadArea3;
  std::array<std::uint32_t, 16> ctlKeypadBlock;
  std::array<std::uint32_t, 16> ctlKeypadBlock2;
  std::uint32_t ctlKeypadArea4;
  std::uint32_t ctlFixedArea;
  std::uint32_t ctlLevelArea2;
  std::uint32_t ctlMatrixPortArea;
  std::uint32_t ctlTrigLineArea;  // 0 when the format has no trigger lines
  bool hasTrigLineArea;
  std::uint32_t imageSize;        // size of the controller image
  std::uint32_t blockCount;       // its 1 KB blocks
  std::uint32_t checksumTablePos;
  // Source-parameter areas outside the image, one byte per source at the
  // format's maximum.
  std::uint32_t ctlParamArea1;
  std::uint32_t ctlParamArea2;
  std::uint32_t ctlParamArea3;
  std::uint32_t paramAreaSize;
};

// Everything that differs between the formats, in one row per format.
struct FormatInfo {
  std::uint16_t configType;
  std::string_view name;        // "V3"
  std::u16string_view tag;      // the three units the format tag starts with
  std::string_view extension;   // ".ZP3"
  std::uint16_t levelRecordSize;
  std::array<std::uint16_t, kMaxLevels> maxDests;  // the level-size table; sources may have one more
  std::uint16_t maxAssociations;
  std::uint16_t dialUpNodes;    // nodes of a dial-up keypad
  const ControllerMap* controllerMap;
};

// The row of a configuration type, or null for a type that is no format.
const FormatInfo* FindFormat(std::uint16_t configType);

// True when the first three units of the record's tag name its format.
bool TagMatches(const ConfigImage& config, const FormatInfo& format);

// Checks the record against the format's limits and normalises it in place.
Status ValidateConfigFor(const FormatInfo& format, ConfigImage& config);

// Where every table lies in a file image.
struct ImageLayout {
  std::uint32_t matrixPos[DBS_MAX_MATRICES];
  std::uint32_t levelTablePos[DBS_MAX_MATRICES];
  std::uint32_t sourceTablePos[DBS_MAX_MATRICES];
  std::uint32_t destTablePos[DBS_MAX_MATRICES];
  std::uint32_t sourceAssocPos[DBS_MAX_MATRICES];
  std::uint32_t destAssocPos[DBS_MAX_MATRICES];
  std::uint32_t inhibitPos[DBS_MAX_MATRICES];
  std::uint32_t autoProtectPos[DBS_MAX_MATRICES];
  std::uint32_t titlePos;
  std::uint32_t searchDepthPos;
  std::uint32_t tieLinePos;
  std::uint32_t pathProtectPos;
  std::uint32_t spareWordPos;
  std::uint32_t matrixPortPos;
  std::uint32_t generalPortPos;
  std::uint32_t cuePos;
  std::uint32_t panelPos;
  std::uint32_t umdPos;
  std::uint32_t keypadPos[DBS_MAX_KEYPADS];
  std::uint32_t keypadTailPos[DBS_MAX_KEYPADS];
  std::uint32_t xySetPos;
  std::uint32_t outputSetPos;
  std::uint32_t overrideSetPos;
  std::uint32_t fixedMessagePos;
  std::uint32_t salvoPos;
  std::uint32_t salvoXPPos;
  std::uint32_t salvoFreePos;
  std::uint32_t trigLinePos;  // 0 when the format has no trigger lines
  std::uint32_t tablesEnd;
  std::uint32_t imageSize;    // tables plus the zero spare area
  std::uint32_t blockCount;
  std::uint32_t checksumTablePos;
  std::uint32_t fileSize;     // blocks plus one 16-bit checksum per block
};

// Lays out the tables of a validated record.
ImageLayout ComputeLayout(const ConfigImage& config, const FormatInfo& format);

// Size of the inhibit (or auto-protect) bitmap of one level: a row of
// ceil(sources / 8) bytes per destination.
constexpr std::uint32_t BitmapBytes(std::uint32_t sources, std::uint32_t dests) {
  return (sources + 7) / 8 * dests;
}

constexpr std::uint32_t BlocksFor(std::uint32_t bytes) { return (bytes + kBlockSize - 1) / kBlockSize; }

}  // namespace zephra
