// The configuration record in the form stored at offset 0 of every database
// file, and the conversions to and from the form exchanged with callers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "zephra/zephra.h"

namespace zephra {

using Status = DbsStatus;

inline constexpr std::size_t kNameUnits = 16;

// Image form: the name itself (16 units, zero-padded), then the same fields as
// the caller's record.
struct ConfigImage {
  char16_t name[kNameUnits];
  DBS_CONFIG_FIELDS
};

static_assert(std::is_trivially_copyable_v<ConfigImage>);
static_assert(sizeof(ConfigImage) == 1888);
static_assert(offsetof(ConfigImage, recordSize) == 32);
static_assert(offsetof(ConfigImage, configType) == 34);
static_assert(offsetof(ConfigImage, version) == 36);
static_assert(offsetof(ConfigImage, matrixCount) == 52);
static_assert(offsetof(ConfigImage, levelCount) == 54);
static_assert(offsetof(ConfigImage, sourceCount) == 94);
static_assert(offsetof(ConfigImage, destCount) == 734);
static_assert(offsetof(ConfigImage, sourceAssocCount) == 1374);
static_assert(offsetof(ConfigImage, destAssocCount) == 1414);
static_assert(offsetof(ConfigImage, tieLineCount) == 1454);
static_assert(offsetof(ConfigImage, generalPortCount) == 1456);
static_assert(offsetof(ConfigImage, matrixPortCount) == 1458);
static_assert(offsetof(ConfigImage, multidropPortCount) == 1460);
static_assert(offsetof(ConfigImage, panelCount) == 1462);
static_assert(offsetof(ConfigImage, keypadCount) == 1464);
static_assert(offsetof(ConfigImage, keyCount) == 1466);
static_assert(offsetof(ConfigImage, nodeCount) == 1666);
static_assert(offsetof(ConfigImage, xySetCount) == 1866);
static_assert(offsetof(ConfigImage, outputSetCount) == 1868);
static_assert(offsetof(ConfigImage, umdCount) == 1870);
static_assert(offsetof(ConfigImage, inputCueCount) == 1872);
static_assert(offsetof(ConfigImage, outputCueCount) == 1874);
static_assert(offsetof(ConfigImage, salvoCount) == 1876);
static_assert(offsetof(ConfigImage, salvoXPCount) == 1878);
static_assert(offsetof(ConfigImage, hasAutoProtect) == 1880);
static_assert(offsetof(ConfigImage, pathProtectCount) == 1884);

// The fields after the name are laid out alike in both forms.
inline constexpr std::size_t kConfigFieldsSize = sizeof(ConfigImage) - offsetof(ConfigImage, recordSize);
static_assert(kConfigFieldsSize == 1856);
static_assert(sizeof(TConfigurationRecord) - offsetof(TConfigurationRecord, recordSize) == kConfigFieldsSize);
static_assert(offsetof(TConfigurationRecord, hasAutoProtect) - offsetof(TConfigurationRecord, recordSize) ==
              offsetof(ConfigImage, hasAutoProtect) - offsetof(ConfigImage, recordSize));

// The caller's record in image form: the first min(length, 16) units of its
// name, the rest of the name zero.
ConfigImage ConfigFromCall(const TConfigurationRecord& call);

// Copies the fields into the caller's record and up to 16 name units into its
// name string, leaving the rest of that string as it was.
void ConfigToCall(const ConfigImage& image, TConfigurationRecord& call);

}  // namespace zephra
