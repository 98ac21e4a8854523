// The router commands (parameters, crosspoints, diagnostics, names,
// checksums, restarts) against the simulated controller, and what the
// faults of a real line make of them.
#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "dbs/checksum.h"
#include "dbs/layout.h"
#include "link_fixture.h"

namespace {

using namespace linktest;
using namespace std::chrono_literals;

std::string Narrow(const char16_t* text, std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(text[i]);
  return s;
}

TEST_F(LinkTest, ParametersAreWrittenAndReadBack) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  const TolvexItemRecord source{1, 2, 300}, dest{3, 4, 1500}, trigger{0, 0, 20000};
  EXPECT_EQ(SetSourceParam(&source, 7, 0), DBS_OK);
  EXPECT_EQ(SetDestParam(&dest, 0x10, 0), DBS_OK);
  EXPECT_EQ(SetTrigger(&trigger, 1, 0), DBS_OK);
  EXPECT_EQ(sim.Parameter(0, 1, 2, 300), 7);
  EXPECT_EQ(sim.Parameter(1, 3, 4, 1500), 0x10);
  EXPECT_EQ(sim.Parameter(2, 0, 0, 20000), 1);
  // Matrix 0's parameters are bytes of the controller's parameter areas.
  const TolvexItemRecord audio{0, 1, 5};
  EXPECT_EQ(SetSourceParam(&audio, 0x42, 0), DBS_OK);
  const zephra::FormatInfo& v3 = *zephra::FindFormat(DBS_TYPE_V3);
  EXPECT_EQ(sim.Memory()[v3.controllerMap->ctlParamArea1 + v3.maxDests[0] + 5], 0x42);
  std::uint8_t value = 0;
  EXPECT_EQ(GetSourceParam(&source, &value, 0), DBS_OK);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(GetDestParam(&dest, &value, 0), DBS_OK);
  EXPECT_EQ(value, 0x10);
  EXPECT_EQ(GetTrigger(&trigger, &value, 0), DBS_OK);
  EXPECT_EQ(value, 1);
  // Items the frame cannot carry are refused before anything is sent.
  const auto before = sim.Received().size();
  const TolvexItemRecord wideDest{0, 0, 2048}, wideMatrix{16, 0, 1};
  EXPECT_EQ(SetDestParam(&wideDest, 1, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(GetSourceParam(&wideMatrix, &value, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(GetSourceParam(&source, nullptr, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(SetSourceParam(nullptr, 1, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(sim.Received().size(), before);
  EXPECT_EQ(reported, 0);
}

TEST_F(LinkTest, ParameterRepliesForOtherItemsDoNotAnswer) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  const TolvexItemRecord item{0, 1, 5};
  std::uint8_t value = 0;
  sim.AddFault({Fault::Kind::OtherItem, 0x19, 0, 1});
  EXPECT_EQ(GetSourceParam(&item, &value, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(lastReported, DBS_ERR_INVALID_ARGUMENT);
  reported = 0;
  sim.AddFault({Fault::Kind::OtherItem, 0x1B, 0, 1});
  EXPECT_EQ(SetSourceParam(&item, 3, 0), DBS_ERR_NO_MATCHING_REPLY);
  EXPECT_EQ(reported, 0);  // a set command's mismatch is not reported
  sim.AddFault({Fault::Kind::Silent, 0x1B, 0, 100});
  EXPECT_EQ(SetSourceParam(&item, 3, 0), DBS_ERR_TIMEOUT);
  EXPECT_EQ(lastReported, DBS_ERR_TIMEOUT);
  sim.ClearFaults();
  EXPECT_EQ(SetSourceParam(&item, 3, 0), DBS_OK);
}

struct Heard {
  std::mutex lock;
  std::condition_variable wake;
  std::vector<std::array<std::uint16_t, 4>> calls;
};
Heard heard;

TEST_F(LinkTest, CrosspointsAreSwitchedInterrogatedAndHeard) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  {
    std::lock_guard lock(heard.lock);
    heard.calls.clear();
  }
  ASSERT_EQ(ListenForConnected(
                [](std::uint16_t m, std::uint16_t l, std::uint16_t d, std::uint16_t s) {
                  std::lock_guard lock(heard.lock);
                  heard.calls.push_back({m, l, d, s});
                  heard.wake.notify_all();
                },
                0),
            DBS_OK);
  EXPECT_EQ(SetCrosspoint(1, 2, 1500, 700, 0), DBS_OK);
  EXPECT_EQ(sim.Crosspoint(1, 2, 1500), 700);
  std::uint16_t source = 0;
  EXPECT_EQ(GetTally(1, 2, 1500, &source, 0), DBS_OK);
  EXPECT_EQ(source, 700);
  sim.Switch(0, 3, 5, 6);  // a panel switches: the controller tells the PC
  {
    std::unique_lock lock(heard.lock);
    ASSERT_TRUE(heard.wake.wait_for(lock, 2s, [] { return heard.calls.size() >= 2; }));
    EXPECT_EQ(heard.calls[0], (std::array<std::uint16_t, 4>{1, 2, 1500, 700}));
    EXPECT_EQ(heard.calls[1], (std::array<std::uint16_t, 4>{0, 3, 5, 6}));
  }
  // Tallies for other destinations before the one asked for are passed over.
  sim.AddFault({Fault::Kind::Unsolicited, 0x01, 0, 1});
  EXPECT_EQ(GetTally(1, 2, 1500, &source, 0), DBS_OK);
  EXPECT_EQ(source, 700);
  // No tally at all.
  sim.AddFault({Fault::Kind::AckOnly, 0x01, 0, 1});
  EXPECT_EQ(GetTally(1, 2, 1500, &source, 0), DBS_ERR_INVALID_ARGUMENT);
  // A protected destination keeps its source until protects are cleared.
  sim.Protect(1, 2, 1500);
  EXPECT_EQ(SetCrosspoint(1, 2, 1500, 9, 0), DBS_OK);
  EXPECT_EQ(sim.Crosspoint(1, 2, 1500), 700);
  EXPECT_EQ(ClearProtects(255, 255, 0), DBS_OK);
  EXPECT_FALSE(sim.Protected(1, 2, 1500));
  EXPECT_EQ(SetCrosspoint(1, 2, 1500, 9, 0), DBS_OK);
  EXPECT_EQ(sim.Crosspoint(1, 2, 1500), 9);
  EXPECT_EQ(SetCrosspoint(1, 2, 2048, 0, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(GetTally(1, 2, 0, nullptr, 0), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(LinkTest, DiagnosticsAreBoundedByWhatArrived) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  std::uint8_t buffer[300];
  std::fill(std::begin(buffer), std::end(buffer), 0xEE);
  ASSERT_EQ(GetSoftwareVersion(buffer, 255, 0), DBS_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 2), "BOOT 1.02");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 12), "MAIN 4.21");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer) + 22), "ZEPHRA OEM");
  EXPECT_EQ(buffer[254], 0);
  EXPECT_EQ(buffer[255], 0xEE);  // nothing past the length asked for
  ASSERT_EQ(GetPanelDiagnostics(buffer, 8, 0), DBS_OK);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 8), (std::vector<std::uint8_t>{1, 1, 2, 1, 3, 1, 4, 1}));
  ASSERT_EQ(GetInstalledModulesStatus(buffer, 6, 0), DBS_OK);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 6), (std::vector<std::uint8_t>{0x0F, 0x03, 0x00, 0x01, 0, 0}));
  ASSERT_EQ(GetPrimaryMatrixDiagnostics(buffer, 3, 0), DBS_OK);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 3), (std::vector<std::uint8_t>{0xFF, 0x7F, 0}));
  ASSERT_EQ(GetSecondaryMatrixDiagnostics(1, buffer, 4, 0), DBS_OK);
  ASSERT_EQ(GetSwitchSettings(buffer, 2, 0), DBS_OK);
  EXPECT_EQ(buffer[0], 0xA5);
  // A reply promising 65535 items delivers the few it holds, and a reply for
  // another request never answers this one.
  sim.AddFault({Fault::Kind::Lying, 0x29, 0, 1});
  std::fill(std::begin(buffer), std::end(buffer), 0xEE);
  ASSERT_EQ(GetPanelDiagnostics(buffer, 300, 0), DBS_OK);
  EXPECT_EQ(buffer[3], 0x01);
  EXPECT_EQ(buffer[255], 0);
  EXPECT_EQ(buffer[256], 0xEE);
  sim.AddFault({Fault::Kind::OtherItem, 0x29, 0, 1});
  EXPECT_EQ(GetSoftwareVersion(buffer, 255, 0), DBS_ERR_COMMS);
  EXPECT_EQ(GetSoftwareVersion(nullptr, 255, 0), DBS_ERR_INVALID_ARGUMENT);
}

