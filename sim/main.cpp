// zephra-ctlsim: a controller on a pseudo-terminal, for testing and training
// without the hardware.
#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "ctlsim.h"

namespace {
volatile std::sig_atomic_t stop = 0;
}

int main(int argc, char** argv) {
  CLI::App app{"zephra-ctlsim: a router controller on a pseudo-terminal"};
  std::string format = "v3", link, load, save;
  std::vector<std::string> faults;
  ctlsim::Options options;
  app.add_option("--format", format, "The controller's database format")->check(CLI::IsMember({"v1", "v2", "v3"}));
  app.add_option("--link", link, "Also make this symbolic link to the port");
  app.add_option("--baud", options.baud,
                 "The controller's own line speed; a PC at another speed is not understood (default: follow the PC)")
      ->check(CLI::IsMember({0, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}));
  app.add_flag("--no-pace", [&](std::int64_t) { options.pace = false; }, "Answer at once instead of at line speed");
  app.add_option("--load", load, "Start with the controller memory saved in this file")->check(CLI::ExistingFile);
  app.add_option("--save", save, "Save the controller memory to this file on exit");
  app.add_option("--version", options.version, "The database version text the controller reports (8 characters)");
  app.add_option("--restart-ms", options.restartMs, "How long a restart takes")->check(CLI::Range(0, 60000));
  app.add_option("--fault", faults,
                 "Misbehave: CODE:KIND[:AFTER[:TIMES[:VALUE]]], CODE a message code or 'any', KIND one of " +
                     ctlsim::FaultKindNames());
  options.pace = true;
  CLI11_PARSE(app, argc, argv);
  options.configType = format == "v1" ? 2 : format == "v2" ? 3 : 4;
  // Stopped from the moment anybody can know of the port, so the memory is
  // always saved.
  std::signal(SIGINT, [](int) { stop = 1; });
  std::signal(SIGTERM, [](int) { stop = 1; });
  ctlsim::Simulator sim(options);
  for (const std::string& text : faults) {
    const auto fault = ctlsim::ParseFault(text);
    if (!fault) {
      std::cerr << "zephra-ctlsim: " << text << " is not a fault rule (CODE:KIND[:AFTER[:TIMES[:VALUE]]])\n";
      return 2;
    }
    sim.AddFault(*fault);
  }
  if (!load.empty() && !sim.Load(load)) {
    std::cerr << "zephra-ctlsim: " << load << " is not a controller memory file\n";
    return 2;
  }
  if (!sim.Start()) {
    std::cerr << "zephra-ctlsim: cannot open a pseudo-terminal\n";
    return 3;
  }
  if (!link.empty()) {
    unlink(link.c_str());
    if (symlink(sim.PortPath().c_str(), link.c_str()) != 0) {
      std::cerr << "zephra-ctlsim: cannot make " << link << "\n";
      return 3;
    }
  }
  std::cout << "Controller (" << format << ") on " << sim.PortPath() << std::endl;
  while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  sim.Stop();
  if (!link.empty()) unlink(link.c_str());
  if (!save.empty() && !sim.Save(save)) {
    std::cerr << "zephra-ctlsim: cannot save to " << save << "\n";
    return 1;
  }
  return 0;
}
