#include <gtest/gtest.h>

#include "config_fixtures.h"
#include "dbs/layout.h"

namespace zephra {
namespace {

const FormatInfo& Format(std::uint16_t type) { return *FindFormat(type); }

ConfigImage Validated(ConfigImage c) {
  EXPECT_EQ(ValidateConfigFor(Format(c.configType), c), DBS_OK);
  return c;
}

TEST(Layout, EditorDefaultV3MatchesEveryPosition) {
  const ConfigImage c = Validated(test::EditorDefaultV3());
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_V3));
  EXPECT_EQ(L.matrixPos[0], 1888u);
  EXPECT_EQ(L.levelTablePos[0], 1926u);
  EXPECT_EQ(L.sourceTablePos[0], 2134u);
  EXPECT_EQ(L.destTablePos[0], 27990u);
  EXPECT_EQ(L.sourceAssocPos[0], 29014u);
  EXPECT_EQ(L.destAssocPos[0], 105814u);
  EXPECT_EQ(L.inhibitPos[0], 231766u);
  EXPECT_EQ(L.autoProtectPos[0], 232278u);  // no auto-protect: nothing reserved
  EXPECT_EQ(L.titlePos, 232278u);
  EXPECT_EQ(L.matrixPortPos, 232314u);
  EXPECT_EQ(L.generalPortPos, 232378u);
  EXPECT_EQ(L.panelPos, 232450u);
  EXPECT_EQ(L.umdPos, 237058u);
  EXPECT_EQ(L.keypadPos[0], 239298u);
  EXPECT_EQ(L.xySetPos, 2192802u);
  EXPECT_EQ(L.outputSetPos, 2201250u);
  EXPECT_EQ(L.overrideSetPos, 2203426u);
  EXPECT_EQ(L.fixedMessagePos, 2206626u);
  EXPECT_EQ(L.salvoPos, 2207714u);
  EXPECT_EQ(L.salvoXPPos, 2210018u);
  EXPECT_EQ(L.salvoFreePos, 2252018u);
  EXPECT_EQ(L.trigLinePos, 2252020u);
  EXPECT_EQ(L.tablesEnd, 2252024u);
  EXPECT_EQ(L.imageSize, 2256120u);
  EXPECT_EQ(L.blockCount, 2204u);
  EXPECT_EQ(L.checksumTablePos, 2256896u);
  EXPECT_EQ(L.fileSize, 2261304u);
}

TEST(Layout, KeypadAreasFollowEachOtherWithTheirTails) {
  const ConfigImage c = Validated(test::EditorDefaultV3());
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_V3));
  EXPECT_EQ(L.keypadTailPos[0], L.keypadPos[0] + 42 + 74 * 64 + 120 * 64);
  EXPECT_EQ(L.keypadPos[1], L.keypadTailPos[0] + 4);
  EXPECT_EQ(L.keypadTailPos[40], L.keypadPos[40] + 42 + 74 * 36 + 120 * 36);
  EXPECT_EQ(L.keypadTailPos[79], L.keypadPos[79] + 42 + 74 * 36 + 120 * 670);
  EXPECT_EQ(L.xySetPos, L.keypadTailPos[79] + 4);
}

TEST(Layout, AutoProtectReservesASecondBitmapArea) {
  ConfigImage c = test::EditorDefaultV3();
  c.sourceCount[0][0] = 9;  // 2-byte rows on level 0
  c.hasAutoProtect = 1;
  c = Validated(c);
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_V3));
  const std::uint32_t bitmaps = 2 * 32 + 3 * 4 * 32;
  EXPECT_EQ(L.autoProtectPos[0], L.inhibitPos[0] + bitmaps);
  EXPECT_EQ(L.titlePos, L.autoProtectPos[0] + bitmaps);
}