// The first data byte is the number of checksums; that many follow, high
// byte first, and no more than the caller has room for or the reply holds.
TEST_F(LinkTest, EpromChecksumsAreCountedByTheFirstDataByte) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  std::uint16_t sums[8];
  std::fill(std::begin(sums), std::end(sums), 0xAAAA);
  ASSERT_EQ(GetEpromChecksums(sums, 8, 0), DBS_OK);  // the controller has 3
  EXPECT_EQ(std::vector<std::uint16_t>(sums, sums + 8),
            (std::vector<std::uint16_t>{0x1234, 0xBEEF, 0x0010, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA}));
  std::fill(std::begin(sums), std::end(sums), 0xAAAA);
  ASSERT_EQ(GetEpromChecksums(sums, 2, 0), DBS_OK);
  EXPECT_EQ(sums[1], 0xBEEF);
  EXPECT_EQ(sums[2], 0xAAAA);
  // A reply claiming 255 checksums gives the three it holds.
  sim.AddFault({Fault::Kind::Lying, 0x29, 0, 1});
  std::fill(std::begin(sums), std::end(sums), 0xAAAA);
  ASSERT_EQ(GetEpromChecksums(sums, 8, 0), DBS_OK);
  EXPECT_EQ(sums[1], 0xBEEF);
  EXPECT_EQ(sums[2], 0x0010);
  EXPECT_EQ(sums[3], 0xAAAA);
}

