// The exported commands: each sends its message and waits for the
// acknowledgement or the reply.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "link.h"
#include "zephra/zephra.h"

namespace tolvex {
namespace {

constexpr std::uint16_t kSlots = 10;
// The access code the controller takes for ordinary table writes.
constexpr std::uint32_t kAccessCode = 0x000000;
constexpr std::uint16_t kChecksumMailbox = 4096;

struct Links {
  std::mutex lock;
  std::shared_ptr<Link> link;  // one link at a time
  std::uint16_t slot = 0;
};
Links& State() {
  static Links links;
  return links;
}

// The slot's link when it is on-line, else null. A command holds its own
// reference, so OffLine on another thread cannot free the link under it.
std::shared_ptr<Link> LinkOf(std::uint16_t slot) {
  Links& s = State();
  std::lock_guard lock(s.lock);
  return slot < kSlots && s.link && s.slot == slot ? s.link : nullptr;
}

// Takes a link out of service: waiting commands wake and return, then the
// threads are joined and the port closed once no command is running.
Status Retire(std::shared_ptr<Link> link) {
  if (!link) return DBS_OK;
  link->Interrupt();
  std::lock_guard one(link->CommandLock());
  return link->Stop();
}

template <class F>
Status Guard(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return DBS_ERR_OUT_OF_MEMORY;
  } catch (...) {
    return DBS_ERR_INVALID_ARGUMENT;
  }
}

template <class F>
Status OnLink(std::uint16_t slot, F&& body) noexcept {
  return Guard([&]() -> Status {
    const std::shared_ptr<Link> link = LinkOf(slot);
    if (!link) return DBS_ERR_INVALID_ARGUMENT;
    std::lock_guard one(link->CommandLock());
    return body(*link);
  });
}

Status Acknowledged(Link& link, Bytes frame) {
  const Status s = link.SendAcknowledged(std::move(frame), kTries, link.Times().replyMs);
  if (s != DBS_OK) link.Report(s);
  return s;
}

// Sends a frame and waits for one of the reply codes.
// Sends a frame and waits for a reply of one of the codes that `accept`
// takes as the answer to it; replies to earlier requests, late or not, are
// passed over.
template <class Accept>
std::optional<Bytes> AskFor(Link& link, Bytes frame, int tries, std::initializer_list<std::uint8_t> codes,
                            int timeoutMs, Accept&& accept) {
  if (frame.empty()) return std::nullopt;
  std::uint64_t since = link.Generation();
  link.Queue(std::move(frame), tries);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    auto reply = link.WaitReply(codes, since, static_cast<int>(left.count()));
    if (!reply) return std::nullopt;
    since = reply->sequence;
    if (accept(reply->frame)) return std::move(reply->frame);
  }
}

std::optional<Bytes> Ask(Link& link, Bytes frame, int tries, std::initializer_list<std::uint8_t> codes, int timeoutMs) {
  return AskFor(link, std::move(frame), tries, codes, timeoutMs, [](const Bytes&) { return true; });
}

// Block checksums, 64 blocks a request: ChecksumRead with 16-bit block
// numbers (wide) or ShortChecksumRead with 8-bit ones.
Status ReadChecksums(Link& link, std::uint16_t first, std::uint16_t count, std::uint16_t* destination, bool wide) {
  if (count == 0) return DBS_OK;
  const unsigned blocks = wide ? kChecksumMailbox : 256;
  if (!destination || unsigned{first} + count > blocks) return DBS_ERR_INVALID_ARGUMENT;
  const std::size_t head = wide ? 4 : 2;  // count and first block before the values
  for (std::uint32_t done = 0; done < count; done += 64) {
    const auto n = static_cast<std::uint16_t>(std::min<std::uint32_t>(64, count - done));
    const auto block = static_cast<std::uint16_t>(first + done);
    Bytes frame = wide ? msg::ChecksumRead(n, block)
                       : msg::ShortChecksumRead(static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(block));
    const std::uint8_t code = wide ? kChecksumReply : kShortChecksumReply;
    // Only a reply that covers exactly the blocks asked for answers: other
    // values would be somebody else's.
    const auto covers = [&](const Bytes& f) {
      if (FrameCommand(f) == kDatabaseCorrupt) return true;
      const auto body = FrameBody(f);
      if (body.size() != head + 2u * n) return false;
      const unsigned got = wide ? body[0] << 8 | body[1] : body[0];
      const unsigned from = wide ? body[2] << 8 | body[3] : body[1];
      return got == n && from == (wide ? block : block & 0xFFu);
    };
    const auto reply = AskFor(link, std::move(frame), kTries, {code, kDatabaseCorrupt}, link.Times().longReplyMs, covers);
    if (!reply) {
      link.Report(DBS_ERR_COMMS);
      return DBS_ERR_COMMS;
    }
    if (FrameCommand(*reply) == kDatabaseCorrupt) return DBS_ERR_CONTROLLER_CORRUPT;
    const auto body = FrameBody(*reply);
    for (unsigned i = 0; i < n; ++i) {
      destination[done + i] = static_cast<std::uint16_t>(body[head + 2 * i] << 8 | body[head + 1 + 2 * i]);
    }
  }
  return DBS_OK;
}

