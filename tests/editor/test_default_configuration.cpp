#include <gtest/gtest.h>

#include "dbs/layout.h"
#include "model/DefaultConfiguration.h"

namespace zephra::editor {
namespace {

ImageLayout LaidOut(const DefaultConfiguration& d) {
  ConfigImage c = ConfigFromCall(d.Record());
  const FormatInfo* format = FindFormat(c.configType);
  EXPECT_NE(format, nullptr);
  EXPECT_TRUE(TagMatches(c, *format));
  EXPECT_EQ(ValidateConfigFor(*format, c), DBS_OK);
  return ComputeLayout(c, *format);
}

TEST(DefaultConfiguration, EveryFormatsDefaultIsValid) {
  EXPECT_EQ(LaidOut(DefaultConfiguration(DBS_TYPE_V3)).fileSize, 2261304u);
  // V2 differs only in the 600 nodes of its 16 dial-up keypads, against 670.
  EXPECT_EQ(LaidOut(DefaultConfiguration(DBS_TYPE_V3)).imageSize - LaidOut(DefaultConfiguration(DBS_TYPE_V2)).imageSize,
            16u * 70 * 120);
  EXPECT_EQ(LaidOut(DefaultConfiguration(DBS_TYPE_V1)).fileSize, 1639548u);
}

TEST(DefaultConfiguration, NameFillsWhatTheCallersStringHolds) {
  DbsString name = DbsStringAlloc(4);
  TConfigurationRecord r{};
  r.name = name;
  FillDefaultConfig(r, DBS_TYPE_V1);
  EXPECT_EQ(std::u16string(name, 4), u"Zeph");
  EXPECT_EQ(r.sourceAssocCount[0], 384);
  EXPECT_EQ(r.name, name);
  DbsStringFree(name);
  DefaultConfiguration named(DBS_TYPE_V2, u"Studio 4");
  EXPECT_EQ(std::u16string(named.Record().name, 8), u"Studio 4");
  EXPECT_EQ(named.Record().version[2], u'2');
}

}  // namespace
}  // namespace zephra::editor
