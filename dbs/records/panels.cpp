// Panels, their XY, output and override sets, and copying and clearing
// keypads (which look at the panels that use them).
#include "records/panels.h"

#include <algorithm>
#include <string>
#include <vector>

#include "entry.h"
#include "names.h"
#include "records/device_keypads.h"
#include "records/keypad_tree.h"
#include "records/port_assignment.h"

namespace zephra {
namespace {

constexpr std::uint16_t kOutputs = 16;
constexpr std::uint16_t kFree = 0xFFFF;

std::uint32_t PanelPos(const Db& db, std::uint16_t p) {
  Require(p < db.Config().panelCount);
  return db.Layout().panelPos + p * std::uint32_t{sizeof(PanelEntry)};
}
PanelEntry Panel(const Db& db, std::uint16_t p) { return db.Read<PanelEntry>(PanelPos(db, p)); }

std::uint32_t KeypadPos(const Db& db, std::uint16_t k) {
  Require(k < db.Config().keypadCount);
  return db.Layout().keypadPos[k];
}
std::uint32_t KeyPos(const Db& db, std::uint16_t k, std::uint16_t key) {
  return KeypadPos(db, k) + std::uint32_t{sizeof(KeypadEntry)} + key * std::uint32_t{sizeof(KeyEntry)};
}
std::uint32_t OutputSetPos(const Db& db, std::uint16_t s) {
  Require(s < db.Config().outputSetCount);
  return db.Layout().outputSetPos + s * std::uint32_t{sizeof(OutputSetEntry)};
}
std::uint32_t OverrideSetPos(const Db& db, std::uint16_t s) {
  Require(s < db.Config().outputSetCount);
  return db.Layout().overrideSetPos + s * std::uint32_t{sizeof(OverrideSetEntry)};
}
std::uint32_t XYSetPos(const Db& db, std::uint16_t s) {
  Require(s < db.Config().xySetCount);
  return db.Layout().xySetPos + s * std::uint32_t{sizeof(XYSetEntry)};
}

bool NamesKeypad(const PanelEntry& e, std::uint16_t k) { return e.destKeypad == k || e.sourceKeypad == k; }

Status SetInUse(Db& db, std::uint16_t k, bool inUse) {
  KeypadEntry e = db.Read<KeypadEntry>(KeypadPos(db, k));
  const auto flags = static_cast<std::uint8_t>(inUse ? e.keypadFlags | 1u : e.keypadFlags & ~1u);
  if (flags == e.keypadFlags) return DBS_OK;
  e.keypadFlags = flags;
  if (Status s = db.Write(KeypadPos(db, k), e); s != DBS_OK) return s;
  return db.Live(&FormatOps::LivePanelKeypadLink, &e);
}

// A keypad no panel names any more is no longer in use.
Status ReleaseKeypad(Db& db, std::uint16_t old) {
  if (old >= db.Config().keypadCount) return DBS_OK;
  for (std::uint16_t q = 0; q < db.Config().panelCount; ++q) {
    if (NamesKeypad(Panel(db, q), old)) return DBS_OK;
  }
  return SetInUse(db, old, false);
}

Status ClaimKeypad(Db& db, std::uint16_t k) {
  return k < db.Config().keypadCount ? SetInUse(db, k, true) : Status{DBS_OK};
}

// The output set (and with it the override set of the same number) a panel
// is to use: its own, else the one its other set already pairs with, else
// the lowest set no panel has. Sets are never shared by two panels.
int PairedSet(const Db& db, const PanelEntry& panel) {
  const std::uint16_t count = db.Config().outputSetCount;
  const auto own = static_cast<std::int16_t>(panel.outputSet);
  const auto paired = static_cast<std::int16_t>(panel.overrideSet);
  if (own >= 0) return own;
  if (paired >= 0) return paired;
  for (std::uint16_t s = 0; s < count; ++s) {
    if (db.Read<OutputSetEntry>(OutputSetPos(db, s)).panel != kFree) continue;
    bool named = false;
    for (std::uint16_t q = 0; q < db.Config().panelCount && !named; ++q) {
      const PanelEntry e = Panel(db, q);
      named = e.outputSet == s || e.overrideSet == s;
    }
    if (!named) return s;
  }
  return -1;
}

template <class T, class Field>
Status GetPanelField(DbsHandle h, std::uint16_t p, T* out, Field PanelEntry::*field) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!out) return DBS_ERR_INVALID_ARGUMENT;
    *out = Panel(db, p).*field;
    return DBS_OK;
  });
}

