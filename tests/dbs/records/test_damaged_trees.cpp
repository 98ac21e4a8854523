// Sequence trees damaged as only a file from elsewhere can be: the library's
// walks over them end. Each case is one the fuzzing of database files found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../sequence_fixture.h"
#include "dbs/records/keypad_tree.h"

namespace zephra {
namespace {

using test::Sequence;

struct DamagedTreeTest : test::DbTest {
  std::vector<std::u16string> Enumerate(std::uint16_t keypad, Status& end) { return test::SequencePaths(h, keypad, &end); }
  // Writes a node as a damaged file would hold it.
  template <class Change>
  void Damage(std::uint16_t keypad, std::int16_t n, Change&& change) {
    Db db(h, TheSlot());
    KeypadTree tree(db, keypad);
    SequenceNode node = tree.Node(n);
    change(node);
    ASSERT_EQ(tree.WriteNode(node), DBS_OK);
  }
};

TEST_F(DamagedTreeTest, AKeyNamedTwiceInAListIsEnumeratedOnce) {
  for (std::uint16_t j = 0; j < 3; ++j) test::NameKey(h, 0, j, std::u16string(1, u"ABD"[j]));
  for (const char16_t* key : {u"A", u"B", u"D"}) {
    Sequence s(0, {key}, 1);
    ASSERT_EQ(dbs_SetEntrySequence(0, &s.record, h), DBS_OK);
  }
  Status end = DBS_OK;
  ASSERT_EQ(Enumerate(0, end), (std::vector<std::u16string>{u"A", u"B", u"D"}));
  // B's node now says A: no path reaches it, and the list still ends.
  Damage(0, 1, [](SequenceNode& n) { n.keyName[0] = u'A'; });
  EXPECT_EQ(Enumerate(0, end), (std::vector<std::u16string>{u"A", u"D"}));
  EXPECT_EQ(end, DBS_ERR_NO_MORE_SEQUENCES);
}

}  // namespace
}  // namespace zephra
