// The keypad layouts of every panel type, the key function rules and the
// sequence tree, without windows.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "model/KeyFunctions.h"
#include "model/KeypadLayout.h"
#include "model/PanelTypes.h"
#include "model/SequenceTree.h"

namespace {

using namespace zephra::editor;
using namespace std::string_literals;

// A layout's keys of one keypad, placed relative to the keypad's top left
// button: (row, column, key).
using Arrangement = std::set<std::tuple<int, int, int>>;

Arrangement KeysOf(int type, bool dest) {
  const TKeypadLayout& layout = KeypadLayout(type);
  const bool shared = layout.info[kInfoKeypads] == 2;
  std::vector<std::tuple<int, int, int>> keys;
  for (int r = 0; r < kLayoutRows; ++r) {
    for (int c = 0; c < kLayoutColumns; ++c) {
      const int32_t code = layout.Code(r, c);
      if (code != kNoButton && (shared || IsDestCode(code) == dest)) keys.emplace_back(r, c, KeyNumberOf(code));
    }
  }
  int top = kLayoutRows, left = kLayoutColumns;
  for (auto [r, c, k] : keys) top = std::min(top, r), left = std::min(left, c);
  Arrangement out;
  for (auto [r, c, k] : keys) out.emplace(r - top, c - left, k);
  return out;
}

bool HasSourceChoice(int type) { return HasSourceKeypadChoice(type); }

TEST(KeypadLayouts, TheTypesTheLayoutsBeginWithAreAsGiven) {
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 16; ++c) {
      const int32_t one = c >= 4 && c <= 11 ? 8 * r + c - 4 : c == 13 ? 1000 + r : kNoButton;
      EXPECT_EQ(KeypadLayout(1).Code(r, c), one) << r << "," << c;
      const int32_t two = c <= 7 ? 8 * r + c : c >= 10 && c <= 13 ? 1000 + 4 * r + c - 10 : kNoButton;
      EXPECT_EQ(KeypadLayout(2).Code(r, c), two) << r << "," << c;
      const int32_t three = r >= 1 && r <= 4 && c == 3                ? 9 * (r - 1)
                            : r >= 1 && r <= 4 && c >= 5 && c <= 12 ? 9 * (r - 1) + c - 4
                                                                    : kNoButton;
      EXPECT_EQ(KeypadLayout(3).Code(r, c), three) << r << "," << c;
      const int32_t bus = r >= 2 && r <= 5 && c == 4                ? 9 * (r - 2)
                          : r >= 2 && r <= 5 && c >= 6 && c <= 13 ? 9 * (r - 2) + c - 5
                          : (r == 2 || r == 3) && c == 1          ? 1000 + 8 * (r - 2)
                                                                  : kNoButton;
      EXPECT_EQ(KeypadLayout(24).Code(r, c), bus) << r << "," << c;
    }
  }
  for (int type : {0, 5, 6, 8, 9, 10, 29, 30, 47, -1}) {
    for (int32_t code : KeypadLayout(type).codes) EXPECT_EQ(code, kNoButton) << type;
  }
}

