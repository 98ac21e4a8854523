// What the simulated controller holds, set against the open database while
// on-line: the same database, one with other dimensions, one of another
// format, and the calls that are refused. Asking never changes the file nor
// takes the database off-line.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "../db_fixture.h"
#include "../kv1_fixture.h"
#include "dbs/transfer/controller_image.h"
#include "online_fixture.h"
#include "sim/ctlsim.h"
#include "zephra/zephra_upload.h"

namespace zephra {
namespace {

using test::Str;

// A file of eight levels: four of 32 and four of 24.
ConfigImage EightLevels() {
  ConfigImage c = test::EditorDefaultV3();
  c.levelCount[0] = 8;
  for (int l = 4; l < 8; ++l) c.sourceCount[0][l] = c.destCount[0][l] = 24;
  return c;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

bool AllZero(const ZephraControllerSummary& s) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&s);
  return std::all_of(bytes, bytes + sizeof s, [](unsigned char b) { return b == 0; });
}

struct DescribeControllerTest : test::DbTest {
  ctlsim::Simulator sim{DBS_TYPE_V3};

  void SetUp() override {
    setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
    Make(EightLevels());
    ASSERT_TRUE(sim.Start());
  }
  void TearDown() override {
    test::DbTest::TearDown();
    sim.Stop();
  }
  DbsStatus GoOnLine() { return test::GoOnLineTo(sim, h); }
  bool IsOnLine() {
    std::uint16_t status = 0;
    return dbs_GetControllerStatus(&status, h) == DBS_OK;
  }
  void ControllerHoldsTheDatabase() {
    Db db(h, TheSlot());
    sim.SetMemory(0, EncodeControllerImage(db));
  }
  // The controller holds another database of the format: three levels of 16.
  void ControllerHoldsThreeLevels() {
    test::TempDir other;
    ConfigImage c = test::EditorDefaultV3();
    c.levelCount[0] = 3;
    for (int l = 0; l < 3; ++l) c.sourceCount[0][l] = c.destCount[0][l] = 16;
    c.sourceCount[0][3] = c.destCount[0][3] = 0;
    test::CallConfig call(c);
    DbsHandle o = -1;
    ASSERT_EQ(dbs_CreateFile(Str(other.File("o.ZP3")), &call.record, 0, &o), DBS_OK);
    {
      Db db(o, Slots()[o]);
      sim.SetMemory(0, EncodeControllerImage(db));
    }
    ASSERT_EQ(dbs_CloseFile(o), DBS_OK);
  }
  // The summary of a call that succeeds; what the caller passed in is never
  // left in it.
  ZephraControllerSummary Describe() {
    ZephraControllerSummary s;
    std::memset(&s, 0xAA, sizeof s);
    EXPECT_EQ(zephra_DescribeController(h, &s), DBS_OK);
    return s;
  }
};

TEST_F(DescribeControllerTest, AControllerHoldingTheDatabaseDiffersInNoBlock) {
  ControllerHoldsTheDatabase();
  ASSERT_EQ(GoOnLine(), DBS_OK);
  const ZephraControllerSummary s = Describe();
  EXPECT_STREQ(s.version, "ZP300.00");
  EXPECT_EQ(s.controllerType, DBS_TYPE_V3);
  EXPECT_EQ(s.sameFormat, 1);
  const ConfigImage& file = TheSlot().db->config;
  EXPECT_EQ(s.levelCount, 8);
  for (int l = 0; l < 8; ++l) {
    EXPECT_EQ(s.sourceCount[l], file.sourceCount[0][l]) << l;
    EXPECT_EQ(s.destCount[l], file.destCount[0][l]) << l;
  }
  EXPECT_EQ(s.blockCount, 512u);
  EXPECT_EQ(s.differingBlocks, 0u);
  EXPECT_STREQ(s.areas, "");
  EXPECT_TRUE(TheSlot().ctl->expectedChecksums.empty());
  EXPECT_EQ(GoOnLine(), DBS_OK);  // still in agreement, still on-line
}

// Changes made off-line, each in a block of its own: the areas named are
// those the changed block lies in, one or two of them.
TEST_F(DescribeControllerTest, TheAreasNamedAreThoseTheDifferingBlocksLieIn) {
  ControllerHoldsTheDatabase();
  Str camera(u"CAMERA");
  const TSourceIndexRecord source{0, 0, 3};
  ASSERT_EQ(dbs_SetSourceName(&source, camera, h), DBS_OK);
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  ZephraControllerSummary s = Describe();
  EXPECT_EQ(s.differingBlocks, 1u);
  EXPECT_STREQ(s.areas, "source names");

  // A salvo's name lies in a block the XY sets end in.
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  Str shortName(u"S0"), name(u"OPENING");
  const TMacroStoreRecord salvo{0, shortName, name, 0};
  ASSERT_EQ(dbs_SetMacroStore(0, &salvo, h), DBS_OK);
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  s = Describe();
  EXPECT_EQ(s.differingBlocks, 2u);
  EXPECT_STREQ(s.areas, "source names, XY destination sets, salvos");

  // The last block holds the last areas, the trigger lines running to the
  // end of the image.
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  const std::uint8_t lines[4] = {0x85, 0x86, 0, 0x87};
  ASSERT_EQ(dbs_SetTrigLines(lines, h), DBS_OK);
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  s = Describe();
  EXPECT_EQ(s.differingBlocks, 3u);
  EXPECT_STREQ(s.areas,
               "source names, XY destination sets, salvos, dial-up keypads, level sizes, park sources, matrix ports, "
               "trigger lines");
}

TEST_F(DescribeControllerTest, AControllerWithOtherDimensionsIsDescribedAndTheFileKept) {
  ControllerHoldsThreeLevels();
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  ASSERT_EQ(TheSlot().db->file.Flush(), DBS_OK);
  const auto before = ReadAll(path);
  const std::uint64_t writes = TheSlot().writes;

  const ZephraControllerSummary s = Describe();
  EXPECT_EQ(s.sameFormat, 1);
  EXPECT_EQ(s.levelCount, 3);
  for (int l = 0; l < 8; ++l) {
    EXPECT_EQ(s.sourceCount[l], l < 3 ? 16 : 0) << l;
    EXPECT_EQ(s.destCount[l], l < 3 ? 16 : 0) << l;
  }
  EXPECT_GT(s.differingBlocks, 0u);
  EXPECT_LT(s.differingBlocks, s.blockCount);
  const std::string areas = s.areas;
  for (const char* area : {"source names", "inhibits", "level sizes"}) {
    EXPECT_NE(areas.find(area), std::string::npos) << area << " in " << areas;
  }
  EXPECT_EQ(areas.find("salvos"), std::string::npos) << areas;  // the same in both

  // Asking again gives the same; the file, the slot's state and the
  // controller are as they were.
  const ZephraControllerSummary again = Describe();
  EXPECT_EQ(std::memcmp(&s, &again, sizeof s), 0);
  ASSERT_EQ(TheSlot().db->file.Flush(), DBS_OK);
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(TheSlot().writes, writes);
  EXPECT_EQ(TheSlot().db->config.levelCount[0], 8);
  EXPECT_TRUE(TheSlot().ctl->expectedChecksums.empty());
  EXPECT_TRUE(IsOnLine());
  EXPECT_EQ(sim.CountReceived(0x20), 0u);  // nothing written to the controller
}

TEST_F(DescribeControllerTest, AControllerThatCannotGiveItsChecksums) {
  ControllerHoldsThreeLevels();
  sim.AddFault({ctlsim::Fault::Kind::DatabaseCorrupt, 0x27, 0, 2});
  ASSERT_EQ(GoOnLine(), DBS_ERR_CONTROLLER_CORRUPT);
  // Corrupt: the dimensions are still read, the blocks cannot be compared.
  const ZephraControllerSummary s = Describe();
  EXPECT_EQ(s.sameFormat, 1);
  EXPECT_EQ(s.levelCount, 3);
  EXPECT_EQ(s.blockCount, 512u);
  EXPECT_EQ(s.differingBlocks, 0xFFFFFFFFu);
  EXPECT_STREQ(s.areas, "");

  // A link that fails answers its failure, leaves the summary zero and the
  // database on-line.
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x1F, 0, 100});  // every table read refused
  ZephraControllerSummary failed;
  std::memset(&failed, 0xAA, sizeof failed);
  EXPECT_EQ(zephra_DescribeController(h, &failed), DBS_ERR_COMMS);
  EXPECT_TRUE(AllZero(failed));
  sim.ClearFaults();
  EXPECT_TRUE(IsOnLine());
  EXPECT_TRUE(TheSlot().ctl->expectedChecksums.empty());
  EXPECT_EQ(Describe().levelCount, 3);
}

