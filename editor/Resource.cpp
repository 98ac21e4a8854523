#include "Resource.h"

#include <QPainter>
#include <QPixmap>
#include <QTreeWidget>

#include "DatabaseManager.h"
#include "LevelTypeTable.h"
#include "forms/ControlFrameForm.h"
#include "forms/GridResources.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/PortResourceForm.h"
#include "forms/ResourceForm.h"
#include "UiService.h"

namespace {

// The picture of each image number.
struct Picture {
  int image;
  const char* file;
};
constexpr Picture kPictures[] = {
    {kImagePort, "port"},           {kImageFrame, "frame"},          {4, "panel-bpx"},
    {5, "panel-multi"},             {6, "panel-pnl01"},              {kImageConfiguration, "configuration"},
    {kImageStoreroom, "storeroom"}, {kImageUMD, "umd"},              {20, "panel-xy"},
    {21, "panel-unknown"},          {kImageAssociation, "association"}, {kImageSalvo, "salvo"},
    {kImageTrigger, "trigger"},
};

// A level's picture by its signal type.
const char* SignalPicture(Signal signal) {
  switch (signal) {
    case Signal::AnalogueVideo: return "level-analogue-video";
    case Signal::SdvHd: return "level-sdv";
    case Signal::Aes: return "level-aes";
    case Signal::AnalogueAudio: return "level-analogue-audio";
    case Signal::AudioMix: return "level-audio-mix";
    case Signal::Timecode: return "level-timecode";
    case Signal::Rs422: return "level-data";
  }
  return "level";
}

QIcon Svg(const QString& name) { return QIcon(":/icons/" + name + ".svg"); }

// An operation other than the plain one is marked in the picture's corner.
QIcon WithBadge(const QIcon& base, const QString& badge) {
  if (badge.isEmpty()) return base;
  QIcon icon;
  for (int size : {16, 24, 32}) {
    QPixmap pixmap = base.pixmap(size, size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal r = size * 0.27;
    const QPointF centre(size - r, size - r);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1e, 0x27, 0x33));
    painter.drawEllipse(centre, r, r);
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(r * 1.5));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), Qt::AlignCenter, badge);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon ResourceImage(int index) {
  static QHash<int, QIcon> cache;
  if (auto it = cache.find(index); it != cache.end()) return *it;
  for (const Picture& p : kPictures) {
    if (p.image == index) return cache[index] = Svg(p.file);
  }
  return {};
}

QIcon LevelIcon(uint16_t levelType) {
  static QHash<uint16_t, QIcon> cache;
  if (auto it = cache.find(levelType); it != cache.end()) return *it;
  LevelSelection sel;
  if (!FindLevelType(levelType, sel)) return cache[levelType] = Svg("level");
  static const char* badges[] = {"", "2", "3", "4", "D"};
  const bool parked = sel.signal == Signal::Rs422 || sel.signal == Signal::Timecode;
  return cache[levelType] = WithBadge(Svg(SignalPicture(sel.signal)), parked ? "" : badges[static_cast<int>(sel.op)]);
}

int PanelImage(int type) {
  static const QSet<int> four = {1, 11, 13, 14, 16, 17, 18, 19, 21, 23, 31, 32, 35, 36, 39, 40, 44};
  static const QSet<int> five = {4, 25, 26, 27, 28};
  static const QSet<int> six = {3, 7, 24};
  static const QSet<int> twenty = {2, 12, 15, 20, 22, 33, 34, 37, 38, 41, 42, 43, 45, 46};
  static const QSet<int> twentyOne = {0, 5, 6, 8, 9, 10, 29, 30};
  if (four.contains(type)) return 4;
  if (five.contains(type)) return 5;
  if (six.contains(type)) return 6;
  if (twenty.contains(type)) return 20;
  if (twentyOne.contains(type)) return 21;
  return -1;
}

int LevelImage(int type) {
  static const int images[] = {10, 14, 14, 10, 10, 22, 22, 0, 11, 15, 15, 11, 11, 23, 23, 0, 13, 17, 17, 13};
  return type >= 0 && type < 20 ? images[type] : -1;
}

void TResource::AttachNode(QTreeWidgetItem* node) { TreeNode = node; }

bool TResource::ShowForm(const std::function<TResourceForm*()>& make) {
  if (EditorForm) {
    EditorForm->show();
    EditorForm->raise();
    EditorForm->activateWindow();
    return false;
  }
  TResourceForm* form = make();
  if (!form) return false;
  EditorForm = form;
  Editing = true;
  Manager->RegisterForm(form);
  form->show();
  return true;
}

bool TResource::MoveTo(QTreeWidgetItem* target) {
  if (!TreeNode || !target) return false;
  if (QTreeWidgetItem* parent = TreeNode->parent()) {
    parent->removeChild(TreeNode);
  } else if (QTreeWidget* tree = TreeNode->treeWidget()) {
    tree->takeTopLevelItem(tree->indexOfTopLevelItem(TreeNode));
  }
  target->addChild(TreeNode);
  return true;
}

