// Reading what the controller holds through the link library, against the
// simulated controller: the configuration an upload gives, a controller of
// another format, and a read the caller cancels.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "../db_fixture.h"
#include "dbs/records/matrix.h"
#include "dbs/transfer/controller_image.h"
#include "dbs/transfer/controller_memory.h"
#include "sim/ctlsim.h"
#include "tolvex/tolvex.h"

namespace zephra {
namespace {

struct ControllerMemoryTest : test::DbTest {
  ctlsim::Simulator sim{DBS_TYPE_V3};

  void SetUp() override {
    Make();
    ASSERT_TRUE(sim.Start());
  }
  // On-line as the library goes on-line: the link library loaded into the
  // slot and its link open on the controller's port.
  void GoOnLine() {
    void* lib = dlopen(TOLVEX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto onLine = reinterpret_cast<decltype(&OnLine)>(dlsym(lib, "OnLine"));
    ASSERT_NE(onLine, nullptr);
    const std::u16string port(sim.PortPath().begin(), sim.PortPath().end());
    TolvexPortSettings settings{};
    settings.baudRate = 115200;
    settings.dataBits = 8;
    settings.stopBits = 2;
    ASSERT_EQ(onLine(port.c_str(), &settings, nullptr, nullptr, static_cast<std::uint16_t>(h)), DBS_OK);
    TheSlot().ctl->linkLibrary = lib;
    TheSlot().db->online = 1;  // closing takes it off-line
  }
};

TEST_F(ControllerMemoryTest, TheControllersCountsGiveTheUploadConfiguration) {
  {
    Db db(h, TheSlot());
    auto level = db.Read<LevelEntry>(LevelPos(db, 0, 1));
    level.parkSource = 576;  // the format's maximum: the level has its park source
    ASSERT_EQ(db.Write(LevelPos(db, 0, 1), level), DBS_OK);
    sim.SetMemory(0, EncodeControllerImage(db));
  }
  GoOnLine();
  ConfigImage config{};
  ASSERT_EQ(TheSlot().ops.ReadControllerConfig(h, &config), DBS_OK);
  EXPECT_EQ(config.levelCount[0], 4);
  EXPECT_EQ(config.sourceCount[0][0], 32);
  EXPECT_EQ(config.sourceCount[0][1], 577);
  EXPECT_EQ(config.destCount[0][3], 32);
  EXPECT_EQ(config.panelCount, 32);
  EXPECT_EQ(std::u16string(config.version, 8), u"ZP301.00");

  sim.SetVersion("ZP201.00");
  EXPECT_EQ(TheSlot().ops.ReadControllerConfig(h, &config), DBS_ERR_CONTROLLER_NOT_V3);
}

TEST_F(ControllerMemoryTest, ReadsInChunksAndCanBeCancelled) {
  std::vector<std::uint8_t> pattern(300);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i * 7);
  sim.SetMemory(0x1000, pattern);
  GoOnLine();
  std::vector<std::uint8_t> back(300);
  ASSERT_EQ(ReadControllerMemory(TheSlot(), h, back.data(), 0x1000, 300), DBS_OK);
  EXPECT_EQ(back, pattern);
  static int calls;
  calls = 0;
  const auto cancel = [](std::uint32_t, std::uint32_t, std::uint32_t) -> std::uint32_t { return ++calls == 1 ? 255 : 0; };
  EXPECT_EQ(ReadControllerMemory(TheSlot(), h, back.data(), 0x1000, 300, cancel, 0, 300), DBS_ERR_CANCELLED);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(sim.CountReceived(0x1F), 4u);  // three chunks, then one before the cancel
}

TEST_F(ControllerMemoryTest, WithoutALinkLibraryNothingIsRead) {
  ConfigImage config{};
  EXPECT_EQ(TheSlot().ops.ReadControllerConfig(h, &config), DBS_SYS_PROC_NOT_FOUND);
  std::uint8_t byte;
  EXPECT_EQ(ReadControllerMemory(TheSlot(), h, &byte, 0, 1), DBS_SYS_PROC_NOT_FOUND);
}

}  // namespace
}  // namespace zephra
