// The PC's serial port on POSIX termios: opened exclusively by name, set to
// the controller's line settings, read without blocking and written whole.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tolvex/tolvex.h"

namespace tolvex {

using Status = std::uint32_t;

// "/dev/x" stays; "COMn" is /dev/ttyS(n-1); anything else lies under /dev.
// A leading "\\.\" is dropped.
std::string PortPath(std::u16string_view name);

// The line settings as termios, or the status refusing them: the speeds the
// controller uses, 7 or 8 data bits, no/odd/even parity, one or two stop bits.
struct LineSettings {
  speed_t speed;
  int baud, dataBits, parity, stopBits;
  bool handshake;
};
Status CheckSettings(const TolvexPortSettings& s, LineSettings& out);
termios MakeTermios(const termios& base, const LineSettings& line);

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort() { Close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  Status Open(const std::string& path);
  // Applies the settings; what a port cannot do (parity or 7 bits on a
  // pseudo-terminal) is left as the port has it.
  Status Apply(const LineSettings& line);
  // DTR, on ports that have modem lines.
  void SetDtr(bool on);
  void Purge();
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const LineSettings& Line() const { return line_; }
  // Writes every byte; false when the port fails or stays blocked.
  bool WriteAll(std::span<const std::uint8_t> bytes);

 private:
  int fd_ = -1;
  termios saved_{};
  bool haveSaved_ = false;
  bool dtrRaised_ = false;
  LineSettings line_{};
};

}  // namespace tolvex
