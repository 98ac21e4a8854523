// Every operation that writes a database, made while on-line, leaves the
// controller's memory as a download of the file leaves it. The changes the
// library sends only with the next download are listed below with the areas
// of the controller's image they may leave behind; any other difference is
// a fault.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../sequence_fixture.h"
#include "dbs/transfer/controller_image.h"
#include "online_fixture.h"
#include "sim/ctlsim.h"

namespace zephra {
namespace {

using test::Sequence;
using test::Str;

// The live entries that send nothing: what their changes touch in a
// download's image waits there for the next download. An entry whose change
// the controller's image does not carry touches no area.
const std::map<std::string, std::set<std::string>>& NotSentEntries() {
  static const std::set<std::string> keypadAreas = {"ctlPanelArea3", "ctlKeypadArea1", "ctlKeypadArea2",
                                                    "ctlKeypadArea3", "ctlKeypadArea4", "ctlKeypadBlock",
                                                    "ctlKeypadBlock2"};
  static const std::map<std::string, std::set<std::string>> entries = {
      {"LiveMatrixName", {}},
      {"LiveParkMode", {}},
      {"LiveLogType", {}},
      {"LiveMatrixData", {}},
      {"LiveLevelName", {}},
      {"LiveLevelDirection", {}},
      {"LiveSignalOrder", {}},
      {"LiveMonitorRows", {}},
      {"LiveFirstMonitorRow", {}},
      {"LiveParkDest", {}},
      {"LiveSafeSource", {}},
      {"LiveAutoProtects", {}},
      {"LiveSourceType", {}},
      {"LiveDestLog", {}},
      {"LiveTitle", {}},
      {"LiveSearchDepth", {}},
      {"LiveTieLine", {}},
      {"LiveTieLineName", {}},
      {"LiveInputCue", {}},
      {"LiveOutputCue", {}},
      {"LivePathProtect", {}},
      // A keypad of another kind moves between the key areas, and the
      // panels' keypad bytes name it by its kind.
      {"LiveKeypad", keypadAreas},
      {"LivePanelKeypadLink", {}},
      {"LivePanelCustomData", {}},
      {"LivePanelSets", {}},
      {"LiveOutputRecord", {}},
      // The UMD's keypad number in its place, and that keypad's words.
      {"LiveUMDDisplay", {"ctlPanelArea3", "ctlKeypadArea1"}},
      {"LiveUMDFixedMessage", {}},
      {"LiveFixedMessage", {}},
  };
  return entries;
}

// One operation made on-line: the export and what it does, the status it
// answers, and the entries it runs that send nothing.
struct Step {
  std::string name;
  std::function<DbsStatus()> run;
  DbsStatus expected = DBS_OK;
  std::vector<std::string> notSent = {};
};

// A byte range of the controller's memory that a download writes.
struct Range {
  std::uint32_t address;
  std::vector<std::uint8_t> bytes;
};

// A V1 or V3 database whose destination associations fill only part of the
// controller's XY entry, on-line with a controller that holds its download.
struct LiveAgreementTest : test::DbTest, ::testing::WithParamInterface<std::uint16_t> {
  ctlsim::Simulator sim{GetParam()};
  std::vector<Range> download;  // what the last download gave
  std::vector<std::string> faults;

  void SetUp() override {
    setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
    const bool v1 = GetParam() == DBS_TYPE_V1;
    ConfigImage c = test::EditorDefault(GetParam(), v1 ? 384 : 768);
    c.sourceAssocCount[0] = c.destAssocCount[0] = v1 ? 300 : 500;
    c.hasAutoProtect = 1;
    Make(c);
    ASSERT_TRUE(sim.Start());
    GoOnLine();
  }
  // The controller is given the file's download, and the database goes
  // on-line in agreement with it.
  void GoOnLine() {
    download = Expected();
    Download(download);
    ASSERT_EQ(test::GoOnLineTo(sim, h), DBS_OK);
  }
  // Every step, then a last look: the controller's checksums match the file's.
  void Run(const std::vector<Step>& steps) {
    for (const Step& step : steps) Run(step);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    EXPECT_EQ(test::GoOnLineTo(sim, h), DBS_OK);
  }
  void TearDown() override {
    test::DbTest::TearDown();
    sim.Stop();
  }
  const ControllerMap& Map() { return *TheSlot().db->format->controllerMap; }

