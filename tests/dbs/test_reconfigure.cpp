// Reconfigure and convert: what carries over into new dimensions, what is
// renumbered or dropped, KV1 files converted, and a new file that could
// never be the open one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "db_fixture.h"
#include "dbs/checker.h"
#include "dbs/records/keypad_tree.h"
#include "dbs/records/matrix.h"
#include "dbs/records/salvo_chains.h"
#include "dbs/records/sources.h"
#include "kv1_fixture.h"
#include "sequence_fixture.h"

namespace zephra {
namespace {

using test::Sequence;
using test::Str;

struct ReconfigureTest : test::DbTest {
  std::string target = dir.File("new.ZP3");

  DbsStatus Reconfigure(const ConfigImage& c, const std::string& to) {
    test::CallConfig call(c);
    return dbs_ReconfigureFile(Str(to), &call.record, 0, &h);
  }
  void NoProblems() {
    const auto problems = CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                                          {TheSlot().db->image, TheSlot().db->layout.fileSize});
    for (const auto& p : problems) ADD_FAILURE() << p;
  }
  std::u16string SourceName(std::uint16_t l, std::uint16_t s) {
    Db db(h, TheSlot());
    const auto e = db.Read<SourceEntry>(SourcePos(db, 0, l, s));
    return std::u16string(e.name2, 8);
  }
  std::vector<std::uint8_t> InhibitRow(std::uint16_t l, std::uint16_t d) {
    Db db(h, TheSlot());
    const LevelBitmap map = BitmapOf(db, BitmapKind::Inhibit, 0, l);
    std::vector<std::uint8_t> row(map.rowBytes);
    db.ReadBytes(map.pos + d * map.rowBytes, row.data(), row.size());
    return row;
  }
  void NameKey(std::uint16_t keypad, std::uint16_t key, std::u16string_view name, std::uint8_t type = 1) {
    test::NameKey(h, keypad, key, name, type);
  }
  std::vector<std::u16string> Paths(std::uint16_t keypad) {
    std::vector<std::u16string> paths;
    Sequence s = Sequence::Empty(keypad);
    Status st = dbs_GetFirstSequence(keypad, &s.record, h);
    for (int guard = 0; st == DBS_OK && guard < 100; ++guard) {
      paths.push_back(s.Path());
      st = dbs_GetNextSequence(keypad, &s.record, h);
    }
    return paths;
  }
  // Reopens the new file: it verifies.
  void Reopens() {
    const std::string file = target;
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
    h = -1;
    DbsHandle again = -1;
    ASSERT_EQ(dbs_OpenFile(Str(file), 0, &again), DBS_OK);
    EXPECT_EQ(dbs_CloseFile(again), DBS_OK);
  }
};

TEST_F(ReconfigureTest, TheSameConfigurationKeepsTheTables) {
  Str camera(u"CAMERA");
  const TSourceIndexRecord source{0, 1, 4};
  ASSERT_EQ(dbs_SetSourceName(&source, camera, h), DBS_OK);
  const TMatrixPointRecord point{0, 1, 2, 9};
  ASSERT_EQ(dbs_SetInhibit(&point, 1, h), DBS_OK);
  NameKey(0, 0, u"A");
  NameKey(0, 1, u"B");
  Sequence b(0, {u"B"}, 2), a(0, {u"A"}, 1), ab(0, {u"A", u"B"}, 3);
  for (Sequence* s : {&b, &a, &ab}) ASSERT_EQ(dbs_SetEntrySequence(0, &s->record, h), DBS_OK);
  const auto paths = Paths(0);
  const DbsHandle old = h;
  ASSERT_EQ(Reconfigure(TheSlot().db->config, target), DBS_OK);
  EXPECT_NE(h, old);
  EXPECT_EQ(dbs_CloseFile(old), DBS_ERR_INVALID_DATABASE);  // the old handle is gone
  EXPECT_EQ(SourceName(1, 4).substr(0, 6), u"CAMERA");
  EXPECT_EQ(InhibitRow(1, 2)[1], 0x02);
  EXPECT_EQ(Paths(0), paths);
  // Renumbered in pre-order: A (0), A-B (1), B (2).
  Db db(h, TheSlot());
  KeypadTree tree(db, 0);
  EXPECT_EQ(tree.Tail().root, 0);
  EXPECT_EQ(tree.Tail().freeHead, 3);
  EXPECT_EQ(tree.Node(0).firstChild, 1);
  EXPECT_EQ(tree.Node(0).next, 2);
  NoProblems();
  Reopens();
}

TEST_F(ReconfigureTest, MoreSourcesKeepTheOldOnesAndTheirInhibits) {
  const TMatrixPointRecord point{0, 0, 5, 30};
  ASSERT_EQ(dbs_SetInhibit(&point, 1, h), DBS_OK);
  const auto before = SourceName(0, 31);
  ConfigImage bigger = TheSlot().db->config;
  bigger.sourceCount[0][0] = 64;
  ASSERT_EQ(Reconfigure(bigger, target), DBS_OK);
  EXPECT_EQ(SourceName(0, 31), before);
  EXPECT_EQ(SourceName(0, 32).substr(0, 5), u"m1s33");  // a default record
  const auto row = InhibitRow(0, 5);
  ASSERT_EQ(row.size(), 8u);
  EXPECT_EQ(row[3], 0x40);
  EXPECT_EQ(row[4], 0);
  NoProblems();
  Reopens();
}

TEST_F(ReconfigureTest, FewerDestinationsMoveTheNextLevelsRowsUp) {
  const TMatrixPointRecord point{0, 1, 0, 3};
  ASSERT_EQ(dbs_SetInhibit(&point, 1, h), DBS_OK);
  ConfigImage fewer = TheSlot().db->config;
  fewer.destCount[0][0] = 16;
  ASSERT_EQ(Reconfigure(fewer, target), DBS_OK);
  Db db(h, TheSlot());
  const LevelBitmap level0 = BitmapOf(db, BitmapKind::Inhibit, 0, 0), level1 = BitmapOf(db, BitmapKind::Inhibit, 0, 1);
  EXPECT_EQ(level1.pos, level0.pos + 16 * level0.rowBytes);
  EXPECT_EQ(InhibitRow(1, 0)[0], 0x08);
  NoProblems();
}

TEST_F(ReconfigureTest, ASalvoLosesOnlyTheCrosspointsOfARemovedLevel) {
  Str shortName(u"S"), name(u"SALVO");
  TMacroStoreRecord header{0, shortName, name, 0};
  ASSERT_EQ(dbs_SetMacroStore(0, &header, h), DBS_OK);
  for (int level : {3, 0, 3, 1}) {
    TMacroXPRecord xp{0, static_cast<std::int16_t>(level), 2, 5};
    ASSERT_EQ(dbs_SetMacroXP(0, &xp, h), DBS_OK);
  }
  ConfigImage fewer = TheSlot().db->config;
  fewer.levelCount[0] = 3;
  fewer.sourceCount[0][3] = fewer.destCount[0][3] = 0;
  ASSERT_EQ(Reconfigure(fewer, target), DBS_OK);
  Db db(h, TheSlot());
  SalvoPool pool(db);
  const SalvoEntry e = pool.Header(0);
  EXPECT_EQ(e.xpCount, 2);
  EXPECT_EQ(e.firstXP, 0);
  const auto chain = pool.Chain(e.firstXP);
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(pool.Record(chain[0]).level, 0);
  EXPECT_EQ(pool.Record(chain[1]).level, 1);
  EXPECT_EQ(pool.FreeHead(), 2);
  NoProblems();
  Reopens();
}

TEST_F(ReconfigureTest, ABranchWhoseKeyIsGoneDisappears) {
  NameKey(2, 0, u"A");
  NameKey(2, 1, u"B");
  Sequence a(2, {u"A"}, 1), b(2, {u"B"}, 2), ba(2, {u"B", u"A"}, 3);
  for (Sequence* s : {&a, &b, &ba}) ASSERT_EQ(dbs_SetEntrySequence(2, &s->record, h), DBS_OK);
  NameKey(3, 0, u"X");
  Sequence x(3, {u"X"}, 1);
  ASSERT_EQ(dbs_SetEntrySequence(3, &x.record, h), DBS_OK);
  ConfigImage fewer = TheSlot().db->config;
  fewer.keyCount[2] = 1;  // key B goes
  fewer.keyCount[3] = 0;  // every key goes
  ASSERT_EQ(Reconfigure(fewer, target), DBS_OK);
  EXPECT_EQ(Paths(2), (std::vector<std::u16string>{u"A"}));
  Db db(h, TheSlot());
  EXPECT_EQ(KeypadTree(db, 2).Tail().freeHead, 1);
  EXPECT_EQ(KeypadTree(db, 3).Tail().freeHead, 0);
  EXPECT_EQ(KeypadTree(db, 3).Tail().root, -1);
  NoProblems();
  Reopens();
}

// Every node of a 64-key keypad's tree and every crosspoint record of the
// smaller new pool survive: nothing is left free, and the file verifies.
TEST_F(ReconfigureTest, AFullTreeAndAFullPoolLeaveNothingFree) {
  for (std::uint16_t key = 0; key < 64; ++key) {
    const std::u16string name = u"Key " + std::u16string(1, u'0' + key / 10) + std::u16string(1, u'0' + key % 10);
    NameKey(0, key, name);
    ASSERT_EQ(dbs_SetKeyAssignment(0, Str(name), 0, key, 0, h), DBS_OK);
  }
  {
    // A value stored for a matrix the database lacks, negative but not -1.
    Db db(h, TheSlot());
    KeypadTree tree(db, 0);
    SequenceNode node = tree.Node(5);
    node.selection[3] = -2;
    ASSERT_EQ(tree.WriteNode(node), DBS_OK);
  }
  for (std::int16_t d = 0; d < 12; ++d) {
    TMacroXPRecord xp{0, 0, d, 1};
    ASSERT_EQ(dbs_SetMacroXP(d % 2, &xp, h), DBS_OK);
  }
  ConfigImage smaller = TheSlot().db->config;
  smaller.salvoXPCount = 10;
  ASSERT_EQ(Reconfigure(smaller, target), DBS_OK);
  {
    Db db(h, TheSlot());
    KeypadTree tree(db, 0);
    EXPECT_EQ(tree.Tail().freeHead, -1);
    EXPECT_EQ(tree.Tail().root, 0);
    for (std::int16_t n = 0; n < tree.NodeCount(); ++n) EXPECT_EQ(tree.Node(n).selection[3], -1) << n;
    SalvoPool pool(db);
    EXPECT_EQ(pool.FreeHead(), -1);
    EXPECT_EQ(pool.Header(0).xpCount + pool.Header(1).xpCount, 10);
  }
  EXPECT_EQ(Paths(0).size(), 64u);
  NoProblems();
  Reopens();
  const std::string verify = std::string(ZEPHRA_DB_PROGRAM) + " verify " + target + " > /dev/null";
  EXPECT_EQ(std::system(verify.c_str()), 0);
}

TEST_F(ReconfigureTest, TheNewFileCannotBeTheOpenOne) {
  const auto before = TheSlot().db->config;
  test::CallConfig call(before);
  const DbsHandle old = h;
  EXPECT_EQ(dbs_ReconfigureFile(Str(path), &call.record, -1, &h), DBS_SYS_SHARING_VIOLATION);
  EXPECT_EQ(h, old);
  ConfigImage broken = before;
  broken.configType = 9;
  EXPECT_EQ(Reconfigure(broken, target), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(h, old);
  std::uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, h), DBS_OK);  // still open
}

