#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config_fixtures.h"
#include "dbs/names.h"
#include "dbs/unicode.h"

namespace zephra {
namespace {

using test::Str;

TEST(BoundaryString, LengthSitsBeforeTheUnits) {
  Str a(u"abc");
  EXPECT_EQ(DbsStringLength(a), 3u);
  EXPECT_EQ(a.Text(), u"abc");
  EXPECT_EQ(DbsStringLength(nullptr), 0u);
  EXPECT_TRUE(Units(nullptr).empty());
}

TEST(NameRules, LongNameIsCutToSixteenAndReadBackZeroPadded) {
  Str twenty(u"ABCDEFGHIJKLMNOPQRST");
  std::uint8_t field[1 + 32 + 1] = {};  // unaligned, as inside a packed record
  field[33] = 0xAA;
  StoreName(field + 1, twenty);
  EXPECT_EQ(field[33], 0xAA);
  Str out(u"xxxxxxxxxxxxxxxxxxxx");
  ReadName(out, field + 1);
  EXPECT_EQ(out.Text(), std::u16string(u"ABCDEFGHIJKLMNOP") + std::u16string(4, u'\0'));
}

TEST(NameRules, ShortNameZeroFillsTheField) {
  std::uint8_t field[32];
  std::fill(std::begin(field), std::end(field), 0xEE);
  Str ab(u"AB");
  StoreName(field, ab);
  EXPECT_EQ(field[0], 'A');
  EXPECT_EQ(field[2], 'B');
  for (int i = 4; i < 32; ++i) EXPECT_EQ(field[i], 0) << i;
  StoreName(field, nullptr);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(field[i], 0) << i;
  Str three(u"zzz");
  ReadName(three, field);
  EXPECT_EQ(three.Text(), std::u16string(3, u'\0'));
  ReadName(nullptr, field);  // nothing to fill
}

TEST(ControllerNames, NarrowKeepsTheLowByteAndBlanksControlBytes) {
  const char16_t units[] = {u'A', u'\t', u'\u00E9', u'\0', u'\u0141'};
  std::uint8_t out[6] = {0, 0, 0, 0, 0, 0x77};
  ToNarrowName(units, 5, out);
  EXPECT_EQ(out[0], 0x41);
  EXPECT_EQ(out[1], 0x20);
  EXPECT_EQ(out[2], 0xE9);
  EXPECT_EQ(out[3], 0x20);
  EXPECT_EQ(out[4], 0x41);  // U+0141 keeps only its low byte
  EXPECT_EQ(out[5], 0x77);  // no terminator
}

TEST(ControllerNames, WideDropsTrailingBlanksOnly) {
  const std::uint8_t cam[] = {'C', 'a', 'm', ' ', '1', ' ', ' ', ' '};
  char16_t out[8];
  ToWideName(cam, 8, out);
  EXPECT_EQ(std::u16string(out, 8), std::u16string(u"Cam 1") + std::u16string(3, u'\0'));

  // Accented letters at the end are kept: only bytes up to 0x20 are blank.
  const std::uint8_t cafe[] = {'C', 'a', 'f', 0xE9, 0x00, 0x09};
  char16_t out2[6];
  ToWideName(cafe, 6, out2);
  EXPECT_EQ(std::u16string(out2, 6), std::u16string(u"Caf\u00E9") + std::u16string(2, u'\0'));
}

TEST(Paths, ConvertToUtf8) {
  std::string out;
  Str plain(u"/tmp/a.ZP3");
  EXPECT_EQ(PathToUtf8(plain, out), DBS_OK);
  EXPECT_EQ(out, "/tmp/a.ZP3");
  Str accented(u"/tmp/Caf\u00E9 \u6E2C\U0001F3B5.ZP3");
  EXPECT_EQ(PathToUtf8(accented, out), DBS_OK);
  EXPECT_EQ(out, "/tmp/Caf\xC3\xA9 \xE6\xB8\xAC\xF0\x9F\x8E\xB5.ZP3");
}

TEST(Paths, RefuseWhatCannotBeAFileName) {
  std::string out;
  const char16_t lone_high[] = {u'a', 0xD800, u'b'};
  const char16_t lone_low[] = {u'a', 0xDC00};
  const char16_t high_at_end[] = {u'a', 0xD83C};
  const char16_t zero[] = {u'a', 0, u'b'};
  for (auto [units, n] : {std::pair{lone_high, 3u}, std::pair{lone_low, 2u}, std::pair{high_at_end, 2u},
                          std::pair{zero, 3u}}) {
    DbsString s = DbsStringFromUnits(units, n);
    EXPECT_EQ(PathToUtf8(s, out), DBS_SYS_INVALID_NAME);
    DbsStringFree(s);
  }
  EXPECT_EQ(PathToUtf8(nullptr, out), DBS_SYS_INVALID_NAME);
  Str longest(std::u16string(255, u'a'));
  EXPECT_EQ(PathToUtf8(longest, out), DBS_OK);
  Str too_long(std::u16string(256, u'a'));
  EXPECT_EQ(PathToUtf8(too_long, out), DBS_SYS_INVALID_NAME);
}

}  // namespace
}  // namespace zephra

namespace zephra {
namespace {

TEST(Unicode, Utf8ToUtf16RefusesMalformedText) {
  EXPECT_EQ(Utf8ToUtf16("Caf\xC3\xA9 \xF0\x9F\x8E\xB5"), std::u16string(u"Caf\u00E9 \U0001F3B5"));
  for (const char* bad : {"\xC3", "\xC3(", "\xE2\x82", "\xC0\xAF" /* overlong */, "\xED\xA0\x80" /* surrogate */,
                          "\xF4\x90\x80\x80" /* past U+10FFFF */, "\xFF"}) {
    EXPECT_EQ(Utf8ToUtf16(bad), std::nullopt) << bad;
  }
  const char16_t lone[] = {u'a', 0xDC00};
  EXPECT_EQ(Utf16ToUtf8({lone, 2}, false), std::string("a\xEF\xBF\xBD"));
}

}  // namespace
}  // namespace zephra
