#include "transfer/controller_decode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "names.h"
#include "records/associations.h"
#include "records/keypad_tree.h"
#include "records/keypads.h"
#include "records/matrix.h"
#include "records/panels.h"
#include "records/ports.h"
#include "records/salvos.h"
#include "records/sources.h"
#include "records/umds.h"
#include "transfer/controller_image.h"
#include "transfer/controller_tables.h"

namespace zephra {

namespace {

constexpr std::uint16_t kPlaces = kControllerPlaces;
constexpr std::uint16_t kSalvoRecords = kControllerSalvoRecords;
constexpr std::int16_t kNone = -1;

std::int16_t Word(const std::uint8_t* at) { return static_cast<std::int16_t>(at[0] << 8 | at[1]); }
std::uint16_t UWord(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

// The first 8 units of a name field from 8 controller bytes; the other
// units keep what they hold.
void WideName(char16_t* field, const std::uint8_t* bytes) {
  char16_t units[8];
  ToWideName(bytes, 8, units);
  std::copy_n(units, 8, field);
}

bool PanelDeviceType(unsigned t) { return (t >= 1 && t <= 4) || t == 7 || (t >= 11 && t <= 28) || (t >= 31 && t <= 46); }

// Keypad classes a panel type takes as destination and source keypad.
enum Class : unsigned { kSimpleSource = 1, kDialSource = 2, kSimpleDest = 4, kDialDest = 8 };
unsigned ClassOf(std::uint16_t k) { return k < 32 ? kSimpleSource : k < 64 ? kSimpleDest : k < 72 ? kDialSource : kDialDest; }
struct Allowed {
  unsigned dest, source;
};
Allowed AllowedFor(std::uint16_t panelType) {
  const unsigned t = panelType;
  if (t == 1 || t == 2 || (t >= 11 && t <= 23) || (t >= 31 && t <= 46)) return {kSimpleDest, kSimpleSource};
  if (t == 3 || t == 7) return {kSimpleDest | kDialDest, kSimpleSource | kDialSource};
  if (t == 4 || (t >= 24 && t <= 28)) return {kSimpleDest, kSimpleSource | kDialSource};
  if (t == 5 || t == 6 || t == 51 || t == 52) return {kSimpleDest, 0};
  return {0, 0};
}

class Decoder {
 public:
  Decoder(Db& db, std::span<const std::uint8_t> image)
      : db_(db), c_(db.Config()), L_(db.Layout()), f_(*db.GetSlot().db->format), map_(*f_.controllerMap),
        k_(ConstantsOf(f_)), img_(image.data()) {}

  Status Run() {
    Sources();
    DestAssocNames();
    Devices();
    DeviceNames();
    Inhibits();
    SourceAssocs();
    DestAssocs();
    DeviceFlags();
    SimpleKeypads(false);
    KeypadAssignment();
    SimpleKeypads(true);
    Overrides();
    DeviceLevels();
    LevelTypes();
    GeneralPorts();
    XYSets();
    Salvos();
    SalvoRecords();
    SalvoFreeList();
    DialUpKeys();
    DialUpKeyNames();
    DialUpTrees();
    DialUpFreeLists();
    ParkSources();
    MatrixPorts();
    if (map_.hasTrigLineArea && L_.trigLinePos) Check(db_.WriteBytes(L_.trigLinePos, img_ + map_.ctlTrigLineArea, 4));
    return status_;
  }

 private:
  template <class R>
  R Get(std::uint32_t pos) const {
    return db_.Read<R>(pos);
  }
  template <class R>
  void Put(std::uint32_t pos, const R& r) {
    Check(db_.Write(pos, r));
  }
  void Check(Status s) {
    if (s != DBS_OK) status_ = s;
  }
  std::uint16_t Levels() const { return std::min<std::uint16_t>(c_.levelCount[0], 8); }
  bool ValidLevel(int l) const { return l >= 0 && l < Levels(); }
  std::uint16_t Max(int l) const { return f_.maxDests[static_cast<std::size_t>(l)]; }
  std::uint32_t PanelPos(std::uint16_t n) const { return L_.panelPos + n * std::uint32_t{sizeof(PanelEntry)}; }
  std::uint32_t UMDPos(std::uint16_t n) const { return L_.umdPos + n * std::uint32_t{sizeof(UMDEntry)}; }
  std::uint32_t KeyPos(std::uint16_t k, std::uint16_t j) const {
    return L_.keypadPos[k] + std::uint32_t{sizeof(KeypadEntry)} + j * std::uint32_t{sizeof(KeyEntry)};
  }
  std::uint32_t NodePos(std::uint16_t k, std::int16_t n) const {
    return KeyPos(k, c_.keyCount[k]) + static_cast<std::uint32_t>(n) * std::uint32_t{sizeof(SequenceNode)};
  }
  std::uint32_t TailPos(std::uint16_t k) const { return L_.keypadTailPos[k]; }
  // A device decoded at place n sits at port n / 16, address n % 16 + 1.
  static bool AtPlace(std::uint16_t port, std::uint16_t address, std::uint16_t n) {
    return port == n / 16 && address == n % 16 + 1;
  }

  void Sources() {
    for (std::uint16_t l = 0; l < Levels(); ++l) {
      for (std::uint16_t s = 0; s < c_.sourceCount[0][l] && s <= Max(l); ++s) {
        const std::uint32_t slot = SourceNameSlot(l, s);
        const std::uint32_t pos = SourcePos(db_, 0, l, s);
        auto e = Get<SourceEntry>(pos);
        WideName(e.name2, img_ + map_.ctlSourceArea + 8 * slot);
        Put(pos, e);
      }
    }
  }

  void DestAssocNames() {
    for (std::uint32_t a = 0; a < c_.destAssocCount[0] && a < k_.associations; ++a) {
      const std::uint32_t pos = L_.destAssocPos[0] + a * std::uint32_t{sizeof(DestinationAssociationEntry)};
      auto e = Get<DestinationAssociationEntry>(pos);
      WideName(e.name, img_ + map_.ctlDestAssocArea + 8 * a);
      Put(pos, e);
    }
  }

  void Devices() {
    for (std::uint16_t n = 0; n < c_.panelCount && n < kPlaces; ++n) {
      const std::uint8_t t = img_[map_.ctlPanelArea1 + n];
      const auto port = static_cast<std::uint16_t>(n / 16), address = static_cast<std::uint16_t>(n % 16 + 1);
      auto p = Get<PanelEntry>(PanelPos(n));
      p.panel = n;
      const bool panel = PanelDeviceType(t);
      p.panelType = panel ? t : 1;
      p.port = panel ? port : kNoEntry;
      p.address = panel ? address : kNoEntry;
      Put(PanelPos(n), p);
      if (n >= c_.umdCount) continue;
      auto u = Get<UMDEntry>(UMDPos(n));
      u.umd = n;
      u.umdType = 0;
      u.port = u.address = kNoEntry;
      for (const auto& d : kUMDTypeOfDevice) {
        if (d.device != t) continue;
        u.umdType = d.umdType;
        u.port = port;
        u.address = address;
      }
      Put(UMDPos(n), u);
    }
  }

  void DeviceNames() {
    for (std::uint16_t n = 0; n < c_.panelCount && n < kPlaces; ++n) {
      const std::uint8_t* name = img_ + map_.ctlPortArea + 8 * n;
      if (n < c_.umdCount) {
        auto u = Get<UMDEntry>(UMDPos(n));
        if (AtPlace(u.port, u.address, n)) {
          WideName(u.name, name);
          Put(UMDPos(n), u);
        }
      }
      auto p = Get<PanelEntry>(PanelPos(n));
      if (AtPlace(p.port, p.address, n)) {
        WideName(p.name, name);
        Put(PanelPos(n), p);
      }
    }
  }

  void Inhibits() {
    for (std::uint16_t l = 0; l < Levels(); ++l) {
      const std::uint32_t level = map_.ctlInhibitArea + InhibitLevelOffset(f_, l), R = InhibitRowBytes(f_, l);
      {
        const LevelBitmap file = BitmapOf(db_, BitmapKind::Inhibit, 0, l);
        const std::uint32_t bytes = std::min(file.rowBytes, R);
        std::vector<std::uint8_t> row(bytes);
        for (std::uint32_t d = 0; d < c_.destCount[0][l] && d < Max(l); ++d) {
          for (std::uint32_t j = 0; j < bytes; ++j) row[j] = static_cast<std::uint8_t>(~img_[level + d * R + j]);
          Check(db_.WriteBytes(file.pos + d * file.rowBytes, row.data(), bytes));
        }
      }
    }
  }

  void SourceAssocs() {
    for (std::uint16_t a = 0; a < c_.sourceAssocCount[0] && a < k_.associations; ++a) {
      const std::uint32_t pos = L_.sourceAssocPos[0] + a * std::uint32_t{sizeof(SourceAssociationEntry)};
      auto e = Get<SourceAssociationEntry>(pos);
      e.matrix = 0;
      e.association = a;
      for (std::int16_t k = 0; k < 8; ++k) {
        const std::int16_t w = Word(img_ + map_.ctlSourceAssocArea + 16u * a + 2u * k);
        e.members[k] = {0, k, w >= 0 && w < c_.sourceCount[0][k] ? w : kNone};
      }
      Put(pos, e);
    }
  }

  void DestAssocs() {
    for (std::uint16_t a = 0; a < c_.destAssocCount[0] && a < k_.associations; ++a) {
      const std::uint32_t pos = L_.destAssocPos[0] + a * std::uint32_t{sizeof(DestinationAssociationEntry)};
      auto e = Get<DestinationAssociationEntry>(pos);
      for (std::int16_t k = 0; k < 8; ++k) {
        const std::int16_t w = Word(img_ + map_.ctlDestAssocArea2 + 16u * a + 2u * k);
        e.members[k] = {0, k, w >= 0 && w < c_.destCount[0][k] ? w : kNone};
      }
      Put(pos, e);
    }
  }

  // For each place n, the two bytes at 2n of an area: the UMD placed there
  // takes them, else panel n.
  template <class OnUMD, class OnPanel>
  void EachPair(std::uint32_t area, OnUMD&& onUMD, OnPanel&& onPanel) {
    for (std::uint16_t n = 0; n < c_.panelCount && n < kPlaces; ++n) {
      const std::uint8_t b0 = img_[area + 2 * n], b1 = img_[area + 2 * n + 1];
      if (n < c_.umdCount) {
        auto u = Get<UMDEntry>(UMDPos(n));
        if (AtPlace(u.port, u.address, n)) {
          onUMD(u, b0, b1);
          Put(UMDPos(n), u);
          continue;
        }
      }
      auto p = Get<PanelEntry>(PanelPos(n));
      onPanel(p, b0, b1);
      Put(PanelPos(n), p);
    }
  }

  void DeviceFlags() {
    EachPair(
        map_.ctlPanelArea2,
        [](UMDEntry& u, std::uint8_t b0, std::uint8_t) {
          if (b0 != 0) u.umdFlags = 1;
        },
        [](PanelEntry& p, std::uint8_t b0, std::uint8_t b1) {
          p.mode = b1;
          if (b0 & 0x01) p.flags = 2;
          if (b0 & 0x04) p.flags |= 1u << 4;
          if (b0 & 0x02) p.flags |= 1u << 16;
          if (b0 & 0x10) p.flags |= 1u << 17;
          if (b0 & 0x20) p.flags |= 1u << 18;
        });
  }

  // Keypads 0-31 (source, 64 words each) or 32-63 (destination, 36 words),
  // one after another: name keys become top-level sequences in key order.
  void SimpleKeypads(bool source) {
    const std::uint16_t first = source ? 0 : 32, words = source ? 64 : 36;
    const std::uint16_t limit = source ? kSourceNameKeyLimit : kDestNameKeyLimit;
    std::uint32_t at = source ? map_.ctlKeypadArea2 : map_.ctlKeypadArea1;
    for (std::uint16_t k = first; k < first + 32 && k < c_.keypadCount; ++k, at += 2u * words) {
      const std::uint16_t nodes = c_.nodeCount[k];
      std::int16_t m = 0, previous = kNone, root = kNone;
      for (std::uint16_t j = 0; j < words && j < c_.keyCount[k]; ++j) {
        const std::uint16_t w = UWord(img_ + at + 2u * j);
        auto key = Get<KeyEntry>(KeyPos(k, j));
        if (w >= kFirstKeyCode && w < kFirstKeyCode + kKeyCodeCount) {
          key.keyType = kKeyTypeOfCode[w - kFirstKeyCode];
          Put(KeyPos(k, j), key);
          continue;
        }
        if (w >= limit) continue;
        key.keyType = 1;
        Put(KeyPos(k, j), key);
        if (m < 0 || m >= nodes) continue;  // no node left for it
        auto node = Get<SequenceNode>(NodePos(k, m));
        const std::int16_t following = node.next;
        std::memcpy(node.keyName, key.name, sizeof node.keyName);
        if (source && w >= kSalvoKeyBase) {
          node.salvo = static_cast<std::int16_t>(w - kSalvoKeyBase);
          node.salvoFlags = 1;
        } else {
          node.selection[0] = static_cast<std::int16_t>(w);
        }
        node.prev = previous;
        node.next = kNone;
        Put(NodePos(k, m), node);
        if (previous >= 0) {
          auto before = Get<SequenceNode>(NodePos(k, previous));
          before.next = m;
          Put(NodePos(k, previous), before);
        } else {
          root = m;
        }
        previous = m;
        m = following >= 0 && following < nodes && following != m ? following : kNone;
      }
      Put(TailPos(k), SequenceTail{m, root});
    }
  }

  void KeypadAssignment() {
    for (std::uint16_t k = 0; k < c_.keypadCount; ++k) {
      auto e = Get<KeypadEntry>(L_.keypadPos[k]);
      e.keypadFlags = static_cast<std::uint8_t>(e.keypadFlags & ~1u);
      Put(L_.keypadPos[k], e);
    }
    for (std::uint16_t n = 0; n < c_.panelCount && n < kPlaces; ++n) {
      const std::uint8_t b0 = img_[map_.ctlPanelArea3 + 2 * n], b1 = img_[map_.ctlPanelArea3 + 2 * n + 1];
      int k1 = b0 < 32 ? b0 + 32 : b0 < 40 ? b0 + 40 : -1;
      const int k2 = b1 < 32 ? b1 : b1 < 40 ? b1 + 32 : -1;
      if (k1 >= c_.keypadCount) k1 = -1;
      if (n < c_.umdCount) {
        auto u = Get<UMDEntry>(UMDPos(n));
        u.display = 0xFF;
        for (auto& d : u.dests) d = {kNone, kNone, kNone};
        if (AtPlace(u.port, u.address, n) && k1 >= 32 && k1 < 64) {
          const auto k = static_cast<std::uint16_t>(k1);
          u.display = static_cast<std::uint8_t>(k);
          auto e = Get<KeypadEntry>(L_.keypadPos[k]);
          e.keypad = k;
          e.keypadType = 1;
          e.keypadFlags = 1;
          Put(L_.keypadPos[k], e);
          ReadUMDDests(k, u);
          k1 = -1;  // used up
        }
        Put(UMDPos(n), u);
      }
      auto p = Get<PanelEntry>(PanelPos(n));
      p.destKeypad = p.sourceKeypad = kNoEntry;
      if (p.panelType < 54) {
        const Allowed allowed = AllowedFor(p.panelType);
        if (k1 >= 0 && (ClassOf(static_cast<std::uint16_t>(k1)) & allowed.dest)) {
          p.destKeypad = static_cast<std::uint16_t>(k1);
          MarkInUse(p.destKeypad);
        }
        if (k2 >= 0 && k2 < c_.keypadCount && (ClassOf(static_cast<std::uint16_t>(k2)) & allowed.source)) {
          p.sourceKeypad = static_cast<std::uint16_t>(k2);
          MarkInUse(p.sourceKeypad);
        }
      }
      Put(PanelPos(n), p);
    }
  }

  void MarkInUse(std::uint16_t k) {
    auto e = Get<KeypadEntry>(L_.keypadPos[k]);
    e.keypadFlags |= 1;
    Put(L_.keypadPos[k], e);
  }

  // A UMD's destinations from its keypad: the key named like each top-level
  // node gives the display line.
  void ReadUMDDests(std::uint16_t k, UMDEntry& u) {
    KeypadTree tree(db_, k);
    const SequenceTail tail = tree.Tail();
    if (!tree.Valid(tail.root)) return;
    std::vector<std::int16_t> top = tree.Siblings(tail.root);
    std::vector<bool> seen(tree.NodeCount());
    for (std::int16_t n : top) seen[static_cast<std::size_t>(n)] = true;
    for (std::int16_t n = tree.Node(tail.root).prev; tree.Valid(n) && !seen[static_cast<std::size_t>(n)];
         n = tree.Node(n).prev) {
      seen[static_cast<std::size_t>(n)] = true;
      top.push_back(n);
    }
    for (std::int16_t n : top) {
      const SequenceNode node = tree.Node(n);
      for (std::uint16_t j = 0; j < c_.keyCount[k]; ++j) {
        const auto key = Get<KeyEntry>(KeyPos(k, j));
        if (!SameKeyName(key.name, node.keyName) && !SameKeyName(key.altName, node.keyName)) continue;
        if (key.keyIndex < 4) u.dests[key.keyIndex] = {0, 0, node.selection[0]};
        break;
      }
    }
  }

  void Overrides() {
    for (std::uint16_t o = 0; o < c_.panelCount && o < c_.outputSetCount && o < kPlaces; ++o) {
      const std::uint32_t pos = L_.overrideSetPos + o * std::uint32_t{sizeof(OverrideSetEntry)};
      auto e = Get<OverrideSetEntry>(pos);
      e.head[0] = e.head[1] = o;
      for (int j = 0; j < 16; ++j) {
        const std::uint8_t* at = img_ + map_.ctlOverrideArea + 64u * o + 4u * j;
        const std::int16_t level = ValidLevel(Word(at)) ? Word(at) : kNone;
        const std::int16_t source = Word(at + 2);
        const bool known = level >= 0 && source >= 0 && source < c_.sourceCount[0][level];
        e.overrides[j] = {0, level, known ? source : kNone};
      }
      Put(pos, e);
    }
  }

  void DeviceLevels() {
    EachPair(
        map_.ctlPanelArea4, [](UMDEntry& u, std::uint8_t, std::uint8_t b1) { u.brightness = b1; },
        [](PanelEntry& p, std::uint8_t b0, std::uint8_t b1) {
          std::fill(std::begin(p.levels), std::end(p.levels), std::uint16_t{0});
          p.levels[0] = b0;
          p.brightness = b1;
        });
  }

  void LevelTypes() {
    for (std::uint16_t l = 0; l < Levels(); ++l) {
      const std::uint32_t pos = LevelPos(db_, 0, l);
      auto e = Get<LevelEntry>(pos);
      e.levelType = UWord(img_ + map_.ctlLevelArea + 2u * l);
      std::fill(std::begin(e.name), std::end(e.name), u'\0');
      const std::u16string name = u"Level " + std::u16string(1, static_cast<char16_t>(u'1' + l));
      std::copy(name.begin(), name.end(), e.name);
      Put(pos, e);
    }
  }

  void GeneralPorts() {
    for (std::uint16_t slot = 0; slot < c_.generalPortCount && slot < 4; ++slot) {
      const std::uint8_t* b = img_ + map_.ctlGeneralPortArea + 8u * slot;
      // The record of the port the slot belongs to, numbered as that port.
      const std::uint8_t port = kGeneralPortOfSlot[slot];
      const std::uint32_t pos = L_.generalPortPos + port * std::uint32_t{sizeof(GeneralPortEntry)};
      std::uint8_t raw[sizeof(GeneralPortEntry)];
      const auto e = Get<GeneralPortEntry>(pos);
      std::memcpy(raw, &e, sizeof raw);
      raw[0] = port;
      raw[1] = 0;
      raw[2] = 0;
      raw[3] = b[0] < 10 ? kProtocolOfCode[b[0]] : 0;
      std::uint32_t baud = kDefaultBaud;
      for (const auto& code : kBaudCodes) {
        if (code.code == b[1]) baud = code.baud;
      }
      std::memcpy(raw + 4, &baud, 4);
      std::memcpy(raw + 8, b + 2, 4);
      raw[12] = b[6];
      const std::uint32_t aux = b[7] != 0 ? 1 : 0, zero = 0;
      std::memcpy(raw + 16, &aux, 4);
      std::memcpy(raw + 20, &zero, 4);
      GeneralPortEntry out;
      std::memcpy(&out, raw, sizeof out);
      Put(pos, out);
    }
  }

  void XYSets() {
    const std::uint32_t bytes = std::min<std::uint32_t>((c_.destAssocCount[0] + 7u) / 8u, k_.XYEntry());
    for (std::uint16_t x = 0; x < c_.panelCount && x < c_.xySetCount && x < kPlaces; ++x) {
      const std::uint32_t pos = L_.xySetPos + x * std::uint32_t{sizeof(XYSetEntry)};
      auto e = Get<XYSetEntry>(pos);
      e.xySet = x;
      e.panel = x;
      e.matrix = 0;
      e.destCount = c_.destAssocCount[0];
      std::memcpy(e.destMap, img_ + map_.ctlXYArea + k_.XYEntry() * x, std::min<std::uint32_t>(bytes, sizeof e.destMap));
      Put(pos, e);
    }
  }

  static bool InPool(std::int16_t r, std::uint16_t count) { return r >= 0 && r < count && r < kSalvoRecords; }

  void Salvos() {
    for (std::uint16_t s = 0; s < c_.salvoCount && s < 32; ++s) {
      const std::uint8_t* at = img_ + map_.ctlSalvoArea + 12u * s;
      const std::uint32_t pos = L_.salvoPos + s * std::uint32_t{sizeof(SalvoEntry)};
      auto e = Get<SalvoEntry>(pos);
      const std::int16_t count = Word(at), first = Word(at + 2);
      e.xpCount = count >= 0 && count < kSalvoRecords ? static_cast<std::uint16_t>(count) : 0;
      e.firstXP = first >= 0 && first < kSalvoRecords ? first : kNone;
      WideName(e.name, at + 4);
      Put(pos, e);
    }
  }

  std::uint32_t RecordPos(std::int16_t r) const {
    return L_.salvoXPPos + static_cast<std::uint32_t>(r) * std::uint32_t{sizeof(SalvoXPEntry)};
  }

  void SalvoRecords() {
    const std::uint16_t count = std::min(c_.salvoXPCount, kSalvoRecords);
    for (std::int16_t r = 0; r < count; ++r) {
      const std::uint8_t* at = img_ + map_.ctlSalvoXPArea + 8u * static_cast<std::uint32_t>(r);
      SalvoXPEntry e = Get<SalvoXPEntry>(RecordPos(r));
      e.salvo = kNoEntry;
      e.xpIndex = static_cast<std::uint16_t>(r);
      e.matrix = 0;
      const std::int16_t level = Word(at + 2), dest = Word(at + 4), source = Word(at + 6), next = Word(at);
      e.level = ValidLevel(level) ? level : kNone;
      e.destination = e.level >= 0 && dest >= 0 && dest < c_.destCount[0][e.level] ? dest : kNone;
      e.source = e.level >= 0 && source >= 0 && source < c_.sourceCount[0][e.level] ? source : kNone;
      e.next = next >= 0 && next < kSalvoRecords ? next : kNone;
      Put(RecordPos(r), e);
    }
    // Each salvo's chain names its owner; a chain that loops stops where it
    // comes round.
    std::vector<bool> seen(count);
    for (std::uint16_t s = 0; s < c_.salvoCount && s < 32; ++s) {
      std::int16_t r = Get<SalvoEntry>(L_.salvoPos + s * std::uint32_t{sizeof(SalvoEntry)}).firstXP;
      while (InPool(r, count) && !seen[static_cast<std::size_t>(r)]) {
        seen[static_cast<std::size_t>(r)] = true;
        auto e = Get<SalvoXPEntry>(RecordPos(r));
        e.salvo = s;
        Put(RecordPos(r), e);
        r = e.next;
      }
    }
  }

  void SalvoFreeList() {
    const std::uint16_t count = std::min(c_.salvoXPCount, kSalvoRecords);
    const std::uint8_t* list = img_ + map_.ctlSalvoLinkArea;
    int n = Word(list);
    if (n < 0 || n > kSalvoRecords) n = kSalvoRecords;
    const auto entry = [&](int j) { return Word(list + 2 * j); };
    const std::int16_t head = n > 0 && InPool(entry(n), count) ? entry(n) : kNone;
    Put(L_.salvoFreePos, head);
    // From the head (entry n) down to entry 1, each record's next is the
    // record of the entry before it.
    std::vector<bool> seen(count);
    for (int j = n; j >= 1; --j) {
      const std::int16_t r = entry(j);
      if (!InPool(r, count) || seen[static_cast<std::size_t>(r)]) break;
      seen[static_cast<std::size_t>(r)] = true;
      auto e = Get<SalvoXPEntry>(RecordPos(r));
      e.next = j > 1 && InPool(entry(j - 1), count) ? entry(j - 1) : kNone;
      Put(RecordPos(r), e);
    }
  }

  // Dial-up keypads: 64 and on, read one after another.
  std::uint16_t DialUpEnd() const { return std::min<std::uint16_t>(c_.keypadCount, 80); }

  void DialUpKeys() {
    std::uint32_t at = map_.ctlKeypadArea3;
    const std::uint32_t end = map_.ctlKeypadArea3 + 16u * 72u;
    for (std::uint16_t k = 64; k < DialUpEnd(); ++k) {
      auto e = Get<KeypadEntry>(L_.keypadPos[k]);
      e.keypadFlags |= 0x02;
      e.keypadType = k >= 72 ? 1 : 0;
      e.keyFormat = 8;
      Put(L_.keypadPos[k], e);
      for (std::uint16_t j = 0; j < c_.keyCount[k] && at + 2 <= end; ++j, at += 2) {
        const std::uint16_t w = UWord(img_ + at);
        if (w >= kFirstKeyCode + kKeyCodeCount) continue;
        auto key = Get<KeyEntry>(KeyPos(k, j));
        key.keyType = w >= kFirstKeyCode ? kKeyTypeOfCode[w - kFirstKeyCode] : static_cast<std::uint8_t>(w);
        Put(KeyPos(k, j), key);
      }
    }
  }

  void DialUpKeyNames() {
    std::uint32_t at = map_.ctlKeypadArea4;
    const std::uint32_t end = map_.ctlKeypadArea4 + 16u * 576u;
    for (std::uint16_t k = 64; k < DialUpEnd(); ++k) {
      for (std::uint16_t j = 0; j < c_.keyCount[k] && at + 16 <= end; ++j, at += 16) {
        auto key = Get<KeyEntry>(KeyPos(k, j));
        WideName(key.name, img_ + at);
        WideName(key.altName, img_ + at + 8);
        Put(KeyPos(k, j), key);
      }
    }
  }

  std::int16_t Link(const std::uint8_t* at) const {
    const std::uint16_t v = UWord(at);
    return v >= 1 && v <= k_.dialUpNodes ? static_cast<std::int16_t>(v - 1) : kNone;
  }

  void DialUpTrees() {
    for (std::uint16_t k = 64; k < DialUpEnd(); ++k) {
      const std::uint16_t nodes = c_.nodeCount[k];
      const KeypadPlace place = PlaceOfKeypad(db_, k);
      if (place.area != KeypadPlace::Area::DialUp) continue;
      const std::uint32_t block = map_.ctlKeypadBlock[static_cast<std::size_t>(place.slot)];
      std::uint32_t at = block + 18;  // after the header
      const std::uint32_t end = block + k_.KeypadBlock();
      for (std::int16_t n = 0; n < nodes && at + 18 <= end; ++n, at += 18) {
        const std::uint8_t* r = img_ + at;
        auto node = Get<SequenceNode>(NodePos(k, n));
        node.next = Link(r);
        node.prev = Link(r + 2);
        node.firstChild = Link(r + 4);
        node.parent = kNone;
        node.salvoFlags = 0;
        std::fill(std::begin(node.keyName), std::end(node.keyName), u'\0');
        if (r[6] < c_.keyCount[k]) {
          const auto key = Get<KeyEntry>(KeyPos(k, r[6]));
          const bool blank = std::all_of(std::begin(key.name), std::end(key.name),
                                         [](char16_t u) { return u == 0 || u == u' '; });
          std::memcpy(node.keyName, blank ? key.altName : key.name, sizeof node.keyName);
        }
        const std::uint16_t w = UWord(r + 8);
        node.selection[0] = w < kDestNameKeyLimit ? static_cast<std::int16_t>(w) : kNone;
        // A salvo word names a salvo the database has, else none.
        if (w >= kSalvoKeyBase && w - kSalvoKeyBase < c_.salvoCount) {
          node.salvoFlags = 1;
          node.salvo = static_cast<std::int16_t>(w - kSalvoKeyBase);
        }
        std::fill(std::begin(node.displayName), std::end(node.displayName), u'\0');
        for (int i = 0; i < 8; ++i) node.displayName[i] = r[10 + i];
        Put(NodePos(k, n), node);
      }
      // Parents: a node is the parent of its first child and of that child's
      // following siblings.
      for (std::int16_t n = 0; n < nodes; ++n) {
        std::int16_t child = Get<SequenceNode>(NodePos(k, n)).firstChild;
        for (int steps = 0; child >= 0 && child < nodes && steps < nodes; ++steps) {
          auto node = Get<SequenceNode>(NodePos(k, child));
          node.parent = n;
          Put(NodePos(k, child), node);
          child = node.next;
        }
      }
    }
  }

  void DialUpFreeLists() {
    for (std::uint16_t k = 64; k < DialUpEnd(); ++k) {
      const KeypadPlace place = PlaceOfKeypad(db_, k);
      if (place.area != KeypadPlace::Area::DialUp) continue;
      const std::uint8_t* list = img_ + map_.ctlKeypadBlock2[static_cast<std::size_t>(place.slot)];
      const std::uint16_t nodes = c_.nodeCount[k];
      const int n = std::min<int>(UWord(list), k_.dialUpNodes);
      const auto entry = [&](int j) { return UWord(list + 2 * j); };
      const auto nodeOf = [&](int j) -> std::int16_t {
        const std::uint16_t e = entry(j);
        return e >= 1 && e <= nodes ? static_cast<std::int16_t>(e - 1) : kNone;
      };
      SequenceTail tail{n > 0 ? nodeOf(n) : kNone, kNone};
      std::vector<bool> listed(nodes);
      for (int j = n; j >= 1; --j) {
        const std::int16_t node = nodeOf(j);
        if (node < 0 || listed[static_cast<std::size_t>(node)]) break;
        listed[static_cast<std::size_t>(node)] = true;
        auto e = Get<SequenceNode>(NodePos(k, node));
        e.next = j > 1 ? nodeOf(j - 1) : kNone;
        Put(NodePos(k, node), e);
      }
      for (int j = 1; j <= n; ++j) {
        if (const std::int16_t node = nodeOf(j); node >= 0) listed[static_cast<std::size_t>(node)] = true;
      }
      // The root: the lowest node no entry names, then up to the top and back
      // to the first sibling.
      std::int16_t root = kNone;
      for (std::int16_t i = 0; i < nodes; ++i) {
        if (!listed[static_cast<std::size_t>(i)]) {
          root = i;
          break;
        }
      }
      for (int steps = 0; root >= 0 && steps < nodes; ++steps) {
        const std::int16_t up = Get<SequenceNode>(NodePos(k, root)).parent;
        if (up < 0 || up >= nodes) break;
        root = up;
      }
      for (int steps = 0; root >= 0 && steps < nodes; ++steps) {
        const std::int16_t back = Get<SequenceNode>(NodePos(k, root)).prev;
        if (back < 0 || back >= nodes) break;
        root = back;
      }
      tail.root = root;
      Put(TailPos(k), tail);
    }
  }

  void ParkSources() {
    for (std::uint16_t l = 0; l < Levels(); ++l) {
      const std::uint32_t pos = LevelPos(db_, 0, l);
      auto e = Get<LevelEntry>(pos);
      e.parkSource = UWord(img_ + map_.ctlLevelArea2 + 2u * l);
      Put(pos, e);
    }
  }

  void MatrixPorts() {
    for (std::uint16_t l = 0; l < Levels() && l < c_.matrixPortCount; ++l) {
      const std::uint8_t physical = img_[map_.ctlMatrixPortArea + l];
      const MatrixPortEntry e{l, physical, 0, l, 0, 0, 0,
                              static_cast<std::uint16_t>(physical < Levels() ? c_.destCount[0][l] - 1 : 0)};
      Put(L_.matrixPortPos + l * std::uint32_t{sizeof(MatrixPortEntry)}, e);
    }
  }

  Db& db_;
  const ConfigImage& c_;
  const ImageLayout& L_;
  const FormatInfo& f_;
  const ControllerMap& map_;
  ControllerConstants k_;
  const std::uint8_t* img_;
  Status status_ = DBS_OK;
};

}  // namespace

ConfigImage UploadConfiguration(const FormatInfo& format, std::span<const std::uint8_t, 32> fixedArea,
                                std::span<const std::uint8_t, 16> parkSources) {
  ConfigImage c{};
  c.recordSize = DBS_CONFIG_RECORD_SIZE;
  c.configType = format.configType;
  const char16_t* tag = format.configType == DBS_TYPE_V1 ? u"ZP101.00" : format.configType == DBS_TYPE_V2 ? u"ZP201.00" : u"ZP301.00";
  std::copy_n(tag, 8, c.version);
  c.matrixCount = 1;
  std::uint16_t levels = 8;
  for (std::uint16_t l = 0; l < 8; ++l) {
    const std::uint16_t M = format.maxDests[l];
    const std::uint16_t S = UWord(fixedArea.data() + 2 * l), D = UWord(fixedArea.data() + 16 + 2 * l);
    const std::uint16_t V = UWord(parkSources.data() + 2 * l);
    c.sourceCount[0][l] = V == M ? static_cast<std::uint16_t>(M + 1) : S < M ? S : M;
    c.destCount[0][l] = std::min(D, format.maxDests[l]);
    if (c.destCount[0][l] == 0 && levels == 8) levels = l;
  }
  for (std::uint16_t l = levels; l < 8; ++l) c.sourceCount[0][l] = c.destCount[0][l] = 0;
  c.levelCount[0] = levels;
  c.matrixPortCount = levels;
  c.sourceAssocCount[0] = c.destAssocCount[0] = format.maxAssociations;
  c.generalPortCount = 4;
  c.multidropPortCount = 2;
  c.panelCount = 32;
  c.keypadCount = 80;
  for (std::uint16_t k = 0; k < 80; ++k) {
    c.keyCount[k] = k < 32 ? 64 : 36;
    c.nodeCount[k] = k < 32 ? 64 : k < 64 ? 36 : format.dialUpNodes;
  }
  c.xySetCount = c.outputSetCount = c.umdCount = 32;
  c.salvoCount = 32;
  c.salvoXPCount = 3000;
  return c;
}

Status DecodeControllerImage(Db& db, std::span<const std::uint8_t> image) {
  if (image.size() < db.GetSlot().db->format->controllerMap->imageSize) return DBS_ERR_INVALID_ARGUMENT;
  return Decoder(db, image).Run();
}

Status DecodeParameterArea(Db& db, int area, std::span<const std::uint8_t> bytes) {
  Status status = DBS_OK;
  const auto write = [&](std::uint32_t pos, const auto& record) {
    if (Status s = db.Write(pos, record); s != DBS_OK) status = s;
  };
  const ConfigImage& c = db.Config();
  const FormatInfo& f = *db.GetSlot().db->format;
  const std::uint16_t levels = std::min<std::uint16_t>(c.matrixCount ? c.levelCount[0] : 0, 8);
  for (std::uint16_t l = 0; l < levels; ++l) {
    // Each level's bytes lie where a download and a live update put them,
    // in its own block, whatever physical level it drives: reading them from
    // the physical level's block would trade the parameters of two levels
    // mapped crosswise on every upload.
    const std::uint32_t base = ParameterLevelOffset(f, l);
    const auto byte = [&](std::uint32_t n, std::uint8_t fallback) {
      return n < f.maxDests[l] && base + n < bytes.size() ? bytes[base + n] : fallback;
    };
    if (area == 2) {
      for (std::uint16_t d = 0; d < c.destCount[0][l]; ++d) {
        const DestinationEntry e{0, l, d, 0, byte(d, 0)};
        write(DestPos(db, 0, l, d), e);
      }
      continue;
    }
    for (std::uint16_t s = 0; s < c.sourceCount[0][l]; ++s) {
      const std::uint32_t pos = SourcePos(db, 0, l, s);
      auto e = db.Read<SourceEntry>(pos);
      if (area == 1) e.audioParam = byte(s, 0);
      if (area == 3) e.trigger = byte(s, 1);
      write(pos, e);
    }
  }
  return status;
}

Status StoreControllerAreasV(DbsHandle handle, ControllerBuffers* buffers) {
  if (!buffers || handle < 0 || handle >= DBS_MAX_DATABASES) return DBS_ERR_INVALID_ARGUMENT;
  const Status status = WithDb(handle, [&](Db& db) -> Status {
    if (buffers->image.empty()) return DBS_ERR_INVALID_ARGUMENT;
    if (Status s = DecodeControllerImage(db, buffers->image); s != DBS_OK) return s;
    for (int area = 1; area <= 3; ++area) {
      if (Status s = DecodeParameterArea(db, area, buffers->parameters[area - 1]); s != DBS_OK) return s;
    }
    return DBS_OK;
  });
  *buffers = ControllerBuffers{};
  return status;
}

}  // namespace zephra