TEST(ConvertKv1, LevelTypesMapAndTriggerLinesLoseBit7) {
  test::TempDir dir;
  const std::string old = dir.File("old.KV1"), target = dir.File("new.ZP1");
  test::WriteKv1(old, {{33, 16, 16}, {7, 16, 16}, {0, 8, 8}});
  DbsHandle h = -1;
  ASSERT_EQ(dbs_OpenFile(Str(old), 0, &h), DBS_OK);
  // Open only to be converted: it has no controller to go on-line with.
  DbsPortSettings settings{};
  EXPECT_EQ(dbs_OnLine(Str(u"/dev/null"), &settings, nullptr, nullptr, -1, h), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(dbs_Download(h, nullptr), DBS_ERR_NOT_ONLINE);
  ConfigImage v1 = test::EditorDefault(DBS_TYPE_V1, 384);
  v1.levelCount[0] = 3;
  for (int l = 0; l < 3; ++l) v1.sourceCount[0][l] = v1.destCount[0][l] = 16;
  v1.sourceCount[0][3] = v1.destCount[0][3] = 0;
  test::CallConfig call(v1);
  ASSERT_EQ(dbs_ReconfigureFile(Str(target), &call.record, 0, &h), DBS_OK);
  Db db(h, Slots()[h]);
  EXPECT_EQ(db.Read<LevelEntry>(LevelPos(db, 0, 0)).levelType, 41);
  EXPECT_EQ(db.Read<LevelEntry>(LevelPos(db, 0, 1)).levelType, 318);
  EXPECT_EQ(db.Read<LevelEntry>(LevelPos(db, 0, 2)).levelType, 0);
  EXPECT_EQ(std::u16string(db.Read<LevelEntry>(LevelPos(db, 0, 1)).name, 10), u"KV1 Level ");
  EXPECT_EQ(std::u16string(db.Read<SourceEntry>(SourcePos(db, 0, 0, 0)).name2, 7), u"KV1 SRC");
  std::uint8_t lines[4];
  db.ReadBytes(db.Layout().trigLinePos, lines, 4);
  EXPECT_EQ(std::vector<std::uint8_t>(lines, lines + 4), (std::vector<std::uint8_t>{0x0A, 0x06, 0x00, 0x06}));
  const auto problems = CheckStructures(db.Config(), db.Layout(), {Slots()[h].db->image, db.Layout().fileSize});
  for (const auto& p : problems) ADD_FAILURE() << p;
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  DbsHandle again = -1;
  ASSERT_EQ(dbs_OpenFile(Str(target), 0, &again), DBS_OK);
  dbs_CloseFile(again);
}

}  // namespace
}  // namespace zephra
