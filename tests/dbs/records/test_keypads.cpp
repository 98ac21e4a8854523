#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "../sequence_fixture.h"
#include "dbs/checker.h"
#include "dbs/records/keypad_tree.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

using test::Sequence;

struct KeypadTest : test::DbTest {
  // The structures stay sound after every step.
  void Check() {
    const auto problems = CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                                          {TheSlot().db->image, TheSlot().db->layout.fileSize});
    for (const auto& p : problems) ADD_FAILURE() << p;
  }
  void NameKey(std::uint16_t keypad, std::uint16_t key, std::u16string_view name, std::uint8_t type = 1) {
    test::NameKey(h, keypad, key, name, type);
  }
  std::vector<std::u16string> Enumerate(std::uint16_t keypad, bool sound = true) {
    std::vector<std::u16string> paths;
    Sequence s = Sequence::Empty(keypad);
    Status st = dbs_GetFirstSequence(keypad, &s.record, h);
    for (int guard = 0; st == DBS_OK && guard < 100; ++guard) {
      paths.push_back(s.Path());
      st = dbs_GetNextSequence(keypad, &s.record, h);
    }
    if (sound) {
      EXPECT_TRUE(st == DBS_ERR_NO_MORE_SEQUENCES || st == DBS_ERR_SEQUENCE_UNDEFINED) << st;
    }
    return paths;
  }
  SequenceTail Tail(std::uint16_t keypad) {
    Db db(h, TheSlot());
    return KeypadTree(db, keypad).Tail();
  }
};

TEST_F(KeypadTest, ADatabaseOpenedReadOnlyTakesNoSequence) {
  NameKey(0, 0, u"A");
  Sequence a(0, {u"A"}, 5);
  ASSERT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_OK);
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK);
  const SequenceTail before = Tail(0);
  Sequence changed(0, {u"A"}, 9);
  EXPECT_EQ(dbs_SetEntrySequence(0, &changed.record, h), DBS_SYS_ACCESS_DENIED);
  Sequence longer(0, {u"A", u"A"}, 9);
  EXPECT_EQ(dbs_SetEntrySequence(0, &longer.record, h), DBS_SYS_ACCESS_DENIED);
  EXPECT_EQ(Tail(0).freeHead, before.freeHead);
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"A"}));
}

TEST_F(KeypadTest, BuildEnumerateRenameAndRemoveSequences) {
  Sequence none = Sequence::Empty(0);
  EXPECT_EQ(dbs_GetFirstSequence(0, &none.record, h), DBS_ERR_SEQUENCE_UNDEFINED);
  NameKey(0, 0, u"A");
  NameKey(0, 1, u"B");
  NameKey(0, 2, u"C");

  Sequence a(0, {u"A"}, 5);
  ASSERT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_OK);
  EXPECT_EQ(Tail(0).root, 0);
  EXPECT_EQ(Tail(0).freeHead, 1);
  Sequence ab(0, {u"A", u"B"}, 6);
  ASSERT_EQ(dbs_SetEntrySequence(0, &ab.record, h), DBS_OK);
  EXPECT_EQ(ab.record.count, 1);  // the part that existed already
  Sequence c(0, {u"C"}, 7);
  ASSERT_EQ(dbs_SetEntrySequence(0, &c.record, h), DBS_OK);
  Check();
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"A", u"A-B", u"C"}));

  Sequence justA(0, {u"A"});
  EXPECT_EQ(dbs_DeleteLastNode(0, &justA.record, h), DBS_ERR_NOT_LEAF);
  Sequence missing(0, {u"C", u"A"});
  EXPECT_EQ(dbs_DeleteLastNode(0, &missing.record, h), DBS_ERR_SEQUENCE_NOT_FOUND);

  NameKey(0, 1, u"Bee");  // renames the node of B
  Check();
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"A", u"A-Bee", u"C"}));
  // A name past its sibling's keeps its node's place: the tree stays sound.
  NameKey(0, 0, u"D");
  Check();
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"D", u"D-Bee", u"C"}));
  NameKey(0, 0, u"A");

  NameKey(0, 0, u"A", 5);  // no longer a name key: A and all below it go
  Check();
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"C"}));
  EXPECT_EQ(Tail(0).root, 2);

  // Fill the keypad's 64 nodes with one-key sequences until none is left.
  Status st = DBS_OK;
  int made = 0;
  for (std::uint16_t key = 3; key < 64 && st == DBS_OK; ++key) {
    Str name(u"Key " + std::u16string(1, u'0' + key / 10) + std::u16string(1, u'0' + key % 10));
    NameKey(0, key, std::u16string(name.Text()));
    st = dbs_SetKeyAssignment(0, name, 0, key, 0, h);
    made += st == DBS_OK;
  }
  EXPECT_EQ(made, 61);  // 64 nodes, C among them, two freed nodes reused
  Sequence deep(0, {u"C", u"Key 03", u"Key 04", u"Key 05"});
  EXPECT_EQ(dbs_SetEntrySequence(0, &deep.record, h), DBS_ERR_LIMIT_REACHED);
  Check();
}

