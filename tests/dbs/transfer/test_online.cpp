// Going on-line with the simulated controller through the library's
// exports: agreement and disagreement, another format, a user who gives up,
// the controller queries, and a link library that is not there.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "../db_fixture.h"
#include "dbs/records/sources.h"
#include "dbs/transfer/controller_image.h"
#include "sim/ctlsim.h"
#include "zephra/zephra_journal.h"
#include "zephra/zephra_upload.h"

namespace zephra {
namespace {

using test::Str;

struct OnLineTest : test::DbTest {
  ctlsim::Simulator sim{DBS_TYPE_V3};
  DbsPortSettings settings{};

  void SetUp() override {
    setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
    Make();
    ASSERT_TRUE(sim.Start());
    settings.baudRate = 115200;
    settings.dataBits = 8;
    settings.stopBits = 2;
  }
  void TearDown() override {
    test::DbTest::TearDown();
    sim.Stop();
  }
  DbsStatus GoOnLine(DbsSearchStatusCallback onSearch = nullptr) {
    Str port(std::u16string(sim.PortPath().begin(), sim.PortPath().end()));
    return dbs_OnLine(port, &settings, nullptr, onSearch, -1, h);
  }
  // The controller holds what this database would download.
  void ControllerHoldsTheDatabase() {
    Db db(h, TheSlot());
    sim.SetMemory(0, EncodeControllerImage(db));
  }
  bool IsOnLine() {
    std::uint16_t status = 0;
    return dbs_GetControllerStatus(&status, h) == DBS_OK;
  }
};

TEST_F(OnLineTest, AgreementAndDisagreementLeaveTheDatabaseOnLine) {
  EXPECT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);  // an empty controller
  EXPECT_TRUE(IsOnLine());
  EXPECT_TRUE(TheSlot().ctl->expectedChecksums.empty());  // freed before returning
  ControllerHoldsTheDatabase();
  EXPECT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(dbs_OffLine(h), DBS_OK);
  EXPECT_FALSE(IsOnLine());
  EXPECT_EQ(dbs_OffLine(h), DBS_OK);  // not on-line: nothing to do
  // One record changed off-line.
  Str name(u"CAMERA");
  const TSourceIndexRecord source{0, 0, 3};
  ASSERT_EQ(dbs_SetSourceName(&source, name, h), DBS_OK);
  EXPECT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  EXPECT_TRUE(IsOnLine());
}

TEST_F(OnLineTest, AnotherFormatOrAUserWhoGivesUpLeavesItOffLine) {
  ControllerHoldsTheDatabase();
  sim.SetVersion("ZP201.00");
  EXPECT_EQ(GoOnLine(), DBS_ERR_CONTROLLER_NOT_V3);
  EXPECT_FALSE(IsOnLine());
  sim.SetVersion("ZP300.00");
  EXPECT_EQ(GoOnLine([](std::int32_t, std::int32_t* keepGoing) { *keepGoing = 0; }), DBS_ERR_COMMS);
  EXPECT_FALSE(IsOnLine());
  // The port was let go both times.
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(OnLineTest, ACorruptControllerKeepsTheDatabaseOnLine) {
  sim.AddFault({ctlsim::Fault::Kind::DatabaseCorrupt, 0x27, 0, 1});
  EXPECT_EQ(GoOnLine(), DBS_ERR_CONTROLLER_CORRUPT);
  EXPECT_TRUE(IsOnLine());
}

TEST_F(OnLineTest, HandlesAndLibrariesThatAreNotThere) {
  Str port(u"/dev/null");
  EXPECT_EQ(dbs_OnLine(port, &settings, nullptr, nullptr, -1, 10), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(dbs_OnLine(port, &settings, nullptr, nullptr, -1, -1), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(dbs_OnLine(port, &settings, nullptr, nullptr, -1, 7), DBS_ERR_DLL_FUNCTION_MISSING);
  EXPECT_EQ(dbs_OffLine(-1), DBS_ERR_INVALID_DATABASE);
  setenv("ZEPHRA_LINK_LIBRARY", "/nonexistent/libtolvex.so", 1);
  EXPECT_EQ(GoOnLine(), DBS_SYS_MOD_NOT_FOUND);
  EXPECT_FALSE(IsOnLine());
  char text[DBS_VERSION_TEXT_SIZE];
  EXPECT_EQ(dbs_Get_Tolvex_DLL_Version(text), DBS_SYS_MOD_NOT_FOUND);
}

TEST_F(OnLineTest, ControllerQueries) {
  char boot[DBS_FIRMWARE_TEXT_SIZE], main[DBS_FIRMWARE_TEXT_SIZE], oem[DBS_FIRMWARE_TEXT_SIZE];
  EXPECT_EQ(dbs_Get_Firmware_Version(boot, main, oem, h), DBS_ERR_NOT_ONLINE);
  EXPECT_STREQ(main, "<Not On-line>");
  EXPECT_EQ(dbs_ClearAllProtects(255, 255, h), DBS_ERR_NOT_ONLINE);
  ControllerHoldsTheDatabase();
  ASSERT_EQ(GoOnLine(), DBS_OK);
  ASSERT_EQ(dbs_Get_Firmware_Version(boot, main, oem, h), DBS_OK);
  EXPECT_STREQ(boot, "BOOT 1.02");
  EXPECT_STREQ(main, "MAIN 4.21");
  EXPECT_STREQ(oem, "ZEPHRA OEM");
  sim.SetDualStatus(0x01, 0x00);
  std::uint16_t status = 0;
  EXPECT_EQ(dbs_GetControllerStatus(&status, h), DBS_OK);
  EXPECT_EQ(status, 1);
  sim.Protect(0, 0, 4);
  EXPECT_EQ(dbs_ClearAllProtects(255, 255, h), DBS_OK);
  EXPECT_FALSE(sim.Protected(0, 0, 4));
  char text[DBS_VERSION_TEXT_SIZE];
  ASSERT_EQ(dbs_Get_Tolvex_DLL_Version(text), DBS_OK);
  EXPECT_EQ(std::string(text).rfind("1.07 19/03/2004", 0), 0u);
  ASSERT_EQ(dbs_Get_Korvell_DLL_Version(text), DBS_OK);
  EXPECT_EQ(std::string(text).rfind("3.00 17/07/2007 (", 0), 0u);
}

TEST_F(OnLineTest, TheControllerTypeIsAskedOnlyWhileNoDatabaseIsOnLine) {
  Str port(std::u16string(sim.PortPath().begin(), sim.PortPath().end()));
  std::uint16_t type = 0;
  ASSERT_EQ(dbs_GetControllerType(port, &settings, nullptr, nullptr, &type), DBS_OK);
  EXPECT_EQ(type, DBS_TYPE_V3);
  sim.SetVersion("XYZ00.00");
  ASSERT_EQ(dbs_GetControllerType(port, &settings, nullptr, nullptr, &type), DBS_OK);
  EXPECT_EQ(type, 65535);
  sim.SetVersion("ZP300.00");
  ControllerHoldsTheDatabase();
  ASSERT_EQ(GoOnLine(), DBS_OK);
  EXPECT_EQ(dbs_GetControllerType(port, &settings, nullptr, nullptr, &type), DBS_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(type, 65535);
  EXPECT_TRUE(IsOnLine());  // the running link was left alone
  char boot[DBS_FIRMWARE_TEXT_SIZE];
  EXPECT_EQ(dbs_Get_Firmware_Version(boot, nullptr, nullptr, h), DBS_OK);
}

TEST_F(OnLineTest, ADownloadBringsTheControllerIntoAgreement) {
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  static std::uint32_t calls, lastDone, lastTotal;
  calls = lastDone = lastTotal = 0;
  const auto progress = [](std::uint32_t, std::uint32_t done, std::uint32_t total) -> std::uint32_t {
    ++calls;
    lastDone = done;
    lastTotal = total;
    return 0;
  };
  ASSERT_EQ(dbs_Download(h, progress), DBS_OK);
  const std::uint32_t image = TheSlot().ctl->map.blockCount * 1024u;
  const std::uint32_t area = TheSlot().ctl->map.paramAreaSize;
  const std::uint32_t chunks = image / 128 + 3 * ((area + 127) / 128);
  EXPECT_EQ(calls, chunks + 4);  // every frame, and the end of each component
  EXPECT_EQ(lastDone, area - 2);
  EXPECT_EQ(lastTotal, area);
  Db db(h, TheSlot());
  const auto memory = sim.Memory();
  const auto expected = EncodeControllerImage(db);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin()));
  for (int a = 1; a <= 3; ++a) {
    const auto bytes = EncodeParameterArea(db, a);
    const std::uint32_t at = ParameterAreaAddress(*TheSlot().db->format, a);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), memory.begin() + at)) << a;
  }
  EXPECT_EQ(sim.Restarts(), 1);
  EXPECT_TRUE(IsOnLine());
  EXPECT_EQ(GoOnLine(), DBS_OK);
}

