// A main window with a database of its own and a controller simulator that
// holds it (or another), for the tests that take the editor on-line.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Transfer.h"
#include "simulator_port.h"

namespace online_test {

inline std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs zephra-db with `args`, its output dropped (or written to `output`).
inline int Tool(const std::string& args, const std::string& output = "/dev/null") {
  return std::system((std::string(ZEPHRA_DB_PROGRAM) + " " + args + " > " + output + " 2>&1").c_str());
}

// Answers the components dialog: OK with the database only.
inline int DatabaseOnly(QDialog& d) {
  auto& options = static_cast<TReadApplyForm&>(d);
  EXPECT_TRUE(options.DatabaseCheck->isChecked());
  return QDialog::Accepted;
}

struct OnlineTest : OnlineWindowTest {
  // A default V3 database in the folder, and a controller that holds
  // `memoryOf`'s image (the same database when empty).
  QString Prepare(const std::string& memoryOf = {}) {
    EXPECT_EQ(Tool("create Studio.ZP3 --format v3"), 0);
    const std::string source = memoryOf.empty() ? "Studio.ZP3" : memoryOf;
    EXPECT_EQ(Tool("controller-image " + source + " memory.bin"), 0);
    EXPECT_TRUE(sim.Load(dir.File("memory.bin")));
    return QDir::current().filePath("Studio.ZP3");
  }
  // A V3 database of two levels of 64 sources and 48 destinations.
  void MakeTwoLevelDatabase(const std::string& name) {
    std::ofstream("small.json") << R"({"configType":4,"version":"ZP300.00","matrixCount":1,"levelCount":[2],)"
                                    R"("sourceCount":[[64,64]],"destCount":[[48,48]],"sourceAssocCount":[768],)"
                                    R"("destAssocCount":[768],"generalPortCount":4,"multidropPortCount":2,)"
                                    R"("panelCount":32,"keypadCount":80,"xySetCount":32,"outputSetCount":32,)"
                                    R"("umdCount":32,"salvoCount":32,"salvoXPCount":3000})";
    ASSERT_EQ(Tool("create " + name + " --config small.json --overwrite"), 0);
  }
  void Open(const QString& path) {
    ASSERT_TRUE(form->Manager().OpenDatabaseFile(path, {2, 3, 4}));
    form->EnableAfterOpen();
  }
  TCommonInterface& Ci() { return form->Manager().CommonInterface; }
  // The on-line toggle asks for the port (the question is cancelled) and
  // stays off-line.
  bool AsksForThePortAgain() {
    bool asked = false;
    ui.Dialogs.enqueue([&](QDialog&) {
      asked = true;
      return QDialog::Rejected;
    });
    return !form->OnLineCommand() && asked;
  }
  // The controller's memory as a download of the file would leave it.
  std::vector<uint8_t> ImageOf(const std::string& db) {
    EXPECT_EQ(Tool("controller-image " + db + " expected.bin"), 0);
    auto bytes = Read(dir.File("expected.bin"));
    bytes.resize(sim.ImageSize());
    return bytes;
  }
};

}  // namespace online_test
