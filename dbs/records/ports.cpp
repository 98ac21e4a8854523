// Matrix ports, general ports and the places of panels and UMDs on the
// multi-drop ports.
#include "records/ports.h"

#include "records/matrix.h"
#include "records/panels.h"
#include "records/port_assignment.h"
#include "records/umds.h"
#include "transfer/link_binding.h"

namespace zephra {
namespace {

constexpr std::uint16_t kAddresses = 16;

std::uint32_t MatrixPortPos(const Db& db, std::uint16_t i) {
  Require(i < db.Config().matrixPortCount);
  return db.Layout().matrixPortPos + i * std::uint32_t{sizeof(MatrixPortEntry)};
}

std::uint32_t GeneralPortPos(const Db& db, std::uint16_t n) {
  Require(n < db.Config().generalPortCount);
  return db.Layout().generalPortPos + n * std::uint32_t{sizeof(GeneralPortEntry)};
}

// Where a device's entry lies, and its port and address in it.
struct Device {
  std::uint32_t pos;
  std::uint16_t port, address;
};

Device ReadDevice(const Db& db, DeviceKind kind, std::uint16_t n) {
  if (kind == DeviceKind::Panel) {
    Require(n < db.Config().panelCount);
    const std::uint32_t pos = db.Layout().panelPos + n * std::uint32_t{sizeof(PanelEntry)};
    const auto e = db.Read<PanelEntry>(pos);
    return {pos, e.port, e.address};
  }
  Require(n < db.Config().umdCount);
  const std::uint32_t pos = db.Layout().umdPos + n * std::uint32_t{sizeof(UMDEntry)};
  const auto e = db.Read<UMDEntry>(pos);
  return {pos, e.port, e.address};
}

// Stores a device's place. With `sent`, the controller gets the whole record
// on-line and `sent` its answer; the status is the write's.
Status WriteDevicePlace(Db& db, DeviceKind kind, const Device& d, Status* sent = nullptr) {
  const auto store = [&](auto e, LiveFn FormatOps::*live) -> Status {
    e.port = d.port;
    e.address = d.address;
    if (Status s = db.Write(d.pos, e); s != DBS_OK) return s;
    if (sent) *sent = db.Live(live, &e);
    return DBS_OK;
  };
  if (kind == DeviceKind::Panel) return store(db.Read<PanelEntry>(d.pos), &FormatOps::LivePanelRecord);
  return store(db.Read<UMDEntry>(d.pos), &FormatOps::LiveUMDRecord);
}

bool ValidPlace(const Db& db, std::uint16_t port, std::uint16_t address) {
  return port < db.Config().multidropPortCount && address >= 1 && address <= kAddresses;
}

DropCell& Cell(DropTable& drops, std::uint16_t port, std::uint16_t address) {
  return drops[port * std::size_t{kAddresses} + address - 1u];
}

// Built from the panels, then the UMDs: a later device on a place wins.
DropTable BuildDropTable(const Db& db) {
  DropTable drops(std::size_t{db.Config().multidropPortCount} * kAddresses);
  for (DeviceKind kind : {DeviceKind::Panel, DeviceKind::UMD}) {
    const std::uint16_t count = kind == DeviceKind::Panel ? db.Config().panelCount : db.Config().umdCount;
    for (std::uint16_t n = 0; n < count; ++n) {
      const Device d = ReadDevice(db, kind, n);
      if (ValidPlace(db, d.port, d.address)) Cell(drops, d.port, d.address) = {static_cast<std::uint16_t>(kind), n};
    }
  }
  return drops;
}

bool Exists(const Db& db, const DropCell& cell) {
  return (cell.kind == 0 && cell.number < db.Config().panelCount) ||
         (cell.kind == 1 && cell.number < db.Config().umdCount);
}

Status LivePlace(Db& db, std::uint16_t port, std::uint16_t addressIndex, std::uint16_t kind, std::uint16_t n) {
  return db.Online() ? db.Ops().LivePortAssignment(db.Handle(), port, addressIndex, kind, n) : Status{DBS_OK};
}

Status GetPlace(DbsHandle h, DeviceKind kind, std::uint16_t n, std::uint16_t* port, std::uint16_t* address) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!port || !address) return DBS_ERR_INVALID_ARGUMENT;
    const Device d = ReadDevice(db, kind, n);
    *port = d.port;
    *address = d.address;
    return DBS_OK;
  });
}

}  // namespace

