// Reconfigure and convert: a new database of new dimensions (or a newer
// format) made with its default content, everything of the open database
// that still fits carried over table by table, and the old one closed.
// Every copy is bounded by both sides' counts, and every link followed in
// the old file is checked and every walk bounded.
#include "reconfigure.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "frame.h"
#include "records/keypad_tree.h"
#include "records/keypads.h"
#include "records/matrix.h"
#include "records/salvos.h"
#include "transfer/link_binding.h"

namespace zephra {

namespace {

constexpr std::uint16_t kNoLevelType = 318;
constexpr std::uint32_t kMatrixRecord = 38, kKv1LevelRecord = 50, kSourceRecord = 202, kDestRecord = 8;
constexpr std::uint32_t kSourceAssocRecord = 100, kDestAssocRecord = 164, kSourceMembers = 4, kDestMembers = 68;
constexpr std::uint32_t kTieLine = 50, kPathProtect = 16, kMatrixPortRecord = 16, kGeneralPortRecord = 24;
constexpr std::uint32_t kCue = 8, kPanel = 144, kUMD = 70, kKeypadHeader = 42, kKey = 74, kXYSet = 264;
constexpr std::uint32_t kOutputSet = 68, kOverrideSet = 100, kFixedMessage = 34, kSalvo = 72;

// KV1 level types and their V types; the rest have no V type.
constexpr struct {
  std::uint8_t from, to;
  std::uint16_t first;
} kKv1LevelTypes[] = {{0, 6, 0},       {8, 14, 8},      {16, 22, 16},    {24, 30, 24},    {32, 33, 40},
                      {40, 41, 48},    {48, 51, 56},    {56, 59, 64},    {64, 67, 72},    {72, 75, 80},
                      {80, 83, 96},    {88, 91, 104},   {96, 99, 112},   {104, 107, 120}, {112, 115, 136},
                      {120, 123, 144}, {128, 131, 152}, {136, 143, 168}, {144, 167, 176}, {169, 170, 249},
                      {176, 176, 256}, {184, 184, 264}};

std::uint16_t Kv1LevelType(std::uint8_t type) {
  for (const auto& range : kKv1LevelTypes) {
    if (type >= range.from && type <= range.to) return static_cast<std::uint16_t>(range.first + (type - range.from));
  }
  return kNoLevelType;
}

// The two databases, each with its own configuration and layout.
using Side = ImageSide;

class Copier {
 public:
  Copier(const Side& from, const Side& to) : o_(from), n_(to) {}

  void Run() {
    for (std::uint16_t m = 0; m < Min(o_.c.matrixCount, n_.c.matrixCount) && m < DBS_MAX_MATRICES; ++m) Matrix(m);
    Bytes(o_.L.titlePos, n_.L.titlePos, 32);
    Bytes(o_.L.searchDepthPos, n_.L.searchDepthPos, 2);
    Records(o_.L.tieLinePos, n_.L.tieLinePos, kTieLine, o_.c.tieLineCount, n_.c.tieLineCount);
    Records(o_.L.pathProtectPos, n_.L.pathProtectPos, kPathProtect, o_.c.pathProtectCount, n_.c.pathProtectCount);
    Records(o_.L.matrixPortPos, n_.L.matrixPortPos, kMatrixPortRecord, o_.c.matrixPortCount, n_.c.matrixPortCount);
    Records(o_.L.generalPortPos, n_.L.generalPortPos, kGeneralPortRecord, o_.c.generalPortCount,
            n_.c.generalPortCount);
    Records(o_.L.cuePos, n_.L.cuePos, kCue, o_.c.inputCueCount, n_.c.inputCueCount);
    Records(o_.L.cuePos + kCue * o_.c.inputCueCount, n_.L.cuePos + kCue * n_.c.inputCueCount, kCue,
            o_.c.outputCueCount, n_.c.outputCueCount);
    Records(o_.L.panelPos, n_.L.panelPos, kPanel, o_.c.panelCount, n_.c.panelCount);
    Records(o_.L.umdPos, n_.L.umdPos, kUMD, o_.c.umdCount, n_.c.umdCount);
    for (std::uint16_t k = 0; k < Min(o_.c.keypadCount, n_.c.keypadCount) && k < DBS_MAX_KEYPADS; ++k) Keypad(k);
    XYSets();
    // Output sets follow the panels; each side's table holds outputSetCount.
    Records(o_.L.outputSetPos, n_.L.outputSetPos, kOutputSet, Min(o_.c.panelCount, o_.c.outputSetCount),
            Min(n_.c.panelCount, n_.c.outputSetCount));
    Records(o_.L.overrideSetPos, n_.L.overrideSetPos, kOverrideSet, o_.c.outputSetCount, n_.c.outputSetCount);
    Records(o_.L.fixedMessagePos, n_.L.fixedMessagePos, kFixedMessage, o_.c.umdCount, n_.c.umdCount);
    Salvos();
    TrigLines();
    Bytes(o_.L.tablesEnd, n_.L.tablesEnd, kSpareAreaSize);
  }

