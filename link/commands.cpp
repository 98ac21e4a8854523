// The exported commands: each sends its message and waits for the
// acknowledgement or the reply.
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
  std::unique_ptr<Link> link;  // one link at a time
  std::uint16_t slot = 0;
};
Links& State() {
  static Links links;
  return links;
}

// The slot's link when it is on-line, else null.
Link* LinkOf(std::uint16_t slot) {
  Links& s = State();
  return slot < kSlots && s.link && s.slot == slot ? s.link.get() : nullptr;
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
    Link* link = LinkOf(slot);
    return link ? body(*link) : Status{DBS_ERR_INVALID_ARGUMENT};
  });
}

Status Acknowledged(Link& link, Bytes frame) {
  const Status s = link.SendAcknowledged(std::move(frame), kTries, LinkTiming().replyMs);
  if (s != DBS_OK) link.Report(s);
  return s;
}

// Sends a frame and waits for one of the reply codes.
std::optional<Bytes> Ask(Link& link, Bytes frame, int tries, std::initializer_list<std::uint8_t> codes, int timeoutMs) {
  if (frame.empty()) return std::nullopt;
  const std::uint64_t since = link.Generation();
  link.Queue(std::move(frame), tries);
  return link.WaitReply(codes, since, timeoutMs);
}

Status FindController(Link& link) {
  const auto reply = Ask(link, msg::VersionRequest(), 1, {kVersionReply}, LinkTiming().replyMs);
  return reply && FrameBody(*reply).size() >= 8 ? Status{DBS_OK} : Status{DBS_ERR_COMMS};
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
    LineSettings line;
    if (Status s = CheckSettings(*settings, line); s != DBS_OK) return s;
    Links& links = State();
    std::lock_guard lock(links.lock);
    if (links.link) {
      // Another slot's link is never torn down by this one.
      if (links.slot != slot) return DBS_ERR_INVALID_ARGUMENT;
      if (links.link->Path() == path) {
        const LineSettings& now = links.link->Port().Line();
        if (now.baud == line.baud && now.dataBits == line.dataBits && now.parity == line.parity &&
            now.stopBits == line.stopBits) {
          return DBS_OK;
        }
        return links.link->Port().Apply(line);
      }
      links.link.reset();
    }
    auto link = std::make_unique<Link>(onError, slot);
    if (Status s = link->Start(path, line); s != DBS_OK) return s;
    Status found = FindController(*link);
    // The speed search: the controller may be set to another speed.
    for (int baud : {38400, 19200, 9600}) {
      if (found == DBS_OK) break;
      int32_t keepGoing = 1;
      if (onSearch) onSearch(0, &keepGoing);
      if (!keepGoing) break;
      TolvexPortSettings at = *settings;
      at.baudRate = baud;
      LineSettings searched;
      if (CheckSettings(at, searched) != DBS_OK || link->Port().Apply(searched) != DBS_OK) continue;
      found = FindController(*link);
    }
    if (found != DBS_OK) return found;  // the link and its port close as it goes
    link->ReportErrors(true);
    links.link = std::move(link);
    links.slot = slot;
    return DBS_OK;
  });
}

TOLVEX_API uint32_t SetPortParameters(const TolvexPortSettings* settings, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!settings) return DBS_ERR_INVALID_ARGUMENT;
    LineSettings line;
    if (Status s = CheckSettings(*settings, line); s != DBS_OK) return s;
    return link.Port().Apply(line);
  });
}

TOLVEX_API uint32_t OffLine(uint16_t slot) {
  return Guard([&]() -> Status {
    Links& links = State();
    std::lock_guard lock(links.lock);
    if (slot >= kSlots || !links.link || links.slot != slot) return DBS_OK;  // never on-line: nothing to do
    links.link.reset();  // joins every thread and closes the port
    return DBS_OK;
  });
}

TOLVEX_API uint32_t GetTableData(uint8_t* destination, uint32_t address, uint16_t count, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination || count == 0 || count > 250) return DBS_ERR_INVALID_ARGUMENT;
    const auto reply = Ask(link, msg::TableRead(static_cast<std::uint8_t>(count), address), kTries, {kTableData},
                           LinkTiming().replyMs);
    if (!reply) return DBS_ERR_COMMS;
    // The reply must hold what it claims: count, address, then count bytes.
    const auto body = FrameBody(*reply);
    if (body.size() != body[0] + 4u || body[0] != count) return DBS_ERR_COMMS;
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
  return OnLink(slot, [&](Link& link) -> Status {
    if (count == 0) return DBS_OK;
    if (!destination || first + count > kChecksumMailbox) return DBS_ERR_INVALID_ARGUMENT;
    for (std::uint32_t done = 0; done < count; done += 64) {
      const auto n = static_cast<std::uint16_t>(std::min<std::uint32_t>(64, count - done));
      const auto block = static_cast<std::uint16_t>(first + done);
      const auto reply = Ask(link, msg::ChecksumRead(n, block), kTries, {kChecksumReply, kDatabaseCorrupt},
                             LinkTiming().longReplyMs);
      if (!reply) {
        link.Report(DBS_ERR_COMMS);
        return DBS_ERR_COMMS;
      }
      if (FrameCommand(*reply) == kDatabaseCorrupt) return DBS_ERR_CONTROLLER_CORRUPT;
      // The reply must cover exactly the blocks asked for.
      const auto body = FrameBody(*reply);
      if (body.size() < 4) return DBS_ERR_COMMS;
      const unsigned got = body[0] << 8 | body[1], from = body[2] << 8 | body[3];
      if (got != n || from != block || body.size() != 4 + 2u * n) return DBS_ERR_COMMS;
      for (unsigned i = 0; i < n; ++i) {
        destination[done + i] = static_cast<std::uint16_t>(body[4 + 2 * i] << 8 | body[5 + 2 * i]);
      }
    }
    return DBS_OK;
  });
}

TOLVEX_API uint32_t StartDownload(uint16_t slot) {
  return OnLink(slot, [&](Link& link) { return Acknowledged(link, msg::DownloadStart()); });
}

TOLVEX_API uint32_t StopDownload(uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    // The controller restarts with its new database and says so.
    const auto reply = Ask(link, msg::DownloadStop(), kTries, {kStatusReply}, LinkTiming().longReplyMs);
    if (reply) return DBS_OK;
    link.Report(DBS_ERR_COMMS);
    return DBS_ERR_COMMS;
  });
}

TOLVEX_API uint32_t GetDatabaseVersion(uint8_t* destination, uint16_t slot) {
  return OnLink(slot, [&](Link& link) -> Status {
    if (!destination) return DBS_ERR_INVALID_ARGUMENT;
    const auto reply = Ask(link, msg::VersionRequest(), 1, {kVersionReply}, LinkTiming().replyMs);
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
    return Ask(link, msg::SystemCommand(1), kTries, {kStatusReply}, LinkTiming().longReplyMs) ? Status{DBS_OK}
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
    const auto reply = Ask(link, msg::StatusRequest(), kTries, {kStatusReply}, LinkTiming().replyMs);
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