TEST(Layout, OddTablesAreFollowedByAnEvenOffset) {
  ConfigImage c = test::EditorDefaultV3();
  c.levelCount[0] = 1;  // 1888 + 38 + 52 = 1978, one source of 202 bytes: still even
  c.sourceCount[0][0] = 1;
  c.destCount[0][0] = 1;
  c.sourceAssocCount[0] = 0;
  c.destAssocCount[0] = 0;  // inhibit area of 1 byte must be padded
  c = Validated(c);
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_V3));
  EXPECT_EQ(L.titlePos, L.inhibitPos[0] + 2);
  EXPECT_EQ(L.titlePos % 2, 0u);
}

TEST(Layout, NoMatrixPutsTheTitleRightAfterTheRecord) {
  ConfigImage c{};
  c.configType = DBS_TYPE_V1;
  c = Validated(c);
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_V1));
  EXPECT_EQ(L.titlePos, 1888u);
  // record, title, search depth, spare word, free head, trigger lines, spare area
  EXPECT_EQ(L.tablesEnd, 1888u + 32 + 2 + 2 + 14 * 0 + 32 * 68 + 32 * 100 + 2 + 4);
}

TEST(Layout, ExactMultipleOfABlockNeedsNoExtraBlock) {
  ConfigImage c{};
  c.configType = DBS_TYPE_V1;
  c = Validated(c);
  // Grow the salvo crosspoint table until the image ends on a block edge.
  for (c.salvoXPCount = 0; c.salvoXPCount <= 3000; ++c.salvoXPCount) {
    if (ComputeLayout(c, Format(DBS_TYPE_V1)).imageSize % 1024 == 0) break;
  }
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_V1));
  ASSERT_EQ(L.imageSize % 1024, 0u);
  EXPECT_EQ(L.blockCount, L.imageSize / 1024);
  EXPECT_EQ(L.fileSize, L.blockCount * 1026);
  ++c.salvoXPCount;
  EXPECT_EQ(ComputeLayout(c, Format(DBS_TYPE_V1)).blockCount, L.blockCount + 1);
}

TEST(Layout, OldFormatHasShortLevelsAndNoTriggerLines) {
  const ConfigImage c = Validated(test::EditorDefault(DBS_TYPE_KV1, 192));
  const ImageLayout L = ComputeLayout(c, Format(DBS_TYPE_KV1));
  EXPECT_EQ(L.sourceTablePos[0], 1888u + 38 + 4 * 50);
  EXPECT_EQ(L.trigLinePos, 0u);
  EXPECT_EQ(L.tablesEnd, L.salvoFreePos + 2);
}

TEST(ValidateConfig, SourceLimitsFollowTheLevelSizeTable) {
  ConfigImage c = test::EditorDefaultV3();
  c.levelCount[0] = 8;
  c.sourceCount[0][0] = 577;
  EXPECT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_OK);
  c.sourceCount[0][0] = 578;
  EXPECT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_ERR_INVALID_CONFIG);
  c.sourceCount[0][0] = 32;
  c.sourceCount[0][4] = 257;
  EXPECT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_OK);
  c.sourceCount[0][4] = 258;
  EXPECT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_ERR_INVALID_CONFIG);
  c.sourceCount[0][4] = 32;
  c.destCount[0][3] = 577;  // destinations have no park source
  EXPECT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_ERR_INVALID_CONFIG);
}

TEST(ValidateConfig, LimitsDifferByFormat) {
  struct Row {
    std::uint16_t type, sources, dests, assoc, dialUpNodes;
  };
  for (const Row r : {Row{DBS_TYPE_KV1, 129, 128, 192, 200}, Row{DBS_TYPE_V1, 257, 256, 384, 400},
                      Row{DBS_TYPE_V2, 513, 512, 768, 600}, Row{DBS_TYPE_V3, 577, 576, 768, 670}}) {
    SCOPED_TRACE(r.type);
    ConfigImage c = test::EditorDefault(r.type, r.assoc);
    c.sourceCount[0][1] = r.sources;
    c.destCount[0][1] = r.dests;
    ASSERT_EQ(ValidateConfigFor(Format(r.type), c), DBS_OK);
    EXPECT_EQ(c.nodeCount[64], r.dialUpNodes);
    ConfigImage more = c;
    ++more.sourceAssocCount[0];
    EXPECT_EQ(ValidateConfigFor(Format(r.type), more), DBS_ERR_INVALID_CONFIG);
    more = c;
    ++more.destCount[0][1];
    EXPECT_EQ(ValidateConfigFor(Format(r.type), more), DBS_ERR_INVALID_CONFIG);
  }
}