  // What a download of the file writes: the image and the three parameter
  // areas.
  std::vector<Range> Expected() {
    Db db(h, TheSlot());
    std::vector<Range> out;
    auto image = EncodeControllerImage(db);
    image.resize(Map().imageSize);
    out.push_back({0, std::move(image)});
    for (int area = 1; area <= 3; ++area) {
      out.push_back({ParameterAreaAddress(*TheSlot().db->format, area), EncodeParameterArea(db, area)});
    }
    return out;
  }
  void Download(const std::vector<Range>& ranges) {
    for (const Range& r : ranges) sim.SetMemory(r.address, r.bytes);
  }

  // The area of the controller's memory an address lies in, and its start.
  std::pair<std::string, std::uint32_t> AreaOf(std::uint32_t address) {
    const ControllerMap& m = Map();
    std::vector<std::pair<std::uint32_t, std::string>> starts = {
        {m.ctlSourceArea, "ctlSourceArea"},         {m.ctlDestAssocArea, "ctlDestAssocArea"},
        {m.ctlPortArea, "ctlPortArea"},             {m.ctlInhibitArea, "ctlInhibitArea"},
        {m.ctlSourceAssocArea, "ctlSourceAssocArea"}, {m.ctlDestAssocArea2, "ctlDestAssocArea2"},
        {m.ctlPanelArea1, "ctlPanelArea1"},         {m.ctlPanelArea2, "ctlPanelArea2"},
        {m.ctlPanelArea3, "ctlPanelArea3"},         {m.ctlKeypadArea1, "ctlKeypadArea1"},
        {m.ctlKeypadArea2, "ctlKeypadArea2"},       {m.ctlOverrideArea, "ctlOverrideArea"},
        {m.ctlPanelArea4, "ctlPanelArea4"},         {m.ctlLevelArea, "ctlLevelArea"},
        {m.ctlGeneralPortArea, "ctlGeneralPortArea"}, {m.ctlXYArea, "ctlXYArea"},
        {m.ctlSalvoArea, "ctlSalvoArea"},           {m.ctlSalvoXPArea, "ctlSalvoXPArea"},
        {m.ctlSalvoLinkArea, "ctlSalvoLinkArea"},   {m.ctlKeypadArea3, "ctlKeypadArea3"},
        {m.ctlKeypadBlock[0], "ctlKeypadBlock"},    {m.ctlKeypadBlock2[0], "ctlKeypadBlock2"},
        {m.ctlKeypadArea4, "ctlKeypadArea4"},       {m.ctlFixedArea, "ctlFixedArea"},
        {m.ctlLevelArea2, "ctlLevelArea2"},         {m.ctlMatrixPortArea, "ctlMatrixPortArea"},
        {m.ctlParamArea1, "ctlParamArea1"},         {m.ctlParamArea2, "ctlParamArea2"},
        {m.ctlParamArea3, "ctlParamArea3"}};
    if (m.hasTrigLineArea) starts.push_back({m.ctlTrigLineArea, "ctlTrigLineArea"});
    std::string area = "?";
    std::uint32_t best = 0;
    for (const auto& [start, name] : starts) {
      if (start <= address && start >= best) best = start, area = name;
    }
    return {area, best};
  }