template <class T, class Field>
Status SetPanelField(DbsHandle h, std::uint16_t p, T value, Field PanelEntry::*field, LiveFn FormatOps::*live) {
  return WithDb(h, [&](Db& db) -> Status {
    return ChangeEntry<PanelEntry>(db, PanelPos(db, p), live, [&](PanelEntry& e) { e.*field = value; });
  });
}

// Key i of keypad a onto key i of keypad b: names, number, type and index;
// b's sequences follow its key names.
Status CopyKey(Db& db, std::uint16_t a, std::uint16_t b, std::uint16_t i) {
  const KeyEntry from = db.Read<KeyEntry>(KeyPos(db, a, i));
  const KeyEntry old = db.Read<KeyEntry>(KeyPos(db, b, i));
  KeyEntry e = old;
  std::memcpy(e.name, from.name, sizeof e.name);
  std::memcpy(e.altName, from.altName, sizeof e.altName);
  e.key = from.key;
  e.keyType = from.keyType;
  e.keyIndex = from.keyIndex;
  if (std::memcmp(&e, &old, sizeof e) == 0) return DBS_OK;
  if (Status s = db.Write(KeyPos(db, b, i), e); s != DBS_OK) return s;
  Status last = db.Live(&FormatOps::LiveKeys, &e);
  KeypadTree tree(db, b);
  const char16_t blank[16] = {};
  if (e.keyType != 0 && e.keyType != 1) {
    last = tree.RenameKey(old.name, blank);
    last = tree.RenameKey(old.altName, blank);
  }
  if (std::memcmp(e.name, old.name, sizeof e.name) != 0) last = tree.RenameKey(old.name, e.name);
  if (std::memcmp(e.altName, old.altName, sizeof e.altName) != 0) last = tree.RenameKey(old.altName, e.altName);
  return last;
}

Status CopyKeys(Db& db, std::uint16_t a, std::uint16_t b) {
  Status last = DBS_OK;
  const std::uint16_t keys = std::min(db.Config().keyCount[a], db.Config().keyCount[b]);
  for (std::uint16_t i = 0; i < keys; ++i) last = CopyKey(db, a, b, i);
  return last;
}

// Panels of type 3 pair a keypad of 64-71 with one of 72-79: a key copy onto
// one goes on to its partners, depth first (a partner's own partners come
// before the next partner), each copied from the keypad it was reached from.
// The keys' live updates do not end the walk; the panels it reads all exist.
void CopyToPairedKeypads(Db& db, std::uint16_t s, std::uint16_t t) {
  std::vector<bool> visited(db.Config().keypadCount);
  visited[s] = visited[t] = true;
  struct Step {
    std::uint16_t keypad, panel;  // where the walk is, and the next panel to look at
  };
  std::vector<Step> path{{t, 0}};
  const std::uint16_t panels = std::min<std::uint16_t>(32, db.Config().panelCount);
  while (!path.empty()) {
    const std::uint16_t current = path.back().keypad, q = path.back().panel++;
    if (q >= panels) {
      path.pop_back();
      continue;
    }
    const PanelEntry e = Panel(db, q);
    if (e.panelType != 3 || (e.sourceKeypad != current && e.destKeypad != current)) continue;
    const std::uint16_t other = e.sourceKeypad == current ? e.destKeypad : e.sourceKeypad;
    if (other >= visited.size() || visited[other]) continue;
    visited[other] = true;
    CopyKeys(db, current, other);
    path.push_back({other, 0});
  }
}

}  // namespace