 private:
  static std::uint16_t Min(std::uint16_t a, std::uint16_t b) { return std::min(a, b); }
  void Bytes(std::uint32_t from, std::uint32_t to, std::uint32_t count) {
    if (count) std::memmove(n_.image + to, o_.image + from, count);
  }
  void Records(std::uint32_t from, std::uint32_t to, std::uint32_t size, std::uint16_t oldCount,
               std::uint16_t newCount) {
    Bytes(from, to, size * Min(oldCount, newCount));
  }
  template <class R>
  R OldAt(std::uint32_t pos) const {
    R r;
    std::memcpy(&r, o_.image + pos, sizeof r);
    return r;
  }
  template <class R>
  R NewAt(std::uint32_t pos) const {
    R r;
    std::memcpy(&r, n_.image + pos, sizeof r);
    return r;
  }
  template <class R>
  void Put(std::uint32_t pos, const R& r) {
    std::memcpy(n_.image + pos, &r, sizeof r);
  }
  bool Kv1() const { return o_.c.configType == DBS_TYPE_KV1; }
  // Records n ... count - 1 keep their default free chain; with every record
  // taken, none is free.
  static std::int16_t FreeHead(std::int16_t n, std::uint16_t count) { return n < count ? n : std::int16_t{-1}; }

  void Matrix(std::uint16_t m) {
    Bytes(o_.L.matrixPos[m], n_.L.matrixPos[m], kMatrixRecord);
    const std::uint16_t levels = std::min<std::uint16_t>(Min(o_.c.levelCount[m], n_.c.levelCount[m]), DBS_MAX_LEVELS);
    for (std::uint16_t l = 0; l < levels; ++l) Level(m, l);
    std::uint32_t oldSources = o_.L.sourceTablePos[m], newSources = n_.L.sourceTablePos[m];
    std::uint32_t oldDests = o_.L.destTablePos[m], newDests = n_.L.destTablePos[m];
    std::uint32_t oldInhibit = o_.L.inhibitPos[m], newInhibit = n_.L.inhibitPos[m];
    std::uint32_t oldProtect = o_.L.autoProtectPos[m], newProtect = n_.L.autoProtectPos[m];
    const bool protects = o_.c.hasAutoProtect != 0 && n_.c.hasAutoProtect != 0;
    for (std::uint16_t l = 0; l < levels; ++l) {
      const std::uint16_t os = o_.c.sourceCount[m][l], ns = n_.c.sourceCount[m][l];
      const std::uint16_t od = o_.c.destCount[m][l], nd = n_.c.destCount[m][l];
      Records(oldSources, newSources, kSourceRecord, os, ns);
      Records(oldDests, newDests, kDestRecord, od, nd);
      // Each side steps over its own rows; a row's first bytes come along.
      const std::uint32_t oldRow = (os + 7u) / 8u, newRow = (ns + 7u) / 8u;
      const std::uint32_t used = (Min(os, ns) + 7u) / 8u;
      for (std::uint32_t r = 0; r < Min(od, nd); ++r) {
        Bytes(oldInhibit + r * oldRow, newInhibit + r * newRow, used);
        if (protects) Bytes(oldProtect + r * oldRow, newProtect + r * newRow, used);
      }
      oldSources += kSourceRecord * os;
      newSources += kSourceRecord * ns;
      oldDests += kDestRecord * od;
      newDests += kDestRecord * nd;
      oldInhibit += BitmapBytes(os, od);
      newInhibit += BitmapBytes(ns, nd);
      oldProtect += BitmapBytes(os, od);
      newProtect += BitmapBytes(ns, nd);
    }
    Associations(m, o_.L.sourceAssocPos[m], n_.L.sourceAssocPos[m], kSourceAssocRecord, kSourceMembers,
                 o_.c.sourceAssocCount[m], n_.c.sourceAssocCount[m], true);
    Associations(m, o_.L.destAssocPos[m], n_.L.destAssocPos[m], kDestAssocRecord, kDestMembers,
                 o_.c.destAssocCount[m], n_.c.destAssocCount[m], false);
  }

