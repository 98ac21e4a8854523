#include <gtest/gtest.h>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/records/salvo_chains.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

struct SalvoTest : test::DbTest {
  void SetUp() override {
    ConfigImage c = test::EditorDefaultV3();
    c.salvoXPCount = 5;  // a small pool to run out of
    Make(c);
  }
  std::uint16_t Count(std::uint16_t s) {
    std::uint16_t n = 99;
    EXPECT_EQ(dbs_GetNoMacroXPRecords(s, &n, h), DBS_OK);
    return n;
  }
  std::vector<std::int16_t> Sources(std::uint16_t s) {
    std::vector<std::int16_t> out;
    TMacroXPRecord r{};
    for (std::uint16_t n = 0; dbs_GetMacroXP(s, n, &r, h) == DBS_OK; ++n) out.push_back(r.source);
    return out;
  }
  std::int16_t FreeHead() {
    Db db(h, TheSlot());
    return SalvoPool(db).FreeHead();
  }
};

TEST_F(SalvoTest, OneCrosspointPerDestination) {
  TMacroXPRecord r{0, 1, 5, 7};
  EXPECT_EQ(dbs_SetMacroXP(2, &r, h), DBS_OK);
  r.source = 9;
  EXPECT_EQ(dbs_SetMacroXP(2, &r, h), DBS_OK);
  EXPECT_EQ(Count(2), 1);
  EXPECT_EQ(Sources(2), std::vector<std::int16_t>{9});
  TMacroXPRecord got{};
  EXPECT_EQ(dbs_GetMacroXP(2, 1, &got, h), DBS_ERR_SALVO_RECORD_NOT_FOUND);
  EXPECT_EQ(dbs_GetMacroXP(3, 0, &got, h), DBS_ERR_SALVO_EMPTY);
  r.source = 7;  // right destination, other source
  EXPECT_EQ(dbs_DeleteMacroXP(2, &r, h), DBS_ERR_SALVO_RECORD_NOT_FOUND);
}

TEST_F(SalvoTest, DeletedRecordsAreReusedFirst) {
  TMacroXPRecord a{0, 0, 1, 1}, b{0, 0, 2, 2}, c{0, 0, 3, 3}, d{0, 0, 4, 4};
  for (auto* r : {&a, &b, &c}) ASSERT_EQ(dbs_SetMacroXP(0, r, h), DBS_OK);
  EXPECT_EQ(FreeHead(), 3);
  ASSERT_EQ(dbs_DeleteMacroXP(0, &b, h), DBS_OK);
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1, 3}));
  EXPECT_EQ(FreeHead(), 1);  // b's record
  ASSERT_EQ(dbs_SetMacroXP(0, &d, h), DBS_OK);
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1, 3, 4}));
  Db db(h, TheSlot());
  SalvoPool pool(db);
  EXPECT_EQ(pool.Chain(pool.Header(0).firstXP), (std::vector<std::int16_t>{0, 2, 1}));
  EXPECT_EQ(pool.Header(0).xpCount, 3);
}

TEST_F(SalvoTest, AFullPoolRefusesNewCrosspointsOnly) {
  for (std::int16_t d = 0; d < 5; ++d) {
    const TMacroXPRecord r{0, 0, d, 1};
    ASSERT_EQ(dbs_SetMacroXP(1, &r, h), DBS_OK);
  }
  const TMacroXPRecord more{0, 0, 9, 1};
  EXPECT_EQ(dbs_SetMacroXP(4, &more, h), DBS_ERR_LIMIT_REACHED);
  EXPECT_EQ(Count(4), 0);
  const TMacroXPRecord change{0, 0, 2, 8};
  EXPECT_EQ(dbs_SetMacroXP(1, &change, h), DBS_OK);
  EXPECT_EQ(Sources(1), (std::vector<std::int16_t>{1, 1, 8, 1, 1}));
}

TEST_F(SalvoTest, OnLineEveryChangedRecordIsSent) {
  const TMacroXPRecord a{0, 0, 1, 1}, b{0, 0, 2, 2};
  ASSERT_EQ(dbs_SetMacroXP(0, &a, h), DBS_OK);
  LiveRecorder live(TheSlot(), {{"LiveMacroXP", sizeof(SalvoXPEntry)}, {"LiveMacroXPArea", 2}});
  ASSERT_EQ(dbs_SetMacroXP(0, &b, h), DBS_OK);
  EXPECT_EQ(LiveRecorder::Names(),
            (std::vector<std::string>{"LiveMacroXP", "LiveMacroXP", "LiveMacroXPArea", "LiveMacroStore"}));
  EXPECT_EQ(LiveRecorder::Calls()[0].As<SalvoXPEntry>().next, 1);  // a now leads to b
  EXPECT_EQ(LiveRecorder::Calls()[2].As<std::int16_t>(), 2);         // the new free head
}

