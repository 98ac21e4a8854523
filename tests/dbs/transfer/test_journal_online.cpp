// Steps taken back and made again while on-line with the simulated
// controller: the controller is told what changed in its image and its
// parameter areas and ends up holding what the file downloads; a level type
// taken back restarts it; a failed send leaves the file changed and says so;
// a full upload ends the journal.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>

#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../journal_script.h"
#include "online_fixture.h"
#include "dbs/transfer/controller_changes.h"
#include "dbs/transfer/controller_image.h"
#include "sim/ctlsim.h"
#include "zephra/zephra_journal.h"

namespace zephra {
namespace {

using test::Str;

struct JournalOnLineTest : test::DbTest {
  ctlsim::Simulator sim{DBS_TYPE_V3};

  virtual ConfigImage Configuration() { return test::EditorDefaultV3(); }
  void SetUp() override {
    setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
    Make(Configuration());
    ASSERT_TRUE(sim.Start());
    {
      Db db(h, TheSlot());
      sim.SetMemory(0, EncodeControllerImage(db));
      for (int a = 1; a <= 3; ++a) sim.SetMemory(ParameterAreaAddress(Format(), a), EncodeParameterArea(db, a));
    }
    ASSERT_EQ(GoOnLine(), DBS_OK);
  }
  void TearDown() override {
    test::DbTest::TearDown();
    sim.Stop();
  }
  const FormatInfo& Format() { return *TheSlot().db->format; }
  DbsStatus GoOnLine() { return test::GoOnLineTo(sim, h); }
  std::vector<std::uint8_t> FileBytes() { return test::FileBytes(TheSlot()); }
  ZephraJournalState State() { return test::JournalState(h); }
  // The controller's image and parameter areas are what the file downloads.
  ::testing::AssertionResult ControllerAgrees() {
    State();  // the journal is there to build the content with
    Db db(h, TheSlot());
    const ControllerContent want = ControllerContentOf(db);
    const auto memory = sim.Memory();
    const std::uint32_t size = Format().controllerMap->imageSize;
    for (std::uint32_t i = 0; i < size; ++i) {
      if (memory[i] != want.image[i]) return ::testing::AssertionFailure() << "image differs at " << i;
    }
    for (int a = 1; a <= 3; ++a) {
      const std::uint32_t at = ParameterAreaAddress(Format(), a);
      const auto& area = want.parameters[a - 1];
      for (std::size_t i = 0; i < area.size(); ++i) {
        if (memory[at + i] != area[i]) return ::testing::AssertionFailure() << "area " << a << " differs at " << i;
      }
    }
    return ::testing::AssertionSuccess();
  }
  std::uint32_t Step(const std::function<void()>& change) { return test::InStep(h, change); }
};

TEST_F(JournalOnLineTest, ASessionTakenBackAndMadeAgainKeepsTheControllerInAgreement) {
  const auto steps = test::EditingSession();
  const auto start = FileBytes();
  for (const auto& step : steps) ASSERT_GT(Step([&] { step.run(h); }), 0u) << step.what;
  const auto end = FileBytes();
  // The last step changed a level type: taking it back restarts the controller.
  const int restarts = sim.Restarts();
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  EXPECT_EQ(sim.Restarts(), restarts + 1);
  for (std::size_t i = steps.size() - 1; i-- > 0;) ASSERT_EQ(zephra_UndoStep(h), DBS_OK) << steps[i].what;
  EXPECT_TRUE(FileBytes() == start);
  EXPECT_TRUE(ControllerAgrees());
  EXPECT_EQ(GoOnLine(), DBS_OK);  // the block checksums compare equal
  for (const auto& step : steps) ASSERT_EQ(zephra_RedoStep(h), DBS_OK) << step.what;
  EXPECT_TRUE(FileBytes() == end);
  EXPECT_TRUE(ControllerAgrees());
  EXPECT_EQ(State().losses, 0u);
  // Going on-line now builds the image for real: the UMD whose keypad was set
  // by hand to one it cannot keep is given one, in the file, over a byte a
  // step holds. The journal is dropped and says so.
  EXPECT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(State().losses, 1u);
  EXPECT_EQ(State().undoSteps, 0u);
}

TEST_F(JournalOnLineTest, OnlyWhatChangedIsSent) {
  Step([&] { test::script::SourceName(h, 2, 9, u"CAMERA 1"); });
  const std::size_t frames = sim.CountReceived(0x20);
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  EXPECT_EQ(sim.CountReceived(0x20), frames + 1);  // one 8-byte name
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  EXPECT_EQ(sim.CountReceived(0x20), frames + 2);
  EXPECT_TRUE(ControllerAgrees());
  // A whole level's names: one frame per name, none longer than 128 bytes.
  Step([&] {
    for (std::int16_t s = 0; s < 32; ++s) test::script::SourceName(h, 0, s, u"PASTED");
  });
  const std::size_t before = sim.Received().size();
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  const auto received = sim.Received();
  std::size_t tables = 0;
  for (std::size_t i = before; i < received.size(); ++i) {
    if (tolvex::FrameCommand(received[i]) != 0x20) continue;
    ++tables;
    EXPECT_LE(tolvex::FrameBody(received[i])[0], 128);
  }
  EXPECT_EQ(tables, 32u);
  EXPECT_TRUE(ControllerAgrees());
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(JournalOnLineTest, AFailedSendLeavesTheFileChangedAndTheStepTaken) {
  const auto start = FileBytes();
  // Eight characters: the name the controller holds.
  Step([&] { test::script::SourceName(h, 1, 3, u"LOST ONE"); });
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 100});
  EXPECT_NE(zephra_UndoStep(h), DBS_OK);
  sim.ClearFaults();
  EXPECT_TRUE(FileBytes() == start);
  EXPECT_EQ(State().undoSteps, 0u);
  EXPECT_EQ(State().redoSteps, 1u);
  EXPECT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);  // the controller kept the step
  // Made again, the controller holds the name once more and agrees.
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(JournalOnLineTest, AFullUploadEndsTheJournalAndAFailedOneKeepsIt) {
  Step([&] { test::script::SourceName(h, 1, 3, u"UPLOADED"); });
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x1F, 0, 100});  // every table read refused
  EXPECT_NE(dbs_Upload(h, nullptr), DBS_OK);
  sim.ClearFaults();
  EXPECT_EQ(State().undoSteps, 1u);
  ASSERT_EQ(dbs_Upload(h, nullptr), DBS_OK);
  EXPECT_EQ(State().undoSteps, 0u);
  EXPECT_EQ(zephra_UndoStep(h), DBS_ERR_INVALID_ARGUMENT);
}

