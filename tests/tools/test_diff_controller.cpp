// zephra-db diff DB --port against the simulated controller: after a
// download nothing differs; a name changed live from another copy of the
// database (so the file does not know it) is the one difference, in text and
// JSON; and the file is never touched.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>

#include "dbs/config_fixtures.h"
#include "dbs/temp_dir.h"
#include "sim/ctlsim.h"

namespace zephra::test {
namespace {

// zephra-db with its temporary files in `temp`.
std::pair<std::string, int> Tool(const std::string& arguments, const std::string& temp) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(
      popen(("TMPDIR=" + temp + " " + ZEPHRA_DB_PROGRAM + " " + arguments + " 2>&1").c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  const int status = pclose(pipe.release());
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(DiffController, ShowsExactlyTheEditMadeOffTheRecord) {
  setenv("ZEPHRA_LINK_LIBRARY", TOLVEX_LIBRARY_PATH, 1);
  TempDir dir;
  const std::string db = dir.File("studio.ZP3"), live = dir.File("live.ZP3"), temp = dir.File("tmp");
  std::filesystem::create_directory(temp);
  {
    CallConfig call(EditorDefaultV3());
    DbsHandle h = -1;
    ASSERT_EQ(dbs_CreateFile(Str(db), &call.record, 0, &h), DBS_OK);
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
  }
  ctlsim::Options options;
  options.restartMs = 20;
  ctlsim::Simulator sim(options);
  ASSERT_TRUE(sim.Start());
  const std::string port = " --port " + sim.PortPath();
  ASSERT_EQ(Tool("download " + db + port + " --params", temp).second, 0);
  EXPECT_EQ(Tool("diff " + db + port, temp), (std::pair<std::string, int>{"", 0}));

  // Another copy of the database goes on-line and renames a source there.
  std::filesystem::copy_file(db, live);
  DbsHandle h = -1;
  ASSERT_EQ(dbs_OpenFile(Str(live), 1, &h), DBS_OK);
  DbsPortSettings settings{};
  settings.baudRate = 38400;
  settings.dataBits = 8;
  settings.stopBits = 2;
  ASSERT_EQ(dbs_OnLine(Str(sim.PortPath()), &settings, nullptr, nullptr, -1, h), DBS_OK);
  const TSourceIndexRecord source{0, 0, 2};
  ASSERT_EQ(dbs_SetSourceName(&source, Str(u"CAM 3   "), h), DBS_OK);
  ASSERT_EQ(dbs_OffLine(h), DBS_OK);
  ASSERT_EQ(dbs_CloseFile(h), DBS_OK);

  const std::string before = Bytes(db);
  EXPECT_EQ(Tool("diff " + db + port, temp),
            (std::pair<std::string, int>{"source 3 of level 1: name 'm1s3' \u2192 'CAM 3'\n", 1}));
  const auto [json, rc] = Tool("diff --json " + db + port, temp);
  EXPECT_EQ(rc, 1);
  const auto parsed = nlohmann::json::parse(json);
  ASSERT_EQ(parsed.size(), 1u);
  EXPECT_EQ(parsed[0]["family"], "source");
  EXPECT_EQ(parsed[0]["after"], "CAM 3");
  EXPECT_EQ(Bytes(db), before);
  EXPECT_TRUE(std::filesystem::is_empty(temp));  // the temporary databases are gone
  sim.Stop();
}

}  // namespace
}  // namespace zephra::test
