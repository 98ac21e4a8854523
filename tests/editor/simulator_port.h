// The PC's port set to a controller simulator's pseudo-terminal, chosen
// without asking, for the tests that take the editor on-line.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <memory>
#include <string>
#include <vector>

#include "../dbs/temp_dir.h"
#include "MainformCode.h"
#include "PCPortSetup.h"
#include "scripted_ui.h"
#include "sim/ctlsim.h"

inline void UseSimulatorPort(const std::string& path) {
  TPCPortSetupManager& port = PortSetup();
  port = TPCPortSetupManager();
  port.Enumerate = [] { return QStringList(); };
  port.PortName = QString::fromStdString(path);
  port.Chosen = true;
}

// A main window in a folder of its own, with a V3 controller simulator on
// the PC's port.
struct OnlineWindowTest : ::testing::Test {
  zephra::test::TempDir dir;
  QString saved = QDir::currentPath();
  TScriptedUi ui;
  std::unique_ptr<TMainForm> form;
  ctlsim::Simulator sim{DBS_TYPE_V3};

  void SetUp() override {
    QDir::setCurrent(QString::fromStdString(dir.Path().string()));
    ASSERT_TRUE(sim.Start());
    UseSimulatorPort(sim.PortPath());
    form = std::make_unique<TMainForm>();
  }
  void TearDown() override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form->close();
    form.reset();
    sim.Stop();
    PortSetup() = TPCPortSetupManager();
    QDir::setCurrent(saved);
  }
  // The controller's image as the simulator holds it.
  std::vector<uint8_t> SimImage() {
    auto memory = sim.Memory();
    memory.resize(sim.ImageSize());
    return memory;
  }
};
