// A controller at the far end of a pseudo-terminal: it holds a controller's
// memory, crosspoints, parameters and names, answers the link's frames as
// the controller does, and can be told to misbehave so that every fault on
// the line can be tested.
#pragma once

#include <termios.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "link/frame.h"

namespace zephra {
struct FormatInfo;
}

namespace ctlsim {

using tolvex::Bytes;

// A misbehaviour: for frames with `code` (0 any), skip the first `after`
// ones, then misbehave `times` times.
struct Fault {
  enum class Kind {
    Nak,              // DLE NAK instead of DLE ACK
    Silent,           // neither acknowledgement nor reply
    AckOnly,          // the acknowledgement, no reply
    CorruptReply,     // the reply damaged on the line (once; a NAK brings the sound one)
    CutReply,         // the reply ends half way
    DatabaseCorrupt,  // DatabaseCorrupt instead of the reply
    OtherItem,        // the reply names another item, address or block
    Lying,            // the reply's counts promise more than it holds
    Garbage,          // line noise before the reply
    OverLong,         // an endless frame before the reply
    Unsolicited,      // Connected and Tally traffic for something else before the reply
    Delay,            // the answer comes `value` ms late
    Deaf,             // from now on the controller hears nothing
    CloseLine,        // the controller drops the line
    ChangeSpeed,      // the controller goes to `value` baud, then answers
    NoAck,            // the reply without the acknowledgement before it
  };
  Kind kind;
  std::uint8_t code = 0;
  int after = 0;
  int times = 1;
  int value = 0;
};

struct Options {
  int configType = 4;       // 2 (V1), 3 (V2) or 4 (V3)
  int baud = 0;             // the controller's line speed; 0 follows the PC's
  bool pace = false;        // bytes take their time on the line
  int restartMs = 200;      // a restart takes this long, deaf meanwhile
  std::string version;      // the database version text; empty: the format's
};

class Simulator {
 public:
  explicit Simulator(int configType = 4) : Simulator(WithFormat(configType)) {}
  explicit Simulator(const Options& options);
  ~Simulator();
  static Options WithFormat(int configType) {
    Options options;
    options.configType = configType;
    return options;
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the pseudo-terminal and starts answering; the path of the PC end.
  bool Start();
  void Stop();
  const std::string& PortPath() const { return path_; }

  void AddFault(const Fault& fault);
  void ClearFaults();
  // Every frame received (unstuffed), in order.
  std::vector<Bytes> Received();
  std::size_t CountReceived(std::uint8_t code);
  // The image and the parameter areas.
  std::vector<std::uint8_t> Memory();
  std::uint32_t Extent() const { return extent_; }
  void SetMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
  std::uint32_t ImageSize() const { return imageSize_; }
  void SetVersion(const std::string& text);
  void SetDualStatus(std::uint8_t first, std::uint8_t second);
  void SetSourceName(int matrix, int level, int source, const std::string& name);
  void SetParameter(int type, int matrix, int level, int item, std::uint8_t value);
  std::uint8_t Parameter(int type, int matrix, int level, int item);
  int Crosspoint(int matrix, int level, int destination);  // -1 when none
  // A protected destination keeps its source until protects are cleared.
  void Protect(int matrix, int level, int destination);
  bool Protected(int matrix, int level, int destination);
  // Sends a Connected message as the controller does when a panel switches.
  void Switch(int matrix, int level, int destination, int source);
  int Restarts() const { return restarts_; }
  // The controller's own frames the PC acknowledged or refused.
  int AcksReceived() const { return acks_; }
  int NaksReceived() const { return naks_; }
  bool Downloading() const { return downloading_; }
  // The line settings the PC end has its port set to; nothing once the
  // line is gone.
  std::optional<termios> PcLine();

  // The memory as a file, and back.
  bool Save(const std::string& path);
  bool Load(const std::string& path);

 private:
  void Run();
  void Handle(const Bytes& frame);
  Bytes Answer(std::uint8_t code, std::span<const std::uint8_t> body);
  void Send(const Bytes& frame, bool corrupt = false);
  void Write(const Bytes& bytes);
  void Restart();
  // The place of a parameter byte in memory, or -1 outside the areas.
  long ParameterAddress(int type, int matrix, int level, int item) const;
  // The 8-byte name slot of a source in the source area.
  std::uint32_t SourceNameAddress(int level, int source) const;
  void Pace(std::size_t bytes);
  bool Misbehave(std::uint8_t code, Fault& fault);
  bool SpeedMatches();

  Options options_;
  int master_ = -1, slave_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::string path_;
  std::thread thread_;
  std::atomic<bool> stopping_{false}, deaf_{false};
  std::atomic<int> restarts_{0}, acks_{0}, naks_{0};
  std::atomic<bool> downloading_{false};
  std::atomic<int> baud_{0};

  std::mutex lock_;
  std::mutex writeLock_;  // one writer on the line at a time
  std::vector<std::uint8_t> memory_;  // the whole 24-bit address space
  std::uint32_t imageSize_, extent_;
  const zephra::FormatInfo* format_ = nullptr;
  std::string version_;
  std::uint8_t dual_[2] = {0, 0};
  std::vector<Bytes> received_;
  std::vector<std::pair<Fault, int>> faults_;  // with the frames seen so far
  std::map<std::tuple<int, int, int>, int> crosspoints_;
  std::map<std::tuple<int, int, int>, bool> protects_;
  std::map<std::tuple<int, int, int, int>, std::uint8_t> parameters_;  // those outside the areas

  // The answering thread's own state.
  Bytes lastSent_;
  int resends_ = 0;
  int pendingBaud_ = 0;  // taken after the acknowledgement
  bool awaitingAck_ = false;
  std::chrono::steady_clock::time_point sentAt_;
};

// The line speed a termios speed code stands for; 0 when not a controller speed.
int BaudOf(speed_t speed);

// A fault rule written as CODE:KIND[:AFTER[:TIMES[:VALUE]]], e.g. "0x1F:nak:0:3"
// or "any:deaf"; nothing when it is not one. Kinds are named as in
// FaultKindNames().
std::optional<Fault> ParseFault(std::string_view text);
std::string FaultKindNames();

}  // namespace ctlsim