  void Level(std::uint16_t m, std::uint16_t l) {
    const std::uint32_t to = n_.L.levelTablePos[m] + l * std::uint32_t{sizeof(LevelEntry)};
    if (!Kv1()) {
      Bytes(o_.L.levelTablePos[m] + l * std::uint32_t{sizeof(LevelEntry)}, to, sizeof(LevelEntry));
      return;
    }
    // A KV1 level: an 8-bit type, so every field after it sits a byte earlier.
    const std::uint8_t* from = o_.image + o_.L.levelTablePos[m] + l * kKv1LevelRecord;
    LevelEntry e = NewAt<LevelEntry>(to);
    std::memcpy(&e.matrix, from, 2);
    std::memcpy(&e.level, from + 2, 2);
    std::memcpy(e.name, from + 4, sizeof e.name);
    e.levelType = Kv1LevelType(from[36]);
    e.direction = from[37];
    std::memcpy(&e.signalOrder, from + 38, 12);  // signal order ... safe source
    Put(to, e);
  }

  // Members outside the new configuration become none; the level-0 member of
  // association i is source (or destination) i when that exists.
  void Associations(std::uint16_t m, std::uint32_t from, std::uint32_t to, std::uint32_t size,
                    std::uint32_t membersAt, std::uint16_t oldCount, std::uint16_t newCount, bool sources) {
    const auto count = [&](std::uint16_t mm, std::uint16_t l) {
      return sources ? n_.c.sourceCount[mm][l] : n_.c.destCount[mm][l];
    };
    for (std::uint16_t i = 0; i < Min(oldCount, newCount); ++i) {
      std::vector<std::uint8_t> record(o_.image + from + i * size, o_.image + from + (i + 1u) * size);
      MemberTriple members[16];
      std::memcpy(members, record.data() + membersAt, sizeof members);
      if (i < count(m, 0)) members[0] = {static_cast<std::int16_t>(m), 0, static_cast<std::int16_t>(i)};
      for (std::uint16_t l = 0; l < 16; ++l) {
        MemberTriple& t = members[l];
        const bool inside = l < n_.c.levelCount[m] && t.matrix >= 0 && t.matrix < n_.c.matrixCount &&
                            t.level >= 0 && t.level < n_.c.levelCount[t.matrix] && t.level < DBS_MAX_LEVELS &&
                            t.number >= 0 && t.number < count(static_cast<std::uint16_t>(t.matrix),
                                                               static_cast<std::uint16_t>(t.level));
        if (!inside) t = {-1, -1, -1};
      }
      std::memcpy(record.data() + membersAt, members, sizeof members);
      std::memcpy(n_.image + to + i * size, record.data(), size);
    }
  }

  void Keypad(std::uint16_t k) {
    Bytes(o_.L.keypadPos[k], n_.L.keypadPos[k], kKeypadHeader);
    Bytes(o_.L.keypadPos[k] + kKeypadHeader, n_.L.keypadPos[k] + kKeypadHeader,
          kKey * Min(o_.c.keyCount[k], n_.c.keyCount[k]));
    Tree(k);
  }

  std::uint32_t OldNode(std::uint16_t k, std::int16_t n) const {
    return o_.L.keypadPos[k] + kKeypadHeader + kKey * o_.c.keyCount[k] + static_cast<std::uint32_t>(n) * 120u;
  }
  std::uint32_t NewNode(std::uint16_t k, std::int16_t n) const {
    return n_.L.keypadPos[k] + kKeypadHeader + kKey * n_.c.keyCount[k] + static_cast<std::uint32_t>(n) * 120u;
  }
  bool NewKeyNamed(std::uint16_t k, const char16_t (&name)[16]) const {
    for (std::uint16_t j = 0; j < n_.c.keyCount[k]; ++j) {
      const auto key = NewAt<KeyEntry>(n_.L.keypadPos[k] + kKeypadHeader + j * kKey);
      if (SameKeyName(key.name, name) || SameKeyName(key.altName, name)) return true;
    }
    return false;
  }