TEST(KeypadLayouts, EveryTypesKeysFitItsKeypadsAndNoKeyIsThereTwice) {
  for (int type = 0; type < kPanelTypes; ++type) {
    SCOPED_TRACE(type);
    const TKeypadLayout& layout = KeypadLayout(type);
    // A source keypad holds 64 keys, a dial-up one (which these types may
    // choose) and a destination keypad 36.
    const int sourceKeys = HasSourceChoice(type) ? 36 : 64;
    std::set<int32_t> seen;
    int highestSource = -1, highestDest = -1;
    for (int32_t code : layout.codes) {
      if (code == kNoButton) continue;
      EXPECT_TRUE(seen.insert(NormalisedKeyCode(code)).second) << code;
      EXPECT_TRUE(code < 1000 + 36 || (code > 11000 && code < 11036) || (code > 21000 && code < 21036)) << code;
      (IsDestCode(code) ? highestDest : highestSource) = std::max(IsDestCode(code) ? highestDest : highestSource,
                                                                  KeyNumberOf(code));
    }
    EXPECT_LT(highestSource, sourceKeys);
    EXPECT_LT(highestDest, 36);
    EXPECT_EQ(layout.info[kInfoSourceKeys], highestSource + 1);
    EXPECT_EQ(layout.info[kInfoDestKeys], layout.info[kInfoKeypads] == 2 ? highestSource + 1 : highestDest + 1);
    const bool normal = type == 3 || type == 4 || type == 7 || (type >= 24 && type <= 28);
    EXPECT_EQ(layout.info[kInfoFunction], normal ? 0 : 1);
    EXPECT_EQ(layout.info[kInfoKeypads], type == 3 || type == 7 ? 2 : 1);
    // Every type the editor knows has keys; a "?" follows a destination key
    // of its row, and marked keys belong to panels with "Alt. Dest.".
    if (IsRecognisedPanelType(type)) {
      EXPECT_GT(highestSource, 0);
    }
    bool altDest = false;
    for (const TKeyFunction& f : KeyFunctionMenu(type)) altDest = altDest || f.code == kFnAltDest;
    for (int p = 0; p < kLayoutPositions; ++p) {
      const int32_t code = layout.codes[static_cast<size_t>(p)];
      if (IsMarkedCode(code)) {
        EXPECT_TRUE(altDest) << code;
      }
      if (IsExtensionCode(code)) {
        ASSERT_GT(p % kLayoutColumns, 0);
        EXPECT_TRUE(IsDestCode(layout.codes[static_cast<size_t>(p - 1)])) << code;
      }
    }
  }
}

TEST(KeypadLayouts, PanelsOfOneLayoutClassShareTheirKeysAndOtherClassesDiffer) {
  for (bool dest : {false, true}) {
    std::map<int, Arrangement> byClass;
    std::map<Arrangement, int> classOf;
    for (int type = 0; type < kPanelTypes; ++type) {
      for (bool dialUp : {false, true}) {
        const int c = dest ? DestLayoutClass(type, dialUp) : SourceLayoutClass(type, dialUp);
        if (c == 0 || c == 99) continue;  // no layout, or any
        // A dial-up class is its keypads' class: the layout is the same.
        const int layoutClass = dialUp ? (dest ? DestLayoutClass(type, false) : SourceLayoutClass(type, false)) : c;
        const Arrangement keys = KeysOf(type, dest);
        ASSERT_FALSE(keys.empty()) << type;
        const auto [at, added] = byClass.emplace(layoutClass, keys);
        EXPECT_TRUE(at->second == keys) << "type " << type << " differs from its class " << layoutClass;
        const auto [other, fresh] = classOf.emplace(keys, layoutClass);
        EXPECT_EQ(other->second, layoutClass) << "type " << type << " lays out its keys as class " << other->second;
      }
    }
    EXPECT_EQ(byClass.size(), dest ? 9u : 22u);
  }
}

TEST(KeypadLayouts, CodesNormaliseToTheirKeys) {
  EXPECT_EQ(NormalisedKeyCode(21005), 1005);
  EXPECT_EQ(NormalisedKeyCode(11005), 1005);
  EXPECT_EQ(NormalisedKeyCode(7), 7);
  EXPECT_EQ(KeyNumberOf(21005), 5);
  EXPECT_EQ(KeyNumberOf(11030), 30);
  EXPECT_EQ(KeyNumberOf(1000), 0);
  EXPECT_EQ(KeyNumberOf(kNoButton), -1);
  EXPECT_TRUE(IsMarkedCode(21005) && IsMarkedCode(11005) && !IsMarkedCode(1005));
  EXPECT_TRUE(IsExtensionCode(21005) && !IsExtensionCode(11005));
}

