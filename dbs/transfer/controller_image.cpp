#include "transfer/controller_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checksum.h"
#include "names.h"
#include "records/associations.h"
#include "records/device_keypads.h"
#include "records/keypad_tree.h"
#include "records/keypads.h"
#include "records/matrix.h"
#include "records/panels.h"
#include "records/ports.h"
#include "records/salvo_chains.h"
#include "records/salvos.h"
#include "records/sources.h"
#include "records/umds.h"
#include "transfer/controller_tables.h"

namespace zephra {

void PutBE16(std::uint8_t* at, int value) {
  const auto v = static_cast<std::uint16_t>(value < 0 ? 0xFFFF : value);
  at[0] = static_cast<std::uint8_t>(v >> 8);
  at[1] = static_cast<std::uint8_t>(v);
}

void PutName(std::uint8_t* at, const char16_t* name) { ToNarrowName(name, 8, at); }

// A node link: node n as n + 1; none, or a node outside the keypad, as FF FF.
void PutLink(std::uint8_t* at, std::int16_t n, std::uint16_t nodes) { PutBE16(at, n >= 0 && n < nodes ? n + 1 : -1); }

std::uint8_t BaudCode(std::uint32_t baud) {
  for (const auto& b : kBaudCodes) {
    if (b.baud == baud) return b.code;
  }
  return kDefaultBaudCode;
}

std::uint16_t KeyCode(std::uint8_t keyType) { return keyType < 16 ? kKeyCodes[keyType] : 0x0357; }

std::uint8_t UMDDeviceType(std::uint8_t umdType) { return umdType < 24 ? kUMDDeviceTypes[umdType] : 5; }

std::uint8_t UMDFlagByte(std::uint16_t umdFlags) { return umdFlags == 1 ? 0x08 : 0x00; }

std::uint8_t PanelFlagByte(std::uint32_t flags) {
  std::uint8_t b = 0;
  if (flags & (1u << 1)) b |= 0x01;
  if (flags & (1u << 4)) b |= 0x04;
  if (flags & (1u << 16)) b |= 0x02;
  if (flags & (1u << 17)) b |= 0x10;
  if (flags & (1u << 18)) b |= 0x20;
  return b;
}

void EncodeGeneralPort(const GeneralPortEntry& port, std::uint8_t* out) {
  std::uint8_t raw[sizeof port];
  std::memcpy(raw, &port, sizeof raw);
  out[0] = port.protocol < 10 ? kProtocolCodes[port.protocol] : 8;
  out[1] = BaudCode(port.baudRate);
  std::memcpy(out + 2, raw + 8, 4);  // parity, data bits, stop bits, handshake
  out[6] = raw[12];                  // the low byte of bytes 12-15
  out[7] = raw[16];                  // the low byte of bytes 16-19
}

void EncodeAssociation(const MemberTriple* members, std::uint8_t* out) {
  for (int m = 0; m < 8; ++m) PutBE16(out + 2 * m, members[m].number);
}

void EncodeOverrides(const OverrideSetEntry& set, std::uint8_t* out) {
  for (int j = 0; j < 16; ++j) {
    PutBE16(out + 4 * j, set.overrides[j].level);
    PutBE16(out + 4 * j + 2, set.overrides[j].number);
  }
}

void EncodeXYSet(const ConfigImage& c, std::uint32_t entryBytes, const XYSetEntry& set, std::uint8_t* out) {
  const std::uint32_t maps = c.matrixCount ? (c.destAssocCount[0] + 7u) / 8u : 0u;
  const std::uint32_t used = std::min({maps, entryBytes, std::uint32_t{sizeof set.destMap}});
  std::memcpy(out, set.destMap, used);
  std::memset(out + used, 0, entryBytes - used);
}

void EncodeSalvo(const SalvoEntry& salvo, std::uint8_t* out) {
  PutBE16(out, salvo.xpCount);
  PutBE16(out + 2, salvo.firstXP);
  PutName(out + 4, salvo.name);
}

void EncodeSalvoRecord(const SalvoXPEntry& record, std::uint8_t* out) {
  PutBE16(out, record.next);
  PutBE16(out + 2, record.level);
  PutBE16(out + 4, record.destination);
  PutBE16(out + 6, record.source);
}

// The destination keypad's number in the first byte, the source keypad's in
// the second, by each keypad's kind; FF for none.
void EncodePanelKeypads(const Db& db, const PanelEntry& panel, std::uint8_t* out) {
  out[0] = out[1] = 0xFF;
  for (const std::uint16_t k : {panel.destKeypad, panel.sourceKeypad}) {
    if (k >= db.Config().keypadCount) continue;
    out[db.Read<KeypadEntry>(db.Layout().keypadPos[k]).keypadType != 0 ? 0 : 1] = ControllerKeypadNumber(k);
  }
}

std::uint32_t InhibitRowBytes(const FormatInfo& format, int level) {
  return (format.maxDests[static_cast<std::size_t>(level)] + 7u) / 8u;
}

std::uint32_t InhibitLevelOffset(const FormatInfo& format, int level) {
  std::uint32_t at = 0;
  for (int l = 0; l < level; ++l) at += InhibitRowBytes(format, l) * format.maxDests[static_cast<std::size_t>(l)];
  return at;
}

std::uint32_t ParameterLevelOffset(const FormatInfo& format, int level) {
  std::uint32_t at = 0;
  for (int l = 0; l < level; ++l) at += format.maxDests[static_cast<std::size_t>(l)];
  return at;
}

namespace {

constexpr std::uint8_t kUnusedGeneralPort[8] = {0x06, 0x10, 0x00, 0x08, 0x02, 0x00, 0x00, 0x00};
constexpr std::uint32_t kPanelPlaces = kControllerPlaces;

// Everything the builders read, in one place.
struct Source {
  Db& db;
  const ConfigImage& c;
  const ImageLayout& L;
  const FormatInfo& f;
  const ControllerMap& map;
  ControllerConstants consts;

