#include "forms/PortResourceForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "Resource.h"
#include "UiService.h"
#include "Widgets.h"
#include "model/LineSettings.h"

namespace {

// Protocol codes and their texts; a stored code not listed shows as the
// first, and a text not listed is saved as the last.
struct Protocol {
  uint8_t code;
  const char* text;
};
constexpr Protocol kProtocols[] = {{2, "General Switcher"}, {8, "Tolvex Link"}, {6, "Multi-Drop"},
                                   {3, "Simple Switcher"}, {9, "OEM"}};

QString ProtocolText(uint8_t code) {
  for (const Protocol& p : kProtocols) {
    if (p.code == code) return p.text;
  }
  return kProtocols[0].text;
}

uint8_t ProtocolCode(const QString& text) {
  for (const Protocol& p : kProtocols) {
    if (text == p.text && p.code != 9) return p.code;
  }
  return 9;
}

// A stored value is never shown as another: a list lacking it takes it.
void Show(QComboBox* combo, const QString& text) { ShowChoice(combo, text, true); }

}  // namespace

TPortForm::TPortForm(TPortResource& port) : TResourceForm(port, TPortResource::PortName(port.Number)) {
  setObjectName("PortForm");
  auto* settings = new QWidget(Pages());
  auto* sl = new QVBoxLayout(settings);
  auto* protocolRow = new QFormLayout;
  ProtocolCombo = ChoiceCombo({"Tolvex Link", "General Switcher", "Multi-Drop", "Simple Switcher", "OEM"}, settings,
                        "ProtocolCombo");
  protocolRow->addRow("Protocol :", ProtocolCombo);
  sl->addLayout(protocolRow);
  const TLineCharacteristics line(
      {"300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"}, settings);
  BaudRateCombo = line.BaudRate;
  DataBitsCombo = line.DataBits;
  ParityCombo = line.Parity;
  StopBitsCombo = line.StopBits;
  sl->addWidget(line.Group);
  sl->addStretch();
  Pages()->addTab(settings, "Settings");

  auto* advanced = new QWidget(Pages());
  auto* al = new QVBoxLayout(advanced);
  auto* handshaking = new QGroupBox("Handshaking", advanced);
  auto* hl = new QFormLayout(handshaking);
  HandshakingCombo = ChoiceCombo({"RTS/CTS", "Disabled"}, handshaking, "HandshakingCombo");
  handshakingLabel_ = new QLabel("RS232 :", handshaking);
  hl->addRow(handshakingLabel_, HandshakingCombo);
  al->addWidget(handshaking);
  InhibitsBox = new QGroupBox("Inhibits", advanced);
  InhibitsBox->setObjectName("InhibitsGroup");
  auto* il = new QHBoxLayout(InhibitsBox);
  InhibitsGroup = new QButtonGroup(InhibitsBox);
  for (const char* text : {"Apply", "Ignore"}) {
    auto* b = new QRadioButton(text, InhibitsBox);
    InhibitsGroup->addButton(b, static_cast<int>(InhibitsGroup->buttons().size()));
    il->addWidget(b);
  }
  al->addWidget(InhibitsBox);
  MiscellaneousBox = new QGroupBox("Miscellaneous", advanced);
  auto* ml = new QFormLayout(MiscellaneousBox);
  DuplexCombo = ChoiceCombo({"Full ( 4 Wire )", "Half ( 2 Wire )"}, MiscellaneousBox, "DuplexCombo");
  duplexLabel_ = new QLabel("Duplex :", MiscellaneousBox);
  ml->addRow(duplexLabel_, DuplexCombo);
  al->addWidget(MiscellaneousBox);
  al->addStretch();
  Pages()->addTab(advanced, "Advanced");

  TCommonInterface& ci = Interface();
  Fill(read_, ci.GetGeneralPort(static_cast<uint16_t>(port.Number), read_, ci.FileHandle));
  if (port.Number != 0) {
    HandshakingCombo->setEnabled(false);
    handshakingLabel_->setEnabled(false);
    ProtocolChosen();  // the controls the stored protocol uses
  } else {
    // The controller's own link port: only whether it applies route
    // inhibits can be changed.
    const QString shown = ProtocolCombo->currentText();
    ProtocolCombo->clear();
    ProtocolCombo->addItems({"Tolvex Link", "General Switcher"});
    Show(ProtocolCombo, shown);
    for (QWidget* w : std::initializer_list<QWidget*>{ProtocolCombo, BaudRateCombo, DataBitsCombo, ParityCombo,
                                                      StopBitsCombo, HandshakingCombo, DuplexCombo, duplexLabel_,
                                                      MiscellaneousBox}) {
      w->setEnabled(false);
    }
  }
  for (QComboBox* c : {ProtocolCombo, BaudRateCombo, DataBitsCombo, ParityCombo, StopBitsCombo, HandshakingCombo,
                       DuplexCombo}) {
    connect(c, &QComboBox::activated, this, [this] { MarkChanged(); });
  }
  connect(ProtocolCombo, &QComboBox::activated, this, &TPortForm::ProtocolChosen);
  connect(InhibitsGroup, &QButtonGroup::idClicked, this, [this] { MarkChanged(); });
  filled_ = Record();
  FixSize();
}

