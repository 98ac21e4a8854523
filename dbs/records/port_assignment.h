// Moving panels and UMDs between the places of the multi-drop ports: at most
// one device on each place.
#pragma once

#include "dbs/entry.h"

namespace zephra {

enum class DeviceKind : std::uint16_t { Panel = 0, UMD = 1 };

// Moves device n to (port, address); a device already there is taken off its
// port. (0xFFFF, 0xFFFF) takes device n off its port.
Status AssignPort(Db& db, std::uint16_t n, std::uint16_t port, std::uint16_t address, DeviceKind kind);

// The place a panel or UMD record asks for, before its other fields are
// taken: the device moves when the place differs, and `entry` (read from
// `pos`) gets the place the device has afterwards, even when the move or its
// live updates failed. Answers the move's status, for the caller to report
// when nothing later fails.
template <class Entry>
Status MoveForRecord(Db& db, std::uint32_t pos, Entry& entry, std::uint16_t n, std::uint16_t port,
                     std::uint16_t address, DeviceKind kind) {
  if (port == entry.port && address == entry.address) return DBS_OK;
  const Status moved = AssignPort(db, n, port, address, kind);
  const Entry placed = db.Read<Entry>(pos);
  entry.port = placed.port;
  entry.address = placed.address;
  return moved;
}

}  // namespace zephra
