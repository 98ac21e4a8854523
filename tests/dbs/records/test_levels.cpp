#include <gtest/gtest.h>

#include <vector>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/records/matrix.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

std::map<std::string, std::size_t> LevelSizes() {
  return {{"LiveLevelType", sizeof(LevelEntry)}, {"LiveParkSource", sizeof(LevelEntry)},
          {"LiveLevelData", sizeof(LevelEntry)}, {"LiveInhibits", 8 + 73}};
}

// Levels of 17, 32, 33 and 0 sources; levels 0 and 2 on one physical level.
ConfigImage Levels() {
  ConfigImage c = test::EditorDefaultV3();
  c.sourceCount[0][0] = 17;
  c.sourceCount[0][2] = 33;
  c.sourceCount[0][3] = 0;
  c.sourceAssocCount[0] = c.destAssocCount[0] = 40;
  return c;
}

struct LevelTest : test::DbTest {
  void SetUp() override { Make(Levels()); }
  LevelEntry Level(std::uint16_t l) {
    TLevelRecord r{};
    Str name(u"................");
    r.name = name;
    EXPECT_EQ(dbs_GetLevelData(0, l, &r, h), DBS_OK);
    LevelEntry e{};
    e.levelType = r.levelType;
    e.parkSource = r.parkSource;
    e.parkDest = r.parkDest;
    e.safeSource = r.safeSource;
    e.signalOrder = r.signalOrder;
    e.monitorRows = r.monitorRows;
    e.firstMonitorRow = r.firstMonitorRow;
    return e;
  }
  std::u16string LevelName(std::uint16_t l, std::uint32_t units) {
    Str name(std::u16string(units, u'#'));
    EXPECT_EQ(dbs_GetLevelName(0, l, name, h), DBS_OK);
    return name.Text();
  }
};

TEST_F(LevelTest, NamesFollowTheNameRules) {
  ClearChanged();
  EXPECT_EQ(dbs_SetLevelName(0, 1, Str(u""), h), DBS_OK);
  EXPECT_EQ(dbs_SetLevelName(0, 1, Str(u"Level 2"), h), DBS_OK);  // as stored
  EXPECT_EQ(Changed(), 0u);
  EXPECT_EQ(dbs_SetLevelName(0, 1, Str(u"ABCDEFGHIJKLMNOPQRST"), h), DBS_OK);
  EXPECT_EQ(Changed(), 1u);
  EXPECT_EQ(LevelName(1, 20), std::u16string(u"ABCDEFGHIJKLMNOP") + std::u16string(4, u'\0'));
  EXPECT_EQ(LevelName(1, 4), u"ABCD");
  // A name that is the stored one followed by more is a change, not a match.
  EXPECT_EQ(dbs_SetMatrixName(0, Str(u"Matrix 10"), h), DBS_OK);
  Str matrix(u"0123456789");
  EXPECT_EQ(dbs_GetMatrixName(0, matrix, h), DBS_OK);
  EXPECT_EQ(matrix.Text(), std::u16string(u"Matrix 10") + u'\0');
}

TEST_F(LevelTest, AnUnchangedSetWritesNothing) {
  ClearChanged();
  const auto sums = std::vector<std::uint8_t>(TheSlot().db->image + TheSlot().db->layout.checksumTablePos,
                                              TheSlot().db->image + TheSlot().db->layout.fileSize);
  LiveRecorder live(TheSlot(), {});
  EXPECT_EQ(dbs_SetLevelType(0, 1, 0, h), DBS_OK);
  EXPECT_EQ(dbs_SetSignalOrder(0, 1, 1, h), DBS_OK);
  EXPECT_EQ(dbs_SetParkMode(0, 0, h), DBS_OK);
  Str same(u"Matrix 1");
  TMatrixRecord m{0, same, 0, 0};
  EXPECT_EQ(dbs_SetMatrixData(0, &m, h), DBS_OK);
  EXPECT_EQ(Changed(), 0u);
  EXPECT_TRUE(LiveRecorder::Calls().empty());
  EXPECT_EQ(sums, std::vector<std::uint8_t>(TheSlot().db->image + TheSlot().db->layout.checksumTablePos,
                                            TheSlot().db->image + TheSlot().db->layout.fileSize));
}

