#include "PCPortSetup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTabWidget>
#include <QVBoxLayout>

#include "SelectorForm.h"
#include "UiService.h"

namespace {

QStringList SystemPorts() {
  QStringList names;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) names << port.portName();
  return names;
}

QComboBox* Combo(const QStringList& items, QWidget* parent, const QString& name) {
  auto* combo = new QComboBox(parent);
  combo->addItems(items);
  combo->setObjectName(name);
  return combo;
}

void Select(QComboBox* combo, const QString& text) {
  const int i = combo->findText(text);
  if (i >= 0) combo->setCurrentIndex(i);
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
  if (Chosen && LastOnlineStatus != DBS_ERR_COMMS && LastOnlineStatus != DBS_SYS_FILE_NOT_FOUND) return true;
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
  ProtocolCombo = Combo({"General Switcher", "Tolvex Link", "Multi-Drop"}, settingsPage, "ProtocolCombo");
  Select(ProtocolCombo, "Tolvex Link");
  ProtocolCombo->setEnabled(false);
  protocolRow->addRow("Protocol : ", ProtocolCombo);
  sl->addLayout(protocolRow);
  auto* characteristics = new QGroupBox("Characteristics", settingsPage);
  auto* cl = new QFormLayout(characteristics);
  BaudRateCombo = Combo({"9600", "38400"}, characteristics, "BaudRateCombo");
  DataBitsCombo = Combo({"7", "8"}, characteristics, "DataBitsCombo");
  ParityCombo = Combo({"Even", "Odd", "None"}, characteristics, "ParityCombo");
  StopBitsCombo = Combo({"1", "2"}, characteristics, "StopBitsCombo");
  cl->addRow("Baud Rate :", BaudRateCombo);
  cl->addRow("Data Bits :", DataBitsCombo);
  cl->addRow("Parity :", ParityCombo);
  cl->addRow("Stop Bits :", StopBitsCombo);
  for (QComboBox* c : {DataBitsCombo, ParityCombo, StopBitsCombo}) c->setEnabled(false);
  sl->addWidget(characteristics);
  sl->addStretch();
  Pages->addTab(settingsPage, "Settings");

  auto* advanced = new QWidget(Pages);
  auto* al = new QVBoxLayout(advanced);
  auto* handshaking = new QGroupBox("HandShaking", advanced);
  auto* hl = new QFormLayout(handshaking);
  HandshakingCombo = Combo({"RTS/CTS", "Disabled"}, handshaking, "HandshakingCombo");
  HandshakingCombo->setEnabled(false);
  hl->addRow("RS232 :", HandshakingCombo);
  al->addWidget(handshaking);
  al->addStretch();
  Pages->addTab(advanced, "Advanced");

  // What was chosen before, else the link's usual settings.
  Select(ParityCombo, "None");
  Select(StopBitsCombo, "1");
  if (previous) {
    Select(ParityCombo, previous->parity == 1 ? "Odd" : previous->parity == 2 ? "Even" : "None");
    const char* stops[] = {"0.5", "1", "1.5", "2"};
    if (previous->stopBits >= 1 && previous->stopBits <= 4) {
      if (StopBitsCombo->findText(stops[previous->stopBits - 1]) < 0) StopBitsCombo->addItem(stops[previous->stopBits - 1]);
      Select(StopBitsCombo, stops[previous->stopBits - 1]);
    }
    Select(HandshakingCombo, previous->handshake ? "RTS/CTS" : "Disabled");
    Select(BaudRateCombo, QString::number(previous->baudRate));
  } else {
    Select(HandshakingCombo, "Disabled");
  }
  Select(BaudRateCombo, "38400");
  Select(DataBitsCombo, "8");

  auto* ok = new QPushButton("OK", this);
  auto* cancel = new QPushButton("Cancel", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Pages);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  resize(340, 300);
}

DbsPortSettings TPCPortForm::Settings() const {
  DbsPortSettings s{};
  s.baudRate = BaudRateCombo->currentText().toInt();
  const QString parity = ParityCombo->currentText();
  s.parity = parity == "Odd" ? 1 : parity == "Even" ? 2 : 0;
  s.dataBits = static_cast<uint8_t>(DataBitsCombo->currentText().toInt());
  const QString stop = StopBitsCombo->currentText();
  s.stopBits = stop == "0.5" ? 1 : stop == "1" ? 2 : stop == "1.5" ? 3 : 4;
  s.handshake = HandshakingCombo->currentText() == "RTS/CTS" ? 1 : 0;
  return s;
}
