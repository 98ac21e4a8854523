#include <gtest/gtest.h>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/records/associations.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

struct AssociationTest : test::DbTest {
  void SetUp() override {
    ConfigImage c = test::EditorDefaultV3();
    c.sourceAssocCount[0] = c.destAssocCount[0] = 40;
    Make(c);
  }
  TDestinationAssociationRecord Dest(std::uint16_t a, Str& shortName, Str& name) {
    TDestinationAssociationRecord r{};
    r.shortName = shortName;
    r.name = name;
    EXPECT_EQ(dbs_GetDestAssn(0, a, &r, h), DBS_OK);
    return r;
  }
};

TEST_F(AssociationTest, DestinationNamesByLength) {
  EXPECT_EQ(dbs_SetDestName(0, 6, Str(u"MON1"), h), DBS_OK);
  EXPECT_EQ(dbs_SetDestName(0, 6, Str(u"Monitor1"), h), DBS_OK);
  Str s(u"...."), n(u"................");
  Dest(6, s, n);
  EXPECT_EQ(s.Text(), u"MON1");
  EXPECT_EQ(n.Text(), std::u16string(u"Monitor1") + std::u16string(8, u'\0'));
  EXPECT_EQ(dbs_SetDestName(0, 6, Str(u"Studio A Monitor"), h), DBS_OK);
  Str eight(u"........");
  EXPECT_EQ(dbs_GetDestName(0, 6, eight, h), DBS_OK);
  EXPECT_EQ(eight.Text(), u"Studio A");
  Str four(u"....");
  EXPECT_EQ(dbs_GetDestName(0, 6, four, h), DBS_OK);
  EXPECT_EQ(four.Text(), u"MON1");
  EXPECT_EQ(dbs_GetDestName(0, 40, four, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetDestName(1, 0, four, h), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(AssociationTest, MembersBeyondTheLevelsKeepTheirValues) {
  Str s(u"ABCD"), n(u"Alpha");
  TDestinationAssociationRecord r{};
  r.shortName = s;
  r.name = n;
  for (auto& m : r.members) m = {0, 9, 9};
  LiveRecorder live(TheSlot(), {{"LiveDestAssoc", sizeof(DestinationAssociationEntry)}});
  EXPECT_EQ(dbs_SetDestAssn(0, 3, &r, h), DBS_OK);
  ASSERT_EQ(LiveRecorder::Calls().size(), 1u);
  const auto e = LiveRecorder::Calls()[0].As<DestinationAssociationEntry>();
  for (int j = 0; j < 4; ++j) EXPECT_EQ(e.members[j].level, 9) << j;
  for (int j = 4; j < 16; ++j) EXPECT_EQ(e.members[j].level, -1) << j;
  EXPECT_EQ(dbs_SetDestAssn(0, 40, &r, h), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(AssociationTest, FindingADestinationAssociation) {
  Str s(u"...."), n(u"........");
  TDestinationAssociationRecord r{};
  r.shortName = s;
  r.name = n;
  // Association 7 holds (0, 2, 7) in slot 2.
  EXPECT_EQ(dbs_FindDestAssn(0, 2, 7, 0, &r, h), DBS_OK);
  EXPECT_EQ(r.association, 7);
  EXPECT_EQ(n.Text(), std::u16string(u"m1d8") + std::u16string(4, u'\0'));
  EXPECT_EQ(r.members[2].number, 7);
  // From 8 on there is none: the record keeps what the caller put in it.
  for (auto& m : r.members) m = {-1, -1, -1};
  EXPECT_EQ(dbs_FindDestAssn(0, 2, 7, 8, &r, h), DBS_OK);
  EXPECT_EQ(r.association, 0xFFFF);
  EXPECT_EQ(r.members[0].matrix, -1);
  EXPECT_EQ(dbs_FindDestAssn(5, 2, 7, 0, &r, h), DBS_OK);  // no such matrix
  EXPECT_EQ(r.association, 0xFFFF);
  EXPECT_EQ(dbs_FindDestAssn(0, 2, 7, 400, &r, h), DBS_OK);
  EXPECT_EQ(r.association, 0xFFFF);
}

TEST_F(AssociationTest, SourceAssociationsAndTheirNames) {
  TSourceAssociationRecord r{};
  ASSERT_EQ(dbs_GetSourceAssn(0, 12, &r, h), DBS_OK);
  EXPECT_EQ(r.members[3].number, 12);
  r.members[0] = {0, 0, 99};  // no such source
  r.members[1] = {0, 1, 30};
  EXPECT_EQ(dbs_SetSourceAssn(0, 12, &r, h), DBS_OK);
  Str name(u"........");
  EXPECT_EQ(dbs_GetSourceAssnName(0, 12, name, h), DBS_OK);
  EXPECT_EQ(name.Text(), std::u16string(u"m1s31") + std::u16string(3, u'\0'));  // slot 0 skipped
  EXPECT_EQ(dbs_GetSourceAssocName(0, 12, name, h), DBS_OK);
  EXPECT_EQ(name.Text(), std::u16string(u"m1s31") + std::u16string(3, u'\0'));
  EXPECT_EQ(dbs_SetSourceAssn(0, 40, &r, h), DBS_ERR_INVALID_ARGUMENT);  // beyond the table: said so
  EXPECT_EQ(dbs_SetSourceAssn(1, 0, &r, h), DBS_ERR_INVALID_ARGUMENT);

  TSourceAssociationRecord found{};
  EXPECT_EQ(dbs_FindSourceAssn(0, 0, 5, 0, &found, h), DBS_OK);
  EXPECT_EQ(found.association, 5);
  EXPECT_EQ(dbs_FindSourceAssn(0, 0, 5, 6, &found, h), DBS_OK);
  EXPECT_EQ(found.association, 0xFFFF);
}

TEST_F(AssociationTest, TitleSearchDepthAndTheEmptyTables) {
  EXPECT_EQ(dbs_SetTitle(Str(u"Studio 4"), h), DBS_OK);
  Str title(u"................");
  EXPECT_EQ(dbs_GetTitle(title, h), DBS_OK);
  EXPECT_EQ(title.Text(), std::u16string(u"Studio 4") + std::u16string(8, u'\0'));
  EXPECT_EQ(dbs_SetSearchDepth(3, h), DBS_OK);
  std::uint16_t depth = 0;
  EXPECT_EQ(dbs_GetSearchDepth(&depth, h), DBS_OK);
  EXPECT_EQ(depth, 3);
  TTieLineRecord tie{};
  TCueRecord cue{};
  TPathProtectRecord protect{};
  EXPECT_EQ(dbs_GetTieLine(0, &tie, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetTieLineName(0, title, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_GetInputCue(0, &cue, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetOutputCue(0, &cue, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetTransmissionPathProtect(0, &protect, h), DBS_ERR_INVALID_ARGUMENT);
  // The title is still there: nothing wrote past its table.
  EXPECT_EQ(dbs_GetTitle(title, h), DBS_OK);
  EXPECT_EQ(title.Text().substr(0, 8), u"Studio 4");
}

}  // namespace
}  // namespace zephra
