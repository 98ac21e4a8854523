#include "transfer/controller_changes.h"

#include <algorithm>

#include "records/ports.h"
#include "transfer/controller_image.h"
#include "transfer/controller_memory.h"
#include "transfer/controller_tables.h"
#include "transfer/link_binding.h"

namespace zephra {

namespace {

// A table frame costs about this many bytes beyond its data (framing, its
// header, the checksum and the acknowledgement): unchanged bytes shorter
// than that between two changes go along rather than open a new frame.
constexpr std::uint32_t kFrameBytes = 16;

// The controller slot of the general port the PC is connected through.
constexpr std::uint8_t kPcPortSlot = 2;

bool Touches(const std::vector<ControllerRun>& runs, std::uint32_t address, std::uint32_t length) {
  return std::any_of(runs.begin(), runs.end(), [&](const ControllerRun& r) {
    return r.address < address + length && address < r.address + r.length;
  });
}

}  // namespace

ControllerContent ControllerContentOf(Db& db) {
  Journal& journal = *db.GetSlot().journal;
  Journal::Capture capture(journal);
  const auto putBack = [&] {
    Journal::Quiet quiet(journal);
    capture.recorder.ForEach([&](std::uint32_t pos, const std::uint8_t* bytes, std::size_t count) {
      db.WriteBytes(pos, bytes, count);
    });
  };
  ControllerContent content;
  try {
    content.image = EncodeControllerImage(db);
    for (int area = 1; area <= 3; ++area) content.parameters[area - 1] = EncodeParameterArea(db, area);
  } catch (...) {
    putBack();
    throw;
  }
  putBack();
  return content;
}

std::vector<ControllerRun> DifferingRuns(const std::vector<std::uint8_t>& before,
                                         const std::vector<std::uint8_t>& after, std::uint32_t address) {
  std::vector<ControllerRun> runs;
  const std::size_t n = std::min(before.size(), after.size());
  for (std::size_t i = 0; i < n;) {
    if (before[i] == after[i]) {
      ++i;
      continue;
    }
    std::size_t last = i;
    for (std::size_t j = i + 1; j < n && j - last <= kFrameBytes; ++j) {
      if (before[j] != after[j]) last = j;
    }
    runs.push_back({address + static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i),
                    static_cast<std::uint32_t>(last + 1 - i)});
    i = last + 1;
  }
  return runs;
}

Status SendControllerChanges(Db& db, const ControllerContent& before, const ControllerContent& after) {
  Slot& slot = db.GetSlot();
  const FormatInfo& format = *slot.db->format;
  const ControllerMap& map = *format.controllerMap;
  const auto send = [&](const std::vector<ControllerRun>& runs, const std::vector<std::uint8_t>& bytes) -> Status {
    for (const ControllerRun& r : runs) {
      if (Status s = WriteControllerMemory(slot, db.Handle(), bytes.data() + r.offset, r.address, r.length); s != DBS_OK) {
        return s;
      }
    }
    return DBS_OK;
  };
  const auto imageRuns = DifferingRuns(before.image, after.image, 0);
  if (Status s = send(imageRuns, after.image); s != DBS_OK) return s;
  for (int area = 1; area <= 3; ++area) {
    const auto& bytes = after.parameters[area - 1];
    const auto runs = DifferingRuns(before.parameters[area - 1], bytes, ParameterAreaAddress(format, area));
    if (Status s = send(runs, bytes); s != DBS_OK) return s;
  }
  // As the live updates of these changes do: the PC follows the settings of
  // its own port, and a new level type or port setting needs a restart.
  const bool ports = Touches(imageRuns, map.ctlGeneralPortArea, 8u * 4);  // four port slots
  if (Touches(imageRuns, map.ctlGeneralPortArea + 8u * kPcPortSlot, 8)) {
    const std::uint16_t p = kGeneralPortOfSlot[kPcPortSlot];
    if (p < db.Config().generalPortCount) {
      const auto port = db.Read<GeneralPortEntry>(db.Layout().generalPortPos + p * std::uint32_t{sizeof(GeneralPortEntry)});
      if (Status s = FollowPortSettings(db.Handle(), slot, &port); s != DBS_OK) return s;
    }
  }
  if (ports || Touches(imageRuns, map.ctlLevelArea, 2u * 8)) return RestartController(db.Handle(), slot);  // eight types
  return DBS_OK;
}

}  // namespace zephra
