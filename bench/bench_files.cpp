// Creating and opening a default V3 database, each beside a baseline that
// moves the same bytes with plain write() or read() and the same flush to
// disk, measured in the same run. Prints the two ratios at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "model/DefaultConfiguration.h"
#include "ratio_reporter.h"
#include "zephra/zephra.h"

namespace {

constexpr std::size_t kDefaultV3Size = 2261304;
constexpr std::size_t kChunk = 64 * 1024;

std::string& Folder() {
  static std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "zephra-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

struct Path {
  std::string utf8;
  DbsString units;
  explicit Path(const std::string& name) : utf8(Folder() + "/" + name), units(DbsStringAlloc(static_cast<std::uint32_t>(utf8.size()))) {
    std::copy(utf8.begin(), utf8.end(), units);
  }
  ~Path() { DbsStringFree(units); }
};

void BM_CreateDefaultV3(benchmark::State& state) {
  const Path path("create.ZP3");
  zephra::editor::DefaultConfiguration config(DBS_TYPE_V3);
  for (auto _ : state) {
    DbsHandle h = -1;
    if (dbs_CreateFile(path.units, &config.Record(), -1, &h) != DBS_OK || dbs_CloseFile(h) != DBS_OK) {
      state.SkipWithError("create failed");
      break;
    }
    state.PauseTiming();
    unlink(path.utf8.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDefaultV3Size));
}

// The same number of bytes written with write() and flushed with fsync().
void BM_WriteBaseline(benchmark::State& state) {
  const Path path("write.bin");
  std::vector<char> chunk(kChunk, 'x');
  for (auto _ : state) {
    const int fd = open(path.utf8.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::size_t done = 0; done < kDefaultV3Size; done += kChunk) {
      if (write(fd, chunk.data(), std::min(kChunk, kDefaultV3Size - done)) < 0) state.SkipWithError("write failed");
    }
    fsync(fd);
    close(fd);
    state.PauseTiming();
    unlink(path.utf8.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDefaultV3Size));
}

void BM_OpenVerifyV3(benchmark::State& state) {
  const Path path("open.ZP3");
  zephra::editor::DefaultConfiguration config(DBS_TYPE_V3);
  DbsHandle h = -1;
  if (dbs_CreateFile(path.units, &config.Record(), -1, &h) != DBS_OK || dbs_CloseFile(h) != DBS_OK) {
    state.SkipWithError("create failed");
    return;
  }
  for (auto _ : state) {
    if (dbs_OpenFile(path.units, 1, &h) != DBS_OK || dbs_CloseFile(h) != DBS_OK) {
      state.SkipWithError("open failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDefaultV3Size));
}

// The same file read whole with read().
void BM_ReadBaseline(benchmark::State& state) {
  const Path path("open.ZP3");
  std::vector<char> chunk(kChunk);
  for (auto _ : state) {
    const int fd = open(path.utf8.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t total = 0;
    for (ssize_t n; (n = read(fd, chunk.data(), kChunk)) > 0;) total += static_cast<std::size_t>(n);
    close(fd);
    if (total != kDefaultV3Size) state.SkipWithError("short read");
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDefaultV3Size));
}

// Each measured five times; the ratios compare medians, since a file system
// shared with other work is noisy.
BENCHMARK(BM_CreateDefaultV3)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_OpenVerifyV3)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  reporter.RunAll(&argc, argv);
  std::filesystem::remove_all(Folder());
  const double create = reporter.Ratio("BM_CreateDefaultV3", "BM_WriteBaseline");
  const double openVerify = reporter.Ratio("BM_OpenVerifyV3", "BM_ReadBaseline");
  std::printf("\nmedian create / write baseline: %.2f (target at most 3)\n", create);
  std::printf("median open and verify / read baseline: %.2f (target at most 2)\n", openVerify);
  return 0;
}
