// Live updates of the operator devices: panels and UMDs on their multi-drop
// places, their keypads, XY and override sets, and a place given up or taken.
#include <algorithm>
#include <cstring>
#include <vector>

#include "records/device_keypads.h"
#include "records/keypads.h"
#include "records/panels.h"
#include "records/umds.h"
#include "transfer/live_context.h"
#include "transfer/live_updates.h"

namespace zephra {

using namespace live;

namespace {

constexpr std::uint8_t kNoKeypadByte = 0xFF;

// A panel's place, DBS_ERR_INVALID_ARGUMENT for a panel number beyond the
// controller's places, or -1 (nothing to send) when it is not placed.
template <class F>
Status OnPanelPlace(Live& live, const PanelEntry& p, F&& send) {
  if (p.panel >= kPlaces) return DBS_ERR_INVALID_ARGUMENT;
  const int i = live.Place(p.port, p.address);
  return i < 0 ? Status{DBS_OK} : send(static_cast<std::uint32_t>(i));
}

// A UMD in the Storeroom (on no port) has nothing on the controller; any
// other place outside the two ports' sixteen addresses is refused.
template <class F>
Status OnUMDPlace(Live& live, const UMDEntry& u, F&& send) {
  if (u.umd >= kPlaces) return DBS_ERR_INVALID_ARGUMENT;
  if (u.port == kNoEntry && u.address == kNoEntry) return DBS_OK;
  if (u.port > 1 || u.address < 1 || u.address > 16) return DBS_ERR_INVALID_ARGUMENT;
  const int i = live.Place(u.port, u.address);
  return i < 0 ? Status{DBS_OK} : send(static_cast<std::uint32_t>(i));
}

Status PanelName(Live& live, const PanelEntry& p) {
  return OnPanelPlace(live, p, [&](std::uint32_t i) {
    std::uint8_t name[8];
    PutName(name, p.name);
    return live.Send(live.map.ctlPortArea + 8 * i, name, 8);
  });
}

Status PanelType(Live& live, const PanelEntry& p) {
  return OnPanelPlace(live, p, [&](std::uint32_t i) {
    const auto type = static_cast<std::uint8_t>(p.panelType);
    return live.Send(live.map.ctlPanelArea1 + i, &type, 1);
  });
}

Status PanelMode(Live& live, const PanelEntry& p) {
  return OnPanelPlace(live, p, [&](std::uint32_t i) {
    const std::uint8_t bytes[2] = {PanelFlagByte(p.flags), p.mode};
    return live.Send(live.map.ctlPanelArea2 + 2 * i, bytes, 2);
  });
}

Status PanelBrightness(Live& live, const PanelEntry& p) {
  return OnPanelPlace(live, p, [&](std::uint32_t i) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(p.levels[0]), p.brightness};
    return live.Send(live.map.ctlPanelArea4 + 2 * i, bytes, 2);
  });
}

Status PanelKeypad(Live& live, const PanelEntry& p) {
  return OnPanelPlace(live, p, [&](std::uint32_t i) {
    std::uint8_t bytes[2];
    EncodePanelKeypads(live.db, p, bytes);
    return live.Send(live.map.ctlPanelArea3 + 2 * i, bytes, 2);
  });
}

Status PanelParts(Live& live, const PanelEntry& p) {
  for (auto part : {PanelName, PanelType, PanelMode, PanelBrightness, PanelKeypad}) {
    if (Status s = part(live, p); s != DBS_OK) return s;
  }
  return DBS_OK;
}


Status UMDName(Live& live, const UMDEntry& u) {
  return OnUMDPlace(live, u, [&](std::uint32_t i) {
    std::uint8_t name[8];
    PutName(name, u.name);
    return live.Send(live.map.ctlPortArea + 8 * i, name, 8);
  });
}

Status UMDType(Live& live, const UMDEntry& u) {
  return OnUMDPlace(live, u, [&](std::uint32_t i) {
    const std::uint8_t type = UMDDeviceType(u.umdType);
    return live.Send(live.map.ctlPanelArea1 + i, &type, 1);
  });
}