TEST_F(OnLineTest, ADownloadOfNothingOrACancelledOneStillStops) {
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  EXPECT_EQ(dbs_DownloadWithOptions(h, nullptr, 0, 0, 0, 0), DBS_OK);
  EXPECT_EQ(sim.CountReceived(0x25), 1u);
  EXPECT_EQ(sim.CountReceived(0x20), 0u);
  EXPECT_EQ(sim.CountReceived(0x26), 1u);
  const auto cancel = [](std::uint32_t, std::uint32_t, std::uint32_t) -> std::uint32_t { return 255; };
  EXPECT_EQ(dbs_Download(h, cancel), DBS_ERR_CANCELLED);
  EXPECT_EQ(sim.CountReceived(0x20), 1u);  // one frame, then the stop
  EXPECT_EQ(sim.CountReceived(0x26), 2u);
  // Only the video triggers.
  EXPECT_EQ(dbs_DownloadWithOptions(h, nullptr, 0, 0, 0, 1), DBS_OK);
  EXPECT_EQ(sim.CountReceived(0x20), 1u + (TheSlot().ctl->map.paramAreaSize + 127) / 128);
  EXPECT_EQ(dbs_Download(10, nullptr), DBS_SYS_FILE_NOT_FOUND);
  EXPECT_EQ(dbs_Download(-1, nullptr), DBS_SYS_FILE_NOT_FOUND);
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  EXPECT_EQ(dbs_Download(h, nullptr), DBS_ERR_NOT_ONLINE);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), {});
}