  std::uint16_t Levels() const { return std::min<std::uint16_t>(c.matrixCount ? c.levelCount[0] : 0, 8); }
  std::uint16_t MaxSources(int l) const { return f.maxDests[static_cast<std::size_t>(l)]; }
  std::uint16_t MaxDests(int l) const { return f.maxDests[static_cast<std::size_t>(l)]; }
  // A device on a multi-drop place: its port address index, else -1.
  int PlaceIndex(std::uint16_t port, std::uint16_t address) const {
    if (port >= c.multidropPortCount || address < 1 || address > 16) return -1;
    const int i = 16 * port + address - 1;
    return i < static_cast<int>(kPanelPlaces) ? i : -1;
  }
  PanelEntry Panel(std::uint16_t n) const { return db.Read<PanelEntry>(L.panelPos + n * std::uint32_t{sizeof(PanelEntry)}); }
  bool HasUMD(std::uint16_t n) const { return n < c.umdCount; }
  UMDEntry UMD(std::uint16_t n) const { return db.Read<UMDEntry>(L.umdPos + n * std::uint32_t{sizeof(UMDEntry)}); }
  KeypadEntry Keypad(std::uint16_t k) const { return db.Read<KeypadEntry>(L.keypadPos[k]); }
  KeyEntry Key(std::uint16_t k, std::uint16_t j) const {
    return db.Read<KeyEntry>(L.keypadPos[k] + std::uint32_t{sizeof(KeypadEntry)} + j * std::uint32_t{sizeof(KeyEntry)});
  }
};

// ---- names, inhibits, associations ------------------------------------------

void SourceArea(const Source& s, std::uint8_t* out) {
  for (int l = 0; l < 8; ++l) {
    for (int src = 0; src <= s.MaxSources(l); ++src) {
      std::uint8_t* at = out + 8 * SourceNameSlot(static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(src));
      if (l < s.Levels() && src < s.c.sourceCount[0][l]) {
        PutName(at, s.db.Read<SourceEntry>(SourcePos(s.db, 0, static_cast<std::uint16_t>(l),
                                                     static_cast<std::uint16_t>(src))).name2);
      } else {
        std::memset(at, ' ', 8);
      }
    }
  }
}

void DestAssocArea(const Source& s, std::uint8_t* out) {
  for (std::uint32_t a = 0; a < s.consts.associations; ++a) {
    if (s.c.matrixCount && a < s.c.destAssocCount[0]) {
      PutName(out + 8 * a, s.db.Read<DestinationAssociationEntry>(
                               s.L.destAssocPos[0] + a * std::uint32_t{sizeof(DestinationAssociationEntry)}).name);
    } else {
      std::memset(out + 8 * a, ' ', 8);
    }
  }
}

void InhibitArea(const Source& s, std::uint8_t* out) {
  for (int l = 0; l < 8; ++l) {
    const std::uint32_t at = InhibitLevelOffset(s.f, l), rowBytes = InhibitRowBytes(s.f, l);
    const std::uint32_t rows = s.MaxDests(l);
    std::memset(out + at, 0, rowBytes * rows);
    if (l < s.Levels()) {
      const LevelBitmap file = BitmapOf(s.db, BitmapKind::Inhibit, 0, static_cast<std::uint16_t>(l));
      const std::uint32_t sources = std::min<std::uint32_t>(s.c.sourceCount[0][l], s.MaxSources(l));
      // Exactly one controller row per destination: a park source's extra
      // file byte never spills into the next row.
      const std::uint32_t used = std::min((sources + 7u) / 8u, std::min(file.rowBytes, rowBytes));
      std::vector<std::uint8_t> row(file.rowBytes);
      for (std::uint32_t d = 0; d < s.c.destCount[0][l] && d < rows; ++d) {
        s.db.ReadBytes(file.pos + d * file.rowBytes, row.data(), row.size());
        for (std::uint32_t j = 0; j < used; ++j) out[at + d * rowBytes + j] = static_cast<std::uint8_t>(~row[j]);
      }
    }
  }
}

template <class Entry>
void AssocMembers(const Source& s, std::uint32_t pos, std::uint16_t count, std::uint8_t* out) {
  std::memset(out, 0xFF, 16u * s.consts.associations);
  for (std::uint32_t a = 0; a < count && a < s.consts.associations; ++a) {
    const Entry e = s.db.Read<Entry>(pos + a * std::uint32_t{sizeof(Entry)});
    EncodeAssociation(e.members, out + 16 * a);
  }
}

void SourceAssocArea(const Source& s, std::uint8_t* out) {
  AssocMembers<SourceAssociationEntry>(s, s.L.sourceAssocPos[0], s.c.matrixCount ? s.c.sourceAssocCount[0] : 0, out);
}

void DestAssocArea2(const Source& s, std::uint8_t* out) {
  AssocMembers<DestinationAssociationEntry>(s, s.L.destAssocPos[0], s.c.matrixCount ? s.c.destAssocCount[0] : 0, out);
}

// ---- panels and UMDs ---------------------------------------------------------

// For each place number n below the panel count: the UMD n, then the panel n
// (a panel overwrites a UMD on the same place).
template <class OnUMD, class OnPanel>
void EachDevice(const Source& s, OnUMD&& onUMD, OnPanel&& onPanel) {
  for (std::uint16_t n = 0; n < s.c.panelCount; ++n) {
    if (s.HasUMD(n)) {
      const UMDEntry u = s.UMD(n);
      if (const int i = s.PlaceIndex(u.port, u.address); i >= 0) onUMD(n, u, static_cast<std::uint32_t>(i));
    }
    const PanelEntry p = s.Panel(n);
    if (const int i = s.PlaceIndex(p.port, p.address); i >= 0) onPanel(n, p, static_cast<std::uint32_t>(i));
  }
}

void PortArea(const Source& s, std::uint8_t* out) {
  std::memset(out, ' ', 8 * kPanelPlaces);
  EachDevice(
      s, [&](std::uint16_t, const UMDEntry& u, std::uint32_t i) { PutName(out + 8 * i, u.name); },
      [&](std::uint16_t, const PanelEntry& p, std::uint32_t i) { PutName(out + 8 * i, p.name); });
}

void PanelArea1(const Source& s, std::uint8_t* out) {
  std::memset(out, 0, kPanelPlaces);
  EachDevice(
      s, [&](std::uint16_t, const UMDEntry& u, std::uint32_t i) { out[i] = UMDDeviceType(u.umdType); },
      [&](std::uint16_t, const PanelEntry& p, std::uint32_t i) { out[i] = static_cast<std::uint8_t>(p.panelType); });
}

void PanelArea2(const Source& s, std::uint8_t* out) {
  std::memset(out, 0, 2 * kPanelPlaces);
  EachDevice(
      s,
      [&](std::uint16_t, const UMDEntry& u, std::uint32_t i) {
        out[2 * i] = UMDFlagByte(u.umdFlags);
        out[2 * i + 1] = 0x00;
      },
      [&](std::uint16_t, const PanelEntry& p, std::uint32_t i) {
        out[2 * i] = PanelFlagByte(p.flags);
        out[2 * i + 1] = p.mode;
      });
}

void PanelArea3(const Source& s, std::uint8_t* out) {
  std::memset(out, 0xFF, 2 * kPanelPlaces);
  for (std::uint16_t n = 0; n < s.c.panelCount; ++n) {
    if (s.HasUMD(n)) {
      const UMDEntry u = s.UMD(n);
      if (const int i = s.PlaceIndex(u.port, u.address); i >= 0) {
        const int k = FindUMDKeypad(s.db, n);
        if (k >= 32 && k < 64) out[2 * i] = static_cast<std::uint8_t>(k - 32);
        out[2 * i + 1] = 0xFF;
      }
    }
    const PanelEntry p = s.Panel(n);
    if (const int i = s.PlaceIndex(p.port, p.address); i >= 0) {
      // A panel's keypads go over a UMD's on the same place; no keypad leaves its byte.
      std::uint8_t keypads[2];
      EncodePanelKeypads(s.db, p, keypads);
      for (int j = 0; j < 2; ++j) {
        if (keypads[j] != 0xFF) out[2 * i + j] = keypads[j];
      }
    }
  }
}

void OverrideArea(const Source& s, std::uint8_t* out) {
  std::memset(out, 0xFF, 64 * kPanelPlaces);
  for (std::uint16_t o = 0; o < s.c.panelCount && o < s.c.outputSetCount; ++o) {
    const auto set = s.db.Read<OverrideSetEntry>(s.L.overrideSetPos + o * std::uint32_t{sizeof(OverrideSetEntry)});
    const std::uint16_t owner = set.head[1];
    if (owner >= s.c.panelCount) continue;
    const PanelEntry p = s.Panel(owner);
    const int i = s.PlaceIndex(p.port, p.address);
    if (i >= 0) EncodeOverrides(set, out + 64 * i);
  }
}

void PanelArea4(const Source& s, std::uint8_t* out) {
  const int levels = s.Levels();
  const auto mask = static_cast<std::uint8_t>((1u << levels) - 1u);
  for (std::uint32_t i = 0; i < kPanelPlaces; ++i) out[2 * i] = mask, out[2 * i + 1] = 6;
  EachDevice(
      s,
      [&](std::uint16_t, const UMDEntry& u, std::uint32_t i) {
        out[2 * i] = mask;
        out[2 * i + 1] = static_cast<std::uint8_t>(u.brightness);
      },
      [&](std::uint16_t, const PanelEntry& p, std::uint32_t i) {
        out[2 * i] = static_cast<std::uint8_t>(p.levels[0]);
        out[2 * i + 1] = p.brightness;
      });
}

void XYArea(const Source& s, std::uint8_t* out) {
  const std::uint32_t X = s.consts.XYEntry();
  std::memset(out, 0, X * kPanelPlaces);
  for (std::uint16_t x = 0; x < s.c.panelCount && x < s.c.xySetCount; ++x) {
    const auto set = s.db.Read<XYSetEntry>(s.L.xySetPos + x * std::uint32_t{sizeof(XYSetEntry)});
    if (set.panel >= s.c.panelCount) continue;
    const PanelEntry p = s.Panel(set.panel);
    const int i = s.PlaceIndex(p.port, p.address);
    if (i >= 0) EncodeXYSet(s.c, X, set, out + X * static_cast<std::uint32_t>(i));
  }
}

// ---- levels and ports --------------------------------------------------------

void LevelArea(const Source& s, std::uint8_t* out) {
  for (int l = 0; l < 8; ++l) {
    if (l < s.Levels()) {
      PutBE16(out + 2 * l, s.db.Read<LevelEntry>(LevelPos(s.db, 0, static_cast<std::uint16_t>(l))).levelType);
    } else {
      out[2 * l] = 0x01, out[2 * l + 1] = 0x8E;
    }
  }
}

void LevelArea2(const Source& s, std::uint8_t* out) {
  for (int l = 0; l < 8; ++l) {
    const int park = l < s.Levels()
                         ? static_cast<std::int16_t>(s.db.Read<LevelEntry>(LevelPos(s.db, 0, static_cast<std::uint16_t>(l))).parkSource)
                         : -1;
    PutBE16(out + 2 * l, park);
  }
}

void FixedArea(const Source& s, std::uint8_t* out) {
  for (int l = 0; l < 8; ++l) {
    PutBE16(out + 2 * l, s.c.matrixCount ? s.c.sourceCount[0][l] : 0);
    PutBE16(out + 16 + 2 * l, s.c.matrixCount ? s.c.destCount[0][l] : 0);
  }
}

void MatrixPortArea(const Source& s, std::uint8_t* out) {
  std::memset(out, 0xFF, 8);
  for (std::uint16_t l = 0; l < s.Levels() && l < s.c.matrixPortCount; ++l) {
    out[l] = static_cast<std::uint8_t>(
        s.db.Read<MatrixPortEntry>(s.L.matrixPortPos + l * std::uint32_t{sizeof(MatrixPortEntry)}).physicalLevel);
  }
}

void GeneralPortArea(const Source& s, std::uint8_t* out) {
  for (std::uint16_t p = 0; p < 4; ++p) {
    std::uint8_t* at = out + 8 * kGeneralPortSlots[p];
    if (p >= s.c.generalPortCount) {
      std::memcpy(at, kUnusedGeneralPort, 8);
      continue;
    }
    EncodeGeneralPort(s.db.Read<GeneralPortEntry>(s.L.generalPortPos + p * std::uint32_t{sizeof(GeneralPortEntry)}), at);
  }
}

void TrigLineArea(const Source& s, std::uint8_t* out) {
  if (s.L.trigLinePos) s.db.ReadBytes(s.L.trigLinePos, out, 4);
}

// ---- salvos ------------------------------------------------------------------

void SalvoArea(const Source& s, std::uint8_t* out) {
  SalvoPool pool(s.db);
  for (std::uint16_t i = 0; i < kControllerSalvos; ++i) {
    std::uint8_t* at = out + 12 * i;
    if (i < s.c.salvoCount) {
      EncodeSalvo(pool.Header(i), at);
    } else {
      at[0] = at[1] = 0x00;
      at[2] = at[3] = 0xFF;
      std::memset(at + 4, ' ', 8);
    }
  }
}

void SalvoXPArea(const Source& s, std::uint8_t* out) {
  std::memset(out, kFreeSalvoRecordByte, 8u * kControllerSalvoRecords);
  SalvoPool pool(s.db);
  for (std::uint16_t i = 0; i < s.c.salvoCount; ++i) {
    for (const std::int16_t r : pool.Chain(pool.Header(i).firstXP)) {
      EncodeSalvoRecord(pool.Record(r), out + 8 * static_cast<std::uint32_t>(r));
    }
  }
}

// A free list as the controller keeps it: the count, then the members with
// the head last.
void PutFreeList(std::uint8_t* out, const std::vector<std::int16_t>& list, std::uint16_t nodes, bool links) {
  const auto n = static_cast<std::uint32_t>(list.size());
  PutBE16(out, static_cast<int>(n));
  for (std::uint32_t j = 0; j < n; ++j) {
    std::uint8_t* at = out + 2 * (n - j);
    if (links) {
      PutLink(at, list[j], nodes);
    } else {
      PutBE16(at, list[j]);
    }
  }
}

void SalvoLinkArea(const Source& s, std::uint8_t* out) {
  std::memset(out, 0xFF, 2u + 2u * kControllerSalvoRecords);
  SalvoPool pool(s.db);
  auto list = pool.Chain(pool.FreeHead());
  if (list.size() > kControllerSalvoRecords) list.resize(kControllerSalvoRecords);
  PutFreeList(out, list, 0, false);
}

// ---- keypads -----------------------------------------------------------------

// The top-level nodes of a keypad's tree by key name; a key's name finds the
// first of them met forward from the root, then backward from it. Read once
// for a whole keypad, as every key looks its name up among them.
class TopLevelNodes {
 public:
  explicit TopLevelNodes(KeypadTree& tree) {
    const SequenceTail tail = tree.Tail();
    if (!tree.Valid(tail.root)) return;
    for (const std::int16_t n : tree.Siblings(tail.root)) Add(tree.Node(n));
    std::vector<bool> seen(tree.NodeCount());
    for (std::int16_t n = tree.Node(tail.root).prev; tree.Valid(n) && !seen[static_cast<std::size_t>(n)];
         n = tree.Node(n).prev) {
      seen[static_cast<std::size_t>(n)] = true;
      Add(tree.Node(n));
    }
  }
  // The node whose key name is `name`, or none.
  const SequenceNode* Named(const char16_t (&name)[16]) const {
    const std::u16string_view key = TrimmedKeyName(name);
    if (key.empty()) return nullptr;
    const auto at = byName_.find(std::u16string(key));
    return at == byName_.end() ? nullptr : &at->second;
  }

