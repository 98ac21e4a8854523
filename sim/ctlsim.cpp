#include "ctlsim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "dbs/checksum.h"
#include "dbs/layout.h"
#include "dbs/transfer/controller_tables.h"

namespace ctlsim {

using namespace tolvex;

namespace {

// Addresses are 24 bits; the image and the parameter areas lie within.
constexpr std::size_t kMemorySize = std::size_t{1} << 24;
// What the controller says its memory is.
constexpr std::uint32_t kReportedMemory = 0x100000;
// An unacknowledged frame of the controller's is sent again after this, a
// few times at most.
constexpr auto kResendAfter = std::chrono::milliseconds(1000);
constexpr int kResends = 5;
// Diagnostics the simulated controller reports.
// Software version: two bytes, then the boot, main and OEM texts, each
// ending in NUL.
constexpr char kFirmware[] = "\x01\x00" "BOOT 1.02\0MAIN 4.21\0ZEPHRA OEM\0";
constexpr std::uint16_t kPanels = 4, kMatrixPorts = 16, kSecondaryPorts = 2, kModules = 8, kSwitches = 16;
constexpr std::uint16_t kEproms[] = {0x1234, 0xBEEF, 0x0010};

constexpr struct {
  speed_t code;
  int baud;
} kSpeeds[] = {{B300, 300},     {B600, 600},     {B1200, 1200},   {B2400, 2400},    {B4800, 4800},
               {B9600, 9600},   {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

std::uint8_t Hi(int v) { return static_cast<std::uint8_t>(v >> 8); }
std::uint8_t Lo(int v) { return static_cast<std::uint8_t>(v); }
std::uint32_t Address(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] << 16 | b[at + 1] << 8 | b[at + 2]);
}
void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) out.push_back(b);
}

// A frame as it went on the line, with its doubled DLEs single again.
Bytes Unstuffed(const Bytes& wire) {
  Bytes frame;
  ReceiveParser parser({[] {}, [] {}, [](bool) {}, [&](const Bytes& f) { frame = f; }});
  parser.Feed(wire);
  return frame;
}

}  // namespace

namespace {
constexpr std::pair<std::string_view, Fault::Kind> kFaultNames[] = {
    {"nak", Fault::Kind::Nak},
    {"silent", Fault::Kind::Silent},
    {"ack-only", Fault::Kind::AckOnly},
    {"corrupt", Fault::Kind::CorruptReply},
    {"cut", Fault::Kind::CutReply},
    {"database-corrupt", Fault::Kind::DatabaseCorrupt},
    {"other-item", Fault::Kind::OtherItem},
    {"lying", Fault::Kind::Lying},
    {"garbage", Fault::Kind::Garbage},
    {"over-long", Fault::Kind::OverLong},
    {"unsolicited", Fault::Kind::Unsolicited},
    {"delay", Fault::Kind::Delay},
    {"deaf", Fault::Kind::Deaf},
    {"close", Fault::Kind::CloseLine},
    {"speed", Fault::Kind::ChangeSpeed},
    {"no-ack", Fault::Kind::NoAck},
};
}  // namespace

std::string FaultKindNames() {
  std::string names;
  for (const auto& [name, kind] : kFaultNames) names += (names.empty() ? "" : ", ") + std::string(name);
  return names;
}

