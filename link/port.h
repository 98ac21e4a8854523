// The PC's serial port on POSIX termios: opened exclusively by name, set to
// the controller's line settings, read without blocking and written whole.
#pragma once

#include <termios.h>

#include <cstdint>
#include <functional>
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

// How the line is set up. Going on-line sets it plain whatever the handshake
// asks: no CTS output flow, RTS not driven, no parity checking. A re-tune
// follows the settings: CTS flow with RTS handshake only for handshake 1 and
// only on a port with modem lines (elsewhere the flow setting stays as it
// was), parity checking whenever there is parity.
enum class LineMode { OnLine, Retune };
termios MakeTermios(const termios& base, const LineSettings& line, LineMode mode, bool modemLines);

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort() { Close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  Status Open(const std::string& path);
  // Applies the settings; what a port cannot do (parity or 7 bits on a
  // pseudo-terminal) is left as the port has it.
  Status Apply(const LineSettings& line, LineMode mode);
  // DTR, on ports that have modem lines; elsewhere there is nothing to do.
  Status SetDtr(bool on);
  Status Purge();
  // Lowers DTR if it was raised, gives the port back its settings from
  // before, purges it and closes it; the first failure, every step taken.
  // `failed` hears of each failure as it happens.
  Status Close(const std::function<void(Status)>& failed = {});

  bool IsOpen() const { return fd_ >= 0; }
  // A serial port with modem lines (RS-232), not a pseudo-terminal.
  bool HasModemLines() const { return modemLines_; }
  int Descriptor() const { return fd_; }
  const LineSettings& Line() const { return line_; }
  // Writes every byte; false when the port fails or stays blocked.
  bool WriteAll(std::span<const std::uint8_t> bytes);

 private:
  int fd_ = -1;
  termios saved_{};
  bool haveSaved_ = false;
  bool dtrRaised_ = false;
  bool modemLines_ = false;
  LineSettings line_{};
};

}  // namespace tolvex