TEST_F(KeypadTest, SiblingsStayInNameOrder) {
  NameKey(0, 0, u"B");
  NameKey(0, 1, u"C");
  Sequence c(0, {u"C"}, 1), b(0, {u"B"}, 2);
  ASSERT_EQ(dbs_SetEntrySequence(0, &c.record, h), DBS_OK);
  ASSERT_EQ(dbs_SetEntrySequence(0, &b.record, h), DBS_OK);
  EXPECT_EQ(Tail(0).root, 1);  // B's node leads
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"B", u"C"}));
  Check();
  Sequence bDel(0, {u"B"});
  ASSERT_EQ(dbs_DeleteLastNode(0, &bDel.record, h), DBS_OK);
  EXPECT_EQ(Tail(0).root, 0);
  EXPECT_EQ(Tail(0).freeHead, 1);
  Check();
}

TEST_F(KeypadTest, SequencesMustUseTheKeypadsNameKeys) {
  NameKey(0, 0, u"A");
  NameKey(0, 1, u"F", 2);  // a function key
  Sequence f(0, {u"A", u"F"});
  EXPECT_EQ(dbs_SetEntrySequence(0, &f.record, h), DBS_ERR_INVALID_ARGUMENT);
  Sequence other(1, {u"A"});
  EXPECT_EQ(dbs_SetEntrySequence(0, &other.record, h), DBS_ERR_INVALID_ARGUMENT);  // the record names keypad 1
  Sequence nine(0, {u"A"});
  nine.record.count = 9;
  EXPECT_EQ(dbs_SetEntrySequence(0, &nine.record, h), DBS_ERR_INVALID_ARGUMENT);
  Sequence blank(0, {u"   "});
  EXPECT_EQ(dbs_SetEntrySequence(0, &blank.record, h), DBS_ERR_INVALID_ARGUMENT);  // a blank name is no key
  EXPECT_EQ(Tail(0).root, -1);
}

TEST_F(KeypadTest, UpdatingAnExistingSequenceChangesOnlyItsData) {
  NameKey(0, 0, u"A");
  Sequence a(0, {u"A"}, 5);
  ASSERT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_OK);
  a.record.presses[0].selection[0] = 9;
  a.record.presses[0].salvo = 3;
  a.record.salvoFlags = 1;
  LiveRecorder live(TheSlot(), {{"LiveSequences", sizeof(SequenceNode)}});
  ASSERT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_OK);
  EXPECT_EQ(a.record.count, 1);
  ASSERT_EQ(LiveRecorder::Names(), (std::vector<std::string>{"LiveSequences", "LiveKeypadArea"}));
  const auto node = LiveRecorder::Calls()[0].As<SequenceNode>();
  EXPECT_EQ(node.selection[0], 9);
  EXPECT_EQ(node.salvo, 3);
  EXPECT_EQ(node.salvoFlags, 1);
  EXPECT_EQ(Tail(0).freeHead, 1);  // no node taken
}