TEST_F(LevelTest, DataLevelTypesCarryAParkSource) {
  EXPECT_EQ(dbs_SetLevelType(0, 0, 41, h), DBS_OK);  // 17 sources, none parked yet
  EXPECT_EQ(Level(0).parkSource, 16);
  EXPECT_EQ(dbs_SetLevelType(0, 3, 41, h), DBS_OK);  // no sources: nothing to park on
  EXPECT_EQ(Level(3).parkSource, kNoEntry);
  TLevelParamRecord park{0, 1, 3};
  EXPECT_EQ(dbs_SetParkSource(&park, h), DBS_OK);
  EXPECT_EQ(dbs_SetLevelType(0, 1, 48, h), DBS_OK);
  EXPECT_EQ(Level(1).parkSource, 3);  // a park source already set stays
  park.value = 0;
  EXPECT_EQ(dbs_GetParkSource(&park, h), DBS_OK);
  EXPECT_EQ(park.value, 3);

  LiveRecorder live(TheSlot(), LevelSizes());
  EXPECT_EQ(dbs_SetLevelType(0, 1, 0, h), DBS_OK);
  EXPECT_EQ(Level(1).parkSource, kNoEntry);
  EXPECT_EQ(LiveRecorder::Names(), (std::vector<std::string>{"LiveLevelType", "LiveParkSource"}));
  EXPECT_EQ(LiveRecorder::Calls()[0].As<LevelEntry>().levelType, 0);
  LiveRecorder::Calls().clear();
  EXPECT_EQ(dbs_SetLevelType(0, 1, 0, h), DBS_OK);  // already that type: nothing at all
  EXPECT_TRUE(LiveRecorder::Calls().empty());
}

TEST_F(LevelTest, LevelsOnOnePhysicalLevelShareTheirType) {
  EXPECT_EQ(dbs_SetLevelType(0, 0, 5, h), DBS_OK);
  EXPECT_EQ(dbs_SetPhysicalLevel(2, 0, h), DBS_OK);  // joins level 0: takes its type
  EXPECT_EQ(Level(2).levelType, 5);
  std::uint16_t physical = 9;
  EXPECT_EQ(dbs_GetPhysicalLevel(2, &physical, h), DBS_OK);
  EXPECT_EQ(physical, 0);

  LiveRecorder live(TheSlot(), LevelSizes());
  EXPECT_EQ(dbs_SetLevelType(0, 0, 41, h), DBS_OK);
  EXPECT_EQ(Level(0).parkSource, 16);
  EXPECT_EQ(Level(2).levelType, 41);
  EXPECT_EQ(Level(2).parkSource, 32);  // the other level gets the rule too
  EXPECT_EQ(Level(1).levelType, 0);
  EXPECT_EQ(LiveRecorder::Names(), (std::vector<std::string>{"LiveLevelType", "LiveLevelType"}));

  // Another group on the same physical level does not share.
  TMatrixPortRecord port{};
  ASSERT_EQ(dbs_GetMatrixPort(2, &port, h), DBS_OK);
  port.group = 1;
  ASSERT_EQ(dbs_SetMatrixPort(2, &port, h), DBS_OK);
  EXPECT_EQ(dbs_SetLevelType(0, 0, 7, h), DBS_OK);
  EXPECT_EQ(Level(2).levelType, 41);
}

TEST_F(LevelTest, AFailureOnASharingLevelIsReported) {
  EXPECT_EQ(dbs_SetPhysicalLevel(2, 0, h), DBS_OK);
  EXPECT_EQ(dbs_SetPhysicalLevel(1, 0, h), DBS_OK);
  LiveRecorder live(TheSlot(), {});
  LiveRecorder::Answer() = DBS_ERR_TIMEOUT;
  // The named level fails first: nothing is shared.
  EXPECT_EQ(dbs_SetLevelType(0, 0, 3, h), DBS_ERR_TIMEOUT);
  EXPECT_EQ(Level(0).levelType, 3);   // the image keeps the change
  EXPECT_EQ(Level(1).levelType, 41);  // took level 0's type when it joined; not shared since
  LiveRecorder::Answer() = DBS_OK;
  EXPECT_EQ(dbs_SetPhysicalLevel(3, 0, h), DBS_OK);
  // Now the named level succeeds and one sharing level fails: said, and the
  // walk still reaches every level.
  LiveRecorder::Calls().clear();
  TheSlot().ops.LiveLevelType = [](DbsHandle, const void* r) -> Status {
    LevelEntry e;
    std::memcpy(&e, r, sizeof e);
    return e.level == 1 ? DBS_ERR_COMMS : DBS_OK;
  };
  EXPECT_EQ(dbs_SetLevelType(0, 0, 9, h), DBS_ERR_COMMS);
  EXPECT_EQ(Level(1).levelType, 9);
  EXPECT_EQ(Level(2).levelType, 9);
  EXPECT_EQ(Level(3).levelType, 9);
}

