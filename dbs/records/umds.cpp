// UMDs, their fixed messages, and the keypad each UMD keeps its followed
// destinations in.
#include "records/umds.h"

#include <algorithm>
#include <string>

#include "entry.h"
#include "names.h"
#include "records/device_keypads.h"
#include "records/keypad_tree.h"
#include "records/panels.h"
#include "records/port_assignment.h"

namespace zephra {
namespace {

constexpr std::uint16_t kFirstUMDKeypad = 32;
constexpr std::uint16_t kLastUMDKeypad = 63;

std::uint32_t UMDPos(const Db& db, std::uint16_t u) {
  Require(u < db.Config().umdCount);
  return db.Layout().umdPos + u * std::uint32_t{sizeof(UMDEntry)};
}
UMDEntry UMD(const Db& db, std::uint16_t u) { return db.Read<UMDEntry>(UMDPos(db, u)); }

// A keypad a UMD can keep: 32-63, and one the database has.
bool UMDKeypad(const Db& db, int k) {
  return k >= kFirstUMDKeypad && k <= kLastUMDKeypad && k < db.Config().keypadCount;
}

// A free simple destination keypad, else one given up by a panel that is on
// no port; -1 when there is neither.
int TakeUMDKeypad(Db& db) {
  for (std::uint16_t k = kFirstUMDKeypad; UMDKeypad(db, k); ++k) {
    const KeypadEntry e = db.Read<KeypadEntry>(db.Layout().keypadPos[k]);
    if (e.keypadType == 1 && (e.keypadFlags & 0x03) == 0) return k;
  }
  for (int p = std::min<int>(31, db.Config().panelCount - 1); p >= 0; --p) {
    const auto e = db.Read<PanelEntry>(db.Layout().panelPos + static_cast<std::uint32_t>(p) * std::uint32_t{sizeof(PanelEntry)});
    if (e.port != kNoEntry || e.address != kNoEntry || !UMDKeypad(db, e.destKeypad)) continue;
    const std::uint16_t k = e.destKeypad;
    ChangePanelKeypad(db, static_cast<std::uint16_t>(p), false, kNoEntry);
    return k;
  }
  return -1;
}

void UMDKeyName(std::uint16_t j, char16_t (&out)[16]) {
  std::u16string text = u"Key ";
  for (char ch : std::to_string(j + 1)) text += static_cast<char16_t>(ch);
  std::fill(std::begin(out), std::end(out), u'\0');
  std::copy(text.begin(), text.end(), out);
}

template <class T, class Field>
Status GetUMDField(DbsHandle h, std::uint16_t u, T* out, Field UMDEntry::*field) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!out) return DBS_ERR_INVALID_ARGUMENT;
    *out = UMD(db, u).*field;
    return DBS_OK;
  });
}

// The single-field Sets write without comparing and send the whole entry.
template <class T, class Field>
Status SetUMDField(DbsHandle h, std::uint16_t u, T value, Field UMDEntry::*field, LiveFn FormatOps::*live) {
  return WithDb(h, [&](Db& db) -> Status {
    const std::uint32_t pos = UMDPos(db, u);
    UMDEntry e = db.Read<UMDEntry>(pos);
    e.*field = value;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Live(live, &e);
  });
}

}  // namespace

int FindUMDKeypad(Db& db, std::uint16_t u) {
  if (u >= db.Config().umdCount) return -1;
  const std::uint32_t pos = UMDPos(db, u);
  int k = UMD(db, u).display;
  if (!UMDKeypad(db, k)) {
    k = TakeUMDKeypad(db);
    if (k >= kFirstUMDKeypad) BuildUMDKeypad(db, static_cast<std::uint16_t>(k), UMD(db, u).dests);
  }
  UMDEntry e = UMD(db, u);
  e.display = static_cast<std::uint8_t>(k & 0xFF);
  db.Write(pos, e);
  return k;
}