TEST(KeyFunctionRules, TheMenuOffersWhatTheKeyAndPageAllow) {
  const auto on = [](int type, TKeypadPage page, int key, int function, bool destOnly = false, bool taken = false) {
    return MenuEntryEnabled({type, page, key, destOnly, false, taken}, function);
  };
  using P = TKeypadPage;
  for (int f : {kFnRemove, kFnBlank, kFnNormal, kFnClear}) EXPECT_FALSE(on(3, P::Sequences, 0, f));
  EXPECT_TRUE(on(3, P::KeyNames, 5, kFnClear));
  EXPECT_FALSE(on(3, P::KeyNames, 5, kFnClear, false, true));  // another key has it
  EXPECT_TRUE(on(3, P::KeyNames, 5, kFnNormal, false, true));   // not unique
  // The audio functions and Line-Up on the first key of a row of nine.
  for (int key : {0, 9, 18, 27}) EXPECT_TRUE(on(24, P::KeyNames, key, kFnLineUp));
  EXPECT_FALSE(on(3, P::KeyNames, 1, kFnLineUp));
  EXPECT_FALSE(on(7, P::KeyNames, 10, kFnDisplayAudio));
  for (int key : {3, 12, 21, 30}) EXPECT_TRUE(on(26, P::ButtonPer, key, kFnConfigAudio));
  EXPECT_FALSE(on(26, P::ButtonPer, 0, kFnConfigAudio));
  EXPECT_TRUE(on(26, P::ButtonPer, 0, kFnLineUp));
  // Next and Previous on button-per pages only where the panel pages.
  EXPECT_FALSE(on(1, P::ButtonPer, 2, kFnNext));
  EXPECT_TRUE(on(1, P::KeyNames, 2, kFnNext));
  EXPECT_TRUE(on(25, P::ButtonPer, 2, kFnPrevious));
  // A destination key is a destination key.
  EXPECT_TRUE(on(1, P::ButtonPer, 0, kFnNormal, true));
  EXPECT_FALSE(on(1, P::ButtonPer, 0, kFnProtect, true));
  EXPECT_FALSE(MenuEntryEnabled({25, P::ButtonPer, 4, true, true, false}, kFnNormal));  // a "?" position
}

TEST(KeyFunctionRules, UniqueFunctionsSequencesAndLimits) {
  for (int f = 0; f < 20; ++f) {
    const bool unique = f == 2 || f == 3 || f == 4 || f == 5 || f == 6 || f == 7 || f == 9 || f == 10 || f == 13 || f == 14;
    EXPECT_EQ(IsUniqueFunction(f), unique) << f;
    const TSequenceUse use = f <= 1 ? TSequenceUse::Press : unique ? TSequenceUse::Refused : TSequenceUse::Ignored;
    EXPECT_EQ(SequenceUse(f), use) << f;
  }
  EXPECT_EQ(SequenceUse(99), TSequenceUse::Ignored);
  EXPECT_EQ(PressLimit(kFnNormal, false, false), 4);
  EXPECT_EQ(PressLimit(kFnNormal, true, false), 4);
  EXPECT_EQ(PressLimit(kFnSource, false, false), 1);
  EXPECT_EQ(PressLimit(kFnNormal, false, true), 1);
  EXPECT_STREQ(FunctionCaption(kFnAltDest).line2, "Dest.");
  EXPECT_STREQ(FunctionCaption(kFnNormal).line1, "");
}

