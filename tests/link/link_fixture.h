// A simulated controller on a pseudo-terminal and a link to it, with short
// time limits so that the fault tests are quick.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "link/link.h"
#include "sim/ctlsim.h"
#include "zephra/zephra.h"

namespace linktest {

using ctlsim::Fault;
using ctlsim::Simulator;

inline std::atomic<int> reported{0};
inline std::atomic<std::uint32_t> lastReported{0};
inline void OnError(std::uint32_t status) {
  ++reported;
  lastReported = status;
}

inline TolvexPortSettings Settings(int baud = 115200) {
  TolvexPortSettings s{};
  s.baudRate = baud;
  s.parity = 0;
  s.dataBits = 8;
  s.stopBits = 2;
  s.handshake = 0;
  return s;
}

inline std::u16string Utf16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Short limits, so that a test of a silent controller ends soon. Under the
// thread sanitizer every thread runs many times slower, and on a busy machine
// a sound reply could miss them: there they are twice as long, all in step.
inline tolvex::Timing FastTiming() {
#if defined(__SANITIZE_THREAD__)
  constexpr int slow = 2;
#else
  constexpr int slow = 1;
#endif
  tolvex::Timing fast;
  fast.replyMs = 600 * slow;
  fast.longReplyMs = 900 * slow;
  fast.retryMs = 100 * slow;
  fast.readPollMs = 100 * slow;
  fast.cycleMs = 300 * slow;
  return fast;
}

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tolvex::SetLinkTimingForTests(FastTiming());
    reported = 0;
    lastReported = 0;
    ASSERT_TRUE(sim.Start());
  }
  void TearDown() override {
    for (std::uint16_t slot = 0; slot < 10; ++slot) OffLine(slot);
    sim.Stop();
    tolvex::SetLinkTimingForTests(tolvex::Timing{});
  }
  std::uint32_t GoOnLine(std::uint16_t slot = 0, int baud = 115200) {
    const std::u16string port = Utf16(sim.PortPath());
    const TolvexPortSettings s = Settings(baud);
    return OnLine(port.c_str(), &s, OnError, nullptr, slot);
  }
  std::size_t CountReceived(std::uint8_t code) { return sim.CountReceived(code); }

  Simulator sim{4};
};

}  // namespace linktest