TEST_F(LinkTest, NamesComeFromTheControllerSpaceFilled) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.SetSourceName(0, 1, 42, "CAM 1");
  char16_t name[256];
  ASSERT_EQ(GetSourceName(0, 1, 8, 42, name, 0), DBS_OK);
  EXPECT_EQ(Narrow(name, 8), "CAM 1   ");
  sim.SetSourceName(0, 1, 300, "VTR SEVEN");  // a slot of the upper source area
  ASSERT_EQ(GetSourceName(0, 1, 16, 300, name, 0), DBS_OK);  // 12 characters arrive
  EXPECT_EQ(Narrow(name, 16), "VTR SEVE        ");
  const zephra::FormatInfo& v3 = *zephra::FindFormat(DBS_TYPE_V3);
  sim.SetMemory(v3.controllerMap->ctlDestAssocArea + 8 * 9, {'M', 'O', 'N', ' ', '9', ' ', ' ', ' '});
  ASSERT_EQ(GetDestAssocName(0, 8, 9, name, 0), DBS_OK);
  EXPECT_EQ(Narrow(name, 8), "MON 9   ");
  sim.AddFault({Fault::Kind::OtherItem, 0x65, 0, 1});
  EXPECT_EQ(GetSourceName(0, 1, 8, 42, name, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(lastReported, DBS_ERR_INVALID_ARGUMENT);
  // A reply claiming 1024 characters gives no more than it holds.
  sim.AddFault({Fault::Kind::Lying, 0x65, 0, 1});
  ASSERT_EQ(GetSourceName(0, 1, 255, 42, name, 0), DBS_OK);
  EXPECT_EQ(Narrow(name, 5), "CAM 1");
  EXPECT_EQ(name[254], u' ');
  EXPECT_EQ(GetSourceName(0, 1, 0, 42, name, 0), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(LinkTest, ChecksumRepliesMustCoverTheBlocksAskedFor) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.SetMemory(0, std::vector<std::uint8_t>(300 * 1024, 0x5C));
  const auto expected = zephra::BlockChecksums({sim.Memory().data(), sim.ImageSize()});
  std::vector<std::uint16_t> sums(200);
  ASSERT_EQ(GetByteChecksums(0, 200, sums.data(), 0), DBS_OK);
  EXPECT_TRUE(std::equal(sums.begin(), sums.end(), expected.begin()));
  ASSERT_EQ(GetWordChecksums(300, 100, sums.data(), 0), DBS_OK);
  EXPECT_TRUE(std::equal(sums.begin(), sums.begin() + 100, expected.begin() + 300));
  EXPECT_EQ(GetByteChecksums(200, 57, sums.data(), 0), DBS_ERR_INVALID_ARGUMENT);
  for (Fault::Kind kind : {Fault::Kind::OtherItem, Fault::Kind::Lying}) {
    sim.AddFault({kind, 0x27, 0, 1});
    EXPECT_EQ(GetWordChecksums(0, 10, sums.data(), 0), DBS_ERR_COMMS);
    sim.AddFault({kind, 0x21, 0, 1});
    EXPECT_EQ(GetByteChecksums(0, 10, sums.data(), 0), DBS_ERR_COMMS);
  }
  std::uint32_t size = 0;
  ASSERT_EQ(GetMemorySize(0, &size, 0), DBS_OK);
  EXPECT_EQ(size, 0x100000u);
}

TEST_F(LinkTest, RestartsAreAwaited) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  ASSERT_EQ(StartDownload(0), DBS_OK);
  EXPECT_TRUE(sim.Downloading());
  EXPECT_EQ(StopDownload(0), DBS_OK);
  EXPECT_EQ(sim.Restarts(), 1);
  // A controller that takes the stop without announcing its restart.
  sim.AddFault({Fault::Kind::AckOnly, 0x26, 0, 1});
  EXPECT_EQ(StopDownload(0), DBS_OK);
  sim.AddFault({Fault::Kind::Silent, 0x26, 0, 10});
  EXPECT_EQ(StopDownload(0), DBS_ERR_COMMS);
  EXPECT_EQ(lastReported, DBS_ERR_COMMS);
  EXPECT_EQ(SoftReset(0), DBS_OK);
  EXPECT_EQ(sim.Restarts(), 3);  // the silent stop never reached it
  sim.AddFault({Fault::Kind::AckOnly, 0x07, 0, 1});
  EXPECT_EQ(SoftReset(0), DBS_ERR_COMMS);
  EXPECT_EQ(HardReset(0), DBS_OK);
  EXPECT_EQ(ClearProtects(255, 255, 0), DBS_OK);
  EXPECT_EQ(ConfigureInstalledModules(1, 2, 0), DBS_OK);
  EXPECT_EQ(TransferDatabase(0), DBS_OK);
  sim.SetDualStatus(0x01, 0x80);
  std::uint16_t dual = 0;
  EXPECT_EQ(GetDualControllerStatus(&dual, 0), DBS_OK);
  EXPECT_EQ(dual, 0x8001);  // the first byte received in the low half
}

TEST_F(LinkTest, EveryReplyIsAcknowledged) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  std::uint8_t reply[16];
  std::this_thread::sleep_for(100ms);  // the version reply's acknowledgement is in
  const int before = sim.AcksReceived();
  for (int i = 0; i < 10; ++i) ASSERT_EQ(GetTableData(reply, 0, 4, 0), DBS_OK);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(sim.AcksReceived() - before, 10);
  // A reply without its acknowledgement: the request goes again and is
  // answered again; the command takes one answer.
  sim.AddFault({Fault::Kind::NoAck, 0x1F, 0, 1});
  ASSERT_EQ(GetTableData(reply, 0, 4, 0), DBS_OK);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(CountReceived(0x1F), 12u);
  EXPECT_EQ(GetTableData(reply, 4, 4, 0), DBS_OK);
  EXPECT_EQ(reply[2], 4);
}