void TResource::ValidateName(QString& text) const {
  if (text.size() > 8) {
    Ui().Warning("This name has been reduced to 8 characters");
    text = text.left(8);
  }
}

QString TResource::GetName() const { return TreeNode ? TreeNode->text(0) : StoredName; }

void TResource::SetName(const QString& name) {
  if (TreeNode) {
    SetNodeText(name);
  } else {
    StoredName = name;
  }
}

void TResource::SetNodeText(const QString& text) {
  if (TreeNode) TreeNode->setText(0, ShownName(text));
}

static void Show(TResource& r, QTreeWidgetItem* node, const QString& text, int image) {
  r.TResource::AttachNode(node);
  r.Image = image;
  node->setText(0, ShownName(text));
  node->setIcon(0, ResourceImage(image));
}

void TKorvellControlFrameResource::AttachNode(QTreeWidgetItem* node) { Show(*this, node, "Zephra", kImageFrame); }

void TKorvellControlFrameResource::ValidateName(QString& text) const {
  if (text.size() > 12) {
    Ui().Warning("The Configuration name has been reduced to 12 characters");
    text = text.left(12);
  }
}

bool TKorvellControlFrameResource::Edit(TCommonInterface&) {
  return ShowForm([this]() -> TResourceForm* {
    auto* form = new TKorvellControlFrameForm(*this);
    if (form->Filled()) return form;
    delete form;
    return nullptr;
  });
}

void TKorvellControllerResource::AttachNode(QTreeWidgetItem* node) { Show(*this, node, "Zephra Configuration", kImageConfiguration); }

bool TKorvellControllerResource::Edit(TCommonInterface&) {
  // The five nodes of the controller open the window on their own page.
  const QTreeWidgetItem* node = Manager->Tree() ? Manager->Tree()->currentItem() : nullptr;
  const QString page = node ? node->text(0) : QString();
  return ShowForm([this, page]() -> TResourceForm* {
    auto* form = new TKorvellForm(*this);
    if (form->Load(page)) return form;
    delete form;
    return nullptr;
  });
}

void TLevelResource::AttachNode(QTreeWidgetItem* node) {
  Show(*this, node, QString("Level %1").arg(Number + 1), -1);
  node->setIcon(0, LevelIcon(kNoLevelType));
}

bool TLevelResource::Edit(TCommonInterface&) {
  return ShowForm([this]() -> TResourceForm* {
    auto* form = new TLevelForm(*this);
    if (form->Load()) return form;
    delete form;
    return nullptr;
  });
}

void TLevelResource::ShowLevelType(uint16_t type) {
  Image = LevelImage(type);
  if (TreeNode) TreeNode->setIcon(0, LevelIcon(type));
}

QString TPortResource::PortName(int number) {
  static const char* names[] = {"RS232-1", "RS485-1", "RS485-2"};
  return number >= 0 && number < 3 ? names[number] : QString();
}

void TPortResource::AttachNode(QTreeWidgetItem* node) { Show(*this, node, PortName(Number), kImagePort); }

bool TPortResource::Edit(TCommonInterface&) {
  return ShowForm([this] { return new TPortForm(*this); });
}

bool TPortResource::OnDataAccepted(const TGeneralPortRecord& record) {
  TCommonInterface& ci = Manager->CommonInterface;
  const bool sent = ci.SetGeneralPort(static_cast<uint16_t>(Number), record, ci.FileHandle);
  // The file may hold the record although the controller did not take it:
  // what the file holds decides whether the port keeps its devices.
  TGeneralPortRecord stored{};
  if (!ci.GetGeneralPort(static_cast<uint16_t>(Number), stored, ci.FileHandle)) return false;
  if (stored.protocol == kMultiDropProtocol || !TreeNode) return sent;
  QTreeWidgetItem* storeroom = Manager->FindNode("Storeroom");
  if (!storeroom) return sent;
  // Every panel and UMD leaves the port, in the file and in the tree; other
  // children stay.
  for (int i = TreeNode->childCount() - 1; i >= 0; --i) {
    if (auto* device = dynamic_cast<TMultiDropResource*>(TDatabaseManager::ResourceOf(TreeNode->child(i)))) {
      device->MoveTo(storeroom);
    }
  }
  Manager->SortTree();
  return sent;
}

QStringList TPortResource::DeviceNames() const {
  QStringList names;
  for (int i = 0; TreeNode && i < TreeNode->childCount(); ++i) {
    if (auto* device = dynamic_cast<TMultiDropResource*>(TDatabaseManager::ResourceOf(TreeNode->child(i)))) {
      names << QString("%1 (%2)").arg(device->GetName(), device->Identity());
    }
  }
  return names;
}

bool TPortResource::CanDropOn(const TResource* target) const {
  return dynamic_cast<const TKorvellControlFrameResource*>(target) != nullptr;
}

