#include "PCPortSetup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QTabWidget>
#include <QVBoxLayout>

#include "SelectorForm.h"
#include "UiService.h"
#include "Widgets.h"
#include "model/LineSettings.h"

namespace {

QStringList SystemPorts() {
  QStringList names;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) names << port.portName();
  return names;
}

}  // namespace

TPCPortSetupManager::TPCPortSetupManager() : Enumerate(&SystemPorts) {
  PortSettings.baudRate = 38400;
  PortSettings.dataBits = 8;
  PortSettings.parity = 0;
  PortSettings.stopBits = 2;
  PortSettings.handshake = 0;
}

TPCPortSetupManager& PortSetup() {
  static TPCPortSetupManager manager;
  return manager;
}

void TPCPortSetupManager::ListPorts() { PortList = Enumerate ? Enumerate() : QStringList(); }

bool TPCPortSetupManager::EnsurePort() {
  // A port that could not be reached or refused its speed is chosen again.
  if (Chosen && LastOnlineStatus != DBS_ERR_COMMS && LastOnlineStatus != DBS_SYS_FILE_NOT_FOUND &&
      LastOnlineStatus != DBS_ERR_TRANSFER_BUSY) {
    return true;
  }
  return ChoosePort();
}

bool TPCPortSetupManager::ChoosePort() {
  const QStringList ports = PortList.isEmpty() ? QStringList{"COM1", "COM2", "COM3", "COM4"} : PortList;
  TSelectorForm selector("Com Port Selection", ports, kPortNameLength, nullptr, "COM1",
                         "Select a serial port from the list, or enter a port name, e.g. 'COM5'");
  if (Ui().RunModal(selector) != QDialog::Accepted) return false;
  TPCPortForm settings(Chosen ? &PortSettings : nullptr);
  if (Ui().RunModal(settings) != QDialog::Accepted) return false;
  PortName = selector.Answer();
  PortSettings = settings.Settings();
  Chosen = true;
  LastOnlineStatus = 0;
  return true;
}

TPCPortForm::TPCPortForm(const DbsPortSettings* previous, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle("PC Port Configuration");
  Pages = new QTabWidget(this);
  auto* settingsPage = new QWidget(Pages);
  auto* sl = new QVBoxLayout(settingsPage);
  auto* protocolRow = new QFormLayout;
  ProtocolCombo = ChoiceCombo({"General Switcher", "Tolvex Link", "Multi-Drop"}, settingsPage, "ProtocolCombo");
  ShowChoice(ProtocolCombo, "Tolvex Link");
  ProtocolCombo->setEnabled(false);
  protocolRow->addRow("Protocol : ", ProtocolCombo);
  sl->addLayout(protocolRow);
  const TLineCharacteristics line({"9600", "38400"}, settingsPage);
  BaudRateCombo = line.BaudRate;
  DataBitsCombo = line.DataBits;
  ParityCombo = line.Parity;
  StopBitsCombo = line.StopBits;
  for (QComboBox* c : {DataBitsCombo, ParityCombo, StopBitsCombo}) c->setEnabled(false);
  sl->addWidget(line.Group);
  sl->addStretch();
  Pages->addTab(settingsPage, "Settings");

  auto* advanced = new QWidget(Pages);
  auto* al = new QVBoxLayout(advanced);
  auto* handshaking = new QGroupBox("HandShaking", advanced);
  auto* hl = new QFormLayout(handshaking);
  HandshakingCombo = ChoiceCombo({"RTS/CTS", "Disabled"}, handshaking, "HandshakingCombo");
  HandshakingCombo->setEnabled(false);
  hl->addRow("RS232 :", HandshakingCombo);
  al->addWidget(handshaking);
  al->addStretch();
  Pages->addTab(advanced, "Advanced");

  // What was chosen before, else the link's usual settings.
  ShowChoice(ParityCombo, "None");
  ShowChoice(StopBitsCombo, "1");
  if (previous) {
    ShowChoice(ParityCombo, ParityText(previous->parity));
    if (!StopBitsText(previous->stopBits).isEmpty()) ShowChoice(StopBitsCombo, StopBitsText(previous->stopBits), true);
    ShowChoice(HandshakingCombo, previous->handshake ? "RTS/CTS" : "Disabled");
    ShowChoice(BaudRateCombo, QString::number(previous->baudRate));
  } else {
    ShowChoice(HandshakingCombo, "Disabled");
  }
  ShowChoice(BaudRateCombo, "38400");
  ShowChoice(DataBitsCombo, "8");

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Pages);
  layout->addWidget(OkCancelButtons(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

DbsPortSettings TPCPortForm::Settings() const {
  DbsPortSettings s{};
  s.baudRate = BaudRateCombo->currentText().toInt();
  s.parity = ParityCode(ParityCombo->currentText());
  s.dataBits = static_cast<uint8_t>(DataBitsCombo->currentText().toInt());
  s.stopBits = StopBitsCode(StopBitsCombo->currentText());
  s.handshake = HandshakeCode(HandshakingCombo->currentText());
  return s;
}

QString PortDevicePath(const QString& name) {
  QString n = name;
  if (n.startsWith("\\\\.\\")) n = n.mid(4);
  if (n.startsWith('/')) return n;
  static const QRegularExpression com("^(?:COM|com)([0-9]+)");
  if (const auto m = com.match(n); m.hasMatch() && m.captured(1).toInt() >= 1) {
    return QString("/dev/ttyS%1").arg(m.captured(1).toInt() - 1);
  }
  return "/dev/" + n;
}

QString PortDescription(const QString& name) {
  const QString path = PortDevicePath(name);
  return path == name ? name : QString("%1 (%2)").arg(name, path);
}
