// Panels and the sets a panel owns: XY-controlled destinations, outputs and
// override sources.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

struct PanelEntry {
  std::uint16_t panel;
  std::uint16_t port;     // multi-drop port, or none
  std::uint16_t address;  // drop address on that port, or none
  std::uint16_t panelType;
  std::uint8_t brightness;
  std::uint8_t mode;      // the editor stores the number of level buttons
  std::uint16_t reserved;
  std::uint32_t flags;
  std::uint16_t levels[20];  // per matrix the controlled levels, a bit each
  std::uint16_t xySet[20];   // per matrix the panel's XY set, or none
  std::uint16_t outputSet;
  std::uint16_t overrideSet;
  std::uint16_t destKeypad;
  std::uint16_t sourceKeypad;
  char16_t name[16];
  std::uint32_t customData1;
  std::uint32_t customData2;
};

// Set s is free while its panel is none.
struct XYSetEntry {
  std::uint16_t xySet;
  std::uint16_t panel;
  std::uint16_t matrix;
  std::uint16_t destCount;     // meaningful bits of destMap as last set
  std::uint8_t destMap[256];   // one bit per destination association: d in byte d / 8
};

struct OutputPair {
  std::uint16_t outputWord1;
  std::uint16_t outputWord2;
};

// Set s is free while its panel is none.
struct OutputSetEntry {
  std::uint16_t head;
  std::uint16_t panel;
  OutputPair outputs[16];
};

// Override set s belongs with output set s.
struct OverrideSetEntry {
  std::uint16_t head[2];
  MemberTriple overrides[16];  // (matrix, level, source); all -1: no override
};

#pragma pack(pop)

static_assert(kIsImageRecord<PanelEntry> && sizeof(PanelEntry) == 144);
static_assert(offsetof(PanelEntry, port) == 2 && offsetof(PanelEntry, address) == 4);
static_assert(offsetof(PanelEntry, panelType) == 6 && offsetof(PanelEntry, brightness) == 8);
static_assert(offsetof(PanelEntry, mode) == 9 && offsetof(PanelEntry, reserved) == 10);
static_assert(offsetof(PanelEntry, flags) == 12 && offsetof(PanelEntry, levels) == 16);
static_assert(offsetof(PanelEntry, xySet) == 56 && offsetof(PanelEntry, outputSet) == 96);
static_assert(offsetof(PanelEntry, overrideSet) == 98 && offsetof(PanelEntry, destKeypad) == 100);
static_assert(offsetof(PanelEntry, sourceKeypad) == 102 && offsetof(PanelEntry, name) == 104);
static_assert(offsetof(PanelEntry, customData1) == 136 && offsetof(PanelEntry, customData2) == 140);

static_assert(kIsImageRecord<XYSetEntry> && sizeof(XYSetEntry) == 264);
static_assert(offsetof(XYSetEntry, panel) == 2 && offsetof(XYSetEntry, matrix) == 4);
static_assert(offsetof(XYSetEntry, destCount) == 6 && offsetof(XYSetEntry, destMap) == 8);

static_assert(kIsImageRecord<OutputSetEntry> && sizeof(OutputSetEntry) == 68);
static_assert(offsetof(OutputSetEntry, panel) == 2 && offsetof(OutputSetEntry, outputs) == 4);

static_assert(kIsImageRecord<OverrideSetEntry> && sizeof(OverrideSetEntry) == 100);
static_assert(offsetof(OverrideSetEntry, overrides) == 4);

}  // namespace zephra