Status UMDFlags(Live& live, const UMDEntry& u) {
  return OnUMDPlace(live, u, [&](std::uint32_t i) {
    const std::uint8_t bytes[2] = {UMDFlagByte(u.umdFlags), 0};
    return live.Send(live.map.ctlPanelArea2 + 2 * i, bytes, 2);
  });
}

Status UMDBrightness(Live& live, const UMDEntry& u) {
  return OnUMDPlace(live, u, [&](std::uint32_t i) {
    const auto brightness = static_cast<std::uint8_t>(u.brightness);
    return live.Send(live.map.ctlPanelArea4 + 2 * i + 1, &brightness, 1);
  });
}

// The UMD's keypad (32-63) carries its destinations: the keypad is taken and
// rebuilt as the UMD's, and on-line the controller gets the keypad number in
// the UMD's place and the keypad's key words where and as the download
// gives them.
Status UMDDests(DbsHandle handle, const UMDEntry& u) {
  if (Status s = LiveUMDDestsOffline(handle, &u); s != DBS_OK) return s;
  auto live = Begin(handle);
  if (!live) return DBS_OK;
  const int k = FindUMDKeypad(live->db, u.umd);
  if (k < 32 || k >= 64) return DBS_OK;
  const UMDEntry stored = live->db.Read<UMDEntry>(live->db.Layout().umdPos + u.umd * std::uint32_t{sizeof(UMDEntry)});
  if (const int i = live->Place(stored.port, stored.address); i >= 0) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(k - 32), kNoKeypadByte};
    if (Status s = live->Send(live->map.ctlPanelArea3 + 2u * static_cast<std::uint32_t>(i), bytes, 2); s != DBS_OK) {
      return s;
    }
  }
  const SimpleKeypadWords place = SimpleKeypadWordsOf(live->db, static_cast<std::uint16_t>(k));
  if (place.words == 0) return DBS_OK;
  return live->Send(place.address, EncodeSimpleKeypad(live->db, static_cast<std::uint16_t>(k)));
}

Status UMDRecord(Live& live, const UMDEntry& u) {
  for (auto part : {UMDName, UMDType, UMDFlags, UMDBrightness}) {
    if (Status s = part(live, u); s != DBS_OK) return s;
  }
  return UMDDests(live.handle, u);
}

// The place of the panel a set belongs to: DBS_ERR_INVALID_ARGUMENT for a
// panel beyond the controller's places, -1 when it is not placed.
int PanelPlace(Live& live, std::uint16_t panel) {
  const auto p = live.db.Read<PanelEntry>(live.db.Layout().panelPos + panel * std::uint32_t{sizeof(PanelEntry)});
  return live.Place(p.port, p.address);
}

Status XYDests(Live& live, const XYSetEntry& set) {
  if (set.matrix != 0 || set.panel >= kPlaces || set.panel >= live.Config().panelCount) return DBS_ERR_INVALID_ARGUMENT;
  const int i = PanelPlace(live, set.panel);
  if (i < 0) return DBS_OK;
  // The format's XY entry (48 bytes in V1, 96 in V2 and V3) as the download
  // gives it.
  const std::uint32_t X = live.k.XYEntry();
  std::vector<std::uint8_t> entry(X);
  EncodeXYSet(live.Config(), X, set, entry.data());
  return live.Send(live.map.ctlXYArea + X * static_cast<std::uint32_t>(i), entry);
}

Status Overrides(Live& live, const OverrideSetEntry& set) {
  const std::uint16_t owner = set.head[1];
  if (owner >= kPlaces || owner >= live.Config().panelCount) return DBS_ERR_INVALID_ARGUMENT;
  const int i = PanelPlace(live, owner);
  if (i < 0) return DBS_OK;
  std::uint8_t bytes[64];
  EncodeOverrides(set, bytes);
  return live.Send(live.map.ctlOverrideArea + 64u * static_cast<std::uint32_t>(i), bytes, 64);
}