TEST_F(LinkTest, NoiseOnTheLineIsPassedOver) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.SetMemory(0x300, {0x10, 0x03, 0x10, 0x02});
  std::uint8_t reply[16];
  for (Fault::Kind kind : {Fault::Kind::Garbage, Fault::Kind::OverLong, Fault::Kind::Unsolicited}) {
    sim.AddFault({kind, 0x1F, 0, 1});
    ASSERT_EQ(GetTableData(reply, 0x300, 4, 0), DBS_OK);
    EXPECT_EQ(std::vector<std::uint8_t>(reply + 3, reply + 7), (std::vector<std::uint8_t>{0x10, 0x03, 0x10, 0x02}));
  }
  // A reply cut short, or one that promises more than it holds, never gives
  // wrong data (a repeated request may still be answered soundly); the next
  // command is answered by its own reply.
  for (Fault::Kind kind : {Fault::Kind::CutReply, Fault::Kind::Lying, Fault::Kind::OtherItem}) {
    sim.AddFault({kind, 0x1F, 0, 1});
    std::fill(std::begin(reply), std::end(reply), 0);
    const auto status = GetTableData(reply, 0x300, 4, 0);
    if (status == DBS_OK) {
      EXPECT_EQ(std::vector<std::uint8_t>(reply + 3, reply + 7), (std::vector<std::uint8_t>{0x10, 0x03, 0x10, 0x02}));
    } else {
      EXPECT_EQ(status, DBS_ERR_COMMS);
    }
    ASSERT_EQ(GetTableData(reply, 0x301, 2, 0), DBS_OK) << static_cast<int>(kind);
    EXPECT_EQ(reply[2], 0x01);
    EXPECT_EQ(reply[3], 0x03);
  }
}