 private:
  void Add(const SequenceNode& node) {
    const std::u16string_view key = TrimmedKeyName(node.keyName);
    if (!key.empty()) byName_.emplace(std::u16string(key), node);
  }
  std::unordered_map<std::u16string, SequenceNode> byName_;
};

// The word of a simple keypad's key: a name key carries what its top-level
// sequence selects (or fires), any other key its function's code.
int SimpleKeyWordOf(const Source& s, const TopLevelNodes& top, std::uint16_t k, std::uint16_t j, bool source) {
  const KeyEntry key = s.Key(k, j);
  if (key.keyType > 1) return KeyCode(key.keyType);
  const SequenceNode* node = top.Named(key.name);
  if (!node) return -1;
  return source && (node->salvoFlags & 1) ? kSalvoKeyBase + node->salvo : node->selection[0];
}

void SimpleKeypad(const Source& s, std::uint16_t k, bool source, std::uint8_t* out, std::uint32_t words) {
  KeypadTree tree(s.db, k);
  const TopLevelNodes top(tree);
  const std::uint32_t keys = std::min<std::uint32_t>(s.c.keyCount[k], words);
  for (std::uint16_t j = 0; j < keys; ++j) PutBE16(out + 2 * j, SimpleKeyWordOf(s, top, k, j, source));
}

void SimpleKeypadArea(const Source& s, std::uint8_t* out, bool source) {
  const std::uint32_t words = source ? kSourceKeyWords : kDestKeyWords;
  const std::uint32_t area = source ? s.map.ctlKeypadArea2 : s.map.ctlKeypadArea1;
  std::memset(out, 0xFF, 32 * 2 * words);
  for (std::uint16_t k = 0; k < s.c.keypadCount; ++k) {
    const SimpleKeypadWords place = SimpleKeypadWordsOf(s.db, k);
    if (place.words == 0 || place.source != source) continue;
    SimpleKeypad(s, k, source, out + (place.address - area), words);
  }
}

void KeypadArea1(const Source& s, std::uint8_t* out) { SimpleKeypadArea(s, out, false); }
void KeypadArea2(const Source& s, std::uint8_t* out) { SimpleKeypadArea(s, out, true); }

// The dial-up keypad in each of the 16 slots, or -1.
std::array<int, kDialUpSlots> DialUpSlots(const Source& s) {
  std::array<int, kDialUpSlots> slots;
  slots.fill(-1);
  for (std::uint16_t k = 0; k < s.c.keypadCount; ++k) {
    const KeypadPlace place = PlaceOfKeypad(s.db, k);
    if (place.area == KeypadPlace::Area::DialUp) slots[static_cast<std::size_t>(place.slot)] = k;
  }
  return slots;
}

void KeypadArea3(const Source& s, std::uint8_t* out) {
  std::memset(out, 0, kDialUpSlots * 2 * kDialUpKeys);
  const auto slots = DialUpSlots(s);
  for (std::uint32_t q = 0; q < kDialUpSlots; ++q) {
    if (slots[q] < 0) continue;
    const auto k = static_cast<std::uint16_t>(slots[q]);
    for (std::uint16_t j = 0; j < std::min<std::uint32_t>(s.c.keyCount[k], kDialUpKeys); ++j) {
      PutBE16(out + 2 * kDialUpKeys * q + 2 * j, KeyCode(s.Key(k, j).keyType));
    }
  }
}

void KeypadArea4(const Source& s, std::uint8_t* out) {
  std::memset(out, ' ', kDialUpSlots * 16 * kDialUpKeys);
  const auto slots = DialUpSlots(s);
  for (std::uint32_t q = 0; q < kDialUpSlots; ++q) {
    if (slots[q] < 0) continue;
    const auto k = static_cast<std::uint16_t>(slots[q]);
    for (std::uint16_t j = 0; j < std::min<std::uint32_t>(s.c.keyCount[k], kDialUpKeys); ++j) {
      const KeyEntry key = s.Key(k, j);
      PutName(out + 16 * kDialUpKeys * q + 16 * j, key.name);
      PutName(out + 16 * kDialUpKeys * q + 16 * j + 8, key.altName);
    }
  }
}

constexpr std::uint8_t kEmptyRecord[18] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                           ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' '};

// The key byte of a node: the keypad's first key named like the node.
std::uint8_t KeyByte(const Source& s, std::uint16_t k, const SequenceNode& node) {
  for (std::uint16_t j = 0; j < s.c.keyCount[k]; ++j) {
    const KeyEntry key = s.Key(k, j);
    if (SameKeyName(key.name, node.keyName) || SameKeyName(key.altName, node.keyName)) return key.keyIndex;
  }
  return 0xFF;
}

void PutNode(const Source& s, std::uint16_t k, const KeypadTree& tree, const SequenceNode& node, bool first,
             std::uint8_t* record) {
  const std::uint16_t nodes = tree.NodeCount();
  PutLink(record, node.next, nodes);
  PutLink(record + 2, first ? std::int16_t{-1} : node.prev, nodes);
  PutLink(record + 4, node.firstChild, nodes);
  record[6] = KeyByte(s, k, node);
  record[7] = 0xFF;
  const bool salvo = node.salvoFlags != 0 && node.salvo >= 0 && node.salvo < s.c.salvoCount;
  PutBE16(record + 8, salvo ? kSalvoKeyBase + node.salvo : node.selection[0]);
  PutName(record + 10, node.displayName);
}

void KeypadBlock(const Source& s, std::uint16_t k, std::uint8_t* out) {
  const std::uint32_t N = s.consts.dialUpNodes;
  for (std::uint32_t r = 0; r <= N; ++r) std::memcpy(out + 18 * r, kEmptyRecord, 18);
  KeypadTree tree(s.db, k);
  const SequenceTail tail = tree.Tail();
  if (tail.root < 0 || tail.root >= static_cast<int>(N) || !tree.Valid(tail.root)) {
    out[0] = 0x00, out[1] = 0x01;
    return;
  }
  // The first node: up from the root along parents, then back along prevs,
  // each walk bounded by the node count.
  std::int16_t first = tail.root;
  for (int steps = 0; steps < tree.NodeCount() && tree.Valid(tree.Node(first).parent); ++steps) first = tree.Node(first).parent;
  for (int steps = 0; steps < tree.NodeCount() && tree.Valid(tree.Node(first).prev); ++steps) first = tree.Node(first).prev;
  PutLink(out, first, tree.NodeCount());
  // Pre-order: a node's first child, else its next, else the next of the
  // nearest ancestor that has one. Each node is written once.
  std::vector<bool> seen(tree.NodeCount());
  std::int16_t n = first;
  bool isFirst = true;
  while (tree.Valid(n) && !seen[static_cast<std::size_t>(n)] && static_cast<std::uint32_t>(n) < N) {
    seen[static_cast<std::size_t>(n)] = true;
    const SequenceNode node = tree.Node(n);
    PutNode(s, k, tree, node, isFirst, out + 18 * (static_cast<std::uint32_t>(n) + 1));
    isFirst = false;
    if (tree.Valid(node.firstChild)) {
      n = node.firstChild;
      continue;
    }
    std::int16_t up = n;
    n = -1;
    for (int steps = 0; steps <= tree.NodeCount() && tree.Valid(up); ++steps) {
      const SequenceNode at = tree.Node(up);
      if (tree.Valid(at.next)) {
        n = at.next;
        break;
      }
      up = at.parent;
    }
  }
}

void KeypadBlockFree(const Source& s, std::uint16_t k, std::uint8_t* out) {
  std::memset(out, 0xFF, s.consts.FreeList());
  KeypadTree tree(s.db, k);
  auto list = tree.Siblings(tree.Tail().freeHead);
  if (list.size() > s.consts.dialUpNodes) list.resize(s.consts.dialUpNodes);
  PutFreeList(out, list, tree.NodeCount(), true);
}

}  // namespace

