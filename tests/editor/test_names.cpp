// The names engine: the one fitting rule, the CSV reader's lines, and an
// import checked row by row and column by column against a real database,
// then written field by field.
#include <gtest/gtest.h>

#include <algorithm>

#include "dbs/config_fixtures.h"
#include "dbs/temp_dir.h"
#include "model/NameImport.h"
#include "model/NameText.h"
#include "zephra_db/database_records.h"

namespace zephra::test {
namespace {

using model::FitName;

TEST(FitName, CutsOrPadsWithNulsAndNeverSplitsAPair) {
  EXPECT_EQ(FitName(u"ABC", 8), std::u16string(u"ABC\0\0\0\0\0", 8));
  EXPECT_EQ(FitName(u"ABCDEFGHIJ", 8), u"ABCDEFGH");
  EXPECT_EQ(FitName(u"", 4), std::u16string(4, u'\0'));
  // U+1F3A5 is two units; a cut between them leaves the half out.
  EXPECT_EQ(FitName(u"ABC\U0001F3A5", 4), std::u16string(u"ABC\0", 4));
  EXPECT_EQ(FitName(u"AB\U0001F3A5", 4), u"AB\U0001F3A5");
}

TEST(ReadCsv, KeepsTheLineEachRecordStartsOn) {
  std::vector<model::ImportIssue> issues;
  const auto records = model::ReadCsv("\xEF\xBB\xBF" "a,b\r\n\r\n\"multi\nline\",x\r\nc, spaced \rd\n", issues);
  EXPECT_TRUE(issues.empty());
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].cells, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(records[1].line, 3u);
  EXPECT_EQ(records[1].cells[0], "multi\nline");
  EXPECT_EQ(records[2].line, 5u);
  EXPECT_EQ(records[2].cells[1], " spaced ");  // spaces belong to the cell
  EXPECT_EQ(records[3].line, 6u);
}

TEST(ReadCsv, ReportsBrokenQuotingAndGoesOnWithTheNextLine) {
  std::vector<model::ImportIssue> issues;
  const auto records = model::ReadCsv("a,b\nc,\"d\"e\nf,g\n\"open", issues);
  ASSERT_EQ(issues.size(), 2u);
  EXPECT_EQ(issues[0].line, 2u);
  EXPECT_EQ(issues[1].line, 4u);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].cells, (std::vector<std::string>{"f", "g"}));
}

class NamesImport : public ::testing::Test {
 protected:
  TempDir dir;
  DbsHandle h = -1;
  model::Snapshot db;
  void SetUp() override {
    CallConfig call(EditorDefaultV3());
    ASSERT_EQ(dbs_CreateFile(Str(dir.File("n.ZP3")), &call.record, 0, &h), DBS_OK);
    Read();
  }
  void TearDown() override { dbs_CloseFile(h); }
  void Read() {
    tool::DatabaseRecords records(h);
    ASSERT_EQ(model::ReadSnapshot(records, db), DBS_OK);
  }
  std::vector<std::string> Issues(const model::ImportPlan& plan) {
    std::vector<std::string> out;
    for (const auto& issue : plan.issues) out.push_back(model::Describe(issue));
    return out;
  }
};

TEST_F(NamesImport, EachBadRowIsNamedByLineAndColumn) {
  const auto plan = model::PlanNamesImport(
      "source,1,1,1,name,CAM 1\n"
      "sauce,1,1,1,name,X\n"
      "source,1,9,1,name,X\n"
      "source,1,1,33,name,X\n"
      "source,1,1,x,name,X\n"
      "source,1,1,2,colour,X\n"
      "panel,,2,3,name,X\n"
      "title,,,,name\n"
      "source,1,1,1,name,again\n"
      "UMD,,,1,name,tab\there\n"
      "destination,1,,1,name,\xC3\x28\n"
      "source,1,1,2,name,CAMERA 12 LEFT\n",
      db);
  EXPECT_EQ(Issues(plan), (std::vector<std::string>{
                              "line 2, column 1 (kind): 'sauce' is not a kind of name: title, matrix, level, source, "
                              "destination, panel, UMD, keypad or salvo",
                              "line 3, column 3 (level): there is no level 9: matrix 1 has 4 levels",
                              "line 4, column 4 (number): there is no source 33 on level 1: it has 32 sources",
                              "line 5, column 4 (number): 'x' is not a number",
                              "line 6, column 5 (field): 'colour' is not a field of a source: it has short, name, "
                              "name12 and name16",
                              "line 7, column 3 (level): a panel has no level",
                              "line 8: the row has 5 cells, but no name: a name row has kind, matrix, level, number, "
                              "field and name",
                              "line 9, column 5 (field): line 1 already names this field",
                              "line 10, column 6 (name): the name holds the control character U+0009",
                              "line 11, column 6 (name): the name is not UTF-8 text",
                              "line 12, column 6 (name): warning: 'CAMERA 12 LEFT' is longer than 8 characters: cut to "
                              "'CAMERA 1'",
                          }));
  EXPECT_FALSE(plan.Sound());
  EXPECT_EQ(plan.rows, 12u);
  EXPECT_EQ(plan.refusedRows, 10u);
  EXPECT_EQ(plan.warnedRows, 1u);
  ASSERT_EQ(plan.changes.size(), 2u);
  EXPECT_EQ(model::Describe(plan.changes[1]), "source 2 of level 1: name 'm1s2' \u2192 'CAMERA 1'");
}

