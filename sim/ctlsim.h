// A controller at the far end of a pseudo-terminal: it holds a controller's
// memory and answers the link's frames as the controller does, and can be
// told to misbehave so that every fault on the line can be tested.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/frame.h"

namespace ctlsim {

using tolvex::Bytes;

// A misbehaviour: for frames with `code` (0 any), skip the first `after`
// ones, then misbehave `times` times.
struct Fault {
  enum class Kind { Nak, Silent, AckOnly, CorruptReply, DatabaseCorrupt };
  Kind kind;
  std::uint8_t code = 0;
  int after = 0;
  int times = 1;
};

class Simulator {
 public:
  // A controller of format 2 (V1), 3 (V2) or 4 (V3).
  explicit Simulator(int configType = 4);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the pseudo-terminal and starts answering; the path of the PC end.
  bool Start();
  void Stop();
  const std::string& PortPath() const { return path_; }

  void AddFault(const Fault& fault);
  // Every frame received (unstuffed), in order.
  std::vector<Bytes> Received();
  std::vector<std::uint8_t> Memory();
  void SetMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
  std::uint32_t ImageSize() const { return imageSize_; }
  void SetVersion(const std::string& text) { version_ = text; }

 private:
  void Run();
  void Handle(const Bytes& frame);
  // Sends a frame and keeps it for a NAK to ask again.
  void Send(const Bytes& frame, bool corrupt = false);
  void Write(const Bytes& bytes);
  bool Misbehave(std::uint8_t code, Fault::Kind& kind);

  int master_ = -1, slave_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::string path_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::mutex lock_;
  std::vector<std::uint8_t> memory_;
  std::uint32_t imageSize_;
  std::string version_;
  std::vector<Bytes> received_;
  std::vector<std::pair<Fault, int>> faults_;  // with the frames seen so far
  Bytes lastSent_;
  int resends_ = 0;
};

}  // namespace ctlsim
