// What the controller holds, set against the open database: the version it
// reports and, for a controller of the file's format, the dimensions an
// upload would take and the areas a download would rewrite. Nothing here
// writes to the controller or takes the database off-line.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/link_binding.h"
#include "transfer/online.h"
#include "zephra/zephra_upload.h"

namespace zephra {

namespace {

using ChecksumsFn = DbsStatus (*)(std::uint16_t, std::uint16_t, std::uint16_t*, std::uint16_t);

constexpr std::uint32_t kChecksumsUnreadable = 0xFFFFFFFF;

// Every area of the controller image as the user knows what it holds. Each
// runs from its start to the next area's; the dial-up keypads' two rows of
// blocks are sixteen areas each.
struct AreaName {
  std::string_view name;
  std::uint32_t ControllerMap::*start = nullptr;
  std::array<std::uint32_t, 16> ControllerMap::*starts = nullptr;
};
constexpr AreaName kAreaNames[] = {
    {"source names", &ControllerMap::ctlSourceArea},
    {"destination names", &ControllerMap::ctlDestAssocArea},
    {"panel and UMD names", &ControllerMap::ctlPortArea},
    {"inhibits", &ControllerMap::ctlInhibitArea},
    {"source associations", &ControllerMap::ctlSourceAssocArea},
    {"destination associations", &ControllerMap::ctlDestAssocArea2},
    {"panels and UMDs", &ControllerMap::ctlPanelArea1},  // device types
    {"panels and UMDs", &ControllerMap::ctlPanelArea2},  // flags and modes
    {"panel and UMD keypads", &ControllerMap::ctlPanelArea3},
    {"destination keypads", &ControllerMap::ctlKeypadArea1},
    {"source keypads", &ControllerMap::ctlKeypadArea2},
    {"override sources", &ControllerMap::ctlOverrideArea},
    {"panels and UMDs", &ControllerMap::ctlPanelArea4},  // levels and brightness
    {"level types", &ControllerMap::ctlLevelArea},
    {"general ports", &ControllerMap::ctlGeneralPortArea},
    {"XY destination sets", &ControllerMap::ctlXYArea},
    {"salvos", &ControllerMap::ctlSalvoArea},
    {"salvo crosspoints", &ControllerMap::ctlSalvoXPArea},
    {"salvo crosspoints", &ControllerMap::ctlSalvoLinkArea},  // the free ones
    {"dial-up keypads", &ControllerMap::ctlKeypadArea3},
    {"dial-up keypads", nullptr, &ControllerMap::ctlKeypadBlock},
    {"dial-up keypads", nullptr, &ControllerMap::ctlKeypadBlock2},
    {"dial-up keypads", &ControllerMap::ctlKeypadArea4},
    {"level sizes", &ControllerMap::ctlFixedArea},
    {"park sources", &ControllerMap::ctlLevelArea2},
    {"matrix ports", &ControllerMap::ctlMatrixPortArea},
    {"trigger lines", &ControllerMap::ctlTrigLineArea},
};

struct Area {
  std::uint32_t start;
  std::string_view name;
};

std::vector<Area> AreasByAddress(const ControllerMap& map) {
  std::vector<Area> areas;
  for (const AreaName& a : kAreaNames) {
    if (a.start == &ControllerMap::ctlTrigLineArea && !map.hasTrigLineArea) continue;
    if (a.start) {
      areas.push_back({map.*a.start, a.name});
    } else {
      for (std::uint32_t start : map.*a.starts) areas.push_back({start, a.name});
    }
  }
  std::stable_sort(areas.begin(), areas.end(), [](const Area& x, const Area& y) { return x.start < y.start; });
  return areas;
}

// The names of the areas that share a block with a differing one, each once,
// in address order, joined by ", " within `size` - 1 characters (whole names
// only).
void NameAreas(const ControllerMap& map, const std::vector<bool>& differs, char* out, std::size_t size) {
  const std::vector<Area> areas = AreasByAddress(map);
  std::string text;
  std::vector<std::string_view> named;
  for (std::size_t i = 0; i < areas.size(); ++i) {
    const std::uint32_t begin = areas[i].start;
    const std::uint32_t end = i + 1 < areas.size() ? areas[i + 1].start : map.imageSize;
    if (end <= begin || std::find(named.begin(), named.end(), areas[i].name) != named.end()) continue;
    bool touched = false;
    for (std::uint32_t b = begin / kBlockSize; b <= (end - 1) / kBlockSize && b < differs.size(); ++b) {
      touched = touched || differs[b];
    }
    if (!touched) continue;
    named.push_back(areas[i].name);
    const std::size_t grown = text.size() + (text.empty() ? 0 : 2) + areas[i].name.size();
    if (grown >= size) break;
    if (!text.empty()) text += ", ";
    text += areas[i].name;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
}

Status Describe(Slot& slot, DbsHandle handle, ZephraControllerSummary& out) {
  std::uint8_t version[8] = {};
  if (Status s = AskVersion(slot.ctl->linkLibrary, handle, version); s != DBS_OK) return s;
  std::memcpy(out.version, version, sizeof version);
  out.controllerType = TypeOfTag(version);
  if (out.controllerType != slot.db->config.configType) return DBS_OK;
  out.sameFormat = 1;

  ConfigImage config{};
  if (Status s = slot.ops.ReadControllerConfig(handle, &config); s != DBS_OK) return s;
  out.levelCount = config.levelCount[0];
  std::copy_n(config.sourceCount[0], 8, out.sourceCount);
  std::copy_n(config.destCount[0], 8, out.destCount);

  const ControllerMap& map = slot.ctl->map;
  out.blockCount = map.blockCount;
  const auto getChecksums = LinkCommand<ChecksumsFn>(slot, "GetWordChecksums");
  if (!getChecksums) return DBS_SYS_PROC_NOT_FOUND;
  std::vector<std::uint16_t> controller(map.blockCount);
  const Status read = getChecksums(0, static_cast<std::uint16_t>(map.blockCount), controller.data(),
                                   static_cast<std::uint16_t>(handle));
  if (read == DBS_ERR_CONTROLLER_CORRUPT) {
    out.differingBlocks = kChecksumsUnreadable;
    return DBS_OK;
  }
  if (read != DBS_OK) return read;

  // The checksums a download of the file would give; the slot keeps none
  // while on-line, so they are taken out again at once.
  const Status built = slot.ops.BuildControllerImage(handle);
  std::vector<std::uint16_t> expected;
  expected.swap(slot.ctl->expectedChecksums);
  if (built != DBS_OK) return built;
  expected.resize(map.blockCount);
  std::vector<bool> differs(map.blockCount);
  for (std::uint32_t b = 0; b < map.blockCount; ++b) {
    differs[b] = controller[b] != expected[b];
    out.differingBlocks += differs[b];
  }
  NameAreas(map, differs, out.areas, sizeof out.areas);
  return DBS_OK;
}

}  // namespace

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus zephra_DescribeController(DbsHandle handle, ZephraControllerSummary* summary) {
  if (summary) *summary = ZephraControllerSummary{};
  return WithSlot(handle, [&](Slot& slot) -> Status {
    // An old-format database never goes on-line: it is open only to be
    // converted.
    if (slot.db->config.configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    if (!slot.db->online || !slot.ctl->linkLibrary) return DBS_ERR_NOT_ONLINE;
    if (!summary) return DBS_ERR_INVALID_ARGUMENT;
    // Filled apart, so that a failure part way leaves the caller's zeros.
    ZephraControllerSummary found{};
    if (Status s = Describe(slot, handle, found); s != DBS_OK) return s;
    *summary = found;
    return DBS_OK;
  });
}