struct UploadTest : OnLineTest {
  // The controller holds another database: three levels of 16, with a
  // renamed source and a parameter of its own.
  void ControllerHoldsAnother() {
    test::TempDir other;
    ConfigImage c = test::EditorDefaultV3();
    c.levelCount[0] = 3;
    for (int l = 0; l < 3; ++l) c.sourceCount[0][l] = c.destCount[0][l] = 16;
    c.sourceCount[0][3] = c.destCount[0][3] = 0;
    test::CallConfig call(c);
    DbsHandle o = -1;
    ASSERT_EQ(dbs_CreateFile(Str(other.File("o.ZP3")), &call.record, 0, &o), DBS_OK);
    Str name(u"STUDIO A");
    const TSourceIndexRecord source{0, 1, 7};
    ASSERT_EQ(dbs_SetSourceName(&source, name, o), DBS_OK);
    {
      Db db(o, Slots()[o]);
      sim.SetMemory(0, EncodeControllerImage(db));
      for (int a = 1; a <= 3; ++a) sim.SetMemory(ParameterAreaAddress(*Slots()[o].db->format, a), EncodeParameterArea(db, a));
    }
    ASSERT_EQ(dbs_CloseFile(o), DBS_OK);
  }
};

TEST_F(UploadTest, AFullUploadRebuildsTheFileWithTheControllersDimensions) {
  ControllerHoldsAnother();
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  ASSERT_EQ(dbs_Upload(h, nullptr), DBS_OK);
  EXPECT_TRUE(IsOnLine());
  const ConfigImage& c = TheSlot().db->config;
  EXPECT_EQ(c.levelCount[0], 3);
  EXPECT_EQ(c.sourceCount[0][2], 16);
  EXPECT_EQ(std::u16string(c.version, 8), u"ZP301.00");
  Str name(u"........");  // eight units: the 8-character name
  const TSourceIndexRecord source{0, 1, 7};
  ASSERT_EQ(dbs_GetSourceName(&source, name, h), DBS_OK);
  EXPECT_EQ(std::u16string(name, 8), u"STUDIO A");
  EXPECT_EQ(GoOnLine(), DBS_OK);  // file and controller agree
  // Only the database is in the folder, at its full new size.
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  h = -1;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
  DbsHandle again = -1;
  ASSERT_EQ(dbs_OpenFile(Str(path), 1, &again), DBS_OK);
  EXPECT_EQ(Slots()[again].db->config.levelCount[0], 3);
  dbs_CloseFile(again);
}

