// Taking back a paste of 576 source names (every source of level 0) on the
// largest V3 database: the library's part of an undo in the editor. Beside
// it, in the same run, the paste itself without a journal (the baseline),
// the paste inside a step (what journaling adds), and the undo on-line with
// the simulated controller, unpaced (the software's part of telling the
// controller). Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_database.h"
#include "link/frame.h"
#include "model/DefaultConfiguration.h"
#include "ratio_reporter.h"
#include "sim/ctlsim.h"
#include "zephra/zephra.h"
#include "zephra/zephra_journal.h"

namespace {

constexpr std::int16_t kNames = 576;
std::size_t undoFrames = 0;    // frames an on-line undo sends
double undoWireSeconds = 0;    // and their time on the wire at 115200 baud, acknowledgements included

// Every count at its V3 maximum: eight levels, their park sources, full
// association tables, four general ports, auto-protect tables.
TConfigurationRecord& Largest(TConfigurationRecord& r) {
  const std::uint16_t maxima[8] = {DBS_LEVEL_MAX_DESTS_V3};
  r.levelCount[0] = 8;
  for (int l = 0; l < 8; ++l) {
    r.sourceCount[0][l] = static_cast<std::uint16_t>(maxima[l] + 1);
    r.destCount[0][l] = maxima[l];
  }
  r.sourceAssocCount[0] = r.destAssocCount[0] = 768;
  r.generalPortCount = 4;
  r.hasAutoProtect = 1;
  return r;
}

// The largest V3 database, and two sets of 576 names, so that every paste
// changes them all.
struct Database : BenchDatabase {
  std::vector<std::unique_ptr<BenchString>> names[2];

  Database() : BenchDatabase("largest.ZP3", Largest(zephra::editor::DefaultConfiguration(DBS_TYPE_V3).Record())) {
    for (int set = 0; set < 2; ++set) {
      for (int s = 0; s < kNames; ++s) names[set].push_back(std::make_unique<BenchString>((set ? "PASTE " : "CAM ") + std::to_string(s)));
    }
  }
  bool Paste(int set) {
    for (std::int16_t s = 0; s < kNames; ++s) {
      const TSourceIndexRecord at{0, 0, s};
      if (dbs_SetSourceName(&at, *names[set][static_cast<std::size_t>(s)], h) != DBS_OK) return false;
    }
    return true;
  }
  bool PasteStep(int set) {
    std::uint32_t step = 0;
    return zephra_BeginStep(h) == DBS_OK && Paste(set) && zephra_EndStep(&step, h) == DBS_OK && step > 0;
  }
  DbsStatus OnLine(const std::string& port) { return BenchDatabase::OnLine(port, 115200); }
};

void BM_Paste576Plain(benchmark::State& state) {
  Database db;
  int set = 0;
  for (auto _ : state) {
    if (!db.Paste(set ^= 1)) return state.SkipWithError("paste failed");
  }
}

void BM_Paste576InStep(benchmark::State& state) {
  Database db;
  int set = 0;
  for (auto _ : state) {
    if (!db.PasteStep(set ^= 1)) return state.SkipWithError("paste failed");
    state.PauseTiming();
    zephra_ClearJournal(db.h);
    state.ResumeTiming();
  }
}

void BM_Undo576(benchmark::State& state) {
  Database db;
  if (!db.PasteStep(1)) return state.SkipWithError("paste failed");
  std::uint32_t bytes = 0;
  zephra_GetStepSize(1, &bytes, db.h);
  for (auto _ : state) {
    if (zephra_UndoStep(db.h) != DBS_OK) return state.SkipWithError("undo failed");
    state.PauseTiming();
    if (zephra_RedoStep(db.h) != DBS_OK) return state.SkipWithError("redo failed");
    state.ResumeTiming();
  }
  state.counters["step_bytes"] = bytes;
}

void BM_Undo576OnLineUnpaced(benchmark::State& state) {
  ctlsim::Simulator sim(DBS_TYPE_V3);
  if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
  Database db;
  const DbsStatus first = db.OnLine(sim.PortPath());
  if (first != DBS_OK && first != DBS_ERR_CHECKSUM_MISMATCH) return state.SkipWithError("not on-line");
  if (dbs_DownloadWithOptions(db.h, nullptr, 1, 1, 1, 1) != DBS_OK) return state.SkipWithError("download failed");
  if (!db.PasteStep(1)) return state.SkipWithError("paste failed");
  for (auto _ : state) {
    if (zephra_UndoStep(db.h) != DBS_OK) return state.SkipWithError("undo failed");
    state.PauseTiming();
    if (zephra_RedoStep(db.h) != DBS_OK) return state.SkipWithError("redo failed");
    state.ResumeTiming();
  }
  // One more undo, its frames counted as they would go on the wire.
  const std::size_t seen = sim.Received().size();
  if (zephra_UndoStep(db.h) != DBS_OK) return state.SkipWithError("undo failed");
  const auto frames = sim.Received();
  std::size_t bytes = 0;
  for (std::size_t i = seen; i < frames.size(); ++i) {
    bytes += tolvex::EncodeFrame(tolvex::FrameCommand(frames[i]), tolvex::FrameBody(frames[i])).size() + 2;
  }
  undoFrames = frames.size() - seen;
  undoWireSeconds = static_cast<double>(bytes) * 10.0 / 115200;
  if (db.OnLine(sim.PortPath()) != DBS_OK) state.SkipWithError("the controller does not agree");
  dbs_OffLine(db.h);
}

BENCHMARK(BM_Paste576Plain)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_Paste576InStep)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_Undo576)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_Undo576OnLineUnpaced)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  reporter.RunAll(&argc, argv);
  const auto ms = [&](const char* name) { return reporter.Median(name); };
  std::printf("\nlargest V3 database, 576 source names (medians, ms): paste %.3f, paste in a step %.3f, undo %.3f, "
              "undo on-line unpaced %.3f\n",
              ms("BM_Paste576Plain"), ms("BM_Paste576InStep"), ms("BM_Undo576"), ms("BM_Undo576OnLineUnpaced"));
  std::printf("paste in a step / paste: %.3f\n", reporter.Ratio("BM_Paste576InStep", "BM_Paste576Plain"));
  std::printf("undo / paste: %.3f\n", reporter.Ratio("BM_Undo576", "BM_Paste576Plain"));
  std::printf("undo off-line: %.3f ms against a 100 ms budget for the editor's whole undo\n", ms("BM_Undo576"));
  std::printf("undo on-line: %zu frames, %.3f s on the wire at 115200 baud\n", undoFrames, undoWireSeconds);
  return 0;
}