std::optional<Fault> ParseFault(std::string_view text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t colon = text.find(':', start);
    parts.emplace_back(text.substr(start, colon == std::string_view::npos ? colon : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (parts.size() < 2 || parts.size() > 5) return std::nullopt;
  Fault fault{};
  try {
    std::size_t used = 0;
    const int code = parts[0] == "any" ? 0 : std::stoi(parts[0], &used, 0);
    if ((parts[0] != "any" && used != parts[0].size()) || code < 0 || code > 0x80) return std::nullopt;
    fault.code = static_cast<std::uint8_t>(code);
    const auto named = std::find_if(std::begin(kFaultNames), std::end(kFaultNames),
                                    [&](const auto& entry) { return entry.first == parts[1]; });
    if (named == std::end(kFaultNames)) return std::nullopt;
    fault.kind = named->second;
    int* fields[] = {&fault.after, &fault.times, &fault.value};
    for (std::size_t i = 2; i < parts.size(); ++i) {
      *fields[i - 2] = std::stoi(parts[i], &used);
      if (used != parts[i].size() || *fields[i - 2] < 0) return std::nullopt;
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return fault;
}

int BaudOf(speed_t speed) {
  for (const auto& s : kSpeeds) {
    if (s.code == speed) return s.baud;
  }
  return 0;
}

Simulator::Simulator(const Options& options) : options_(options) {
  format_ = zephra::FindFormat(static_cast<std::uint16_t>(options.configType));
  if (!format_ || !format_->controllerMap) format_ = zephra::FindFormat(DBS_TYPE_V3);
  const zephra::ControllerMap& map = *format_->controllerMap;
  imageSize_ = map.imageSize;
  extent_ = std::max(imageSize_, map.ctlParamArea3 + map.paramAreaSize);
  memory_.assign(kMemorySize, 0);
  version_ = options.configType == 2 ? "ZP100.00" : options.configType == 3 ? "ZP201.00" : "ZP300.00";
  if (!options.version.empty()) version_ = (options.version + std::string(8, ' ')).substr(0, 8);
  baud_ = options.baud;
}

long Simulator::ParameterAddress(int type, int matrix, int level, int item) const {
  const zephra::ControllerMap& map = *format_->controllerMap;
  if (matrix != 0 || level < 0 || level >= 8 || type < 0 || type > 2) return -1;
  const auto maximum = [&](int l) { return format_->configType == DBS_TYPE_V1 ? 256 : int{format_->maxDests[l]}; };
  if (item < 0 || item >= maximum(level)) return -1;
  long at = type == 0 ? map.ctlParamArea1 : type == 1 ? map.ctlParamArea2 : map.ctlParamArea3;
  for (int l = 0; l < level; ++l) at += maximum(l);
  return at + item;
}

std::uint32_t Simulator::SourceNameAddress(int level, int source) const {
  return format_->controllerMap->ctlSourceArea +
         8 * zephra::SourceNameSlot(static_cast<std::uint32_t>(level), static_cast<std::uint32_t>(source));
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
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  if (pipe2(stopPipe_, O_CLOEXEC) != 0) return false;
  path_ = name;
  stopping_ = false;
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

void Simulator::ClearFaults() {
  std::lock_guard lock(lock_);
  faults_.clear();
  deaf_ = false;
}

std::vector<Bytes> Simulator::Received() {
  std::lock_guard lock(lock_);
  return received_;
}

std::size_t Simulator::CountReceived(std::uint8_t code) {
  std::lock_guard lock(lock_);
  return static_cast<std::size_t>(
      std::count_if(received_.begin(), received_.end(), [&](const Bytes& f) { return FrameCommand(f) == code; }));
}

std::vector<std::uint8_t> Simulator::Memory() {
  std::lock_guard lock(lock_);
  return {memory_.begin(), memory_.begin() + extent_};
}

void Simulator::SetMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(lock_);
  if (address + bytes.size() <= memory_.size()) std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
}

void Simulator::SetVersion(const std::string& text) {
  std::lock_guard lock(lock_);
  version_ = (text + std::string(8, ' ')).substr(0, 8);
}

void Simulator::SetDualStatus(std::uint8_t first, std::uint8_t second) {
  std::lock_guard lock(lock_);
  dual_[0] = first;
  dual_[1] = second;
}

void Simulator::SetSourceName(int matrix, int level, int source, const std::string& name) {
  if (matrix != 0 || level < 0 || level >= 8 || source < 0 || source > 4096) return;
  std::lock_guard lock(lock_);
  const std::string padded = (name + std::string(8, ' ')).substr(0, 8);
  std::copy(padded.begin(), padded.end(), memory_.begin() + SourceNameAddress(level, source));
}

void Simulator::SetParameter(int type, int matrix, int level, int item, std::uint8_t value) {
  std::lock_guard lock(lock_);
  if (const long at = ParameterAddress(type, matrix, level, item); at >= 0) {
    memory_[static_cast<std::size_t>(at)] = value;
  } else {
    parameters_[{type, matrix, level, item}] = value;
  }
}

std::uint8_t Simulator::Parameter(int type, int matrix, int level, int item) {
  std::lock_guard lock(lock_);
  if (const long at = ParameterAddress(type, matrix, level, item); at >= 0) return memory_[static_cast<std::size_t>(at)];
  auto it = parameters_.find({type, matrix, level, item});
  return it == parameters_.end() ? 0 : it->second;
}

void Simulator::Protect(int matrix, int level, int destination) {
  std::lock_guard lock(lock_);
  protects_[{matrix, level, destination}] = true;
}

bool Simulator::Protected(int matrix, int level, int destination) {
  std::lock_guard lock(lock_);
  return protects_.count({matrix, level, destination}) > 0;
}

int Simulator::Crosspoint(int matrix, int level, int destination) {
  std::lock_guard lock(lock_);
  auto it = crosspoints_.find({matrix, level, destination});
  return it == crosspoints_.end() ? -1 : it->second;
}

void Simulator::Switch(int matrix, int level, int destination, int source) {
  {
    std::lock_guard lock(lock_);
    crosspoints_[{matrix, level, destination}] = source;
  }
  const std::uint8_t body[4] = {msg::MatrixLevel(matrix, level),
                                static_cast<std::uint8_t>((destination >> 7) << 4 | ((source >> 7) & 0x0F)),
                                static_cast<std::uint8_t>(destination & 0x7F), static_cast<std::uint8_t>(source & 0x7F)};
  Write(EncodeFrame(kConnected, body));
}

bool Simulator::Save(const std::string& path) {
  const auto memory = Memory();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(memory.data()), static_cast<std::streamsize>(memory.size()));
  return static_cast<bool>(out.flush());
}

bool Simulator::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<std::uint8_t> bytes(extent_ + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got == 0 || got > extent_) return false;
  bytes.resize(got);
  SetMemory(0, bytes);
  return true;
}

bool Simulator::Misbehave(std::uint8_t code, Fault& chosen) {
  std::lock_guard lock(lock_);
  for (auto& [fault, seen] : faults_) {
    if (fault.code != 0 && fault.code != code) continue;
    const int n = seen++;
    if (n >= fault.after && n < fault.after + fault.times) {
      chosen = fault;
      return true;
    }
  }
  return false;
}

std::optional<termios> Simulator::PcLine() {
  std::lock_guard line(writeLock_);
  termios t{};
  if (master_ < 0 || tcgetattr(master_, &t) != 0) return std::nullopt;
  return t;
}

// With a speed of its own, the controller hears only a PC at that speed.
bool Simulator::SpeedMatches() {
  if (baud_ == 0) return true;
  termios t{};
  if (tcgetattr(master_, &t) != 0) return false;
  return BaudOf(cfgetospeed(&t)) == baud_;
}

// Start bit, 8 data bits, stop bit: ten bit times a byte.
void Simulator::Pace(std::size_t bytes) {
  if (!options_.pace) return;
  int baud = baud_;
  if (baud == 0) {
    termios t{};
    if (tcgetattr(master_, &t) == 0) baud = BaudOf(cfgetospeed(&t));
  }
  if (baud > 0) std::this_thread::sleep_for(std::chrono::microseconds(bytes * 10'000'000 / baud));
}

void Simulator::Write(const Bytes& bytes) {
  std::lock_guard line(writeLock_);
  if (master_ < 0 || !SpeedMatches()) return;
  Pace(bytes.size());
  std::size_t done = 0;
  for (int idle = 0; done < bytes.size() && idle < 100;) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      idle = 0;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else {
      pollfd out{master_, POLLOUT, 0};
      poll(&out, 1, 20);
      ++idle;
    }
  }
}

void Simulator::Send(const Bytes& frame, bool corrupt) {
  if (frame.empty()) return;
  if (&frame != &lastSent_) {
    lastSent_ = frame;
    resends_ = 0;
  }
  Bytes wire = frame;
  // A damaged frame on the line: a NAK brings the sound one.
  if (corrupt && wire.size() >= 3) wire[wire.size() - 3] ^= 0x5A;
  awaitingAck_ = true;
  sentAt_ = std::chrono::steady_clock::now();
  Write(wire);
}

// The controller restarts: it hears nothing until it is up again.
void Simulator::Restart() {
  ++restarts_;
  pollfd stop{stopPipe_[0], POLLIN, 0};
  poll(&stop, 1, options_.restartMs);
  std::uint8_t discard[512];
  while (master_ >= 0 && read(master_, discard, sizeof discard) > 0) {
  }
}

void Simulator::Run() {
  // A NAK asks for the last frame again, a few times at most.
  ReceiveParser parser({[this] {
                          ++acks_;
                          awaitingAck_ = false;
                        },
                        [this] {
                          ++naks_;
                          if (resends_++ < kResends) Send(lastSent_);
                        },
                        [](bool) {}, [this](const Bytes& frame) { Handle(frame); }});
  std::uint8_t buffer[512];
  while (!stopping_ && master_ >= 0) {
    // Its own frames are stop-and-wait too: one the PC has not acknowledged
    // goes again.
    if (awaitingAck_ && std::chrono::steady_clock::now() - sentAt_ >= kResendAfter) {
      if (resends_++ < kResends) {
        Send(lastSent_);
      } else {
        awaitingAck_ = false;
      }
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (poll(fds, 2, 100) <= 0) continue;
    if (fds[1].revents) break;
    if (!(fds[0].revents & POLLIN)) {
      // Nobody has the PC end open: wait for somebody to open it.
      if (fds[0].revents & (POLLHUP | POLLERR)) {
        pollfd stop{stopPipe_[0], POLLIN, 0};
        poll(&stop, 1, 50);
      }
      continue;
    }
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) continue;
    Pace(static_cast<std::size_t>(n));
    // Deaf, or at another speed: what arrives is not understood.
    if (deaf_ || !SpeedMatches()) continue;
    parser.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
  }
}

void Simulator::Handle(const Bytes& frame) {
  const std::uint8_t code = FrameCommand(frame);
  const auto body = FrameBody(frame);
  {
    std::lock_guard lock(lock_);
    received_.push_back(frame);
  }
  Fault fault{};
  const bool faulty = Misbehave(code, fault);
  using K = Fault::Kind;
  if (faulty) {
    switch (fault.kind) {
      case K::Nak: return Write({kDle, kNak});
      case K::Silent: return;
      case K::Deaf: deaf_ = true; return;
      case K::CloseLine: {
        std::lock_guard line(writeLock_);
        close(master_);
        master_ = -1;
        return;
      }
      case K::Delay: std::this_thread::sleep_for(std::chrono::milliseconds(fault.value)); break;
      case K::ChangeSpeed: baud_ = fault.value; break;
      case K::Garbage: Write({0x55, 0xAA, kDle, 0x7E, 0x00, 0x03, kDle, 0x99, 0x42}); break;
      case K::OverLong: {
        Bytes endless = {kDle, kStx, 0x20};
        endless.resize(700, 0x41);
        Write(endless);
        break;
      }
      case K::Unsolicited:
        Write(EncodeFrame(kConnected, Bytes{0x00, 0x00, 0x05, 0x06}));
        Write(EncodeFrame(kTally, Bytes{0x00, 0x00, 0x07, 0x08}));
        break;
      default: break;
    }
  }
  // The controller acts on the frame, then acknowledges it and replies.
  const Bytes reply = Answer(code, body);
  if (!(faulty && fault.kind == K::NoAck)) Write({kDle, kAck});
  if (pendingBaud_ != 0) baud_ = std::exchange(pendingBaud_, 0);
  if (code == 0x26 || (code == 0x07 && !body.empty() && body[0] <= 1)) Restart();
  if (faulty && fault.kind == K::Unsolicited && code == 0x01) {
    // A tally for another destination comes first.
    Write(EncodeFrame(kTally, Bytes{body[0], 0x00, static_cast<std::uint8_t>(body[2] ^ 1), 0x09}));
  }
  if (!faulty) return Send(reply);
  switch (fault.kind) {
    case K::AckOnly: return;
    case K::DatabaseCorrupt: return Send(EncodeFrame(kDatabaseCorrupt, {}));
    case K::CutReply:
      // Half a frame, then nothing: no end marker, so nothing to refuse.
      lastSent_ = reply;
      resends_ = 0;
      return Write(Bytes(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(reply.size() / 2)));
    case K::OtherItem:
    case K::Lying: {
      if (reply.size() < kMinFrameSize + 2) return Send(reply);
      const Bytes sound = Unstuffed(reply);
      Bytes changed(FrameBody(sound).begin(), FrameBody(sound).end());
      const std::uint8_t replyCode = FrameCommand(reply);
      const bool other = fault.kind == K::OtherItem;
      switch (replyCode) {
        case kTableData: other ? (void)(changed[3] ^= 1) : (void)(changed[0] = 250); break;
        case kChecksumReply: other ? (void)(changed[3] ^= 1) : (void)(changed[1] += 1); break;
        case kShortChecksumReply: other ? (void)(changed[1] ^= 1) : (void)(changed[0] += 1); break;
        case kParameterReadReply:
        case kParameterWriteReply: changed[3] ^= 1; break;
        case kTally: changed[2] ^= 1; break;
        case kSourceNameReply:
        case kAssocNameReply: other ? (void)(changed[3] ^= 1) : (void)(changed[1] = 255); break;
        case kDiagnosticsReply:
          if (other) changed[0] ^= 0x40;
          else if (changed.size() > 3) changed[1] = changed[2] = changed[3] = 0xFF;
          break;
        default: break;
      }
      return Send(EncodeFrame(replyCode, changed));
    }
    case K::CorruptReply: return Send(reply, true);
    default: return Send(reply);
  }
}

Bytes Simulator::Answer(std::uint8_t code, std::span<const std::uint8_t> body) {
  std::lock_guard lock(lock_);
  Bytes out;
  switch (code) {
    case 0x01: {  // Interrogate
      if (body.size() < 3) return {};
      const int matrix = body[0] >> 4, level = body[0] & 0x0F, dest = (body[1] >> 4) * 128 + (body[2] & 0x7F);
      auto it = crosspoints_.find({matrix, level, dest});
      const int source = it == crosspoints_.end() ? 0 : it->second;
      return EncodeFrame(kTally, Bytes{body[0], static_cast<std::uint8_t>((dest >> 7) << 4 | ((source >> 7) & 0x0F)),
                                       body[2], static_cast<std::uint8_t>(source & 0x7F)});
    }
    case 0x02: {  // Connect: switched unless protected, and the controller tells everyone
      if (body.size() < 4) return {};
      const int dest = (body[1] >> 4) * 128 + (body[2] & 0x7F), source = (body[1] & 0x0F) * 128 + (body[3] & 0x7F);
      const auto key = std::make_tuple(body[0] >> 4, body[0] & 0x0F, dest);
      if (protects_.count(key)) return {};
      crosspoints_[key] = source;
      return EncodeFrame(kConnected, body.first(4));
    }
    case 0x07:  // SystemCommand: resets, clear protects, modules, transfer
      if (body.empty()) return {};
      if (body[0] == 2) protects_.clear();
      if (body[0] == 1) return EncodeFrame(kStatusReply, Bytes{dual_[0], dual_[1]});
      return {};
    case 0x08: return EncodeFrame(kStatusReply, Bytes{dual_[0], dual_[1]});
    case 0x19:    // ParameterRead
    case 0x1B: {  // ParameterWrite
      if (body.size() < 5) return {};
      const int multiplier = body[1] == 1 ? body[2] >> 4 : body[2];
      const int type = body[1], matrix = body[0] >> 4, level = body[0] & 0x0F;
      const int item = multiplier * 128 + (body[3] & 0x7F);
      const long at = ParameterAddress(type, matrix, level, item);
      const auto key = std::make_tuple(type, matrix, level, item);
      if (code == 0x1B) (at >= 0 ? memory_[static_cast<std::size_t>(at)] : parameters_[key]) = body[4];
      const std::uint8_t value =
          at >= 0 ? memory_[static_cast<std::size_t>(at)] : parameters_.count(key) ? parameters_[key] : 0;
      return EncodeFrame(code == 0x19 ? kParameterReadReply : kParameterWriteReply,
                         Bytes{body[0], body[1], body[2], body[3], value});
    }
    case 0x1F: {  // TableRead
      if (body.size() < 4) return {};
      const std::uint8_t count = body[0];
      const std::uint32_t at = Address(body, 1);
      out = {count, body[1], body[2], body[3]};
      for (std::uint32_t i = 0; i < count; ++i) out.push_back(at + i < memory_.size() ? memory_[at + i] : 0xFF);
      return EncodeFrame(kTableData, out);
    }
    case 0x20: {  // TableData write
      if (body.size() < 7 || body.size() != body[0] + 7u) return {};
      const std::uint32_t at = Address(body, 1);
      for (std::size_t i = 0; i < body[0] && at + i < memory_.size(); ++i) memory_[at + i] = body[7 + i];
      // The PC's own port (general port slot 2) given a new speed: a
      // controller with a speed of its own takes it once it has acknowledged.
      const std::uint32_t pcBaud = format_->controllerMap->ctlGeneralPortArea + 8 * 2 + 1;
      if (baud_ != 0 && at <= pcBaud && pcBaud < at + body[0]) {
        for (const auto& rate : zephra::kBaudCodes) {
          if (rate.code == memory_[pcBaud]) pendingBaud_ = static_cast<int>(rate.baud);
        }
      }
      return {};
    }
    case 0x21:    // ShortChecksumRead
    case 0x27: {  // ChecksumRead
      const bool wide = code == 0x27;
      if (body.size() < (wide ? 4u : 2u)) return {};
      const unsigned count = wide ? body[0] << 8 | body[1] : body[0];
      const unsigned first = wide ? body[2] << 8 | body[3] : body[1];
      out.assign(body.begin(), body.begin() + (wide ? 4 : 2));
      const auto sums = zephra::BlockChecksums({memory_.data(), imageSize_});
      for (unsigned i = 0; i < count && i < 64; ++i) {
        const std::uint16_t sum = first + i < sums.size() ? sums[first + i] : 0;
        Append(out, {Hi(sum), Lo(sum)});
      }
      return EncodeFrame(wide ? kChecksumReply : kShortChecksumReply, out);
    }
    case 0x23:  // MemorySizeRequest
      if (body.empty()) return {};
      return EncodeFrame(kMemorySizeReply, Bytes{0x00, Lo(kReportedMemory >> 16), Hi(kReportedMemory), Lo(kReportedMemory)});
    case 0x25: downloading_ = true; return {};
    case 0x26:  // DownloadStop: restarts with the new database, then says so
      downloading_ = false;
      return EncodeFrame(kStatusReply, Bytes{dual_[0], dual_[1]});
    case 0x29: {  // DiagnosticsRequest
      if (body.size() < 2) return {};
      const std::uint8_t sub = body[0];
      switch (sub) {
        case 1:
          out = {1, 0, Hi(kPanels), Lo(kPanels)};
          for (int i = 0; i < kPanels; ++i) Append(out, {static_cast<std::uint8_t>(i + 1), 0x01});
          break;
        case 11: out = {11, 0, Hi(kMatrixPorts), Lo(kMatrixPorts), 0xFF, 0x7F}; break;
        case 12: out = {12, body[1], 0, kSecondaryPorts, 0x01, 0x00, 0x02, 0x00}; break;
        case 21: out = {21, 0, 0x20, 0, kModules, 0x0F, 0x03, 0x00, 0x01}; break;
        case 31:
          out = {31, static_cast<std::uint8_t>(sizeof kFirmware - 1)};
          out.insert(out.end(), kFirmware, kFirmware + sizeof kFirmware - 1);
          break;
        case 32: out = {32, kSwitches, 0xA5, 0x01}; break;
        case 33:
          // Two data bytes for each N: the number of checksums, the
          // checksums, and one byte over.
          out = {33, static_cast<std::uint8_t>(std::size(kEproms) + 1), static_cast<std::uint8_t>(std::size(kEproms))};
          for (std::uint16_t c : kEproms) Append(out, {Hi(c), Lo(c)});
          out.push_back(0);
          break;
        default: out = {sub}; break;
      }
      return EncodeFrame(kDiagnosticsReply, out);
    }
    case 0x2D: return EncodeFrame(kVersionReply, Bytes(version_.begin(), version_.begin() + 8));
    case 0x65:    // SourceNameRequest
    case 0x67: {  // AssocNameRequest
      if (body.size() < 4) return {};
      const int number = body[2] << 8 | body[3];
      // A source's name is its slot of the source area, a destination
      // association's its slot of the association name area.
      std::string name(8, ' ');
      if (code == 0x65 && (body[0] >> 4) == 0 && (body[0] & 0x0F) < 8 && number <= 4096) {
        const auto at = memory_.begin() + SourceNameAddress(body[0] & 0x0F, number);
        name.assign(at, at + 8);
      } else if (code == 0x67 && (body[0] >> 4) == 0 && number < format_->maxAssociations) {
        const auto at = memory_.begin() + format_->controllerMap->ctlDestAssocArea + 8 * number;
        name.assign(at, at + 8);
      }
      const std::size_t characters = 4u * body[1] + 4;
      name.resize(characters, ' ');
      out = {body[0], body[1], body[2], body[3], 0};
      out.insert(out.end(), name.begin(), name.end());
      return EncodeFrame(code == 0x65 ? kSourceNameReply : kAssocNameReply, out);
    }
    default: return {};
  }
}

}  // namespace ctlsim