ControllerConstants ConstantsOf(const FormatInfo& format) { return {format.maxAssociations, format.dialUpNodes}; }

std::uint8_t ControllerKeypadNumber(std::uint16_t k) {
  return static_cast<std::uint8_t>(k < 32 ? k : k < 72 ? k - 32 : k - 40);
}

KeypadPlace PlaceOfKeypad(const Db& db, std::uint16_t keypad) {
  const ConfigImage& c = db.Config();
  if (keypad >= c.keypadCount) return {};
  int simpleSource = 0, simpleDest = 0, dialSource = 0, dialDest = 0;
  for (std::uint16_t k = 0; k <= keypad; ++k) {
    const auto e = db.Read<KeypadEntry>(db.Layout().keypadPos[k]);
    const bool dialUp = (e.keypadFlags & 0x02) != 0, source = e.keypadType == 0;
    int& counter = dialUp ? (source ? dialSource : dialDest) : (source ? simpleSource : simpleDest);
    if (k == keypad) {
      if (!dialUp) return {source ? KeypadPlace::Area::SimpleSource : KeypadPlace::Area::SimpleDest, counter};
      if (counter >= 8) return {};
      return {KeypadPlace::Area::DialUp, source ? counter : 8 + counter};
    }
    ++counter;
  }
  return {};
}

