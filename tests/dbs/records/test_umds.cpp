#include <gtest/gtest.h>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/checker.h"
#include "dbs/records/keypad_tree.h"
#include "dbs/records/umds.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

struct UMDTest : test::DbTest {
  void TearDown() override {
    if (h >= 0) {
      for (const auto& p : CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                                           {TheSlot().db->image, TheSlot().db->layout.fileSize})) {
        ADD_FAILURE() << p;
      }
    }
    test::DbTest::TearDown();
  }
  std::uint8_t Display(std::uint16_t u) {
    std::uint8_t d = 0;
    EXPECT_EQ(dbs_GetUMDDisplay(u, &d, h), DBS_OK);
    return d;
  }
};

TEST_F(UMDTest, AUMDKeepsItsDestinationsInAKeypad) {
  // Every destination keypad 32-63 is named by panels 0-31 and in use; panel
  // 31 is on no port, so it gives its keypad (63) up.
  const TAssociationMember three{0, 0, 3}, five{0, 0, 5}, none{0, 0, -1};
  ASSERT_EQ(dbs_SetUMDDests(2, 0, &three, h), DBS_OK);
  ASSERT_EQ(dbs_SetUMDDests(2, 1, &none, h), DBS_OK);
  ASSERT_EQ(dbs_SetUMDDests(2, 2, &five, h), DBS_OK);
  ASSERT_EQ(dbs_SetUMDDests(2, 3, &none, h), DBS_OK);
  EXPECT_EQ(Display(2), 63);
  std::uint16_t k = 0;
  ASSERT_EQ(dbs_GetPanelKeypad(31, 0, &k, h), DBS_OK);
  EXPECT_EQ(k, 0xFFFF);
  Db db(h, TheSlot());
  KeypadTree tree(db, 63);
  const SequenceNode n0 = tree.Node(0), n1 = tree.Node(1);
  EXPECT_EQ(n0.selection[0], 3);
  EXPECT_EQ(n0.next, 1);
  EXPECT_EQ(std::u16string(n0.keyName, 5), u"Key 1");
  EXPECT_EQ(n1.selection[0], 5);
  EXPECT_EQ(n1.prev, 0);
  EXPECT_EQ(n1.next, -1);
  EXPECT_EQ(std::u16string(n1.keyName, 5), u"Key 3");
  EXPECT_EQ(tree.Tail().root, 0);
  EXPECT_EQ(tree.Tail().freeHead, 2);
  for (const auto& p : CheckStructures(TheSlot().db->config, TheSlot().db->layout,
                                       {TheSlot().db->image, TheSlot().db->layout.fileSize})) {
    ADD_FAILURE() << p;
  }
}

TEST_F(UMDTest, NoKeypadLeftMeansNone) {
  // Every panel placed: none gives a keypad up.
  for (std::uint16_t p = 0; p < 32; ++p) {
    ASSERT_EQ(dbs_SetPanelPort(p, p / 16, p % 16 + 1, h), DBS_OK);
  }
  const TAssociationMember three{0, 0, 3};
  ASSERT_EQ(dbs_SetUMDDests(0, 0, &three, h), DBS_OK);
  EXPECT_EQ(Display(0), 0xFF);
}

TEST_F(UMDTest, AKeypadNumberTheFileLacksIsNone) {
  ConfigImage c = test::EditorDefaultV3();
  c.keypadCount = 40;  // panels still name keypads 32-63
  Remake(c);
  ASSERT_EQ(dbs_SetUMDDisplay(1, 50, h), DBS_OK);  // names a keypad that does not exist
  const TAssociationMember three{0, 0, 3};
  ASSERT_EQ(dbs_SetUMDDests(1, 0, &three, h), DBS_OK);
  EXPECT_EQ(Display(1), 39);  // taken from panel 7, the last unplaced one naming a real keypad
}

TEST_F(UMDTest, RecordsAndSingleFields) {
  Str name(u"........");
  TUMDRecord r{};
  r.name = name;
  ASSERT_EQ(dbs_GetUMDRecord(4, &r, h), DBS_OK);
  EXPECT_EQ(r.umdType, 5);
  EXPECT_EQ(name.Text(), std::u16string(u"UMD 5") + std::u16string(3, u'\0'));
  {
    LiveRecorder live(TheSlot(), {});
    r.display = 40;  // not taken from the record
    ASSERT_EQ(dbs_SetUMDRecord(4, &r, h), DBS_OK);
    EXPECT_TRUE(LiveRecorder::Calls().empty());
    ASSERT_EQ(dbs_SetUMDBrightness(4, 6, h), DBS_OK);  // the same value is still written and sent
    EXPECT_EQ(LiveRecorder::Names(), std::vector<std::string>{"LiveUMDBrightness"});
  }
  EXPECT_EQ(Display(4), 0xFF);
  ASSERT_EQ(dbs_SetUMDName(4, Str(u"A name of twenty uni"), h), DBS_OK);
  Str sixteen(u"................");
  ASSERT_EQ(dbs_GetUMDName(4, sixteen, h), DBS_OK);
  EXPECT_EQ(sixteen.Text(), u"A name of twenty");
  ASSERT_EQ(dbs_SetFixedMessage(4, Str(u"ON AIR"), h), DBS_OK);
  ASSERT_EQ(dbs_GetFixedMessage(4, sixteen, h), DBS_OK);
  EXPECT_EQ(sixteen.Text().substr(0, 7), std::u16string(u"ON AIR") + u'\0');
  TAssociationMember d{};
  EXPECT_EQ(dbs_GetUMDDests(4, 4, &d, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetUMDType(32, 1, h), DBS_ERR_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace zephra
