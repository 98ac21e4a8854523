// Keypads, their keys and their entry sequences.
#include "records/keypads.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "entry.h"
#include "names.h"
#include "records/keypad_tree.h"

namespace zephra {
namespace {

bool IsNameKey(std::uint8_t type) { return type == 0 || type == 1; }

std::uint32_t KeypadPos(const Db& db, std::uint16_t k) {
  Require(k < db.Config().keypadCount);
  return db.Layout().keypadPos[k];
}

std::uint32_t KeyPos(const Db& db, std::uint16_t k, std::uint16_t key) {
  const std::uint32_t base = KeypadPos(db, k);
  Require(key < db.Config().keyCount[k]);
  return base + std::uint32_t{sizeof(KeypadEntry)} + key * std::uint32_t{sizeof(KeyEntry)};
}

void FillKeypad(const KeypadEntry& e, std::uint16_t k, TKeypadRecord& r) {
  r.keypad = k;
  ReadName(r.name, e.name);
  r.keyFormat = e.keyFormat;
  r.keypadType = e.keypadType;
  r.keypadOption = e.keypadOption;
  r.keypadFlags = e.keypadFlags;
  r.columns = e.columns;
  r.rows = e.rows;
}

// The name key of the keypad whose name or second name is `name`, or -1.
int FindNameKey(const Db& db, std::uint16_t k, const char16_t (&name)[16]) {
  for (std::uint16_t key = 0; key < db.Config().keyCount[k]; ++key) {
    const KeyEntry e = db.Read<KeyEntry>(KeyPos(db, k, key));
    if (IsNameKey(e.keyType) && (SameKeyName(e.name, name) || SameKeyName(e.altName, name))) return key;
  }
  return -1;
}

std::vector<KeyName> Path(const TEntrySequenceRecord& r, std::uint16_t count) {
  std::vector<KeyName> path;
  for (std::uint16_t d = 0; d < count && d < DBS_MAX_PRESSES; ++d) path.emplace_back(r.presses[d].keyName);
  return path;
}

void FillPress(const Db& db, const SequenceNode& node, TEntrySequenceRecord& r, std::uint16_t depth) {
  TKeyPressRecord& press = r.presses[depth];
  ReadName(press.keyName, node.keyName);
  ReadName(press.displayName, node.displayName);
  for (std::uint16_t i = 0; i < db.Config().matrixCount && i < 20; ++i) press.selection[i] = node.selection[i];
  press.salvo = node.salvo;
  r.salvoFlags = node.salvoFlags;
}

// Fills presses from `node` at `depth` down to the first node that carries
// data or has no child; a sequence never has more than eight presses.
Status Descend(const KeypadTree& tree, const Db& db, std::uint16_t k, std::int16_t node, std::uint16_t depth,
               TEntrySequenceRecord& r) {
  while (true) {
    if (depth >= DBS_MAX_PRESSES) return DBS_ERR_SEQUENCE_NOT_FOUND;
    const SequenceNode n = tree.Node(node);
    FillPress(db, n, r, depth);
    if (tree.CarriesData(n) || !tree.Valid(n.firstChild)) break;
    node = n.firstChild;
    ++depth;
  }
  r.keypad = k;
  r.count = static_cast<std::uint16_t>(depth + 1);
  return DBS_OK;
}

Status FreeKeypad(DbsHandle h, TKeypadRecord* r, std::uint8_t type, bool dialUp) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!r) return DBS_ERR_INVALID_ARGUMENT;
    for (std::uint16_t k = 0; k < db.Config().keypadCount; ++k) {
      const KeypadEntry e = db.Read<KeypadEntry>(KeypadPos(db, k));
      if ((e.keypadFlags & kKeypadInUse) || e.keypadType != type || ((e.keypadFlags & kKeypadDialUp) != 0) != dialUp) continue;
      FillKeypad(e, k, *r);
      return DBS_OK;
    }
    return DBS_ERR_LIMIT_REACHED;
  });
}

// The length of `units` without the blanks (0 or space) it ends with.
std::size_t Trimmed(const char16_t* units, std::size_t length) {
  while (length > 0 && (units[length - 1] == 0 || units[length - 1] == u' ')) --length;
  return length;
}

