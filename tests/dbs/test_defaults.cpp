#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config_fixtures.h"
#include "dbs/checksum.h"
#include "dbs/defaults.h"
#include "dbs/records/associations.h"
#include "dbs/records/keypads.h"
#include "dbs/records/matrix.h"
#include "dbs/records/panels.h"
#include "dbs/records/ports.h"
#include "dbs/records/salvos.h"
#include "dbs/records/sources.h"
#include "dbs/records/umds.h"
#include "temp_dir.h"

namespace zephra {
namespace {

// A default database written into memory, with typed access to its records.
struct Image {
  ConfigImage config;
  ImageLayout layout;
  std::vector<std::uint8_t> bytes;

  // The builder runs on a freshly extended, zero file; `fill` stands for
  // anything else.
  explicit Image(ConfigImage c, std::uint8_t fill = 0) : config(c) {
    EXPECT_EQ(ValidateConfigFor(*FindFormat(c.configType), config), DBS_OK);
    layout = ComputeLayout(config, *FindFormat(config.configType));
    bytes.assign(layout.fileSize, fill);
    WriteDefaultImage(config, layout, bytes.data());
  }
  template <class R>
  R At(std::uint32_t pos, std::uint32_t index = 0) const {
    R r;
    std::memcpy(&r, bytes.data() + pos + index * sizeof(R), sizeof r);
    return r;
  }
  SourceEntry Source(std::uint16_t level, std::uint16_t s) const {
    std::uint32_t before = 0;
    for (std::uint16_t l = 0; l < level; ++l) before += config.sourceCount[0][l];
    return At<SourceEntry>(layout.sourceTablePos[0], before + s);
  }
};

std::u16string Text(const char16_t (&field)[16]) {
  std::u16string s(field, 16);
  return s.substr(0, s.find(u'\0'));
}

ConfigImage Levels(std::initializer_list<std::uint16_t> sources) {
  ConfigImage c = test::EditorDefaultV3();
  c.levelCount[0] = static_cast<std::uint16_t>(sources.size());
  std::uint16_t l = 0;
  for (std::uint16_t s : sources) c.sourceCount[0][l++] = s;
  c.sourceAssocCount[0] = 40;
  c.destAssocCount[0] = 40;
  return c;
}

TEST(DefaultImage, ParkSourcesFollowTheSourceCount) {
  const Image img(Levels({33, 32, 17, 1}));
  const auto level = [&](std::uint16_t l) { return img.At<LevelEntry>(img.layout.levelTablePos[0], l); };
  EXPECT_EQ(level(0).levelType, 41);
  EXPECT_EQ(level(0).parkSource, 32);
  EXPECT_EQ(level(1).levelType, 0);
  EXPECT_EQ(level(1).parkSource, kNoEntry);
  EXPECT_EQ(level(3).parkSource, 0);  // a single source parks on itself
  EXPECT_EQ(Text(level(2).name), u"Level 3");
  EXPECT_EQ(level(2).signalOrder, 1);
  EXPECT_EQ(level(2).firstMonitorRow, kNoEntry);

  const SourceEntry park = img.Source(0, 32);
  for (auto* name : {&park.name1, &park.name2, &park.name3, &park.name4, &park.name5, &park.name6}) {
    EXPECT_EQ(Text(*name), u"PARK    ");
  }
  EXPECT_EQ(Text(img.Source(1, 31).name6), u"m1s32");
  EXPECT_EQ(Text(img.Source(2, 0).name1), u"m1s1");  // numbers do not name the level
  EXPECT_EQ(img.Source(2, 5).level, 2);
  EXPECT_EQ(img.Source(2, 5).source, 5);
}

TEST(DefaultImage, AssociationsLinkTheSameNumberAcrossLevels) {
  ConfigImage c = Levels({33, 32, 17, 32});
  const Image img(c);
  const auto a = img.At<SourceAssociationEntry>(img.layout.sourceAssocPos[0], 17);
  EXPECT_EQ(a.association, 17);
  const MemberTriple want[4] = {{0, 0, 17}, {0, 1, 17}, {-1, -1, -1}, {0, 3, 17}};
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(a.members[j].matrix, want[j].matrix) << j;
    EXPECT_EQ(a.members[j].level, want[j].level) << j;
    EXPECT_EQ(a.members[j].number, want[j].number) << j;
  }
  for (int j = 4; j < 16; ++j) EXPECT_EQ(a.members[j].level, -1) << j;