TEST_F(UploadTest, AFailedOrCancelledUploadLeavesTheFileAsItWas) {
  ControllerHoldsAnother();
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  ASSERT_EQ(TheSlot().db->file.Flush(), DBS_OK);
  const auto before = ReadAll(path);
  const auto cancel = [](std::uint32_t, std::uint32_t done, std::uint32_t) -> std::uint32_t {
    return done >= 128 * 20 ? 255 : 0;
  };
  EXPECT_EQ(dbs_Upload(h, cancel), DBS_ERR_CANCELLED);
  {
    test::FileSizeLimit limit(1 << 20);  // the new file cannot be made
    EXPECT_EQ(dbs_Upload(h, nullptr), DBS_SYS_DISK_FULL);
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(TheSlot().db->config.levelCount[0], 4);
  EXPECT_TRUE(IsOnLine());
  Str name(u"CAMERA");
  const TSourceIndexRecord source{0, 3, 31};  // the old dimensions still hold
  EXPECT_EQ(dbs_SetSourceName(&source, name, h), DBS_OK);
}

// Each general port comes back from the controller as its own record,
// numbered as its port, whichever controller slot holds it.
TEST_F(UploadTest, GeneralPortsAnswerTheSameAfterAnUpload) {
  ConfigImage c = test::EditorDefaultV3();
  c.generalPortCount = 4;  // as an upload makes it
  Remake(c);
  const std::uint8_t protocols[4] = {2, 3, 6, 8};
  const std::uint32_t bauds[4] = {9600, 19200, 38400, 115200};
  for (std::uint16_t p = 0; p < 4; ++p) {
    TGeneralPortRecord port{};
    ASSERT_EQ(dbs_GetGeneralPort(p, &port, h), DBS_OK);
    port.protocol = protocols[p];
    port.baudRate = bauds[p];
    port.parity = static_cast<std::uint8_t>(p % 3);
    port.dataBits = p == 1 ? 7 : 8;
    port.stopBits = p == 2 ? 4 : 2;
    port.handshake = p == 3;
    port.duplex = p == 0;
    port.routeInhibits = p % 2;
    ASSERT_EQ(dbs_SetGeneralPort(p, &port, h), DBS_OK);
  }
  TGeneralPortRecord before[4];
  for (std::uint16_t p = 0; p < 4; ++p) ASSERT_EQ(dbs_GetGeneralPort(p, &before[p], h), DBS_OK);
  ControllerHoldsTheDatabase();
  ASSERT_EQ(GoOnLine(), DBS_OK);
  ASSERT_EQ(dbs_Upload(h, nullptr), DBS_OK);
  for (std::uint16_t p = 0; p < 4; ++p) {
    TGeneralPortRecord after{};
    ASSERT_EQ(dbs_GetGeneralPort(p, &after, h), DBS_OK);
    EXPECT_EQ(after.port, p);
    EXPECT_EQ(std::memcmp(&after, &before[p], sizeof after), 0) << p;
  }
}

TEST_F(UploadTest, AParameterUploadKeepsTheConfiguration) {
  ControllerHoldsTheDatabase();
  const FormatInfo& f = *TheSlot().db->format;
  sim.SetParameter(0, 0, 1, 5, 0x42);  // source audio parameter of level 1, source 5
  ASSERT_EQ(GoOnLine(), DBS_OK);
  ASSERT_EQ(dbs_UploadWithOptions(h, nullptr, 0, 1, 0, 0), DBS_OK);
  Db db(h, TheSlot());
  EXPECT_EQ(db.Read<SourceEntry>(SourcePos(db, 0, 1, 5)).audioParam, 0x42);
  EXPECT_EQ(TheSlot().db->config.levelCount[0], 4);
  EXPECT_EQ(sim.Memory()[f.controllerMap->ctlParamArea1 + f.maxDests[0] + 5], 0x42);
  EXPECT_EQ(dbs_Upload(10, nullptr), DBS_ERR_INVALID_ARGUMENT);
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  EXPECT_EQ(dbs_Upload(h, nullptr), DBS_ERR_NOT_ONLINE);
}

// The controller read into a file of its own: the open database keeps its
// bytes, its dimensions, its journal and its place on-line.
TEST_F(UploadTest, AnUploadToAFileLeavesTheOpenDatabaseAlone) {
  ControllerHoldsAnother();
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  ASSERT_EQ(zephra_BeginStep(h), DBS_OK);
  Str camera(u"CAMERA");
  const TSourceIndexRecord renamed{0, 0, 2};
  ASSERT_EQ(dbs_SetSourceName(&renamed, camera, h), DBS_OK);
  std::uint32_t step = 0;
  ASSERT_EQ(zephra_EndStep(&step, h), DBS_OK);
  ASSERT_EQ(TheSlot().db->file.Flush(), DBS_OK);
  const auto before = ReadAll(path);
  const std::string copy = dir.File("controller.ZP3");
  ASSERT_EQ(zephra_UploadToFile(h, Str(copy), nullptr), DBS_OK);
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(TheSlot().db->config.levelCount[0], 4);
  EXPECT_TRUE(IsOnLine());
  ZephraJournalState journal{};
  ASSERT_EQ(zephra_GetJournalState(&journal, h), DBS_OK);
  EXPECT_EQ(journal.undoSteps, 1u);
  DbsHandle o = -1;
  ASSERT_EQ(dbs_OpenFile(Str(copy), 0, &o), DBS_OK);
  EXPECT_EQ(Slots()[o].db->config.levelCount[0], 3);
  EXPECT_EQ(std::memcmp(Slots()[o].db->config.name, TheSlot().db->config.name, sizeof TheSlot().db->config.name), 0);
  Str name(u"........");
  const TSourceIndexRecord source{0, 1, 7};
  ASSERT_EQ(dbs_GetSourceName(&source, name, o), DBS_OK);
  EXPECT_EQ(std::u16string(name, 8), u"STUDIO A");
  EXPECT_EQ(dbs_CloseFile(o), DBS_OK);
}

// A file that holds what the controller holds and the file's own controller
// view are built alike: byte for byte the same when the two agree.
TEST_F(UploadTest, TheControllerViewOfAnAgreeingFileIsWhatTheUploadGives) {
  Str name(u"VT 3");
  const TSourceIndexRecord source{0, 2, 9};
  ASSERT_EQ(dbs_SetSourceName(&source, name, h), DBS_OK);
  ControllerHoldsTheDatabase();
  {
    Db db(h, TheSlot());
    for (int a = 1; a <= 3; ++a) sim.SetMemory(ParameterAreaAddress(*TheSlot().db->format, a), EncodeParameterArea(db, a));
  }
  ASSERT_EQ(GoOnLine(), DBS_OK);
  const std::string fromController = dir.File("controller.ZP3"), view = dir.File("view.ZP3");
  ASSERT_EQ(zephra_UploadToFile(h, Str(fromController), nullptr), DBS_OK);
  ASSERT_EQ(zephra_ControllerViewToFile(h, Str(view)), DBS_OK);
  const auto a = ReadAll(fromController), b = ReadAll(view);
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == b);
}