// With a fourth general port: the one the PC is connected through.
struct JournalPcPortTest : JournalOnLineTest {
  ConfigImage Configuration() override {
    ConfigImage c = test::EditorDefaultV3();
    c.generalPortCount = 4;
    return c;
  }
  speed_t PcSpeed() {
    const auto line = sim.PcLine();
    return line ? cfgetospeed(&*line) : B0;
  }
};

TEST_F(JournalPcPortTest, ThePcFollowsItsOwnPortWhenAStepOnItIsTakenBack) {
  TGeneralPortRecord r{};
  ASSERT_EQ(dbs_GetGeneralPort(3, &r, h), DBS_OK);
  ASSERT_EQ(r.baudRate, 38400u);
  r.baudRate = 57600;
  Step([&] { ASSERT_EQ(dbs_SetGeneralPort(3, &r, h), DBS_OK); });
  EXPECT_EQ(PcSpeed(), B57600);
  const int restarts = sim.Restarts();
  ASSERT_EQ(zephra_UndoStep(h), DBS_OK);
  EXPECT_EQ(PcSpeed(), B38400);
  EXPECT_EQ(sim.Restarts(), restarts + 1);
  ASSERT_EQ(zephra_RedoStep(h), DBS_OK);
  EXPECT_EQ(PcSpeed(), B57600);
  EXPECT_EQ(sim.Restarts(), restarts + 2);
  EXPECT_TRUE(ControllerAgrees());
}

}  // namespace
}  // namespace zephra