  const auto d33 = img.At<DestinationAssociationEntry>(img.layout.destAssocPos[0], 33);
  EXPECT_EQ(Text(d33.name), u"m1d34");
  EXPECT_EQ(Text(d33.shortName), u"m1d34");
  const auto d39 = img.At<DestinationAssociationEntry>(img.layout.destAssocPos[0], 39);
  for (const MemberTriple& m : d39.members) EXPECT_EQ(m.number, -1);
}

TEST(DefaultImage, KeypadsAreLaidOutInTheirGroups) {
  ConfigImage c = test::EditorDefaultV3();
  c.keypadCount = 40;
  const Image img(c);
  const auto keypad = [&](std::uint16_t k) { return img.At<KeypadEntry>(img.layout.keypadPos[k]); };
  const auto key = [&](std::uint16_t k, std::uint16_t n) {
    return img.At<KeyEntry>(img.layout.keypadPos[k] + sizeof(KeypadEntry), n);
  };
  EXPECT_EQ(keypad(0).columns, 8);
  EXPECT_EQ(keypad(0).rows, 8);
  EXPECT_EQ(keypad(0).keypadType, 0);
  EXPECT_EQ(keypad(0).keypadFlags, 1);
  EXPECT_EQ(Text(keypad(31).name), u"Kpd 32");
  EXPECT_EQ(keypad(32).columns, 9);
  EXPECT_EQ(keypad(32).keypadType, 1);
  const KeyEntry k9 = key(32, 9);
  EXPECT_EQ(Text(k9.name), u"Dest 10");
  EXPECT_EQ(k9.column, 0);
  EXPECT_EQ(k9.row, 1);
  EXPECT_EQ(Text(k9.altName), u"        ");
  EXPECT_EQ(key(0, 63).column, 7);
  EXPECT_EQ(key(0, 63).row, 7);
}

TEST(DefaultImage, SequenceNodesStartAsOneFreeChain) {
  const Image img(test::EditorDefaultV3());
  const std::uint16_t k = 70;  // a dial-up keypad: 36 keys, 670 nodes
  const std::uint32_t nodes = img.layout.keypadPos[k] + sizeof(KeypadEntry) + 36 * sizeof(KeyEntry);
  const auto node = [&](std::uint16_t i) { return img.At<SequenceNode>(nodes, i); };
  EXPECT_EQ(node(0).next, 1);
  EXPECT_EQ(node(668).next, 669);
  EXPECT_EQ(node(669).next, -1);
  EXPECT_EQ(node(5).parent, -1);
  EXPECT_EQ(node(5).salvo, -1);
  EXPECT_EQ(node(5).selection[19], -1);
  EXPECT_EQ(node(5).index, 5);
  EXPECT_EQ(node(5).keypad, k);
  const auto tail = img.At<SequenceTail>(img.layout.keypadTailPos[k]);
  EXPECT_EQ(tail.freeHead, 0);
  EXPECT_EQ(tail.root, -1);
  EXPECT_EQ(img.At<KeypadEntry>(img.layout.keypadPos[k]).keypadFlags, 2);
}

TEST(DefaultImage, PanelsOwnTheirSetsAndKeypads) {
  ConfigImage c = test::EditorDefaultV3();
  c.panelCount = 3;
  const Image img(c);
  const auto panel = img.At<PanelEntry>(img.layout.panelPos, 2);
  EXPECT_EQ(panel.levels[0], 0x0F0F);
  EXPECT_EQ(panel.levels[19], 0x0F0F);
  EXPECT_EQ(panel.sourceKeypad, 2);
  EXPECT_EQ(panel.destKeypad, 34);
  EXPECT_EQ(panel.xySet[0], 2);
  EXPECT_EQ(panel.xySet[1], kNoEntry);
  EXPECT_EQ(panel.overrideSet, 2);
  EXPECT_EQ(panel.outputSet, kNoEntry);
  EXPECT_EQ(panel.port, kNoEntry);
  EXPECT_EQ(Text(panel.name), u"Panel 3");

  const auto xy = img.At<XYSetEntry>(img.layout.xySetPos, 2);
  EXPECT_EQ(xy.panel, 2);
  EXPECT_EQ(xy.destCount, 768);
  EXPECT_EQ(xy.destMap[255], 0xFF);
  // Sets beyond the panels stay zero: not free, not anybody's.
  const auto spareXY = img.At<XYSetEntry>(img.layout.xySetPos, 3);
  EXPECT_EQ(spareXY.panel, 0);
  EXPECT_EQ(spareXY.destMap[0], 0);
  EXPECT_EQ(img.At<OverrideSetEntry>(img.layout.overrideSetPos, 31).overrides[0].matrix, 0);
  EXPECT_EQ(img.At<OverrideSetEntry>(img.layout.overrideSetPos, 2).overrides[15].number, -1);
  const auto output = img.At<OutputSetEntry>(img.layout.outputSetPos, 31);
  EXPECT_EQ(output.head, 31);
  EXPECT_EQ(output.panel, kNoEntry);
}

TEST(DefaultImage, SalvoCrosspointsFormOneFreeChain) {
  const Image img(test::EditorDefaultV3());
  const auto xp = [&](std::uint16_t n) { return img.At<SalvoXPEntry>(img.layout.salvoXPPos, n); };
  EXPECT_EQ(xp(0).next, 1);
  EXPECT_EQ(xp(1234).next, 1235);
  EXPECT_EQ(xp(2999).next, -1);
  EXPECT_EQ(xp(2999).salvo, 0);  // never used
  EXPECT_EQ(xp(2999).source, -1);
  EXPECT_EQ(img.At<std::int16_t>(img.layout.salvoFreePos), 0);
  const auto salvo = img.At<SalvoEntry>(img.layout.salvoPos, 31);
  EXPECT_EQ(salvo.firstXP, -1);
  EXPECT_EQ(Text(salvo.name), u"Salvo 32");
}

TEST(DefaultImage, TitlePortsUMDsAndTriggerLines) {
  const Image img(test::EditorDefaultV3());
  char16_t title[16];
  std::memcpy(title, img.bytes.data() + img.layout.titlePos, sizeof title);
  EXPECT_EQ(Text(title), u"Database File ");
  EXPECT_EQ(img.At<std::uint16_t>(img.layout.searchDepthPos), 1);
  const std::uint8_t* trig = img.bytes.data() + img.layout.trigLinePos;
  EXPECT_EQ(std::vector<std::uint8_t>(trig, trig + 4), (std::vector<std::uint8_t>{0x8A, 0x86, 0x00, 0x86}));

  const auto port1 = img.At<GeneralPortEntry>(img.layout.generalPortPos, 1);
  EXPECT_EQ(port1.protocol, 6);
  EXPECT_EQ(port1.parity, 2);
  EXPECT_EQ(port1.baudRate, 38400u);
  EXPECT_EQ(port1.routeInhibits, 1u);
  EXPECT_EQ(img.At<GeneralPortEntry>(img.layout.generalPortPos, 0).protocol, 8);
  EXPECT_EQ(img.At<MatrixPortEntry>(img.layout.matrixPortPos, 3).lastDest, 31);

  const auto umd = img.At<UMDEntry>(img.layout.umdPos, 4);
  EXPECT_EQ(umd.umdType, 5);
  EXPECT_EQ(umd.display, 0xFF);
  EXPECT_EQ(umd.dests[3].level, -1);
  EXPECT_EQ(Text(umd.name), u"UMD 5");
  EXPECT_EQ(Text(img.At<FixedMessageEntry>(img.layout.fixedMessagePos, 4).text), u"        ");
}

TEST(DefaultImage, EverythingAfterTheTablesIsZero) {
  const Image img(test::EditorDefaultV3(), 0xEE);
  for (std::uint32_t i = img.layout.tablesEnd; i < img.layout.fileSize; ++i) ASSERT_EQ(img.bytes[i], 0) << i;
}

TEST(DefaultImage, FormatsDifferOnlyInTheirTagAndType) {
  ConfigImage v1 = test::EditorDefault(DBS_TYPE_V1, 384);
  ConfigImage v2 = test::EditorDefault(DBS_TYPE_V2, 384);
  v1.keypadCount = v2.keypadCount = 64;  // dial-up node counts differ by format
  const Image a(v1), b(v2);
  ASSERT_EQ(a.bytes.size(), b.bytes.size());
  for (std::size_t i = 0; i < a.bytes.size(); ++i) {
    if (i >= 34 && i < 52) continue;
    ASSERT_EQ(a.bytes[i], b.bytes[i]) << "byte " << i;
  }
}

TEST(DefaultImage, NoMatrixWritesNoMatrixRecords) {
  ConfigImage c = test::EditorDefaultV3();
  c.matrixCount = 0;
  const Image img(c);
  ConfigImage stored;
  std::memcpy(&stored, img.bytes.data(), sizeof stored);
  EXPECT_EQ(stored.levelCount[0], 0);
  EXPECT_EQ(stored.matrixCount, 0);
  EXPECT_EQ(img.layout.titlePos, 1888u);
}

}  // namespace
}  // namespace zephra
