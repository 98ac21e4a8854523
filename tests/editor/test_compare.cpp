// The comparison engine on real databases: one change of every family gives
// exactly one difference (in the engine, and in zephra-db's text and JSON),
// trees and salvo chains that a reconfigure renumbers compare equal, and
// databases of other dimensions are compared on what both have.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sys/wait.h>

#include "dbs/config_fixtures.h"
#include "dbs/sequence_fixture.h"
#include "dbs/temp_dir.h"
#include "model/Compare.h"
#include "zephra_db/database_records.h"

namespace zephra::test {
namespace {

using model::Difference;
using model::Family;

// A database file open in the library, closed at the end.
struct Database {
  DbsHandle h = -1;
  Database(const std::string& path, const ConfigImage& config) {
    CallConfig call(config);
    EXPECT_EQ(dbs_CreateFile(Str(path), &call.record, 0, &h), DBS_OK);
  }
  explicit Database(DbsHandle handle) : h(handle) {}
  ~Database() {
    if (h >= 0) dbs_CloseFile(h);
  }
  model::Snapshot Read() const {
    model::Snapshot s;
    tool::DatabaseRecords records(h);
    EXPECT_EQ(model::ReadSnapshot(records, s), DBS_OK);
    return s;
  }
};

std::vector<std::string> Lines(const std::vector<Difference>& differences) {
  std::vector<std::string> lines;
  for (const Difference& d : differences) lines.push_back(model::Describe(d));
  return lines;
}

// Runs zephra-db and answers its standard output and exit status.
std::pair<std::string, int> Tool(const std::string& arguments) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((std::string(ZEPHRA_DB_PROGRAM) + " " + arguments).c_str(), "r"),
                                             pclose);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  const int status = pclose(pipe.release());
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(Compare, EqualDatabasesHaveNoDifferences) {
  TempDir dir;
  Database a(dir.File("a.ZP3"), EditorDefaultV3()), b(dir.File("b.ZP3"), EditorDefaultV3());
  EXPECT_TRUE(model::Compare(a.Read(), b.Read()).empty());
}

TEST(Compare, EveryFamilyChangedOnceIsReportedOnce) {
  TempDir dir;
  const std::string pathA = dir.File("a.ZP3"), pathB = dir.File("b.ZP3");
  {
    Database a(pathA, EditorDefaultV3()), b(pathB, EditorDefaultV3());
    for (DbsHandle h : {a.h, b.h}) NameKey(h, 65, 0, u"CAM");
    const DbsHandle h = b.h;
    ASSERT_EQ(dbs_SetSearchDepth(5, h), DBS_OK);
    ASSERT_EQ(dbs_SetParkMode(0, 3, h), DBS_OK);
    ASSERT_EQ(dbs_SetSignalOrder(0, 1, 5, h), DBS_OK);
    const TSourceIndexRecord source{0, 0, 4};
    ASSERT_EQ(dbs_SetSourceName(&source, Str(u"CAM 07  "), h), DBS_OK);
    const TDestIndexRecord dest{0, 2, 6};
    ASSERT_EQ(dbs_SetDestLog(&dest, 1, h), DBS_OK);
    TSourceAssociationRecord assoc{};
    ASSERT_EQ(dbs_GetSourceAssn(0, 9, &assoc, h), DBS_OK);
    assoc.members[1] = {0, 1, 20};
    ASSERT_EQ(dbs_SetSourceAssn(0, 9, &assoc, h), DBS_OK);
    ASSERT_EQ(dbs_SetDestName(0, 11, Str(u"MON 12  "), h), DBS_OK);
    TGeneralPortRecord port{};
    ASSERT_EQ(dbs_GetGeneralPort(1, &port, h), DBS_OK);
    port.baudRate = port.baudRate == 9600 ? 19200 : 9600;
    ASSERT_EQ(dbs_SetGeneralPort(1, &port, h), DBS_OK);
    ASSERT_EQ(dbs_SetPanelBrightness(2, 9, h), DBS_OK);
    ASSERT_EQ(dbs_SetUMDBrightness(3, 77, h), DBS_OK);
    Str keypadName(u"........");
    TKeypadRecord keypad{};
    keypad.name = keypadName;
    ASSERT_EQ(dbs_GetKeypad(70, &keypad, h), DBS_OK);
    keypad.rows = static_cast<std::uint16_t>(keypad.rows + 1);
    ASSERT_EQ(dbs_SetKeypad(70, &keypad, h), DBS_OK);
    Str keyName(u"........"), altName(u"........");
    TKeyRecord key{};
    key.name = keyName;
    key.altName = altName;
    ASSERT_EQ(dbs_GetKey(71, 5, &key, h), DBS_OK);
    Str newName(u"NEW"), unchanged(u"");
    key.name = newName;
    key.altName = unchanged;
    ASSERT_EQ(dbs_SetKey(71, 5, &key, h), DBS_OK);
    Sequence cam(65, {u"CAM"}, 3);
    ASSERT_EQ(dbs_SetEntrySequence(65, &cam.record, h), DBS_OK);
    const TMacroXPRecord xp{0, 1, 2, 5};
    ASSERT_EQ(dbs_SetMacroXP(4, &xp, h), DBS_OK);
    const std::uint8_t trigger[4] = {10, 134, 0, 134};
    ASSERT_EQ(dbs_SetTrigLines(trigger, h), DBS_OK);

    const auto differences = model::Compare(a.Read(), b.Read());
    std::map<Family, int> perFamily;
    for (const Difference& d : differences) ++perFamily[d.family];
    EXPECT_EQ(differences.size(), 15u) << ::testing::PrintToString(Lines(differences));
    EXPECT_EQ(perFamily.size(), 15u);
    EXPECT_EQ(perFamily.count(Family::Configuration), 0u);
    const std::set<std::string> expected = {
        "database: search depth 1 \u2192 5",
        "matrix 1: park mode 0 \u2192 3",
        "level 2: signal order 1 \u2192 5",
        "source 5 of level 1: name 'm1s5' \u2192 'CAM 07  '",
        "destination 7 of level 3: destination log 0 \u2192 1",
        "source association 10: level 2 member source 10 \u2192 source 21",
        "destination association 12: name 'm1d12' \u2192 'MON 12  '",
        "panel 3: brightness " + std::to_string(a.Read().panels[2].record.brightness) + " \u2192 9",
        "key 6 of keypad 72: name 'Key 6' \u2192 'NEW'",
        "keypad 71: rows 4 \u2192 5",
        "UMD 4: brightness 6 \u2192 77",
        "keypad 66: sequence CAM added",
        "salvo 5: crosspoint to destination 3 of level 2 from source 6 added",
        "trigger lines: 525 lines line 10 on the frame \u2192 line 10 on the field",
    };
    const auto lines = Lines(differences);
    for (const std::string& line : expected) {
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << " in " << ::testing::PrintToString(lines);
    }
  }
  // The tool says the same, once per change, in text and in JSON.
  const auto [text, rc] = Tool("diff " + pathA + " " + pathB);
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15);
  const auto [json, rcJson] = Tool("diff --json " + pathA + " " + pathB);
  EXPECT_EQ(rcJson, 1);
  const auto parsed = nlohmann::json::parse(json);
  ASSERT_EQ(parsed.size(), 15u);
  std::set<std::string> families;
  for (const auto& d : parsed) families.insert(d["family"].get<std::string>());
  EXPECT_EQ(families.size(), 15u);
  const auto source = std::find_if(parsed.begin(), parsed.end(), [](const auto& d) { return d["family"] == "source"; });
  ASSERT_NE(source, parsed.end());
  EXPECT_EQ((*source)["record"], "source 5 of level 1");
  EXPECT_EQ((*source)["before"], "m1s5");
  EXPECT_EQ((*source)["after"], "CAM 07  ");
  EXPECT_EQ((*source)["level"], 1);
  EXPECT_EQ((*source)["number"], 5);
}