TEST_F(SalvoTest, HeadersAndTriggerLines) {
  Str s(u"S1"), n(u"Salvo One");
  TMacroStoreRecord r{3, s, n, 42};
  EXPECT_EQ(dbs_SetMacroStore(3, &r, h), DBS_OK);
  EXPECT_EQ(dbs_SetMacroStore(2, &r, h), DBS_ERR_INVALID_ARGUMENT);
  Str s2(u"...."), n2(u"........");
  TMacroStoreRecord got{0, s2, n2, 0};
  EXPECT_EQ(dbs_GetMacroStore(3, &got, h), DBS_OK);
  EXPECT_EQ(n2.Text(), u"Salvo On");
  EXPECT_EQ(got.salvoData, 42);
  EXPECT_EQ(dbs_GetMacroStore(32, &got, h), DBS_ERR_INVALID_ARGUMENT);

  std::uint8_t lines[4] = {};
  EXPECT_EQ(dbs_GetTrigLines(lines, h), DBS_OK);
  EXPECT_EQ(lines[0], 0x8A);
  LiveRecorder live(TheSlot(), {});
  EXPECT_EQ(dbs_SetTrigLines(lines, h), DBS_OK);
  EXPECT_TRUE(LiveRecorder::Calls().empty());
  lines[3] = 6;
  EXPECT_EQ(dbs_SetTrigLines(lines, h), DBS_OK);
  EXPECT_EQ(LiveRecorder::Names(), std::vector<std::string>{"LiveTrigLines"});
}

// Damaged links in the file: a cycle, a link out of the pool, a free head
// out of the pool. Every operation answers, none runs away or writes outside.
TEST_F(SalvoTest, DamagedChainsAreBounded) {
  const TMacroXPRecord a{0, 0, 1, 1}, b{0, 0, 2, 2};
  ASSERT_EQ(dbs_SetMacroXP(0, &a, h), DBS_OK);
  ASSERT_EQ(dbs_SetMacroXP(0, &b, h), DBS_OK);
  Db db(h, TheSlot());
  SalvoPool pool(db);
  SalvoXPEntry second = pool.Record(1);
  second.next = 0;  // a cycle
  ASSERT_EQ(pool.WriteRecord(second), DBS_OK);
  EXPECT_EQ(Count(0), 2);
  const TMacroXPRecord c{0, 0, 3, 3};
  EXPECT_EQ(dbs_SetMacroXP(0, &c, h), DBS_OK);  // appended: the cycle is broken
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1, 2, 3}));

  second = pool.Record(1);
  second.next = 30000;  // out of the pool: the chain ends there
  ASSERT_EQ(pool.WriteRecord(second), DBS_OK);
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1, 2}));
  ASSERT_EQ(pool.WriteFreeHead(-7), DBS_OK);
  const TMacroXPRecord d{0, 0, 4, 4};
  EXPECT_EQ(dbs_SetMacroXP(0, &d, h), DBS_ERR_LIMIT_REACHED);
  EXPECT_EQ(dbs_DeleteMacroXP(0, &a, h), DBS_OK);
  EXPECT_EQ(pool.Record(0).next, -1);  // the bad free head is not carried on

  SalvoEntry header = pool.Header(5);
  header.firstXP = 4;  // a record on the free list, claimed by a header with a count of 0
  header.xpCount = 0;
  ASSERT_EQ(pool.WriteHeader(5, header), DBS_OK);
  const TMacroXPRecord never{9, 9, 9, 9};
  EXPECT_EQ(dbs_DeleteMacroXP(5, &never, h), DBS_ERR_SALVO_RECORD_NOT_FOUND);
  EXPECT_EQ(pool.Header(5).xpCount, 0);
}

// The crosspoints are read one by one from a chain walked once: what is
// read follows every change to the file, whichever salvo was read before.
TEST_F(SalvoTest, ReadingOneByOneFollowsEveryChange) {
  const TMacroXPRecord a{0, 0, 1, 1}, b{0, 0, 2, 2}, c{0, 0, 3, 3};
  ASSERT_EQ(dbs_SetMacroXP(0, &a, h), DBS_OK);
  ASSERT_EQ(dbs_SetMacroXP(1, &b, h), DBS_OK);
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1}));
  EXPECT_EQ(Sources(1), (std::vector<std::int16_t>{2}));
  TMacroXPRecord got{};
  ASSERT_EQ(dbs_GetMacroXP(0, 0, &got, h), DBS_OK);
  ASSERT_EQ(dbs_SetMacroXP(0, &c, h), DBS_OK);
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1, 3}));
  // A record changed behind the library's back, through the image's own write path.
  Db db(h, TheSlot());
  SalvoPool pool(db);
  SalvoXPEntry first = pool.Record(0);
  first.next = -1;
  ASSERT_EQ(pool.WriteRecord(first), DBS_OK);
  EXPECT_EQ(Sources(0), (std::vector<std::int16_t>{1}));
}

}  // namespace
}  // namespace zephra