TEST_F(LevelTest, LevelDataTakesWhatIsInRange) {
  TLevelRecord r{};
  Str name(u"Video");
  r.name = name;
  r.levelType = 41;
  r.signalOrder = 17;      // out of range: skipped
  r.monitorRows = 8;       // out of range: skipped
  r.firstMonitorRow = 902;
  r.parkSource = 17;       // the source count: the last source
  r.parkDest = 31;
  r.safeSource = 40;       // out of range: skipped
  EXPECT_EQ(dbs_SetLevelData(0, 0, &r, h), DBS_OK);
  LevelEntry e = Level(0);
  EXPECT_EQ(e.levelType, 41);
  EXPECT_EQ(e.signalOrder, 1);
  EXPECT_EQ(e.monitorRows, 0);
  EXPECT_EQ(e.firstMonitorRow, 902);
  EXPECT_EQ(e.parkSource, 16);
  EXPECT_EQ(e.parkDest, 31);
  EXPECT_EQ(e.safeSource, kNoEntry);
  EXPECT_EQ(LevelName(0, 8), std::u16string(u"Video") + std::u16string(3, u'\0'));

  r.parkSource = 18;  // beyond the count: skipped
  EXPECT_EQ(dbs_SetLevelData(0, 0, &r, h), DBS_OK);
  EXPECT_EQ(Level(0).parkSource, 16);
  r.parkSource = 0xFFFF;
  EXPECT_EQ(dbs_SetLevelData(0, 0, &r, h), DBS_OK);
  EXPECT_EQ(Level(0).parkSource, kNoEntry);

  // A new type through the data leaves the level's own park source alone.
  r.levelType = 40;
  LiveRecorder live(TheSlot(), LevelSizes());
  EXPECT_EQ(dbs_SetLevelData(0, 0, &r, h), DBS_OK);
  EXPECT_EQ(Level(0).parkSource, kNoEntry);
  ASSERT_EQ(LiveRecorder::Names(), std::vector<std::string>{"LiveLevelData"});
  EXPECT_EQ(LiveRecorder::Calls()[0].As<LevelEntry>().levelType, 40);
}

TEST_F(LevelTest, FirstMonitorRowIgnoresZero) {
  EXPECT_EQ(dbs_SetFirstMonitorRow(0, 1, 12, h), DBS_OK);
  EXPECT_EQ(dbs_SetFirstMonitorRow(0, 1, 0, h), DBS_OK);
  std::uint16_t row = 0;
  EXPECT_EQ(dbs_GetFirstMonitorRow(0, 1, &row, h), DBS_OK);
  EXPECT_EQ(row, 12);
}

TEST_F(LevelTest, InhibitBitsLieAtTheirSources) {
  ConfigImage c = Levels();
  c.sourceCount[0][1] = 9;  // rows of 2 bytes
  Remake(c);
  const TMatrixPointRecord p{0, 1, 3, 8};
  EXPECT_EQ(dbs_SetInhibit(&p, 2, h), DBS_OK);
  std::uint32_t bit = 0;
  EXPECT_EQ(dbs_GetInhibit(&p, &bit, h), DBS_OK);
  EXPECT_EQ(bit, 1u);
  std::uint16_t length = 0;
  EXPECT_EQ(dbs_GetLevelInhibits(0, 1, nullptr, &length, h), DBS_OK);
  EXPECT_EQ(length, 2 * 32);
  std::vector<std::uint8_t> table(length, 0xEE);
  EXPECT_EQ(dbs_GetLevelInhibits(0, 1, table.data(), &length, h), DBS_OK);
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i], i == 3 * 2 + 1 ? 0x01 : 0x00) << i;

  LiveRecorder live(TheSlot(), {{"LiveInhibits", 8 + 2}});
  EXPECT_EQ(dbs_SetInhibit(&p, 0, h), DBS_OK);
  ASSERT_EQ(LiveRecorder::Calls().size(), 1u);
  const auto& row = LiveRecorder::Calls()[0].record;
  EXPECT_EQ(row, (std::vector<std::uint8_t>{0, 0, 1, 0, 3, 0, 2, 0, 0, 0}));
  LiveRecorder::Calls().clear();
  table.assign(table.size(), 0x55);
  EXPECT_EQ(dbs_SetLevelInhibits(0, 1, table.data(), length, h), DBS_OK);
  EXPECT_EQ(LiveRecorder::Calls().size(), 32u);  // one per row
  LiveRecorder::Calls().clear();
  LiveRecorder::Answer() = DBS_ERR_COMMS;
  EXPECT_EQ(dbs_SetLevelInhibits(0, 1, table.data(), length, h), DBS_ERR_COMMS);
  EXPECT_EQ(LiveRecorder::Calls().size(), 1u);  // stops at the first failure
}

