// The controller image a database gives: its size and checksums per format,
// the areas byte for byte where a slip would misconfigure a studio, and
// damaged files that must still give an image without hanging.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../sequence_fixture.h"
#include "dbs/checksum.h"
#include "dbs/names.h"
#include "dbs/records/keypads.h"
#include "dbs/records/ports.h"
#include "dbs/records/salvos.h"
#include "dbs/records/sources.h"
#include "dbs/records/umds.h"
#include "dbs/transfer/controller_image.h"

namespace zephra {
namespace {

using test::Sequence;
using test::Str;
using Bytes = std::vector<std::uint8_t>;

struct ImageTest : test::DbTest {
  Bytes Image() {
    Db db(h, TheSlot());
    return EncodeControllerImage(db);
  }
  Bytes Parameters(int area) {
    Db db(h, TheSlot());
    return EncodeParameterArea(db, area);
  }
  const ControllerMap& Map() { return *TheSlot().db->format->controllerMap; }
  static Bytes At(const Bytes& image, std::uint32_t pos, std::size_t n) {
    return Bytes(image.begin() + pos, image.begin() + static_cast<std::ptrdiff_t>(pos + n));
  }
  static Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
  void NameKey(std::uint16_t keypad, std::uint16_t key, std::u16string_view name, std::uint8_t type = 1) {
    test::NameKey(h, keypad, key, name, type);
  }
  template <class R>
  void Put(std::uint32_t pos, const R& record) {
    Db db(h, TheSlot());
    ASSERT_EQ(db.Write(pos, record), DBS_OK);
  }
  template <class R>
  R Get(std::uint32_t pos) {
    return Db(h, TheSlot()).Read<R>(pos);
  }
  KeypadPlace Place(std::uint16_t k) { return PlaceOfKeypad(Db(h, TheSlot()), k); }
};

TEST_F(ImageTest, EveryFormatGivesItsImageAndExpectedChecksums) {
  for (const auto& [type, associations] : {std::pair{DBS_TYPE_V1, 384}, {DBS_TYPE_V2, 768}, {DBS_TYPE_V3, 768}}) {
    SCOPED_TRACE(type);
    Remake(test::EditorDefault(static_cast<std::uint16_t>(type), static_cast<std::uint16_t>(associations)));
    const Bytes image = Image();
    const ControllerMap& map = Map();
    EXPECT_EQ(image.size(), map.blockCount * 1024u);
    ASSERT_EQ(TheSlot().ops.BuildControllerImage(h), DBS_OK);
    const auto& expected = TheSlot().ctl->expectedChecksums;
    ASSERT_EQ(expected.size(), map.blockCount);
    EXPECT_EQ(expected, BlockChecksums(image));
    // Four levels of 32: the counts, then the levels the database lacks.
    EXPECT_EQ(At(image, map.ctlFixedArea, 4), (Bytes{0, 32, 0, 32}));
    EXPECT_EQ(At(image, map.ctlFixedArea + 8, 2), (Bytes{0, 0}));
    EXPECT_EQ(At(image, map.ctlLevelArea + 8, 8), (Bytes{1, 0x8E, 1, 0x8E, 1, 0x8E, 1, 0x8E}));
    EXPECT_EQ(At(image, map.ctlLevelArea2 + 8, 2), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(At(image, map.ctlMatrixPortArea + 4, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    // No device is placed: every place keeps the level mask of four levels.
    EXPECT_EQ(At(image, map.ctlPanelArea4, 4), (Bytes{0x0F, 6, 0x0F, 6}));
    EXPECT_EQ(At(image, map.ctlPortArea, 8), Text("        "));
    // Salvo slots beyond the database's, and an empty salvo.
    EXPECT_EQ(At(image, map.ctlSalvoArea, 4), (Bytes{0, 0, 0xFF, 0xFF}));
  }
}

TEST_F(ImageTest, SourceNamesSitInTheirSlotsAndTheRestAreSpaces) {
  const Bytes image = Image();
  const std::uint32_t area = Map().ctlSourceArea;
  Db db(h, TheSlot());
  for (std::uint16_t l = 0; l < 4; ++l) {
    for (std::uint16_t s : {std::uint16_t{0}, std::uint16_t{31}}) {
      std::uint8_t narrow[8];
      ToNarrowName(db.Read<SourceEntry>(SourcePos(db, 0, l, s)).name2, 8, narrow);
      EXPECT_EQ(At(image, area + 8 * (l + 8u * s), 8), Bytes(narrow, narrow + 8)) << l << " " << s;
    }
    EXPECT_EQ(At(image, area + 8 * (l + 8u * 32), 8), Text("        "));
    EXPECT_EQ(At(image, area + 8 * (1028u + l + 4u * 576), 8), Text("        "));
  }
  EXPECT_EQ(At(image, area + 8 * (5 + 8u * 0), 8), Text("        "));  // a level the database lacks
}

TEST_F(ImageTest, InhibitRowsAreInvertedAndPaddedToTheControllersWidth) {
  ConfigImage c = test::EditorDefaultV3();
  c.levelCount[0] = 6;
  c.sourceCount[0][4] = c.destCount[0][4] = 8;
  c.sourceCount[0][5] = 10;
  c.destCount[0][5] = 4;
  Remake(c);
  {
    Db db(h, TheSlot());
    const LevelBitmap file = BitmapOf(db, BitmapKind::Inhibit, 0, 5);
    ASSERT_EQ(file.rowBytes, 2u);
    const std::uint8_t row1[2] = {0x01, 0x02};
    ASSERT_EQ(db.WriteBytes(file.pos + file.rowBytes, row1, 2), DBS_OK);
  }
  const Bytes image = Image();
  const FormatInfo& f = *TheSlot().db->format;
  std::uint32_t level5 = Map().ctlInhibitArea;
  for (int l = 0; l < 5; ++l) level5 += (f.maxDests[l] + 7u) / 8u * f.maxDests[l];
  Bytes row0(32, 0), row1(32, 0);
  row0[0] = row0[1] = 0xFF;
  row1[0] = 0xFE;
  row1[1] = 0xFD;
  EXPECT_EQ(At(image, level5, 32), row0);
  EXPECT_EQ(At(image, level5 + 32, 32), row1);
  EXPECT_EQ(At(image, level5 + 4 * 32, 32), Bytes(32, 0));  // no such destination
}

TEST_F(ImageTest, KeypadsTakeTheirPlacesByKind) {
  EXPECT_EQ(Place(0).area, KeypadPlace::Area::SimpleSource);
  EXPECT_EQ(Place(33).slot, 1);
  EXPECT_EQ(Place(64).area, KeypadPlace::Area::DialUp);
  EXPECT_EQ(Place(64).slot, 0);
  EXPECT_EQ(Place(72).slot, 8);
  // Destination keypad 33 made dial-up: 34 takes its simple place, and 33
  // the first dial-up destination slot, so the last one has none.
  auto e = Get<KeypadEntry>(TheSlot().db->layout.keypadPos[33]);
  e.keypadFlags |= 0x02;
  Put(TheSlot().db->layout.keypadPos[33], e);
  EXPECT_EQ(Place(34).area, KeypadPlace::Area::SimpleDest);
  EXPECT_EQ(Place(34).slot, 1);
  EXPECT_EQ(Place(33).area, KeypadPlace::Area::DialUp);
  EXPECT_EQ(Place(33).slot, 8);
  EXPECT_EQ(Place(79).area, KeypadPlace::Area::None);
  EXPECT_EQ(ControllerKeypadNumber(5), 5);
  EXPECT_EQ(ControllerKeypadNumber(40), 8);
  EXPECT_EQ(ControllerKeypadNumber(75), 35);
}

TEST_F(ImageTest, SimpleKeysCarryWhatTheirSequencesSelect) {
  NameKey(0, 0, u"A");
  NameKey(0, 1, u"B");
  NameKey(0, 2, u"Up", 2);
  Sequence a(0, {u"A"}, 5);
  ASSERT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_OK);
  // A salvo key: the node fires salvo 12.
  NameKey(1, 0, u"S");
  Sequence salvo(1, {u"S"});
  salvo.record.presses[0].salvo = 12;
  salvo.record.salvoFlags = 1;
  ASSERT_EQ(dbs_SetEntrySequence(1, &salvo.record, h), DBS_OK);
  const Bytes image = Image();
  const std::uint32_t area = Map().ctlKeypadArea2;
  EXPECT_EQ(At(image, area, 6), (Bytes{0x00, 0x05, 0xFF, 0xFF, 0x03, 0x49}));
  EXPECT_EQ(At(image, area + 128, 2), (Bytes{0x03, 0x2C}));  // 800 + 12
}

TEST_F(ImageTest, DialUpTreesAreWrittenInPreOrderWithTheirFreeLists) {
  const std::uint16_t k = 64;
  NameKey(k, 0, u"A");
  NameKey(k, 1, u"B");
  Sequence a(k, {u"A"}, 5), ab(k, {u"A", u"B"}, 6);
  ASSERT_EQ(dbs_SetEntrySequence(k, &a.record, h), DBS_OK);
  ASSERT_EQ(dbs_SetEntrySequence(k, &ab.record, h), DBS_OK);
  const Bytes image = Image();
  const ControllerMap& map = Map();
  const std::uint32_t block = map.ctlKeypadBlock[0];
  // Header: the first node (0) as link 1.
  EXPECT_EQ(At(image, block, 10), (Bytes{0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  // Node 0: no next, no prev, first child node 1, key 0, value 5.
  EXPECT_EQ(At(image, block + 18, 10), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x02, 0x00, 0xFF, 0x00, 0x05}));
  // Node 1: key 1, value 6.
  EXPECT_EQ(At(image, block + 36, 10), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0xFF, 0x00, 0x06}));
  // The free list: every other node, the head (node 2, link 3) last.
  const std::uint16_t free = static_cast<std::uint16_t>(TheSlot().db->format->dialUpNodes - 2);
  const std::uint32_t list = map.ctlKeypadBlock2[0];
  EXPECT_EQ(At(image, list, 2), (Bytes{static_cast<std::uint8_t>(free >> 8), static_cast<std::uint8_t>(free)}));
  EXPECT_EQ(At(image, list + 2u * free, 2), (Bytes{0x00, 0x03}));
  // An empty tree.
  EXPECT_EQ(At(image, map.ctlKeypadBlock[1], 18),
            (Bytes{0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}));
}

TEST_F(ImageTest, GeneralPortsAndDevicesTakeTheControllersSlots) {
  ConfigImage c = test::EditorDefaultV3();
  c.generalPortCount = 2;
  Remake(c);
  auto umd = Get<UMDEntry>(TheSlot().db->layout.umdPos);
  umd.port = 0;
  umd.address = 1;
  umd.umdType = 9;
  Put(TheSlot().db->layout.umdPos, umd);
  auto port = Get<GeneralPortEntry>(TheSlot().db->layout.generalPortPos);
  port.protocol = 2;
  port.baudRate = 9600;
  port.parity = 1;
  port.dataBits = 7;
  port.stopBits = 4;
  port.handshake = 1;
  port.duplex = 1;
  port.routeInhibits = 1;
  Put(TheSlot().db->layout.generalPortPos, port);
  const Bytes image = Image();
  const ControllerMap& map = Map();
  const Bytes unused{0x06, 0x10, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00};
  EXPECT_EQ(At(image, map.ctlGeneralPortArea + 8, 8), unused);
  EXPECT_EQ(At(image, map.ctlGeneralPortArea + 16, 8), unused);
  EXPECT_EQ(At(image, map.ctlGeneralPortArea + 24, 8), (Bytes{0x02, 0x0E, 1, 7, 4, 1, 1, 1}));  // port 0 in slot 3
  EXPECT_EQ(image[map.ctlPanelArea1], 52);
  EXPECT_EQ(image[map.ctlPanelArea1 + 1], 0);
  EXPECT_EQ(At(image, map.ctlPortArea, 8), Text("UMD 1   "));
}

TEST_F(ImageTest, ParameterAreasFollowTheFormatMaxima) {
  {
    Db db(h, TheSlot());
    auto e = db.Read<SourceEntry>(SourcePos(db, 0, 1, 3));
    e.audioParam = 0x42;
    e.trigger = 7;
    ASSERT_EQ(db.Write(SourcePos(db, 0, 1, 3), e), DBS_OK);
  }
  const FormatInfo& f = *TheSlot().db->format;
  const Bytes audio = Parameters(1), triggers = Parameters(3);
  EXPECT_EQ(audio.size(), f.controllerMap->paramAreaSize);
  EXPECT_EQ(audio[f.maxDests[0] + 3], 0x42);
  EXPECT_EQ(triggers[f.maxDests[0] + 3], 7);
  EXPECT_EQ(triggers[f.maxDests[0] + 32], 1);  // no such source: the default
  EXPECT_EQ(audio[f.maxDests[0] + 32], 0);
}

TEST_F(ImageTest, DamagedLinksStillGiveAnImage) {
  const std::uint16_t k = 64;
  NameKey(k, 0, u"A");
  NameKey(k, 1, u"B");
  Sequence a(k, {u"A"}, 5), b(k, {u"B"}, 6);
  ASSERT_EQ(dbs_SetEntrySequence(k, &a.record, h), DBS_OK);
  ASSERT_EQ(dbs_SetEntrySequence(k, &b.record, h), DBS_OK);
  const ImageLayout& L = TheSlot().db->layout;
  const auto nodes = static_cast<std::uint32_t>(L.keypadPos[k] + sizeof(KeypadEntry) +
                                                TheSlot().db->config.keyCount[k] * sizeof(KeyEntry));
  // Siblings that point at each other in a circle, a child that is its own
  // parent, and a free list that loops.
  auto n0 = Get<SequenceNode>(nodes), n1 = Get<SequenceNode>(nodes + sizeof(SequenceNode));
  n0.next = 1;
  n1.next = 0;
  n1.firstChild = 1;
  n1.parent = 1;
  Put(nodes, n0);
  Put(nodes + static_cast<std::uint32_t>(sizeof(SequenceNode)), n1);
  auto n2 = Get<SequenceNode>(nodes + 2 * sizeof(SequenceNode));
  n2.next = 2;
  Put(nodes + 2 * static_cast<std::uint32_t>(sizeof(SequenceNode)), n2);
  // A salvo whose chain runs in a circle and a free chain out of the pool.
  auto x0 = Get<SalvoXPEntry>(L.salvoXPPos);
  x0.next = 0;
  Put(L.salvoXPPos, x0);
  auto s0 = Get<SalvoEntry>(L.salvoPos);
  s0.firstXP = 0;
  Put(L.salvoPos, s0);
  Put(L.salvoFreePos, std::int16_t{29000});
  const Bytes image = Image();
  EXPECT_EQ(image.size(), Map().blockCount * 1024u);
  EXPECT_EQ(At(image, Map().ctlSalvoLinkArea, 2), (Bytes{0, 0}));
  EXPECT_EQ(At(image, Map().ctlSalvoXPArea, 2), (Bytes{0, 0}));  // record 0 written once, naming itself
}

}  // namespace
}  // namespace zephra