TEST_F(LinkTest, ALateReplyNeverAnswersTheNextCommand) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.SetMemory(0x400, {1, 2, 3, 4});
  sim.AddFault({Fault::Kind::Delay, 0x1F, 0, 1, FastTiming().replyMs + 200});  // past the limit
  std::uint8_t reply[16];
  EXPECT_EQ(GetTableData(reply, 0x400, 2, 0), DBS_ERR_COMMS);
  ASSERT_EQ(GetTableData(reply, 0x402, 2, 0), DBS_OK);
  EXPECT_EQ(reply[2], 0x02);
  EXPECT_EQ(reply[3], 3);
}

TEST_F(LinkTest, ADeafControllerRecovers) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.AddFault({Fault::Kind::Deaf, 0x2D, 0, 1});
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_ERR_COMMS);
  const std::uint8_t data[2] = {1, 2};
  EXPECT_EQ(SetTableData(data, 0, 2, 0), DBS_ERR_TIMEOUT);
  sim.ClearFaults();
  EXPECT_EQ(SetTableData(data, 0, 2, 0), DBS_OK);
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_OK);
}

TEST_F(LinkTest, OffLineWakesAWaitingCommand) {
  tolvex::Timing slow = FastTiming();
  slow.replyMs = 20000;
  tolvex::SetLinkTimingForTests(slow);
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.AddFault({Fault::Kind::Silent, 0x2D, 0, 100});
  std::uint32_t status = 0;
  std::thread waiting([&] {
    std::uint8_t version[8];
    status = GetDatabaseVersion(version, 0);
  });
  std::this_thread::sleep_for(200ms);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OffLine(0), DBS_OK);
  waiting.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(status, DBS_ERR_COMMS);
  tolvex::SetLinkTimingForTests(FastTiming());
  sim.ClearFaults();
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(LinkTest, CommandsFromTwoThreadsTakeTurns) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.SetMemory(0x800, std::vector<std::uint8_t>(256, 0x33));
  std::atomic<int> failures{0};
  auto work = [&](std::uint32_t base) {
    std::uint8_t reply[64];
    const std::uint8_t data[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    for (int i = 0; i < 20; ++i) {
      if (GetTableData(reply, 0x800, 32, 0) != DBS_OK || reply[3] != 0x33) ++failures;
      if (SetTableData(data, base + static_cast<std::uint32_t>(i) * 8, 8, 0) != DBS_OK) ++failures;
    }
  };
  std::thread a(work, 0x1000), b(work, 0x2000);
  a.join();
  b.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(sim.Memory()[0x2000 + 19 * 8], 9);
}

