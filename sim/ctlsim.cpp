#include "ctlsim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include "dbs/checksum.h"
#include "dbs/layout.h"

namespace ctlsim {

using namespace tolvex;

Simulator::Simulator(int configType) {
  const zephra::FormatInfo* format = zephra::FindFormat(static_cast<std::uint16_t>(configType));
  imageSize_ = format ? format->controllerMap->imageSize : 523646;
  // The image and, beyond it, the parameter areas up to the largest address.
  memory_.assign(0x92000, 0);
  version_ = configType == 2 ? "ZP100.00" : configType == 3 ? "ZP201.00" : "ZP300.00";
}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start() {
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return false;
  termios raw{};
  tcgetattr(slave_, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave_, TCSANOW, &raw);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  if (pipe2(stopPipe_, O_CLOEXEC) != 0) return false;
  path_ = name;
  thread_ = std::thread(&Simulator::Run, this);
  return true;
}

void Simulator::Stop() {
  stopping_ = true;
  if (stopPipe_[1] >= 0) {
    const char c = 1;
    (void)!write(stopPipe_[1], &c, 1);
  }
  if (thread_.joinable()) thread_.join();
  for (int* fd : {&master_, &slave_, &stopPipe_[0], &stopPipe_[1]}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void Simulator::AddFault(const Fault& fault) {
  std::lock_guard lock(lock_);
  faults_.push_back({fault, 0});
}

std::vector<Bytes> Simulator::Received() {
  std::lock_guard lock(lock_);
  return received_;
}

std::vector<std::uint8_t> Simulator::Memory() {
  std::lock_guard lock(lock_);
  return memory_;
}

void Simulator::SetMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(lock_);
  if (address + bytes.size() <= memory_.size()) std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
}

bool Simulator::Misbehave(std::uint8_t code, Fault::Kind& kind) {
  for (auto& [fault, seen] : faults_) {
    if (fault.code != 0 && fault.code != code) continue;
    const int n = seen++;
    if (n >= fault.after && n < fault.after + fault.times) {
      kind = fault.kind;
      return true;
    }
  }
  return false;
}

void Simulator::Send(const Bytes& frame, bool corrupt) {
  if (&frame != &lastSent_) {
    lastSent_ = frame;
    resends_ = 0;
  }
  Bytes wire = frame;
  // A damaged frame on the line: a NAK brings the sound one.
  if (corrupt && wire.size() >= 3) wire[wire.size() - 3] ^= 0x5A;
  Write(wire);
}

void Simulator::Write(const Bytes& frame) {
  std::size_t done = 0;
  while (done < frame.size()) {
    const ssize_t n = write(master_, frame.data() + done, frame.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR) return;
  }
}

void Simulator::Run() {
  // A NAK asks for the last frame again, a few times at most.
  ReceiveParser parser({[] {}, [this] { if (resends_++ < 5) Send(lastSent_); }, [](bool) {},
                        [this](const Bytes& frame) { Handle(frame); }});
  std::uint8_t buffer[512];
  while (!stopping_) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (poll(fds, 2, 200) <= 0) continue;
    if (fds[1].revents) break;
    if (!(fds[0].revents & POLLIN)) continue;
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) parser.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
  }
}

void Simulator::Handle(const Bytes& frame) {
  const std::uint8_t code = FrameCommand(frame);
  const auto body = FrameBody(frame);
  Fault::Kind kind{};
  bool faulty;
  {
    std::lock_guard lock(lock_);
    received_.push_back(frame);
    faulty = Misbehave(code, kind);
  }
  if (faulty && kind == Fault::Kind::Nak) return Write({kDle, kNak});
  if (faulty && kind == Fault::Kind::Silent) return;
  Write({kDle, kAck});
  if (faulty && kind == Fault::Kind::AckOnly) return;
  if (faulty && kind == Fault::Kind::DatabaseCorrupt) return Send(EncodeFrame(kDatabaseCorrupt, {}));
  Bytes reply;
  const auto address = [&](std::size_t at) {
    return static_cast<std::uint32_t>(body[at] << 16 | body[at + 1] << 8 | body[at + 2]);
  };
  switch (code) {
    case 0x2D:  // VersionRequest
      reply = EncodeFrame(kVersionReply, Bytes(version_.begin(), version_.begin() + 8));
      break;
    case 0x1F: {  // TableRead
      if (body.size() < 4) break;
      const std::uint8_t count = body[0];
      const std::uint32_t at = address(1);
      Bytes out = {count, body[1], body[2], body[3]};
      std::lock_guard lock(lock_);
      for (std::uint32_t i = 0; i < count; ++i) out.push_back(at + i < memory_.size() ? memory_[at + i] : 0xFF);
      reply = EncodeFrame(kTableData, out);
      break;
    }
    case 0x20: {  // TableData write
      if (body.size() < 7 || body.size() != body[0] + 7u) break;
      const std::uint32_t at = address(1);
      std::lock_guard lock(lock_);
      for (std::size_t i = 0; i < body[0] && at + i < memory_.size(); ++i) memory_[at + i] = body[7 + i];
      break;
    }
    case 0x27: {  // ChecksumRead
      if (body.size() < 4) break;
      const unsigned count = body[0] << 8 | body[1], first = body[2] << 8 | body[3];
      Bytes out(body.begin(), body.begin() + 4);
      std::lock_guard lock(lock_);
      const auto sums = zephra::BlockChecksums({memory_.data(), imageSize_});
      for (unsigned i = 0; i < count; ++i) {
        const std::uint16_t sum = first + i < sums.size() ? sums[first + i] : 0;
        out.push_back(static_cast<std::uint8_t>(sum >> 8));
        out.push_back(static_cast<std::uint8_t>(sum));
      }
      reply = EncodeFrame(kChecksumReply, out);
      break;
    }
    case 0x26:  // DownloadStop: restarts, then says so
    case 0x07:  // SystemCommand: a soft reset does the same
      if (code == 0x26 || (!body.empty() && body[0] == 1)) reply = EncodeFrame(kStatusReply, Bytes{0x00, 0x00});
      break;
    case 0x08:  // StatusRequest
      reply = EncodeFrame(kStatusReply, Bytes{0x00, 0x00});
      break;
    default:
      break;
  }
  if (reply.empty()) return;
  Send(reply, faulty && kind == Fault::Kind::CorruptReply);
}

}  // namespace ctlsim