constexpr std::uint16_t kDestinations = 2048;  // a nibble multiplier and 7 bits
constexpr std::uint16_t kItems = 32768;        // a byte multiplier and 7 bits
bool RouterLevel(unsigned matrix, unsigned level) { return matrix < 16 && level < 16; }

// A parameter exchange: the frame is acknowledged, then replies are awaited
// until one names the item asked for (and, for a write, carries its value).
enum class Item : std::uint8_t { Source = 0, Destination = 1, Trigger = 2 };
Status Parameter(Link& link, Item type, const TolvexItemRecord* item, std::uint8_t* out, std::uint8_t value) {
  const bool get = out != nullptr;
  const int t = static_cast<int>(type);
  if (!item || !RouterLevel(item->matrix, item->level) ||
      item->item >= (type == Item::Destination ? kDestinations : kItems)) {
    return DBS_ERR_INVALID_ARGUMENT;
  }
  Bytes frame = get ? msg::ParameterRead(item->matrix, item->level, t, item->item)
                    : msg::ParameterWrite(item->matrix, item->level, t, item->item, value);
  std::uint64_t since = link.Generation();
  if (!link.WaitAcknowledged(link.Queue(std::move(frame), kTries, true), link.Times().replyMs)) {
    link.Report(DBS_ERR_TIMEOUT);
    return DBS_ERR_TIMEOUT;
  }
  const int giveUpAt = get ? 11 : 21;  // non-matching replies
  for (int mismatches = 0;;) {
    const auto reply = link.WaitReply({kParameterReadReply, kParameterWriteReply}, since, link.Times().cycleMs);
    if (!reply) {
      if (!get) return DBS_ERR_NO_MATCHING_REPLY;
      link.Report(DBS_ERR_INVALID_ARGUMENT);
      return DBS_ERR_INVALID_ARGUMENT;
    }
    since = reply->sequence;
    const auto body = FrameBody(reply->frame);
    if (body.size() >= 5) {
      const unsigned multiplier = body[1] == 1 ? body[2] >> 4 : body[2];
      const bool match = body[0] == msg::MatrixLevel(item->matrix, item->level) && body[1] == t &&
                         multiplier * 128 + (body[3] & 0x7F) == item->item && (get || body[4] == value);
      if (match) {
        if (get) *out = body[4];
        return DBS_OK;
      }
    }
    if (++mismatches >= giveUpAt) {
      if (get) link.Report(DBS_ERR_NO_MATCHING_REPLY);
      return DBS_ERR_NO_MATCHING_REPLY;
    }
  }
}

// A diagnostics request: up to `length` bytes (at most 256) of the reply's
// data, zeros after what the controller sent.
Status Diagnostics(Link& link, std::uint8_t sub, std::uint8_t argument, std::span<std::uint8_t> destination,
                   std::size_t* delivered = nullptr) {
  if (destination.data() == nullptr) return DBS_ERR_INVALID_ARGUMENT;
  // A reply for another sub-code is not this one's answer.
  const auto reply = AskFor(link, msg::DiagnosticsRequest(sub, argument), kTries, {kDiagnosticsReply},
                            link.Times().replyMs, [&](const Bytes& f) {
                              const auto body = FrameBody(f);
                              return !body.empty() && body[0] == sub;
                            });
  if (!reply) return DBS_ERR_COMMS;
  const auto data = DiagnosticsData(FrameBody(*reply));
  const std::size_t n = std::min(destination.size(), kDiagnosticsMax);
  std::fill_n(destination.data(), n, std::uint8_t{0});
  std::copy_n(data.begin(), std::min(n, data.size()), destination.data());
  if (delivered) *delivered = std::min(n, data.size());
  return DBS_OK;
}

