#include <gtest/gtest.h>

#include <string>

#include "link/frame.h"

namespace tolvex {
namespace {

Bytes Hex(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size() + 1; i += 3) out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  return out;
}

TEST(EncodeFrame, TheWireBytesOfEveryKindOfMessage) {
  EXPECT_EQ(msg::TableRead(0x40, 0x001000), Hex("10 02 1F 40 00 10 10 00 05 8C 10 03"));
  EXPECT_EQ(msg::DownloadStart(), Hex("10 02 25 01 DA 10 03"));
  EXPECT_EQ(msg::DownloadStop(), Hex("10 02 26 01 D9 10 03"));
  EXPECT_EQ(msg::VersionRequest(), Hex("10 02 2D 01 D2 10 03"));
  EXPECT_EQ(msg::StatusRequest(), Hex("10 02 08 01 F7 10 03"));
  EXPECT_EQ(msg::SystemCommand(0), Hex("10 02 07 00 02 F7 10 03"));
  EXPECT_EQ(msg::SystemCommand(1), Hex("10 02 07 01 02 F6 10 03"));
  EXPECT_EQ(msg::SystemCommand(2, 0xFF, 0xFF), Hex("10 02 07 02 FF FF 04 F5 10 03"));
  EXPECT_EQ(msg::DiagnosticsRequest(1), Hex("10 02 29 01 FF 03 D4 10 03"));
  EXPECT_EQ(msg::ChecksumRead(64, 0), Hex("10 02 27 00 40 00 00 05 94 10 03"));
  EXPECT_EQ(msg::ChecksumRead(2, 128), Hex("10 02 27 00 02 00 80 05 52 10 03"));
  EXPECT_EQ(msg::ShortChecksumRead(64, 0), Hex("10 02 21 40 00 03 9C 10 03"));
  EXPECT_EQ(msg::MemorySizeRequest(0), Hex("10 02 23 00 02 DB 10 03"));
  EXPECT_EQ(msg::Connect(0, 2, 300, 129), Hex("10 02 02 02 21 2C 01 05 A9 10 03"));
  EXPECT_EQ(msg::Interrogate(0, 2, 300), Hex("10 02 01 02 20 2C 04 AD 10 03"));
  EXPECT_EQ(msg::ParameterWrite(0, 1, 0, 200, 0x10), Hex("10 02 1B 01 00 01 48 10 10 06 85 10 03"));
  EXPECT_EQ(msg::ParameterWrite(0, 0, 1, 300, 5), Hex("10 02 1B 00 01 20 2C 05 06 8D 10 03"));
  EXPECT_EQ(msg::ParameterRead(0, 3, 2, 5), Hex("10 02 19 03 02 00 05 01 06 D6 10 03"));
  const std::uint8_t data[] = {0x41, 0x42, 0x10, 0x43};
  EXPECT_EQ(msg::TableDataWrite(0x006840, 0, data), Hex("10 02 20 04 00 68 40 00 00 00 41 42 10 10 43 0C 52 10 03"));
  EXPECT_EQ(msg::SourceNameRequest(0, 1, 8, 5), Hex("10 02 65 01 01 00 05 05 8F 10 03"));
}

TEST(EncodeFrame, RefusesWhatCannotBeSent) {
  EXPECT_TRUE(EncodeFrame(0x81, {}).empty());
  EXPECT_TRUE(msg::TableDataWrite(0, 0, Bytes(245, 0x10)).empty());
  EXPECT_TRUE(msg::TableDataWrite(0, 0, {}).empty());
  EXPECT_FALSE(msg::TableDataWrite(0, 0, Bytes(244, 0x10)).empty());  // 512 bytes with every byte doubled
  EXPECT_EQ(EncodeFrame(0x40, {}), Hex("10 02 40 01 BF 10 03"));      // empty body: 256 - (command + 1)
}

// Collects what the parser reports.
struct Capture {
  int acks = 0, naks = 0;
  std::vector<bool> replies;
  std::vector<Bytes> frames;
  ReceiveParser parser{{[this] { ++acks; }, [this] { ++naks; }, [this](bool ok) { replies.push_back(ok); },
                        [this](const Bytes& f) { frames.push_back(f); }}};
};

TEST(ReceiveParser, TakesBackWhatWasSent) {
  Capture c;
  for (const Bytes& f : {msg::TableRead(0x40, 0x001000), Hex("10 02 09 E4 00 03 10 10 10 03"),
                         Hex("10 02 20 02 00 10 10 00 12 34 07 81 10 03")}) {
    c.parser.Feed(f);
  }
  ASSERT_EQ(c.frames.size(), 3u);
  EXPECT_EQ(c.replies, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(c.frames[0], Hex("10 02 1F 40 00 10 00 05 8C 10 03"));
  EXPECT_EQ(c.frames[1], Hex("10 02 09 E4 00 03 10 10 03"));  // a checksum of 0x10
  const auto body = FrameBody(c.frames[2]);
  EXPECT_EQ(Bytes(body.begin(), body.end()), Hex("02 00 10 00 12 34"));
}

TEST(ReceiveParser, DataDleFollowedByEndMarkerBytes) {
  Capture c;
  c.parser.Feed(EncodeFrame(0x2E, Hex("10 03 10 02")));  // 10 10 03 and 10 10 02 are data
  ASSERT_EQ(c.frames.size(), 1u);
  const auto body = FrameBody(c.frames[0]);
  EXPECT_EQ(Bytes(body.begin(), body.end()), Hex("10 03 10 02"));
}

TEST(ReceiveParser, AcknowledgementsInsideAndOutsideFrames) {
  Capture c;
  c.parser.Feed(Hex("10 06 55 10 15"));
  EXPECT_EQ(c.acks, 1);
  EXPECT_EQ(c.naks, 1);
  // A DLE ACK in the middle of an incoming frame leaves the frame intact.
  Bytes f = msg::VersionRequest();
  f.insert(f.begin() + 3, {kDle, kAck});
  c.parser.Feed(f);
  EXPECT_EQ(c.acks, 2);
  ASSERT_EQ(c.frames.size(), 1u);
  EXPECT_EQ(c.frames[0], msg::VersionRequest());
}

TEST(ReceiveParser, DamagedFramesAreRefused) {
  Capture c;
  Bytes bad = msg::TableRead(0x40, 0x001000);
  bad[3] ^= 1;  // only the checksum fails
  c.parser.Feed(bad);
  c.parser.Feed(Hex("10 02 2D 02 D1 10 03"));  // a wrong byte count whose checksum fits
  c.parser.Feed(Hex("10 02 00 00 10 03"));     // too short to hold a count and checksum
  c.parser.Feed(Hex("10 02 10 03"));
  EXPECT_EQ(c.replies, (std::vector<bool>{false, false, false, false}));
  EXPECT_TRUE(c.frames.empty());
  c.parser.Feed(Hex("10 02 81 01 7F 10 03"));  // a command above 0x80: dropped without a word
  EXPECT_EQ(c.replies.size(), 4u);
  c.parser.Feed(Hex("10 02 2D 01 10 02 2D 01 D2 10 03"));  // DLE STX inside a frame starts again
  ASSERT_EQ(c.frames.size(), 1u);
  EXPECT_EQ(c.frames[0], msg::VersionRequest());
}

TEST(ReceiveParser, NothingOverrunsItsBuffer) {
  Capture c;
  Bytes flood = {kDle, kStx, 0x20};
  flood.resize(5000, 0x55);
  c.parser.Feed(flood);
  c.parser.Feed(Hex("10 03"));
  EXPECT_TRUE(c.frames.empty());
  c.parser.Feed(msg::VersionRequest());  // and it still works
  EXPECT_EQ(c.frames.size(), 1u);
}

}  // namespace
}  // namespace tolvex