Status ChangePanelKeypad(Db& db, std::uint16_t p, bool source, std::uint16_t keypad) {
  const std::uint32_t pos = PanelPos(db, p);
  PanelEntry e = db.Read<PanelEntry>(pos);
  std::uint16_t& field = source ? e.sourceKeypad : e.destKeypad;
  if (field == keypad) return DBS_OK;
  const std::uint16_t old = field;
  field = keypad;
  if (Status s = db.Write(pos, e); s != DBS_OK) return s;
  Status last = db.Live(&FormatOps::LivePanelKeypad, &e);
  if (Status s = ReleaseKeypad(db, old); s != DBS_OK) last = s;
  if (Status s = ClaimKeypad(db, keypad); s != DBS_OK) last = s;
  return last;
}

Status CopyKeypadAreasV(DbsHandle handle, std::uint16_t s, std::uint16_t t, std::uint16_t p) {
  Slot* slot = Slots().Check(handle);
  if (!slot) return DBS_ERR_INVALID_DATABASE;
  Db db(handle, *slot);
  const ConfigImage& c = db.Config();
  if (s >= c.keypadCount || t >= c.keypadCount || s == t || p >= c.panelCount) return DBS_ERR_INVALID_ARGUMENT;
  const KeypadEntry from = db.Read<KeypadEntry>(KeypadPos(db, s));
  KeypadEntry to = db.Read<KeypadEntry>(KeypadPos(db, t));
  // The target must take every key and every sequence node of the source.
  if (std::uint32_t{to.columns} * to.rows < std::uint32_t{from.columns} * from.rows ||
      to.keyFormat != from.keyFormat || to.keypadType != from.keypadType || c.nodeCount[t] < c.nodeCount[s]) {
    return DBS_ERR_KEYPAD_INCOMPATIBLE;
  }
  to.keypadOption = from.keypadOption;
  to.keypadFlags = from.keypadFlags;
  if (Status st = db.Write(KeypadPos(db, t), to); st != DBS_OK) return st;
  db.Live(&FormatOps::LiveKeypad, &to);
  CopyKeys(db, s, t);

  KeypadTree source(db, s), target(db, t);
  for (std::int16_t i = 0; i < source.NodeCount(); ++i) {
    SequenceNode node = source.Node(i);
    node.keypad = t;
    target.WriteNode(node);
  }
  SequenceTail tail = source.Tail();
  // The target's further nodes join the end of the free list.
  if (target.NodeCount() > source.NodeCount()) {
    const auto extra = static_cast<std::int16_t>(source.NodeCount());
    for (std::int16_t i = extra; i < target.NodeCount(); ++i) {
      target.WriteNode(FreeNode(t, i, i + 1 < target.NodeCount() ? static_cast<std::int16_t>(i + 1) : std::int16_t{-1}));
    }
    const auto free = target.Siblings(tail.freeHead);
    if (free.empty()) {
      tail.freeHead = extra;
    } else {
      SequenceNode last = target.Node(free.back());
      last.next = extra;
      target.WriteNode(last);
    }
  }
  target.WriteTail(tail);
  Status result = db.Online() ? db.Ops().SendKeypadAreas(handle) : Status{DBS_OK};
  // A simple keypad's name keys carry what its sequences select: with the
  // copied sequences in place, the controller gets them again.
  if (db.Online() && !(to.keypadFlags & kKeypadDialUp)) {
    for (std::uint16_t i = 0; i < db.Config().keyCount[t]; ++i) {
      const KeyEntry key = db.Read<KeyEntry>(KeyPos(db, t, i));
      if (key.keyType > 1) continue;
      if (Status sent = db.Live(&FormatOps::LiveKeys, &key); result == DBS_OK) result = sent;
    }
  }
  if (Panel(db, p).panelType == 3) CopyToPairedKeypads(db, s, t);
  return result;
}

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetPanelType(uint16_t panel, uint16_t* type, DbsHandle handle) {
  return GetPanelField(handle, panel, type, &PanelEntry::panelType);
}
DBS_API DbsStatus dbs_SetPanelType(uint16_t panel, uint16_t type, DbsHandle handle) {
  return SetPanelField(handle, panel, type, &PanelEntry::panelType, &FormatOps::LivePanelType);
}
DBS_API DbsStatus dbs_GetPanelBrightness(uint16_t panel, uint8_t* brightness, DbsHandle handle) {
  return GetPanelField(handle, panel, brightness, &PanelEntry::brightness);
}
DBS_API DbsStatus dbs_SetPanelBrightness(uint16_t panel, uint8_t brightness, DbsHandle handle) {
  return SetPanelField(handle, panel, brightness, &PanelEntry::brightness, &FormatOps::LivePanelBrightness);
}
DBS_API DbsStatus dbs_GetPanelMode(uint16_t panel, uint8_t* mode, DbsHandle handle) {
  return GetPanelField(handle, panel, mode, &PanelEntry::mode);
}
DBS_API DbsStatus dbs_SetPanelMode(uint16_t panel, uint8_t mode, DbsHandle handle) {
  return SetPanelField(handle, panel, mode, &PanelEntry::mode, &FormatOps::LivePanelMode);
}
DBS_API DbsStatus dbs_GetPanelFlags(uint16_t panel, uint32_t* flags, DbsHandle handle) {
  return GetPanelField(handle, panel, flags, &PanelEntry::flags);
}
DBS_API DbsStatus dbs_SetPanelFlags(uint16_t panel, uint32_t flags, DbsHandle handle) {
  return SetPanelField(handle, panel, flags, &PanelEntry::flags, &FormatOps::LivePanelFlags);
}