// A name held by the controller: `length` characters, spaces after those
// the reply carries; the reply must name the item asked for.
Status Name(Link& link, Bytes frame, std::uint8_t code, std::uint8_t matrixLevel, bool levelCounts,
            std::uint16_t number, std::uint16_t length, char16_t* destination) {
  const auto reply = Ask(link, std::move(frame), kTries, {code}, link.Times().replyMs);
  if (!reply) {
    link.Report(DBS_ERR_COMMS);
    return DBS_ERR_COMMS;
  }
  const auto body = FrameBody(*reply);
  const std::uint8_t mask = levelCounts ? 0xFF : 0xF0;
  if (body.size() < 5 || (body[0] & mask) != (matrixLevel & mask) || (body[2] << 8 | body[3]) != number) {
    link.Report(DBS_ERR_INVALID_ARGUMENT);
    return DBS_ERR_INVALID_ARGUMENT;
  }
  const std::size_t sent = std::min<std::size_t>(4u * body[1] + 4, body.size() - 5);
  for (std::size_t i = 0; i < length; ++i) destination[i] = i < sent ? char16_t{body[5 + i]} : u' ';
  return DBS_OK;
}

// Asks once for the controller's version at the port's present speed
// (`baud`). While it waits, the search callback hears of that speed about
// every tenth of a second (stage = the speed) and may give up, which ends
// the wait at once.
Status FindController(Link& link, int baud, TolvexSearchStatusCallback onSearch, bool& stopped) {
  constexpr int kSliceMs = 100;
  std::uint64_t since = link.Generation();
  link.Queue(msg::VersionRequest(), 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(link.Times().replyMs);
  while (!stopped) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    const int wait = onSearch ? std::min<int>(kSliceMs, static_cast<int>(left.count())) : static_cast<int>(left.count());
    if (auto reply = link.WaitReply({kVersionReply}, since, wait)) {
      if (FrameBody(reply->frame).size() >= 8) return DBS_OK;
      since = reply->sequence;
      continue;
    }
    if (onSearch) {
      int32_t keepGoing = 1;
      onSearch(baud, &keepGoing);
      stopped = keepGoing == 0;
    }
  }
  return DBS_ERR_COMMS;
}

// The controller did not answer at the speed given: the caller hears of
// that, then of each of the speeds it may use that fails in turn, and may
// give up after any of them. The last failure stands.
Status SearchSpeeds(Link& link, const TolvexPortSettings& settings, TolvexSearchStatusCallback onSearch,
                    bool& stopped) {
  const auto goOn = [&] {
    int32_t keepGoing = 1;
    if (onSearch) onSearch(0, &keepGoing);
    stopped = stopped || keepGoing == 0;
    return !stopped;
  };
  Status found = DBS_ERR_COMMS;
  if (!goOn()) return found;
  for (int baud : {38400, 19200, 9600}) {
    TolvexPortSettings at = settings;
    at.baudRate = baud;
    LineSettings searched;
    // A speed the port cannot take is not asked at.
    if (CheckSettings(at, searched) == DBS_OK && link.Port().Apply(searched, LineMode::OnLine) == DBS_OK) {
      found = FindController(link, baud, onSearch, stopped);
      if (found == DBS_OK) return found;
    }
    if (!goOn()) break;
  }
  return found;
}

// New settings for a port on-line, as the controller's general port has them.
Status Retune(Link& link, const TolvexPortSettings& settings) {
  LineSettings line;
  if (Status s = CheckSettings(settings, line); s != DBS_OK) return s;
  return link.Port().Apply(line, LineMode::Retune);
}

}  // namespace
}  // namespace tolvex

using namespace tolvex;