// A device that has arrived at a place: the controller gets the whole place
// as the download gives it, the device's sets included and nothing left of
// what stood there before.
Status Arrived(Live& live, std::uint16_t kind, std::uint16_t n) {
  const ConfigImage& c = live.Config();
  const ImageLayout& L = live.db.Layout();
  int i = -1;
  if (kind == 0 && n < c.panelCount) {
    const auto p = live.db.Read<PanelEntry>(L.panelPos + n * std::uint32_t{sizeof(PanelEntry)});
    i = live.Place(p.port, p.address);
  } else if (kind == 1 && n < c.umdCount) {
    const auto u = live.db.Read<UMDEntry>(L.umdPos + n * std::uint32_t{sizeof(UMDEntry)});
    i = live.Place(u.port, u.address);
  }
  if (i < 0) return DBS_OK;
  for (const ControllerBytes& part : EncodePlace(live.db, static_cast<std::uint32_t>(i))) {
    if (Status s = live.Send(part.address, part.bytes); s != DBS_OK) return s;
  }
  return DBS_OK;
}

}  // namespace

Status LivePanelNameV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelName); }
Status LivePanelTypeV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelType); }
Status LivePanelModeV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelMode); }
Status LivePanelFlagsV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelMode); }
Status LivePanelBrightnessV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelBrightness); }
Status LivePanelLevelsV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelBrightness); }
Status LivePanelKeypadV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelKeypad); }
Status LivePanelRecordV(DbsHandle h, const void* r) { return Entry<PanelEntry>(h, r, PanelParts); }
Status LiveUMDNameV(DbsHandle h, const void* r) { return Entry<UMDEntry>(h, r, UMDName); }
Status LiveUMDTypeV(DbsHandle h, const void* r) { return Entry<UMDEntry>(h, r, UMDType); }
Status LiveUMDFlagsV(DbsHandle h, const void* r) { return Entry<UMDEntry>(h, r, UMDFlags); }
Status LiveUMDBrightnessV(DbsHandle h, const void* r) { return Entry<UMDEntry>(h, r, UMDBrightness); }
Status LiveUMDRecordV(DbsHandle h, const void* r) { return Entry<UMDEntry>(h, r, UMDRecord); }
Status LiveXYControlledDestsV(DbsHandle h, const void* r) { return Entry<XYSetEntry>(h, r, XYDests); }
Status LiveOverrideSourceV(DbsHandle h, const void* r) { return Entry<OverrideSetEntry>(h, r, Overrides); }

// On-line or not: the UMD's keypad follows its destinations either way.
Status LiveUMDDestsV(DbsHandle h, const void* r) {
  if (!r) return DBS_ERR_INVALID_ARGUMENT;
  return UMDDests(h, RecordOf<UMDEntry>(r));
}

Status LivePortAssignmentV(DbsHandle h, std::uint16_t port, std::uint16_t addressIndex, std::uint16_t occupantKind,
                           std::uint16_t occupant) {
  auto live = Begin(h);
  if (!live) return DBS_OK;
  if (occupantKind != kNoEntry && occupant != kNoEntry) return Arrived(*live, occupantKind, occupant);
  if (port > 1 || addressIndex > 15) return DBS_ERR_INVALID_ARGUMENT;
  // The place given up holds an empty panel on the controller.
  PanelEntry empty{};
  empty.panel = static_cast<std::uint16_t>(16 * port + addressIndex);
  empty.port = port;
  empty.address = static_cast<std::uint16_t>(addressIndex + 1);
  empty.brightness = 6;
  const int levels = std::min<int>(live->Config().matrixCount ? live->Config().levelCount[0] : 0, 8);
  empty.levels[0] = static_cast<std::uint16_t>((1u << levels) - 1u);
  empty.destKeypad = empty.sourceKeypad = 0xFF;
  std::fill(std::begin(empty.name), std::begin(empty.name) + 8, u' ');
  if (live->Place(port, empty.address) < 0) return DBS_OK;
  if (Status s = PanelParts(*live, empty); s != DBS_OK) return s;
  const std::uint32_t place = 16u * port + addressIndex;
  const std::uint32_t X = live->k.XYEntry();
  if (Status s = live->Send(live->map.ctlXYArea + X * place, std::vector<std::uint8_t>(X, 0)); s != DBS_OK) return s;
  return live->Send(live->map.ctlOverrideArea + 64u * place, std::vector<std::uint8_t>(64, 0xFF));
}

}  // namespace zephra
