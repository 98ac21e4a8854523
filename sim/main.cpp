// zephra-ctlsim: a controller on a pseudo-terminal, for testing and training
// without the hardware.
#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <thread>
#include <unistd.h>

#include "ctlsim.h"

namespace {
volatile std::sig_atomic_t stop = 0;
}

int main(int argc, char** argv) {
  CLI::App app{"zephra-ctlsim: a router controller on a pseudo-terminal"};
  std::string format = "v3", link;
  app.add_option("--format", format, "The controller's database format")->check(CLI::IsMember({"v1", "v2", "v3"}));
  app.add_option("--link", link, "Also make this symbolic link to the port");
  CLI11_PARSE(app, argc, argv);
  ctlsim::Simulator sim(format == "v1" ? 2 : format == "v2" ? 3 : 4);
  if (!sim.Start()) {
    std::cerr << "zephra-ctlsim: cannot open a pseudo-terminal\n";
    return 3;
  }
  if (!link.empty()) {
    unlink(link.c_str());
    if (symlink(sim.PortPath().c_str(), link.c_str()) != 0) std::cerr << "zephra-ctlsim: cannot make " << link << "\n";
  }
  std::cout << "Controller (" << format << ") on " << sim.PortPath() << std::endl;
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  sim.Stop();
  if (!link.empty()) unlink(link.c_str());
  return 0;
}