TOLVEX_API uint32_t OnLine(const char16_t* port, const TolvexPortSettings* settings, TolvexErrorCallback onError,
                           TolvexSearchStatusCallback onSearch, uint16_t slot) {
  return Guard([&]() -> Status {
    if (!port || !settings || slot >= kSlots) return DBS_ERR_INVALID_ARGUMENT;
    std::u16string name;
    for (const char16_t* p = port; *p && name.size() < 255; ++p) name += *p;
    const std::string path = PortPath(name);
    Links& links = State();
    std::lock_guard lock(links.lock);
    if (links.link) {
      // Another slot's link is never torn down by this one.
      if (links.slot != slot) return DBS_ERR_INVALID_ARGUMENT;
      if (links.link->Path() == path) {
        // Already on-line there: only the settings may change, and a
        // listener set before is forgotten as on every OnLine.
        links.link->Listen(nullptr);
        std::lock_guard one(links.link->CommandLock());
        LineSettings line;
        if (Status s = CheckSettings(*settings, line); s != DBS_OK) return s;
        const LineSettings& now = links.link->Port().Line();
        if (now.baud == line.baud && now.dataBits == line.dataBits && now.parity == line.parity &&
            now.stopBits == line.stopBits) {
          return DBS_OK;
        }
        return Retune(*links.link, *settings);
      }
      Retire(std::move(links.link));
    }
    // The port is opened before the settings are looked at: a port that is
    // not there says so whatever the settings.
    auto link = std::make_unique<Link>(onError, slot);
    if (Status s = link->Start(path, *settings); s != DBS_OK) return s;
    bool stopped = false;
    Status found = FindController(*link, settings->baudRate, onSearch, stopped);
    if (found != DBS_OK && !stopped) found = SearchSpeeds(*link, *settings, onSearch, stopped);
    if (found != DBS_OK) {
      link->Stop();  // the port closes; its failures are reported
      return found;
    }
    link->ReportErrors(true);
    links.link = std::move(link);
    links.slot = slot;
    return DBS_OK;
  });
}

TOLVEX_API uint32_t SetPortParameters(const TolvexPortSettings* settings, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!settings) return DBS_ERR_INVALID_ARGUMENT;
    return Retune(link, *settings);
  });
}

TOLVEX_API uint32_t OffLine(uint16_t slot) {
  return Guard([&]() -> Status {
    Links& links = State();
    std::lock_guard lock(links.lock);
    if (slot >= kSlots || !links.link || links.slot != slot) return DBS_OK;  // never on-line: nothing to do
    return Retire(std::move(links.link));  // joins every thread and closes the port
  });
}

TOLVEX_API uint32_t GetTableData(uint8_t* destination, uint32_t address, uint16_t count, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination || count == 0 || count > 250) return DBS_ERR_INVALID_ARGUMENT;
    // The answer holds what it claims (count, address, then count bytes) and
    // echoes the count and address asked for.
    const auto answers = [&](const Bytes& f) {
      const auto body = FrameBody(f);
      return body.size() == count + 4u && body[0] == count && (body[1] << 16 | body[2] << 8 | body[3]) ==
                                                                  static_cast<int>(address & 0xFFFFFF);
    };
    const auto reply = AskFor(link, msg::TableRead(static_cast<std::uint8_t>(count), address), kTries, {kTableData},
                              link.Times().replyMs, answers);
    if (!reply) return DBS_ERR_COMMS;
    const auto body = FrameBody(*reply);
    std::memcpy(destination, body.data() + 1, 3 + count);
    const std::uint8_t* after = reply->data() + 3 + body.size();  // byte count, checksum, DLE
    std::memcpy(destination + 3 + count, after, 3);
    return DBS_OK;
  });
}

TOLVEX_API uint32_t SetTableDataWithPW(const uint8_t* source, uint32_t address, uint16_t count, uint32_t accessCode,
                                       uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!source || count == 0 || count > 244) return DBS_ERR_INVALID_ARGUMENT;
    return Acknowledged(link, msg::TableDataWrite(address, accessCode & 0xFFFFFF, {source, count}));
  });
}

TOLVEX_API uint32_t SetTableData(const uint8_t* source, uint32_t address, uint16_t count, uint16_t slot) {
  return SetTableDataWithPW(source, address, count, kAccessCode, slot);
}

TOLVEX_API uint32_t GetWordChecksums(uint16_t first, uint16_t count, uint16_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return ReadChecksums(link, first, count, destination, true); });
}

TOLVEX_API uint32_t GetByteChecksums(uint16_t first, uint16_t count, uint16_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return ReadChecksums(link, first, count, destination, false); });
}

TOLVEX_API uint32_t GetMemorySize(uint8_t argument, uint32_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination) return DBS_ERR_INVALID_ARGUMENT;
    const auto reply = Ask(link, msg::MemorySizeRequest(argument), kTries, {kMemorySizeReply}, link.Times().replyMs);
    if (!reply || FrameBody(*reply).size() < 4) {
      link.Report(DBS_ERR_COMMS);
      return DBS_ERR_COMMS;
    }
    const auto body = FrameBody(*reply);
    *destination = std::uint32_t{body[1]} << 16 | std::uint32_t{body[2]} << 8 | body[3];
    return DBS_OK;
  });
}

TOLVEX_API uint32_t StartDownload(uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Acknowledged(link, msg::DownloadStart()); });
}

