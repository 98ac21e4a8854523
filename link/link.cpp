#include "link.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "zephra/zephra.h"

namespace tolvex {

namespace {
std::mutex timingLock;
Timing& Configured() {
  static Timing timing;
  return timing;
}
}  // namespace

Timing LinkTiming() {
  std::lock_guard lock(timingLock);
  return Configured();
}

void SetLinkTimingForTests(const Timing& timing) {
  std::lock_guard lock(timingLock);
  Configured() = timing;
}

void Link::Report(Status status) {
  if (report_ && onError_) onError_(status);
}

void Link::ReportNow(Status status) {
  if (status != DBS_OK && onError_) onError_(status);
}

Status Link::Start(const std::string& path, const TolvexPortSettings& settings) {
  path_ = path;
  if (Status s = port_.Open(path); s != DBS_OK) {
    ReportNow(s);
    return s;
  }
  LineSettings line;
  if (Status s = CheckSettings(settings, line); s != DBS_OK) {
    Stop();
    return s;
  }
  // Each step is taken even after one fails; any failure ends the start.
  Status result = DBS_OK;
  const auto step = [&](Status s) {
    ReportNow(s);
    if (result == DBS_OK) result = s;
  };
  step(port_.Apply(line, LineMode::OnLine));
  if (!line.handshake) step(port_.SetDtr(true));
  step(port_.Purge());
  if (result == DBS_OK && pipe2(stopPipe_, O_CLOEXEC) != 0) step(DBS_ERR_OUT_OF_MEMORY);
  if (result != DBS_OK) {
    Stop();
    return result;
  }
  try {
    receiver_ = std::thread(&Link::Receiver, this);
    dispatcher_ = std::thread(&Link::Dispatcher, this);
    writer_ = std::thread(&Link::Writer, this);
  } catch (...) {
    ReportNow(DBS_ERR_RECEIVER_THREAD);
    Stop();
    return DBS_ERR_RECEIVER_THREAD;
  }
  return DBS_OK;
}

void Link::Interrupt() {
  stopping_ = true;
  if (stopPipe_[1] >= 0) {
    const char c = 1;
    (void)!write(stopPipe_[1], &c, 1);
  }
  {
    std::lock_guard lock(txLock_);
    txWake_.notify_all();
    acked_.notify_all();
  }
  {
    std::lock_guard lock(rxLock_);
    rxWake_.notify_all();
    replyWake_.notify_all();
  }
}

Status Link::Stop() {
  Interrupt();
  for (std::thread* t : {&writer_, &dispatcher_, &receiver_}) {
    if (t->joinable()) t->join();
  }
  const Status closed = port_.Close([this](Status s) { ReportNow(s); });
  for (int& fd : stopPipe_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  return closed;
}

void Link::Receiver() {
  ReceiveParser parser({[this] {
                          std::lock_guard lock(txLock_);
                          ackIn_ = true;
                          txWake_.notify_all();
                        },
                        [this] {
                          std::lock_guard lock(txLock_);
                          nakIn_ = true;
                          txWake_.notify_all();
                        },
                        [this](bool ok) {
                          std::lock_guard lock(txLock_);
                          ++(ok ? sendAck_ : sendNak_);
                          txWake_.notify_all();
                        },
                        [this](const Bytes& frame) {
                          std::lock_guard lock(rxLock_);
                          // A dispatcher that cannot keep up loses the backlog,
                          // not the process's memory.
                          if (rx_.size() >= kReceiveQueueFrames) rx_.clear();
                          rx_.push_back(frame);
                          rxWake_.notify_all();
                        }});
  std::uint8_t buffer[kFrameBufferSize];
  bool hungUp = false;
  while (!stopping_) {
    pollfd fds[2] = {{port_.Descriptor(), POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    // A far end that has gone is reported once; then the receiver only waits
    // for its stop request instead of spinning on the dead line.
    const int n = poll(fds, hungUp ? 1 : 2, timing_.readPollMs);
    if (hungUp) {
      pollfd stop{stopPipe_[0], POLLIN, 0};
      if (poll(&stop, 1, timing_.readPollMs) > 0) break;
      continue;
    }
    if (n <= 0) continue;
    if (fds[1].revents) break;
    if (fds[0].revents & POLLIN) {
      const ssize_t got = read(port_.Descriptor(), buffer, sizeof buffer);
      if (got > 0) {
        parser.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(got)));
        continue;
      }
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      hungUp = true;
      Report(DBS_ERR_COMMS);
    }
  }
}

void Link::Dispatcher() {
  std::unique_lock lock(rxLock_);
  while (true) {
    rxWake_.wait(lock, [this] { return stopping_ || !rx_.empty(); });
    if (stopping_) return;
    std::vector<Bytes> connected;
    while (!rx_.empty()) {
      Bytes frame = std::move(rx_.front());
      rx_.pop_front();
      const std::uint8_t code = FrameCommand(frame);
      if (code == kConnected) connected.push_back(frame);
      auto& box = mail_[code];
      box.push_back({++seq_, std::move(frame)});
      if (box.size() > kMailboxDepth) box.pop_front();
    }
    replyWake_.notify_all();
    if (TolvexConnectedCallback callback = connected_.load(); callback && !connected.empty()) {
      lock.unlock();
      for (const Bytes& frame : connected) {
        const auto body = FrameBody(frame);
        if (body.size() < 4) continue;
        const Crosspoint xp = DecodeCrosspoint(body);
        callback(xp.matrix, xp.level, xp.destination, xp.source);
      }
      lock.lock();
    }
  }
}

void Link::SendHead(std::unique_lock<std::mutex>& lock) {
  // A head with no tries left is dropped: its sender runs into its time-out,
  // and no later acknowledgement can be taken for it.
  while (!tx_.empty() && tx_.front().tries <= 0) {
    if (tx_.front().notify) done_[tx_.front().id] = false;
    tx_.pop_front();
    awaiting_.reset();
    acked_.notify_all();
  }
  if (tx_.empty()) return;
  Entry& head = tx_.front();
  --head.tries;
  const Bytes frame = head.frame;
  awaiting_ = head.id;
  lock.unlock();
  const bool written = port_.WriteAll(frame);
  lock.lock();
  if (!written) Report(DBS_ERR_TIMEOUT);
}

void Link::Writer() {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(txLock_);
  auto lastEvent = Clock::now();
  while (!stopping_) {
    const auto retryAt = lastEvent + std::chrono::milliseconds(timing_.retryMs);
    txWake_.wait_until(lock, retryAt, [this] {
      return stopping_ || ackIn_ || nakIn_ || sendAck_ || sendNak_ || (!awaiting_ && !tx_.empty());
    });
    if (stopping_) break;
    while (sendAck_ || sendNak_) {
      const bool ack = sendAck_ > 0;
      --(ack ? sendAck_ : sendNak_);
      const std::uint8_t reply[2] = {kDle, ack ? kAck : kNak};
      lock.unlock();
      port_.WriteAll(reply);
      lock.lock();
    }
    if (ackIn_) {
      ackIn_ = false;
      // Only the frame written last can be acknowledged.
      if (awaiting_ && !tx_.empty() && tx_.front().id == *awaiting_) {
        if (tx_.front().notify) done_[tx_.front().id] = true;
        tx_.pop_front();
        acked_.notify_all();
      }
      awaiting_.reset();
      lastEvent = Clock::now();
    }
    if (nakIn_) {
      nakIn_ = false;
      if (awaiting_) {
        SendHead(lock);  // again, at once
        lastEvent = Clock::now();
        continue;
      }
    }
    if (awaiting_) {
      if (Clock::now() >= retryAt) {
        SendHead(lock);  // no acknowledgement: again
        lastEvent = Clock::now();
      }
      continue;  // a newly queued frame waits for this one
    }
    if (!tx_.empty()) {
      SendHead(lock);
      lastEvent = Clock::now();
    }
  }
}

std::uint64_t Link::Queue(Bytes frame, int tries, bool notify) {
  std::lock_guard lock(txLock_);
  const std::uint64_t id = nextId_++;
  tx_.push_back({id, std::move(frame), tries, notify});
  txWake_.notify_all();
  return id;
}

Status Link::SendAcknowledged(Bytes frame, int tries, int timeoutMs) {
  if (frame.empty()) return DBS_ERR_INVALID_ARGUMENT;
  return WaitAcknowledged(Queue(std::move(frame), tries, true), timeoutMs) ? DBS_OK : DBS_ERR_TIMEOUT;
}

bool Link::WaitAcknowledged(std::uint64_t id, int timeoutMs) {
  std::unique_lock lock(txLock_);
  const bool answered = acked_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return stopping_ || done_.count(id) > 0; });
  const bool ok = answered && done_.count(id) && done_[id];
  done_.erase(id);
  if (!ok) {
    // Not acknowledged in time: the frame goes, so it cannot be written later.
    for (auto it = tx_.begin(); it != tx_.end(); ++it) {
      if (it->id != id) continue;
      if (awaiting_ == id) awaiting_.reset();
      tx_.erase(it);
      break;
    }
  }
  return ok;
}

std::uint64_t Link::Generation() {
  std::lock_guard lock(rxLock_);
  return seq_;
}

std::optional<Link::Reply> Link::WaitReply(std::initializer_list<std::uint8_t> codes, std::uint64_t since,
                                           int timeoutMs) {
  std::unique_lock lock(rxLock_);
  std::optional<Reply> found;
  replyWake_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (std::uint8_t code : codes) {
      auto it = mail_.find(code);
      if (it == mail_.end()) continue;
      for (const Reply& reply : it->second) {
        if (reply.sequence <= since) continue;
        if (!found || reply.sequence < found->sequence) found = reply;
        break;
      }
    }
    return found.has_value() || stopping_.load();
  });
  return found;
}

Crosspoint DecodeCrosspoint(std::span<const std::uint8_t> body) {
  return {static_cast<std::uint16_t>(body[0] >> 4), static_cast<std::uint16_t>(body[0] & 0x0F),
          static_cast<std::uint16_t>((body[1] >> 4) * 128 + (body[2] & 0x7F)),
          static_cast<std::uint16_t>((body[1] & 0x0F) * 128 + (body[3] & 0x7F))};
}

}  // namespace tolvex
