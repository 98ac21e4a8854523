// From the controller back to the file: the configuration an upload makes,
// the round trip encode → decode → encode, the Part's awkward values, and
// controller memory that is plain garbage.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "../db_fixture.h"
#include "../sequence_fixture.h"
#include "dbs/checker.h"
#include "dbs/records/keypad_tree.h"
#include "dbs/records/keypads.h"
#include "dbs/records/matrix.h"
#include "dbs/records/panels.h"
#include "dbs/records/ports.h"
#include "dbs/records/salvos.h"
#include "dbs/records/sources.h"
#include "dbs/records/umds.h"
#include "dbs/transfer/controller_decode.h"
#include "dbs/transfer/controller_image.h"

namespace zephra {
namespace {

using test::Sequence;
using test::Str;
using Bytes = std::vector<std::uint8_t>;

const FormatInfo& V3() { return *FindFormat(DBS_TYPE_V3); }

void PutWord(std::uint8_t* at, int v) {
  at[0] = static_cast<std::uint8_t>(v >> 8);
  at[1] = static_cast<std::uint8_t>(v);
}

// Four levels of 32 sources and destinations, as a controller reports them.
ConfigImage FourLevels(const FormatInfo& format = V3()) {
  std::uint8_t fixed[32] = {}, park[16];
  std::memset(park, 0xFF, sizeof park);
  for (int l = 0; l < 4; ++l) PutWord(fixed + 2 * l, 32), PutWord(fixed + 16 + 2 * l, 32);
  return UploadConfiguration(format, std::span<const std::uint8_t, 32>(fixed), std::span<const std::uint8_t, 16>(park));
}

struct DecodeTest : test::DbTest {
  void SetUp() override { Make(FourLevels()); }
  Bytes Image() {
    Db db(h, TheSlot());
    return EncodeControllerImage(db);
  }
  // A second database of the same configuration, holding its default
  // content, for the controller's memory to be decoded into.
  struct Target {
    test::TempDir dir;
    DbsHandle h = -1;
    explicit Target(const ConfigImage& c) {
      test::CallConfig call(c);
      EXPECT_EQ(dbs_CreateFile(Str(dir.File("up.ZP3")), &call.record, 0, &h), DBS_OK);
    }
    ~Target() { dbs_CloseFile(h); }
    Db Open() { return Db(h, Slots()[h]); }
  };
  void RoundTrip();
  void NameKey(DbsHandle on, std::uint16_t keypad, std::uint16_t key, std::u16string_view name,
               std::uint8_t type = 1) {
    test::NameKey(on, keypad, key, name, type);
  }
};

TEST(UploadConfiguration, FollowsTheControllersCounts) {
  std::uint8_t fixed[32] = {}, park[16];
  std::memset(park, 0xFF, sizeof park);
  PutWord(fixed + 0, 576);      // level 0: the park source is the maximum
  PutWord(park + 0, 576);
  PutWord(fixed + 2, 600);      // level 1: more than the format allows
  PutWord(fixed + 4, 10);
  for (int l = 0; l < 3; ++l) PutWord(fixed + 16 + 2 * l, 700);
  PutWord(fixed + 6, 20);       // level 3 has sources but no destinations: the levels end
  const ConfigImage c =
      UploadConfiguration(V3(), std::span<const std::uint8_t, 32>(fixed), std::span<const std::uint8_t, 16>(park));
  EXPECT_EQ(c.levelCount[0], 3);
  EXPECT_EQ(c.sourceCount[0][0], 577);
  EXPECT_EQ(c.sourceCount[0][1], 576);
  EXPECT_EQ(c.sourceCount[0][2], 10);
  EXPECT_EQ(c.destCount[0][0], 576);
  EXPECT_EQ(c.sourceCount[0][3], 0);
  EXPECT_EQ(c.keyCount[31], 64);
  EXPECT_EQ(c.keyCount[32], 36);
  EXPECT_EQ(c.nodeCount[64], 670);
  EXPECT_EQ(c.sourceAssocCount[0], 768);
  ConfigImage valid = c;
  EXPECT_EQ(ValidateConfigFor(V3(), valid), DBS_OK);
}

TEST_F(DecodeTest, EncodeDecodeEncodeGivesTheSameBytes) {
  for (const std::uint16_t type : {DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3}) {
    SCOPED_TRACE(type);
    Remake(FourLevels(*FindFormat(type)));
    RoundTrip();
  }
}

void DecodeTest::RoundTrip() {
  // Content in every kind of area: keys and trees of simple and dial-up
  // keypads, a placed panel and UMD, a level type and park source, a port.
  NameKey(h, 0, 0, u"CAM");
  NameKey(h, 0, 1, u"VTR");
  NameKey(h, 0, 2, u"Up", 2);
  Sequence cam(0, {u"CAM"}, 5), vtr(0, {u"VTR"}, 9);
  ASSERT_EQ(dbs_SetEntrySequence(0, &cam.record, h), DBS_OK);
  ASSERT_EQ(dbs_SetEntrySequence(0, &vtr.record, h), DBS_OK);
  NameKey(h, 32, 0, u"MON");
  Sequence mon(32, {u"MON"}, 3);
  ASSERT_EQ(dbs_SetEntrySequence(32, &mon.record, h), DBS_OK);
  NameKey(h, 64, 0, u"A");
  NameKey(h, 64, 1, u"B");
  Sequence a(64, {u"A"}, 5), ab(64, {u"A", u"B"}, 6), b(64, {u"B"}, 7);
  for (Sequence* s : {&a, &ab, &b}) ASSERT_EQ(dbs_SetEntrySequence(64, &s->record, h), DBS_OK);
  {
    Db db(h, TheSlot());
    const ImageLayout& L = db.Layout();
    auto panel = db.Read<PanelEntry>(L.panelPos);
    panel.port = 0;
    panel.address = 1;
    panel.panelType = 2;
    panel.destKeypad = 32;
    panel.sourceKeypad = 0;
    ASSERT_EQ(db.Write(L.panelPos, panel), DBS_OK);
    auto umd = db.Read<UMDEntry>(L.umdPos + sizeof(UMDEntry));
    umd.port = 0;
    umd.address = 2;
    umd.umdType = 2;
    ASSERT_EQ(db.Write(L.umdPos + static_cast<std::uint32_t>(sizeof(UMDEntry)), umd), DBS_OK);
    auto level = db.Read<LevelEntry>(LevelPos(db, 0, 2));
    level.levelType = 40;
    level.parkSource = 31;
    ASSERT_EQ(db.Write(LevelPos(db, 0, 2), level), DBS_OK);
  }
  const Bytes first = Image();
  Bytes params[3];
  {
    Db db(h, TheSlot());
    for (int area = 1; area <= 3; ++area) params[area - 1] = EncodeParameterArea(db, area);
  }

  Target up(TheSlot().db->config);
  ControllerBuffers buffers{first, {params[0], params[1], params[2]}};
  ASSERT_EQ(Slots()[up.h].ops.StoreControllerAreas(up.h, &buffers), DBS_OK);
  EXPECT_TRUE(buffers.image.empty());  // released
  Db db = up.Open();
  const Bytes second = EncodeControllerImage(db);
  ASSERT_EQ(second.size(), first.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (first[i] != second[i]) {
      ADD_FAILURE() << "first difference at byte " << std::hex << i;
      break;
    }
  }
  for (int area = 1; area <= 3; ++area) EXPECT_EQ(EncodeParameterArea(db, area), params[area - 1]);
  // And the records came back.
  const ImageLayout& L = db.Layout();
  const auto panel = db.Read<PanelEntry>(L.panelPos);
  EXPECT_EQ(panel.port, 0);
  EXPECT_EQ(panel.address, 1);
  EXPECT_EQ(panel.destKeypad, 32);
  EXPECT_EQ(db.Read<UMDEntry>(L.umdPos + static_cast<std::uint32_t>(sizeof(UMDEntry))).umdType, 2);
  EXPECT_EQ(db.Read<LevelEntry>(LevelPos(db, 0, 2)).parkSource, 31);
  Sequence first0 = Sequence::Empty(0);
  ASSERT_EQ(dbs_GetFirstSequence(0, &first0.record, up.h), DBS_OK);
  // The controller keeps no names of simple keys: the key keeps its own name,
  // and the sequence under it selects what the controller says.
  EXPECT_EQ(first0.record.presses[0].selection[0], 5);
  const auto problems = CheckStructures(db.Config(), L, {Slots()[up.h].db->image, L.fileSize});
  for (const auto& p : problems) ADD_FAILURE() << p;
}

// Levels 0 and 1 drive each other's physical level, so they share nothing:
// each keeps its own parameters through a download and an upload.
TEST_F(DecodeTest, LevelsMappedCrosswiseKeepTheirOwnParameters) {
  {
    Db db(h, TheSlot());
    const ImageLayout& L = db.Layout();
    for (std::uint16_t l = 0; l < 2; ++l) {
      const std::uint32_t at = L.matrixPortPos + l * std::uint32_t{sizeof(MatrixPortEntry)};
      auto port = db.Read<MatrixPortEntry>(at);
      port.physicalLevel = static_cast<std::uint16_t>(1 - l);
      ASSERT_EQ(db.Write(at, port), DBS_OK);
      auto source = db.Read<SourceEntry>(SourcePos(db, 0, l, 3));
      source.audioParam = static_cast<std::uint8_t>(0x10 + l);
      source.trigger = static_cast<std::uint8_t>(0x20 + l);
      ASSERT_EQ(db.Write(SourcePos(db, 0, l, 3), source), DBS_OK);
      auto dest = db.Read<DestinationEntry>(DestPos(db, 0, l, 4));
      dest.audioParam = static_cast<std::uint8_t>(0x30 + l);
      ASSERT_EQ(db.Write(DestPos(db, 0, l, 4), dest), DBS_OK);
    }
  }
  Bytes params[3];
  {
    Db db(h, TheSlot());
    for (int area = 1; area <= 3; ++area) params[area - 1] = EncodeParameterArea(db, area);
  }
  Target up(TheSlot().db->config);
  ControllerBuffers buffers{Image(), {params[0], params[1], params[2]}};
  ASSERT_EQ(Slots()[up.h].ops.StoreControllerAreas(up.h, &buffers), DBS_OK);
  Db db = up.Open();
  for (std::uint16_t l = 0; l < 2; ++l) {
    SCOPED_TRACE(l);
    EXPECT_EQ(db.Read<MatrixPortEntry>(db.Layout().matrixPortPos + l * std::uint32_t{sizeof(MatrixPortEntry)})
                  .physicalLevel,
              1 - l);
    const auto source = db.Read<SourceEntry>(SourcePos(db, 0, l, 3));
    EXPECT_EQ(source.audioParam, 0x10 + l);
    EXPECT_EQ(source.trigger, 0x20 + l);
    EXPECT_EQ(db.Read<DestinationEntry>(DestPos(db, 0, l, 4)).audioParam, 0x30 + l);
  }
  for (int area = 1; area <= 3; ++area) EXPECT_EQ(EncodeParameterArea(db, area), params[area - 1]);
}

TEST_F(DecodeTest, AwkwardControllerValuesBecomeNoneOrTheDefault) {
  Bytes image = Image();
  const ControllerMap& map = *V3().controllerMap;
  image[map.ctlPanelArea1 + 3] = 6;                       // a UMD device at place 3
  PutWord(&image[map.ctlKeypadArea2 + 0], 812);             // keypad 0, key 0: salvo 12
  PutWord(&image[map.ctlKeypadArea2 + 2], 835);             // key 1: neither a name nor a code
  PutWord(&image[map.ctlSalvoArea + 12 * 4], 3500);         // salvo 4's count
  image[map.ctlGeneralPortArea + 8 * 0 + 1] = 13;           // a baud code no rate has
  const std::uint32_t list = map.ctlKeypadBlock2[0];        // keypad 64's free list: one entry
  PutWord(&image[list], 1);
  PutWord(&image[list + 2], 7);
  PutWord(&image[map.ctlSalvoLinkArea], 40000);             // a count beyond the pool

  Target up(TheSlot().db->config);
  Db db = up.Open();
  const KeyEntry keyBefore = db.Read<KeyEntry>(db.Layout().keypadPos[0] + sizeof(KeypadEntry) + sizeof(KeyEntry));
  ASSERT_EQ(DecodeControllerImage(db, image), DBS_OK);
  const ImageLayout& L = db.Layout();
  const auto umd = db.Read<UMDEntry>(L.umdPos + 3 * static_cast<std::uint32_t>(sizeof(UMDEntry)));
  EXPECT_EQ(umd.umdType, 2);
  EXPECT_EQ(umd.port, 0);
  EXPECT_EQ(umd.address, 4);
  const auto panel = db.Read<PanelEntry>(L.panelPos + 3 * static_cast<std::uint32_t>(sizeof(PanelEntry)));
  EXPECT_EQ(panel.panelType, 1);
  EXPECT_EQ(panel.port, kNoEntry);
  KeypadTree tree(db, 0);
  const SequenceNode salvo = tree.Node(tree.Tail().root);
  EXPECT_EQ(salvo.salvo, 12);
  EXPECT_EQ(salvo.salvoFlags, 1);
  const KeyEntry keyAfter = db.Read<KeyEntry>(L.keypadPos[0] + sizeof(KeypadEntry) + sizeof(KeyEntry));
  EXPECT_EQ(keyAfter.keyType, keyBefore.keyType);
  EXPECT_EQ(db.Read<SalvoEntry>(L.salvoPos + 4 * static_cast<std::uint32_t>(sizeof(SalvoEntry))).xpCount, 0);
  EXPECT_EQ(db.Read<LevelEntry>(LevelPos(db, 0, 1)).name[6], u'2');
  EXPECT_EQ(db.Read<GeneralPortEntry>(L.generalPortPos + sizeof(GeneralPortEntry)).baudRate, 38400u);
  KeypadTree dial(db, 64);
  EXPECT_EQ(dial.Tail().freeHead, 6);
  EXPECT_EQ(dial.Node(6).next, -1);
}

// Memory that is noise decodes without a crash or a hang, and the file it
// gives still encodes.
TEST_F(DecodeTest, GarbageDecodesWithoutHarm) {
  std::mt19937 random(7);
  Bytes image(V3().controllerMap->blockCount * 1024u);
  for (int round = 0; round < 3; ++round) {
    for (auto& b : image) b = static_cast<std::uint8_t>(random());
    Target up(TheSlot().db->config);
    Db db = up.Open();
    ASSERT_EQ(DecodeControllerImage(db, image), DBS_OK);
    for (int area = 1; area <= 3; ++area) {
      ASSERT_EQ(DecodeParameterArea(db, area, Bytes(image.begin(), image.begin() + 4000)), DBS_OK);
    }
    EXPECT_EQ(EncodeControllerImage(db).size(), image.size());
  }
  Target up(TheSlot().db->config);
  Db db = up.Open();
  EXPECT_EQ(DecodeControllerImage(db, Bytes(100)), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(Slots()[up.h].ops.StoreControllerAreas(up.h, nullptr), DBS_ERR_INVALID_ARGUMENT);
  ControllerBuffers none;
  EXPECT_EQ(Slots()[up.h].ops.StoreControllerAreas(10, &none), DBS_ERR_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace zephra