TOLVEX_API uint32_t StopDownload(uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    // The controller restarts with its new database and says so; one that
    // only took the frame has stopped all the same.
    const std::uint64_t since = link.Generation();
    const std::uint64_t id = link.Queue(msg::DownloadStop(), kTries, true);
    const bool restarted = link.WaitReply({kStatusReply}, since, link.Times().longReplyMs).has_value();
    const bool acknowledged = link.WaitAcknowledged(id, restarted ? 0 : link.Times().replyMs);
    if (restarted || acknowledged) return DBS_OK;
    link.Report(DBS_ERR_COMMS);
    return DBS_ERR_COMMS;
  });
}

TOLVEX_API uint32_t GetDatabaseVersion(uint8_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination) return DBS_ERR_INVALID_ARGUMENT;
    const auto reply = Ask(link, msg::VersionRequest(), 1, {kVersionReply}, link.Times().replyMs);
    if (!reply || FrameBody(*reply).size() < 8) {
      link.Report(DBS_ERR_COMMS);
      return DBS_ERR_COMMS;
    }
    std::memcpy(destination, FrameBody(*reply).data(), 8);
    return DBS_OK;
  });
}

TOLVEX_API uint32_t HardReset(uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Acknowledged(link, msg::SystemCommand(0)); });
}

TOLVEX_API uint32_t SoftReset(uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    return Ask(link, msg::SystemCommand(1), kTries, {kStatusReply}, link.Times().longReplyMs) ? Status{DBS_OK}
                                                                                             : Status{DBS_ERR_COMMS};
  });
}

TOLVEX_API uint32_t ClearProtects(uint8_t a, uint8_t b, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Acknowledged(link, msg::SystemCommand(2, a, b)); });
}

TOLVEX_API uint32_t TransferDatabase(uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Acknowledged(link, msg::SystemCommand(4)); });
}

TOLVEX_API uint32_t GetDualControllerStatus(uint16_t* status, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!status) return DBS_ERR_INVALID_ARGUMENT;
    const auto reply = Ask(link, msg::StatusRequest(), kTries, {kStatusReply}, link.Times().replyMs);
    if (!reply || FrameBody(*reply).size() < 2) return DBS_ERR_COMMS;
    const auto body = FrameBody(*reply);
    *status = static_cast<std::uint16_t>(body[0] | body[1] << 8);  // the first byte received in the low half
    return DBS_OK;
  });
}

TOLVEX_API uint32_t Tolvex_DLL_Get_Version(char* text) {
  if (!text) return DBS_ERR_INVALID_ARGUMENT;
  std::snprintf(text, 64, "%s (%d.%d.%d.%d)", "1.07 19/03/2004", 1, 7, 0, 0);
  return DBS_OK;
}

TOLVEX_API uint32_t GetSourceParam(const TolvexItemRecord* item, uint8_t* value, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    return value ? Parameter(link, Item::Source, item, value, 0) : Status{DBS_ERR_INVALID_ARGUMENT};
  });
}

TOLVEX_API uint32_t GetDestParam(const TolvexItemRecord* item, uint8_t* value, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    return value ? Parameter(link, Item::Destination, item, value, 0) : Status{DBS_ERR_INVALID_ARGUMENT};
  });
}

TOLVEX_API uint32_t GetTrigger(const TolvexItemRecord* item, uint8_t* value, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    return value ? Parameter(link, Item::Trigger, item, value, 0) : Status{DBS_ERR_INVALID_ARGUMENT};
  });
}

TOLVEX_API uint32_t SetSourceParam(const TolvexItemRecord* item, uint8_t value, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Parameter(link, Item::Source, item, nullptr, value); });
}

TOLVEX_API uint32_t SetDestParam(const TolvexItemRecord* item, uint8_t value, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Parameter(link, Item::Destination, item, nullptr, value); });
}

TOLVEX_API uint32_t SetTrigger(const TolvexItemRecord* item, uint8_t value, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Parameter(link, Item::Trigger, item, nullptr, value); });
}

TOLVEX_API uint32_t ConfigureInstalledModules(uint8_t a, uint8_t b, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Acknowledged(link, msg::SystemCommand(3, a, b)); });
}

TOLVEX_API uint32_t GetPanelDiagnostics(uint8_t* destination, uint16_t length, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Diagnostics(link, 1, 0xFF, {destination, length}); });
}

TOLVEX_API uint32_t GetPrimaryMatrixDiagnostics(uint8_t* destination, uint16_t length, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Diagnostics(link, 11, 0xFF, {destination, length}); });
}

