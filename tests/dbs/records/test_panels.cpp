#include <gtest/gtest.h>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/checker.h"
#include "dbs/records/keypad_tree.h"
#include "dbs/records/panels.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

struct PanelTest : test::DbTest {
  void TearDown() override {
    if (h >= 0) {
      for (const auto& p : CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                                           {TheSlot().db->image, TheSlot().db->layout.fileSize})) {
        ADD_FAILURE() << p;
      }
    }
    test::DbTest::TearDown();
  }
  std::uint8_t Flags(std::uint16_t k) {
    TKeypadRecord r{};
    EXPECT_EQ(dbs_GetKeypad(k, &r, h), DBS_OK);
    return r.keypadFlags;
  }
  void KeyNamed(std::uint16_t keypad, std::uint16_t key, std::u16string_view name) {
    Str n(name), alt(u"");
    TKeyRecord r{key, keypad, n, alt, 1, static_cast<std::uint8_t>(key), 0, 0};
    ASSERT_EQ(dbs_SetKey(keypad, key, &r, h), DBS_OK);
  }
};

TEST_F(PanelTest, TheInUseBitFollowsThePanelsKeypads) {
  // Free keypad 34 first: panel 2 names it by default.
  ASSERT_EQ(dbs_SetPanelKeypad(2, 0, 40, h), DBS_OK);
  EXPECT_EQ(Flags(34) & 1, 0);
  EXPECT_EQ(Flags(40) & 1, 1);
  ASSERT_EQ(dbs_SetPanelKeypad(3, 0, 40, h), DBS_OK);  // two panels on keypad 40
  ASSERT_EQ(dbs_SetPanelKeypad(2, 0, 34, h), DBS_OK);
  EXPECT_EQ(Flags(40) & 1, 1);  // panel 3 still names it
  EXPECT_EQ(Flags(35) & 1, 0);  // panel 3 left 35
  std::uint16_t k = 0;
  ASSERT_EQ(dbs_GetPanelKeypad(3, 0, &k, h), DBS_OK);
  EXPECT_EQ(k, 40);
  EXPECT_EQ(dbs_SetPanelKeypad(40, 0, 1, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetPanelKeypad(2, 0, 80, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetPanelKeypad(2, 1, 0xFFFF, h), DBS_OK);  // no source keypad
  EXPECT_EQ(Flags(2) & 1, 0);
}

TEST_F(PanelTest, ThePanelRecordAsAWhole) {
  Str name(u"........");
  TPanelRecord r{};
  r.name = name;
  ASSERT_EQ(dbs_GetPanelRecord(5, &r, h), DBS_OK);
  EXPECT_EQ(r.levels[0], 0x0F0F);
  EXPECT_EQ(name.Text(), std::u16string(u"Panel 6") + u'\0');
  {
    LiveRecorder live(TheSlot(), {});
    r.panel = 9;  // the argument counts
    ASSERT_EQ(dbs_SetPanelRecord(5, &r, h), DBS_OK);
    EXPECT_TRUE(LiveRecorder::Calls().empty());
  }
  r.port = 0;
  r.address = 3;
  r.destKeypad = 50;
  r.levels[1] = 7;  // matrix 1 does not exist
  ASSERT_EQ(dbs_SetPanelRecord(5, &r, h), DBS_OK);
  std::uint16_t port = 0, address = 0;
  ASSERT_EQ(dbs_GetPanelPort(5, &port, &address, h), DBS_OK);
  EXPECT_EQ(address, 3);
  EXPECT_EQ(Flags(50) & 1, 1);
  EXPECT_EQ(Flags(37) & 1, 0);
  std::uint16_t levels[20] = {};
  ASSERT_EQ(dbs_GetPanelLevels(5, levels, h), DBS_OK);
  EXPECT_EQ(levels[1], 0x0F0F);
  // A place that cannot be had: nothing changes.
  r.port = 1;
  r.address = 17;
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK);
  EXPECT_EQ(dbs_SetPanelRecord(5, &r, h), DBS_SYS_ACCESS_DENIED);
  ASSERT_EQ(dbs_GetPanelPort(5, &port, &address, h), DBS_OK);
  EXPECT_EQ(address, 3);
}

TEST_F(PanelTest, LevelsBeyondTheMatricesChangeNothing) {
  std::uint16_t levels[20];
  ASSERT_EQ(dbs_GetPanelLevels(0, levels, h), DBS_OK);
  levels[7] = 1;
  ClearChanged();
  ASSERT_EQ(dbs_SetPanelLevels(0, levels, h), DBS_OK);
  EXPECT_EQ(Changed(), 0u);
  levels[0] = 1;
  ASSERT_EQ(dbs_SetPanelLevels(0, levels, h), DBS_OK);
  std::uint16_t back[20];
  ASSERT_EQ(dbs_GetPanelLevels(0, back, h), DBS_OK);
  EXPECT_EQ(back[7], 1);  // all 20 words taken
}

TEST_F(PanelTest, OutputAndOverrideSetsAreNeverShared) {
  // Panel 4 owns override set 4: its output set pairs with it.
  const TOutputRecord out{4, 2, 11, 12};
  ASSERT_EQ(dbs_SetOutputRecord(4, 2, &out, h), DBS_OK);
  TOutputRecord got{};
  ASSERT_EQ(dbs_GetOutputRecord(4, 2, &got, h), DBS_OK);
  EXPECT_EQ(got.panel, 4);
  EXPECT_EQ(got.outputWord2, 12);
  // Panel 6 gets its own pair, set 6, not panel 4's.
  ASSERT_EQ(dbs_SetOutputRecord(6, 0, &out, h), DBS_OK);
  Db db(h, TheSlot());
  EXPECT_EQ(db.Read<PanelEntry>(db.Layout().panelPos + 6 * 144).outputSet, 6);
  EXPECT_EQ(dbs_SetOutputRecord(6, 16, &out, h), DBS_ERR_NO_OUTPUT_SET);
  EXPECT_EQ(dbs_GetOutputRecord(7, 0, &got, h), DBS_ERR_NO_OUTPUT_SET);

  // A panel with no sets at all takes the lowest pair no panel has.
  ConfigImage c = test::EditorDefaultV3();
  c.panelCount = 3;
  Remake(c);
  Db db2(h, TheSlot());
  const std::uint32_t pos = db2.Layout().panelPos + 2 * 144;
  auto e = db2.Read<PanelEntry>(pos);
  e.overrideSet = 0xFFFF;
  ASSERT_EQ(db2.Write(pos, e), DBS_OK);
  const TOverrideRecord o{0, 1, 5};
  ASSERT_EQ(dbs_SetOverrideSource(2, 3, &o, h), DBS_OK);
  e = db2.Read<PanelEntry>(pos);
  EXPECT_EQ(e.overrideSet, 2);  // 0 and 1 belong to panels 0 and 1
  EXPECT_EQ(e.outputSet, 2);
  EXPECT_EQ(db2.Read<OutputSetEntry>(db2.Layout().outputSetPos + 2 * 68).panel, 2);  // marked taken
  TOverrideRecord back{};
  ASSERT_EQ(dbs_GetOverrideSource(2, 3, &back, h), DBS_OK);
  EXPECT_EQ(back.source, 5);
  const TOverrideRecord nothing{0, 1, 99};  // no such source: stored as none
  ASSERT_EQ(dbs_SetOverrideSource(2, 3, &nothing, h), DBS_OK);
  ASSERT_EQ(dbs_GetOverrideSource(2, 3, &back, h), DBS_OK);
  EXPECT_EQ(back.matrix, -1);
  EXPECT_EQ(back.source, -1);
}

TEST_F(PanelTest, XYSets) {
  TXYRecord r{};
  r.destCount = 10;  // room for 2 bytes
  std::fill(std::begin(r.destMap), std::end(r.destMap), 0xAA);
  ASSERT_EQ(dbs_GetXY_ControlledDests(1, 0, &r, h), DBS_OK);
  EXPECT_EQ(r.destMap[0], 0xFF);
  EXPECT_EQ(r.destMap[1], 0xFF);
  EXPECT_EQ(r.destMap[2], 0xAA);  // untouched beyond the capacity
  EXPECT_EQ(r.destCount, 768);
  r.destCount = 12;
  r.destMap[0] = 0x0F;
  r.destMap[1] = 0x01;
  ASSERT_EQ(dbs_SetXY_ControlledDests(1, 0, &r, h), DBS_OK);
  TXYRecord back{};
  back.destCount = 2048;
  ASSERT_EQ(dbs_GetXY_ControlledDests(1, 0, &back, h), DBS_OK);
  EXPECT_EQ(back.destCount, 12);
  EXPECT_EQ(back.destMap[0], 0x0F);
  EXPECT_EQ(back.destMap[1], 0x01);
  EXPECT_EQ(back.destMap[2], 0x00);
  EXPECT_EQ(dbs_GetXY_ControlledDests(1, 1, &back, h), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(PanelTest, CopyingKeypads) {
  KeyNamed(32, 0, u"A");  // destination keypads: 36 keys, 36 nodes
  KeyNamed(32, 35, u"Z");
  Str a(u"A"), none(u"");
  TKeyPressRecord press{};
  press.keyName = a;
  press.displayName = none;
  std::fill(std::begin(press.selection), std::end(press.selection), std::int16_t{-1});
  press.selection[0] = 3;
  press.salvo = -1;
  TEntrySequenceRecord seq{};
  seq.keypad = 32;
  seq.count = 1;
  seq.presses[0] = press;
  ASSERT_EQ(dbs_SetEntrySequence(32, &seq, h), DBS_OK);
  ASSERT_EQ(dbs_CopyKeypad(32, 33, 0, nullptr, nullptr, h), DBS_OK);
  TKeyRecord key{};
  Str n(u"................"), alt(u"................");
  key.name = n;
  key.altName = alt;
  ASSERT_EQ(dbs_GetKey(33, 35, &key, h), DBS_OK);
  EXPECT_EQ(n.Text().substr(0, 1), u"Z");
  std::uint16_t value = 0;
  std::uint32_t flag = 0;
  ASSERT_EQ(dbs_GetKeyAssignment(33, a, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 3);

  // 36 keys onto a 64-key keypad of the same kind (made a destination keypad).
  TKeypadRecord k0{};
  Str kn(u"");
  k0.name = kn;
  ASSERT_EQ(dbs_GetKeypad(0, &k0, h), DBS_OK);
  k0.keypadType = 1;
  ASSERT_EQ(dbs_SetKeypad(0, &k0, h), DBS_OK);
  ASSERT_EQ(dbs_GetKey(0, 40, &key, h), DBS_OK);
  const std::u16string before = n.Text();
  ASSERT_EQ(dbs_CopyKeypad(32, 0, 0, nullptr, nullptr, h), DBS_OK);
  ASSERT_EQ(dbs_GetKey(0, 40, &key, h), DBS_OK);
  EXPECT_EQ(n.Text(), before);  // keys 36-63 are left alone
  ASSERT_EQ(dbs_GetKey(0, 35, &key, h), DBS_OK);
  EXPECT_EQ(n.Text().substr(0, 1), u"Z");

  // A dial-up keypad's 670 nodes do not fit a 64-node keypad: nothing changes.
  TKeypadRecord dial{};
  dial.name = kn;
  ASSERT_EQ(dbs_GetKeypad(64, &dial, h), DBS_OK);
  dial.columns = 8;
  dial.rows = 8;
  dial.keypadType = 1;
  ASSERT_EQ(dbs_SetKeypad(64, &dial, h), DBS_OK);
  ClearChanged();
  EXPECT_EQ(dbs_CopyKeypad(64, 0, 0, nullptr, nullptr, h), DBS_ERR_KEYPAD_INCOMPATIBLE);
  EXPECT_EQ(Changed(), 0u);
  EXPECT_EQ(dbs_CopyKeypad(3, 3, 0, nullptr, nullptr, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_CopyKeypad(3, 4, 32, nullptr, nullptr, h), DBS_ERR_INVALID_ARGUMENT);
}

// Type-3 panels pair keypads 65-72, 66-72 and 65-73: a copy onto 65 goes on
// to 72, from 72 to 66, and only then from 65 to 73. The keys' own live
// updates do not decide the copy's status.
TEST_F(PanelTest, ACopyFollowsThePairedKeypadsDepthFirst) {
  KeyNamed(64, 0, u"ZZ");
  Str none(u"");
  TKeyRecord last{35, 64, none, none, 0, 99, 8, 3};  // only its index changes
  ASSERT_EQ(dbs_SetKey(64, 35, &last, h), DBS_OK);
  const std::uint16_t pairs[][3] = {{1, 65, 72}, {2, 66, 72}, {3, 65, 73}, {0, 64, 0xFFFF}};
  for (const auto& [panel, source, dest] : pairs) {
    ASSERT_EQ(dbs_SetPanelKeypad(panel, 1, source, h), DBS_OK);
    ASSERT_EQ(dbs_SetPanelKeypad(panel, 0, dest, h), DBS_OK);
    if (panel) {
      ASSERT_EQ(dbs_SetPanelType(panel, 3, h), DBS_OK);
    }
  }
  LiveRecorder live(TheSlot(), {{"LiveKeys", sizeof(KeyEntry)}});
  LiveRecorder::Answer() = DBS_ERR_TIMEOUT;
  LiveRecorder::Answers()["SendKeypadAreas"] = DBS_OK;
  EXPECT_EQ(dbs_CopyKeypad(64, 65, 1, nullptr, nullptr, h), DBS_OK);
  std::vector<std::uint16_t> order;
  for (const auto& call : LiveRecorder::Calls()) {
    if (call.name != "LiveKeys") continue;
    const std::uint16_t k = call.As<KeyEntry>().keypad;
    if (order.empty() || order.back() != k) order.push_back(k);
  }
  EXPECT_EQ(order, (std::vector<std::uint16_t>{65, 72, 66, 73}));
  Str name(u"................");
  TKeyRecord key{};
  key.name = name;
  key.altName = none;
  for (std::uint16_t k : {std::uint16_t{72}, std::uint16_t{66}, std::uint16_t{73}}) {
    ASSERT_EQ(dbs_GetKey(k, 0, &key, h), DBS_OK);
    EXPECT_EQ(name.Text().substr(0, 2), u"ZZ") << k;
  }
  // The status is the sending of the copied areas.
  LiveRecorder::Answers()["SendKeypadAreas"] = DBS_ERR_COMMS;
  EXPECT_EQ(dbs_CopyKeypad(64, 65, 1, nullptr, nullptr, h), DBS_ERR_COMMS);
}

TEST_F(PanelTest, ClearingAKeypad) {
  EXPECT_EQ(dbs_ClearKeypad(33, h), DBS_ERR_KEYPAD_IN_USE);  // panel 1's destination keypad
  ASSERT_EQ(dbs_SetPanelKeypad(1, 0, 60, h), DBS_OK);
  ASSERT_EQ(dbs_ClearKeypad(33, h), DBS_OK);
  TKeypadRecord r{};
  Str name(u"..........");
  r.name = name;
  ASSERT_EQ(dbs_GetKeypad(33, &r, h), DBS_OK);
  EXPECT_EQ(r.keypadType, 0);
  EXPECT_EQ(name.Text(), std::u16string(u"Keypad 34") + u'\0');
  EXPECT_EQ(r.columns, 9);
}

}  // namespace
}  // namespace zephra
