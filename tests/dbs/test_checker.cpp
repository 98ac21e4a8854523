#include <gtest/gtest.h>

#include "db_fixture.h"
#include "dbs/checker.h"
#include "dbs/records/keypad_tree.h"
#include "dbs/records/panels.h"
#include "dbs/records/umds.h"
#include "dbs/records/salvo_chains.h"

namespace zephra {
namespace {

struct CheckerTest : test::DbTest {
  std::vector<std::string> Problems() {
    return CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                           {TheSlot().db->image, TheSlot().db->layout.fileSize});
  }
  bool Says(const std::string& words) {
    for (const auto& p : Problems()) {
      if (p.find(words) != std::string::npos) return true;
    }
    ADD_FAILURE() << "no problem says \"" << words << "\"";
    return false;
  }
};

TEST_F(CheckerTest, ANewDatabaseIsSound) { EXPECT_TRUE(Problems().empty()); }

TEST_F(CheckerTest, FindsBrokenSequenceLinks) {
  Db db(h, TheSlot());
  KeypadTree tree(db, 3);
  SequenceNode node = tree.Node(10);
  node.next = 5;  // the free list now loops back
  tree.WriteNode(node);
  EXPECT_TRUE(Says("keypad 3: free node 5 is also used, or listed twice"));
  node.next = 700;
  tree.WriteNode(node);
  EXPECT_TRUE(Says("keypad 3: the free list points to node 700"));
  tree.WriteTail({0, 0});  // node 0 both root and free
  EXPECT_TRUE(Says("keypad 3: free node 0"));
}

TEST_F(CheckerTest, FindsBrokenSalvoChains) {
  Db db(h, TheSlot());
  SalvoPool pool(db);
  SalvoEntry header = pool.Header(4);
  header.firstXP = 0;  // claims the free list's first record
  pool.WriteHeader(4, header);
  EXPECT_TRUE(Says("salvo 4 counts 0 crosspoints but chains 3000"));
  EXPECT_TRUE(Says("salvo 4 holds crosspoint 0 of another salvo"));
  EXPECT_TRUE(Says("the free list reaches crosspoint 0 that is already on a chain"));
}

TEST_F(CheckerTest, FindsSharedSetsAndPlaces) {
  Db db(h, TheSlot());
  const std::uint32_t panel3 = db.Layout().panelPos + 3 * 144;
  auto e = db.Read<PanelEntry>(panel3);
  e.overrideSet = 1;  // panel 1's
  e.port = 0;
  e.address = 4;
  db.Write(panel3, e);
  auto umd = db.Read<UMDEntry>(db.Layout().umdPos);
  umd.port = 0;
  umd.address = 4;
  db.Write(db.Layout().umdPos, umd);
  EXPECT_TRUE(Says("panel 3 shares output or override set 1 with panel 1"));
  EXPECT_TRUE(Says("UMD 0 and panel 3 share port 0 address 4"));
}

}  // namespace
}  // namespace zephra
