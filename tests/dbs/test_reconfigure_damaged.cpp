// Reconfiguring files that are full, empty or damaged in ways only a file
// from elsewhere can be: every tree, free list and chain of the new file is
// sound. Each case is one the fuzzing of database files found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_fixture.h"
#include "dbs/checker.h"
#include "dbs/entry.h"
#include "dbs/records/keypad_tree.h"
#include "dbs/records/salvos.h"
#include "sequence_fixture.h"

namespace zephra {
namespace {

using test::Sequence;
using test::Str;

struct DamagedReconfigureTest : test::DbTest {
  std::string target = dir.File("new.ZP3");

  // Reconfigures into the same dimensions; the new file's structures are
  // sound.
  void ReconfigureSame() {
    test::CallConfig call(TheSlot().db->config);
    ASSERT_EQ(dbs_ReconfigureFile(Str(target), &call.record, 0, &h), DBS_OK);
    const DatabaseSlot& db = *TheSlot().db;
    for (const auto& p : CheckStructures(db.config, db.layout, {db.image, db.layout.fileSize})) ADD_FAILURE() << p;
  }
  SequenceTail Tail(std::uint16_t k) {
    Db db(h, TheSlot());
    return db.Read<SequenceTail>(TheSlot().db->layout.keypadTailPos[k]);
  }
  std::int16_t SalvoFreeHead() {
    Db db(h, TheSlot());
    return db.Read<std::int16_t>(TheSlot().db->layout.salvoFreePos);
  }
};

TEST_F(DamagedReconfigureTest, ATreeThatTakesEveryNodeLeavesNoneFree) {
  for (std::uint16_t j = 0; j < 64; ++j) {
    const std::u16string name = u"K" + std::u16string(1, static_cast<char16_t>(u'0' + j / 10)) +
                                std::u16string(1, static_cast<char16_t>(u'0' + j % 10));
    test::NameKey(h, 0, j, name);
    Sequence s(0, {name}, static_cast<std::int16_t>(j));
    ASSERT_EQ(dbs_SetEntrySequence(0, &s.record, h), DBS_OK);
  }
  ASSERT_EQ(Tail(0).freeHead, -1);
  ReconfigureSame();
  EXPECT_EQ(Tail(0).freeHead, -1);
  EXPECT_EQ(Tail(0).root, 0);
}

TEST_F(DamagedReconfigureTest, NoSalvoCrosspointsLeaveNoFreeHead) {
  ConfigImage c = test::EditorDefaultV3();
  c.salvoXPCount = 0;
  Remake(c);
  ReconfigureSame();
  EXPECT_EQ(SalvoFreeHead(), -1);
}

TEST_F(DamagedReconfigureTest, ANodeBelongsToTheKeypadItIsIn) {
  test::NameKey(h, 2, 0, u"A");
  Sequence a(2, {u"A"}, 4);
  ASSERT_EQ(dbs_SetEntrySequence(2, &a.record, h), DBS_OK);
  {
    // Keypad 2's only node says it is keypad 7's.
    Db db(h, TheSlot());
    KeypadTree tree(db, 2);
    SequenceNode node = tree.Node(tree.Tail().root);
    node.keypad = 7;
    ASSERT_EQ(tree.WriteNode(node), DBS_OK);
  }
  ReconfigureSame();
}

TEST_F(DamagedReconfigureTest, TheWalkClimbsTheWayItWentDownNotAlongDamagedParentLinks) {
  for (std::uint16_t j = 0; j < 3; ++j) test::NameKey(h, 0, j, std::u16string(1, u"ABC"[j]));
  Sequence ab(0, {u"A", u"B"}, 1), c(0, {u"C"}, 2);
  ASSERT_EQ(dbs_SetEntrySequence(0, &ab.record, h), DBS_OK);
  ASSERT_EQ(dbs_SetEntrySequence(0, &c.record, h), DBS_OK);
  {
    // B, below A, names C as its parent.
    Db db(h, TheSlot());
    KeypadTree tree(db, 0);
    const std::int16_t a = tree.Tail().root, cNode = tree.Node(a).next;
    SequenceNode b = tree.Node(tree.Node(a).firstChild);
    b.parent = cNode;
    ASSERT_EQ(tree.WriteNode(b), DBS_OK);
  }
  ReconfigureSame();
  EXPECT_EQ(test::SequencePaths(h, 0), (std::vector<std::u16string>{u"A-B", u"C"}));
}

TEST_F(DamagedReconfigureTest, ACrosspointBelongsToTheSalvoWhoseChainItIsOn) {
  const TMacroXPRecord xp{0, 0, 1, 2};
  ASSERT_EQ(dbs_SetMacroXP(3, &xp, h), DBS_OK);
  {
    // The record on salvo 3's chain names salvo 5.
    Db db(h, TheSlot());
    const std::uint32_t first = TheSlot().db->layout.salvoPos + 3 * std::uint32_t{sizeof(SalvoEntry)};
    const std::uint32_t pos = TheSlot().db->layout.salvoXPPos +
                              static_cast<std::uint32_t>(db.Read<SalvoEntry>(first).firstXP) * std::uint32_t{sizeof(SalvoXPEntry)};
    auto record = db.Read<SalvoXPEntry>(pos);
    record.salvo = 5;
    ASSERT_EQ(db.Write(pos, record), DBS_OK);
  }
  ReconfigureSame();
  TMacroXPRecord back{};
  ASSERT_EQ(dbs_GetMacroXP(3, 0, &back, h), DBS_OK);
  EXPECT_EQ(back.source, 2);
}

}  // namespace
}  // namespace zephra
