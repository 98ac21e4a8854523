// The entry-sequence tree of one keypad and its free list. Every link read
// from the image is checked against the keypad's node count and every walk
// is bounded, so a damaged tree gives a status, never a hang or a write
// outside the keypad's area.
#pragma once

#include <string_view>
#include <vector>

#include "dbs/entry.h"
#include "dbs/records/keypads.h"

namespace zephra {

// Two key names are the same when they agree after trailing blanks (zero or
// space units) are dropped from both; a blank name matches nothing.
bool SameKeyName(const char16_t (&a)[16], const char16_t (&b)[16]);
// A key name without its trailing blanks; empty for a blank name.
std::u16string_view TrimmedKeyName(const char16_t (&name)[16]);

// A name as 16 units, from a caller's string.
struct KeyName {
  char16_t units[16] = {};
  KeyName() = default;
  explicit KeyName(DbsString text);
};

class KeypadTree {
 public:
  KeypadTree(Db& db, std::uint16_t keypad);

  std::uint16_t Keypad() const { return keypad_; }
  std::uint16_t NodeCount() const { return nodes_; }
  bool Valid(std::int16_t n) const { return n >= 0 && n < nodes_; }

  SequenceNode Node(std::int16_t n) const;
  SequenceTail Tail() const;
  Status WriteNode(const SequenceNode& node);
  Status WriteTail(const SequenceTail& tail);
  // Writes a node and, on-line, sends it.
  Status Store(const SequenceNode& node);

  // The node a path of key names leads to, or -1.
  std::int16_t FindPath(const std::vector<KeyName>& path) const;
  // The nodes of a sibling list from `first`, bounded and cycle-safe.
  std::vector<std::int16_t> Siblings(std::int16_t first) const;

  // Whether a node selects something on a matrix of the database or fires a salvo.
  bool CarriesData(const SequenceNode& node) const;

  // Takes the free head into use; -1 when no valid node is free.
  std::int16_t TakeFree();
  // Links node n (already filled, with its parent) into its sibling list in
  // name order and writes what changed; `parentName` is what the parent's
  // display name becomes when the parent is rewritten.
  Status LinkSorted(SequenceNode& n, const char16_t (&parentName)[16]);
  // Unlinks a leaf or a subtree's top and returns it and all below it to the
  // free list. Answers the last node freed.
  std::int16_t RemoveSubtree(std::int16_t n);
  // Frees one unlinked node: blank, pushed on the free list, sent with next -1.
  void Free(std::int16_t n);
  // Unlinks node n from its siblings, parent and root.
  void Unlink(const SequenceNode& n);

  // Every node of the keypad whose key name is `from` takes `to`; a blank
  // `to` removes those nodes with their subtrees.
  Status RenameKey(const char16_t (&from)[16], const char16_t (&to)[16]);

 private:
  std::uint32_t NodePos(std::int16_t n) const;

  Db& db_;
  std::uint16_t keypad_;
  std::uint16_t nodes_;
  std::uint32_t nodeBase_;
  std::uint32_t tailPos_;
};

// A node as it stands free: blank names, no links but `next`, no selection.
SequenceNode FreeNode(std::uint16_t keypad, std::int16_t index, std::int16_t next);

}  // namespace zephra
