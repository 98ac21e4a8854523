// Changes made while on-line reach the simulated controller at once, in the
// bytes a download would give them: after a series of edits the controller
// still agrees with the file, and single edits send exactly what they must.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "../db_fixture.h"
#include "online_fixture.h"
#include "../sequence_fixture.h"
#include "dbs/transfer/controller_image.h"
#include "dbs/transfer/controller_tables.h"
#include "sim/ctlsim.h"

namespace zephra {
namespace {

using test::Sequence;
using test::Str;

// A table write the controller received: where, and how many bytes.
struct Write {
  std::uint32_t address;
  std::size_t count;
  bool operator==(const Write&) const = default;
};

struct LiveTest : test::DbTest {
  ctlsim::Simulator sim{DBS_TYPE_V3};
  std::size_t seen = 0;

  virtual ConfigImage Configuration() { return test::EditorDefaultV3(); }
  void SetUp() override {
    setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
    Make(Configuration());
    ASSERT_TRUE(sim.Start());
    ControllerHoldsTheDatabase();
  }
  // The controller is given what the file downloads, and the database goes
  // on-line in agreement with it.
  void ControllerHoldsTheDatabase() {
    {
      Db db(h, TheSlot());
      sim.SetMemory(0, EncodeControllerImage(db));
    }
    ASSERT_EQ(GoOnLine(), DBS_OK);
    seen = sim.Received().size();
  }
  void TearDown() override {
    test::DbTest::TearDown();
    sim.Stop();
  }
  DbsStatus GoOnLine() { return test::GoOnLineTo(sim, h); }
  // The table writes received since the last call.
  std::vector<Write> Writes() {
    std::vector<Write> out;
    const auto frames = sim.Received();
    for (std::size_t i = seen; i < frames.size(); ++i) {
      if (tolvex::FrameCommand(frames[i]) != 0x20) continue;
      const auto body = tolvex::FrameBody(frames[i]);
      out.push_back({static_cast<std::uint32_t>(body[1] << 16 | body[2] << 8 | body[3]), body[0]});
    }
    seen = frames.size();
    return out;
  }
  const ControllerMap& Map() { return *TheSlot().db->format->controllerMap; }
  // Where the controller's image first differs from the file's, or -1.
  long FirstDifference() {
    Db db(h, TheSlot());
    const auto expected = EncodeControllerImage(db);
    const auto memory = sim.Memory();
    for (std::size_t i = 0; i < Map().imageSize; ++i) {
      if (expected[i] != memory[i]) return static_cast<long>(i);
    }
    return -1;
  }
  void NameKey(std::uint16_t keypad, std::uint16_t key, std::u16string_view name, std::uint8_t type = 1) {
    test::NameKey(h, keypad, key, name, type);
  }
};

TEST_F(LiveTest, EditsWhileOnLineKeepTheControllerInAgreement) {
  Str camera(u"CAMERA 1"), monitor(u"MON 4"), panel(u"DESK");
  const TSourceIndexRecord source{0, 1, 9};
  ASSERT_EQ(dbs_SetSourceName(&source, camera, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  ASSERT_EQ(dbs_SetDestName(0, 4, monitor, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  const TMatrixPointRecord point{0, 0, 3, 17};
  ASSERT_EQ(dbs_SetInhibit(&point, 1, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  ASSERT_EQ(dbs_SetPanelPort(2, 0, 5, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  ASSERT_EQ(dbs_SetPanelName(2, panel, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  NameKey(0, 0, u"CAM");
  Sequence cam(0, {u"CAM"}, 9);
  ASSERT_EQ(dbs_SetEntrySequence(0, &cam.record, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  NameKey(64, 0, u"A");
  NameKey(64, 1, u"B");
  EXPECT_EQ(FirstDifference(), -1);
  Sequence a(64, {u"A"}, 5), ab(64, {u"A", u"B"}, 6);
  ASSERT_EQ(dbs_SetEntrySequence(64, &a.record, h), DBS_OK);
  ASSERT_EQ(dbs_SetEntrySequence(64, &ab.record, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  Str shortName(u"S1"), salvoName(u"OPENING");
  TMacroStoreRecord salvo{3, shortName, salvoName, 0};
  ASSERT_EQ(dbs_SetMacroStore(3, &salvo, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  EXPECT_FALSE(Writes().empty());
  // The controller's checksums still match the file's.
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(LiveTest, SingleEditsSendWhatTheyMust) {
  Str camera(u"CAMERA 1");
  const TSourceIndexRecord source{0, 2, 9};
  ASSERT_EQ(dbs_SetSourceName(&source, camera, h), DBS_OK);
  EXPECT_EQ(Writes(), (std::vector<Write>{{Map().ctlSourceArea + 8 * (2 + 8 * 9), 8}}));
  // An inhibit on V3 level 0 (576 sources) writes the destination's row of 72 bytes.
  const TMatrixPointRecord point{0, 0, 3, 17};
  ASSERT_EQ(dbs_SetInhibit(&point, 1, h), DBS_OK);
  EXPECT_EQ(Writes(), (std::vector<Write>{{Map().ctlInhibitArea + 3 * 72, 72}}));
  // A level of a type without audio parameters: the file changes, nothing is sent.
  ASSERT_EQ(dbs_SetAudioSourceParam(&source, 7, h), DBS_OK);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(sim.CountReceived(0x1B), 0u);
  // A level type change restarts the controller.
  const int restarts = sim.Restarts();
  ASSERT_EQ(dbs_SetLevelType(0, 2, 4, h), DBS_OK);
  EXPECT_EQ(Writes(), (std::vector<Write>{{Map().ctlLevelArea + 4, 2}}));
  EXPECT_EQ(sim.Restarts(), restarts + 1);
  // Now an audio level: the parameter goes by the parameter command.
  ASSERT_EQ(dbs_SetAudioSourceParam(&source, 9, h), DBS_OK);
  EXPECT_EQ(sim.CountReceived(0x1B), 1u);
  EXPECT_EQ(sim.Parameter(0, 0, 2, 9), 9);
  // A place given up: the controller's device there becomes an empty panel.
  ASSERT_EQ(dbs_SetPanelPort(2, 0, 5, h), DBS_OK);
  Writes();
  ASSERT_EQ(dbs_SetPanelPort(2, 0xFFFF, 0xFFFF, h), DBS_OK);
  const auto memory = sim.Memory();
  EXPECT_EQ(std::string(memory.begin() + Map().ctlPortArea + 8 * 4, memory.begin() + Map().ctlPortArea + 8 * 5), "        ");
  EXPECT_EQ(memory[Map().ctlPanelArea1 + 4], 0);
  EXPECT_EQ(memory[Map().ctlPanelArea4 + 2 * 4 + 1], 6);
  EXPECT_EQ(memory[Map().ctlOverrideArea + 64 * 4], 0xFF);
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(LiveTest, AParameterTheControllerNeverEchoesIsWrittenIntoItsArea) {
  ASSERT_EQ(dbs_SetLevelType(0, 1, 4, h), DBS_OK);  // an audio level
  sim.AddFault({ctlsim::Fault::Kind::OtherItem, 0x1B, 0, 100});
  const TSourceIndexRecord source{0, 1, 3};
  Writes();
  ASSERT_EQ(dbs_SetAudioSourceParam(&source, 0x42, h), DBS_OK);
  const FormatInfo& f = *TheSlot().db->format;
  const std::uint32_t at = Map().ctlParamArea1 + f.maxDests[0] + 3;
  EXPECT_EQ(Writes(), (std::vector<Write>{{at, 1}}));
  EXPECT_EQ(sim.Memory()[at], 0x42);
}

// A UMD's keypad words go where the download puts that keypad: with keypad
// 32 made a source keypad, the UMD's keypad 63 (given up by panel 31, which
// is on no port) is the 31st simple destination keypad, not the 32nd.
TEST_F(LiveTest, AUMDsKeypadWordsGoWhereTheDownloadPutsThem) {
  TKeypadRecord keypad{};
  Str name(u"SOURCES");
  keypad.name = name;
  ASSERT_EQ(dbs_GetKeypad(32, &keypad, h), DBS_OK);
  keypad.keypadType = 0;
  ASSERT_EQ(dbs_SetKeypad(32, &keypad, h), DBS_OK);
  ControllerHoldsTheDatabase();
  ASSERT_EQ(dbs_SetUMDPort(0, 1, 3, h), DBS_OK);
  const TAssociationMember dest{0, 0, 5}, beyond{0, 0, 31000};
  ASSERT_EQ(dbs_SetUMDDests(0, 0, &dest, h), DBS_OK);
  ASSERT_EQ(dbs_SetUMDDests(0, 2, &beyond, h), DBS_OK);  // a destination the level does not have
  std::uint8_t display = 0;
  ASSERT_EQ(dbs_GetUMDDisplay(0, &display, h), DBS_OK);
  EXPECT_EQ(display, 63);
  const auto memory = sim.Memory();
  const std::uint32_t words = Map().ctlKeypadArea1 + 72 * 30;
  EXPECT_EQ(memory[words], 0x00);
  EXPECT_EQ(memory[words + 1], 5);
  EXPECT_EQ(memory[words + 4], 0xFF);
  EXPECT_EQ(FirstDifference(), -1);
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

// A free salvo crosspoint record is sent as the download gives one, all
// FF, whatever values it still carries: taken out of a salvo while on-line,
// or left in the file with the values it had before it was freed. The block
// checksums still agree with the file.
TEST_F(LiveTest, AFreeSalvoRecordIsSentAsTheDownloadGivesIt) {
  const TMacroXPRecord a{0, 1, 2, 3}, b{0, 1, 4, 5}, c{0, 2, 6, 7};
  for (const auto& xp : {a, b, c}) ASSERT_EQ(dbs_SetMacroXP(4, &xp, h), DBS_OK);
  ASSERT_EQ(dbs_DeleteMacroXP(4, &b, h), DBS_OK);
  EXPECT_EQ(FirstDifference(), -1);
  Db db(h, TheSlot());
  const std::uint32_t pos = db.Layout().salvoXPPos + 2999 * std::uint32_t{sizeof(SalvoXPEntry)};
  SalvoXPEntry stale = db.Read<SalvoXPEntry>(pos);
  stale.salvo = kNoEntry;
  stale.level = 1;
  stale.destination = 9;
  stale.source = 12;
  ASSERT_EQ(db.Write(pos, stale), DBS_OK);
  ASSERT_EQ(TheSlot().ops.LiveMacroXP(h, &stale), DBS_OK);
  const auto memory = sim.Memory();
  const auto record = memory.begin() + Map().ctlSalvoXPArea + 8 * 2999;
  EXPECT_EQ(std::vector<std::uint8_t>(record, record + 8), std::vector<std::uint8_t>(8, 0xFF));
  EXPECT_EQ(FirstDifference(), -1);
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

// What a refused write answers: the link gives up on a frame the controller
// refuses every time it is tried.
constexpr DbsStatus kRefused = DBS_ERR_TIMEOUT;

// A change the controller refuses is answered with that failure, whatever
// later steps of the same set went through; the file keeps the change, as
// every set does, and the controller is found to differ on going on-line.
TEST_F(LiveTest, ARefusedPanelOrUMDRecordAnswersTheRefusalAndTheFileKeepsTheChange) {
  ASSERT_EQ(dbs_SetPanelPort(2, 0, 5, h), DBS_OK);
  ASSERT_EQ(dbs_SetUMDPort(0, 1, 3, h), DBS_OK);
  Str panelName(u"                "), umdName(u"                ");
  TPanelRecord panel{};
  panel.name = panelName;
  ASSERT_EQ(dbs_GetPanelRecord(2, &panel, h), DBS_OK);
  Str desk(u"DESK 2");
  panel.name = desk;
  panel.brightness = static_cast<std::uint8_t>(panel.brightness + 1);
  panel.destKeypad = 70;  // the keypad steps after the refused update go through
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 100});
  EXPECT_EQ(dbs_SetPanelRecord(2, &panel, h), kRefused);
  sim.ClearFaults();
  TPanelRecord stored{};
  stored.name = panelName;
  ASSERT_EQ(dbs_GetPanelRecord(2, &stored, h), DBS_OK);
  EXPECT_EQ(stored.brightness, panel.brightness);
  EXPECT_EQ(stored.destKeypad, 70);
  EXPECT_EQ(panelName.Text().substr(0, 6), u"DESK 2");

  // The UMD's record is refused (its first write), its destinations are taken.
  TUMDRecord umd{};
  umd.name = umdName;
  ASSERT_EQ(dbs_GetUMDRecord(0, &umd, h), DBS_OK);
  Str studio(u"STUDIO");
  umd.name = studio;
  umd.dests[0] = {0, 0, 5};
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 5});
  EXPECT_EQ(dbs_SetUMDRecord(0, &umd, h), kRefused);
  sim.ClearFaults();
  TAssociationMember line{};
  ASSERT_EQ(dbs_GetUMDDests(0, 0, &line, h), DBS_OK);
  EXPECT_EQ(line.number, 5);
  EXPECT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
}

TEST_F(LiveTest, ARefusedKeyOrSalvoCrosspointAnswersTheRefusal) {
  NameKey(0, 3, u"OLD");
  Str name(u"NEW"), alt(u"");
  TKeyRecord key{3, 0, name, alt, 1, 3, 0, 0};
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 100});
  EXPECT_EQ(dbs_SetKey(0, 3, &key, h), kRefused);
  sim.ClearFaults();
  Str back(u"        "), backAlt(u"        ");
  TKeyRecord stored{0, 0, back, backAlt, 0, 0, 0, 0};
  ASSERT_EQ(dbs_GetKey(0, 3, &stored, h), DBS_OK);
  EXPECT_EQ(back.Text().substr(0, 3), u"NEW");

  // The crosspoint's own record is refused; the salvo's header goes through.
  const TMacroXPRecord xp{0, 1, 2, 3};
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 5});
  EXPECT_EQ(dbs_SetMacroXP(4, &xp, h), kRefused);
  sim.ClearFaults();
  std::uint16_t count = 0;
  ASSERT_EQ(dbs_GetNoMacroXPRecords(4, &count, h), DBS_OK);
  EXPECT_EQ(count, 1);
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 5});
  EXPECT_EQ(dbs_DeleteMacroXP(4, &xp, h), kRefused);
  sim.ClearFaults();
  ASSERT_EQ(dbs_GetNoMacroXPRecords(4, &count, h), DBS_OK);
  EXPECT_EQ(count, 0);
}

// A level with its park source: one source past the level's maximum.
struct ParkSourceTest : LiveTest {
  ConfigImage Configuration() override {
    ConfigImage c = test::EditorDefaultV3();
    c.sourceCount[0][1] = TheFormat().maxDests[1] + 1;
    return c;
  }
  static const FormatInfo& TheFormat() { return *FindFormat(DBS_TYPE_V3); }
};

// The park source's parameter, trigger and data reach the controller like
// any other source's; only a fallback write, whose byte would be the next
// level's first, is not made.
TEST_F(ParkSourceTest, AParkSourcesParametersReachTheController) {
  const std::uint16_t park = TheFormat().maxDests[1];
  ASSERT_EQ(dbs_SetLevelType(0, 1, 4, h), DBS_OK);  // an audio level
  const TSourceIndexRecord source{0, 1, static_cast<std::int16_t>(park)};
  ASSERT_EQ(dbs_SetAudioSourceParam(&source, 0x21, h), DBS_OK);
  EXPECT_EQ(sim.Parameter(0, 0, 1, park), 0x21);
  ASSERT_EQ(dbs_SetTrigger(&source, 3, h), DBS_OK);
  EXPECT_EQ(sim.Parameter(2, 0, 1, park), 3);
  Str n1(u"P"), n2(u"PARK"), n3(u""), n4(u""), n5(u"PARK SOURCE"), n6(u"PARK SOURCE");
  TSourceRecord record{0, 1, park, n1, n2, n3, n4, n5, n6, 0, 0x22, 4};
  ASSERT_EQ(dbs_SetSourceData(&record, h), DBS_OK);
  EXPECT_EQ(sim.Parameter(0, 0, 1, park), 0x22);
  EXPECT_EQ(sim.Parameter(2, 0, 1, park), 4);
  const auto memory = sim.Memory();
  const auto name = memory.begin() + Map().ctlSourceArea + 8 * SourceNameSlot(1, park);
  EXPECT_EQ(std::string(name, name + 8), "PARK    ");
  sim.AddFault({ctlsim::Fault::Kind::OtherItem, 0x1B, 0, 100});
  Writes();
  EXPECT_EQ(dbs_SetAudioSourceParam(&source, 0x23, h), DBS_ERR_NO_MATCHING_REPLY);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(FirstDifference(), -1);
}

}  // namespace
}  // namespace zephra