// On-line: what the controller is sent for sequence changes, and which
// status answers for them.
TEST_F(KeypadTest, OnLineSequenceChangesAreSentOnceAndAnsweredByTheKeypadArea) {
  NameKey(0, 0, u"A");
  NameKey(0, 1, u"B");
  NameKey(0, 2, u"C");
  Sequence a(0, {u"A"}, 5), b(0, {u"B"}, 6), ba(0, {u"B", u"A"}, 7);
  for (Sequence* s : {&a, &b, &ba}) ASSERT_EQ(dbs_SetEntrySequence(0, &s->record, h), DBS_OK);
  using Words = std::array<std::int16_t, 4>;
  LiveRecorder live(TheSlot(), {{"LiveSequences", sizeof(SequenceNode)}});

  // A node the controller refuses does not decide the answer; the keypad area does.
  LiveRecorder::Answers()["LiveSequences"] = DBS_ERR_TIMEOUT;
  a.record.presses[0].selection[0] = 9;
  EXPECT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_OK);
  LiveRecorder::Answers()["LiveKeypadArea"] = DBS_ERR_COMMS;
  a.record.presses[0].selection[0] = 10;
  EXPECT_EQ(dbs_SetEntrySequence(0, &a.record, h), DBS_ERR_COMMS);
  LiveRecorder::Answers().clear();

  // A new key name: its new node is sent once, filled, then its neighbour.
  LiveRecorder::Calls().clear();
  ASSERT_EQ(dbs_SetKeyAssignment(0, Str(u"C"), 0, 12, 0, h), DBS_OK);
  ASSERT_EQ(LiveRecorder::Names(), (std::vector<std::string>{"LiveSequences", "LiveSequences"}));
  const auto made = LiveRecorder::Calls()[0].As<SequenceNode>();
  EXPECT_EQ(made.index, 3);
  EXPECT_EQ(made.selection[0], 12);
  EXPECT_EQ(made.prev, 1);
  EXPECT_EQ(LiveRecorder::Calls()[1].As<SequenceNode>().index, 1);  // B, now followed by C

  // Key A stops naming: two removals (A, then B-A), each told with the tail it started from.
  LiveRecorder::Calls().clear();
  NameKey(0, 0, u"A", 5);
  std::vector<Words> areas;
  for (const auto& call : LiveRecorder::Calls()) {
    if (call.name == "LiveKeypadArea") areas.push_back(call.As<Words>());
  }
  EXPECT_EQ(areas, (std::vector<Words>{{0, 0, 0, 4}, {0, 2, 1, 0}}));
  EXPECT_EQ(Enumerate(0), (std::vector<std::u16string>{u"B", u"C"}));
  Check();
}

