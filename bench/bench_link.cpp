// Writing 64 KiB of controller memory in 128-byte frames through the
// simulated controller paced at 115200 baud. Beside it, in the same run, a
// bare loop that writes the same frames to the port and waits for each
// DLE ACK. At the end it prints the speed of the link against the
// stop-and-wait minimum of the bytes on the wire (frames with their
// stuffing, and the acknowledgements), and against the bare loop.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "link/link.h"
#include "ratio_reporter.h"
#include "sim/ctlsim.h"
#include "zephra/zephra.h"

namespace {

constexpr std::size_t kBytes = 64 * 1024, kChunk = 128;
constexpr int kBaud = 115200;

std::vector<std::uint8_t> Payload() {
  std::vector<std::uint8_t> data(kBytes);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
  return data;
}

std::vector<tolvex::Bytes> Frames() {
  const auto data = Payload();
  std::vector<tolvex::Bytes> frames;
  for (std::size_t at = 0; at < kBytes; at += kChunk) {
    frames.push_back(tolvex::msg::TableDataWrite(static_cast<std::uint32_t>(at), 0, {data.data() + at, kChunk}));
  }
  return frames;
}

// The time the bytes need on the line, one after the other: every frame,
// then its two-byte acknowledgement; ten bit times a byte.
double StopAndWaitMinimumSeconds() {
  std::size_t bytes = 0;
  for (const auto& frame : Frames()) bytes += frame.size() + 2;
  return static_cast<double>(bytes) * 10.0 / kBaud;
}

ctlsim::Options Paced() {
  ctlsim::Options options;
  options.pace = true;
  return options;
}

void BM_LinkWrite64K(benchmark::State& state) {
  ctlsim::Simulator sim(Paced());
  if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
  const std::u16string port(sim.PortPath().begin(), sim.PortPath().end());
  TolvexPortSettings settings{};
  settings.baudRate = kBaud;
  settings.dataBits = 8;
  settings.stopBits = 2;
  if (OnLine(port.c_str(), &settings, nullptr, nullptr, 0) != DBS_OK) return state.SkipWithError("not on-line");
  const auto data = Payload();
  for (auto _ : state) {
    for (std::size_t at = 0; at < kBytes; at += kChunk) {
      if (SetTableData(data.data() + at, static_cast<std::uint32_t>(at), kChunk, 0) != DBS_OK) {
        state.SkipWithError("write failed");
        break;
      }
    }
  }
  OffLine(0);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

// The same frames written straight to the port, each followed by a wait for
// the controller's DLE ACK: no threads, no queue.
void BM_BareWrite64K(benchmark::State& state) {
  ctlsim::Simulator sim(Paced());
  if (!sim.Start()) return state.SkipWithError("no pseudo-terminal");
  const int fd = open(sim.PortPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
  tcsetattr(fd, TCSANOW, &t);
  const auto frames = Frames();
  for (auto _ : state) {
    for (const auto& frame : frames) {
      if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        state.SkipWithError("write failed");
        break;
      }
      std::uint8_t last = 0, b = 0;
      while (true) {
        pollfd in{fd, POLLIN, 0};
        if (poll(&in, 1, 2000) <= 0 || read(fd, &b, 1) != 1) {
          state.SkipWithError("no acknowledgement");
          break;
        }
        if (last == tolvex::kDle && b == tolvex::kAck) break;
        last = b;
      }
    }
  }
  close(fd);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}

BENCHMARK(BM_LinkWrite64K)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly();
BENCHMARK(BM_BareWrite64K)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly();

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  reporter.RunAll(&argc, argv);
  const double minimum = StopAndWaitMinimumSeconds();
  const auto link = reporter.seconds.find("BM_LinkWrite64K"), bare = reporter.seconds.find("BM_BareWrite64K");
  if (link == reporter.seconds.end() || bare == reporter.seconds.end()) return 1;
  const double linkSeconds = link->second / 1000.0, bareSeconds = bare->second / 1000.0;  // reported in ms
  std::printf("\nstop-and-wait minimum on the wire: %.3f s\n", minimum);
  std::printf("median link write of 64 KiB: %.3f s, bare loop: %.3f s\n", linkSeconds, bareSeconds);
  std::printf("link speed / stop-and-wait minimum: %.3f (target at least 0.95)\n", minimum / linkSeconds);
  std::printf("link speed / bare loop: %.3f\n", reporter.Ratio("BM_BareWrite64K", "BM_LinkWrite64K"));
  return 0;
}