  // Makes the step on-line and compares the controller with a download of
  // the file. A difference is allowed only where a not-sent entry of the
  // step changed the download and the controller kept what it had; the
  // controller is then given the download, as the next one would.
  void Run(const Step& step) {
    const std::vector<Range> before = std::move(download);
    const DbsStatus status = step.run();
    if (status != step.expected) {
      std::ostringstream s;
      s << step.name << ": status 0x" << std::hex << status << ", not 0x" << step.expected;
      faults.push_back(s.str());
    }
    std::set<std::string> allowed;
    for (const std::string& entry : step.notSent) {
      const auto it = NotSentEntries().find(entry);
      ASSERT_NE(it, NotSentEntries().end()) << step.name << ": " << entry << " is not an entry that sends nothing";
      allowed.insert(it->second.begin(), it->second.end());
    }
    download = Expected();
    const std::vector<Range>& after = download;
    const auto memory = sim.Memory();
    std::map<std::string, int> wrong;
    std::ostringstream first;
    bool late = false;
    for (std::size_t r = 0; r < after.size(); ++r) {
      for (std::size_t j = 0; j < after[r].bytes.size(); ++j) {
        const std::uint32_t at = after[r].address + static_cast<std::uint32_t>(j);
        const std::uint8_t want = after[r].bytes[j], got = memory[at];
        if (want == got) continue;
        const auto [area, start] = AreaOf(at);
        if (allowed.count(area) && before[r].bytes[j] != want && got == before[r].bytes[j]) {
          late = true;
          continue;
        }
        if (wrong[area]++ == 0) {
          first << " " << area << "+" << std::dec << (at - start) << " holds 0x" << std::hex << int{got}
                << ", the download gives 0x" << int{want} << ";";
        }
      }
    }
    if (!wrong.empty()) {
      std::ostringstream s;
      s << step.name << ":";
      for (const auto& [area, count] : wrong) s << " " << area << " (" << count << " bytes)";
      s << " differ; first:" << first.str();
      faults.push_back(s.str());
    }
    if (late || !wrong.empty()) Download(after);
  }
};


// ---- the records the steps pass --------------------------------------------

struct PanelRecord {
  Str name{u"                "};
  TPanelRecord record{};
  PanelRecord(DbsHandle h, std::uint16_t panel) {
    record.name = name;
    EXPECT_EQ(dbs_GetPanelRecord(panel, &record, h), DBS_OK);
  }
};

struct UMDRecord {
  Str name{u"                "};
  TUMDRecord record{};
  UMDRecord(DbsHandle h, std::uint16_t umd) {
    record.name = name;
    EXPECT_EQ(dbs_GetUMDRecord(umd, &record, h), DBS_OK);
  }
};

DbsStatus SetKey(DbsHandle h, std::uint16_t keypad, std::uint16_t key, std::u16string_view name,
                 std::u16string_view altName = u"", std::uint8_t type = 1) {
  Str n(name), alt(altName);
  TKeyRecord r{key, keypad, n, alt, type, static_cast<std::uint8_t>(key), 0, 0};
  return dbs_SetKey(keypad, key, &r, h);
}

TEST_P(LiveAgreementTest, MatrixLevelsSourcesAssociationsPortsAndSalvos) {
  Str matrixName(u"MAIN"), levelName(u"VIDEO"), sourceName(u"CAM 1"), longName(u"CAMERA ONE LEFT"),
      destName(u"MON 4"), title(u"STUDIO A"), tieName(u"TIE"), levelRecordName(u"AUDIO");
  const TSourceIndexRecord source{0, 1, 9};
  const TDestIndexRecord dest{0, 1, 4};
  const TMatrixPointRecord point{0, 0, 3, 17};
  const TLevelParamRecord park{0, 1, 7}, parkDest{0, 1, 3};
  const std::uint8_t inhibits[4 * 32] = {0x5A, 0xA5};
  TMatrixRecord matrix{0, matrixName, 1, 2};
  TLevelRecord level{0, 2, levelRecordName, 4, 1, 2, 1, 5, 6, 2, 3};
  Str n1(u"CM2"), n2(u"CAMERA 2"), n3(u""), n4(u""), n5(u"CAMERA 2 LEFT"), n6(u"CAMERA 2 LEFT SD");
  TSourceRecord sourceRecord{0, 1, 10, n1, n2, n3, n4, n5, n6, 3, 0x21, 2};
  TDestinationRecord destRecord{0, 1, 5, 1, 0x33};
  TSourceAssociationRecord sourceAssoc{};
  Str shortName(u"M7"), assocName(u"MONITOR 7");
  TDestinationAssociationRecord destAssoc{};
  TTieLineRecord tie{};
  TCueRecord cue{0, 0, 1};
  TPathProtectRecord protect{};
  TMatrixPortRecord matrixPort{};
  TGeneralPortRecord generalPort{};
  Str salvoShort(u"S1"), salvoName(u"OPENING");
  TMacroStoreRecord salvo{3, salvoShort, salvoName, 0};
  const TMacroXPRecord xp1{0, 1, 2, 3}, xp1b{0, 1, 2, 8}, xp2{0, 1, 4, 5}, xp3{0, 2, 6, 7};
  const std::uint8_t lines[4] = {0x85, 0x10, 0, 0x21};

  Run({
      {"dbs_SetMatrixName", [&] { return dbs_SetMatrixName(0, matrixName, h); }, DBS_OK, {"LiveMatrixName"}},
      {"dbs_SetParkMode", [&] { return dbs_SetParkMode(0, 1, h); }, DBS_OK, {"LiveParkMode"}},
      {"dbs_SetLogType", [&] { return dbs_SetLogType(0, 3, h); }, DBS_OK, {"LiveLogType"}},
      {"dbs_SetMatrixData", [&] { return dbs_SetMatrixData(0, &matrix, h); }, DBS_OK, {"LiveMatrixData"}},
      {"dbs_SetLevelName", [&] { return dbs_SetLevelName(0, 1, levelName, h); }, DBS_OK, {"LiveLevelName"}},
      {"dbs_SetLevelType: an audio level", [&] { return dbs_SetLevelType(0, 1, 4, h); }},
      {"dbs_SetLevelDirection", [&] { return dbs_SetLevelDirection(0, 1, 1, h); }, DBS_OK, {"LiveLevelDirection"}},
      {"dbs_SetSignalOrder", [&] { return dbs_SetSignalOrder(0, 1, 3, h); }, DBS_OK, {"LiveSignalOrder"}},
      {"dbs_SetMonitorRows", [&] { return dbs_SetMonitorRows(0, 1, 2, h); }, DBS_OK, {"LiveMonitorRows"}},
      {"dbs_SetFirstMonitorRow", [&] { return dbs_SetFirstMonitorRow(0, 1, 4, h); }, DBS_OK, {"LiveFirstMonitorRow"}},
      {"dbs_SetParkSource", [&] { return dbs_SetParkSource(&park, h); }},
      {"dbs_SetParkDest", [&] { return dbs_SetParkDest(&parkDest, h); }, DBS_OK, {"LiveParkDest"}},
      {"dbs_SetSafeSource", [&] { return dbs_SetSafeSource(&park, h); }, DBS_OK, {"LiveSafeSource"}},
      {"dbs_SetInhibit", [&] { return dbs_SetInhibit(&point, 1, h); }},
      {"dbs_SetLevelInhibits", [&] { return dbs_SetLevelInhibits(0, 2, inhibits, sizeof inhibits, h); }},
      {"dbs_SetAutoProt", [&] { return dbs_SetAutoProt(&point, 1, h); }, DBS_OK, {"LiveAutoProtects"}},
      {"dbs_SetLevelAutoProt", [&] { return dbs_SetLevelAutoProt(0, 2, inhibits, sizeof inhibits, h); }, DBS_OK,
       {"LiveAutoProtects"}},
      {"dbs_SetLevelData", [&] { return dbs_SetLevelData(0, 2, &level, h); }},
      {"dbs_SetSourceName", [&] { return dbs_SetSourceName(&source, sourceName, h); }},
      {"dbs_SetSourceName: the 16-character name", [&] { return dbs_SetSourceName(&source, longName, h); }},
      {"dbs_SetSourceType", [&] { return dbs_SetSourceType(&source, 2, h); }, DBS_OK, {"LiveSourceType"}},
      {"dbs_SetAudioSourceParam", [&] { return dbs_SetAudioSourceParam(&source, 0x42, h); }},
      {"dbs_SetTrigger", [&] { return dbs_SetTrigger(&source, 3, h); }},
      {"dbs_SetSourceData", [&] { return dbs_SetSourceData(&sourceRecord, h); }},
      {"dbs_SetDestLog", [&] { return dbs_SetDestLog(&dest, 1, h); }, DBS_OK, {"LiveDestLog"}},
      {"dbs_SetAudioDestParam", [&] { return dbs_SetAudioDestParam(&dest, 0x24, h); }},
      {"dbs_SetDestData", [&] { return dbs_SetDestData(&destRecord, h); }},
      {"dbs_SetSourceAssn",
       [&] {
         dbs_GetSourceAssn(0, 20, &sourceAssoc, h);
         sourceAssoc.members[1] = {0, 1, 3};
         sourceAssoc.members[3] = {-1, -1, -1};
         return dbs_SetSourceAssn(0, 20, &sourceAssoc, h);
       }},
      {"dbs_FindSourceAssn", [&] { return dbs_FindSourceAssn(0, 0, 20, 0, &sourceAssoc, h); }},
      {"dbs_SetDestAssn",
       [&] {
         destAssoc.shortName = shortName;
         destAssoc.name = assocName;
         dbs_GetDestAssn(0, 7, &destAssoc, h);
         destAssoc.members[2] = {0, 2, 9};
         return dbs_SetDestAssn(0, 7, &destAssoc, h);
       }},
      {"dbs_FindDestAssn", [&] { return dbs_FindDestAssn(0, 2, 9, 0, &destAssoc, h); }},
      {"dbs_SetDestName", [&] { return dbs_SetDestName(0, 4, destName, h); }},
      {"dbs_SetTitle", [&] { return dbs_SetTitle(title, h); }, DBS_OK, {"LiveTitle"}},
      {"dbs_SetSearchDepth", [&] { return dbs_SetSearchDepth(3, h); }, DBS_OK, {"LiveSearchDepth"}},
      {"dbs_SetTieLine", [&] { return dbs_SetTieLine(0, &tie, h); }, DBS_ERR_INVALID_ARGUMENT, {"LiveTieLine"}},
      {"dbs_SetTieLineName", [&] { return dbs_SetTieLineName(0, tieName, h); }, DBS_ERR_INVALID_ARGUMENT,
       {"LiveTieLineName"}},
      {"dbs_SetInputCue", [&] { return dbs_SetInputCue(0, &cue, h); }, DBS_ERR_INVALID_ARGUMENT, {"LiveInputCue"}},
      {"dbs_SetOutputCue", [&] { return dbs_SetOutputCue(0, &cue, h); }, DBS_ERR_INVALID_ARGUMENT, {"LiveOutputCue"}},
      {"dbs_SetTransmissionPathProtect", [&] { return dbs_SetTransmissionPathProtect(0, &protect, h); },
       DBS_ERR_INVALID_ARGUMENT, {"LivePathProtect"}},
      {"dbs_SetMatrixPort",
       [&] {
         dbs_GetMatrixPort(2, &matrixPort, h);
         matrixPort.physicalLevel = 6;
         return dbs_SetMatrixPort(2, &matrixPort, h);
       }},
      {"dbs_SetPhysicalLevel", [&] { return dbs_SetPhysicalLevel(3, 5, h); }},
      {"dbs_SetGeneralPort",
       [&] {
         dbs_GetGeneralPort(0, &generalPort, h);
         generalPort.baudRate = 9600;
         generalPort.protocol = 2;
         return dbs_SetGeneralPort(0, &generalPort, h);
       }},
      {"dbs_SetMacroStore", [&] { return dbs_SetMacroStore(3, &salvo, h); }},
      {"dbs_SetMacroXP", [&] { return dbs_SetMacroXP(3, &xp1, h); }},
      {"dbs_SetMacroXP: a second crosspoint", [&] { return dbs_SetMacroXP(3, &xp2, h); }},
      {"dbs_SetMacroXP: another salvo", [&] { return dbs_SetMacroXP(5, &xp3, h); }},
      {"dbs_SetMacroXP: another source on the same destination", [&] { return dbs_SetMacroXP(3, &xp1b, h); }},
      {"dbs_DeleteMacroXP", [&] { return dbs_DeleteMacroXP(3, &xp1b, h); }},
      {"dbs_DeleteMacroXP: the salvo's last crosspoint", [&] { return dbs_DeleteMacroXP(5, &xp3, h); }},
      {"dbs_SetTrigLines", [&] { return dbs_SetTrigLines(lines, h); }},
  });
}

// Keypads 0-31 are simple source keypads, 32-63 simple destination keypads,
// 64-71 dial-up source and 72-79 dial-up destination keypads; panel p uses
// keypads p and 32 + p.
TEST_P(LiveAgreementTest, KeypadsKeysAndSequences) {
  Str keyName(u"VTR");
  TKeypadRecord keypad{};
  Str keypadName(u"                ");
  keypad.name = keypadName;
  Sequence cam(0, {u"CAM"}, 9), a(64, {u"A"}, 5), ab(64, {u"A", u"B"}, 6), vtr(40, {u"VTR"}, 3);

  Run({
      {"dbs_SetKey: a name key of a simple source keypad", [&] { return SetKey(h, 0, 0, u"CAM"); }},
      {"dbs_SetEntrySequence: a simple source keypad", [&] { return dbs_SetEntrySequence(0, &cam.record, h); }},
      {"dbs_SetKeyAssignment", [&] { return dbs_SetKeyAssignment(0, keyName, 0, 12, 0, h); }},
      {"dbs_SetKey: a simple destination keypad", [&] { return SetKey(h, 40, 2, u"VTR"); }},
      {"dbs_SetEntrySequence: a simple destination keypad", [&] { return dbs_SetEntrySequence(40, &vtr.record, h); }},
      {"dbs_SetKey: a dial-up keypad", [&] { return SetKey(h, 64, 0, u"A", u"ALT A"); }},
      {"dbs_SetKey: a second key of a dial-up keypad", [&] { return SetKey(h, 64, 1, u"B"); }},
      {"dbs_SetEntrySequence: a dial-up keypad", [&] { return dbs_SetEntrySequence(64, &a.record, h); }},
      {"dbs_SetEntrySequence: a longer sequence", [&] { return dbs_SetEntrySequence(64, &ab.record, h); }},
      {"dbs_DeleteLastNode",
       [&] {
         Sequence last(64, {u"A", u"B"});
         return dbs_DeleteLastNode(64, &last.record, h);
       }},
      {"dbs_SetKey: a function key", [&] { return SetKey(h, 0, 5, u"CLR", u"", 7); }},
      {"dbs_CopyKeypad: simple source keypads", [&] { return dbs_CopyKeypad(0, 1, 0, nullptr, nullptr, h); }},
      {"dbs_CopyKeypad: simple destination keypads", [&] { return dbs_CopyKeypad(40, 41, 0, nullptr, nullptr, h); }},
      {"dbs_CopyKeypad: dial-up keypads", [&] { return dbs_CopyKeypad(64, 65, 0, nullptr, nullptr, h); }},
      {"dbs_SetPanelRecord: a panel pairing two dial-up keypads",
       [&] {
         PanelRecord p(h, 12);
         p.record.panelType = 3;
         p.record.sourceKeypad = 66;
         p.record.destKeypad = 74;
         return dbs_SetPanelRecord(12, &p.record, h);
       },
       DBS_OK, {"LivePanelKeypadLink"}},
      {"dbs_CopyKeypad: keys carried on to the paired keypad",
       [&] { return dbs_CopyKeypad(64, 66, 12, nullptr, nullptr, h); }},
      {"dbs_SetKeypad: a destination keypad made a source keypad",
       [&] {
         dbs_GetKeypad(45, &keypad, h);
         keypad.keypadType = 0;
         return dbs_SetKeypad(45, &keypad, h);
       },
       DBS_OK, {"LiveKeypad"}},
      {"dbs_SetPanelKeypad: no source keypad", [&] { return dbs_SetPanelKeypad(10, 1, 0xFFFF, h); }, DBS_OK,
       {"LivePanelKeypadLink"}},
      {"dbs_SetPanelKeypad: no destination keypad", [&] { return dbs_SetPanelKeypad(10, 0, 0xFFFF, h); }, DBS_OK,
       {"LivePanelKeypadLink"}},
      {"dbs_CopyKeypad: onto a source keypad no panel uses",
       [&] { return dbs_CopyKeypad(1, 10, 0, nullptr, nullptr, h); }},
      {"dbs_ClearKeypad: a source keypad", [&] { return dbs_ClearKeypad(10, h); }},
      {"dbs_CopyKeypad: onto a destination keypad no panel uses",
       [&] { return dbs_CopyKeypad(41, 42, 0, nullptr, nullptr, h); }},
      // A cleared keypad is a source keypad.
      {"dbs_ClearKeypad: a destination keypad", [&] { return dbs_ClearKeypad(42, h); }, DBS_OK, {"LiveKeypad"}},
  });
}

// Panel 2 has controlled destinations and overrides of its own, panel 6
// stands on port 1 at address 2 and UMD 3 on port 0 at address 9 when the
// controller is given the download.
TEST_P(LiveAgreementTest, PanelsUMDsAndTheirPlaces) {
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  TXYRecord xy{2, 0, 500, {}};
  for (int j = 0; j < 40; ++j) xy.destMap[j] = static_cast<std::uint8_t>(0x11 * (j % 15) + 1);
  ASSERT_EQ(dbs_SetXY_ControlledDests(2, 0, &xy, h), DBS_OK);
  const TOverrideRecord camera{0, 1, 9};
  ASSERT_EQ(dbs_SetOverrideSource(2, 0, &camera, h), DBS_OK);
  ASSERT_EQ(dbs_SetOverrideSource(2, 5, &camera, h), DBS_OK);
  ASSERT_EQ(dbs_SetPanelPort(6, 1, 2, h), DBS_OK);
  ASSERT_EQ(dbs_SetUMDPort(3, 0, 9, h), DBS_OK);
  GoOnLine();

  Str panelName(u"DESK 1"), umdName(u"UMD A"), umdName2(u"UMD B"), message(u"ON AIR");
  const std::uint16_t levels[20] = {0x0303};
  const std::uint32_t custom[2] = {7, 9};
  const TOutputRecord output{2, 1, 0x10, 0x20};
  const TAssociationMember umdDest{0, 0, 5}, umdDest2{0, 0, 7};

  Run({
      {"dbs_SetPanelPort: a panel with its controlled destinations and overrides",
       [&] { return dbs_SetPanelPort(2, 0, 5, h); }},
      {"dbs_SetPanelPort: onto the other port", [&] { return dbs_SetPanelPort(2, 1, 5, h); }},
      {"dbs_SetPanelPort: onto a panel's place", [&] { return dbs_SetPanelPort(2, 1, 2, h); }},
      {"dbs_SetPanelPort: onto a UMD's place", [&] { return dbs_SetPanelPort(6, 0, 9, h); }},
      {"dbs_SetPanelPort: to the Storeroom", [&] { return dbs_SetPanelPort(2, 0xFFFF, 0xFFFF, h); }},
      {"dbs_SetPanelPort: back onto a port", [&] { return dbs_SetPanelPort(2, 0, 1, h); }},
      {"dbs_SetPanelType", [&] { return dbs_SetPanelType(2, 7, h); }},
      {"dbs_SetPanelBrightness", [&] { return dbs_SetPanelBrightness(2, 3, h); }},
      {"dbs_SetPanelMode", [&] { return dbs_SetPanelMode(2, 4, h); }},
      {"dbs_SetPanelFlags", [&] { return dbs_SetPanelFlags(2, 0x30012, h); }},
      {"dbs_SetPanelLevels", [&] { return dbs_SetPanelLevels(2, levels, h); }},
      {"dbs_SetPanelKeypad: the destination keypad", [&] { return dbs_SetPanelKeypad(2, 0, 41, h); }, DBS_OK,
       {"LivePanelKeypadLink"}},
      {"dbs_SetPanelKeypad: the source keypad", [&] { return dbs_SetPanelKeypad(2, 1, 1, h); }, DBS_OK,
       {"LivePanelKeypadLink"}},
      {"dbs_SetPanelName", [&] { return dbs_SetPanelName(2, panelName, h); }},
      {"dbs_SetPanelCustomData", [&] { return dbs_SetPanelCustomData(2, custom, h); }, DBS_OK,
       {"LivePanelCustomData"}},
      {"dbs_SetPanelRecord",
       [&] {
         PanelRecord p(h, 2);
         p.record.brightness = 5;
         p.record.mode = 2;
         p.record.panelType = 4;
         p.record.sourceKeypad = 66;
         return dbs_SetPanelRecord(2, &p.record, h);
       },
       DBS_OK, {"LivePanelKeypadLink"}},
      {"dbs_SetPanelRecord: a new place",
       [&] {
         PanelRecord p(h, 2);
         p.record.port = 1;
         p.record.address = 7;
         return dbs_SetPanelRecord(2, &p.record, h);
       }},
      {"dbs_SetXY_ControlledDests",
       [&] {
         xy.destMap[3] = 0x81;
         return dbs_SetXY_ControlledDests(2, 0, &xy, h);
       }},
      {"dbs_SetOutputRecord", [&] { return dbs_SetOutputRecord(2, 1, &output, h); }, DBS_OK,
       {"LivePanelSets", "LiveOutputRecord"}},
      {"dbs_SetOverrideSource", [&] { return dbs_SetOverrideSource(2, 7, &camera, h); }},
      {"dbs_SetUMDPort", [&] { return dbs_SetUMDPort(0, 1, 3, h); }},
      {"dbs_SetUMDDests", [&] { return dbs_SetUMDDests(0, 0, &umdDest, h); }},
      {"dbs_SetUMDType", [&] { return dbs_SetUMDType(0, 9, h); }},
      {"dbs_SetUMDFlags", [&] { return dbs_SetUMDFlags(0, 1, h); }},
      {"dbs_SetUMDFlags: more than audio parameters", [&] { return dbs_SetUMDFlags(0, 3, h); }},
      {"dbs_SetUMDBrightness", [&] { return dbs_SetUMDBrightness(0, 4, h); }},
      {"dbs_SetUMDName", [&] { return dbs_SetUMDName(0, umdName, h); }},
      {"dbs_SetUMDFixedMessage", [&] { return dbs_SetUMDFixedMessage(0, 2, h); }, DBS_OK, {"LiveUMDFixedMessage"}},
      {"dbs_SetFixedMessage", [&] { return dbs_SetFixedMessage(0, message, h); }, DBS_OK, {"LiveFixedMessage"}},
      {"dbs_SetUMDRecord",
       [&] {
         UMDRecord u(h, 0);
         u.record.umdType = 2;
         u.record.brightness = 7;
         u.record.dests[1] = umdDest2;
         return dbs_SetUMDRecord(0, &u.record, h);
       }},
      {"dbs_SetUMDRecord: a new place",
       [&] {
         UMDRecord u(h, 0);
         u.record.port = 0;
         u.record.address = 12;
         return dbs_SetUMDRecord(0, &u.record, h);
       }},
      {"dbs_SetUMDDisplay", [&] { return dbs_SetUMDDisplay(0, 50, h); }, DBS_OK, {"LiveUMDDisplay"}},
      {"dbs_SetUMDPort: onto a panel's place", [&] { return dbs_SetUMDPort(3, 1, 7, h); }},
      {"dbs_SetUMDPort: onto the other port", [&] { return dbs_SetUMDPort(3, 0, 7, h); }},
      {"dbs_SetUMDName: a UMD in the Storeroom", [&] { return dbs_SetUMDName(5, umdName2, h); }},
      {"dbs_SetUMDType: a UMD in the Storeroom", [&] { return dbs_SetUMDType(5, 2, h); }},
      {"dbs_SetUMDPort: to the Storeroom", [&] { return dbs_SetUMDPort(3, 0xFFFF, 0xFFFF, h); }},
      {"dbs_SetPanelPort: onto the place a UMD left", [&] { return dbs_SetPanelPort(6, 0, 7, h); }},
  });
}

INSTANTIATE_TEST_SUITE_P(Formats, LiveAgreementTest, ::testing::Values(DBS_TYPE_V1, DBS_TYPE_V3),
                         [](const auto& format) { return format.param == DBS_TYPE_V1 ? "V1" : "V3"; });

}  // namespace
}  // namespace zephra
