// zephra-ctlsim as a person runs it: it prints its port, a link goes on-line
// to it through a symbolic link, what is written survives in the saved
// memory, and a second run loaded from that file answers with it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "dbs/checksum.h"
#include "dbs/layout.h"
#include "sim/ctlsim.h"
#include "tolvex/tolvex.h"
#include "zephra/zephra.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "zephra-ctlsim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern;
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The program with its output on a pipe; stopped as Ctrl-C stops it.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), CTLSIM_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, CTLSIM_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) throw std::runtime_error("spawn");
    output_ = fdopen(out[0], "r");
  }
  ~Program() {
    if (pid_ > 0) Stop();
    if (output_) fclose(output_);
  }
  std::string Line() {
    char line[512] = {};
    return fgets(line, sizeof line, output_) ? std::string(line) : std::string();
  }
  int Stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
};

TolvexPortSettings Settings() {
  TolvexPortSettings s{};
  s.baudRate = 38400;
  s.dataBits = 8;
  s.stopBits = 2;
  return s;
}

TEST(CtlsimProgram, APersonCanGoOnLineToIt) {
  TempDir dir;
  const std::string port = (dir.Path() / "COM9").string(), memory = (dir.Path() / "memory.bin").string();
  {
    Program sim({"--format", "v3", "--no-pace", "--link", port, "--save", memory, "--version", "ZP301.00"});
    const std::string line = sim.Line();
    EXPECT_EQ(line.rfind("Controller (v3) on /dev/", 0), 0u) << line;
    ASSERT_TRUE(fs::is_symlink(port));
    const std::u16string name(port.begin(), port.end());
    const TolvexPortSettings settings = Settings();
    ASSERT_EQ(OnLine(name.c_str(), &settings, nullptr, nullptr, 0), DBS_OK);
    std::uint8_t version[8];
    ASSERT_EQ(GetDatabaseVersion(version, 0), DBS_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(version), 8), "ZP301.00");
    const std::uint8_t data[5] = {'Z', 0x10, 'E', 0x03, 'P'};
    ASSERT_EQ(SetTableData(data, 0x1234, 5, 0), DBS_OK);
    EXPECT_EQ(OffLine(0), DBS_OK);
    EXPECT_EQ(sim.Stop(), 0);
  }
  EXPECT_FALSE(fs::exists(port));
  ASSERT_TRUE(fs::exists(memory));
  {
    Program sim({"--no-pace", "--load", memory, "--link", port});
    sim.Line();
    const std::u16string name(port.begin(), port.end());
    const TolvexPortSettings settings = Settings();
    ASSERT_EQ(OnLine(name.c_str(), &settings, nullptr, nullptr, 0), DBS_OK);
    std::uint8_t reply[5 + 6];
    ASSERT_EQ(GetTableData(reply, 0x1234, 5, 0), DBS_OK);
    EXPECT_EQ(std::vector<std::uint8_t>(reply + 3, reply + 8), (std::vector<std::uint8_t>{'Z', 0x10, 'E', 0x03, 'P'}));
    EXPECT_EQ(OffLine(0), DBS_OK);
  }
}

// A database's controller memory, written by zephra-db and loaded by the
// simulator: the controller then gives the block checksums of the image.
TEST(CtlsimProgram, PreparedFromADatabase) {
  TempDir dir;
  const std::string db = (dir.Path() / "studio.ZP3").string(), memory = (dir.Path() / "memory.bin").string();
  const std::string tool = ZEPHRA_DB_PROGRAM;
  ASSERT_EQ(std::system((tool + " create " + db + " --format v3 > /dev/null").c_str()), 0);
  ASSERT_EQ(std::system((tool + " controller-image " + db + " " + memory + " > /dev/null").c_str()), 0);
  std::ifstream in(memory, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const zephra::FormatInfo& v3 = *zephra::FindFormat(DBS_TYPE_V3);
  ASSERT_EQ(bytes.size(), v3.controllerMap->ctlParamArea3 + v3.controllerMap->paramAreaSize);
  const auto expected =
      zephra::BlockChecksums({bytes.data(), std::size_t{v3.controllerMap->blockCount} * zephra::kBlockSize});

  Program sim({"--no-pace", "--load", memory});
  const std::string line = sim.Line();
  const std::string path = line.substr(line.find("/dev/"), line.find_last_not_of("\n") - line.find("/dev/") + 1);
  const std::u16string name(path.begin(), path.end());
  const TolvexPortSettings settings = Settings();
  ASSERT_EQ(OnLine(name.c_str(), &settings, nullptr, nullptr, 0), DBS_OK);
  std::vector<std::uint16_t> sums(v3.controllerMap->blockCount);
  ASSERT_EQ(GetWordChecksums(0, static_cast<std::uint16_t>(sums.size()), sums.data(), 0), DBS_OK);
  EXPECT_EQ(sums, expected);
  EXPECT_EQ(OffLine(0), DBS_OK);
}

TEST(CtlsimProgram, RefusesWhatItCannotUse) {
  TempDir dir;
  const std::string junk = (dir.Path() / "junk.bin").string();
  std::ofstream(junk, std::ios::binary) << std::string(4 << 20, 'x');  // larger than any controller's memory
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--load", junk}, {"--fault", "0x1F:explode"}, {"--fault", "0x99:nak"}, {"--format", "v9"}}) {
    Program sim(args);
    EXPECT_EQ(sim.Line(), "") << args[0] << " " << args[1];
  }
}

TEST(CtlsimFaultRules, ReadAsWritten) {
  const auto nak = ctlsim::ParseFault("0x1F:nak:2:3");
  ASSERT_TRUE(nak);
  EXPECT_EQ(nak->code, 0x1F);
  EXPECT_EQ(nak->kind, ctlsim::Fault::Kind::Nak);
  EXPECT_EQ(nak->after, 2);
  EXPECT_EQ(nak->times, 3);
  const auto delay = ctlsim::ParseFault("any:delay:0:1:5900");
  ASSERT_TRUE(delay);
  EXPECT_EQ(delay->code, 0);
  EXPECT_EQ(delay->value, 5900);
  for (const char* bad : {"", "nak", "0x1F", "0x1F:nak:x", "0x1F:nak:-1", "0x81:nak", "0x1F:nak:1:2:3:4", "1F:nak"}) {
    EXPECT_FALSE(ctlsim::ParseFault(bad)) << bad;
  }
}

}  // namespace
