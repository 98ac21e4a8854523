#include "model/SequenceTree.h"

#include <algorithm>
#include <new>

#include "model/NameText.h"

namespace zephra::editor {
namespace {

constexpr std::uint32_t kNameUnits = 16;  // a name field of the library

DbsString NameString(std::u16string_view text) {
  DbsString s = DbsStringAlloc(kNameUnits);
  if (!s) throw std::bad_alloc();
  std::fill_n(s, kNameUnits, u'\0');
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), kNameUnits), s);
  return s;
}

std::u16string TextOf(DbsString s) {
  return std::u16string(model::ShownName(std::u16string_view(s, DbsStringLength(s))));
}

void Walk(const TSequenceNode& node, std::vector<const TSequenceNode*>& path, int side,
          std::vector<std::vector<const TSequenceNode*>>& out) {
  for (const auto& child : node.Children()) {
    path.push_back(child.get());
    if (child->sides[static_cast<std::size_t>(side)].ToStore()) out.push_back(path);
    Walk(*child, path, side, out);
    path.pop_back();
  }
}

void PostOrder(TSequenceNode& node, std::vector<TSequenceNode*>& out) {
  for (const auto& child : node.Children()) PostOrder(*child, out);
  out.push_back(&node);
}

void ForgetBelow(TSequenceNode& node) {
  for (const auto& child : node.Children()) {
    for (TPressSide& s : child->sides) s.cleared = s.renamed = false;
    ForgetBelow(*child);
  }
}

}  // namespace

bool SameKeyName(std::u16string_view a, std::u16string_view b) {
  const std::u16string_view x = model::KeyName(a), y = model::KeyName(b);
  return !x.empty() && x == y;
}

int TSequenceNode::Depth() const {
  int depth = 0;
  for (const TSequenceNode* n = this; n->parent_; n = n->parent_) ++depth;
  return depth;
}

std::vector<std::u16string> TSequenceNode::Path() const {
  std::vector<std::u16string> names;
  for (const TSequenceNode* n = this; n->parent_; n = n->parent_) names.push_back(n->keyName);
  std::reverse(names.begin(), names.end());
  return names;
}

TSequenceNode* TSequenceTree::Find(TSequenceNode& parent, std::u16string_view name) {
  for (const auto& child : parent.children_) {
    if (SameKeyName(child->keyName, name)) return child.get();
  }
  return nullptr;
}

TSequenceNode& TSequenceTree::Add(TSequenceNode& parent, std::u16string_view name, int position) {
  auto node = std::make_unique<TSequenceNode>();
  node->keyName = std::u16string(model::KeyName(name));
  node->position = position;
  node->parent_ = &parent;
  auto& siblings = parent.children_;
  const auto at = std::upper_bound(siblings.begin(), siblings.end(), node->keyName,
                                   [](const std::u16string& n, const auto& s) { return n < s->keyName; });
  return **siblings.insert(at, std::move(node));
}

void TSequenceTree::Merge(int side, const std::vector<TPress>& presses,
                          const std::function<int(std::u16string_view)>& positionOf) {
  TSequenceNode* node = &root_;
  for (const TPress& press : presses) {
    if (model::KeyName(press.keyName).empty()) return;  // a press of no key: the rest cannot be placed
    TSequenceNode* child = Find(*node, press.keyName);
    if (!child) child = &Add(*node, press.keyName, positionOf ? positionOf(press.keyName) : -1);
    TPressSide& s = child->sides[static_cast<std::size_t>(side)];
    s.selection = press.selection;
    s.salvo = side == kSourceSide ? press.salvo : -1;
    s.displayName = std::u16string(model::KeyName(press.displayName));
    node = child;
  }
}

std::vector<std::vector<const TSequenceNode*>> TSequenceTree::PathsToStore(int side) const {
  std::vector<std::vector<const TSequenceNode*>> out;
  std::vector<const TSequenceNode*> path;
  Walk(root_, path, side, out);
  return out;
}

std::vector<TPress> TSequenceTree::PressesOf(const std::vector<const TSequenceNode*>& path, int side) {
  std::vector<TPress> presses;
  for (const TSequenceNode* n : path) {
    const TPressSide& s = n->sides[static_cast<std::size_t>(side)];
    presses.push_back({n->keyName, s.selection, side == kSourceSide ? s.salvo : -1, s.displayName,
                       s.renamed && s.displayName.empty()});
  }
  return presses;
}

std::vector<TSequenceNode*> TSequenceTree::RemovalOrder(TSequenceNode& node) {
  std::vector<TSequenceNode*> out;
  PostOrder(node, out);
  return out;
}

void TSequenceTree::Remove(TSequenceNode& node) {
  TSequenceNode* parent = node.parent_;
  if (!parent) return;
  auto& siblings = parent->children_;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == &node; }),
                 siblings.end());
}

void TSequenceTree::ForgetCleared() { ForgetBelow(root_); }

TSequenceRecord::TSequenceRecord() {
  for (DbsString& s : strings_) s = NameString({});
  for (std::size_t d = 0; d < kMaxPresses; ++d) {
    TKeyPressRecord& p = record.presses[d];
    p.keyName = strings_[2 * d];
    p.displayName = strings_[2 * d + 1];
    std::fill(std::begin(p.selection), std::end(p.selection), std::int16_t{-1});
    p.salvo = -1;
  }
}

TSequenceRecord::~TSequenceRecord() {
  for (DbsString s : strings_) DbsStringFree(s);
}

void TSequenceRecord::Set(std::uint16_t keypad, const std::vector<TPress>& presses) {
  record.keypad = keypad;
  record.count = static_cast<std::uint16_t>(std::min<std::size_t>(presses.size(), kMaxPresses));
  record.salvoFlags = 0;
  for (std::size_t d = 0; d < record.count; ++d) {
    const TPress& press = presses[d];
    TKeyPressRecord& p = record.presses[d];
    DbsStringFree(strings_[2 * d]);
    DbsStringFree(strings_[2 * d + 1]);
    strings_[2 * d] = NameString(press.keyName);
    // An empty display name is passed empty, which leaves the stored one; a
    // name the user cleared is passed as a full field of NULs, stored blank.
    strings_[2 * d + 1] = press.displayName.empty() && !press.blankName ? DbsStringAlloc(0) : NameString(press.displayName);
    p.keyName = strings_[2 * d];
    p.displayName = strings_[2 * d + 1];
    std::fill(std::begin(p.selection), std::end(p.selection), std::int16_t{-1});
    p.selection[0] = static_cast<std::int16_t>(press.selection);
    p.salvo = static_cast<std::int16_t>(press.salvo);
    if (press.salvo >= 0) record.salvoFlags = 1;  // the salvo flag of the last press that fires one
  }
}

std::vector<TPress> TSequenceRecord::Presses() const {
  std::vector<TPress> out;
  for (std::size_t d = 0; d < record.count && d < kMaxPresses; ++d) {
    const TKeyPressRecord& p = record.presses[d];
    out.push_back({TextOf(p.keyName), p.selection[0], p.salvo, TextOf(p.displayName), false});
  }
  return out;
}

}  // namespace zephra::editor
