#include "layout.h"

#include <algorithm>

namespace zephra {
namespace {

// The area offsets of one format as the controller's firmware fixes them. The
// sixteen keypad blocks of each kind follow one another at a fixed stride.
struct ControllerAreas {
  std::uint32_t source, destAssoc, port, inhibit, sourceAssoc, destAssoc2, panel1, panel2, panel3, keypad1, keypad2,
      override_, panel4, level, generalPort, xy, salvo, salvoXP, salvoLink, keypad3, keypadBlock, keypadBlockStride,
      keypadBlock2, keypadBlock2Stride, keypad4, fixed, level2, matrixPort, trigLine, end, param1, param2, param3,
      paramSize;
};

constexpr ControllerMap MakeMap(const ControllerAreas& a) {
  ControllerMap m{};
  m.ctlSourceArea = a.source;
  m.ctlDestAssocArea = a.destAssoc;
  m.ctlPortArea = a.port;
  m.ctlInhibitArea = a.inhibit;
  m.ctlSourceAssocArea = a.sourceAssoc;
  m.ctlDestAssocArea2 = a.destAssoc2;
  m.ctlPanelArea1 = a.panel1;
  m.ctlPanelArea2 = a.panel2;
  m.ctlPanelArea3 = a.panel3;
  m.ctlKeypadArea1 = a.keypad1;
  m.ctlKeypadArea2 = a.keypad2;
  m.ctlOverrideArea = a.override_;
  m.ctlPanelArea4 = a.panel4;
  m.ctlLevelArea = a.level;
  m.ctlGeneralPortArea = a.generalPort;
  m.ctlXYArea = a.xy;
  m.ctlSalvoArea = a.salvo;
  m.ctlSalvoXPArea = a.salvoXP;
  m.ctlSalvoLinkArea = a.salvoLink;
  m.ctlKeypadArea3 = a.keypad3;
  for (std::uint32_t i = 0; i < 16; ++i) {
    m.ctlKeypadBlock[i] = a.keypadBlock + i * a.keypadBlockStride;
    m.ctlKeypadBlock2[i] = a.keypadBlock2 + i * a.keypadBlock2Stride;
  }
  m.ctlKeypadArea4 = a.keypad4;
  m.ctlFixedArea = a.fixed;
  m.ctlLevelArea2 = a.level2;
  m.ctlMatrixPortArea = a.matrixPort;
  m.ctlTrigLineArea = a.trigLine;
  m.hasTrigLineArea = a.trigLine != 0;
  m.imageSize = a.end;
  m.blockCount = BlocksFor(a.end);
  m.checksumTablePos = m.blockCount * kBlockSize;
  m.ctlParamArea1 = a.param1;
  m.ctlParamArea2 = a.param2;
  m.ctlParamArea3 = a.param3;
  m.paramAreaSize = a.paramSize;
  return m;
}

constexpr ControllerMap kKv1Map = MakeMap({
    0x0, 0x2040, 0x2640, 0x2740, 0x6740, 0x6D40, 0x7340, 0x7360, 0x73A0, 0x73E0, 0x7860, 0x8060, 0x8460, 0x84A0,
    0x84A8, 0x84C8, 0x87C8, 0x8948, 0xCF98, 0xE70A, 0xE94A, 0xAFE, 0x1992A, 0xCA, 0x1A5CA, 0x1C9CA, 0x1C9DA,
    0x1C9E2, 0 /* no trigger lines */, 0x1C9EA, 0x28000, 0x28400, 0x28800, 1024});
constexpr ControllerMap kV1Map = MakeMap({
    0x0, 0x4040, 0x4C40, 0x4D40, 0x14D40, 0x16540, 0x17D40, 0x17D60, 0x17DA0, 0x17DE0, 0x186E0, 0x196E0, 0x19EE0,
    0x19F20, 0x19F30, 0x19F50, 0x1A550, 0x1A6D0, 0x20490, 0x21C02, 0x22082, 0x1C32, 0x3E3A2, 0x322, 0x415C2,
    0x439C2, 0x439E2, 0x439F2, 0x439FA, 0x439FE, 0x48000, 0x48800, 0x49000, 2048});
constexpr ControllerMap kV2Map = MakeMap({
    0x0, 0x6040, 0x7840, 0x7940, 0x2F940, 0x32940, 0x35940, 0x35960, 0x359A0, 0x359E0, 0x362E0, 0x372E0, 0x37AE0,
    0x37B20, 0x37B30, 0x37B50, 0x38750, 0x388D0, 0x3E690, 0x3FE02, 0x40282, 0x2A42, 0x6A6A2, 0x4B2, 0x6F1C2,
    0x715C2, 0x715E2, 0x715F2, 0x715FA, 0x715FE, 0x90000, 0x90C00, 0x91800, 3072});
constexpr ControllerMap kV3Map = MakeMap({
    0x0, 0x6840, 0x8040, 0x8140, 0x38940, 0x3B940, 0x3E940, 0x3E960, 0x3E9A0, 0x3E9E0, 0x3F2E0, 0x402E0, 0x40AE0,
    0x40B20, 0x40B30, 0x40B50, 0x41750, 0x418D0, 0x47690, 0x48E02, 0x49282, 0x2F2E, 0x78562, 0x53E, 0x7D942,
    0x7FD42, 0x7FD62, 0x7FD72, 0x7FD7A, 0x7FD7E, 0x90000, 0x90D00, 0x91A00, 3328});

constexpr std::array<FormatInfo, 4> kFormats{{
    {DBS_TYPE_KV1, "KV1", u"KV1", ".KV1", 50, {DBS_LEVEL_MAX_DESTS_KV1}, 192, 200, &kKv1Map},
    {DBS_TYPE_V1, "V1", u"ZP1", ".ZP1", 52, {DBS_LEVEL_MAX_DESTS_V1}, 384, 400, &kV1Map},
    {DBS_TYPE_V2, "V2", u"ZP2", ".ZP2", 52, {DBS_LEVEL_MAX_DESTS_V2}, 768, 600, &kV2Map},
    {DBS_TYPE_V3, "V3", u"ZP3", ".ZP3", 52, {DBS_LEVEL_MAX_DESTS_V3}, 768, 670, &kV3Map},
}};

constexpr std::uint16_t kMaxGeneralPorts = 4;
constexpr std::uint16_t kMaxMultidropPorts = 2;
constexpr std::uint16_t kMaxPanels = 32;
constexpr std::uint16_t kMaxXYSets = 32;
constexpr std::uint16_t kMaxUMDs = 32;
constexpr std::uint16_t kMaxSalvos = 32;
constexpr std::uint16_t kMaxSalvoXPs = 3000;

constexpr std::uint32_t MakeEven(std::uint32_t p) { return p + (p & 1u); }

// Checks every used level's count against its limit (all levels are looked
// at before the answer), then zeroes the counts of unused levels and of the
// matrices that do not exist.
bool CheckLevelCounts(std::uint16_t (&counts)[DBS_MAX_MATRICES][DBS_MAX_LEVELS], std::uint16_t levels,
                      const std::array<std::uint16_t, kMaxLevels>& limit, std::uint16_t extra) {
  bool ok = true;
  for (std::uint16_t l = 0; l < levels; ++l) {
    if (counts[0][l] > limit[l] + extra) ok = false;
  }
  if (!ok) return false;
  for (std::uint16_t l = levels; l < DBS_MAX_LEVELS; ++l) counts[0][l] = 0;
  for (std::size_t m = 1; m < DBS_MAX_MATRICES; ++m) std::fill(std::begin(counts[m]), std::end(counts[m]), 0);
  return true;
}

bool CheckAssociations(std::uint16_t (&counts)[DBS_MAX_MATRICES], std::uint16_t limit) {
  if (counts[0] > limit) return false;
  std::fill(std::begin(counts) + 1, std::end(counts), 0);
  return true;
}

}  // namespace

const FormatInfo* FindFormat(std::uint16_t configType) {
  for (const FormatInfo& f : kFormats) {
    if (f.configType == configType) return &f;
  }
  return nullptr;
}

bool TagMatches(const ConfigImage& config, const FormatInfo& format) {
  return std::equal(format.tag.begin(), format.tag.end(), std::begin(config.version));
}

Status ValidateConfigFor(const FormatInfo& format, ConfigImage& c) {
  if (c.matrixCount > 1 || c.levelCount[0] > kMaxLevels) return DBS_ERR_INVALID_CONFIG;
  // A database without a matrix has no levels, sources, destinations or
  // associations, whatever the record says: later code sizes tables by these.
  if (c.matrixCount == 0) {
    c.levelCount[0] = 0;
    c.sourceAssocCount[0] = 0;
    c.destAssocCount[0] = 0;
  }
  std::fill(std::begin(c.levelCount) + 1, std::end(c.levelCount), 0);
  const std::uint16_t levels = c.levelCount[0];
  // A level may have one source more than destinations: its park source.
  if (!CheckLevelCounts(c.sourceCount, levels, format.maxDests, 1)) return DBS_ERR_INVALID_CONFIG;
  if (!CheckLevelCounts(c.destCount, levels, format.maxDests, 0)) return DBS_ERR_INVALID_CONFIG;
  if (!CheckAssociations(c.sourceAssocCount, format.maxAssociations)) return DBS_ERR_INVALID_CONFIG;
  if (!CheckAssociations(c.destAssocCount, format.maxAssociations)) return DBS_ERR_INVALID_CONFIG;

  if (c.tieLineCount != 0 || c.generalPortCount > kMaxGeneralPorts) return DBS_ERR_INVALID_CONFIG;
  c.matrixPortCount = levels;
  if (c.multidropPortCount > kMaxMultidropPorts || c.panelCount > kMaxPanels || c.keypadCount > kMaxKeypads) {
    return DBS_ERR_INVALID_CONFIG;
  }

  for (std::uint16_t k = 0; k < c.keypadCount; ++k) {
    const std::uint16_t maxKeys = k < kSourceKeypads ? kSourceKeypadKeys : kOtherKeypadKeys;
    c.keyCount[k] = std::min(c.keyCount[k], maxKeys);
  }
  std::fill(std::begin(c.keyCount) + c.keypadCount, std::end(c.keyCount), 0);
  for (std::uint16_t k = 0; k < c.keypadCount; ++k) {
    c.nodeCount[k] = k < kSourceKeypads ? kSourceKeypadKeys : k < kSimpleKeypads ? kOtherKeypadKeys : format.dialUpNodes;
  }
  std::fill(std::begin(c.nodeCount) + c.keypadCount, std::end(c.nodeCount), 0);

  if (c.xySetCount > kMaxXYSets) return DBS_ERR_INVALID_CONFIG;
  c.outputSetCount = kFixedOutputSets;
  if (c.umdCount > kMaxUMDs || c.inputCueCount != 0 || c.outputCueCount != 0 || c.salvoCount > kMaxSalvos ||
      c.salvoXPCount > kMaxSalvoXPs || c.pathProtectCount != 0) {
    return DBS_ERR_INVALID_CONFIG;
  }
  return DBS_OK;
}

ImageLayout ComputeLayout(const ConfigImage& c, const FormatInfo& format) {
  ImageLayout L{};
  std::uint32_t p = sizeof(ConfigImage);
  for (std::uint16_t m = 0; m < c.matrixCount && m < DBS_MAX_MATRICES; ++m) {
    const std::uint16_t levels = std::min<std::uint16_t>(c.levelCount[m], DBS_MAX_LEVELS);
    std::uint32_t sources = 0, dests = 0, bitmaps = 0;
    for (std::uint16_t l = 0; l < levels; ++l) {
      sources += c.sourceCount[m][l];
      dests += c.destCount[m][l];
      bitmaps += BitmapBytes(c.sourceCount[m][l], c.destCount[m][l]);
    }
    L.matrixPos[m] = p;
    L.levelTablePos[m] = p + 38;
    p += 38 + levels * std::uint32_t{format.levelRecordSize};
    L.sourceTablePos[m] = p;
    p = MakeEven(p + 202 * sources);
    L.destTablePos[m] = p;
    p = MakeEven(p + 8 * dests);
    L.sourceAssocPos[m] = p;
    p += 100u * c.sourceAssocCount[m];
    L.destAssocPos[m] = p;
    p += 164u * c.destAssocCount[m];
    L.inhibitPos[m] = p;
    p = MakeEven(p + bitmaps);
    L.autoProtectPos[m] = p;
    if (c.hasAutoProtect != 0) p = MakeEven(p + bitmaps);
  }
  L.titlePos = p;
  L.searchDepthPos = p + 32;
  L.tieLinePos = p + 34;
  p += 34 + 50u * c.tieLineCount;
  L.pathProtectPos = p;
  p += 16u * c.pathProtectCount;
  L.spareWordPos = p;
  p += 2;
  L.matrixPortPos = p;
  p += 16u * c.matrixPortCount;
  L.generalPortPos = p;
  p += 24u * c.generalPortCount;
  L.cuePos = p;
  p += 8u * (c.inputCueCount + c.outputCueCount);
  L.panelPos = p;
  p += 144u * c.panelCount;
  L.umdPos = p;
  p += 70u * c.umdCount;
  for (std::uint16_t k = 0; k < c.keypadCount && k < DBS_MAX_KEYPADS; ++k) {
    L.keypadPos[k] = p;
    p += 42 + 74u * c.keyCount[k] + 120u * c.nodeCount[k];
    L.keypadTailPos[k] = p;
    p += 4;
  }
  L.xySetPos = p;
  p = MakeEven(p + 264u * c.xySetCount);
  L.outputSetPos = p;
  p += 68u * c.outputSetCount;
  L.overrideSetPos = p;
  p += 100u * c.outputSetCount;
  L.fixedMessagePos = p;
  p += 34u * c.umdCount;
  L.salvoPos = p;
  p += 72u * c.salvoCount;
  L.salvoXPPos = p;
  p += 14u * c.salvoXPCount;
  L.salvoFreePos = p;
  p += 2;
  if (format.controllerMap->hasTrigLineArea) {
    L.trigLinePos = p;
    p += 4;
  }
  L.tablesEnd = p;
  L.imageSize = p + kSpareAreaSize;
  L.blockCount = BlocksFor(L.imageSize);
  L.checksumTablePos = L.blockCount * kBlockSize;
  L.fileSize = L.blockCount * (kBlockSize + 2);
  return L;
}

}  // namespace zephra