// The top-level node whose name begins with `name` over the caller's string
// (`width` units, at most 16), blanks at the end of both ignored; a blank
// name matches nothing. So "CA" finds "CAM1", and a name longer than its
// field finds the node of the whole name, but "Key 2" in a field of eight
// does not find "Key 21": a key's assignment never lands on another key.
std::int16_t FindTopLevel(const KeypadTree& tree, const KeyName& name, std::size_t width) {
  width = std::min<std::size_t>(width, 16);
  const std::size_t length = Trimmed(name.units, width);
  if (length == 0) return -1;
  for (std::int16_t n : tree.Siblings(tree.Tail().root)) {
    const SequenceNode node = tree.Node(n);
    if (Trimmed(node.keyName, width) == length && std::equal(name.units, name.units + length, node.keyName)) return n;
  }
  return -1;
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetKeypad(uint16_t keypad, TKeypadRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    FillKeypad(db.Read<KeypadEntry>(KeypadPos(db, keypad)), keypad, *record);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetKeypad(uint16_t keypad, const TKeypadRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<KeypadEntry>(db, KeypadPos(db, keypad), &FormatOps::LiveKeypad, [&](KeypadEntry& e) {
      ApplyName(e.name, record->name);
      e.keyFormat = record->keyFormat;
      e.keypadType = record->keypadType;
      e.keypadOption = record->keypadOption;
      e.keypadFlags = record->keypadFlags;
      e.columns = record->columns;
      e.rows = record->rows;
    });
  });
}

DBS_API DbsStatus dbs_GetKey(uint16_t keypad, uint16_t key, TKeyRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const KeyEntry e = db.Read<KeyEntry>(KeyPos(db, keypad, key));
    record->key = key;
    record->keypad = keypad;
    ReadName(record->name, e.name);
    ReadName(record->altName, e.altName);
    record->keyType = e.keyType;
    record->keyIndex = e.keyIndex;
    record->column = e.column;
    record->row = e.row;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetKey(uint16_t keypad, uint16_t key, const TKeyRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = KeyPos(db, keypad, key);
    const KeyEntry old = db.Read<KeyEntry>(pos);
    KeyEntry e = old;
    // A name another name key already has is not taken; the call goes on.
    const auto takeName = [&](char16_t (&field)[16], DbsString text) {
      if (DbsStringLength(text) == 0) return;
      const NameField given(text);
      if (given.SameAs(field)) return;
      const int owner = FindNameKey(db, keypad, given.units);
      if (owner < 0 || owner == key) given.StoreIn(field);
    };
    takeName(e.name, record->name);
    takeName(e.altName, record->altName);
    e.key = key;
    e.keypad = keypad;
    const bool stoppedNaming = IsNameKey(old.keyType) && !IsNameKey(record->keyType);
    e.keyType = record->keyType;
    e.keyIndex = record->keyIndex;
    e.column = record->column;
    e.row = record->row;
    if (std::memcmp(&e, &old, sizeof e) == 0) return DBS_OK;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    // The key's own update answers first; its sequences follow it whatever
    // the controller said.
    Status first = db.Live(&FormatOps::LiveKeys, &e);
    KeypadTree tree(db, keypad);
    const char16_t blank[16] = {};
    if (stoppedNaming) {
      first = FirstFailure({first, tree.RenameKey(old.name, blank), tree.RenameKey(old.altName, blank)});
    } else {
      // A name moved from one field to the other keeps its sequences.
      if (std::memcmp(e.name, old.name, sizeof e.name) != 0 && !SameKeyName(old.name, e.altName)) {
        first = FirstFailure({first, tree.RenameKey(old.name, e.name)});
      }
      if (std::memcmp(e.altName, old.altName, sizeof e.altName) != 0 && !SameKeyName(old.altName, e.name)) {
        first = FirstFailure({first, tree.RenameKey(old.altName, e.altName)});
      }
    }
    return first;
  });
}

DBS_API DbsStatus dbs_GetFirstSequence(uint16_t keypad, TEntrySequenceRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const KeypadTree tree(db, keypad);
    const std::int16_t root = tree.Tail().root;
    if (!tree.Valid(root)) return DBS_ERR_SEQUENCE_UNDEFINED;
    return Descend(tree, db, keypad, root, 0, *record);
  });
}