void BuildUMDKeypad(Db& db, std::uint16_t k, const MemberTriple (&dests)[4]) {
  const ConfigImage& c = db.Config();
  const std::uint32_t pos = db.Layout().keypadPos[k];
  KeypadEntry keypad = db.Read<KeypadEntry>(pos);
  keypad.keypad = k;
  keypad.keypadType = 1;
  keypad.keypadOption = 0;
  keypad.keypadFlags = 1;
  db.Write(pos, keypad);
  const char16_t blank[16] = {u' ', u' ', u' ', u' ', u' ', u' ', u' ', u' '};
  for (std::uint16_t j = 0; j < c.keyCount[k]; ++j) {
    KeyEntry key{};
    key.key = j;
    key.keypad = k;
    UMDKeyName(j, key.name);
    std::memcpy(key.altName, blank, sizeof blank);
    key.keyType = 1;
    key.keyIndex = static_cast<std::uint8_t>(j);
    key.column = j % 9;
    key.row = j / 9;
    db.Write(pos + std::uint32_t{sizeof(KeypadEntry)} + j * std::uint32_t{sizeof(KeyEntry)}, key);
  }
  KeypadTree tree(db, k);
  for (std::int16_t i = 0; i < tree.NodeCount(); ++i) {
    SequenceNode node = FreeNode(k, i, i + 1 < tree.NodeCount() ? static_cast<std::int16_t>(i + 1) : std::int16_t{-1});
    std::fill(std::begin(node.keyName), std::end(node.keyName), u'\0');
    tree.WriteNode(node);
  }
  // One top-level sequence per line that names a destination of level 0.
  std::int16_t used = 0;
  for (std::uint16_t j = 0; j < 4 && used < tree.NodeCount(); ++j) {
    const MemberTriple& d = dests[j];
    if (d.matrix != 0 || c.matrixCount == 0 || c.levelCount[0] == 0 || d.number < 0 || d.number >= c.destCount[0][0]) continue;
    SequenceNode node = tree.Node(used);
    UMDKeyName(j, node.keyName);
    node.selection[0] = d.number;
    node.prev = static_cast<std::int16_t>(used - 1);
    node.next = static_cast<std::int16_t>(used + 1);
    tree.WriteNode(node);
    ++used;
  }
  if (used > 0) {
    SequenceNode last = tree.Node(static_cast<std::int16_t>(used - 1));
    last.next = -1;
    tree.WriteNode(last);
  }
  tree.WriteTail({used < tree.NodeCount() ? used : std::int16_t{-1}, used > 0 ? std::int16_t{0} : std::int16_t{-1}});
}

Status LiveUMDDestsOffline(DbsHandle handle, const void* umdEntry) {
  Slot* slot = Slots().Check(handle);
  if (!slot || !umdEntry) return DBS_ERR_INVALID_ARGUMENT;
  Db db(handle, *slot);
  UMDEntry e;
  std::memcpy(&e, umdEntry, sizeof e);
  const int k = FindUMDKeypad(db, e.umd);
  if (k < kFirstUMDKeypad) return DBS_OK;  // no keypad: nothing to build or send
  BuildUMDKeypad(db, static_cast<std::uint16_t>(k), UMD(db, e.umd).dests);
  return DBS_OK;  // the controller is told by the transfer layer when on-line
}

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetUMDType(uint16_t umd, uint8_t* type, DbsHandle handle) {
  return GetUMDField(handle, umd, type, &UMDEntry::umdType);
}
DBS_API DbsStatus dbs_SetUMDType(uint16_t umd, uint8_t type, DbsHandle handle) {
  return SetUMDField(handle, umd, type, &UMDEntry::umdType, &FormatOps::LiveUMDType);
}
DBS_API DbsStatus dbs_GetUMDDisplay(uint16_t umd, uint8_t* display, DbsHandle handle) {
  return GetUMDField(handle, umd, display, &UMDEntry::display);
}
DBS_API DbsStatus dbs_SetUMDDisplay(uint16_t umd, uint8_t display, DbsHandle handle) {
  return SetUMDField(handle, umd, display, &UMDEntry::display, &FormatOps::LiveUMDDisplay);
}
DBS_API DbsStatus dbs_GetUMDFlags(uint16_t umd, uint16_t* flags, DbsHandle handle) {
  return GetUMDField(handle, umd, flags, &UMDEntry::umdFlags);
}
DBS_API DbsStatus dbs_SetUMDFlags(uint16_t umd, uint16_t flags, DbsHandle handle) {
  return SetUMDField(handle, umd, flags, &UMDEntry::umdFlags, &FormatOps::LiveUMDFlags);
}
DBS_API DbsStatus dbs_GetUMDBrightness(uint16_t umd, uint16_t* brightness, DbsHandle handle) {
  return GetUMDField(handle, umd, brightness, &UMDEntry::brightness);
}
DBS_API DbsStatus dbs_SetUMDBrightness(uint16_t umd, uint16_t brightness, DbsHandle handle) {
  return SetUMDField(handle, umd, brightness, &UMDEntry::brightness, &FormatOps::LiveUMDBrightness);
}
DBS_API DbsStatus dbs_GetUMDFixedMessage(uint16_t umd, uint16_t* message, DbsHandle handle) {
  return GetUMDField(handle, umd, message, &UMDEntry::fixedMessage);
}
DBS_API DbsStatus dbs_SetUMDFixedMessage(uint16_t umd, uint16_t message, DbsHandle handle) {
  return SetUMDField(handle, umd, message, &UMDEntry::fixedMessage, &FormatOps::LiveUMDFixedMessage);
}