TEST(ValidateConfig, RefusesWhatBreaksACommonLimit) {
  const auto refused = [](void (*change)(ConfigImage&)) {
    ConfigImage c = test::EditorDefaultV3();
    change(c);
    return ValidateConfigFor(Format(DBS_TYPE_V3), c) == DBS_ERR_INVALID_CONFIG;
  };
  EXPECT_TRUE(refused([](ConfigImage& c) { c.matrixCount = 2; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.levelCount[0] = 9; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.tieLineCount = 1; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.generalPortCount = 5; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.multidropPortCount = 3; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.panelCount = 33; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.keypadCount = 81; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.xySetCount = 33; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.umdCount = 33; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.inputCueCount = 1; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.outputCueCount = 1; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.salvoCount = 33; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.salvoXPCount = 3001; }));
  EXPECT_TRUE(refused([](ConfigImage& c) { c.pathProtectCount = 1; }));
  EXPECT_FALSE(refused([](ConfigImage&) {}));
}

TEST(ValidateConfig, NormalisesCountsItDoesNotRefuse) {
  ConfigImage c = test::EditorDefaultV3();
  c.keypadCount = 40;
  c.outputSetCount = 7;
  c.matrixPortCount = 99;
  c.levelCount[5] = 3;
  c.sourceCount[0][4] = 12;  // level 4 is not in use
  c.sourceCount[3][0] = 12;  // matrix 3 does not exist
  c.destAssocCount[1] = 5;
  c.keyCount[45] = 10;       // beyond the keypads in use
  c.nodeCount[60] = 10;
  ASSERT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_OK);
  EXPECT_EQ(c.outputSetCount, 32);
  EXPECT_EQ(c.matrixPortCount, 4);
  EXPECT_EQ(c.levelCount[5], 0);
  EXPECT_EQ(c.sourceCount[0][4], 0);
  EXPECT_EQ(c.sourceCount[3][0], 0);
  EXPECT_EQ(c.destAssocCount[1], 0);
  for (int k = 0; k < 32; ++k) EXPECT_EQ(c.keyCount[k], 64) << k;
  for (int k = 32; k < 40; ++k) EXPECT_EQ(c.keyCount[k], 36) << k;
  EXPECT_EQ(c.keyCount[45], 0);
  EXPECT_EQ(c.nodeCount[0], 64);
  EXPECT_EQ(c.nodeCount[39], 36);
  EXPECT_EQ(c.nodeCount[60], 0);
}

TEST(ValidateConfig, NoMatrixMeansNoMatrixCounts) {
  ConfigImage c = test::EditorDefaultV3();
  c.matrixCount = 0;
  ASSERT_EQ(ValidateConfigFor(Format(DBS_TYPE_V3), c), DBS_OK);
  EXPECT_EQ(c.levelCount[0], 0);
  EXPECT_EQ(c.sourceCount[0][0], 0);
  EXPECT_EQ(c.destCount[0][3], 0);
  EXPECT_EQ(c.sourceAssocCount[0], 0);
  EXPECT_EQ(c.destAssocCount[0], 0);
  EXPECT_EQ(c.matrixPortCount, 0);
}

TEST(ValidateConfig, TagChecksOnlyTheFirstThreeUnits) {
  ConfigImage c = test::EditorDefaultV3();
  std::copy_n(u"ZP3xyzw!", 8, c.version);
  EXPECT_TRUE(TagMatches(c, Format(DBS_TYPE_V3)));
  EXPECT_FALSE(TagMatches(c, Format(DBS_TYPE_V2)));
  c.version[2] = u'2';
  EXPECT_FALSE(TagMatches(c, Format(DBS_TYPE_V3)));
  EXPECT_EQ(FindFormat(1), nullptr);
  EXPECT_EQ(FindFormat(5), nullptr);
}

