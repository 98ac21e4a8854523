#include "frame.h"

#include <algorithm>

namespace tolvex {

std::uint8_t FrameChecksum(std::uint8_t command, std::span<const std::uint8_t> body) {
  unsigned sum = command + static_cast<unsigned>(body.size() + 1);
  for (std::uint8_t b : body) sum += b;
  return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

Bytes EncodeFrame(std::uint8_t command, std::span<const std::uint8_t> body) {
  if (command > 0x80 || body.size() + 1 > 0xFF) return {};
  Bytes out = {kDle, kStx};
  const auto put = [&](std::uint8_t b) {
    out.push_back(b);
    if (b == kDle) out.push_back(kDle);
  };
  put(command);
  for (std::uint8_t b : body) put(b);
  put(static_cast<std::uint8_t>(body.size() + 1));
  put(FrameChecksum(command, body));
  out.push_back(kDle);
  out.push_back(kEtx);
  if (out.size() > kFrameBufferSize) return {};
  return out;
}

namespace msg {
namespace {
Bytes Frame(std::uint8_t command, std::initializer_list<std::uint8_t> body) {
  return EncodeFrame(command, std::span<const std::uint8_t>(body.begin(), body.size()));
}
std::uint8_t B(int v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t Low7(int n) { return static_cast<std::uint8_t>(n & 0x7F); }
std::uint8_t High(int n) { return static_cast<std::uint8_t>(n >> 7); }
}  // namespace

Bytes Interrogate(int m, int l, int dest) {
  return Frame(0x01, {MatrixLevel(m, l), B(High(dest) << 4), Low7(dest)});
}
Bytes Connect(int m, int l, int dest, int source) {
  return Frame(0x02, {MatrixLevel(m, l), B((High(dest) << 4) | (High(source) & 0x0F)), Low7(dest), Low7(source)});
}
Bytes SystemCommand(std::uint8_t sub) { return Frame(0x07, {sub}); }
Bytes SystemCommand(std::uint8_t sub, std::uint8_t a, std::uint8_t b) { return Frame(0x07, {sub, a, b}); }
Bytes StatusRequest() { return Frame(0x08, {}); }
Bytes ParameterRead(int m, int l, int type, int item) {
  return Frame(0x19, {MatrixLevel(m, l), B(type), B(type == 1 ? High(item) << 4 : High(item)), Low7(item), 0x01});
}
Bytes ParameterWrite(int m, int l, int type, int item, std::uint8_t value) {
  return Frame(0x1B, {MatrixLevel(m, l), B(type), B(type == 1 ? High(item) << 4 : High(item)), Low7(item), value});
}
Bytes TableRead(std::uint8_t count, std::uint32_t a) { return Frame(0x1F, {count, B(a >> 16), B(a >> 8), B(a)}); }
Bytes TableDataWrite(std::uint32_t a, std::uint32_t code, std::span<const std::uint8_t> data) {
  if (data.empty() || data.size() > 244) return {};  // the frame could not hold more
  Bytes body = {B(static_cast<int>(data.size())), B(a >> 16), B(a >> 8), B(a), B(code >> 16), B(code >> 8), B(code)};
  body.insert(body.end(), data.begin(), data.end());
  return EncodeFrame(0x20, body);
}
Bytes ShortChecksumRead(std::uint8_t count, std::uint8_t first) { return Frame(0x21, {count, first}); }
Bytes MemorySizeRequest(std::uint8_t argument) { return Frame(0x23, {argument}); }
Bytes DownloadStart() { return Frame(0x25, {}); }
Bytes DownloadStop() { return Frame(0x26, {}); }
Bytes ChecksumRead(std::uint16_t count, std::uint16_t first) {
  return Frame(0x27, {B(count >> 8), B(count), B(first >> 8), B(first)});
}
Bytes DiagnosticsRequest(std::uint8_t sub, std::uint8_t argument) { return Frame(0x29, {sub, argument}); }
Bytes VersionRequest() { return Frame(0x2D, {}); }
Bytes SourceNameRequest(int m, int l, int characters, int source) {
  return Frame(0x65, {MatrixLevel(m, l), B(characters >> 3), B(source >> 8), B(source)});
}
Bytes AssocNameRequest(int m, int characters, int dest) {
  return Frame(0x67, {MatrixLevel(m, 0), B(characters >> 3), B(dest >> 8), B(dest)});
}
}  // namespace msg

std::span<const std::uint8_t> FrameBody(const Bytes& frame) {
  if (frame.size() < kMinFrameSize) return {};
  return std::span<const std::uint8_t>(frame).subspan(3, frame.size() - kMinFrameSize);
}

namespace {
// Where the item count N and the data sit in a DiagnosticsReply, by
// sub-code (offsets into the body, which starts after the command byte).
enum class Count { Word12, Byte3, Modules, Byte1 };
enum class Length { TwoPerItem, BitsPerItem, Modules, OnePerItem };
struct DiagnosticsLayout {
  std::uint8_t sub;
  Count count;
  std::size_t data;
  Length length;
};
constexpr DiagnosticsLayout kDiagnostics[] = {
    {1, Count::Word12, 4, Length::TwoPerItem},    // panels
    {11, Count::Word12, 4, Length::BitsPerItem},  // primary matrix
    {12, Count::Byte3, 4, Length::TwoPerItem},    // secondary matrix
    {21, Count::Modules, 5, Length::Modules},     // installed modules
    {31, Count::Byte1, 2, Length::OnePerItem},    // software version
    {32, Count::Byte1, 2, Length::BitsPerItem},   // switch settings
    {33, Count::Byte1, 2, Length::TwoPerItem},    // EPROM checksums
};
}  // namespace

std::span<const std::uint8_t> DiagnosticsData(std::span<const std::uint8_t> body) {
  if (body.empty()) return {};
  for (const DiagnosticsLayout& d : kDiagnostics) {
    if (d.sub != body[0]) continue;
    if (body.size() < d.data) return {};
    std::size_t n = 0;
    switch (d.count) {
      case Count::Word12: n = std::size_t{body[2]} << 8 | body[3]; break;
      case Count::Byte3: n = body[3]; break;
      case Count::Modules: n = body[2] == 0x20 ? body[4] : (std::size_t{body[3]} << 7 | body[4]); break;
      case Count::Byte1: n = body[1]; break;
    }
    std::size_t length = 0;
    switch (d.length) {
      case Length::TwoPerItem: length = 2 * n; break;
      case Length::BitsPerItem: length = (n + 7) / 8; break;
      case Length::Modules: length = static_cast<std::uint16_t>(((n - 1) & 0xFFFF) >> 2) + 3u; break;
      case Length::OnePerItem: length = n; break;
    }
    length = std::min({length, kDiagnosticsMax, body.size() - d.data});
    return body.subspan(d.data, length);
  }
  return {};
}

void ReceiveParser::Store(std::uint8_t b) {
  if (size_ == kFrameBufferSize) {
    Drop();  // longer than any frame can be: not a frame
    return;
  }
  stored_[size_++] = b;
}

void ReceiveParser::Drop() {
  state_ = State::Idle;
  size_ = 0;
  count_ = 0;
  pendingDle_ = false;
}

void ReceiveParser::Feed(std::uint8_t b) {
  switch (state_) {
    case State::Idle:
      if (b == kDle) {
        size_ = 0;
        Store(b);
        state_ = State::AfterDle;
        pendingDle_ = false;
      }
      return;
    case State::AfterDle:
      if (b == kStx) {
        Store(b);
        state_ = State::AfterStart;
        pendingDle_ = false;
      } else if (b == kAck || b == kNak) {
        (b == kAck ? events_.ack : events_.nak)();
        if (!pendingDle_) state_ = State::Idle;
      } else if (b == kDle) {
        pendingDle_ = true;
      } else {
        state_ = State::Idle;
        pendingDle_ = false;
      }
      return;
    case State::AfterStart:
      if (b == kAck || b == kNak) return;
      if (b > 0x80) return Drop();
      Store(b);
      count_ = 1;
      state_ = State::InFrame;
      return;
    case State::InFrame: {
      const bool afterDle = size_ > 2 && stored_[size_ - 1] == kDle;
      if (b == kDle) {
        if (size_ > 2 && stored_[size_ - 1] == kDle) pendingDle_ = !pendingDle_;
        if (pendingDle_) return;  // the second half of a doubled DLE
        Store(b);
        ++count_;
        return;
      }
      if (afterDle && !pendingDle_) {
        if (b == kStx) {
          size_ = 2;  // a new frame starts: keep DLE STX
          count_ = 0;
          state_ = State::AfterStart;
          return;
        }
        if (b == kEtx) {
          Store(b);
          count_ -= 3;
          Finish();
          return;
        }
        if (b == kAck || b == kNak) {
          --size_;
          --count_;
          (b == kAck ? events_.ack : events_.nak)();
          return;
        }
      }
      Store(b);
      ++count_;
      pendingDle_ = false;
      return;
    }
  }
}

void ReceiveParser::Finish() {
  const std::size_t size = size_;
  const int count = count_;
  Drop();
  // DLE STX command count checksum DLE ETX at the least; the byte count
  // field sits just before the checksum.
  bool ok = size >= kMinFrameSize && count >= 1 && stored_[size - 4] == count;
  if (ok) {
    unsigned sum = 0;
    for (std::size_t i = 2; i < size - 2; ++i) sum += stored_[i];
    ok = sum % 256 == 0;
  }
  events_.reply(ok);
  if (ok) events_.frame(Bytes(stored_, stored_ + size));
}

}  // namespace tolvex