  // The old tree walked in pre-order into new nodes 0, 1, 2 ...; a branch
  // whose key the new keypad lacks is left out with all below it.
  void Tree(std::uint16_t k) {
    const std::uint16_t oldNodes = o_.c.nodeCount[k], newNodes = n_.c.nodeCount[k];
    const auto tail = OldAt<SequenceTail>(o_.L.keypadTailPos[k]);
    if (tail.root < 0 || tail.root >= oldNodes) return;  // an empty (or damaged) tree: the default stays
    const bool sourceKeypad = NewAt<KeypadEntry>(n_.L.keypadPos[k]).keypadType == 0;
    const auto valid = [&](std::int16_t n) { return n >= 0 && n < oldNodes; };
    std::vector<bool> seen(oldNodes);
    // The old nodes the walk went down through, each with its new number:
    // the walk climbs back along them, not along the old parent links,
    // which a damaged file may have wrong.
    struct Above {
      std::int16_t old, fresh;
    };
    std::vector<Above> above;
    std::int16_t n = 0, newPrev = -1;
    for (std::int16_t at = tail.root;;) {
      if (!valid(at) || seen[static_cast<std::size_t>(at)]) {
        // The end of a sibling list: on with the next sibling of the node above.
        if (above.empty()) break;
        newPrev = above.back().fresh;
        at = OldAt<SequenceNode>(OldNode(k, above.back().old)).next;
        above.pop_back();
        continue;
      }
      if (n >= newNodes) break;
      seen[static_cast<std::size_t>(at)] = true;
      const SequenceNode old = OldAt<SequenceNode>(OldNode(k, at));
      if (!NewKeyNamed(k, old.keyName)) {
        at = old.next;  // left out, with everything below it
        continue;
      }
      const std::int16_t newParent = above.empty() ? std::int16_t{-1} : above.back().fresh;
      SequenceNode node = old;
      node.keypad = k;  // the keypad it is in, whatever a damaged node says
      node.index = static_cast<std::uint16_t>(n);
      node.next = node.firstChild = -1;
      node.prev = newPrev;
      node.parent = newParent;
      // A matrix the new database lacks selects nothing, whatever was stored for it.
      for (std::uint16_t i = 0; i < 20; ++i) {
        const bool matrix = i < n_.c.matrixCount && i < DBS_MAX_MATRICES;
        const std::uint16_t limit = !matrix ? 0 : sourceKeypad ? n_.c.sourceAssocCount[i] : n_.c.destAssocCount[i];
        if (!matrix || node.selection[i] >= limit) node.selection[i] = -1;
      }
      if (node.salvo >= n_.c.salvoCount) node.salvo = -1;
      Put(NewNode(k, n), node);
      if (newParent >= 0) {
        auto parent = NewAt<SequenceNode>(NewNode(k, newParent));
        if (parent.firstChild < 0) {
          parent.firstChild = n;
          Put(NewNode(k, newParent), parent);
        }
      }
      if (newPrev >= 0) {
        auto prev = NewAt<SequenceNode>(NewNode(k, newPrev));
        prev.next = n;
        Put(NewNode(k, newPrev), prev);
      }
      if (valid(old.firstChild) && !seen[static_cast<std::size_t>(old.firstChild)]) {
        above.push_back({at, n});
        newPrev = -1;
        at = old.firstChild;
      } else {
        newPrev = n;
        at = old.next;
      }
      ++n;
    }
    Put(n_.L.keypadTailPos[k], SequenceTail{FreeHead(n, newNodes), static_cast<std::int16_t>(n > 0 ? 0 : -1)});
  }

  void XYSets() {
    const std::uint16_t panels = Min(o_.c.panelCount, n_.c.panelCount);
    const std::uint16_t matrices = Min(o_.c.matrixCount, n_.c.matrixCount);
    for (std::uint32_t p = 0; p < panels; ++p) {
      for (std::uint32_t m = 0; m < matrices; ++m) {
        const std::uint32_t from = p * o_.c.matrixCount + m, to = p * n_.c.matrixCount + m;
        if (from >= o_.c.xySetCount || to >= n_.c.xySetCount) continue;
        Bytes(o_.L.xySetPos + kXYSet * from, n_.L.xySetPos + kXYSet * to, kXYSet);
      }
    }
  }

  bool InsideNew(const SalvoXPEntry& e) const {
    return e.matrix >= 0 && e.matrix < n_.c.matrixCount && e.matrix < DBS_MAX_MATRICES && e.level >= 0 &&
           e.level < n_.c.levelCount[e.matrix] && e.level < DBS_MAX_LEVELS && e.destination >= 0 &&
           e.destination < n_.c.destCount[e.matrix][e.level] && e.source >= 0 &&
           e.source < n_.c.sourceCount[e.matrix][e.level];
  }

