// The controller's serial frames: DLE STX, command, body, byte count,
// checksum, DLE ETX, with every data DLE doubled; acknowledged by DLE ACK or
// DLE NAK. Encoding of every message the link sends, and the receive parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace tolvex {

inline constexpr std::uint8_t kDle = 0x10, kStx = 0x02, kEtx = 0x03, kAck = 0x06, kNak = 0x15;
// Frames are built and kept in buffers of this many bytes.
inline constexpr std::size_t kFrameBufferSize = 512;
// A frame needs DLE STX, command, byte count, checksum, DLE ETX.
inline constexpr std::size_t kMinFrameSize = 7;

using Bytes = std::vector<std::uint8_t>;

// The checksum that makes command, body, byte count and checksum sum to 0.
std::uint8_t FrameChecksum(std::uint8_t command, std::span<const std::uint8_t> body);

// The frame on the wire, stuffing included; empty when it would not fit the
// build buffer or the command is not a message code.
Bytes EncodeFrame(std::uint8_t command, std::span<const std::uint8_t> body);

// The messages the link sends.
namespace msg {
inline std::uint8_t MatrixLevel(int matrix, int level) { return static_cast<std::uint8_t>((matrix << 4) | (level & 0x0F)); }
Bytes Interrogate(int matrix, int level, int dest);
Bytes Connect(int matrix, int level, int dest, int source);
Bytes SystemCommand(std::uint8_t sub);
Bytes SystemCommand(std::uint8_t sub, std::uint8_t a, std::uint8_t b);
Bytes StatusRequest();
Bytes ParameterRead(int matrix, int level, int type, int item);
Bytes ParameterWrite(int matrix, int level, int type, int item, std::uint8_t value);
Bytes TableRead(std::uint8_t count, std::uint32_t address);
Bytes TableDataWrite(std::uint32_t address, std::uint32_t accessCode, std::span<const std::uint8_t> data);
Bytes ShortChecksumRead(std::uint8_t count, std::uint8_t first);
Bytes MemorySizeRequest(std::uint8_t argument);
Bytes DownloadStart();
Bytes DownloadStop();
Bytes ChecksumRead(std::uint16_t count, std::uint16_t first);
Bytes DiagnosticsRequest(std::uint8_t sub, std::uint8_t argument = 0xFF);
Bytes VersionRequest();
Bytes SourceNameRequest(int matrix, int level, int characters, int source);
Bytes AssocNameRequest(int matrix, int characters, int dest);
}  // namespace msg

// Message codes the link understands.
enum Code : std::uint8_t {
  kTally = 0x03, kConnected = 0x04, kStatusReply = 0x09, kParameterReadReply = 0x1A, kParameterWriteReply = 0x1C,
  kTableData = 0x20, kShortChecksumReply = 0x22, kMemorySizeReply = 0x24, kChecksumReply = 0x28,
  kDiagnosticsReply = 0x2B, kVersionReply = 0x2E, kDatabaseCorrupt = 0x63, kSourceNameReply = 0x6A,
  kAssocNameReply = 0x6B,
};

// Takes received bytes one at a time and reports acknowledgements and valid
// frames (each as DLE STX ... DLE ETX, unstuffed). A damaged frame is
// answered with a NAK request; nothing received can make it store more than
// one frame buffer.
class ReceiveParser {
 public:
  struct Events {
    std::function<void()> ack;                   // DLE ACK received
    std::function<void()> nak;                   // DLE NAK received
    std::function<void(bool ok)> reply;          // send DLE ACK (ok) or DLE NAK
    std::function<void(const Bytes& frame)> frame;  // a frame that validated
  };
  explicit ReceiveParser(Events events) : events_(std::move(events)) {}

  void Feed(std::uint8_t byte);
  void Feed(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) Feed(b);
  }

 private:
  enum class State { Idle, AfterDle, AfterStart, InFrame };
  void Store(std::uint8_t b);
  void Drop();
  void Finish();

  Events events_;
  State state_ = State::Idle;
  std::uint8_t stored_[kFrameBufferSize] = {};
  std::size_t size_ = 0;
  int count_ = 0;
  bool pendingDle_ = false;
};

// The body of a valid frame (between the command and the byte count).
std::span<const std::uint8_t> FrameBody(const Bytes& frame);

// The data of a DiagnosticsReply body for the caller: its length comes from
// the reply, bounded by kDiagnosticsMax and by the bytes present; empty for a
// sub-code the link never asks for.
inline constexpr std::size_t kDiagnosticsMax = 256;
std::span<const std::uint8_t> DiagnosticsData(std::span<const std::uint8_t> body);
inline std::uint8_t FrameCommand(const Bytes& frame) { return frame.size() > 2 ? frame[2] : 0; }

}  // namespace tolvex