DBS_API DbsStatus dbs_GetNextSequence(uint16_t keypad, TEntrySequenceRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const KeypadTree tree(db, keypad);
    if (!tree.Valid(tree.Tail().root)) return DBS_ERR_SEQUENCE_UNDEFINED;
    if (record->count == 0 || record->count > DBS_MAX_PRESSES) return DBS_ERR_SEQUENCE_NOT_FOUND;
    // The list and the node of every press along the path.
    std::vector<std::int16_t> lists, nodes;
    std::int16_t list = tree.Tail().root;
    for (const KeyName& name : Path(*record, record->count)) {
      const auto siblings = tree.Siblings(list);
      const auto at = std::find_if(siblings.begin(), siblings.end(),
                                   [&](std::int16_t s) { return SameKeyName(tree.Node(s).keyName, name.units); });
      if (at == siblings.end()) return DBS_ERR_SEQUENCE_NOT_FOUND;
      lists.push_back(list);
      nodes.push_back(*at);
      list = tree.Node(*at).firstChild;
    }
    if (tree.Valid(list)) return Descend(tree, db, keypad, list, record->count, *record);
    // The next sibling, here or further up, that a path reaches: in a
    // damaged list a key named twice is reached at its first place only, so
    // each step goes forward and the enumeration ends.
    for (std::size_t d = nodes.size(); d-- > 0;) {
      const auto siblings = tree.Siblings(lists[d]);
      for (auto s = std::find(siblings.begin(), siblings.end(), nodes[d]) + 1; s < siblings.end(); ++s) {
        const SequenceNode n = tree.Node(*s);
        // A blank name matches nothing, not even itself.
        const bool reached = SameKeyName(n.keyName, n.keyName) &&
                             std::none_of(siblings.begin(), s, [&](std::int16_t e) {
                               return SameKeyName(tree.Node(e).keyName, n.keyName);
                             });
        if (reached) return Descend(tree, db, keypad, *s, static_cast<std::uint16_t>(d), *record);
      }
    }
    return DBS_ERR_NO_MORE_SEQUENCES;
  });
}

DBS_API DbsStatus dbs_SetEntrySequence(uint16_t keypad, TEntrySequenceRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    // The record must name this keypad, hold at most eight presses, and press
    // only name keys of the keypad.
    if (!record || record->keypad != keypad || record->count > DBS_MAX_PRESSES) return DBS_ERR_INVALID_ARGUMENT;
    // A database opened read-only takes no sequence, new or changed.
    if (Status s = CheckWritable(db.GetSlot()); s != DBS_OK) return s;
    KeypadTree tree(db, keypad);
    const std::uint16_t c = record->count;
    const auto path = Path(*record, c);
    for (const KeyName& name : path) {
      if (FindNameKey(db, keypad, name.units) < 0) return DBS_ERR_INVALID_ARGUMENT;
    }
    const SequenceTail before = tree.Tail();
    const std::uint16_t matrices = std::min<std::uint16_t>(db.Config().matrixCount, 20);

    // The longest part of the sequence that exists already.
    std::uint16_t p = 0;
    std::int16_t prefixEnd = -1;
    if (tree.Valid(before.root)) {
      for (std::uint16_t len = c; len >= 1; --len) {
        prefixEnd = tree.FindPath(std::vector<KeyName>(path.begin(), path.begin() + len));
        if (prefixEnd >= 0) {
          p = len;
          break;
        }
      }
      record->count = p;
    }
    Status result = DBS_OK;
    if (p == c && c > 0) {
      // Bring the existing path up to date, from its end upwards.
      std::int16_t n = prefixEnd;
      for (int d = c - 1; d >= 0 && tree.Valid(n); --d) {
        SequenceNode node = tree.Node(n);
        if (!SameKeyName(node.keyName, path[static_cast<std::size_t>(d)].units)) break;
        const TKeyPressRecord& press = record->presses[d];
        SequenceNode updated = node;
        if (DbsStringLength(press.displayName) > 0) NameField(press.displayName).StoreIn(updated.displayName);
        std::copy_n(press.selection, matrices, updated.selection);
        if (press.salvo != node.salvo) {
          updated.salvo = press.salvo;
          updated.salvoFlags = press.salvo >= 0 ? record->salvoFlags : std::uint16_t{0};
        }
        if (std::memcmp(&updated, &node, sizeof node) != 0) {
          if (Status s = tree.WriteNode(updated); s != DBS_OK) return s;
          db.Live(&FormatOps::LiveSequences, &updated);  // the keypad area's status answers for the nodes
        }
        n = node.parent;
      }
    } else {
      std::int16_t parent = p > 0 ? prefixEnd : std::int16_t{-1};
      for (std::uint16_t d = p; d < c; ++d) {
        const std::int16_t n = tree.TakeFree();
        if (n < 0) {
          result = DBS_ERR_LIMIT_REACHED;
          break;
        }
        const TKeyPressRecord& press = record->presses[d];
        SequenceNode node = FreeNode(keypad, n, -1);
        std::memcpy(node.keyName, path[d].units, sizeof node.keyName);
        NameField(press.displayName).StoreIn(node.displayName);
        std::copy_n(press.selection, matrices, node.selection);
        node.salvo = press.salvo;
        node.salvoFlags = press.salvo >= 0 ? record->salvoFlags : std::uint16_t{0};
        node.parent = parent;
        const NameField parentName(d > 0 ? record->presses[d - 1].displayName : nullptr);
        tree.LinkSorted(node, parentName.units);
        parent = n;
      }
    }
    if (!db.Online()) return result;
    const Status area = db.Ops().LiveKeypadArea(handle, keypad, tree.Tail().freeHead, before.root, before.freeHead);
    return result != DBS_OK ? result : area;
  });
}

