#include "records/keypad_tree.h"

#include <algorithm>
#include <cstring>

#include "names.h"

namespace zephra {
namespace {

constexpr char16_t kBlankName[16] = {u' ', u' ', u' ', u' ', u' ', u' ', u' ', u' '};

// Sibling order: code unit by code unit over the whole field.
bool Before(const char16_t (&a)[16], const char16_t (&b)[16]) {
  return std::lexicographical_compare(std::begin(a), std::end(a), std::begin(b), std::end(b));
}

}  // namespace

std::u16string_view TrimmedKeyName(const char16_t (&name)[16]) {
  std::size_t n = 16;
  while (n > 0 && (name[n - 1] == 0 || name[n - 1] == u' ')) --n;
  return {name, n};
}

bool SameKeyName(const char16_t (&a)[16], const char16_t (&b)[16]) {
  const std::u16string_view trimmed = TrimmedKeyName(a);
  return !trimmed.empty() && trimmed == TrimmedKeyName(b);
}

KeyName::KeyName(DbsString text) {
  const auto given = Units(text);
  std::copy_n(given.begin(), std::min<std::size_t>(given.size(), 16), units);
}

SequenceNode FreeNode(std::uint16_t keypad, std::int16_t index, std::int16_t next) {
  SequenceNode node{};
  node.keypad = keypad;
  node.index = static_cast<std::uint16_t>(index);
  std::memcpy(node.keyName, kBlankName, sizeof kBlankName);
  std::memcpy(node.displayName, kBlankName, sizeof kBlankName);
  node.next = next;
  node.prev = node.firstChild = node.parent = -1;
  std::fill(std::begin(node.selection), std::end(node.selection), std::int16_t{-1});
  node.salvo = -1;
  return node;
}

KeypadTree::KeypadTree(Db& db, std::uint16_t keypad) : db_(db), keypad_(keypad) {
  const ConfigImage& c = db.Config();
  Require(keypad < c.keypadCount);
  nodes_ = c.nodeCount[keypad];
  nodeBase_ = db.Layout().keypadPos[keypad] + std::uint32_t{sizeof(KeypadEntry)} + c.keyCount[keypad] * std::uint32_t{sizeof(KeyEntry)};
  tailPos_ = db.Layout().keypadTailPos[keypad];
}

std::uint32_t KeypadTree::NodePos(std::int16_t n) const {
  Require(Valid(n));
  return nodeBase_ + static_cast<std::uint32_t>(n) * std::uint32_t{sizeof(SequenceNode)};
}

SequenceNode KeypadTree::Node(std::int16_t n) const { return db_.Read<SequenceNode>(NodePos(n)); }
SequenceTail KeypadTree::Tail() const { return db_.Read<SequenceTail>(tailPos_); }

Status KeypadTree::WriteNode(const SequenceNode& node) {
  return db_.Write(NodePos(static_cast<std::int16_t>(node.index)), node);
}

Status KeypadTree::WriteTail(const SequenceTail& tail) { return db_.Write(tailPos_, tail); }

Status KeypadTree::Store(const SequenceNode& node) {
  if (Status s = WriteNode(node); s != DBS_OK) return s;
  return db_.Live(&FormatOps::LiveSequences, &node);
}

std::vector<std::int16_t> KeypadTree::Siblings(std::int16_t first) const {
  std::vector<std::int16_t> list;
  std::vector<bool> seen(nodes_);
  for (std::int16_t n = first; Valid(n) && !seen[static_cast<std::size_t>(n)]; n = Node(n).next) {
    seen[static_cast<std::size_t>(n)] = true;
    list.push_back(n);
  }
  return list;
}

std::int16_t KeypadTree::FindPath(const std::vector<KeyName>& path) const {
  std::int16_t list = Tail().root, found = -1;
  for (const KeyName& name : path) {
    found = -1;
    for (std::int16_t n : Siblings(list)) {
      if (SameKeyName(Node(n).keyName, name.units)) {
        found = n;
        break;
      }
    }
    if (found < 0) return -1;
    list = Node(found).firstChild;
  }
  return found;
}

bool KeypadTree::CarriesData(const SequenceNode& node) const {
  const std::uint16_t matrices = std::min<std::uint16_t>(db_.Config().matrixCount, 20);
  return node.salvo >= 0 || std::any_of(node.selection, node.selection + matrices, [](std::int16_t v) { return v >= 0; });
}

std::int16_t KeypadTree::TakeFree() {
  SequenceTail tail = Tail();
  const std::int16_t f = tail.freeHead;
  if (!Valid(f)) return -1;
  const std::int16_t next = Node(f).next;
  tail.freeHead = Valid(next) ? next : std::int16_t{-1};
  if (WriteTail(tail) != DBS_OK) return -1;
  return f;
}

Status KeypadTree::LinkSorted(SequenceNode& n, const char16_t (&parentName)[16]) {
  SequenceTail tail = Tail();
  const bool top = !Valid(n.parent);
  SequenceNode parent = top ? SequenceNode{} : Node(n.parent);
  const auto list = Siblings(top ? tail.root : parent.firstChild);
  const auto at = std::find_if(list.begin(), list.end(), [&](std::int16_t s) { return Before(n.keyName, Node(s).keyName); });
  const auto self = static_cast<std::int16_t>(n.index);
  n.prev = at == list.begin() ? std::int16_t{-1} : *(at - 1);
  n.next = at == list.end() ? std::int16_t{-1} : *at;
  Status last = Store(n);
  if (Valid(n.prev)) {
    SequenceNode before = Node(n.prev);
    before.next = self;
    last = Store(before);
  }
  if (Valid(n.next)) {
    SequenceNode after = Node(n.next);
    after.prev = self;
    last = Store(after);
  }
  const bool first = !Valid(n.prev);
  if (top) {
    if (first) {
      tail.root = self;
      if (Status s = WriteTail(tail); s != DBS_OK) return s;
    }
  } else if (first || !Valid(n.next)) {
    if (first) parent.firstChild = self;
    std::memcpy(parent.displayName, parentName, sizeof parent.displayName);
    last = Store(parent);
  }
  return last;
}

void KeypadTree::Free(std::int16_t n) {
  SequenceTail tail = Tail();
  SequenceNode node = FreeNode(keypad_, n, Valid(tail.freeHead) ? tail.freeHead : std::int16_t{-1});
  WriteNode(node);
  tail.freeHead = n;
  WriteTail(tail);
  node.next = -1;  // the controller is sent a free node without its free-list link
  db_.Live(&FormatOps::LiveSequences, &node);
}

void KeypadTree::Unlink(const SequenceNode& n) {
  if (Valid(n.prev)) {
    SequenceNode before = Node(n.prev);
    before.next = n.next;
    Store(before);
  } else if (Valid(n.parent)) {
    SequenceNode parent = Node(n.parent);
    parent.firstChild = n.next;
    Store(parent);
  }
  if (Valid(n.next)) {
    SequenceNode after = Node(n.next);
    after.prev = n.prev;
    Store(after);
  }
  SequenceTail tail = Tail();
  if (tail.root == static_cast<std::int16_t>(n.index)) {
    tail.root = Valid(n.prev) ? n.prev : Valid(n.next) ? n.next : std::int16_t{-1};
    WriteTail(tail);
  }
}

std::int16_t KeypadTree::RemoveSubtree(std::int16_t n) {
  // Descendants first, each the last of its list and the deepest below it.
  for (std::uint32_t round = 0; round <= nodes_; ++round) {
    const std::int16_t child = Node(n).firstChild;
    if (!Valid(child)) break;
    std::int16_t cur = child;
    for (std::uint32_t depth = 0; depth <= nodes_; ++depth) {
      cur = Siblings(cur).back();
      const std::int16_t below = Node(cur).firstChild;
      if (!Valid(below) || below == n) break;
      cur = below;
    }
    const SequenceNode leaf = Node(cur);
    if (Valid(leaf.prev)) {
      SequenceNode before = Node(leaf.prev);
      before.next = -1;
      WriteNode(before);
    } else if (Valid(leaf.parent)) {
      SequenceNode parent = Node(leaf.parent);
      parent.firstChild = -1;
      WriteNode(parent);
    }
    Free(cur);
    if (cur == n) return n;
  }
  Unlink(Node(n));
  Free(n);
  return n;
}

Status KeypadTree::RenameKey(const char16_t (&from)[16], const char16_t (&to)[16]) {
  if (!Valid(Tail().root)) return DBS_OK;
  const bool remove = TrimmedKeyName(to).empty();
  Status last = DBS_OK;
  for (std::int16_t i = 0; i < nodes_; ++i) {
    SequenceNode node = Node(i);
    if (!SameKeyName(node.keyName, from)) continue;
    if (remove) {
      // Each removal ends with the controller's keypad area, told from the
      // tail as that removal found it.
      const SequenceTail before = Tail();
      const std::int16_t lastFreed = RemoveSubtree(i);
      if (db_.Online()) last = db_.Ops().LiveKeypadArea(db_.Handle(), keypad_, lastFreed, before.root, before.freeHead);
    } else {
      std::memcpy(node.keyName, to, sizeof node.keyName);
      last = Store(node);
    }
  }
  return last;
}

}  // namespace zephra