DBS_API DbsStatus dbs_GetPanelLevels(uint16_t panel, uint16_t levels[20], DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!levels) return DBS_ERR_INVALID_ARGUMENT;
    const PanelEntry e = Panel(db, panel);
    std::copy(std::begin(e.levels), std::end(e.levels), levels);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetPanelLevels(uint16_t panel, const uint16_t levels[20], DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!levels) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = PanelPos(db, panel);
    PanelEntry e = db.Read<PanelEntry>(pos);
    // Only the matrices of the database decide whether anything changed.
    if (std::equal(levels, levels + db.Config().matrixCount, e.levels)) return DBS_OK;
    std::copy(levels, levels + 20, e.levels);
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Live(&FormatOps::LivePanelLevels, &e);
  });
}

DBS_API DbsStatus dbs_GetPanelKeypad(uint16_t panel, uint16_t which, uint16_t* keypad, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!keypad) return DBS_ERR_INVALID_ARGUMENT;
    const PanelEntry e = Panel(db, panel);
    *keypad = which ? e.sourceKeypad : e.destKeypad;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetPanelKeypad(uint16_t panel, uint16_t which, uint16_t keypad, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    Require(keypad == kNoEntry || keypad < db.Config().keypadCount);
    return ChangePanelKeypad(db, panel, which != 0, keypad);
  });
}

DBS_API DbsStatus dbs_GetPanelName(uint16_t panel, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const PanelEntry e = Panel(db, panel);
    ReadName(name, e.name);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetPanelName(uint16_t panel, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    return ChangeEntry<PanelEntry>(db, PanelPos(db, panel), &FormatOps::LivePanelName,
                                   [&](PanelEntry& e) { ApplyName(e.name, name); });
  });
}

DBS_API DbsStatus dbs_GetPanelCustomData(uint16_t panel, uint32_t data[2], DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!data) return DBS_ERR_INVALID_ARGUMENT;
    const PanelEntry e = Panel(db, panel);
    data[0] = e.customData1;
    data[1] = e.customData2;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetPanelCustomData(uint16_t panel, const uint32_t data[2], DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!data) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<PanelEntry>(db, PanelPos(db, panel), &FormatOps::LivePanelCustomData, [&](PanelEntry& e) {
      e.customData1 = data[0];
      e.customData2 = data[1];
    });
  });
}