DBS_API DbsStatus dbs_GetUMDDests(uint16_t umd, uint16_t line, TAssociationMember* dest, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const UMDEntry e = UMD(db, umd);
    if (!dest || line > 3) return DBS_ERR_INVALID_ARGUMENT;
    *dest = {e.dests[line].matrix, e.dests[line].level, e.dests[line].number};
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetUMDDests(uint16_t umd, uint16_t line, const TAssociationMember* dest, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const std::uint32_t pos = UMDPos(db, umd);
    if (!dest || line > 3) return DBS_ERR_INVALID_ARGUMENT;
    UMDEntry e = db.Read<UMDEntry>(pos);
    e.dests[line] = {dest->matrix, dest->level, dest->number};
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Ops().LiveUMDDests(handle, &e);  // on-line or not: the UMD's keypad follows
  });
}

DBS_API DbsStatus dbs_GetUMDName(uint16_t umd, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const UMDEntry e = UMD(db, umd);
    ReadName(name, e.name);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetUMDName(uint16_t umd, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const std::uint32_t pos = UMDPos(db, umd);
    UMDEntry e = db.Read<UMDEntry>(pos);
    NameField(name).StoreIn(e.name);  // an empty string clears the name
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Live(&FormatOps::LiveUMDName, &e);
  });
}

DBS_API DbsStatus dbs_GetUMDRecord(uint16_t umd, TUMDRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const UMDEntry e = UMD(db, umd);
    record->umd = umd;
    record->port = e.port;
    record->address = e.address;
    record->umdType = e.umdType;
    record->display = e.display;
    record->umdFlags = e.umdFlags;
    for (int j = 0; j < 4; ++j) record->dests[j] = {e.dests[j].matrix, e.dests[j].level, e.dests[j].number};
    record->brightness = e.brightness;
    record->fixedMessage = e.fixedMessage;
    ReadName(record->name, e.name);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetUMDRecord(uint16_t umd, const TUMDRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = UMDPos(db, umd);
    UMDEntry e = db.Read<UMDEntry>(pos);
    const Status moved = MoveForRecord(db, pos, e, umd, record->port, record->address, DeviceKind::UMD);
    const UMDEntry before = e;
    e.umd = umd;
    e.umdType = record->umdType;
    e.umdFlags = record->umdFlags;
    bool destsChanged = false;
    for (int j = 0; j < 4; ++j) {
      const MemberTriple wanted = {record->dests[j].matrix, record->dests[j].level, record->dests[j].number};
      destsChanged = destsChanged || std::memcmp(&wanted, &e.dests[j], sizeof wanted) != 0;
      e.dests[j] = wanted;
    }
    e.brightness = record->brightness;
    e.fixedMessage = record->fixedMessage;
    ApplyName(e.name, record->name);
    if (std::memcmp(&e, &before, sizeof e) == 0) return moved;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    const Status sent = db.Live(&FormatOps::LiveUMDRecord, &e);
    const Status dests = destsChanged ? db.Ops().LiveUMDDests(handle, &e) : Status{DBS_OK};
    return FirstFailure({sent, dests, moved});
  });
}

DBS_API DbsStatus dbs_GetFixedMessage(uint16_t umd, DbsString text, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    UMDPos(db, umd);
    const auto m = db.Read<FixedMessageEntry>(db.Layout().fixedMessagePos + umd * std::uint32_t{sizeof(FixedMessageEntry)});
    ReadName(text, m.text);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetFixedMessage(uint16_t umd, DbsString text, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    UMDPos(db, umd);
    FixedMessageEntry m{};
    m.umd = umd;
    NameField(text).StoreIn(m.text);
    if (Status s = db.Write(db.Layout().fixedMessagePos + umd * std::uint32_t{sizeof(FixedMessageEntry)}, m); s != DBS_OK) {
      return s;
    }
    return db.Live(&FormatOps::LiveFixedMessage, &m);
  });
}
