// The PC's serial port to the controller: which one, and its settings. One
// object for the whole run; nothing is kept between runs.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "zephra/zephra.h"

class QComboBox;

// A port name may be a path (a simulator's link, say), "COMn" or a name under
// /dev; the link holds 255 characters.
inline constexpr int kPortNameLength = 255;

class TPCPortSetupManager {
 public:
  TPCPortSetupManager();

  DbsPortSettings PortSettings{};
  QString PortName = "COM1";
  QStringList PortList;
  bool Chosen = false;
  // The status of the last attempt to go on-line (0 before any).
  DbsStatus LastOnlineStatus = 0;

  // How the system's serial ports are listed; tests stand in for it.
  std::function<QStringList()> Enumerate;

  void ListPorts();
  // A port is chosen already (and the last attempt did not fail on the
  // line or on the port's speed), or the user chooses one now.
  bool EnsurePort();
  // The port, then its settings; true when both were confirmed.
  bool ChoosePort();
};

TPCPortSetupManager& PortSetup();

// The device a port name opens, as the link reads names: a path as it
// stands, "COMn" the n-th serial port (/dev/ttyS(n-1)), any other name the
// device of that name under /dev.
QString PortDevicePath(const QString& name);
// "COM1 (/dev/ttyS0)": the name and, when it differs, the device it opens.
QString PortDescription(const QString& name);

// "PC Port Configuration": the settings of the PC's port; only the speed can
// be changed, the rest is shown as the link uses it.
class TPCPortForm : public QDialog {
 public:
  explicit TPCPortForm(const DbsPortSettings* previous, QWidget* parent = nullptr);
  DbsPortSettings Settings() const;

  QComboBox* ProtocolCombo;
  QComboBox* BaudRateCombo;
  QComboBox* DataBitsCombo;
  QComboBox* ParityCombo;
  QComboBox* StopBitsCombo;
  QComboBox* HandshakingCombo;
  class QTabWidget* Pages;
};