TEST(ControllerMap, ImageSizesAndBlockCounts) {
  struct Row {
    std::uint16_t type;
    std::uint32_t size, blocks;
  };
  for (const Row r : {Row{DBS_TYPE_KV1, 117226, 115}, Row{DBS_TYPE_V1, 276990, 271}, Row{DBS_TYPE_V2, 464382, 454},
                      Row{DBS_TYPE_V3, 523646, 512}}) {
    const ControllerMap& m = *Format(r.type).controllerMap;
    EXPECT_EQ(m.imageSize, r.size) << r.type;
    EXPECT_EQ(m.blockCount, r.blocks) << r.type;
    EXPECT_EQ(m.checksumTablePos, r.blocks * 1024) << r.type;
  }
}

// The areas up to the source associations follow from the level-size table:
// per level a header and 8 bytes per source, 6 KB of destination
// associations, 256 bytes of ports, then one inhibit bitmap per level.
TEST(ControllerMap, FirstAreasFollowFromTheLevelSizeTable) {
  for (std::uint16_t type : {DBS_TYPE_KV1, DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3}) {
    SCOPED_TRACE(type);
    const FormatInfo& f = Format(type);
    std::uint32_t sources = 0, inhibits = 0;
    for (std::uint16_t max : f.maxDests) {
      sources += 8 + 8u * max;
      inhibits += BitmapBytes(max, max);
    }
    const ControllerMap& m = *f.controllerMap;
    EXPECT_EQ(m.ctlSourceArea, 0u);
    EXPECT_EQ(m.ctlDestAssocArea, sources);
    if (type == DBS_TYPE_V2 || type == DBS_TYPE_V3) {
      EXPECT_EQ(m.ctlPortArea, sources + 6144);
      EXPECT_EQ(m.ctlInhibitArea, sources + 6144 + 256);
    }
    EXPECT_EQ(m.ctlSourceAssocArea, m.ctlInhibitArea + inhibits);
  }
}

TEST(ControllerMap, AreasIncreaseAndKeypadBlocksAreContiguous) {
  for (std::uint16_t type : {DBS_TYPE_KV1, DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3}) {
    SCOPED_TRACE(type);
    const ControllerMap& m = *Format(type).controllerMap;
    const std::uint32_t order[] = {m.ctlSourceArea,     m.ctlDestAssocArea,  m.ctlPortArea,        m.ctlInhibitArea,
                                   m.ctlSourceAssocArea, m.ctlDestAssocArea2, m.ctlPanelArea1,      m.ctlPanelArea2,
                                   m.ctlPanelArea3,      m.ctlKeypadArea1,    m.ctlKeypadArea2,     m.ctlOverrideArea,
                                   m.ctlPanelArea4,      m.ctlLevelArea,      m.ctlGeneralPortArea, m.ctlXYArea,
                                   m.ctlSalvoArea,       m.ctlSalvoXPArea,    m.ctlSalvoLinkArea,   m.ctlKeypadArea3,
                                   m.ctlKeypadBlock[0],  m.ctlKeypadBlock2[0], m.ctlKeypadArea4,    m.ctlFixedArea,
                                   m.ctlLevelArea2,      m.ctlMatrixPortArea, m.imageSize};
    EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));
    const std::uint32_t stride = m.ctlKeypadBlock[1] - m.ctlKeypadBlock[0];
    EXPECT_EQ(m.ctlKeypadBlock[15] + stride, m.ctlKeypadBlock2[0]);
    const std::uint32_t stride2 = m.ctlKeypadBlock2[1] - m.ctlKeypadBlock2[0];
    EXPECT_EQ(m.ctlKeypadBlock2[15] + stride2, m.ctlKeypadArea4);
    EXPECT_EQ(m.hasTrigLineArea, type != DBS_TYPE_KV1);
    if (m.hasTrigLineArea) {
      EXPECT_EQ(m.ctlTrigLineArea, m.ctlMatrixPortArea + 8);
    }
  }
}

}  // namespace
}  // namespace zephra
