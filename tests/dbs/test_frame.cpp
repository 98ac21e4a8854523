#include <gtest/gtest.h>

#include <stdexcept>

#include <fstream>

#include "config_fixtures.h"
#include "dbs/frame.h"
#include "temp_dir.h"

namespace zephra {
namespace {

// A table of its own per test, so no test sees another's slots.
struct FrameTest : ::testing::Test {
  test::TempDir dir;
  SlotTable table;
  int files = 0;

  // A slot holding an open file, as after a successful open.
  DbsHandle OpenSlot() {
    DbsHandle h = -1;
    EXPECT_EQ(table.Allocate(h), DBS_OK);
    GiveFile(h);
    return h;
  }
  void GiveFile(DbsHandle h) {
    const std::string path = dir.File(std::to_string(files++) + ".f");
    std::ofstream(path) << "x";
    EXPECT_EQ(DbFile::OpenExisting(path, true, nullptr, table[h].db->file), DBS_OK);
  }
};

TEST_F(FrameTest, HandlesOutsideTheTableAreRefused) {
  for (DbsHandle h = 0; h < DBS_MAX_DATABASES; ++h) OpenSlot();
  for (DbsHandle h : {-1, 10, 0x10000, INT32_MIN}) EXPECT_EQ(table.Check(h), nullptr) << h;
  EXPECT_NE(table.Check(0), nullptr);
  EXPECT_NE(table.Check(9), nullptr);
}

TEST_F(FrameTest, HandleOfAFreeUnopenedOrClosedSlotIsRefused) {
  EXPECT_EQ(table.Check(0), nullptr);  // free
  const DbsHandle h = OpenSlot();
  ASSERT_EQ(table.Check(h), &table[h]);
  table[h].db->file.Close();
  EXPECT_EQ(table.Check(h), nullptr);
  GiveFile(h);
  table[h].db->isOpen = 0;
  EXPECT_EQ(table.Check(h), nullptr);
  table[h].db->isOpen = 1;
  table.Release(h);
  EXPECT_EQ(table.Check(h), nullptr);
}

TEST_F(FrameTest, TakesTheLowestFreeSlotAndRefusesAnEleventh) {
  for (DbsHandle want = 0; want < DBS_MAX_DATABASES; ++want) EXPECT_EQ(OpenSlot(), want);
  DbsHandle h = 77;
  EXPECT_EQ(table.Allocate(h), DBS_SYS_TOO_MANY_OPEN_FILES);
  EXPECT_EQ(h, 77);
  for (DbsHandle other = 0; other < DBS_MAX_DATABASES; ++other) EXPECT_NE(table.Check(other), nullptr);
  table.Release(6);
  table.Release(3);
  EXPECT_EQ(table.Allocate(h), DBS_OK);
  EXPECT_EQ(h, 3);
}

TEST_F(FrameTest, NewSlotIsOpenOfflineWithNoLinkLibrary) {
  DbsHandle h = -1;
  ASSERT_EQ(table.Allocate(h), DBS_OK);
  EXPECT_EQ(table[h].db->isOpen, 1u);
  EXPECT_EQ(table[h].db->online, 0u);
  EXPECT_EQ(table[h].ctl->linkLibrary, nullptr);
}

TEST_F(FrameTest, InstallingAFormatFillsEveryEntryAndTheControllerMap) {
  for (std::uint16_t type : {DBS_TYPE_KV1, DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3}) {
    const DbsHandle h = OpenSlot();
    ASSERT_EQ(table.InstallFormat(h, type), DBS_OK);
    int entries = 0;
    ForEachFormatOp(table[h].ops, [&](std::string_view name, const void* entry) {
      EXPECT_NE(entry, nullptr) << name << " of type " << type;
      ++entries;
    });
    EXPECT_EQ(entries, 84);
    EXPECT_EQ(table[h].ctl->map.imageSize, FindFormat(type)->controllerMap->imageSize);
    table.Release(h);
  }
  const DbsHandle h = OpenSlot();
  EXPECT_EQ(table.InstallFormat(h, 1), DBS_ERR_INVALID_DATABASE);
}

TEST_F(FrameTest, EntriesComeInInstallationOrder) {
  EXPECT_EQ(kFormatOpNames.front(), "LiveDestAudioParam");
  EXPECT_EQ(kFormatOpNames[37], "LivePortAssignment");
  EXPECT_EQ(kFormatOpNames[68], "LiveKeypadArea");
  EXPECT_EQ(kFormatOpNames[69], "ValidateConfig");
  EXPECT_EQ(kFormatOpNames[70], "BuildDefaultImage");
  EXPECT_EQ(kFormatOpNames[78], "BuildControllerImage");
  EXPECT_EQ(kFormatOpNames.back(), "ClearProtectsStep");
}

TEST_F(FrameTest, OldFormatRefusesAllButValidation) {
  const DbsHandle h = OpenSlot();
  ASSERT_EQ(table.InstallFormat(h, DBS_TYPE_KV1), DBS_OK);
  const FormatOps& ops = table[h].ops;
  EXPECT_EQ(ops.LiveLevelName(h, nullptr), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(ops.LiveUMDDests(h, nullptr), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(ops.CopyKeypadAreas(h, 0, 1, 0), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(ops.BuildDefaultImage(h, nullptr, nullptr), DBS_ERR_INVALID_DATABASE);
  ConfigImage c = test::EditorDefault(DBS_TYPE_KV1, 192);
  EXPECT_EQ(ops.ValidateConfig(h, &c), DBS_OK);
  c.sourceCount[0][0] = 130;
  EXPECT_EQ(ops.ValidateConfig(h, &c), DBS_ERR_INVALID_CONFIG);
}

TEST_F(FrameTest, ValidationEntryUsesItsFormatsLimits) {
  const DbsHandle h = OpenSlot();
  ASSERT_EQ(table.InstallFormat(h, DBS_TYPE_V1), DBS_OK);
  ConfigImage c = test::EditorDefault(DBS_TYPE_V1, 384);
  c.sourceCount[0][0] = 300;  // fine for V3, not for V1
  EXPECT_EQ(table[h].ops.ValidateConfig(h, &c), DBS_ERR_INVALID_CONFIG);
  EXPECT_EQ(table[h].ops.LiveMatrixName(h, nullptr), DBS_OK);  // nothing to send
}

TEST(Guarded, NoExceptionLeaves) {
  EXPECT_EQ(Guarded([]() -> Status { throw std::bad_alloc(); }), DBS_ERR_OUT_OF_MEMORY);
  EXPECT_EQ(Guarded([]() -> Status { throw std::runtime_error("x"); }), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(Guarded([]() -> Status { return DBS_ERR_LIMIT_REACHED; }), DBS_ERR_LIMIT_REACHED);
}

}  // namespace
}  // namespace zephra