TEST_F(NamesImport, AHeaderMayOrderTheColumnsAndEachWidthWritesItsField) {
  const auto plan = model::PlanNamesImport(
      "Name, Kind ,Number,Level,Field\n"
      "S5,source,5,2,short\n"
      "Kamera fuenf,source,5,2,name12\n"
      "Kamera fuenf links,source,5,2,name16\n"
      "Kam 5,source,5,2,\n"
      "m1s6,source,6,2,name\n"
      "M1,destination,1,,short\n",
      db);
  EXPECT_TRUE(plan.Sound()) << ::testing::PrintToString(Issues(plan));
  EXPECT_EQ(plan.unchanged, 1u);
  ASSERT_EQ(plan.changes.size(), 5u);
  std::size_t written = 0;
  tool::DatabaseRecords records(h);
  ASSERT_EQ(model::ApplyNames(plan.changes, db, records, written), DBS_OK);
  EXPECT_EQ(written, 5u);
  Read();
  const model::SourceState& s = db.matrices[0].levels[1].sources[4];
  EXPECT_EQ(s.names[0], u"S5");
  EXPECT_EQ(s.names[1], u"Kam 5");
  EXPECT_EQ(s.names[2], u"m1s5");  // the spare fields are not touched
  EXPECT_EQ(s.names[4], u"Kamera fuenf");
  EXPECT_EQ(s.names[5], u"Kamera fuenf lin");
  EXPECT_EQ(db.matrices[0].destAssocs[0].shortName, u"M1");
  EXPECT_EQ(db.matrices[0].destAssocs[0].name, u"m1d1");
}

TEST_F(NamesImport, AnEmptyNameClearsItsFieldWithAWarning) {
  const auto plan = model::PlanNamesImport("salvo,,,1,short,\nsalvo,,,2,name,\"\"\n", db);
  EXPECT_TRUE(plan.Sound());
  EXPECT_EQ(plan.warnedRows, 2u);
  std::size_t written = 0;
  tool::DatabaseRecords records(h);
  ASSERT_EQ(model::ApplyNames(plan.changes, db, records, written), DBS_OK);
  Read();
  EXPECT_EQ(db.salvos[0].shortName, u"");
  EXPECT_EQ(db.salvos[0].name, u"Salvo 1");
  EXPECT_EQ(db.salvos[1].name, u"");
}

TEST_F(NamesImport, AnExportImportsUnchangedAndACutNeverSplitsACharacter) {
  const auto first = model::PlanNamesImport("panel,,,1,name,Cam \xF0\x9F\x8E\xA5\n"  // U+1F3A5, two units
                                            "panel,,,2,name,ABCDEFG\xF0\x9F\x8E\xA5\n",
                                            db);
  ASSERT_EQ(first.changes.size(), 2u);
  EXPECT_EQ(first.changes[1].after, u"ABCDEFG");
  EXPECT_EQ(first.warnedRows, 1u);
  std::size_t written = 0;
  tool::DatabaseRecords records(h);
  ASSERT_EQ(model::ApplyNames(first.changes, db, records, written), DBS_OK);
  Read();
  EXPECT_EQ(db.panels[0].name, u"Cam \U0001F3A5");
  const std::string csv = model::ExportNames(db);
  const auto again = model::PlanNamesImport(csv, db);
  EXPECT_TRUE(again.issues.empty()) << ::testing::PrintToString(Issues(again));
  EXPECT_TRUE(again.changes.empty());
  EXPECT_EQ(again.unchanged, again.rows);
  EXPECT_EQ(again.rows, static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n') - 1));
}

TEST_F(NamesImport, AHeaderThatNamesAColumnTwiceIsRefused) {
  const auto plan = model::PlanNamesImport("kind,number,name,name\npanel,1,A,B\n", db);
  EXPECT_FALSE(plan.Sound());
  ASSERT_FALSE(plan.issues.empty());
  EXPECT_EQ(model::Describe(plan.issues[0]),
            "line 1, column 4 (name): the column appears twice in the header (the first one is taken)");
}

}  // namespace
}  // namespace zephra::test