DBS_API DbsStatus dbs_GetPanelRecord(uint16_t panel, TPanelRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const PanelEntry e = Panel(db, panel);
    record->panel = panel;
    record->port = e.port;
    record->address = e.address;
    record->panelType = e.panelType;
    record->brightness = e.brightness;
    record->mode = e.mode;
    record->flags = e.flags;
    std::copy(std::begin(e.levels), std::end(e.levels), record->levels);
    record->destKeypad = e.destKeypad;
    record->sourceKeypad = e.sourceKeypad;
    ReadName(record->name, e.name);
    record->customData1 = e.customData1;
    record->customData2 = e.customData2;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetPanelRecord(uint16_t panel, const TPanelRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = PanelPos(db, panel);
    PanelEntry e = db.Read<PanelEntry>(pos);
    const Status moved = MoveForRecord(db, pos, e, panel, record->port, record->address, DeviceKind::Panel);
    const PanelEntry before = e;
    e.panel = panel;
    e.panelType = record->panelType;
    e.brightness = record->brightness;
    e.mode = record->mode;
    e.flags = record->flags;
    std::copy_n(record->levels, db.Config().matrixCount, e.levels);
    const std::uint16_t oldDest = e.destKeypad, oldSource = e.sourceKeypad;
    e.destKeypad = record->destKeypad;
    e.sourceKeypad = record->sourceKeypad;
    ApplyName(e.name, record->name);
    e.customData1 = record->customData1;
    e.customData2 = record->customData2;
    if (std::memcmp(&e, &before, sizeof e) == 0) return moved;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    // A controller that refuses the record is told to the caller; the file
    // keeps the change and the keypads still follow it.
    return FirstFailure({db.Live(&FormatOps::LivePanelRecord, &e), ReleaseKeypad(db, oldDest),
                         ClaimKeypad(db, e.destKeypad), ReleaseKeypad(db, oldSource), ClaimKeypad(db, e.sourceKeypad),
                         moved});
  });
}

DBS_API DbsStatus dbs_GetXY_ControlledDests(uint16_t panel, uint16_t matrix, TXYRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const PanelEntry e = Panel(db, panel);
    if (!record || matrix >= db.Config().matrixCount) return DBS_ERR_INVALID_ARGUMENT;
    const auto s = static_cast<std::int16_t>(e.xySet[matrix]);
    if (s < 0 || s >= db.Config().xySetCount) return DBS_ERR_NO_XY_SET;
    const XYSetEntry set = db.Read<XYSetEntry>(XYSetPos(db, static_cast<std::uint16_t>(s)));
    const std::size_t capacity = std::min<std::size_t>((record->destCount + 7u) / 8u, sizeof record->destMap);
    record->panel = set.panel;
    record->matrix = set.matrix;
    record->destCount = set.destCount;
    std::fill_n(record->destMap, capacity, std::uint8_t{0});
    std::copy_n(set.destMap, std::min<std::size_t>((db.Config().destAssocCount[matrix] + 7u) / 8u, capacity),
                record->destMap);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetXY_ControlledDests(uint16_t panel, uint16_t matrix, const TXYRecord* record,
                                            DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const std::uint32_t pos = PanelPos(db, panel);
    if (!record || matrix >= db.Config().matrixCount) return DBS_ERR_INVALID_ARGUMENT;
    const std::size_t bytes = std::min({(db.Config().destAssocCount[matrix] + 7u) / 8u,
                                        (record->destCount + 7u) / 8u, std::uint32_t{sizeof record->destMap}});
    PanelEntry e = db.Read<PanelEntry>(pos);
    auto s = static_cast<std::int16_t>(e.xySet[matrix]);
    Status held = DBS_OK;
    if (s < 0) {
      for (std::uint16_t i = 0; i < db.Config().xySetCount && s < 0; ++i) {
        if (db.Read<XYSetEntry>(XYSetPos(db, i)).panel == kFree) s = static_cast<std::int16_t>(i);
      }
      if (s < 0) return DBS_SYS_NOT_ENOUGH_MEMORY;  // every XY set is taken
      e.xySet[matrix] = static_cast<std::uint16_t>(s);
      if (Status st = db.Write(pos, e); st != DBS_OK) return st;
      held = db.Live(&FormatOps::LivePanelSets, &e);
    }
    if (s >= db.Config().xySetCount) return DBS_ERR_NO_XY_SET;
    XYSetEntry set{};
    set.xySet = static_cast<std::uint16_t>(s);
    set.panel = panel;
    set.matrix = matrix;
    set.destCount = record->destCount;
    std::copy_n(record->destMap, bytes, set.destMap);
    if (Status st = db.Write(XYSetPos(db, set.xySet), set); st != DBS_OK) return st;
    return db.Online() ? db.Live(&FormatOps::LiveXYControlledDests, &set) : held;
  });
}