TEST_F(UploadTest, AnUploadToAFileThatFailsLeavesNoFile) {
  const std::string copy = dir.File("controller.ZP3");
  EXPECT_EQ(zephra_UploadToFile(h, Str(copy), nullptr), DBS_ERR_NOT_ONLINE);
  EXPECT_EQ(zephra_UploadToFile(10, Str(copy), nullptr), DBS_ERR_INVALID_ARGUMENT);
  ControllerHoldsAnother();
  ASSERT_EQ(GoOnLine(), DBS_ERR_CHECKSUM_MISMATCH);
  const auto cancel = [](std::uint32_t, std::uint32_t done, std::uint32_t) -> std::uint32_t {
    return done >= 128 * 20 ? 255 : 0;
  };
  EXPECT_EQ(zephra_UploadToFile(h, Str(copy), cancel), DBS_ERR_CANCELLED);
  EXPECT_FALSE(std::filesystem::exists(copy));
  {
    test::FileSizeLimit limit(1 << 20);  // the new file cannot be made
    EXPECT_EQ(zephra_UploadToFile(h, Str(copy), nullptr), DBS_SYS_DISK_FULL);
  }
  EXPECT_FALSE(std::filesystem::exists(copy));
  // Never over a file, nor over the open database.
  { std::ofstream(copy) << "kept"; }
  EXPECT_NE(zephra_UploadToFile(h, Str(copy), nullptr), DBS_OK);
  EXPECT_EQ(ReadAll(copy).size(), 4u);
  EXPECT_NE(zephra_UploadToFile(h, Str(path), nullptr), DBS_OK);
  EXPECT_NE(zephra_ControllerViewToFile(h, Str(path)), DBS_OK);
  EXPECT_TRUE(IsOnLine());
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  // The view needs no controller, but a database it may change.
  EXPECT_EQ(zephra_ControllerViewToFile(h, Str(dir.File("view.ZP3"))), DBS_OK);
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  ASSERT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK);
  EXPECT_EQ(zephra_ControllerViewToFile(h, Str(dir.File("view2.ZP3"))), DBS_SYS_ACCESS_DENIED);
  EXPECT_FALSE(std::filesystem::exists(dir.File("view2.ZP3")));
}

}  // namespace
}  // namespace zephra