SimpleKeypadWords SimpleKeypadWordsOf(Db& db, std::uint16_t keypad) {
  const KeypadPlace place = PlaceOfKeypad(db, keypad);
  const bool source = place.area == KeypadPlace::Area::SimpleSource;
  if ((!source && place.area != KeypadPlace::Area::SimpleDest) || place.slot < 0 || place.slot >= 32) return {};
  const ControllerMap& map = *db.GetSlot().db->format->controllerMap;
  const std::uint32_t words = source ? kSourceKeyWords : kDestKeyWords;
  return {(source ? map.ctlKeypadArea2 : map.ctlKeypadArea1) + 2 * words * static_cast<std::uint32_t>(place.slot), words,
          source};
}

std::uint32_t ParameterAreaAddress(const FormatInfo& format, int area) {
  const ControllerMap& map = *format.controllerMap;
  return area == 1 ? map.ctlParamArea1 : area == 2 ? map.ctlParamArea2 : map.ctlParamArea3;
}

std::vector<std::uint8_t> EncodeParameterArea(Db& db, int area) {
  const ConfigImage& c = db.Config();
  const FormatInfo& f = *db.GetSlot().db->format;
  std::vector<std::uint8_t> out(f.controllerMap->paramAreaSize, area == 3 ? 1 : 0);
  const std::uint16_t levels = std::min<std::uint16_t>(c.matrixCount ? c.levelCount[0] : 0, 8);
  for (std::uint16_t l = 0; l < levels; ++l) {
    const std::uint16_t max = f.maxDests[l];
    const std::uint32_t base = ParameterLevelOffset(f, l);
    if (area == 2) {
      for (std::uint16_t d = 0; d < c.destCount[0][l] && d < max && base + d < out.size(); ++d) {
        out[base + d] = db.Read<DestinationEntry>(DestPos(db, 0, l, d)).audioParam;
      }
    } else {
      const std::uint16_t sources = std::min(c.sourceCount[0][l], max);
      for (std::uint16_t src = 0; src < sources && base + src < out.size(); ++src) {
        const SourceEntry e = db.Read<SourceEntry>(SourcePos(db, 0, l, src));
        out[base + src] = area == 1 ? e.audioParam : e.trigger;
      }
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeControllerImage(Db& db) {
  const FormatInfo& f = *db.GetSlot().db->format;
  const ControllerMap& map = *f.controllerMap;
  const Source s{db, db.Config(), db.Layout(), f, map, ConstantsOf(f)};
  std::vector<std::uint8_t> image(BlocksFor(map.imageSize) * kBlockSize, 0);
  std::uint8_t* at = image.data();
  // In the controller's order: the panel keypad area may give a UMD its
  // keypad before the keypad areas are built.
  SourceArea(s, at + map.ctlSourceArea);
  DestAssocArea(s, at + map.ctlDestAssocArea);
  PortArea(s, at + map.ctlPortArea);
  InhibitArea(s, at + map.ctlInhibitArea);
  SourceAssocArea(s, at + map.ctlSourceAssocArea);
  DestAssocArea2(s, at + map.ctlDestAssocArea2);
  PanelArea1(s, at + map.ctlPanelArea1);
  PanelArea2(s, at + map.ctlPanelArea2);
  PanelArea3(s, at + map.ctlPanelArea3);
  KeypadArea1(s, at + map.ctlKeypadArea1);
  KeypadArea2(s, at + map.ctlKeypadArea2);
  OverrideArea(s, at + map.ctlOverrideArea);
  PanelArea4(s, at + map.ctlPanelArea4);
  LevelArea(s, at + map.ctlLevelArea);
  GeneralPortArea(s, at + map.ctlGeneralPortArea);
  XYArea(s, at + map.ctlXYArea);
  SalvoArea(s, at + map.ctlSalvoArea);
  SalvoXPArea(s, at + map.ctlSalvoXPArea);
  SalvoLinkArea(s, at + map.ctlSalvoLinkArea);
  KeypadArea3(s, at + map.ctlKeypadArea3);
  const auto slots = DialUpSlots(s);
  for (std::uint32_t q = 0; q < kDialUpSlots; ++q) {
    std::uint8_t* block = at + map.ctlKeypadBlock[q];
    if (slots[q] >= 0) {
      KeypadBlock(s, static_cast<std::uint16_t>(slots[q]), block);
    } else {
      for (std::uint32_t r = 0; r <= s.consts.dialUpNodes; ++r) std::memcpy(block + 18 * r, kEmptyRecord, 18);
    }
  }
  for (std::uint32_t q = 0; q < kDialUpSlots; ++q) {
    std::uint8_t* list = at + map.ctlKeypadBlock2[q];
    if (slots[q] >= 0) {
      KeypadBlockFree(s, static_cast<std::uint16_t>(slots[q]), list);
    } else {
      std::memset(list, 0xFF, s.consts.FreeList());
    }
  }
  KeypadArea4(s, at + map.ctlKeypadArea4);
  FixedArea(s, at + map.ctlFixedArea);
  LevelArea2(s, at + map.ctlLevelArea2);
  MatrixPortArea(s, at + map.ctlMatrixPortArea);
  if (map.hasTrigLineArea) TrigLineArea(s, at + map.ctlTrigLineArea);
  return image;
}

std::vector<ControllerBytes> EncodePlace(Db& db, std::uint32_t i) {
  const FormatInfo& f = *db.GetSlot().db->format;
  const ControllerMap& map = *f.controllerMap;
  const Source s{db, db.Config(), db.Layout(), f, map, ConstantsOf(f)};
  const std::uint32_t X = s.consts.XYEntry();
  struct Part {
    void (*build)(const Source&, std::uint8_t*);
    std::uint32_t address, entry;  // the area's start, and each place's bytes in it
  };
  const Part parts[] = {{PortArea, map.ctlPortArea, 8},         {PanelArea1, map.ctlPanelArea1, 1},
                        {PanelArea2, map.ctlPanelArea2, 2},     {PanelArea3, map.ctlPanelArea3, 2},
                        {PanelArea4, map.ctlPanelArea4, 2},     {XYArea, map.ctlXYArea, X},
                        {OverrideArea, map.ctlOverrideArea, 64}};
  std::vector<ControllerBytes> out;
  if (i >= kPanelPlaces) return out;
  std::vector<std::uint8_t> area;
  for (const Part& part : parts) {
    area.assign(std::size_t{part.entry} * kPanelPlaces, 0);
    part.build(s, area.data());
    const auto first = area.begin() + static_cast<std::ptrdiff_t>(part.entry * i);
    out.push_back({part.address + part.entry * i, std::vector<std::uint8_t>(first, first + part.entry)});
  }
  return out;
}

Status BuildControllerImageV(DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    Slot& slot = db.GetSlot();
    try {
      const auto image = EncodeControllerImage(db);
      auto sums = BlockChecksums({image.data(), image.size()});
      sums.resize(slot.ctl->map.blockCount);
      slot.ctl->expectedChecksums = std::move(sums);
    } catch (const std::bad_alloc&) {
      return DBS_SYS_NOT_ENOUGH_MEMORY;
    }
    return DBS_OK;
  });
}

namespace {
Source SourceOf(Db& db) {
  const FormatInfo& f = *db.GetSlot().db->format;
  return Source{db, db.Config(), db.Layout(), f, *f.controllerMap, ConstantsOf(f)};
}
}  // namespace

int SimpleKeyWord(Db& db, std::uint16_t k, std::uint16_t j) {
  const Source s = SourceOf(db);
  KeypadTree tree(db, k);
  return SimpleKeyWordOf(s, TopLevelNodes(tree), k, j, PlaceOfKeypad(db, k).area == KeypadPlace::Area::SimpleSource);
}

std::vector<std::uint8_t> EncodeSimpleKeypad(Db& db, std::uint16_t k) {
  const SimpleKeypadWords place = SimpleKeypadWordsOf(db, k);
  std::vector<std::uint8_t> out(2 * place.words, 0xFF);
  if (place.words) SimpleKeypad(SourceOf(db), k, place.source, out.data(), place.words);
  return out;
}

void EncodeNode(Db& db, std::uint16_t k, const SequenceNode& node, std::uint8_t* record) {
  const Source s = SourceOf(db);
  KeypadTree tree(db, k);
  PutNode(s, k, tree, node, false, record);
}

std::uint8_t NodeKeyByte(Db& db, std::uint16_t k, const SequenceNode& node) { return KeyByte(SourceOf(db), k, node); }

void EncodeDialUpKeypad(Db& db, std::uint16_t k, std::uint8_t* block, std::uint8_t* list) {
  const Source s = SourceOf(db);
  KeypadBlock(s, k, block);
  KeypadBlockFree(s, k, list);
}

void EncodeSalvoFreeList(Db& db, std::uint8_t* out) { SalvoLinkArea(SourceOf(db), out); }

}  // namespace zephra
