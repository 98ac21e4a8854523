#include "port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "zephra/zephra.h"

namespace tolvex {
namespace {

struct Speed {
  int baud;
  speed_t code;
};
constexpr Speed kSpeeds[] = {{300, B300},     {1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                             {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};

Status FromErrno(int err) {
  switch (err) {
    case ENOENT: return DBS_SYS_FILE_NOT_FOUND;
    case EACCES:
    case EPERM: return DBS_SYS_ACCESS_DENIED;
    case EBUSY:
    case EWOULDBLOCK: return DBS_SYS_SHARING_VIOLATION;
    case ENAMETOOLONG: return DBS_SYS_INVALID_NAME;
    default: return DBS_SYS_GEN_FAILURE;
  }
}

}  // namespace

std::string PortPath(std::u16string_view name) {
  if (name.substr(0, 4) == u"\\\\.\\") name.remove_prefix(4);
  std::string s;
  for (char16_t c : name) {
    if (c == 0) break;
    s += c < 0x80 ? static_cast<char>(c) : '?';
  }
  if (!s.empty() && s[0] == '/') return s;
  if (s.size() > 3 && (s.compare(0, 3, "COM") == 0 || s.compare(0, 3, "com") == 0)) {
    try {
      const int n = std::stoi(s.substr(3));
      if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    } catch (...) {
    }
  }
  return "/dev/" + s;
}

Status CheckSettings(const TolvexPortSettings& s, LineSettings& out) {
  out = {};
  for (const Speed& sp : kSpeeds) {
    if (sp.baud == s.baudRate) out.speed = sp.code, out.baud = sp.baud;
  }
  if (out.baud == 0) return DBS_ERR_TRANSFER_BUSY;
  if (s.dataBits != 7 && s.dataBits != 8) return DBS_ERR_DATA_BITS_UNSUPPORTED;
  if (s.parity > 2) return DBS_ERR_PARITY_UNSUPPORTED;
  if (s.stopBits != 2 && s.stopBits != 4) return DBS_ERR_STOP_BITS_UNSUPPORTED;
  out.dataBits = s.dataBits;
  out.parity = s.parity;
  out.stopBits = s.stopBits / 2;
  out.handshake = s.handshake == 1;
  return DBS_OK;
}

termios MakeTermios(const termios& base, const LineSettings& line, LineMode mode, bool modemLines) {
  termios t = base;
  const bool flowBefore = (base.c_cflag & CRTSCTS) != 0;
  cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | (line.dataBits == 7 ? CS7 : CS8);
  if (line.parity) t.c_cflag |= PARENB | (line.parity == 1 ? PARODD : 0);
  if (line.stopBits == 2) t.c_cflag |= CSTOPB;
  t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
  if (mode == LineMode::Retune) {
    // Only a port with modem lines has its flow control changed.
    if (modemLines ? line.handshake : flowBefore) t.c_cflag |= CRTSCTS;
    if (line.parity) t.c_iflag |= INPCK;
  }
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, line.speed);
  cfsetospeed(&t, line.speed);
  return t;
}

Status SerialPort::Open(const std::string& path) {
  Close();
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return FromErrno(errno);
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    Close();
    return FromErrno(err);
  }
  ioctl(fd_, TIOCEXCL);
  haveSaved_ = tcgetattr(fd_, &saved_) == 0;
  if (!haveSaved_) {
    Close();
    return DBS_SYS_ACCESS_DENIED;  // not a serial port
  }
  int lines = 0;
  modemLines_ = ioctl(fd_, TIOCMGET, &lines) == 0;
  return DBS_OK;
}

Status SerialPort::Apply(const LineSettings& line, LineMode mode) {
  termios current{};
  if (tcgetattr(fd_, &current) != 0) return FromErrno(errno);
  const termios wanted = MakeTermios(current, line, mode, modemLines_);
  tcsetattr(fd_, TCSANOW, &wanted);
  // What counts is what the port took: a pseudo-terminal keeps 8 bits and no
  // parity whatever it is asked, and the speed is what matters on the line.
  termios applied{};
  if (tcgetattr(fd_, &applied) != 0 || cfgetospeed(&applied) != line.speed) return DBS_ERR_TRANSFER_BUSY;
  // RTS not driven: lowered, unless the handshake drives it.
  if (modemLines_ && !(wanted.c_cflag & CRTSCTS)) {
    int rts = TIOCM_RTS;
    if (ioctl(fd_, TIOCMBIC, &rts) != 0) return FromErrno(errno);
  }
  line_ = line;
  return DBS_OK;
}

Status SerialPort::SetDtr(bool on) {
  // A port without modem lines (a pseudo-terminal) has no DTR: nothing to do.
  if (!modemLines_) return DBS_OK;
  int bits = TIOCM_DTR;
  if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) != 0) return FromErrno(errno);
  dtrRaised_ = on;
  return DBS_OK;
}

Status SerialPort::Purge() {
  if (fd_ >= 0 && tcflush(fd_, TCIOFLUSH) != 0) return FromErrno(errno);
  return DBS_OK;
}

Status SerialPort::Close(const std::function<void(Status)>& failed) {
  if (fd_ < 0) return DBS_OK;
  Status first = DBS_OK;
  const auto step = [&](Status s) {
    if (s == DBS_OK) return;
    if (failed) failed(s);
    if (first == DBS_OK) first = s;
  };
  if (dtrRaised_) step(SetDtr(false));
  if (haveSaved_ && tcsetattr(fd_, TCSANOW, &saved_) != 0) step(FromErrno(errno));
  step(Purge());
  if (close(fd_) != 0) step(FromErrno(errno));
  fd_ = -1;
  haveSaved_ = dtrRaised_ = modemLines_ = false;
  return first;
}

bool SerialPort::WriteAll(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, 1000) <= 0) return false;  // the line stays blocked
  }
  return true;
}

}  // namespace tolvex
