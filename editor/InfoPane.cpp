#include "InfoPane.h"

#include <QLabel>
#include <QListWidget>

#include "LevelTypeTable.h"
#include "Resource.h"

namespace {

QLabel* Text(QWidget* parent, const QString& name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  label->setMargin(14);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setAutoFillBackground(true);
  label->setBackgroundRole(QPalette::Base);
  return label;
}

QString Place(int port, int address) {
  if (port < 0 || port > 1) return "In the Storeroom: not on a port";
  return QString("On %1 at address %2").arg(TPortResource::PortName(port + 1)).arg(address);
}

QStringList LevelFacts(TCommonInterface& ci, int level) {
  QStringList lines;
  TLibString name(QString(8, ' '));
  TLevelRecord record{};
  record.name = name;
  if (!ci.GetLevelData(0, static_cast<uint16_t>(level), record, ci.FileHandle)) return lines;
  LevelSelection sel;
  if (FindLevelType(record.levelType, sel)) {
    lines << "Signal: " + kSignalNames[static_cast<int>(sel.signal)].trimmed();
    if (sel.signal == Signal::Rs422) {
      lines << "Router: " + sel.model << QString("Park: ") + (sel.park ? "Auto" : "Manual");
    } else {
      lines << "Router: " + sel.model << "Operation: " + kOperationNames[static_cast<int>(sel.op)];
    }
  } else {
    lines << QString("Level type %1 (not one the wizard gives)").arg(record.levelType);
  }
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  if (ci.GetConfig(config, ci.FileHandle) && level < DBS_MAX_LEVELS) {
    lines << QString("Size: %1 sources x %2 destinations")
                 .arg(config.sourceCount[0][level])
                 .arg(config.destCount[0][level]);
  }
  return lines;
}

}  // namespace

QStringList ResourceFacts(TCommonInterface& ci, TResource* resource, const QString& nodeText) {
  QStringList lines{nodeText};
  if (!resource) return lines;
  if (dynamic_cast<TLevelResource*>(resource)) return lines + LevelFacts(ci, resource->Number);
  if (auto* device = dynamic_cast<TMultiDropResource*>(resource)) {
    return lines << device->GetTypeName() + QString(" %1").arg(device->Number + 1)
                 << Place(device->PortNumber, device->DropAddress);
  }
  if (auto* port = dynamic_cast<TPortResource*>(resource)) {
    TGeneralPortRecord record{};
    const bool shown = ci.ShowErrors;
    ci.ShowErrors = false;
    const bool read = ci.GetGeneralPort(static_cast<uint16_t>(port->Number), record, ci.FileHandle);
    ci.ShowErrors = shown;
    if (read) {
      lines << QString("%1 baud, %2 data bits").arg(record.baudRate).arg(record.dataBits)
            << (record.protocol == 6 ? QString("Multi-drop: panels and UMDs can be placed on it")
                                     : QString("Not a multi-drop port: no panels or UMDs"));
    }
    return lines;
  }
  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  if (!ci.GetConfig(config, ci.FileHandle)) return lines;
  if (nodeText == "Source Association") return lines << QString("%1 source associations").arg(config.sourceAssocCount[0]);
  if (nodeText == "Dest Association") return lines << QString("%1 destination associations").arg(config.destAssocCount[0]);
  if (nodeText == "Salvos") {
    return lines << QString("%1 salvos sharing %2 crosspoint records").arg(config.salvoCount).arg(config.salvoXPCount);
  }
  if (nodeText == "Trigger Positions") return lines << "The trigger positions of the 625, 525 and HD lines";
  return lines;
}

TInfoPane::TInfoPane(QListWidget* list, QWidget* parent) : QStackedWidget(parent), list_(list) {
  facts_ = Text(this, "Facts");
  welcome_ = Text(this, "Welcome");
  welcome_->setText(
      "<h3>No configuration is open</h3>"
      "<p>Choose <b>New</b> (Ctrl+N) to create a configuration database with the wizard, or <b>Open</b> (Ctrl+O) "
      "to open one.</p><p>An older database can be turned into a current one with File &gt; Convert Database.</p>");
  addWidget(list_);
  addWidget(facts_);
  addWidget(welcome_);
}

void TInfoPane::ShowList() { setCurrentWidget(list_); }
void TInfoPane::ShowWelcome() { setCurrentWidget(welcome_); }
bool TInfoPane::ShowingList() const { return currentWidget() == list_; }
QString TInfoPane::FactsText() const { return currentWidget() == facts_ ? facts_->text() : QString(); }

void TInfoPane::ShowFacts(TCommonInterface& ci, TResource* resource, const QString& nodeText) {
  const QStringList lines = ResourceFacts(ci, resource, nodeText);
  QString html = "<h3>" + lines.value(0).toHtmlEscaped() + "</h3>";
  for (int i = 1; i < lines.size(); ++i) html += "<p>" + lines[i].toHtmlEscaped() + "</p>";
  facts_->setText(html);
  setCurrentWidget(facts_);
}
