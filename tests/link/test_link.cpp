// The link against a simulated controller on a pseudo-terminal: going
// on-line, table writes and reads, checksums, and what each fault on the line
// ends in.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "dbs/checksum.h"
#include "link_fixture.h"

namespace {

using namespace linktest;

TEST_F(LinkTest, GoesOnLineAndReadsTheVersion) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  std::uint8_t version[8] = {};
  ASSERT_EQ(GetDatabaseVersion(version, 0), DBS_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 8), "ZP300.00");
  std::uint16_t dual = 0xFFFF;
  EXPECT_EQ(GetDualControllerStatus(&dual, 0), DBS_OK);
  EXPECT_EQ(dual, 0);
  // The same port and settings again is a no-op; off-line and on again works.
  EXPECT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(OffLine(0), DBS_OK);
  EXPECT_EQ(OffLine(0), DBS_OK);
  EXPECT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_OK);
  EXPECT_EQ(reported, 0);
}

TEST_F(LinkTest, CommandsNeedTheirSlotOnLine) {
  std::uint8_t buffer[300];
  EXPECT_EQ(GetTableData(buffer, 0, 16, 0), DBS_ERR_INVALID_ARGUMENT);
  ASSERT_EQ(GoOnLine(0), DBS_OK);
  EXPECT_EQ(GetTableData(buffer, 0, 16, 3), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(GetTableData(buffer, 0, 16, 10), DBS_ERR_INVALID_ARGUMENT);
  // A second slot cannot tear down the running link.
  EXPECT_EQ(GoOnLine(1), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(GetTableData(buffer, 0, 16, 0), DBS_OK);
  // Arguments out of range are refused before anything is sent.
  const auto before = sim.Received().size();
  EXPECT_EQ(GetTableData(buffer, 0, 0, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(GetTableData(buffer, 0, 251, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(SetTableData(buffer, 0, 245, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(SetTableData(nullptr, 0, 4, 0), DBS_ERR_INVALID_ARGUMENT);
  std::uint16_t sums[4];
  EXPECT_EQ(GetWordChecksums(4094, 4, sums, 0), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(sim.Received().size(), before);
}

TEST_F(LinkTest, RefusesSettingsTheControllerCannotUse) {
  const std::u16string port = Utf16(sim.PortPath());
  TolvexPortSettings s = Settings(12345);
  EXPECT_NE(OnLine(port.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  s = Settings();
  s.dataBits = 6;
  EXPECT_NE(OnLine(port.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  s = Settings();
  s.parity = 7;
  EXPECT_NE(OnLine(port.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  EXPECT_EQ(OnLine(nullptr, &s, OnError, nullptr, 0), DBS_ERR_INVALID_ARGUMENT);
  const std::u16string missing = u"/dev/zephra-no-such-port";
  s = Settings();
  EXPECT_NE(OnLine(missing.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  EXPECT_TRUE(sim.Received().empty());
}

// A whole V3 image written in 128-byte chunks, read back and compared, then
// the controller's block checksums compared with the ones computed here.
TEST_F(LinkTest, WritesAndReadsBackAnImage) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  std::vector<std::uint8_t> image(sim.ImageSize());
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 131 + (i >> 8));
  image[100] = tolvex::kDle;  // stuffed on the wire
  image[101] = tolvex::kDle;
  ASSERT_EQ(StartDownload(0), DBS_OK);
  for (std::uint32_t at = 0; at < image.size(); at += 128) {
    const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(128, image.size() - at));
    ASSERT_EQ(SetTableData(image.data() + at, at, n, 0), DBS_OK) << at;
  }
  const auto memory = sim.Memory();
  ASSERT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
  std::vector<std::uint8_t> back(image.size());
  std::uint8_t reply[250 + 6];
  for (std::uint32_t at = 0; at < image.size(); at += 250) {
    const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(250, image.size() - at));
    ASSERT_EQ(GetTableData(reply, at, n, 0), DBS_OK) << at;
    EXPECT_EQ(reply[0] << 16 | reply[1] << 8 | reply[2], static_cast<int>(at));
    std::memcpy(back.data() + at, reply + 3, n);
  }
  EXPECT_EQ(back, image);
  const auto expected = zephra::BlockChecksums(image);
  std::vector<std::uint16_t> sums(expected.size());
  ASSERT_EQ(GetWordChecksums(0, static_cast<std::uint16_t>(sums.size()), sums.data(), 0), DBS_OK);
  EXPECT_EQ(sums, expected);
  EXPECT_EQ(StopDownload(0), DBS_OK);
  EXPECT_EQ(reported, 0);
}

TEST_F(LinkTest, ANakedFrameIsWrittenAgain) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.AddFault({Fault::Kind::Nak, 0x1F, 0, 3});
  const std::uint8_t data[4] = {1, 2, 3, 4};
  sim.SetMemory(0x100, {9, 8, 7, 6});
  std::uint8_t reply[10];
  ASSERT_EQ(GetTableData(reply, 0x100, 4, 0), DBS_OK);
  EXPECT_EQ(reply[3], 9);
  EXPECT_EQ(CountReceived(0x1F), 4u);
  sim.AddFault({Fault::Kind::Nak, 0x20, 0, 2});
  ASSERT_EQ(SetTableData(data, 0x200, 4, 0), DBS_OK);
  EXPECT_EQ(CountReceived(0x20), 3u);
  EXPECT_EQ(sim.Memory()[0x203], 4);
}

TEST_F(LinkTest, AWriteNeverAcknowledgedEndsInATimeOut) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.AddFault({Fault::Kind::Silent, 0x20, 0, 1000});
  const std::uint8_t data[4] = {1, 2, 3, 4};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SetTableData(data, 0x200, 4, 0), DBS_ERR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(CountReceived(0x20), static_cast<std::size_t>(tolvex::kTries));
  EXPECT_EQ(lastReported, DBS_ERR_TIMEOUT);
  // The dropped frame is not written again after the next one is queued, and
  // the link still works.
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_OK);
  EXPECT_EQ(CountReceived(0x20), static_cast<std::size_t>(tolvex::kTries));
}

TEST_F(LinkTest, RepliesThatAreMissingDamagedOrCorruptGiveStatuses) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  std::uint8_t reply[16];
  sim.AddFault({Fault::Kind::AckOnly, 0x1F, 0, 1});
  EXPECT_EQ(GetTableData(reply, 0, 4, 0), DBS_ERR_COMMS);
  EXPECT_EQ(GetTableData(reply, 0, 4, 0), DBS_OK);
  // A reply damaged on the line is refused with a NAK; the controller sends
  // it again and that one answers.
  sim.SetMemory(0x10, {0x10, 0x42});
  sim.AddFault({Fault::Kind::CorruptReply, 0x1F, 0, 1});
  EXPECT_EQ(GetTableData(reply, 0x10, 2, 0), DBS_OK);
  EXPECT_EQ(reply[3], 0x10);
  EXPECT_EQ(reply[4], 0x42);
  sim.AddFault({Fault::Kind::DatabaseCorrupt, 0x27, 0, 1});
  std::uint16_t sums[4];
  EXPECT_EQ(GetWordChecksums(0, 4, sums, 0), DBS_ERR_CONTROLLER_CORRUPT);
  EXPECT_EQ(GetWordChecksums(0, 4, sums, 0), DBS_OK);
}

// The caller hears of the failure at the speed given and of each searched
// speed that fails: four times for a controller that never answers; and of
// the speed being tried while it waits.
TEST_F(LinkTest, ASilentControllerIsNotFoundAfterEverySpeedFails) {
  sim.AddFault({Fault::Kind::Silent, 0x2D, 0, 1000});
  static std::vector<int32_t> stages;
  stages.clear();
  const std::u16string port = Utf16(sim.PortPath());
  const TolvexPortSettings s = Settings();
  EXPECT_EQ(OnLine(port.c_str(), &s, OnError,
                   [](int32_t stage, int32_t* keepGoing) {
                     stages.push_back(stage);
                     *keepGoing = 1;
                   },
                   0),
            DBS_ERR_COMMS);
  // Between the speeds it hears 0; while each is waited on, several times
  // its speed, in the order tried.
  std::vector<int32_t> failed, speeds;
  for (int32_t stage : stages) {
    if (stage < DBS_SEARCH_SPEED_MIN) failed.push_back(stage);
    else if (speeds.empty() || speeds.back() != stage) speeds.push_back(stage);
  }
  EXPECT_EQ(failed, (std::vector<int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(speeds, (std::vector<int32_t>{115200, 38400, 19200, 9600}));
  EXPECT_GE(std::count(stages.begin(), stages.end(), 115200), 3);
  EXPECT_EQ(CountReceived(0x2D), 4u);  // the speed given and the three searched
  // The port was closed: a later attempt finds the controller once it answers.
  sim.Stop();
  Simulator again{4};
  ASSERT_TRUE(again.Start());
  const std::u16string port2 = Utf16(again.PortPath());
  EXPECT_EQ(OnLine(port2.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  EXPECT_EQ(OffLine(0), DBS_OK);
}

TEST_F(LinkTest, TheSearchStopsWhenTheCallerSaysSo) {
  sim.AddFault({Fault::Kind::Silent, 0x2D, 0, 1000});
  const std::u16string port = Utf16(sim.PortPath());
  const TolvexPortSettings s = Settings();
  EXPECT_EQ(OnLine(port.c_str(), &s, OnError, [](int32_t, int32_t* keepGoing) { *keepGoing = 0; }, 0), DBS_ERR_COMMS);
  EXPECT_EQ(CountReceived(0x2D), 1u);
}

TEST_F(LinkTest, AFarEndThatGoesIsReportedOnce) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  std::uint8_t version[8];
  EXPECT_NE(GetDatabaseVersion(version, 0), DBS_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int seen = reported;
  EXPECT_GE(seen, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(reported, seen);
  // The port of a line that has gone cannot be given back its settings.
  EXPECT_EQ(OffLine(0), DBS_SYS_GEN_FAILURE);
}

TEST(LinkRealTiming, AnsweredAtTheRealLimits) {
  Simulator sim{2};
  ASSERT_TRUE(sim.Start());
  const std::u16string port = Utf16(sim.PortPath());
  const TolvexPortSettings s = Settings(38400);
  ASSERT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 5), DBS_OK);
  std::uint8_t version[8];
  ASSERT_EQ(GetDatabaseVersion(version, 5), DBS_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 8), "ZP100.00");
  sim.AddFault({Fault::Kind::Nak, 0x20, 0, 1});
  const std::uint8_t data[2] = {0x10, 0x10};
  EXPECT_EQ(SetTableData(data, 0x40, 2, 5), DBS_OK);
  EXPECT_EQ(OffLine(5), DBS_OK);
  sim.Stop();
}

// The real limits: a write the controller never acknowledges is written
// five times, a second apart, and fails once it is dropped, within the six
// seconds a command waits.
TEST(LinkRealTiming, AnUnacknowledgedWriteTimesOutAtSixSeconds) {
  tolvex::SetLinkTimingForTests(tolvex::Timing{});
  Simulator sim{4};
  ASSERT_TRUE(sim.Start());
  const std::u16string port = Utf16(sim.PortPath());
  const TolvexPortSettings s = Settings();
  ASSERT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  sim.AddFault({Fault::Kind::Silent, 0x20, 0, 100});
  const std::uint8_t data[2] = {1, 2};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SetTableData(data, 0x40, 2, 0), DBS_ERR_TIMEOUT);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(4900));
  EXPECT_LT(took, std::chrono::milliseconds(6500));
  EXPECT_EQ(sim.CountReceived(0x20), static_cast<std::size_t>(tolvex::kTries));
  EXPECT_EQ(OffLine(0), DBS_OK);
  sim.Stop();
}

TEST_F(LinkTest, AControllerThatDropsTheLineIsReportedAndLetGo) {
  ASSERT_EQ(GoOnLine(), DBS_OK);
  sim.AddFault({Fault::Kind::CloseLine, 0x2D, 0, 1});
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_ERR_COMMS);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int seen = reported;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(reported, seen);  // reported, then quiet: the receiver does not spin
  EXPECT_EQ(OffLine(0), DBS_SYS_GEN_FAILURE);
}

// Going on-line and off-line report their own failures to the caller's
// callback as they return them, before the link has ever been on-line and
// after it has gone: a port that is not there, and a port that cannot be
// given back its settings once its line has dropped. The port is let go
// all the same.
TEST_F(LinkTest, OnLineAndOffLineReportTheirOwnFailures) {
  const std::u16string missing = u"/dev/zephra-no-such-port";
  const TolvexPortSettings s = Settings();
  EXPECT_EQ(OnLine(missing.c_str(), &s, OnError, nullptr, 0), DBS_SYS_FILE_NOT_FOUND);
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(lastReported, DBS_SYS_FILE_NOT_FOUND);
  ASSERT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(reported, 1);  // nothing failed
  sim.AddFault({Fault::Kind::CloseLine, 0x2D, 0, 1});
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_ERR_COMMS);
  reported = 0;
  lastReported = 0;
  EXPECT_EQ(OffLine(0), DBS_SYS_GEN_FAILURE);
  EXPECT_GE(reported, 1);
  EXPECT_EQ(lastReported, DBS_SYS_GEN_FAILURE);
  EXPECT_EQ(OffLine(0), DBS_OK);  // gone: nothing more to do
  Simulator again{4};
  ASSERT_TRUE(again.Start());
  const std::u16string port = Utf16(again.PortPath());
  EXPECT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  EXPECT_EQ(OffLine(0), DBS_OK);
}

// The port is opened first: one that is not there answers so even when the
// settings could not be used. Going on-line sets the line plain whatever
// the handshake says; a re-tune turns parity checking on with parity. A
// pseudo-terminal has no modem lines, so its flow control is left alone.
TEST_F(LinkTest, ThePortIsOpenedFirstAndSetPlain) {
  const std::u16string missing = u"/dev/zephra-no-such-port";
  TolvexPortSettings bad = Settings(12345);
  EXPECT_EQ(OnLine(missing.c_str(), &bad, OnError, nullptr, 0), DBS_SYS_FILE_NOT_FOUND);
  bad = Settings();
  bad.stopBits = 3;
  EXPECT_EQ(OnLine(missing.c_str(), &bad, OnError, nullptr, 0), DBS_SYS_FILE_NOT_FOUND);
  {
    // Somebody left the port with flow control and parity checking on.
    const int fd = open(sim.PortPath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    t.c_cflag |= CRTSCTS;
    t.c_iflag |= INPCK;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
    close(fd);
  }
  const std::u16string port = Utf16(sim.PortPath());
  TolvexPortSettings s = Settings();
  s.handshake = 1;
  ASSERT_EQ(OnLine(port.c_str(), &s, OnError, nullptr, 0), DBS_OK);
  auto line = sim.PcLine();
  ASSERT_TRUE(line);
  EXPECT_FALSE(line->c_cflag & CRTSCTS);
  EXPECT_FALSE(line->c_iflag & INPCK);
  s.parity = 1;
  ASSERT_EQ(SetPortParameters(&s, 0), DBS_OK);
  line = sim.PcLine();
  EXPECT_TRUE(line->c_iflag & INPCK);
  EXPECT_FALSE(line->c_cflag & CRTSCTS);
  s.parity = 0;
  ASSERT_EQ(SetPortParameters(&s, 0), DBS_OK);
  EXPECT_FALSE(sim.PcLine()->c_iflag & INPCK);
  std::uint8_t version[8];
  EXPECT_EQ(GetDatabaseVersion(version, 0), DBS_OK);
}

// The line settings themselves, as a port with modem lines would take them.
TEST(LinkPorts, LineSettingsFollowTheModeAndTheHandshake) {
  using tolvex::LineMode;
  TolvexPortSettings given = Settings(9600);
  given.handshake = 1;
  given.parity = 2;
  tolvex::LineSettings line{};
  ASSERT_EQ(tolvex::CheckSettings(given, line), DBS_OK);
  termios before{};
  before.c_cflag = CRTSCTS;
  before.c_iflag = INPCK;
  const termios onLine = tolvex::MakeTermios(before, line, LineMode::OnLine, true);
  EXPECT_FALSE(onLine.c_cflag & CRTSCTS);
  EXPECT_FALSE(onLine.c_iflag & INPCK);
  EXPECT_TRUE(onLine.c_cflag & PARENB);
  const termios retuned = tolvex::MakeTermios(termios{}, line, LineMode::Retune, true);
  EXPECT_TRUE(retuned.c_cflag & CRTSCTS);
  EXPECT_TRUE(retuned.c_iflag & INPCK);
  // Without modem lines the flow control stays as it was.
  EXPECT_FALSE(tolvex::MakeTermios(termios{}, line, LineMode::Retune, false).c_cflag & CRTSCTS);
  EXPECT_TRUE(tolvex::MakeTermios(before, line, LineMode::Retune, false).c_cflag & CRTSCTS);
  given.handshake = 0;
  given.parity = 0;
  ASSERT_EQ(tolvex::CheckSettings(given, line), DBS_OK);
  const termios plain = tolvex::MakeTermios(before, line, LineMode::Retune, true);
  EXPECT_FALSE(plain.c_cflag & CRTSCTS);
  EXPECT_FALSE(plain.c_iflag & INPCK);
}

TEST(LinkPorts, NamesMapToDevices) {
  EXPECT_EQ(tolvex::PortPath(u"COM1"), "/dev/ttyS0");
  EXPECT_EQ(tolvex::PortPath(u"\\\\.\\COM12"), "/dev/ttyS11");
  EXPECT_EQ(tolvex::PortPath(u"ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(tolvex::PortPath(u"/dev/pts/7"), "/dev/pts/7");
}

TEST(LinkVersion, SaysItsVersion) {
  char text[64] = {};
  EXPECT_EQ(Tolvex_DLL_Get_Version(text), DBS_OK);
  EXPECT_NE(std::strlen(text), 0u);
  EXPECT_EQ(Tolvex_DLL_Get_Version(nullptr), DBS_ERR_INVALID_ARGUMENT);
}

}  // namespace
