// Going on-line through the library's export to the simulated controller's
// port, at 115200 baud, 8 data bits and 2 stop bits.
#pragma once

#include <string>

#include "../config_fixtures.h"
#include "sim/ctlsim.h"

namespace zephra::test {

inline DbsStatus GoOnLineTo(const ctlsim::Simulator& sim, DbsHandle h) {
  DbsPortSettings settings{};
  settings.baudRate = 115200;
  settings.dataBits = 8;
  settings.stopBits = 2;
  Str port(std::u16string(sim.PortPath().begin(), sim.PortPath().end()));
  return dbs_OnLine(port, &settings, nullptr, nullptr, -1, h);
}

}  // namespace zephra::test
