// A scripted editing session over the editor's default V3 database: one
// step per thing a user does, over every record family, each step as many
// set operations as that action takes. Off-line and on-line tests take every
// step inside a journal step and take them back again.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config_fixtures.h"
#include "dbs/frame.h"
#include "sequence_fixture.h"
#include "zephra/zephra_journal.h"

namespace zephra::test {

struct ScriptStep {
  std::string what;
  std::function<void(DbsHandle)> run;
};

namespace script {

inline void SourceName(DbsHandle h, std::int16_t level, std::int16_t source, std::u16string_view text) {
  Str name(text);
  const TSourceIndexRecord at{0, level, source};
  ASSERT_EQ(dbs_SetSourceName(&at, name, h), DBS_OK);
}

inline void AddSequence(DbsHandle h, std::uint16_t keypad, std::initializer_list<std::u16string_view> keys,
                     std::int16_t selection) {
  test::Sequence s(keypad, keys, selection);
  ASSERT_EQ(dbs_SetEntrySequence(keypad, &s.record, h), DBS_OK);
}

inline void Crosspoint(DbsHandle h, std::uint16_t salvo, std::int16_t level, std::int16_t dest, std::int16_t source,
                       bool remove = false) {
  const TMacroXPRecord r{0, level, dest, source};
  ASSERT_EQ(remove ? dbs_DeleteMacroXP(salvo, &r, h) : dbs_SetMacroXP(salvo, &r, h), DBS_OK);
}

}  // namespace script

// The whole file as it lies in the mapping, checksum table included.
inline std::vector<std::uint8_t> FileBytes(const Slot& slot) {
  const DatabaseSlot& db = *slot.db;
  return {db.image, db.image + db.layout.fileSize};
}

inline ZephraJournalState JournalState(DbsHandle h) {
  ZephraJournalState s{};
  EXPECT_EQ(zephra_GetJournalState(&s, h), DBS_OK);
  return s;
}

// Runs `change` as one step; the step's number, 0 when it changed nothing.
inline std::uint32_t InStep(DbsHandle h, const std::function<void()>& change) {
  EXPECT_EQ(zephra_BeginStep(h), DBS_OK);
  change();
  std::uint32_t n = 99;
  EXPECT_EQ(zephra_EndStep(&n, h), DBS_OK);
  return n;
}

inline std::vector<ScriptStep> EditingSession() {
  using namespace script;
  return {
      {"rename a source", [](DbsHandle h) { SourceName(h, 1, 9, u"CAMERA 1"); }},
      {"rename a source twice in one step", [](DbsHandle h) {
         SourceName(h, 1, 10, u"VTR 1");
         SourceName(h, 1, 10, u"VTR 2");
       }},
      {"paste 32 source names", [](DbsHandle h) {
         for (std::int16_t s = 0; s < 32; ++s) {
           std::u16string text = u"SRC ";
           text += static_cast<char16_t>(u'A' + s % 26);
           text += static_cast<char16_t>(u'0' + s / 26);
           SourceName(h, 2, s, text);
         }
       }},
      {"a name changed and changed back", [](DbsHandle h) {
         Str old(u"........");
         const TSourceIndexRecord at{0, 0, 4};
         ASSERT_EQ(dbs_GetSourceName(&at, old, h), DBS_OK);
         SourceName(h, 0, 4, u"TEMP");
         SourceName(h, 0, 5, u"KEPT");
         ASSERT_EQ(dbs_SetSourceName(&at, old, h), DBS_OK);
       }},
      {"a source's form", [](DbsHandle h) {
         Str n1(u"C3"), n2(u"CAM 3"), n3(u""), n4(u""), n5(u"CAMERA THREE"), n6(u"STUDIO CAMERA 3");
         const TSourceRecord r{0, 0, 3, n1, n2, n3, n4, n5, n6, 2, 5, 1};
         ASSERT_EQ(dbs_SetSourceData(&r, h), DBS_OK);
       }},
      {"a destination and its name", [](DbsHandle h) {
         const TDestinationRecord d{0, 1, 4, 1, 3};
         ASSERT_EQ(dbs_SetDestData(&d, h), DBS_OK);
         Str name(u"MON 4");
         ASSERT_EQ(dbs_SetDestName(0, 4, name, h), DBS_OK);
       }},
      {"a level's form", [](DbsHandle h) {
         Str name(u"AUDIO L");
         const TLevelRecord r{0, 1, name, 4, 1, 2, 3, 10, 31, 31, 2};
         ASSERT_EQ(dbs_SetLevelData(0, 1, &r, h), DBS_OK);
       }},
      {"audio parameters on the audio level", [](DbsHandle h) {
         const TSourceIndexRecord s{0, 1, 7};
         ASSERT_EQ(dbs_SetAudioSourceParam(&s, 9, h), DBS_OK);
         ASSERT_EQ(dbs_SetTrigger(&s, 0, h), DBS_OK);
         const TDestIndexRecord d{0, 1, 6};
         ASSERT_EQ(dbs_SetAudioDestParam(&d, 4, h), DBS_OK);
       }},
      {"a park source", [](DbsHandle h) {
         const TLevelParamRecord p{0, 2, 7};
         ASSERT_EQ(dbs_SetParkSource(&p, h), DBS_OK);
       }},
      {"inhibits in a grid", [](DbsHandle h) {
         for (std::int16_t d = 0; d < 8; ++d) {
           const TMatrixPointRecord point{0, 0, d, static_cast<std::int16_t>(3 * d)};
           ASSERT_EQ(dbs_SetInhibit(&point, 1, h), DBS_OK);
         }
       }},
      {"a level's inhibits at once", [](DbsHandle h) {
         std::uint8_t bytes[4 * 32];
         for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37);
         ASSERT_EQ(dbs_SetLevelInhibits(0, 3, bytes, sizeof bytes, h), DBS_OK);
       }},
      {"a source association", [](DbsHandle h) {
         TSourceAssociationRecord r{};
         for (auto& m : r.members) m = {-1, -1, -1};
         for (std::int16_t l = 0; l < 4; ++l) r.members[l] = {0, l, static_cast<std::int16_t>(l + 5)};
         ASSERT_EQ(dbs_SetSourceAssn(0, 12, &r, h), DBS_OK);
       }},
      {"a destination association", [](DbsHandle h) {
         Str s(u"M7"), n(u"MONITOR 7");
         TDestinationAssociationRecord r{};
         r.shortName = s;
         r.name = n;
         for (auto& m : r.members) m = {-1, -1, -1};
         for (std::int16_t l = 0; l < 3; ++l) r.members[l] = {0, l, 7};
         ASSERT_EQ(dbs_SetDestAssn(0, 7, &r, h), DBS_OK);
       }},
      {"title and search depth", [](DbsHandle h) {
         Str title(u"OB TRUCK 2");
         ASSERT_EQ(dbs_SetTitle(title, h), DBS_OK);
         ASSERT_EQ(dbs_SetSearchDepth(5, h), DBS_OK);
       }},
      {"the matrix", [](DbsHandle h) {
         Str name(u"MAIN ROUTER");
         const TMatrixRecord m{0, name, 1, 2};
         ASSERT_EQ(dbs_SetMatrixData(0, &m, h), DBS_OK);
       }},
      {"a level onto another physical level", [](DbsHandle h) { ASSERT_EQ(dbs_SetPhysicalLevel(3, 1, h), DBS_OK); }},
      {"a general port's settings", [](DbsHandle h) {
         TGeneralPortRecord r{};
         ASSERT_EQ(dbs_GetGeneralPort(1, &r, h), DBS_OK);
         r.baudRate = 9600;
         r.parity = 2;
         ASSERT_EQ(dbs_SetGeneralPort(1, &r, h), DBS_OK);
       }},
      {"a panel onto a port", [](DbsHandle h) { ASSERT_EQ(dbs_SetPanelPort(2, 0, 5, h), DBS_OK); }},
      {"a panel's form", [](DbsHandle h) {
         TPanelRecord r{};
         Str name(u"................");
         r.name = name;
         ASSERT_EQ(dbs_GetPanelRecord(2, &r, h), DBS_OK);
         Str desk(u"DESK 2");
         r.name = desk;
         r.panelType = 2;
         r.brightness = 3;
         r.mode = 1;
         r.flags = 0x10002;
         r.levels[0] = 0x0303;
         ASSERT_EQ(dbs_SetPanelRecord(2, &r, h), DBS_OK);
       }},
      {"a panel dropped where another sits", [](DbsHandle h) { ASSERT_EQ(dbs_SetPanelPort(3, 0, 5, h), DBS_OK); }},
      {"a panel's keypads", [](DbsHandle h) {
         ASSERT_EQ(dbs_SetPanelKeypad(3, 1, 64, h), DBS_OK);
         ASSERT_EQ(dbs_SetPanelKeypad(3, 0, 72, h), DBS_OK);
       }},
      {"a panel's XY destinations", [](DbsHandle h) {
         TXYRecord r{};
         r.destCount = 16;
         r.destMap[0] = 0x5A;
         r.destMap[1] = 0x01;
         ASSERT_EQ(dbs_SetXY_ControlledDests(3, 0, &r, h), DBS_OK);
       }},
      {"a panel's outputs and overrides", [](DbsHandle h) {
         const TOutputRecord out{3, 2, 11, 12};
         ASSERT_EQ(dbs_SetOutputRecord(3, 2, &out, h), DBS_OK);
         const TOverrideRecord o{0, 1, 5};
         ASSERT_EQ(dbs_SetOverrideSource(3, 4, &o, h), DBS_OK);
       }},
      {"a UMD onto a port", [](DbsHandle h) { ASSERT_EQ(dbs_SetUMDPort(1, 1, 3, h), DBS_OK); }},
      {"a UMD's destinations", [](DbsHandle h) {
         const TAssociationMember three{0, 0, 3}, five{0, 0, 5};
         ASSERT_EQ(dbs_SetUMDDests(1, 0, &three, h), DBS_OK);
         ASSERT_EQ(dbs_SetUMDDests(1, 2, &five, h), DBS_OK);
       }},
      {"a UMD's form", [](DbsHandle h) {
         TUMDRecord r{};
         Str name(u"................");
         r.name = name;
         ASSERT_EQ(dbs_GetUMDRecord(1, &r, h), DBS_OK);
         Str umd(u"UMD CAM");
         r.name = umd;
         r.umdType = 9;
         r.umdFlags = 1;
         r.brightness = 4;
         ASSERT_EQ(dbs_SetUMDRecord(1, &r, h), DBS_OK);
         Str message(u"ON AIR");
         ASSERT_EQ(dbs_SetFixedMessage(1, message, h), DBS_OK);
       }},
      {"a UMD's keypad set by hand", [](DbsHandle h) { ASSERT_EQ(dbs_SetUMDDisplay(1, 5, h), DBS_OK); }},
      {"keys named", [](DbsHandle h) {
         NameKey(h, 0, 0, u"CAM");
         NameKey(h, 0, 1, u"VTR");
         NameKey(h, 64, 0, u"A");
         NameKey(h, 64, 1, u"B");
         NameKey(h, 64, 2, u"C");
       }},
      {"sequences on a simple keypad", [](DbsHandle h) {
         AddSequence(h, 0, {u"CAM"}, 9);
         AddSequence(h, 0, {u"VTR"}, 10);
       }},
      {"a sequence tree on a dial-up keypad", [](DbsHandle h) {
         AddSequence(h, 64, {u"A"}, 5);
         AddSequence(h, 64, {u"A", u"B"}, 6);
         AddSequence(h, 64, {u"A", u"B", u"C"}, 7);
         AddSequence(h, 64, {u"B"}, 8);
         AddSequence(h, 64, {u"C", u"A"}, 11);
       }},
      {"a sequence node removed", [](DbsHandle h) {
         test::Sequence abc(64, {u"A", u"B", u"C"});
         ASSERT_EQ(dbs_DeleteLastNode(64, &abc.record, h), DBS_OK);
       }},
      {"a key's assignment", [](DbsHandle h) {
         Str key(u"VTR");
         ASSERT_EQ(dbs_SetKeyAssignment(0, key, 0, 12, 0, h), DBS_OK);
       }},
      {"a key renamed with its sequences", [](DbsHandle h) { NameKey(h, 64, 1, u"BB"); }},
      {"a salvo and its crosspoints", [](DbsHandle h) {
         Str s(u"S3"), n(u"OPENING");
         const TMacroStoreRecord r{3, s, n, 0};
         ASSERT_EQ(dbs_SetMacroStore(3, &r, h), DBS_OK);
         for (std::int16_t d = 0; d < 5; ++d) Crosspoint(h, 3, 0, d, static_cast<std::int16_t>(d + 1));
         Crosspoint(h, 5, 1, 2, 2);
       }},
      {"salvo crosspoints changed and removed", [](DbsHandle h) {
         Crosspoint(h, 3, 0, 2, 9);
         Crosspoint(h, 3, 0, 1, 2, true);
         Crosspoint(h, 3, 0, 3, 4, true);
         Crosspoint(h, 5, 1, 3, 3);
       }},
      {"trigger lines", [](DbsHandle h) {
         const std::uint8_t lines[4] = {0x8B, 0x10, 0x00, 0x87};
         ASSERT_EQ(dbs_SetTrigLines(lines, h), DBS_OK);
       }},
      {"a keypad's form", [](DbsHandle h) {
         Str name(u"DIAL 66");
         const TKeypadRecord r{66, name, 8, 1, 0, 2, 9, 4};
         ASSERT_EQ(dbs_SetKeypad(66, &r, h), DBS_OK);
       }},
      {"a keypad copied", [](DbsHandle h) { ASSERT_EQ(dbs_CopyKeypad(64, 65, 0, nullptr, nullptr, h), DBS_OK); }},
      {"a keypad cleared", [](DbsHandle h) { ASSERT_EQ(dbs_ClearKeypad(65, h), DBS_OK); }},
      {"a level's type", [](DbsHandle h) { ASSERT_EQ(dbs_SetLevelType(0, 2, 12, h), DBS_OK); }},
  };
}

}  // namespace zephra::test