DBS_API DbsStatus dbs_GetOutputRecord(uint16_t panel, uint16_t output, TOutputRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const PanelEntry e = Panel(db, panel);
    if (!record || output >= kOutputs) return DBS_ERR_INVALID_ARGUMENT;
    const auto s = static_cast<std::int16_t>(e.outputSet);
    if (s < 0 || s >= db.Config().outputSetCount) return DBS_ERR_NO_OUTPUT_SET;
    const OutputSetEntry set = db.Read<OutputSetEntry>(OutputSetPos(db, static_cast<std::uint16_t>(s)));
    *record = {set.panel, output, set.outputs[output].outputWord1, set.outputs[output].outputWord2};
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetOutputRecord(uint16_t panel, uint16_t output, const TOutputRecord* record,
                                      DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record || panel >= db.Config().panelCount || output >= kOutputs) return DBS_ERR_NO_OUTPUT_SET;
    const std::uint32_t pos = PanelPos(db, panel);
    PanelEntry e = db.Read<PanelEntry>(pos);
    const int s = PairedSet(db, e);
    if (s < 0 || s >= db.Config().outputSetCount) return DBS_ERR_NO_OUTPUT_SET;
    Status held = DBS_OK;
    if (e.outputSet != s) {
      e.outputSet = static_cast<std::uint16_t>(s);
      if (Status st = db.Write(pos, e); st != DBS_OK) return st;
      held = db.Live(&FormatOps::LivePanelSets, &e);
    }
    OutputSetEntry set = db.Read<OutputSetEntry>(OutputSetPos(db, static_cast<std::uint16_t>(s)));
    set.panel = panel;
    set.outputs[output] = {record->outputWord1, record->outputWord2};
    if (Status st = db.Write(OutputSetPos(db, static_cast<std::uint16_t>(s)), set); st != DBS_OK) return st;
    return db.Online() ? db.Live(&FormatOps::LiveOutputRecord, &set) : held;
  });
}

DBS_API DbsStatus dbs_GetOverrideSource(uint16_t panel, uint16_t override, TOverrideRecord* record,
                                        DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const PanelEntry e = Panel(db, panel);
    if (!record || override >= kOutputs) return DBS_ERR_INVALID_ARGUMENT;
    const auto s = static_cast<std::int16_t>(e.overrideSet);
    if (s < 0 || s >= db.Config().outputSetCount) return DBS_ERR_NO_OVERRIDE_SET;
    const MemberTriple t =
        db.Read<OverrideSetEntry>(OverrideSetPos(db, static_cast<std::uint16_t>(s))).overrides[override];
    *record = {t.matrix, t.level, t.number};
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetOverrideSource(uint16_t panel, uint16_t override, const TOverrideRecord* record,
                                        DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const std::uint32_t pos = PanelPos(db, panel);
    if (!record || override >= kOutputs) return DBS_ERR_INVALID_ARGUMENT;
    PanelEntry e = db.Read<PanelEntry>(pos);
    const int s = static_cast<std::int16_t>(e.overrideSet) >= 0 ? static_cast<std::int16_t>(e.overrideSet)
                                                                : PairedSet(db, e);
    if (s < 0 || s >= db.Config().outputSetCount) return DBS_ERR_NO_OVERRIDE_SET;
    Status held = DBS_OK;
    if (e.overrideSet != s) {
      e.outputSet = e.overrideSet = static_cast<std::uint16_t>(s);
      if (Status st = db.Write(pos, e); st != DBS_OK) return st;
      held = db.Live(&FormatOps::LivePanelSets, &e);
      // The pair is this panel's now: its output set says so too.
      OutputSetEntry output = db.Read<OutputSetEntry>(OutputSetPos(db, static_cast<std::uint16_t>(s)));
      output.panel = panel;
      if (Status st = db.Write(OutputSetPos(db, static_cast<std::uint16_t>(s)), output); st != DBS_OK) return st;
    }
    const std::uint32_t setPos = OverrideSetPos(db, static_cast<std::uint16_t>(s));
    OverrideSetEntry set = db.Read<OverrideSetEntry>(setPos);
    MemberTriple& t = set.overrides[override];
    const ConfigImage& c = db.Config();
    const bool matrixOk = record->matrix >= 0 && record->matrix < c.matrixCount;
    const bool levelOk = matrixOk && record->level >= 0 && record->level < c.levelCount[record->matrix];
    const bool sourceOk =
        levelOk && record->source >= 0 && record->source < c.sourceCount[record->matrix][record->level];
    // An override that names no existing source is stored as none.
    const MemberTriple wanted = sourceOk ? MemberTriple{record->matrix, record->level, record->source}
                                         : MemberTriple{-1, -1, -1};
    const bool differs = t.matrix != record->matrix || t.level != record->level || t.number != record->source;
    t = wanted;
    if (!differs) return held;
    if (Status st = db.Write(setPos, set); st != DBS_OK) return st;
    return db.Online() ? db.Live(&FormatOps::LiveOverrideSource, &set) : held;
  });
}