DBS_API DbsStatus dbs_DeleteLastNode(uint16_t keypad, const TEntrySequenceRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    KeypadTree tree(db, keypad);
    const SequenceTail before = tree.Tail();
    if (!tree.Valid(before.root)) return DBS_ERR_SEQUENCE_UNDEFINED;
    if (record->count == 0 || record->count > DBS_MAX_PRESSES) return DBS_ERR_SEQUENCE_NOT_FOUND;
    const std::int16_t n = tree.FindPath(Path(*record, record->count));
    if (n < 0) return DBS_ERR_SEQUENCE_NOT_FOUND;
    const SequenceNode node = tree.Node(n);
    if (tree.Valid(node.firstChild)) return DBS_ERR_NOT_LEAF;
    if (Status s = CheckWritable(db.GetSlot()); s != DBS_OK) return s;
    tree.Unlink(node);
    tree.Free(n);
    if (!db.Online()) return DBS_OK;
    return db.Ops().LiveKeypadArea(handle, keypad, n, before.root, before.freeHead);
  });
}

DBS_API DbsStatus dbs_GetKeyAssignment(uint16_t keypad, DbsString name, uint16_t matrix, uint16_t* value,
                                       uint32_t* salvoFlag, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!value || !salvoFlag) return DBS_ERR_INVALID_ARGUMENT;
    const KeypadTree tree(db, keypad);
    Require(matrix < db.Config().matrixCount);
    *value = 0xFFFF;
    *salvoFlag = 0;
    const std::int16_t n = FindTopLevel(tree, KeyName(name), DbsStringLength(name));
    if (n < 0) return DBS_OK;
    const SequenceNode node = tree.Node(n);
    if (node.salvo >= 0 && node.salvo < db.Config().salvoCount) {
      *value = static_cast<std::uint16_t>(node.salvo);
      *salvoFlag = 1;
    } else {
      *value = static_cast<std::uint16_t>(node.selection[matrix]);
    }
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetKeyAssignment(uint16_t keypad, DbsString name, uint16_t matrix, uint16_t value,
                                       uint32_t salvoFlag, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    KeypadTree tree(db, keypad);
    Require(matrix < db.Config().matrixCount);
    const KeyName key(name);
    std::int16_t n = FindTopLevel(tree, key, DbsStringLength(name));
    SequenceNode node;
    const bool fresh = n < 0;
    if (fresh) {
      if (Status s = CheckWritable(db.GetSlot()); s != DBS_OK) return s;
      n = tree.TakeFree();
      if (n < 0) return DBS_ERR_LIMIT_REACHED;
      node = FreeNode(keypad, n, -1);
      std::memcpy(node.keyName, key.units, sizeof node.keyName);
    } else {
      node = tree.Node(n);
    }
    if (salvoFlag != 0) {
      node.salvo = static_cast<std::int16_t>(value);
      node.selection[matrix] = -1;
      node.salvoFlags = static_cast<std::uint16_t>(node.salvoFlags | 1u);
    } else {
      node.selection[matrix] = static_cast<std::int16_t>(value);
      node.salvo = -1;
      node.salvoFlags = 0;
    }
    // A new node is linked in filled, so the controller hears of it once.
    const char16_t none[16] = {};
    return fresh ? tree.LinkSorted(node, none) : tree.Store(node);
  });
}

DBS_API DbsStatus dbs_GetNextFreeSourceKeypad(TKeypadRecord* record, DbsHandle handle) {
  return FreeKeypad(handle, record, 0, false);
}

DBS_API DbsStatus dbs_GetNextFreeDestKeypad(TKeypadRecord* record, DbsHandle handle) {
  return FreeKeypad(handle, record, 1, false);
}

DBS_API DbsStatus dbs_GetNextFreeSourceDialUpKeypad(TKeypadRecord* record, DbsHandle handle) {
  return FreeKeypad(handle, record, 0, true);
}

DBS_API DbsStatus dbs_GetNextFreeDestDialUpKeypad(TKeypadRecord* record, DbsHandle handle) {
  return FreeKeypad(handle, record, 1, true);
}
