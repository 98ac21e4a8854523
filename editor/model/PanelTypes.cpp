#include "model/PanelTypes.h"

#include <algorithm>

namespace zephra::editor {

const std::array<TPanelTypeEntry, 39> PanelTypeList = {{
    {"Generic BPX", 1},
    {"Generic Multi-Output", 4},
    {"PNL-01 XY", 3},
    {"Custom XY (lamps)", 2},
    {"PNL-01 1/2 Bus", 24},
    {"PNL-02-2", 25},
    {"PNL-02-4", 26},
    {"PNL-02-6", 27},
    {"PNL-02-8", 28},
    {"PNL-03 BPX", 11},
    {"PNL-04 X-Y", 12},
    {"PNL-05 BPX", 13},
    {"PNL-06 BPX", 14},
    {"PNL-06 X-Y", 15},
    {"PNL-07 BPX", 16},
    {"PNL-08 BPX", 17},
    {"PNL-09 BPX", 18},
    {"PNL-10 BPX", 19},
    {"PNL-10 X-Y", 20},
    {"PNL-11 BPX", 21},
    {"PNL-11 X-Y", 22},
    {"PNL-12 BPX", 23},
    {"PNL-17 16 way BPX", 31},
    {"PNL-17 16 way split BPX", 32},
    {"PNL-17 16 way split X-Y", 33},
    {"PNL-17 16 way 4 bus X-Y", 34},
    {"PNL-13 32 way BPX", 35},
    {"PNL-13 32 way split BPX", 36},
    {"PNL-13 32 way split X-Y", 37},
    {"PNL-13 32 way 4 bus X-Y", 38},
    {"PNL-14 48 way BPX", 39},
    {"PNL-14 48 way split BPX", 40},
    {"PNL-14 48 way split X-Y", 41},
    {"PNL-14 48 way 4 bus X-Y", 42},
    {"PNL-14 48 way 32x16 X-Y", 43},
    {"PNL-15 16x16 split BPX", 44},
    {"PNL-15 16x16 split X-Y", 45},
    {"PNL-16 24x12 X-Y", 46},
    {"PNL-01 XY Mon (Router C)", 7},
}};

namespace {

// The nine sets of controls the types fall into.
//                            bright  overr  dests  lvlbtn master swap   alldst
constexpr TPanelControls kBpx{false, true, false, true, false, false, false};
constexpr TPanelControls kBpxNoButtons{false, true, false, false, false, false, false};
constexpr TPanelControls kXyMasterNoButtons{false, false, true, false, true, false, false};
constexpr TPanelControls kMultiOutput{true, true, false, false, false, true, false};
constexpr TPanelControls kMonitor{true, false, false, false, false, true, false};
constexpr TPanelControls kDialUpXy{true, false, true, false, true, true, true};
constexpr TPanelControls kLampXy{false, false, true, true, false, false, false};
constexpr TPanelControls kXyMaster{false, false, true, true, true, false, false};

constexpr int kDest = 99;  // the destination class of panels without destination keys

// Everything about one panel type code.
struct TTypeInfo {
  const TPanelControls* controls;  // null: not a type the editor knows
  uint8_t sourceClass, sourceDialUpClass, destClass, destDialUpClass;
  bool controlledDests;
  bool sourceChoice, destChoice;  // the keypad kind can be chosen
};

constexpr TTypeInfo kUnknown{nullptr, 0, 0, 0, 0, false, false, false};

// Indexed by the type code, 0-46.
constexpr TTypeInfo kTypes[47] = {
    /* 0 */ kUnknown,
    /* 1 */ {&kBpx, 1, 1, kDest, kDest, false, false, false},
    /* 2 */ {&kLampXy, 1, 1, 1, 1, true, false, false},
    /* 3 */ {&kDialUpXy, 2, 3, 2, 3, true, true, true},
    /* 4 */ {&kMultiOutput, 2, 3, kDest, kDest, true, true, false},
    /* 5 */ kUnknown,
    /* 6 */ kUnknown,
    /* 7 */ {&kMonitor, 2, 3, 2, 3, true, true, true},
    /* 8 */ kUnknown,
    /* 9 */ kUnknown,
    /* 10 */ kUnknown,
    /* 11 */ {&kBpxNoButtons, 4, 4, kDest, kDest, false, false, false},
    /* 12 */ {&kXyMaster, 4, 4, 4, 4, true, false, false},
    /* 13 */ {&kBpx, 4, 4, kDest, kDest, false, false, false},
    /* 14 */ {&kBpxNoButtons, 5, 5, kDest, kDest, false, false, false},
    /* 15 */ {&kXyMasterNoButtons, 6, 6, 5, 5, true, false, false},
    /* 16 */ {&kBpxNoButtons, 7, 7, kDest, kDest, false, false, false},
    /* 17 */ {&kBpx, 7, 7, kDest, kDest, false, false, false},
    /* 18 */ {&kBpxNoButtons, 8, 8, kDest, kDest, false, false, false},
    /* 19 */ {&kBpxNoButtons, 9, 9, kDest, kDest, false, false, false},
    /* 20 */ {&kXyMasterNoButtons, 10, 10, 6, 6, true, false, false},
    /* 21 */ {&kBpx, 5, 5, kDest, kDest, false, false, false},
    /* 22 */ {&kXyMaster, 6, 6, 5, 5, true, false, false},
    /* 23 */ {&kBpx, 11, 11, kDest, kDest, false, false, false},
    /* 24 */ {&kMultiOutput, 2, 3, kDest, kDest, true, true, false},
    /* 25 */ {&kMultiOutput, 12, 13, kDest, kDest, true, true, false},
    /* 26 */ {&kMultiOutput, 12, 13, kDest, kDest, true, true, false},
    /* 27 */ {&kMultiOutput, 12, 13, kDest, kDest, true, true, false},
    /* 28 */ {&kMultiOutput, 12, 13, kDest, kDest, true, true, false},
    /* 29 */ kUnknown,
    /* 30 */ kUnknown,
    /* 31 */ {&kBpx, 14, 14, kDest, kDest, false, false, false},
    /* 32 */ {&kBpx, 14, 14, kDest, kDest, false, false, false},
    /* 33 */ {&kXyMaster, 15, 15, 7, 7, true, false, false},
    /* 34 */ {&kXyMasterNoButtons, 14, 14, 8, 8, true, false, false},
    /* 35 */ {&kBpx, 16, 16, kDest, kDest, false, false, false},
    /* 36 */ {&kBpx, 16, 16, kDest, kDest, false, false, false},
    /* 37 */ {&kXyMaster, 17, 17, 9, 9, true, false, false},
    /* 38 */ {&kXyMasterNoButtons, 16, 16, 8, 8, true, false, false},
    /* 39 */ {&kBpx, 18, 18, kDest, kDest, false, false, false},
    /* 40 */ {&kBpx, 18, 18, kDest, kDest, false, false, false},
    /* 41 */ {&kXyMaster, 19, 19, 10, 10, true, false, false},
    /* 42 */ {&kXyMasterNoButtons, 20, 20, 8, 8, true, false, false},
    /* 43 */ {&kXyMaster, 21, 21, 6, 6, true, false, false},
    /* 44 */ {&kBpx, 22, 22, kDest, kDest, false, false, false},
    /* 45 */ {&kXyMaster, 23, 23, 6, 6, true, false, false},
    /* 46 */ {&kXyMaster, 24, 24, 4, 4, true, false, false},
};

const TTypeInfo& Info(int code) { return code >= 0 && code <= 46 ? kTypes[code] : kUnknown; }

constexpr TKeyFunction kRemove{15, "Remove"}, kBlank{99, "Blank Key"}, kNormal{0, "Normal"}, kSource{1, "Source"},
    kLineUp{2, "Line-Up"}, kClear{3, "Clear"}, kNext{4, "Next"}, kPrevious{5, "Previous"}, kAltLevel{6, "Alt. Lev."},
    kProtect{7, "Protect"}, kAltDest{9, "Alt. Dest."}, kDestIdent{10, "Dest. Ident."}, kDisplayAudio{13, "Display Aud."},
    kConfigAudio{14, "Config. Aud."};

}  // namespace

int PanelTypeIndex(int code) {
  const auto it = std::find_if(PanelTypeList.begin(), PanelTypeList.end(),
                               [code](const TPanelTypeEntry& e) { return e.code == code; });
  return it == PanelTypeList.end() ? -1 : static_cast<int>(it - PanelTypeList.begin());
}

const char* PanelTypeText(int code) {
  const int i = PanelTypeIndex(code);
  return i < 0 ? nullptr : PanelTypeList[static_cast<size_t>(i)].text;
}

bool IsRecognisedPanelType(int code) { return Info(code).controls != nullptr; }
bool IsXYPanelType(int code) { return IsRecognisedPanelType(code) && Info(code).controls->destinationsPage; }
bool HasControlledDests(int code) { return Info(code).controlledDests; }
bool HasSourceKeypadChoice(int code) { return Info(code).sourceChoice; }
bool HasDestKeypadChoice(int code) { return Info(code).destChoice; }

std::optional<TPanelControls> PanelControls(int code) {
  if (!IsRecognisedPanelType(code)) return std::nullopt;
  return *Info(code).controls;
}

int KeypadDisplayNumber(int k) {
  if (k >= 0 && k <= 31) return k + 1;
  if (k >= 32 && k <= 63) return k - 31;
  if (k >= 64 && k <= 71) return k - 63;
  if (k >= 72 && k <= 79) return k - 71;
  return k;
}

int SourceLayoutClass(int panelType, bool dialUp) {
  const TTypeInfo& t = Info(panelType);
  return dialUp ? t.sourceDialUpClass : t.sourceClass;
}

int DestLayoutClass(int panelType, bool dialUp) {
  const TTypeInfo& t = Info(panelType);
  return dialUp ? t.destDialUpClass : t.destClass;
}

std::vector<TKeyFunction> KeyFunctionMenu(int panelType) {
  if (!IsRecognisedPanelType(panelType)) return {};
  std::vector<TKeyFunction> menu{kRemove, kBlank};
  const auto add = [&](std::initializer_list<TKeyFunction> entries) { menu.insert(menu.end(), entries); };
  if (panelType == 3) {
    add({kNormal, kLineUp, kProtect, kAltLevel, kNext, kPrevious, kConfigAudio, kDisplayAudio, kClear});
  } else if (panelType == 4 || (panelType >= 24 && panelType <= 28)) {
    add({kNormal, kLineUp, kProtect, kAltLevel, kDestIdent, kNext, kPrevious, kConfigAudio, kDisplayAudio});
    if (panelType != 4) add({kAltDest});
    add({kClear});
  } else if (panelType == 7) {
    add({kNormal, kNext, kPrevious, kClear});
  } else {
    add({kNormal, kSource, kProtect, kAltLevel});
  }
  return menu;
}

}  // namespace zephra::editor