TEST_F(KeypadTest, KeyAssignments) {
  NameKey(0, 0, u"CAM1");
  Str cam(u"CAM1"), prefix(u"CA"), other(u"VTR");
  ASSERT_EQ(dbs_SetKeyAssignment(0, cam, 0, 4, 1, h), DBS_OK);  // salvo 4
  std::uint16_t value = 0;
  std::uint32_t flag = 0;
  ASSERT_EQ(dbs_GetKeyAssignment(0, prefix, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 4);
  EXPECT_EQ(flag, 1u);
  ASSERT_EQ(dbs_SetKeyAssignment(0, cam, 0, 40, 1, h), DBS_OK);  // no such salvo: the selection answers
  ASSERT_EQ(dbs_GetKeyAssignment(0, cam, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 0xFFFF);
  EXPECT_EQ(flag, 0u);
  ASSERT_EQ(dbs_GetKeyAssignment(0, other, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 0xFFFF);
  EXPECT_EQ(dbs_GetKeyAssignment(0, cam, 1, &value, &flag, h), DBS_ERR_INVALID_ARGUMENT);  // one matrix

  // A name in a field of eight, as the editor passes it, is the whole name:
  // "Key 2" neither reads nor changes the assignment of "Key 21".
  NameKey(0, 1, u"Key 21");
  NameKey(0, 2, u"Key 2");
  Str key21(u"Key 21  "), key2(u"Key 2   ");
  ASSERT_EQ(dbs_SetKeyAssignment(0, key21, 0, 7, 0, h), DBS_OK);
  ASSERT_EQ(dbs_GetKeyAssignment(0, key2, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 0xFFFF);
  ASSERT_EQ(dbs_SetKeyAssignment(0, key2, 0, 9, 0, h), DBS_OK);
  ASSERT_EQ(dbs_GetKeyAssignment(0, key21, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 7);
  ASSERT_EQ(dbs_GetKeyAssignment(0, key2, 0, &value, &flag, h), DBS_OK);
  EXPECT_EQ(value, 9);
  Check();
}

TEST_F(KeypadTest, KeypadsAndFreeKeypads) {
  TKeypadRecord r{};
  Str name(u"........");
  r.name = name;
  ASSERT_EQ(dbs_GetNextFreeSourceDialUpKeypad(&r, h), DBS_OK);
  EXPECT_EQ(r.keypad, 64);
  r.keypadFlags |= 1;
  ASSERT_EQ(dbs_SetKeypad(64, &r, h), DBS_OK);
  ASSERT_EQ(dbs_GetNextFreeSourceDialUpKeypad(&r, h), DBS_OK);
  EXPECT_EQ(r.keypad, 65);
  EXPECT_EQ(dbs_GetNextFreeSourceKeypad(&r, h), DBS_ERR_LIMIT_REACHED);  // all 32 in use
  ASSERT_EQ(dbs_GetKeypad(33, &r, h), DBS_OK);
  EXPECT_EQ(name.Text(), std::u16string(u"Kpd 34") + std::u16string(2, u'\0'));
  EXPECT_EQ(r.columns, 9);
  EXPECT_EQ(dbs_GetKeypad(80, &r, h), DBS_ERR_INVALID_ARGUMENT);
  TKeyRecord key{};
  key.name = name;
  EXPECT_EQ(dbs_GetKey(32, 36, &key, h), DBS_ERR_INVALID_ARGUMENT);  // 36 keys: 0-35
}

// Damaged links: random values written over a small tree's links and its
// tail. Every operation answers; nothing hangs, nothing is written outside.
TEST_F(KeypadTest, DamagedTreesGiveStatusesNotHangs) {
  NameKey(0, 0, u"A");
  NameKey(0, 1, u"B");
  NameKey(0, 2, u"C");
  std::uint32_t seed = 99;
  const auto next = [&](std::uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
  const std::int16_t picks[] = {-1, 0, 1, 2, 3, 63, 64, 670, -5, 32767};
  for (int round = 0; round < 200; ++round) {
    Sequence ab(0, {u"A", u"B"}, 1), c(0, {u"C"}, 2), ac(0, {u"A", u"C"}, 3);
    dbs_SetEntrySequence(0, &ab.record, h);
    dbs_SetEntrySequence(0, &c.record, h);
    dbs_SetEntrySequence(0, &ac.record, h);
    {
      Db db(h, TheSlot());
      KeypadTree tree(db, 0);
      for (int hits = 0; hits < 3; ++hits) {
        const std::int16_t value = picks[next(10)];
        if (next(4) == 0) {
          SequenceTail tail = tree.Tail();
          (next(2) ? tail.root : tail.freeHead) = value;
          tree.WriteTail(tail);
        } else {
          SequenceNode node = tree.Node(static_cast<std::int16_t>(next(4)));
          std::int16_t* links[] = {&node.next, &node.prev, &node.firstChild, &node.parent};
          *links[next(4)] = value;
          tree.WriteNode(node);
        }
      }
    }
    Enumerate(0, false);
    dbs_DeleteLastNode(0, &ab.record, h);
    dbs_SetEntrySequence(0, &ab.record, h);
    NameKey(0, 2, round % 2 ? u"C" : u"D");
    std::uint16_t value;
    std::uint32_t flag;
    dbs_GetKeyAssignment(0, ab.record.presses[0].keyName, 0, &value, &flag, h);
    // Start the next round from a clean keypad.
    Db db(h, TheSlot());
    KeypadTree tree(db, 0);
    for (std::int16_t i = 0; i < tree.NodeCount(); ++i) tree.WriteNode(FreeNode(0, i, i + 1 < tree.NodeCount() ? i + 1 : -1));
    tree.WriteTail({0, -1});
  }
  Check();
}

}  // namespace
}  // namespace zephra