TOLVEX_API uint32_t GetSecondaryMatrixDiagnostics(uint8_t argument, uint8_t* destination, uint16_t length,
                                                  uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Diagnostics(link, 12, argument, {destination, length}); });
}

TOLVEX_API uint32_t GetInstalledModulesStatus(uint8_t* destination, uint16_t length, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Diagnostics(link, 21, 0xFF, {destination, length}); });
}

TOLVEX_API uint32_t GetSoftwareVersion(uint8_t* destination, uint16_t length, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Diagnostics(link, 31, 0xFF, {destination, length}); });
}

TOLVEX_API uint32_t GetSwitchSettings(uint8_t* destination, uint16_t length, uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Diagnostics(link, 32, 0xFF, {destination, length}); });
}

TOLVEX_API uint32_t GetEpromChecksums(uint16_t* destination, uint16_t count, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination) return DBS_ERR_INVALID_ARGUMENT;
    // The first data byte gives the number of checksums, the bytes after it
    // each checksum in two, high byte first; no more are taken than the
    // reply holds.
    std::uint8_t data[kDiagnosticsMax];
    std::size_t delivered = 0;
    if (Status s = Diagnostics(link, 33, 0xFF, data, &delivered); s != DBS_OK) return s;
    if (delivered == 0) return DBS_OK;
    const std::size_t n = std::min<std::size_t>({data[0], count, (delivered - 1) / 2});
    for (std::size_t i = 0; i < n; ++i) {
      destination[i] = static_cast<std::uint16_t>(data[1 + 2 * i] << 8 | data[2 + 2 * i]);
    }
    return DBS_OK;
  });
}

TOLVEX_API uint32_t GetTally(uint16_t matrix, uint16_t level, uint16_t destination, uint16_t* source, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!source || !RouterLevel(matrix, level) || destination >= kDestinations) return DBS_ERR_INVALID_ARGUMENT;
    std::uint64_t since = link.Generation();
    if (!link.WaitAcknowledged(link.Queue(msg::Interrogate(matrix, level, destination), kTries, true),
                               link.Times().replyMs)) {
      link.Report(DBS_ERR_TIMEOUT);
      return DBS_ERR_TIMEOUT;
    }
    for (int mismatches = 0;;) {
      const auto reply = link.WaitReply({kTally}, since, link.Times().cycleMs);
      if (!reply) {
        link.Report(DBS_ERR_INVALID_ARGUMENT);
        return DBS_ERR_INVALID_ARGUMENT;
      }
      since = reply->sequence;
      const auto body = FrameBody(reply->frame);
      if (body.size() >= 4) {
        const Crosspoint xp = DecodeCrosspoint(body);
        if (xp.matrix == matrix && xp.level == level && xp.destination == destination) {
          *source = xp.source;
          return DBS_OK;
        }
      }
      if (++mismatches >= 11) {
        link.Report(DBS_ERR_NO_MATCHING_REPLY);
        return DBS_ERR_NO_MATCHING_REPLY;
      }
    }
  });
}

TOLVEX_API uint32_t SetCrosspoint(uint16_t matrix, uint16_t level, uint16_t destination, uint16_t source,
                                  uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!RouterLevel(matrix, level) || destination >= kDestinations || source >= kDestinations) {
      return DBS_ERR_INVALID_ARGUMENT;
    }
    return Acknowledged(link, msg::Connect(matrix, level, destination, source));
  });
}

TOLVEX_API uint32_t ListenForConnected(TolvexConnectedCallback callback, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    link.Listen(callback);
    return DBS_OK;
  });
}

TOLVEX_API uint32_t GetSourceName(uint16_t matrix, uint16_t level, uint16_t length, uint16_t source,
                                  char16_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination || !RouterLevel(matrix, level) || length == 0 || length > 255) return DBS_ERR_INVALID_ARGUMENT;
    return Name(link, msg::SourceNameRequest(matrix, level, length, source), kSourceNameReply,
                msg::MatrixLevel(matrix, level), true, source, length, destination);
  });
}

TOLVEX_API uint32_t GetDestAssocName(uint16_t matrix, uint16_t length, uint16_t destinationNumber,
                                     char16_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination || matrix >= 16 || length == 0 || length > 255) return DBS_ERR_INVALID_ARGUMENT;
    return Name(link, msg::AssocNameRequest(matrix, length, destinationNumber), kAssocNameReply,
                msg::MatrixLevel(matrix, 0), false, destinationNumber, length, destination);
  });
}