// The controller was given a database of another format after the file went
// on-line: only its version is known, and nothing more is asked of it.
TEST_F(DescribeControllerTest, AControllerOfAnotherFormatGivesOnlyItsVersion) {
  ControllerHoldsTheDatabase();
  ASSERT_EQ(GoOnLine(), DBS_OK);
  const std::size_t reads = sim.CountReceived(0x1F), checksums = sim.CountReceived(0x27);
  struct Case {
    const char* version;
    std::uint16_t type;
  };
  for (const Case& c : {Case{"ZP201.00", DBS_TYPE_V2}, Case{"ZP100.00", DBS_TYPE_V1}, Case{"KV100.00", DBS_TYPE_KV1},
                        Case{"XYZ00.00", 0xFFFF}}) {
    sim.SetVersion(c.version);
    const ZephraControllerSummary s = Describe();
    EXPECT_STREQ(s.version, c.version);
    EXPECT_EQ(s.controllerType, c.type) << c.version;
    EXPECT_EQ(s.sameFormat, 0) << c.version;
    EXPECT_EQ(s.levelCount, 0) << c.version;
    EXPECT_EQ(s.blockCount, 0u) << c.version;
    EXPECT_EQ(s.differingBlocks, 0u) << c.version;
    EXPECT_STREQ(s.areas, "") << c.version;
  }
  EXPECT_EQ(sim.CountReceived(0x1F), reads);
  EXPECT_EQ(sim.CountReceived(0x27), checksums);
  EXPECT_TRUE(IsOnLine());
  sim.SetVersion("ZP300.00");
  EXPECT_EQ(Describe().sameFormat, 1);
}

TEST_F(DescribeControllerTest, RefusedWithoutAnOnLineDatabaseOrASummary) {
  ZephraControllerSummary s;
  std::memset(&s, 0xAA, sizeof s);
  EXPECT_EQ(zephra_DescribeController(h, &s), DBS_ERR_NOT_ONLINE);
  EXPECT_TRUE(AllZero(s));
  for (DbsHandle bad : {-1, 7, 10}) EXPECT_EQ(zephra_DescribeController(bad, &s), DBS_ERR_INVALID_DATABASE) << bad;

  ControllerHoldsTheDatabase();
  ASSERT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(zephra_DescribeController(h, nullptr), DBS_ERR_INVALID_ARGUMENT);
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  EXPECT_EQ(zephra_DescribeController(h, &s), DBS_ERR_NOT_ONLINE);

  // An old-format database, open only to be converted.
  const std::string old = dir.File("old.KV1");
  test::WriteKv1(old, {{33, 16, 16}});
  DbsHandle k = -1;
  ASSERT_EQ(dbs_OpenFile(Str(old), 0, &k), DBS_OK);
  EXPECT_EQ(zephra_DescribeController(k, &s), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(dbs_CloseFile(k), DBS_OK);
}

}  // namespace
}  // namespace zephra