TEST_F(LevelTest, AutoProtectNeedsItsTables) {
  const TMatrixPointRecord p{0, 0, 0, 0};
  std::uint16_t length = 100;
  std::uint8_t bytes[100] = {};
  EXPECT_EQ(dbs_SetAutoProt(&p, 1, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetLevelAutoProt(0, 0, bytes, length, h), DBS_ERR_INVALID_ARGUMENT);
  Str title(u"................");
  EXPECT_EQ(dbs_GetTitle(title, h), DBS_OK);
  EXPECT_EQ(title.Text().substr(0, 14), u"Database File ");

  ConfigImage c = Levels();
  c.hasAutoProtect = 1;
  Remake(c);
  EXPECT_EQ(dbs_SetAutoProt(&p, 1, h), DBS_OK);
  EXPECT_EQ(dbs_GetLevelAutoProt(0, 0, bytes, &length, h), DBS_OK);
  EXPECT_EQ(length, 3 * 32);  // 17 sources: 3-byte rows
  EXPECT_EQ(bytes[0], 1);
  std::uint32_t inhibited = 1;
  EXPECT_EQ(dbs_GetInhibit(&p, &inhibited, h), DBS_OK);
  EXPECT_EQ(inhibited, 0u);  // a table of its own
}

TEST_F(LevelTest, NumbersOutsideTheTablesAreRefused) {
  std::uint8_t byte = 0;
  std::uint16_t word = 0;
  std::uint32_t bit = 0;
  TLevelParamRecord param{0, 4, 0};  // 4 levels: 0-3
  const TMatrixPointRecord points[] = {{1, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 32, 0}, {0, 0, 0, 17}, {0, -1, 0, 0}};
  for (const auto& p : points) {
    EXPECT_EQ(dbs_GetInhibit(&p, &bit, h), DBS_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(dbs_SetInhibit(&p, 1, h), DBS_ERR_INVALID_ARGUMENT);
  }
  EXPECT_EQ(dbs_GetParkMode(1, &byte, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetLogType(1, 3, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetLevelDirection(0, 4, 1, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_GetMonitorRows(0, 99, &word, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetParkSource(&param, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetLevelType(0, 4, 41, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_GetLevelType(0, 0, nullptr, h), DBS_ERR_INVALID_ARGUMENT);
  TMatrixRecord m{1, nullptr, 0, 0};
  EXPECT_EQ(dbs_SetMatrixData(0, &m, h), DBS_ERR_INVALID_ARGUMENT);  // record names another matrix
}

TEST_F(LevelTest, AReadOnlyDatabaseRefusesEveryChange) {
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK);
  EXPECT_EQ(dbs_SetLevelType(0, 0, 7, h), DBS_SYS_ACCESS_DENIED);
  EXPECT_EQ(dbs_SetLevelName(0, 0, Str(u"X"), h), DBS_SYS_ACCESS_DENIED);
  const TMatrixPointRecord p{0, 0, 0, 0};
  EXPECT_EQ(dbs_SetInhibit(&p, 1, h), DBS_SYS_ACCESS_DENIED);
  EXPECT_EQ(dbs_SetTitle(Str(u"X"), h), DBS_SYS_ACCESS_DENIED);
  EXPECT_EQ(dbs_SetPanelPort(0, 0, 1, h), DBS_SYS_ACCESS_DENIED);
  EXPECT_EQ(dbs_SetUMDPort(0, 0, 1, h), DBS_SYS_ACCESS_DENIED);
  std::uint16_t type = 9;
  EXPECT_EQ(dbs_GetLevelType(0, 0, &type, h), DBS_OK);  // reading is fine
  EXPECT_EQ(type, 41);
}

}  // namespace
}  // namespace zephra

namespace zephra {
namespace {

// Many changes of every kind, then the file must close, reopen and verify,
// and read back what was last written.
TEST_F(LevelTest, ALongRunOfChangesLeavesASoundFile) {
  std::uint32_t seed = 7;
  const auto next = [&](std::uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
  for (int i = 0; i < 500; ++i) {
    const auto l = static_cast<std::int16_t>(next(3));
    const TMatrixPointRecord p{0, l, static_cast<std::int16_t>(next(32)), static_cast<std::int16_t>(next(17))};
    ASSERT_EQ(dbs_SetInhibit(&p, next(2), h), DBS_OK);
    const TSourceIndexRecord s{0, l, static_cast<std::int16_t>(next(17))};
    ASSERT_EQ(dbs_SetTrigger(&s, static_cast<std::uint8_t>(next(256)), h), DBS_OK);
    ASSERT_EQ(dbs_SetDestName(0, static_cast<std::uint16_t>(next(40)), Str(u"Dest" + std::u16string(1, static_cast<char16_t>(u'A' + next(26)))), h),
              DBS_OK);
    ASSERT_EQ(dbs_SetLevelType(0, static_cast<std::uint16_t>(l), static_cast<std::uint16_t>(next(50)), h), DBS_OK);
  }
  ASSERT_EQ(dbs_SetLevelName(0, 2, Str(u"Last"), h), DBS_OK);
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(path), 1, &h), DBS_OK);
  EXPECT_EQ(LevelName(2, 4), u"Last");
}

}  // namespace
}  // namespace zephra
