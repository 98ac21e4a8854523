// A real database file made by the library in a folder of the test's own,
// open for the test, closed at its end and checked to reopen soundly.
#pragma once

#include <gtest/gtest.h>

#include "config_fixtures.h"
#include "dbs/frame.h"
#include "temp_dir.h"

namespace zephra::test {

class DbTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("test.ZP3");
  DbsHandle h = -1;

  // Makes and opens the database; tests call it with their configuration.
  void Make(const ConfigImage& config = EditorDefaultV3()) {
    CallConfig call(config);
    ASSERT_EQ(dbs_CreateFile(Str(path), &call.record, 0, &h), DBS_OK);
  }
  void SetUp() override { Make(); }
  void Remake(const ConfigImage& config) {
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
    std::remove(path.c_str());
    Make(config);
  }
  // Every test ends with a file that closes and verifies on reopening.
  void TearDown() override {
    if (h < 0) return;
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
    DbsHandle again = -1;
    EXPECT_EQ(dbs_OpenFile(Str(path), 0, &again), DBS_OK);
    dbs_CloseFile(again);
  }
  Slot& TheSlot() { return Slots()[h]; }
  std::uint32_t Changed() { return TheSlot().changed; }
  void ClearChanged() { TheSlot().changed = 0; }
};

}  // namespace zephra::test
