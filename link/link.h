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
  int cycleMs = 2000;      // one wait for a parameter or tally reply
};
// The limits a link takes when it starts.
Timing LinkTiming();
void SetLinkTimingForTests(const Timing& timing);

inline constexpr int kTries = 5;
// Replies kept per message code for commands still waiting.
inline constexpr std::size_t kMailboxDepth = 32;
// Frames received and not yet dispatched, at most.
inline constexpr std::size_t kReceiveQueueFrames = 256;

// A crosspoint as Tally and Connected carry it.
struct Crosspoint {
  std::uint16_t matrix, level, destination, source;
};
// From a Tally or Connected body of at least 4 bytes.
Crosspoint DecodeCrosspoint(std::span<const std::uint8_t> body);

class Link {
 public:
  Link(TolvexErrorCallback onError, std::uint16_t slot) : onError_(onError), slot_(slot), timing_(LinkTiming()) {}
  ~Link() { Stop(); }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Opens the port, checks the settings against it and sets it up, then
  // starts the threads. The failures of the port's own calls are reported
  // at once as well as returned; settings the controller cannot use are
  // only returned.
  Status Start(const std::string& path, const TolvexPortSettings& settings);
  // Wakes every waiting command and thread; Stop then joins and closes, and
  // answers (and reports) the first failure of closing the port.
  void Interrupt();
  Status Stop();
  SerialPort& Port() { return port_; }
  const Timing& Times() const { return timing_; }
  const std::string& Path() const { return path_; }
  void ReportErrors(bool on) { report_ = on; }
  // Errors found while on-line, once the link has gone on-line.
  void Report(Status status);
  // Failures of going on-line and off-line themselves: always.
  void ReportNow(Status status);

  // Queues a frame and waits for the controller's acknowledgement of it.
  Status SendAcknowledged(Bytes frame, int tries, int timeoutMs);
  // Queues a frame without waiting; with notify, WaitAcknowledged can wait
  // for it.
  std::uint64_t Queue(Bytes frame, int tries, bool notify = false);
  // Whether the controller acknowledged the frame within the time; a frame
  // not acknowledged is taken off the queue, so it is never written later.
  bool WaitAcknowledged(std::uint64_t id, int timeoutMs);
  // A mark of the replies seen so far; a command notes it before it sends,
  // then waits for a newer reply, so a late or stale reply never answers it.
  std::uint64_t Generation();
  // The earliest reply of one of `codes` newer than `since`, or nothing.
  struct Reply {
    std::uint64_t sequence;
    Bytes frame;
  };
  std::optional<Reply> WaitReply(std::initializer_list<std::uint8_t> codes, std::uint64_t since, int timeoutMs);
  // Every Connected message from now on is passed to `callback` on the
  // dispatcher thread.
  void Listen(TolvexConnectedCallback callback) { connected_ = callback; }
  // One command at a time: they share the reply mailboxes.
  std::mutex& CommandLock() { return commandLock_; }

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
  std::atomic<TolvexConnectedCallback> connected_{nullptr};
  std::mutex commandLock_;
  std::uint16_t slot_;
  const Timing timing_;
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
  // code -> the latest replies of that code, oldest first
  std::map<std::uint8_t, std::deque<Reply>> mail_;
};

}  // namespace tolvex