bool TPortResource::CanAccept(const TResource* item) const {
  if (TreeNode && TreeNode->childCount() >= 16) return false;  // a port holds 16 devices
  if (!dynamic_cast<const TMultiDropResource*>(item)) return true;
  TCommonInterface& ci = Manager->CommonInterface;
  TGeneralPortRecord port{};
  const bool saved = ci.ShowErrors;
  ci.ShowErrors = false;
  const bool ok = ci.GetGeneralPort(static_cast<uint16_t>(Number), port, ci.FileHandle);
  ci.ShowErrors = saved;
  return ok && port.protocol == kMultiDropProtocol;
}

void TStoreRoomResource::AttachNode(QTreeWidgetItem* node) { Show(*this, node, "Storeroom", kImageStoreroom); }

QString TMultiDropResource::Identity() const {
  QString text = QString("no. %1").arg(Number + 1);
  if (PortNumber >= 0 && DropAddress >= 1) text += QString(", address %1").arg(DropAddress);
  return text;
}

bool TMultiDropResource::CanDropOn(const TResource* target) const {
  return dynamic_cast<const TPortResource*>(target) || dynamic_cast<const TStoreRoomResource*>(target);
}

namespace {

// Whether the file holds a device at a port and address (-1: not placed): a
// live update can fail after the record was written, and then the tree
// follows the file, the failure having been shown.
bool HeldAt(const TMultiDropResource& device, int port, int address) {
  TCommonInterface& ci = device.Manager->CommonInterface;
  const bool shown = ci.ShowErrors;
  ci.ShowErrors = false;
  uint16_t p = 0, a = 0;
  const auto n = static_cast<uint16_t>(device.Number);
  const bool read = device.IsPanel() ? ci.GetPanelPort(n, p, a, ci.FileHandle) : ci.GetUMDPort(n, p, a, ci.FileHandle);
  ci.ShowErrors = shown;
  return read && p == static_cast<uint16_t>(port) && a == static_cast<uint16_t>(address);
}

}  // namespace

bool TMultiDropResource::MoveTo(QTreeWidgetItem* target) {
  auto* port = dynamic_cast<TPortResource*>(TDatabaseManager::ResourceOf(target));
  if (port) {
    const int onPort = port->Number - 1;  // "RS485-1" is multi-drop port 0
    // Every device on the port counts, this one too: dropped again on its own
    // port it takes the next free address.
    int address = 0;
    Manager->FindFreeAddress(address, onPort, -1, IsPanel(), true);
    if (address < 1) return false;  // every address of the port is taken
    if (!StorePortAddress(onPort, address)) return false;
    PortNumber = onPort;
    DropAddress = StoredAddress = address;
  } else {
    if (!StorePortAddress(-1, -1)) return false;
    PortNumber = DropAddress = StoredAddress = -1;
  }
  return TResource::MoveTo(target);
}

void TPanelResource::AttachNode(QTreeWidgetItem* node) { Show(*this, node, StoredName, PanelImage(Record.panelType)); }

bool TPanelResource::StorePortAddress(int port, int address) {
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString name(QString(8, ' '));
  TPanelRecord r{};
  r.name = name;
  if (!ci.GetPanelRecord(static_cast<uint16_t>(Number), r, ci.FileHandle)) return false;
  r.port = static_cast<uint16_t>(port);
  r.address = static_cast<uint16_t>(address);
  if (!ci.SetPanelRecord(static_cast<uint16_t>(Number), r, ci.FileHandle) && !HeldAt(*this, port, address)) {
    return false;
  }
  Record.port = r.port;
  Record.address = r.address;
  return true;
}

bool TLevelResource::NameAllowed(const QString& name) {
  const QString shown = ShownName(name).trimmed();
  return !shown.isEmpty() && PrintableName(shown);
}

bool TLevelResource::StoreName(const QString& name) {
  if (!NameAllowed(name)) {
    Ui().Warning("You have entered an invalid value", kNameRule);
    return false;
  }
  TCommonInterface& ci = Manager->CommonInterface;
  return ci.SetLevelName(static_cast<uint16_t>(Number), ShownName(name).trimmed(), ci.FileHandle);
}

bool TPanelResource::StoreName(const QString& name) {
  TCommonInterface& ci = Manager->CommonInterface;
  return ci.SetPanelName(static_cast<uint16_t>(Number), name, ci.FileHandle);
}

void TUMDResource::AttachNode(QTreeWidgetItem* node) { Show(*this, node, StoredName, kImageUMD); }

bool TUMDResource::StorePortAddress(int port, int address) {
  TCommonInterface& ci = Manager->CommonInterface;
  TLibString name(QString(8, ' '));
  TUMDRecord r{};
  r.name = name;
  if (!ci.GetUMDRecord(static_cast<uint16_t>(Number), r, ci.FileHandle)) return false;
  r.port = static_cast<uint16_t>(port);
  r.address = static_cast<uint16_t>(address);
  return ci.SetUMDRecord(static_cast<uint16_t>(Number), r, ci.FileHandle) || HeldAt(*this, port, address);
}

bool TUMDResource::StoreName(const QString& name) {
  TCommonInterface& ci = Manager->CommonInterface;
  return ci.SetUMDName(static_cast<uint16_t>(Number), name, ci.FileHandle);
}