// A controller set to 9600 baud does not hear a PC at 115200; going
// on-line finds it by the speed search.
TEST(LinkSpeed, TheSearchFindsTheControllersSpeed) {
  tolvex::SetLinkTimingForTests(FastTiming());
  ctlsim::Options options;
  options.baud = 9600;
  Simulator sim(options);
  ASSERT_TRUE(sim.Start());
  const std::u16string port = Utf16(sim.PortPath());
  const TolvexPortSettings s = Settings(115200);
  ASSERT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 2), DBS_OK);
  EXPECT_EQ(sim.CountReceived(0x2D), 1u);  // only the request at its speed was heard
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 2), DBS_OK);
  // The controller changes speed under the link: it is not heard until the
  // link goes on-line again and searches.
  sim.AddFault({Fault::Kind::ChangeSpeed, 0x2D, 0, 1, 38400});
  EXPECT_EQ(GetDatabaseVersion(version, 2), DBS_ERR_COMMS);
  EXPECT_EQ(OffLine(2), DBS_OK);
  ASSERT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 2), DBS_OK);
  EXPECT_EQ(GetDatabaseVersion(version, 2), DBS_OK);
  EXPECT_EQ(OffLine(2), DBS_OK);
  sim.Stop();
  tolvex::SetLinkTimingForTests(tolvex::Timing{});
}

// Giving up while the link waits for a silent controller ends the search at
// once, the port closed, however long the wait would have been; the next
// search starts afresh.
TEST_F(LinkTest, GivingUpEndsTheWaitAtOnce) {
  sim.AddFault({Fault::Kind::Silent, 0x2D, 0, 1000});
  const std::u16string port = Utf16(sim.PortPath());
  const TolvexPortSettings s = Settings(115200);
  tolvex::Timing slow = FastTiming();
  slow.replyMs = 20000;
  tolvex::SetLinkTimingForTests(slow);
  static std::vector<int32_t> stages;
  const auto giveUpAtThird = [](int32_t stage, int32_t* keepGoing) {
    stages.push_back(stage);
    if (stages.size() >= 3) *keepGoing = 0;
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OnLine(port.c_str(), &s, OnError, giveUpAtThird, 0), DBS_ERR_COMMS);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(stages, (std::vector<int32_t>{115200, 115200, 115200}));
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_ERR_INVALID_ARGUMENT);  // nothing is left on-line
  tolvex::SetLinkTimingForTests(FastTiming());
  sim.ClearFaults();
  EXPECT_EQ(OnLine(port.c_str(), &s, OnError, giveUpAtThird, 0), DBS_OK);
}

// The PC's own port given a new speed in the controller's memory: the
// controller acknowledges at the old speed, then listens at the new one.
TEST(LinkSpeed, TheControllerTakesThePCPortsNewSpeed) {
  tolvex::SetLinkTimingForTests(FastTiming());
  ctlsim::Options options;
  options.baud = 38400;
  Simulator sim(options);
  ASSERT_TRUE(sim.Start());
  const std::u16string port = Utf16(sim.PortPath());
  TolvexPortSettings s = Settings(38400);
  ASSERT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 3), DBS_OK);
  const zephra::FormatInfo& v3 = *zephra::FindFormat(DBS_TYPE_V3);
  const std::uint8_t slot2[2] = {0x06, 14};  // multi-drop at 9600 baud
  ASSERT_EQ(SetTableData(slot2, v3.controllerMap->ctlGeneralPortArea + 16, 2, 3), DBS_OK);
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 3), DBS_ERR_COMMS);
  s = Settings(9600);
  ASSERT_EQ(SetPortParameters(&s, 3), DBS_OK);
  EXPECT_EQ(GetDatabaseVersion(version, 3), DBS_OK);
  EXPECT_EQ(OffLine(3), DBS_OK);
  sim.Stop();
  tolvex::SetLinkTimingForTests(tolvex::Timing{});
}

}  // namespace
