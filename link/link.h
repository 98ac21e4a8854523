// One open link to the controller: the port, the receiver, dispatcher and
// writer threads, the transmit queue with its stop-and-wait acknowledgement
// and retries, and the reply mailboxes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "frame.h"
#include "port.h"

namespace tolvex {

// Every time limit of the link, in one place. Tests may shorten them.
struct Timing {
  int replyMs = 6000;      // an acknowledgement or a reply
  int longReplyMs = 11000; // checksum replies, the restart's status reply
  int retryMs = 1000;      // an unacknowledged frame is written again
  int readPollMs = 1000;   // the receiver looks at its stop request this often
};
Timing& LinkTiming();
void SetLinkTimingForTests(const Timing& timing);

inline constexpr int kTries = 5;

class Link {
 public:
  Link(TolvexErrorCallback onError, std::uint16_t slot) : onError_(onError), slot_(slot) {}
  ~Link() { Stop(); }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  Status Start(const std::string& path, const LineSettings& line);
  void Stop();
  SerialPort& Port() { return port_; }
  const std::string& Path() const { return path_; }
  void ReportErrors(bool on) { report_ = on; }
  void Report(Status status);

  // Queues a frame and waits for the controller's acknowledgement of it.
  Status SendAcknowledged(Bytes frame, int tries, int timeoutMs);
  // Queues a frame without waiting.
  std::uint64_t Queue(Bytes frame, int tries, bool notify = false);
  // A mark of the replies seen so far; a command notes it before it sends,
  // then waits for a newer reply, so a late or stale reply never answers it.
  std::uint64_t Generation();
  // The first reply of one of `codes` newer than `since`, or nothing.
  std::optional<Bytes> WaitReply(std::initializer_list<std::uint8_t> codes, std::uint64_t since, int timeoutMs);

 private:
  struct Entry {
    std::uint64_t id;
    Bytes frame;
    int tries;
    bool notify;  // its sender waits for the acknowledgement
  };
  void Receiver();
  void Dispatcher();
  void Writer();
  void SendHead(std::unique_lock<std::mutex>& lock);

  TolvexErrorCallback onError_;
  std::uint16_t slot_;
  std::atomic<bool> report_{false};
  SerialPort port_;
  std::string path_;
  int stopPipe_[2] = {-1, -1};
  std::atomic<bool> stopping_{false};
  std::thread receiver_, dispatcher_, writer_;

  // Writer state, under txLock_.
  std::mutex txLock_;
  std::condition_variable txWake_, acked_;
  std::deque<Entry> tx_;
  std::uint64_t nextId_ = 1;
  std::optional<std::uint64_t> awaiting_;  // the id written and not yet acknowledged
  bool ackIn_ = false, nakIn_ = false;
  int sendAck_ = 0, sendNak_ = 0;
  std::map<std::uint64_t, bool> done_;     // id -> acknowledged (true) or dropped (false)

  // Received frames and the mailboxes, under rxLock_.
  std::mutex rxLock_;
  std::condition_variable rxWake_, replyWake_;
  std::deque<Bytes> rx_;
  std::uint64_t seq_ = 0;  // replies received
  std::map<std::uint8_t, std::pair<std::uint64_t, Bytes>> mail_;  // code -> (its sequence, latest frame)
};

}  // namespace tolvex
