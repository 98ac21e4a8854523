// Moving panels and UMDs between the places of the multi-drop ports: at most
// one device on each place.
#pragma once

#include "dbs/entry.h"

namespace zephra {

enum class DeviceKind : std::uint16_t { Panel = 0, UMD = 1 };

// Moves device n to (port, address); a device already there is taken off its
// port. (0xFFFF, 0xFFFF) takes device n off its port.
Status AssignPort(Db& db, std::uint16_t n, std::uint16_t port, std::uint16_t address, DeviceKind kind);

}  // namespace zephra
