// The on-line path, round after round, against zephra-ctlsim: each round
// starts the simulator with one fault rule (silence, NAK, a corrupt or cut
// reply, deafness, a dropped line, a change of speed, lying counts, or
// none), goes on-line, makes a live edit, moves a parameter area one way or
// the other and goes off-line. Every round ends in the statuses the link
// and the library give for that fault, within the time those faults take;
// the database file verifies after every round; and the process's open
// files, threads and resident memory do not grow over the run.
//
// The rounds: ZEPHRA_SOAK_ROUNDS (200 when unset).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../dbs/config_fixtures.h"
#include "../dbs/temp_dir.h"
#include "dbs/checker.h"
#include "dbs/frame.h"

extern char** environ;

namespace zephra {
namespace {

namespace fs = std::filesystem;
using test::Str;
using Clock = std::chrono::steady_clock;

// The simulator as its own process, its memory kept in a file between runs.
class Controller {
 public:
  Controller(const fs::path& dir, const std::string& rule) : port_((dir / "port").string()) {
    const std::string memory = (dir / "memory").string();
    std::vector<std::string> args = {CTLSIM_PROGRAM, "--format", "v3", "--no-pace", "--restart-ms", "50",
                                     "--link",       port_,      "--save", memory};
    if (fs::exists(memory)) args.insert(args.end(), {"--load", memory});
    if (!rule.empty()) args.insert(args.end(), {"--fault", rule});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawn(&pid_, CTLSIM_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
    for (int i = 0; i < 100 && pid_ > 0 && !fs::exists(port_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~Controller() { Stop(); }
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;
  bool Running() const { return pid_ > 0 && fs::exists(port_); }
  const std::string& Port() const { return port_; }
  // Stops it as Ctrl-C does: it saves its memory and removes its link.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  std::string port_;
  pid_t pid_ = -1;
};

// What the process holds, from /proc/self.
struct Held {
  int files = 0, threads = 0;
  long residentKb = 0;
};

Held Now() {
  Held held;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++held.files;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Threads:", 0) == 0) held.threads = std::stoi(line.substr(8));
    if (line.rfind("VmRSS:", 0) == 0) held.residentKb = std::stol(line.substr(6));
  }
  return held;
}

// One kind of round: the fault rule, what the transfer is, the status each
// step ends in and how long the round may take. A status of -1 accepts the
// agreement of file and controller: DBS_OK when they agree, else
// DBS_ERR_CHECKSUM_MISMATCH.
enum class Transfer { Download, Upload };
constexpr DbsStatus kAgreement = 0xFFFFFFFF;
struct Kind {
  const char* name;
  const char* rule;
  Transfer transfer;
  DbsStatus online, edit, moved;
  bool search;  // the user lets the speed be searched
  int seconds;
  DbsStatus offline = DBS_OK;  // a line the far end hung up cannot be restored
};

// The statuses are those the link and the library give: an unacknowledged
// frame is written five times a second apart and then fails its command
// with DBS_ERR_TIMEOUT after 6 s; a reply that never comes is DBS_ERR_COMMS
// after 6 s (11 s for block checksums); a damaged reply is refused and sent
// again; a reply whose counts promise more than it holds is no reply. A
// round whose on-line step fails makes no edit or transfer. The time of a
// round is those waits and a few seconds for the rest.
constexpr Kind kKinds[] = {
    {"none", "", Transfer::Download, kAgreement, DBS_OK, DBS_OK, false, 10},
    {"silence", "0x20:silent:0:1", Transfer::Download, kAgreement, DBS_OK, DBS_OK, false, 10},
    {"NAK", "0x20:nak:0:3", Transfer::Upload, kAgreement, DBS_OK, DBS_OK, false, 10},
    {"corrupt", "0x1F:corrupt:0:2", Transfer::Upload, kAgreement, DBS_OK, DBS_OK, false, 10},
    {"cut", "0x1F:cut:0:1", Transfer::Upload, kAgreement, DBS_OK, DBS_ERR_COMMS, false, 14},
    {"speed change", "0x2D:speed:0:1:19200", Transfer::Upload, kAgreement, DBS_OK, DBS_OK, true, 22},
    {"deaf", "0x2D:deaf", Transfer::Download, DBS_ERR_COMMS, 0, 0, false, 12},
    {"line closed", "0x20:close:0:1", Transfer::Download, kAgreement, DBS_ERR_TIMEOUT, 0, false, 12, DBS_SYS_GEN_FAILURE},
    {"lying counts", "0x27:lying:0:1", Transfer::Download, DBS_ERR_COMMS, 0, 0, false, 18},
};

bool letSearch = false;
void Search(std::int32_t stage, std::int32_t* keepGoing) {
  if (stage == 0 && !letSearch) *keepGoing = 0;
}
std::uint32_t Progress(std::uint32_t, std::uint32_t, std::uint32_t) { return 0; }

class Soak : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string path = dir.File("soak.ZP3");
  DbsPortSettings settings{};
  bool agree = false;  // the controller holds what the file holds

  void SetUp() override {
    setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
    settings.baudRate = 115200;
    settings.dataBits = 8;
    settings.stopBits = 2;
    ConfigImage c = test::EditorDefaultV3();
    c.keypadCount = 8;
    test::CallConfig call(c);
    DbsHandle h = -1;
    ASSERT_EQ(dbs_CreateFile(Str(path), &call.record, 0, &h), DBS_OK);
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  }

  DbsStatus GoOnLine(DbsHandle h, const Controller& controller) {
    const Str port(controller.Port());
    return dbs_OnLine(port, &settings, nullptr, &Search, -1, h);
  }

  // The file opens and its trees, lists and chains are sound.
  void Verifies(int round) {
    DbsHandle h = -1;
    ASSERT_EQ(dbs_OpenFile(Str(path), 0, &h), DBS_OK) << "round " << round;
    const DatabaseSlot& db = *Slots()[h].db;
    for (const auto& p : CheckStructures(db.config, db.layout, {db.image, db.layout.fileSize})) {
      ADD_FAILURE() << "round " << round << ": " << p;
    }
    dbs_CloseFile(h);
  }

  void Round(int round, const Kind& kind) {
    SCOPED_TRACE(std::string("round ") + std::to_string(round) + ", " + kind.name);
    const auto start = Clock::now();
    Controller controller(dir.Path(), kind.rule);
    ASSERT_TRUE(controller.Running());
    DbsHandle h = -1;
    ASSERT_EQ(dbs_OpenFile(Str(path), 1, &h), DBS_OK);
    letSearch = kind.search;
    const DbsStatus expected = kind.online == kAgreement ? (agree ? DbsStatus{DBS_OK} : DbsStatus{DBS_ERR_CHECKSUM_MISMATCH}) : kind.online;
    const DbsStatus online = GoOnLine(h, controller);
    EXPECT_EQ(online, expected);
    if (online == DBS_OK || online == DBS_ERR_CHECKSUM_MISMATCH) {
      if (online == DBS_ERR_CHECKSUM_MISMATCH) {
        // Agreement again, as the user would bring it: the whole database.
        EXPECT_EQ(dbs_DownloadWithOptions(h, &Progress, 1, 0, 0, 0), DBS_OK);
        agree = true;
      }
      // A live edit: the name goes to the controller at once.
      const std::u16string name = u"SOAK " + std::u16string(1, static_cast<char16_t>(u'A' + round % 26));
      const TSourceIndexRecord source{0, static_cast<std::int16_t>(round % 4), static_cast<std::int16_t>(round % 32)};
      const DbsStatus edit = dbs_SetSourceName(&source, Str(name), h);
      EXPECT_EQ(edit, kind.edit);
      if (edit != DBS_OK) agree = false;
      if (edit == DBS_OK) {
        const DbsStatus moved = kind.transfer == Transfer::Download
                                    ? dbs_DownloadWithOptions(h, &Progress, 0, 1, 0, 0)
                                    : dbs_UploadWithOptions(h, &Progress, 0, 0, 1, 0);
        EXPECT_EQ(moved, kind.moved);
      }
    }
    EXPECT_EQ(dbs_OffLine(h), kind.offline);
    EXPECT_EQ(dbs_CloseFile(h), DBS_OK);
    controller.Stop();
    const auto took = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
    EXPECT_LE(took, kind.seconds);
    if (std::getenv("ZEPHRA_SOAK_TIMES")) std::printf("round %d (%s): %lld s\n", round, kind.name, static_cast<long long>(took));
    Verifies(round);
  }
};

TEST_F(Soak, RoundsUnderFaultsEndAsTheyShouldAndHoldNothingBack) {
  const char* env = std::getenv("ZEPHRA_SOAK_ROUNDS");
  const int rounds = env ? std::max(1, std::atoi(env)) : 200;
  std::vector<Held> held;
  for (int round = 0; round < rounds && !HasFailure(); ++round) {
    Round(round, kKinds[static_cast<std::size_t>(round) % std::size(kKinds)]);
    held.push_back(Now());
  }
  // From the first full cycle of kinds on, nothing grows.
  const std::size_t settled = std::min(held.size() - 1, std::size(kKinds));
  const Held& base = held[settled];
  long peak = 0;
  for (std::size_t i = 0; i <= settled; ++i) peak = std::max(peak, held[i].residentKb);
  for (std::size_t i = settled; i < held.size(); ++i) {
    EXPECT_EQ(held[i].files, base.files) << "round " << i;
    EXPECT_EQ(held[i].threads, base.threads) << "round " << i;
  }
  const long last = held.back().residentKb;
  EXPECT_LE(last, peak + 4096) << "resident memory grew from " << peak << " kB to " << last << " kB";
  std::printf("%d rounds: %d files, %d threads, %ld kB resident (at most %ld kB in the first cycle)\n", rounds,
              held.back().files, held.back().threads, last, peak);
}

}  // namespace
}  // namespace zephra