  // Each salvo's chain, compacted in salvo order into records 0, 1, 2 ...;
  // crosspoints outside the new configuration are left out.
  void Salvos() {
    const std::uint16_t salvos = Min(o_.c.salvoCount, n_.c.salvoCount);
    std::int16_t n = 0;
    for (std::uint16_t s = 0; s < salvos; ++s) {
      auto header = OldAt<SalvoEntry>(o_.L.salvoPos + s * kSalvo);
      std::vector<bool> seen(o_.c.salvoXPCount);
      std::int16_t first = -1, previous = -1;
      std::uint16_t kept = 0;
      for (std::int16_t r = header.firstXP; r >= 0 && r < o_.c.salvoXPCount && !seen[static_cast<std::size_t>(r)];) {
        if (n >= n_.c.salvoXPCount) break;
        seen[static_cast<std::size_t>(r)] = true;
        const auto old = OldAt<SalvoXPEntry>(o_.L.salvoXPPos + static_cast<std::uint32_t>(r) * 14u);
        if (InsideNew(old)) {
          SalvoXPEntry e = old;
          e.salvo = s;  // the chain it is on, whatever a damaged record says
          e.xpIndex = static_cast<std::uint16_t>(n);
          e.next = -1;
          Put(n_.L.salvoXPPos + static_cast<std::uint32_t>(n) * 14u, e);
          if (previous >= 0) {
            auto prev = NewAt<SalvoXPEntry>(n_.L.salvoXPPos + static_cast<std::uint32_t>(previous) * 14u);
            prev.next = n;
            Put(n_.L.salvoXPPos + static_cast<std::uint32_t>(previous) * 14u, prev);
          }
          if (first < 0) first = n;
          previous = n;
          ++kept;
          ++n;
        }
        r = old.next;
      }
      header.xpCount = kept;
      header.firstXP = first;
      Put(n_.L.salvoPos + s * kSalvo, header);
    }
    Put(n_.L.salvoFreePos, FreeHead(n, n_.c.salvoXPCount));
  }

  void TrigLines() {
    if (!n_.L.trigLinePos) return;
    if (Kv1() || !o_.L.trigLinePos) {
      // A converted database keeps the default lines with bit 7 cleared.
      if (Kv1()) {
        for (std::uint32_t i = 0; i < 4; ++i) n_.image[n_.L.trigLinePos + i] &= 0x7F;
      }
      return;
    }
    Bytes(o_.L.trigLinePos, n_.L.trigLinePos, 4);
  }

  Side o_, n_;
};

}  // namespace

void CopyContent(const ImageSide& from, const ImageSide& to) { Copier(from, to).Run(); }

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_ReconfigureFile(DbsString path, const TConfigurationRecord* config, int32_t overwrite,
                                      DbsHandle* handle) {
  return Guarded([&]() -> Status {
    if (!handle) return DBS_ERR_INVALID_ARGUMENT;
    const DbsHandle oldHandle = *handle;
    Slot* old = Slots().Check(oldHandle);
    if (!old) return DBS_ERR_INVALID_DATABASE;
    if (!config) return DBS_ERR_INVALID_ARGUMENT;
    // The new database exactly as a new file is made; any failure leaves the
    // old one open and unchanged (the open file itself can never be the new
    // one: it is in use).
    DbsHandle newHandle = -1;
    if (Status s = dbs_CreateFile(path, config, overwrite, &newHandle); s != DBS_OK) return s;
    Slot& fresh = Slots()[newHandle];
    const Side from{old->db->image, old->db->config, old->db->layout, *old->db->format};
    const Side to{fresh.db->image, fresh.db->config, fresh.db->layout, *fresh.db->format};
    CopyContent(from, to);
    fresh.Checksums().UpdateAllBlocks();
    fresh.changed = 0;
    if (Status s = fresh.db->file.Flush(); s != DBS_OK) {
      dbs_CloseFile(newHandle);
      return s;
    }
    // The old database closes as a close does: off-line first.
    const Status offline = TakeOffline(oldHandle, *old);
    old->db->file.Close(old->changed ? DbFile::Times::Written : DbFile::Times::Accessed);
    Slots().Release(oldHandle);
    *handle = newHandle;
    return offline;
  });
}