TEST(SequenceTreeModel, SequencesMergeIntoOneTreeInNameOrder) {
  TSequenceTree tree;
  const auto none = std::function<int(std::u16string_view)>{};
  // A walk yields the data node A first, then A-B, then C.
  tree.Merge(kSourceSide, {{u"A", 3, -1, u"CAM"}}, none);
  tree.Merge(kSourceSide, {{u"A", 3, -1, u"CAM"}, {u"B", 4, -1, u""}}, none);
  tree.Merge(kSourceSide, {{u"C", -1, 2, u""}}, none);
  tree.Merge(kDestSide, {{u"A   ", 7, -1, u""}, {u"D", 8, -1, u""}}, [](std::u16string_view) { return 9; });
  const auto& top = tree.Root().Children();
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0]->keyName, u"A");
  EXPECT_EQ(top[0]->sides[kSourceSide].selection, 3);
  EXPECT_EQ(top[0]->sides[kDestSide].selection, 7);
  EXPECT_EQ(top[0]->sides[kSourceSide].displayName, u"CAM");
  ASSERT_EQ(top[0]->Children().size(), 2u);  // B and D, in order
  EXPECT_EQ(top[0]->Children()[1]->keyName, u"D");
  EXPECT_EQ(top[0]->Children()[1]->position, 9);
  EXPECT_TRUE(top[1]->IsSalvo());
  EXPECT_EQ(top[0]->Children()[0]->Depth(), 2);
  EXPECT_EQ(top[0]->Children()[0]->Path(), (std::vector<std::u16string>{u"A", u"B"}));

  TSequenceNode* salvo = top[1].get();
  tree.Add(tree.Root(), u"AA", -1);
  EXPECT_EQ(tree.Root().Children()[1]->keyName, u"AA");  // A < AA < C

  // The source keypad stores A, A-B and C; the destination keypad A and A-D.
  const auto sourcePaths = tree.PathsToStore(kSourceSide);
  ASSERT_EQ(sourcePaths.size(), 3u);
  EXPECT_EQ(sourcePaths[1].size(), 2u);
  const auto presses = TSequenceTree::PressesOf(sourcePaths[1], kSourceSide);
  EXPECT_EQ(presses[0].selection, 3);
  EXPECT_EQ(presses[1].keyName, u"B");
  EXPECT_EQ(tree.PathsToStore(kDestSide).size(), 2u);
  // A cleared selection is stored (as none) until it has been.
  salvo->sides[kSourceSide].salvo = -1;
  salvo->sides[kSourceSide].cleared = true;
  EXPECT_EQ(tree.PathsToStore(kSourceSide).size(), 3u);
  tree.ForgetCleared();
  EXPECT_EQ(tree.PathsToStore(kSourceSide).size(), 2u);
  // So is a press whose display name the user changed, a cleared one blank.
  salvo->sides[kSourceSide].renamed = true;
  const auto renamed = tree.PathsToStore(kSourceSide);
  ASSERT_EQ(renamed.size(), 3u);
  EXPECT_TRUE(TSequenceTree::PressesOf(renamed[2], kSourceSide)[0].blankName);
  EXPECT_FALSE(TSequenceTree::PressesOf(renamed[0], kSourceSide)[0].blankName);
  tree.ForgetCleared();
  EXPECT_EQ(tree.PathsToStore(kSourceSide).size(), 2u);

  // Removal: the leaves first, the node last.
  const auto order = TSequenceTree::RemovalOrder(*top[0]);
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0]->keyName, u"B");
  EXPECT_EQ(order[2], top[0].get());
  tree.Remove(*top[0]);
  EXPECT_EQ(tree.Root().Children().size(), 2u);
  EXPECT_FALSE(SameKeyName(u"  ", u""));
  EXPECT_TRUE(SameKeyName(u"Key 1\0\0"s, u"Key 1   "));
}

TEST(SequenceTreeModel, ARecordCarriesThePressesWithNoneElsewhere) {
  TSequenceRecord r;
  r.Set(64, {{u"A", 2, -1, u""}, {u"B", -1, 5, u"PART"}});
  EXPECT_EQ(r.record.keypad, 64);
  EXPECT_EQ(r.record.count, 2);
  EXPECT_EQ(r.record.salvoFlags, 1);
  EXPECT_EQ(r.record.presses[0].selection[0], 2);
  EXPECT_EQ(r.record.presses[0].selection[1], -1);
  EXPECT_EQ(DbsStringLength(r.record.presses[0].displayName), 0u);  // an empty one leaves the stored name
  TSequenceRecord cleared;
  cleared.Set(64, {{u"A", -1, -1, u"", true}});
  ASSERT_EQ(DbsStringLength(cleared.record.presses[0].displayName), 16u);  // a cleared one is stored blank
  EXPECT_EQ(cleared.record.presses[0].displayName[0], u'\0');
  const auto back = r.Presses();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].displayName, u"PART");
  EXPECT_EQ(back[1].salvo, 5);
}

}  // namespace