Status AssignPort(Db& db, std::uint16_t n, std::uint16_t port, std::uint16_t address, DeviceKind kind) {
  if (Status s = CheckWritable(db.GetSlot()); s != DBS_OK) return s;
  Device device = ReadDevice(db, kind, n);
  Slot& slot = db.GetSlot();
  if (!slot.drops) {
    slot.drops.reset(new (std::nothrow) DropTable);
    if (!slot.drops) return DBS_SYS_NOT_ENOUGH_MEMORY;
    *slot.drops = BuildDropTable(db);
  }
  DropTable& drops = *slot.drops;
  const bool placed = ValidPlace(db, port, address);
  if (placed) {
    const DropCell occupant = Cell(drops, port, address);
    const bool itself = occupant.kind == static_cast<std::uint16_t>(kind) && occupant.number == n;
    if (Exists(db, occupant) && !itself) {
      const auto occupantKind = static_cast<DeviceKind>(occupant.kind);
      Device evicted = ReadDevice(db, occupantKind, occupant.number);
      evicted.port = evicted.address = 0xFFFF;
      if (Status s = WriteDevicePlace(db, occupantKind, evicted); s != DBS_OK) return s;
    }
  }
  // The bookkeeping is finished whatever the controller answers, so the drop
  // table keeps mirroring the places; the first refusal is the answer.
  Status held = DBS_OK;
  const auto hold = [&](Status s) {
    if (held == DBS_OK) held = s;
  };
  const bool stays = placed && device.port == port && device.address == address;
  if (ValidPlace(db, device.port, device.address) && !stays) {
    Cell(drops, device.port, device.address) = {};
    hold(LivePlace(db, device.port, static_cast<std::uint16_t>(device.address - 1), 0xFFFF, 0xFFFF));
  }
  device.port = port;
  device.address = address;
  Status sent = DBS_OK;
  if (Status s = WriteDevicePlace(db, kind, device, &sent); s != DBS_OK) return s;
  if (placed) Cell(drops, port, address) = {static_cast<std::uint16_t>(kind), n};
  hold(sent);
  hold(LivePlace(db, port, address, static_cast<std::uint16_t>(kind), n));
  return held;
}

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetMatrixPort(uint16_t entry, TMatrixPortRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const auto e = db.Read<MatrixPortEntry>(MatrixPortPos(db, entry));
    *record = {e.index, e.physicalLevel, e.matrix, e.level, e.group, e.extra1, e.extra2, e.lastDest};
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetMatrixPort(uint16_t entry, const TMatrixPortRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    // The entry's own number and its physical level are not taken from the record.
    return ChangeEntry<MatrixPortEntry>(db, MatrixPortPos(db, entry), &FormatOps::LiveMatrixPort,
                                        [&](MatrixPortEntry& e) {
                                          e.matrix = record->matrix;
                                          e.level = record->level;
                                          e.group = record->group;
                                          e.extra1 = record->extra1;
                                          e.extra2 = record->extra2;
                                          e.lastDest = record->lastDest;
                                        });
  });
}

