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

namespace {

// Protocol codes and their texts; a stored code not listed shows as the
// first, and a text not listed is saved as the last.
struct Protocol {
  uint8_t code;
  const char* text;
};
constexpr Protocol kProtocols[] = {{2, "General Switcher"}, {8, "Tolvex Link"}, {6, "Multi-Drop"},
                                   {3, "Simple Switcher"}, {9, "OEM"}};
const char* kStopBits[] = {"0.5", "1", "1.5", "2"};  // 1 .. 4 half bits as stored

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

QComboBox* Combo(const QStringList& items, QWidget* parent, const char* name) {
  auto* combo = new QComboBox(parent);
  combo->addItems(items);
  combo->setObjectName(name);
  return combo;
}

// Shows `text`, adding it when the list lacks it (a stored value is never
// shown as another).
void Show(QComboBox* combo, const QString& text) {
  int i = combo->findText(text);
  if (i < 0) {
    combo->addItem(text);
    i = combo->count() - 1;
  }
  combo->setCurrentIndex(i);
}

}  // namespace

TPortForm::TPortForm(TPortResource& port) : TResourceForm(port, TPortResource::PortName(port.Number)) {
  setObjectName("PortForm");
  auto* settings = new QWidget(Pages());
  auto* sl = new QVBoxLayout(settings);
  auto* protocolRow = new QFormLayout;
  ProtocolCombo = Combo({"Tolvex Link", "General Switcher", "Multi-Drop", "Simple Switcher", "OEM"}, settings,
                        "ProtocolCombo");
  protocolRow->addRow("Protocol :", ProtocolCombo);
  sl->addLayout(protocolRow);
  auto* characteristics = new QGroupBox("Characteristics", settings);
  auto* cl = new QFormLayout(characteristics);
  BaudRateCombo = Combo({"300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "230400"},
                        characteristics, "BaudRateCombo");
  DataBitsCombo = Combo({"7", "8"}, characteristics, "DataBitsCombo");
  ParityCombo = Combo({"Even", "Odd", "None"}, characteristics, "ParityCombo");
  StopBitsCombo = Combo({"1", "2"}, characteristics, "StopBitsCombo");
  cl->addRow("Baud Rate :", BaudRateCombo);
  cl->addRow("Data Bits :", DataBitsCombo);
  cl->addRow("Parity :", ParityCombo);
  cl->addRow("Stop Bits :", StopBitsCombo);
  sl->addWidget(characteristics);
  sl->addStretch();
  Pages()->addTab(settings, "Settings");

  auto* advanced = new QWidget(Pages());
  auto* al = new QVBoxLayout(advanced);
  auto* handshaking = new QGroupBox("Handshaking", advanced);
  auto* hl = new QFormLayout(handshaking);
  HandshakingCombo = Combo({"RTS/CTS", "Disabled"}, handshaking, "HandshakingCombo");
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
  DuplexCombo = Combo({"Full ( 4 Wire )", "Half ( 2 Wire )"}, MiscellaneousBox, "DuplexCombo");
  duplexLabel_ = new QLabel("Duplex :", MiscellaneousBox);
  ml->addRow(duplexLabel_, DuplexCombo);
  al->addWidget(MiscellaneousBox);
  al->addStretch();
  Pages()->addTab(advanced, "Advanced");

  TCommonInterface& ci = Interface();
  ci.GetGeneralPort(static_cast<uint16_t>(port.Number), read_, ci.FileHandle);
  Fill(read_);
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
  resize(380, 360);
}

void TPortForm::Fill(const TGeneralPortRecord& r) {
  Show(ProtocolCombo, ProtocolText(r.protocol));
  Show(BaudRateCombo, QString::number(r.baudRate));
  Show(ParityCombo, r.parity == 1 ? "Odd" : r.parity == 2 ? "Even" : "None");
  Show(DataBitsCombo, QString::number(r.dataBits));
  if (r.stopBits >= 1 && r.stopBits <= 4) Show(StopBitsCombo, kStopBits[r.stopBits - 1]);
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
  const QString parity = ParityCombo->currentText();
  r.parity = parity == "Odd" ? 1 : parity == "Even" ? 2 : 0;
  r.dataBits = static_cast<uint8_t>(DataBitsCombo->currentText().toUInt());
  const QString stop = StopBitsCombo->currentText();
  r.stopBits = stop == "0.5" ? 1 : stop == "1" ? 2 : stop == "1.5" ? 3 : 4;
  r.handshake = HandshakingCombo->currentText() == "RTS/CTS" ? 1 : 0;
  r.duplex = DuplexCombo->currentText() == "Half ( 2 Wire )" ? 1 : 0;
  r.routeInhibits = InhibitsGroup->checkedId() == 0 ? 0xFFFFFFFFu : 0;
  r.auxFlag = 0;
  return r;
}

bool TPortForm::Store() {
  if (Interface().OnlineStatus && !Ui().WarningYesCancel("This will reset the controller. Do you want to continue?")) {
    return false;
  }
  auto* port = static_cast<TPortResource*>(Resource());
  return port->OnDataAccepted(Record(), ProtocolCombo->currentText() == "Multi-Drop");
}
