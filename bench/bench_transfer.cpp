// A full V1 download and the check that follows it (going on-line again,
// which reads every block checksum), through the simulated controller paced
// at 115200 baud, and the same unpaced. At the end it prints the paced time
// against the time the download's frames and their acknowledgements need on
// the wire, and the unpaced time beside it: the software is never what
// limits a download.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_database.h"
#include "link/frame.h"
#include "model/DefaultConfiguration.h"
#include "ratio_reporter.h"
#include "sim/ctlsim.h"
#include "zephra/zephra.h"

namespace {

constexpr int kBaud = 115200;
std::vector<std::uint8_t> downloaded;  // the controller's memory after a download
std::uint32_t imageBytes = 0;

// A default V1 database.
struct Database : BenchDatabase {
  Database() : BenchDatabase("bench.ZP1", zephra::editor::DefaultConfiguration(DBS_TYPE_V1).Record()) {}
  DbsStatus OnLine(const std::string& port) { return BenchDatabase::OnLine(port, kBaud); }
};

void DownloadAndVerify(benchmark::State& state, bool pace) {
  ctlsim::Options options;
  options.configType = DBS_TYPE_V1;
  options.pace = pace;
  ctlsim::Simulator sim(options);
  if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
  Database db;
  const DbsStatus first = db.OnLine(sim.PortPath());
  if (first != DBS_OK && first != DBS_ERR_CHECKSUM_MISMATCH) return state.SkipWithError("not on-line");
  for (auto _ : state) {
    if (dbs_DownloadWithOptions(db.h, nullptr, 1, 0, 0, 0) != DBS_OK) return state.SkipWithError("download failed");
    if (db.OnLine(sim.PortPath()) != DBS_OK) return state.SkipWithError("the controller does not agree");
  }
  dbs_GetDBSize(&imageBytes, db.h);
  imageBytes = (imageBytes + 1023) / 1024 * 1024;
  downloaded = sim.Memory();
}

void BM_DownloadVerifyV1Paced(benchmark::State& state) { DownloadAndVerify(state, true); }
void BM_DownloadVerifyV1Unpaced(benchmark::State& state) { DownloadAndVerify(state, false); }

BENCHMARK(BM_DownloadVerifyV1Paced)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly();
BENCHMARK(BM_DownloadVerifyV1Unpaced)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly();

// The image's 128-byte frames, stuffing included, each with its DLE ACK;
// ten bit times a byte.
double WireMinimumSeconds() {
  std::size_t bytes = 0;
  for (std::uint32_t at = 0; at < imageBytes && at < downloaded.size(); at += 128) {
    bytes += tolvex::msg::TableDataWrite(at, 0, {downloaded.data() + at, 128}).size() + 2;
  }
  return static_cast<double>(bytes) * 10.0 / kBaud;
}

}  // namespace

int main(int argc, char** argv) {
  // The link library beside the library, wherever the benchmark runs from.
  RatioReporter reporter;
  reporter.RunAll(&argc, argv);
  const auto paced = reporter.seconds.find("BM_DownloadVerifyV1Paced");
  const auto unpaced = reporter.seconds.find("BM_DownloadVerifyV1Unpaced");
  if (paced == reporter.seconds.end() || unpaced == reporter.seconds.end()) return 1;
  const double pacedSeconds = paced->second / 1000.0, unpacedSeconds = unpaced->second / 1000.0;
  const double minimum = WireMinimumSeconds();
  std::printf("\nV1 image frames and acknowledgements on the wire at %d baud: %.3f s\n", kBaud, minimum);
  std::printf("median download and check, paced: %.3f s; unpaced: %.3f s\n", pacedSeconds, unpacedSeconds);
  std::printf("paced speed / wire minimum: %.3f (target at least 0.9)\n", minimum / pacedSeconds);
  std::printf("unpaced time / paced time: %.3f\n", unpacedSeconds / pacedSeconds);
  return 0;
}