DBS_API DbsStatus dbs_GetPhysicalLevel(uint16_t level, uint16_t* physicalLevel, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!physicalLevel) return DBS_ERR_INVALID_ARGUMENT;
    Require(level < db.Config().levelCount[0]);
    *physicalLevel = db.Read<MatrixPortEntry>(MatrixPortPos(db, level)).physicalLevel;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetPhysicalLevel(uint16_t level, uint16_t physicalLevel, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    Require(level < db.Config().levelCount[0]);
    const std::uint32_t pos = MatrixPortPos(db, level);
    MatrixPortEntry e = db.Read<MatrixPortEntry>(pos);
    const std::uint16_t m = e.matrix;
    Status held = DBS_OK;
    if (m < db.Config().matrixCount && physicalLevel < db.Config().levelCount[0]) {
      // A level joining a physical level in use takes the type of the level
      // already there (without the park-source rule).
      for (std::uint16_t i = 0; i < db.Config().matrixPortCount; ++i) {
        if (db.Read<MatrixPortEntry>(MatrixPortPos(db, i)).physicalLevel != physicalLevel) continue;
        if (i != level && i < db.Config().levelCount[m]) {
          const std::uint32_t own = LevelPos(db, m, level);
          LevelEntry mine = db.Read<LevelEntry>(own);
          const std::uint16_t type = db.Read<LevelEntry>(LevelPos(db, m, i)).levelType;
          if (mine.levelType != type) {
            mine.levelType = type;
            if (Status s = db.Write(own, mine); s != DBS_OK) return s;
            held = db.Live(&FormatOps::LiveLevelType, &mine);
          }
        }
        break;
      }
    }
    if (e.physicalLevel == physicalLevel) return held;
    e.physicalLevel = physicalLevel;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Online() ? db.Live(&FormatOps::LivePhysicalLevel, &e) : held;
  });
}

DBS_API DbsStatus dbs_GetGeneralPort(uint16_t port, TGeneralPortRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    static_assert(sizeof(TGeneralPortRecord) == sizeof(GeneralPortEntry));
    const auto e = db.Read<GeneralPortEntry>(GeneralPortPos(db, port));
    std::memcpy(record, &e, sizeof e);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetGeneralPort(uint16_t port, const TGeneralPortRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = GeneralPortPos(db, port);
    const auto stored = db.Read<GeneralPortEntry>(pos);
    GeneralPortEntry e = stored;
    e.port = port;
    e.portOption = record->portOption;
    e.protocol = record->protocol;
    e.baudRate = record->baudRate;
    e.parity = record->parity;
    e.dataBits = record->dataBits;
    e.stopBits = record->stopBits;
    e.handshake = record->handshake;
    e.duplex = record->duplex;
    // The two flags are booleans: any non-zero value is stored as 1.
    e.routeInhibits = (stored.routeInhibits != 0) == (record->routeInhibits != 0) ? stored.routeInhibits
                                                                                  : (record->routeInhibits != 0);
    e.auxFlag = (stored.auxFlag != 0) == (record->auxFlag != 0) ? stored.auxFlag : (record->auxFlag != 0);
    if (std::memcmp(&e, &stored, sizeof e) == 0) return DBS_OK;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    if (!db.Online()) return DBS_OK;
    if (Status s = db.Live(&FormatOps::LiveGeneralPort, &e); s != DBS_OK) return s;
    return RestartController(db.Handle(), db.GetSlot());
  });
}

DBS_API DbsStatus dbs_GetPanelPort(uint16_t panel, uint16_t* port, uint16_t* address, DbsHandle handle) {
  return GetPlace(handle, DeviceKind::Panel, panel, port, address);
}

DBS_API DbsStatus dbs_SetPanelPort(uint16_t panel, uint16_t port, uint16_t address, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status { return AssignPort(db, panel, port, address, DeviceKind::Panel); });
}

DBS_API DbsStatus dbs_GetUMDPort(uint16_t umd, uint16_t* port, uint16_t* address, DbsHandle handle) {
  return GetPlace(handle, DeviceKind::UMD, umd, port, address);
}

DBS_API DbsStatus dbs_SetUMDPort(uint16_t umd, uint16_t port, uint16_t address, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status { return AssignPort(db, umd, port, address, DeviceKind::UMD); });
}
