// The PC's port set to a controller simulator's pseudo-terminal, chosen
// without asking, for the tests that take the editor on-line.
#pragma once

#include <string>

#include "PCPortSetup.h"

inline void UseSimulatorPort(const std::string& path) {
  TPCPortSetupManager& port = PortSetup();
  port = TPCPortSetupManager();
  port.Enumerate = [] { return QStringList(); };
  port.PortName = QString::fromStdString(path);
  port.Chosen = true;
}