DBS_API DbsStatus dbs_CopyKeypad(uint16_t source, uint16_t target, uint16_t panel, void*, void*, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status { return db.Ops().CopyKeypadAreas(handle, source, target, panel); });
}

DBS_API DbsStatus dbs_ClearKeypad(uint16_t keypad, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const std::uint32_t pos = KeypadPos(db, keypad);
    for (std::uint16_t p = 0; p < db.Config().panelCount; ++p) {
      if (NamesKeypad(Panel(db, p), keypad)) return DBS_ERR_KEYPAD_IN_USE;
    }
    if (Status s = CheckWritable(db.GetSlot()); s != DBS_OK) return s;
    const std::uint16_t keys = db.Config().keyCount[keypad];
    KeypadEntry e = db.Read<KeypadEntry>(pos);
    e.keypad = keypad;
    std::u16string name = u"Keypad ";
    for (char ch : std::to_string(keypad + 1)) name += static_cast<char16_t>(ch);
    char16_t field[16] = {};
    std::copy(name.begin(), name.end(), field);
    std::memcpy(e.name, field, sizeof field);
    e.keyFormat = 8;
    e.keypadType = 0;
    e.keypadOption = 0;
    e.keypadFlags = 0;
    e.columns = static_cast<std::uint16_t>((keys + 3) / 4);
    e.rows = 4;
    db.Write(pos, e);
    db.Live(&FormatOps::LiveKeypad, &e);
    const char16_t blank[16] = {u' ', u' ', u' ', u' ', u' ', u' ', u' ', u' '};
    for (std::uint16_t i = 0; i < keys; ++i) {
      KeyEntry key{};
      key.key = i;
      key.keypad = keypad;
      std::memcpy(key.name, blank, sizeof blank);
      std::memcpy(key.altName, blank, sizeof blank);
      key.keyIndex = static_cast<std::uint8_t>(i);
      key.column = e.columns ? static_cast<std::uint16_t>(i % e.columns) : std::uint16_t{0};
      key.row = e.columns ? static_cast<std::uint16_t>(i / e.columns) : std::uint16_t{0};
      db.Write(KeyPos(db, keypad, i), key);
      db.Live(&FormatOps::LiveKeys, &key);
    }
    KeypadTree tree(db, keypad);
    const SequenceTail before = tree.Tail();
    for (std::int16_t i = 0; i < tree.NodeCount(); ++i) {
      tree.Store(FreeNode(keypad, i, i + 1 < tree.NodeCount() ? static_cast<std::int16_t>(i + 1) : std::int16_t{-1}));
    }
    tree.WriteTail({static_cast<std::int16_t>(tree.NodeCount() > 0 ? 0 : -1), -1});
    if (!db.Online()) return DBS_OK;
    return db.Ops().LiveKeypadArea(handle, keypad, 0, before.root, before.freeHead);
  });
}
