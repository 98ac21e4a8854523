#include <gtest/gtest.h>

#include "../db_fixture.h"
#include "../live_recorder.h"
#include "dbs/entry.h"
#include "dbs/records/sources.h"

namespace zephra {
namespace {

using test::LiveRecorder;
using test::Str;

// Level 2 sits on level 0's physical level and has only 4 sources.
struct SourceTest : test::DbTest {
  void SetUp() override {
    ConfigImage c = test::EditorDefaultV3();
    c.sourceCount[0][2] = 4;
    c.destCount[0][2] = 4;
    c.sourceAssocCount[0] = c.destAssocCount[0] = 40;
    Make(c);
    ASSERT_EQ(dbs_SetPhysicalLevel(2, 0, h), DBS_OK);
  }
  std::u16string Name(std::int16_t level, std::int16_t source, std::uint32_t units) {
    const TSourceIndexRecord at{0, level, source};
    Str name(std::u16string(units, u'#'));
    EXPECT_EQ(dbs_GetSourceName(&at, name, h), DBS_OK);
    return name.Text();
  }
  std::uint8_t Audio(std::int16_t level, std::int16_t source) {
    const TSourceIndexRecord at{0, level, source};
    std::uint8_t v = 0;
    EXPECT_EQ(dbs_GetAudioSourceParam(&at, &v, h), DBS_OK);
    return v;
  }
};

TEST_F(SourceTest, TheStringsLengthChoosesTheNameField) {
  const TSourceIndexRecord at{0, 1, 5};
  EXPECT_EQ(dbs_SetSourceName(&at, Str(u"CAM1"), h), DBS_OK);
  EXPECT_EQ(dbs_SetSourceName(&at, Str(u"Camera 1"), h), DBS_OK);
  EXPECT_EQ(dbs_SetSourceName(&at, Str(u"Twelve chars"), h), DBS_OK);
  EXPECT_EQ(dbs_SetSourceName(&at, Str(u"Sixteen chars 16"), h), DBS_OK);
  TSourceRecord r{0, 1, 5, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0};
  Str n1(u"...."), n2(u"........"), n5(u"............"), n6(u"................");
  r.name1 = n1;
  r.name2 = n2;
  r.name5 = n5;
  r.name6 = n6;
  ASSERT_EQ(dbs_GetSourceData(&r, h), DBS_OK);
  EXPECT_EQ(n1.Text(), u"CAM1");
  EXPECT_EQ(n2.Text(), u"Camera 1");
  EXPECT_EQ(n5.Text(), u"Twelve chars");
  EXPECT_EQ(n6.Text(), u"Sixteen chars 16");
  EXPECT_EQ(Name(1, 5, 12), u"Twelve chars");
  EXPECT_EQ(Name(1, 5, 3), u"Cam");  // any other length reads the 8-character name

  EXPECT_EQ(dbs_SetSourceName(&at, Str(u"Cam 2"), h), DBS_OK);
  EXPECT_EQ(Name(1, 5, 8), std::u16string(u"Cam 2") + std::u16string(3, u'\0'));
  EXPECT_EQ(dbs_SetSourceName(&at, Str(u"A name of twenty uni"), h), DBS_OK);
  EXPECT_EQ(Name(1, 5, 16), u"Sixteen chars 16");  // name6 untouched
  EXPECT_EQ(Name(1, 5, 20), std::u16string(u"A name of twenty") + std::u16string(4, u'\0'));
}

TEST_F(SourceTest, ParametersReachTheSameSourceOnPartnerLevels) {
  const TSourceIndexRecord five{0, 0, 5};
  EXPECT_EQ(dbs_SetAudioSourceParam(&five, 7, h), DBS_OK);  // level 2 has no source 5
  EXPECT_EQ(Audio(0, 5), 7);
  const TSourceIndexRecord two{0, 0, 2};
  LiveRecorder live(TheSlot(), {{"LiveTrigger", sizeof(SourceEntry)}});
  EXPECT_EQ(dbs_SetTrigger(&two, 9, h), DBS_OK);
  ASSERT_EQ(LiveRecorder::Names(), std::vector<std::string>{"LiveTrigger"});  // once, for the named level
  EXPECT_EQ(LiveRecorder::Calls()[0].As<SourceEntry>().level, 0);
  std::uint8_t trigger = 0;
  const TSourceIndexRecord partner{0, 2, 2};
  EXPECT_EQ(dbs_GetTrigger(&partner, &trigger, h), DBS_OK);
  EXPECT_EQ(trigger, 9);
  const TSourceIndexRecord other{0, 1, 2};
  EXPECT_EQ(dbs_GetTrigger(&other, &trigger, h), DBS_OK);
  EXPECT_EQ(trigger, 0);  // level 1 is on its own physical level
}

TEST_F(SourceTest, SourceDataSharesParametersButNeverNames) {
  Str keep(u"Mine");
  TSourceRecord r{0, 0, 1, keep, nullptr, nullptr, nullptr, nullptr, nullptr, 4, 5, 6};
  EXPECT_EQ(dbs_SetSourceData(&r, h), DBS_OK);
  EXPECT_EQ(Audio(2, 1), 5);
  EXPECT_EQ(Name(2, 1, 4), u"m1s2");
  // The partner differs (changed behind the library's back): the same data
  // again writes nothing for the named level but still reaches the partner.
  Db db(h, TheSlot());
  const std::uint32_t pos = SourcePos(db, 0, 2, 1);
  auto e = db.Read<SourceEntry>(pos);
  e.audioParam = 0;
  ASSERT_EQ(db.Write(pos, e), DBS_OK);
  LiveRecorder live(TheSlot(), {});
  EXPECT_EQ(dbs_SetSourceData(&r, h), DBS_OK);
  EXPECT_EQ(LiveRecorder::Names(), std::vector<std::string>{});  // no LiveSourceData: the named level is unchanged
  EXPECT_EQ(Audio(2, 1), 5);
}

TEST_F(SourceTest, DestinationsShareTheirParametersToo) {
  TDestinationRecord r{0, 0, 3, 1, 2};
  LiveRecorder live(TheSlot(), {{"LiveDestData", sizeof(DestinationEntry)}});
  EXPECT_EQ(dbs_SetDestData(&r, h), DBS_OK);
  EXPECT_EQ(LiveRecorder::Names(), (std::vector<std::string>{"LiveDestData", "LiveDestLog"}));
  TDestinationRecord partner{0, 2, 3, 0, 0};
  EXPECT_EQ(dbs_GetDestData(&partner, h), DBS_OK);
  EXPECT_EQ(partner.destLog, 1);
  EXPECT_EQ(partner.audioParam, 2);
  const TDestIndexRecord beyond{0, 2, 4};
  std::uint8_t v = 0;
  EXPECT_EQ(dbs_GetDestLog(&beyond, &v, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetAudioDestParam(&beyond, 1, h), DBS_ERR_INVALID_ARGUMENT);
  const TSourceIndexRecord none{0, 0, -1};
  EXPECT_EQ(dbs_GetSourceType(&none, &v, h), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(dbs_SetSourceName(&none, Str(u"x"), h), DBS_ERR_INVALID_ARGUMENT);
}

}  // namespace
}  // namespace zephra
