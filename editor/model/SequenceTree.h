// The keypad editor's tree of entry sequences: the key presses of a panel's
// dial-up keypads merged into one tree under its root, each node holding what
// the press selects on the source keypad's side and on the destination
// keypad's side. The tree says which sequences a keypad stores, and in which
// order a subtree's nodes leave the database. Plain data, no windows.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zephra/zephra.h"

namespace zephra::editor {

inline constexpr int kSourceSide = 0;
inline constexpr int kDestSide = 1;
// The longest sequence the library keeps.
inline constexpr int kMaxPresses = DBS_MAX_PRESSES;

// Key names as sequences compare them: without trailing NULs and spaces;
// two blank names are never the same.
bool SameKeyName(std::u16string_view a, std::u16string_view b);

// What one keypad's press at a node selects.
struct TPressSide {
  int selection = -1;  // the source or destination association, -1 for none
  int salvo = -1;      // source side only: the salvo the press fires, -1 for none
  std::u16string displayName;  // the part-entry display name
  bool cleared = false;        // the user removed a selection or salvo: stored as none
  bool renamed = false;        // the user changed the display name
  bool Selects() const { return selection >= 0 || salvo >= 0; }
  // A press the keypad stores a sequence for.
  bool ToStore() const { return Selects() || cleared || renamed; }
};

class TSequenceNode {
 public:
  std::u16string keyName;
  int position = -1;  // the key button it came from, -1 when none has its name
  std::array<TPressSide, 2> sides;

  TSequenceNode* Parent() const { return parent_; }
  const std::vector<std::unique_ptr<TSequenceNode>>& Children() const { return children_; }
  bool IsRoot() const { return parent_ == nullptr; }
  // Presses from the root: 0 for the root itself.
  int Depth() const;
  bool IsSalvo() const { return sides[kSourceSide].salvo >= 0; }
  // The key names from the top-level node down to this one.
  std::vector<std::u16string> Path() const;

 private:
  friend class TSequenceTree;
  TSequenceNode* parent_ = nullptr;
  std::vector<std::unique_ptr<TSequenceNode>> children_;
};

// One press of a stored sequence.
struct TPress {
  std::u16string keyName;
  int selection = -1;
  int salvo = -1;
  std::u16string displayName;
  // An empty display name leaves the stored one; a cleared one is stored blank.
  bool blankName = false;
};

class TSequenceTree {
 public:
  TSequenceNode& Root() { return root_; }
  const TSequenceNode& Root() const { return root_; }
  void Clear() { root_.children_.clear(); }

  // The child of `parent` pressed with `name`, or null.
  static TSequenceNode* Find(TSequenceNode& parent, std::u16string_view name);
  // A new child of `parent`, among its siblings in name order (after those
  // of the same name), as the library orders them.
  TSequenceNode& Add(TSequenceNode& parent, std::u16string_view name, int position);
  // Takes one stored sequence of a keypad into the tree; `positionOf` finds
  // the key button of a name.
  void Merge(int side, const std::vector<TPress>& presses,
             const std::function<int(std::u16string_view)>& positionOf);

  // Every path from a top-level node to a node whose press on `side` is to be
  // stored, in the order of a walk through the tree.
  std::vector<std::vector<const TSequenceNode*>> PathsToStore(int side) const;
  static std::vector<TPress> PressesOf(const std::vector<const TSequenceNode*>& path, int side);
  // The nodes to delete, one leaf at a time, to remove `node` and all below
  // it: each node after its children, `node` last.
  static std::vector<TSequenceNode*> RemovalOrder(TSequenceNode& node);
  // Takes `node` (not the root) and its subtree out of the tree.
  void Remove(TSequenceNode& node);
  // After the presses were stored: what the user cleared or renamed is
  // stored for good.
  void ForgetCleared();

 private:
  TSequenceNode root_;
};

// A sequence record with strings of its own, room for every press.
class TSequenceRecord {
 public:
  TSequenceRecord();
  ~TSequenceRecord();
  TSequenceRecord(const TSequenceRecord&) = delete;
  TSequenceRecord& operator=(const TSequenceRecord&) = delete;

  TEntrySequenceRecord record{};
  // Fills the record with `presses`, every other selection none.
  void Set(std::uint16_t keypad, const std::vector<TPress>& presses);
  // The record's presses as the library filled them.
  std::vector<TPress> Presses() const;

 private:
  std::array<DbsString, 2 * kMaxPresses> strings_{};
};

}  // namespace zephra::editor