TEST(Compare, TreesAndSalvosRenumberedByAReconfigureAreEqual) {
  TempDir dir;
  const ConfigImage config = EditorDefaultV3();
  Database a(dir.File("a.ZP3"), config);
  for (std::uint16_t k = 0; k < 4; ++k) NameKey(a.h, 66, k, std::u16string(1, static_cast<char16_t>(u'A' + k)));
  // Made in an order that leaves the nodes out of tree order, with a hole.
  for (auto keys : {std::initializer_list<std::u16string_view>{u"D"}, {u"C", u"A"}, {u"B"}, {u"C", u"B"}, {u"A"}}) {
    Sequence s(66, keys, 7);
    ASSERT_EQ(dbs_SetEntrySequence(66, &s.record, a.h), DBS_OK);
  }
  Sequence hole(66, {u"B"});
  ASSERT_EQ(dbs_DeleteLastNode(66, &hole.record, a.h), DBS_OK);
  for (const TMacroXPRecord& xp : {TMacroXPRecord{0, 0, 1, 2}, {0, 0, 2, 3}, {0, 1, 4, 5}}) {
    ASSERT_EQ(dbs_SetMacroXP(2, &xp, a.h), DBS_OK);
  }
  const TMacroXPRecord gone{0, 0, 2, 3};
  ASSERT_EQ(dbs_DeleteMacroXP(2, &gone, a.h), DBS_OK);

  const model::Snapshot before = a.Read();
  CallConfig call(config);
  DbsHandle rebuilt = a.h;
  ASSERT_EQ(dbs_ReconfigureFile(Str(dir.File("b.ZP3")), &call.record, 0, &rebuilt), DBS_OK);
  if (rebuilt != a.h) dbs_CloseFile(a.h);
  a.h = -1;
  Database b(rebuilt);
  const model::Snapshot after = b.Read();
  EXPECT_EQ(Lines(model::Compare(before, after)), std::vector<std::string>{});
  ASSERT_EQ(before.keypads[66].tree.children.size(), 3u);  // A, C (A, B below it), D

  // A real change inside the tree is one difference, named by its path.
  Sequence changed(66, {u"C", u"B"}, 9);
  ASSERT_EQ(dbs_SetEntrySequence(66, &changed.record, b.h), DBS_OK);
  EXPECT_EQ(Lines(model::Compare(before, b.Read())),
            std::vector<std::string>{"sequence C > B of keypad 67: selection 8 \u2192 10"});
  Sequence removed(66, {u"C", u"A"});
  ASSERT_EQ(dbs_DeleteLastNode(66, &removed.record, b.h), DBS_OK);
  EXPECT_EQ(Lines(model::Compare(before, b.Read())),
            (std::vector<std::string>{"keypad 67: sequence C > A removed",
                                      "sequence C > B of keypad 67: selection 8 \u2192 10"}));
}

TEST(Compare, OtherDimensionsAreComparedOnWhatBothHave) {
  TempDir dir;
  ConfigImage small = EditorDefaultV3(), large = EditorDefaultV3();
  large.sourceCount[0][1] = 48;
  large.umdCount = 30;
  small.levelCount[0] = 3;
  Database a(dir.File("a.ZP3"), small), b(dir.File("b.ZP3"), large);
  const auto lines = Lines(model::Compare(a.Read(), b.Read()));
  for (const std::string expected : {"level 2: sources 33\u201348 added", "database: UMDs 31\u201332 removed",
                                      "matrix 1: levels 4 added"}) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), expected), 1) << expected << ::testing::PrintToString(lines);
  }
  for (const std::string& line : lines) EXPECT_EQ(line.find("source 3 of level 2:"), std::string::npos) << line;
}

}  // namespace
}  // namespace zephra::test
