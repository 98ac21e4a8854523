// What every live update works with: the on-line slot, its database, its
// controller map, and the way to send bytes to the controller.
#pragma once

#include <cstring>
#include <optional>
#include <vector>

#include "dbs/entry.h"
#include "dbs/transfer/controller_image.h"
#include "dbs/transfer/controller_memory.h"
#include "dbs/transfer/controller_tables.h"
#include "dbs/transfer/link_binding.h"

namespace zephra::live {

inline constexpr int kPlaces = kControllerPlaces;

// An on-line slot and what a live update needs of it.
struct Live {
  DbsHandle handle;
  Slot& slot;
  Db db;
  const FormatInfo& format;
  const ControllerMap& map;
  ControllerConstants k;

  Status Send(std::uint32_t address, const std::uint8_t* bytes, std::size_t count) {
    return WriteControllerMemory(slot, handle, bytes, address, static_cast<std::uint32_t>(count));
  }
  Status Send(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    return Send(address, bytes.data(), bytes.size());
  }
  const ConfigImage& Config() const { return slot.db->config; }
  std::uint16_t Max(int l) const { return format.maxDests[static_cast<std::size_t>(l)]; }
  // A device's port address index, or -1 when it is not placed.
  int Place(std::uint16_t port, std::uint16_t address) const {
    if (port >= Config().multidropPortCount || address < 1 || address > 16) return -1;
    const int i = 16 * port + address - 1;
    return i < kPlaces ? i : -1;
  }
};

// The live context of an on-line slot; nothing when it is not on-line (the
// change then reaches the controller with the next download).
inline std::optional<Live> Begin(DbsHandle handle) {
  Slot* slot = Slots().Check(handle);
  if (!slot || !slot->db->online || !slot->ctl->linkLibrary) return std::nullopt;
  const FormatInfo& format = *slot->db->format;
  return Live{handle, *slot, Db(handle, *slot), format, *format.controllerMap, ConstantsOf(format)};
}

template <class R>
R RecordOf(const void* p) {
  R r;
  std::memcpy(&r, p, sizeof r);
  return r;
}

template <class R, class F>
Status Entry(DbsHandle handle, const void* record, F&& send) {
  if (!record) return DBS_ERR_INVALID_ARGUMENT;
  auto live = Begin(handle);
  if (!live) return DBS_OK;
  return send(*live, RecordOf<R>(record));
}



}  // namespace zephra::live
