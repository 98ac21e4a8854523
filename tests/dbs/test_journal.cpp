// Steps taken back and made again byte for byte: a long editing session over
// every record family, writes that overlap within a step, changes outside a
// step, and the end of the journal with its database.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "db_fixture.h"
#include "dbs/checksum.h"
#include "dbs/entry.h"
#include "dbs/records/sources.h"
#include "journal_script.h"
#include "zephra/zephra_journal.h"

namespace zephra {
namespace {

using test::Str;

struct JournalTest : test::DbTest {
  std::vector<std::uint8_t> FileBytes() { return test::FileBytes(TheSlot()); }
  ZephraJournalState State() { return test::JournalState(h); }
  std::uint32_t Step(const std::function<void()>& change) { return test::InStep(h, change); }
  void Rename(std::int16_t level, std::int16_t source, std::u16string_view text) {
    test::script::SourceName(h, level, source, text);
  }
  std::uint32_t SourcePosition(std::uint16_t level, std::uint16_t source) {
    Db db(h, TheSlot());
    return SourcePos(db, 0, level, source);
  }
};

TEST_F(JournalTest, ASessionIsTakenBackAndMadeAgainByteForByte) {
  const auto steps = test::EditingSession();
  ASSERT_GE(steps.size(), 30u);
  std::vector<std::vector<std::uint8_t>> states{FileBytes()};
  for (const auto& step : steps) {
    const std::uint32_t n = Step([&] { step.run(h); });
    ASSERT_EQ(n, states.size()) << step.what;  // every step changed something
    states.push_back(FileBytes());
  }
  EXPECT_EQ(State().undoSteps, steps.size());
  for (std::size_t i = steps.size(); i-- > 0;) {
    ASSERT_EQ(zephra_UndoStep(h), DBS_OK) << steps[i].what;
    ASSERT_TRUE(FileBytes() == states[i]) << "undoing " << steps[i].what;
  }
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(State().redoSteps, steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    ASSERT_EQ(zephra_RedoStep(h), DBS_OK) << steps[i].what;
    ASSERT_TRUE(FileBytes() == states[i + 1]) << "redoing " << steps[i].what;
  }
  EXPECT_EQ(zephra_RedoStep(h), DBS_ERR_INVALID_ARGUMENT);
  // Half way back, then a new step: the rest can no longer be made again.
  for (int i = 0; i < 5; ++i) ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  EXPECT_EQ(Step([&] { Rename(0, 20, u"NEW"); }), steps.size() - 4);
  EXPECT_EQ(State().redoSteps, 0u);
  EXPECT_EQ(State().losses, 0u);
}

TEST_F(JournalTest, OverlappingWritesInAStepKeepTheFirstBytesAndTheLast) {
  const auto start = FileBytes();
  const std::uint32_t pos = SourcePosition(0, 1);
  Db db(h, TheSlot());
  std::uint8_t bytes[300];
  for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(zephra_BeginStep(h), DBS_OK);
  ASSERT_EQ(db.WriteBytes(pos + 100, bytes, 50), DBS_OK);
  ASSERT_EQ(db.WriteBytes(pos + 10, bytes + 7, 20), DBS_OK);
  ASSERT_EQ(db.WriteBytes(pos, bytes, 300), DBS_OK);       // over both and beyond
  ASSERT_EQ(db.WriteBytes(pos + 120, bytes, 80), DBS_OK);  // within
  std::uint32_t n = 0;
  ASSERT_EQ(zephra_EndStep(&n, h), DBS_OK);
  ASSERT_EQ(n, 1u);
  const auto after = FileBytes();
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  EXPECT_TRUE(FileBytes() == start);
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  EXPECT_TRUE(FileBytes() == after);
  std::uint32_t size = 0;
  ASSERT_EQ(zephra_GetStepSize(1, &size, h), DBS_OK);
  EXPECT_LE(size, 300u);
  EXPECT_GT(size, 0u);
  // Writes that end where they began keep nothing.
  const std::vector<std::uint8_t> old(TheSlot().db->image + pos, TheSlot().db->image + pos + 300);
  EXPECT_EQ(Step([&] {
              ASSERT_EQ(db.WriteBytes(pos + 5, bytes, 40), DBS_OK);
              ASSERT_EQ(db.WriteBytes(pos, old.data(), 300), DBS_OK);
            }),
            0u);
  EXPECT_EQ(State().undoSteps, 1u);
  EXPECT_EQ(State().redoSteps, 0u);
}

TEST_F(JournalTest, AChangeOutsideAStepLeavesStepsAloneUnlessItAltersTheirBytes) {
  const auto start = FileBytes();
  Step([&] { Rename(0, 1, u"ONE"); });
  Step([&] { Rename(0, 2, u"TWO"); });
  // Elsewhere: the steps stay and still take back exactly their own bytes.
  Rename(3, 30, u"ELSEWHERE");
  auto expected = FileBytes();
  {
    // The same bytes written again change nothing.
    Db db(h, TheSlot());
    const std::uint32_t pos = SourcePosition(0, 1);
    const std::vector<std::uint8_t> same(TheSlot().db->image + pos, TheSlot().db->image + pos + sizeof(SourceEntry));
    ASSERT_EQ(db.WriteBytes(pos, same.data(), same.size()), DBS_OK);
  }
  EXPECT_EQ(State().undoSteps, 2u);
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  // The file is the start with the change outside, and the checksums that gives.
  const std::uint32_t elsewhere = SourcePosition(3, 30);
  std::vector<std::uint8_t> startPlusOutside = start;
  std::copy_n(expected.begin() + elsewhere, sizeof(SourceEntry), startPlusOutside.begin() + elsewhere);
  std::uint32_t changed = 0;
  ChecksummedImage(startPlusOutside.data(), TheSlot().db->layout.blockCount, &changed).UpdateAllBlocks();
  EXPECT_TRUE(FileBytes() == startPlusOutside);
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  EXPECT_TRUE(FileBytes() == expected);
  // A change to a byte a step holds, undone or not, drops them all.
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  Rename(0, 2, u"CHANGED");
  const ZephraJournalState s = State();
  EXPECT_EQ(s.undoSteps, 0u);
  EXPECT_EQ(s.redoSteps, 0u);
  EXPECT_EQ(s.losses, 1u);
  EXPECT_EQ(s.bytesHeld, 0u);
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);
  // New steps start afresh.
  EXPECT_EQ(Step([&] { Rename(0, 3, u"THREE"); }), 1u);
}

TEST_F(JournalTest, ACancelledStepLeavesNothingBehind) {
  Step([&] { Rename(0, 1, u"KEPT"); });
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  const auto before = FileBytes();
  ASSERT_EQ(zephra_BeginStep(h), DBS_OK);
  for (const auto& step : test::EditingSession()) {
    if (step.what == "a sequence tree on a dial-up keypad") break;
    step.run(h);
  }
  ASSERT_EQ(zephra_CancelStep(h), DBS_OK);
  EXPECT_TRUE(FileBytes() == before);
  const ZephraJournalState s = State();
  EXPECT_EQ(s.stepOpen, 0u);
  EXPECT_EQ(s.undoSteps, 0u);
  EXPECT_EQ(s.redoSteps, 0u);  // a step begun drops what could be made again
  EXPECT_EQ(zephra_CancelStep(h), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(JournalTest, CallsOutOfTurnAndBadArguments) {
  std::uint32_t n = 0;
  EXPECT_EQ(zephra_EndStep(&n, h), DBS_ERR_INVALID_ARGUMENT);
  ASSERT_EQ(zephra_BeginStep(h), DBS_OK);
  EXPECT_EQ(zephra_BeginStep(h), DBS_ERR_INVALID_ARGUMENT);
  Rename(0, 1, u"OPEN");
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);  // not while a step is open
  EXPECT_EQ(zephra_EndStep(nullptr, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(State().stepOpen, 1u);
  ASSERT_EQ(zephra_EndStep(&n, h), DBS_OK);
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(zephra_GetStepSize(2, &n, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zephra_GetStepSize(0, &n, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zephra_GetStepSize(1, nullptr, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(zephra_GetJournalState(nullptr, h), DBS_ERR_INVALID_ARGUMENT);
  ZephraJournalState s{};
  for (DbsHandle bad : {-1, 10, 7}) {
    EXPECT_EQ(zephra_BeginStep(bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_EndStep(&n, bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_CancelStep(bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_UndoStep(bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_RedoStep(bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_ClearJournal(bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_GetJournalState(&s, bad), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(zephra_GetStepSize(1, &n, bad), DBS_ERR_INVALID_DATABASE);
  }
  // Clearing forgets an open step too; its change stays.
  ASSERT_EQ(zephra_BeginStep(h), DBS_OK);
  Rename(0, 2, u"STAYS");
  ASSERT_EQ(zephra_ClearJournal(h), DBS_OK);
  s = State();
  EXPECT_EQ(s.stepOpen + s.undoSteps + s.redoSteps, 0u);
  Str name(u"........");
  const TSourceIndexRecord at{0, 0, 2};
  ASSERT_EQ(dbs_GetSourceName(&at, name, h), DBS_OK);
  EXPECT_EQ(name.Text().substr(0, 5), u"STAYS");
}

TEST_F(JournalTest, TheJournalEndsWithItsDatabase) {
  Step([&] { Rename(0, 1, u"BEFORE"); });
  // Save as goes on with the same bytes in the new file: the steps go along.
  const std::string copy = dir.File("copy.ZP3");
  ASSERT_EQ(dbs_SaveFile(Str(copy), 0, &h), DBS_OK);
  const auto saved = FileBytes();
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  EXPECT_TRUE(FileBytes() == saved);
  // Closed and opened again: nothing to take back.
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(copy), 1, &h), DBS_OK);
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(State().undoSteps, 0u);
  EXPECT_EQ(State().losses, 0u);
  // Reconfigured: the new database starts without steps.
  Step([&] { Rename(0, 1, u"AFTER"); });
  ConfigImage wider = TheSlot().db->config;
  wider.sourceCount[0][0] = 40;
  test::CallConfig call(wider);
  ASSERT_EQ(dbs_ReconfigureFile(Str(dir.File("wider.ZP3")), &call.record, 0, &h), DBS_OK);
  EXPECT_EQ(State().undoSteps, 0u);
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);
  path = dir.File("wider.ZP3");
}

TEST_F(JournalTest, AReadOnlyDatabaseTakesNoSteps) {
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK);
  EXPECT_EQ(zephra_BeginStep(h), DBS_SYS_ACCESS_DENIED);
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace zephra