void TPortForm::ResourceChanged() {
  auto* port = dynamic_cast<TPortResource*>(Resource());
  if (!port) return;
  TCommonInterface& ci = Interface();
  TGeneralPortRecord now{};
  if (!ci.GetGeneralPort(static_cast<uint16_t>(port->Number), now, ci.FileHandle)) return;
  const TGeneralPortRecord shown = Record();
  Fill(now, true);
  const TGeneralPortRecord fresh = Record();
  TGeneralPortRecord merged = fresh;
  const auto keep = [&](auto TGeneralPortRecord::*field) {
    if (shown.*field != filled_.*field) merged.*field = shown.*field;
  };
  keep(&TGeneralPortRecord::protocol);
  keep(&TGeneralPortRecord::baudRate);
  keep(&TGeneralPortRecord::parity);
  keep(&TGeneralPortRecord::dataBits);
  keep(&TGeneralPortRecord::stopBits);
  keep(&TGeneralPortRecord::handshake);
  keep(&TGeneralPortRecord::duplex);
  keep(&TGeneralPortRecord::routeInhibits);
  Fill(merged, true);
  if (port->Number != 0) ProtocolChosen();
  read_ = now;
  filled_ = fresh;
}

void TPortForm::Fill(const TGeneralPortRecord& r, bool read) {
  Show(ProtocolCombo, ProtocolText(r.protocol));
  // A record that could not be read leaves the lists' own choices where its
  // numbers have no text.
  ShowChoice(BaudRateCombo, QString::number(r.baudRate), read);
  Show(ParityCombo, ParityText(r.parity));
  ShowChoice(DataBitsCombo, QString::number(r.dataBits), read);
  if (!StopBitsText(r.stopBits).isEmpty()) Show(StopBitsCombo, StopBitsText(r.stopBits));
  Show(HandshakingCombo, r.handshake ? "RTS/CTS" : "Disabled");
  Show(DuplexCombo, r.duplex == 1 ? "Half ( 2 Wire )" : "Full ( 4 Wire )");
  InhibitsGroup->button(r.routeInhibits ? 0 : 1)->setChecked(true);
}

void TPortForm::ProtocolChosen() {
  const bool multiDrop = ProtocolCombo->currentText() == "Multi-Drop";
  for (QWidget* w : std::initializer_list<QWidget*>{BaudRateCombo, DataBitsCombo, ParityCombo, StopBitsCombo}) {
    w->setEnabled(true);
  }
  DuplexCombo->setEnabled(multiDrop);
  duplexLabel_->setEnabled(multiDrop);
  InhibitsBox->setEnabled(!multiDrop);
  if (multiDrop) {
    HandshakingCombo->setEnabled(false);
    handshakingLabel_->setEnabled(false);
  }
}

TGeneralPortRecord TPortForm::Record() const {
  TGeneralPortRecord r = read_;  // the port option and the reserved bytes as read
  r.protocol = ProtocolCode(ProtocolCombo->currentText());
  r.baudRate = BaudRateCombo->currentText().toUInt();
  r.parity = ParityCode(ParityCombo->currentText());
  r.dataBits = static_cast<uint8_t>(DataBitsCombo->currentText().toUInt());
  r.stopBits = StopBitsCode(StopBitsCombo->currentText());
  r.handshake = HandshakeCode(HandshakingCombo->currentText());
  r.duplex = DuplexCombo->currentText() == "Half ( 2 Wire )" ? 1 : 0;
  r.routeInhibits = InhibitsGroup->checkedId() == 0 ? 0xFFFFFFFFu : 0;
  r.auxFlag = 0;
  return r;
}

bool TPortForm::Store() {
  auto* port = static_cast<TPortResource*>(Resource());
  // A port that stops being multi-drop loses its panels and UMDs to the
  // Storeroom: the user hears which before anything is written.
  const QStringList devices = port->DeviceNames();
  if (ProtocolCombo->currentText() != "Multi-Drop" && !devices.isEmpty()) {
    QString detail = QString("They lose their port and address:\n%1").arg(devices.join("\n"));
    if (Interface().OnlineStatus) detail += "\nOn-line, the control frame disconnects them at once.";
    if (!Ui().ConfirmSafely(TUiService::Kind::Warning,
                            QString("%1 is no longer a Multi-Drop port: its %2 panels and UMDs go to the Storeroom. "
                                    "Do you want to continue?")
                                .arg(port->GetName())
                                .arg(devices.size()),
                            QMessageBox::Yes | QMessageBox::Cancel, detail)) {
      return false;
    }
  }
  if (Interface().OnlineStatus && !Ui().WarningYesCancel("This will reset the controller. Do you want to continue?")) {
    return false;
  }
  return port->OnDataAccepted(Record());
}
