#include "DatabaseManager.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "UiService.h"
#include "model/DefaultConfiguration.h"
#include "forms/ResourceForm.h"

namespace {

constexpr const char* kReservedMessage =
    "This file is used by the editor and cannot be overwritten. Please select another filename";

QString Extension(int type) { return type == DBS_TYPE_V1 ? "ZP1" : type == DBS_TYPE_V2 ? "ZP2" : "ZP3"; }

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

bool IsTempDatabaseName(const QString& path) {
  return QFileInfo(path).fileName().compare(kTempDatabaseName, Qt::CaseInsensitive) == 0;
}

TDatabaseManager::TDatabaseManager(QTreeWidget* tree)
    : tree_(tree), steps_(std::make_unique<TUndoStack>(CommonInterface)) {
  CommonInterface.Steps = steps_.get();
  // Whatever writes (a form, a rename or a drag in the tree, an import, an
  // undo), the open forms keep no stale copy of what it changed.
  QObject::connect(steps_.get(), &TUndoStack::Written, steps_.get(), [this] { FormsTakeUpStored(); });
}

void TDatabaseManager::FormsTakeUpStored() {
  const QList<QPointer<QWidget>> open = forms_;
  for (const QPointer<QWidget>& w : open) {
    auto* form = qobject_cast<TResourceForm*>(w.data());
    if (form && form->Resource()) form->ResourceChanged();
  }
}

// A manager that goes takes its database with it: nothing stays open in the
// library behind a window that no longer shows it.
TDatabaseManager::~TDatabaseManager() {
  CommonInterface.Steps = nullptr;
  ClearTree();
  if (CommonInterface.FileCount > 0) {
    CommonInterface.ShowErrors = false;
    CommonInterface.CloseDatabase(CommonInterface.FileHandle);
  }
}

TResource* TDatabaseManager::ResourceOf(const QTreeWidgetItem* node) {
  return node ? static_cast<TResource*>(node->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

template <class R>
R* TDatabaseManager::Make(int number) {
  resources_.push_back(std::make_unique<R>(this, number));
  return static_cast<R*>(resources_.back().get());
}

QTreeWidgetItem* TDatabaseManager::AddNode(QTreeWidgetItem* parent, TResource* resource) {
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
  node->setData(0, Qt::UserRole, QVariant::fromValue<void*>(resource));
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
  if (!resource->FixedName) flags |= Qt::ItemIsEditable;
  node->setFlags(flags);
  resource->AttachNode(node);
  return node;
}

QTreeWidgetItem* TDatabaseManager::FindNode(const QString& text) const {
  const auto found = tree_->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

QWidget* TDatabaseManager::Window() const { return tree_ ? tree_->window() : nullptr; }

void TDatabaseManager::RegisterForm(QWidget* form) {
  forms_.removeAll(nullptr);
  forms_.append(form);
}

void TDatabaseManager::CloseForms() {
  const QList<QPointer<QWidget>> open = forms_;
  forms_.clear();
  for (const QPointer<QWidget>& w : open) {
    if (!w) continue;
    if (auto* form = qobject_cast<TResourceForm*>(w.data())) {
      form->Discard();
    } else {
      w->close();
    }
  }
}

int TDatabaseManager::OpenFormCount() const {
  int n = 0;
  for (const QPointer<QWidget>& w : forms_) n += w && w->isVisible() ? 1 : 0;
  return n;
}

QList<TResourceForm*> TDatabaseManager::FormsWithChanges() const {
  QList<TResourceForm*> out;
  for (const QPointer<QWidget>& w : forms_) {
    auto* form = qobject_cast<TResourceForm*>(w.data());
    if (form && form->Resource() && form->HasChanges()) out << form;
  }
  return out;
}

bool TDatabaseManager::Rebuild() {
  const auto indexOf = [this](const TResource* r) {
    for (std::size_t i = 0; i < resources_.size(); ++i) {
      if (resources_[i].get() == r) return static_cast<int>(i);
    }
    return -1;
  };
  QTreeWidgetItem* current = tree_ ? tree_->currentItem() : nullptr;
  const int currentIndex = indexOf(ResourceOf(current));
  const QString currentText = current ? current->text(0) : QString();
  std::vector<int> reopen;
  for (const QPointer<QWidget>& w : forms_) {
    auto* form = qobject_cast<TResourceForm*>(w.data());
    if (form && form->Resource()) reopen.push_back(indexOf(form->Resource()));
  }
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  if (!CommonInterface.GetConfig(record, CommonInterface.FileHandle) || !BuildTree(record)) return false;
  // The node of the same resource (the configuration's data nodes share one:
  // the same text tells them apart; a renamed node is the resource's first).
  if (currentIndex >= 0 && currentIndex < static_cast<int>(resources_.size())) {
    const TResource* r = resources_[static_cast<std::size_t>(currentIndex)].get();
    QTreeWidgetItem* found = nullptr;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
      if (ResourceOf(*it) != r) continue;
      if (!found || (*it)->text(0) == currentText) found = *it;
      if ((*it)->text(0) == currentText) break;
    }
    if (found) tree_->setCurrentItem(found);
  }
  for (int i : reopen) {
    if (i >= 0 && i < static_cast<int>(resources_.size())) resources_[static_cast<std::size_t>(i)]->Edit(CommonInterface);
  }
  return true;
}

void TDatabaseManager::ClearTree() {
  CloseForms();  // no form may outlive the resources it edits
  if (tree_) tree_->clear();
  resources_.clear();
}

void TDatabaseManager::SetWorkingFile(uint16_t type) {
  DatabaseType = type == DBS_TYPE_V1 ? 2 : type == DBS_TYPE_V2 ? 3 : 4;
  WorkingFileName = "CURR_SYS." + Extension(DatabaseType);
  CommonInterface.WorkingFile = WorkingFileName;
}

bool TDatabaseManager::BuildTree(const TConfigurationRecord& record) {
  ClearTree();
  TCommonInterface& ci = CommonInterface;
  QTreeWidgetItem* root = AddNode(nullptr, Make<TKorvellControlFrameResource>(0));
  auto* controller = Make<TKorvellControllerResource>(0);
  QTreeWidgetItem* configuration = AddNode(root, controller);
  const int levels = static_cast<int8_t>(record.levelCount[0] & 0xFF);
  for (int i = 0; i < levels; ++i) {
    auto* level = Make<TLevelResource>(i);
    AddNode(configuration, level);
    TLibString name(QString(8, ' '));
    TLevelRecord r{};
    r.name = name;
    if (ci.GetLevelData(0, static_cast<uint16_t>(i), r, ci.FileHandle)) {
      level->SetNodeText(FitName(name.Text(), 8));
      level->ShowLevelType(r.levelType);
    }
  }
  const std::pair<const char*, int> data[] = {{"Source Association", kImageAssociation},
                                              {"Dest Association", kImageAssociation},
                                              {"Salvos", kImageSalvo},
                                              {"Trigger Positions", kImageTrigger}};
  for (const auto& [text, image] : data) {
    QTreeWidgetItem* node = AddNode(configuration, controller);
    node->setText(0, text);
    node->setIcon(0, ResourceImage(image));
  }
  for (int p = 0; p < 3; ++p) AddNode(root, Make<TPortResource>(p));
  QTreeWidgetItem* storeroom = AddNode(nullptr, Make<TStoreRoomResource>(0));
  std::vector<TMultiDropResource*> devices;
  for (int i = 0; i < record.panelCount; ++i) {
    auto* panel = Make<TPanelResource>(i);
    TLibString name(QString(8, ' '));
    panel->Record.name = name;
    if (ci.GetPanelRecord(static_cast<uint16_t>(i), panel->Record, ci.FileHandle)) {
      panel->StoredName = FitName(name.Text(), 8);
      panel->DropAddress = static_cast<int16_t>(panel->Record.address);
    }
    panel->Record.name = nullptr;
    AddNode(storeroom, panel);
    devices.push_back(panel);
  }
  for (int i = 0; i < record.umdCount; ++i) {
    auto* umd = Make<TUMDResource>(i);
    TLibString name(QString(8, ' '));
    TUMDRecord r{};
    r.name = name;
    if (ci.GetUMDRecord(static_cast<uint16_t>(i), r, ci.FileHandle)) {
      umd->StoredName = FitName(name.Text(), 8);
      umd->DropAddress = static_cast<int16_t>(r.address);
    }
    AddNode(storeroom, umd);
    devices.push_back(umd);
  }
  // Devices on a multi-drop port move under it; a panel's brightness is kept
  // in range.
  for (TMultiDropResource* device : devices) {
    const auto n = static_cast<uint16_t>(device->Number);
    if (device->IsPanel()) {
      uint8_t brightness = 0;
      if (ci.GetPanelBrightness(n, brightness, ci.FileHandle) && (brightness == 0 || brightness > 8)) {
        ci.SetPanelBrightness(n, 1, ci.FileHandle);
      }
    }
    uint16_t port = 0xFFFF, address = 0xFFFF;
    const bool ok = device->IsPanel() ? ci.GetPanelPort(n, port, address, ci.FileHandle)
                                      : ci.GetUMDPort(n, port, address, ci.FileHandle);
    if (!ok || port > 1) continue;
    if (QTreeWidgetItem* target = FindNode(TPortResource::PortName(port + 1))) {
      device->TResource::MoveTo(target);
      device->PortNumber = port;
      device->DropAddress = device->StoredAddress = address;
    }
  }
  tree_->expandAll();
  SortTree();
  tree_->setCurrentItem(root);
  return true;
}

void TDatabaseManager::SortTree() {
  // The children of a port by address; the storeroom's as the tree was
  // built: the panels, then the UMDs, each in number order.
  const auto sortChildren = [this](QTreeWidgetItem* parent, auto key) {
    if (!parent) return;
    QTreeWidgetItem* current = tree_->currentItem();
    QList<QTreeWidgetItem*> children = parent->takeChildren();
    std::stable_sort(children.begin(), children.end(),
                     [&](QTreeWidgetItem* a, QTreeWidgetItem* b) { return key(a) < key(b); });
    parent->addChildren(children);
    if (current && children.contains(current)) tree_->setCurrentItem(current);
  };
  for (int p = 1; p < 3; ++p) {
    sortChildren(FindNode(TPortResource::PortName(p)), [](QTreeWidgetItem* n) {
      auto* r = dynamic_cast<TMultiDropResource*>(ResourceOf(n));
      return r ? r->DropAddress : 0;
    });
  }
  sortChildren(FindNode("Storeroom"), [](QTreeWidgetItem* n) {
    auto* r = dynamic_cast<TMultiDropResource*>(ResourceOf(n));
    return r ? (r->IsPanel() ? 0 : 1000) + r->Number : 0;
  });
}

void TDatabaseManager::FindFreeAddress(int& address, int port, int ownIndex, bool ownIsPanel, bool up) const {
  bool taken[17] = {};
  for (const auto& r : resources_) {
    auto* d = dynamic_cast<TMultiDropResource*>(r.get());
    if (!d || d->PortNumber != port || (d->IsPanel() == ownIsPanel && d->Number == ownIndex)) continue;
    for (int a : {d->DropAddress, d->StoredAddress}) {
      if (a >= 1 && a <= 16) taken[a] = true;
    }
  }
  if (address > 16) return;
  int a;
  if (up && address < 16) {
    a = address + 1;
  } else if (!up && address > 1) {
    a = address - 1;
  } else {
    return;
  }
  for (; a >= 1 && a <= 16; a += up ? 1 : -1) {
    if (!taken[a]) {
      address = a;
      return;
    }
  }
}

bool TDatabaseManager::AddressInUse(int address, int port, int ownIndex, bool ownIsPanel) const {
  for (const auto& r : resources_) {
    auto* d = dynamic_cast<TMultiDropResource*>(r.get());
    if (!d || d->PortNumber != port || (d->IsPanel() == ownIsPanel && d->Number == ownIndex)) continue;
    if ((d->DropAddress == address || d->StoredAddress == address) && address >= 1 && address <= 16) return true;
  }
  return false;
}

QString TDatabaseManager::RecordFileName(const TConfigurationRecord& record) {
  const QString base = ShownName(QString::fromUtf16(reinterpret_cast<const char16_t*>(record.name),
                                                    DbsStringLength(record.name)));
  return QDir::current().filePath(base.trimmed() + "." + Extension(record.configType));
}

bool TDatabaseManager::CreateNewDatabase(TConfigurationRecord& record) {
  return MakeFile(record, CommonInterface.FileHandleAssigned ? CommonInterface.FileHandle : -1,
                  &TCommonInterface::CreateDatabase);
}

bool TDatabaseManager::ReconfigureOpenDatabase(TConfigurationRecord& record) {
  return MakeFile(record, CommonInterface.FileHandle, &TCommonInterface::ReconfigureDatabase);
}

bool TDatabaseManager::MakeFile(const TConfigurationRecord& record, DbsHandle handle,
                                bool (TCommonInterface::*make)(QString&, const TConfigurationRecord&, DbsHandle&)) {
  QString name = RecordFileName(record);
  if (!(CommonInterface.*make)(name, record, handle)) {
    Ui().Warning("Cannot create the file");
    return false;
  }
  CommonInterface.FileHandle = handle;
  DatabaseFileName = name;
  if (BuildTree(record)) SetWorkingFile(record.configType);
  return true;
}

bool TDatabaseManager::ConvertDatabase(int targetType) {
  static const char* filters[] = {"Database Files (*.KV1)", "Database Files (*.KV1 *.ZP1)",
                                  "Database Files (*.KV1 *.ZP1 *.ZP2)"};
  if (targetType < DBS_TYPE_V1 || targetType > DBS_TYPE_V3) return false;
  const QString name = Ui().OpenFileName(filters[targetType - DBS_TYPE_V1], "KV1");
  if (name.isEmpty()) return false;
  if (IsTempDatabaseName(name)) {
    Ui().Warning(kReservedMessage);
    return false;
  }
  // The extension says the source's format, as written.
  const QString suffix = QFileInfo(name).suffix();
  const int source = suffix == "KV1" ? DBS_TYPE_KV1 : suffix == "ZP1" ? DBS_TYPE_V1 : suffix == "ZP2" ? DBS_TYPE_V2 : -1;
  if (source < 0 || source >= targetType) {
    Ui().Warning("Attempting to convert invalid database format", name);
    return false;
  }
  bool converted = false;
  if (OpenDatabaseFile(name, {source})) {
    TLibString sourceName(QString(16, ' '));
    TConfigurationRecord old{};
    old.name = sourceName;
    if (CommonInterface.GetConfig(old, CommonInterface.FileHandle)) {
      TLibString targetName(QString(16, ' '));
      TConfigurationRecord target{};
      target.name = targetName;
      zephra::editor::FillDefaultConfig(target, static_cast<uint16_t>(targetType));
      std::copy_n(old.name, 16, target.name);
      target.levelCount[0] = old.levelCount[0];
      std::copy_n(old.sourceCount[0], DBS_MAX_LEVELS, target.sourceCount[0]);
      std::copy_n(old.destCount[0], DBS_MAX_LEVELS, target.destCount[0]);
      QString file = QFileInfo(name).completeBaseName() + "." + Extension(targetType);
      DbsHandle handle = CommonInterface.FileHandle;
      if (CommonInterface.ReconfigureDatabase(file, target, handle)) {
        CommonInterface.FileHandle = handle;
        DatabaseFileName = file;
        Ui().Information("Database converted and saved as " + file);
        converted = true;
      }
    }
  }
  if (!converted) Ui().Warning("Cannot create the file");
  if (CommonInterface.FileHandleAssigned) CommonInterface.CloseDatabase(CommonInterface.FileHandle);
  return true;
}

int TDatabaseManager::OpenWithDialog() {
  const QString name = Ui().OpenFileName("Zephra Files (*.ZP1 *.ZP2 *.ZP3)", "ZP3");
  if (name.isEmpty()) return -2;
  if (IsTempDatabaseName(name)) {
    Ui().Warning(kReservedMessage);
    return 0;
  }
  if (OpenDatabaseFile(name, {2, 3, 4})) return -1;
  if (CommonInterface.FileHandleAssigned) CommonInterface.CloseDatabase(CommonInterface.FileHandle);
  return 0;
}

bool TDatabaseManager::OpenDatabaseFile(const QString& name, const QSet<int>& allowed) {
  if (CommonInterface.FileHandleAssigned) CommonInterface.CloseDatabase(CommonInterface.FileHandle);
  ClearTree();
  DbsHandle handle = -1;
  if (!CommonInterface.OpenDatabase(name, handle)) return false;
  CommonInterface.FileHandle = handle;
  DatabaseFileName = name;
  return LoadOpenDatabase(allowed);
}

bool TDatabaseManager::LoadOpenDatabase(const QSet<int>& allowed) {
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  if (!CommonInterface.GetConfig(record, CommonInterface.FileHandle)) return false;
  if (record.configType > 255 || !allowed.contains(record.configType)) {
    Ui().Warning("Incorrect database type");
    return false;
  }
  if (!allowed.contains(2) && !allowed.contains(3) && !allowed.contains(4)) {
    WorkingFileName = "CURR_SYS.KV1";
    CommonInterface.WorkingFile = WorkingFileName;
    DatabaseType = 0;
    return true;
  }
  BusyCursor busy;
  const bool built = BuildTree(record);
  SetWorkingFile(record.configType);
  return built;
}

bool TDatabaseManager::SaveAsWithDialog() {
  const QString ext = Extension(DatabaseType);
  QString name = Ui().SaveFileName(QString("Zephra V%1 Files (*.%2)").arg(DatabaseType - 1).arg(ext), ext, false);
  if (name.isEmpty()) return false;
  const QFileInfo info(name);
  name = info.dir().filePath(info.completeBaseName() + "." + ext);
  // Replacing another file loses what it held: the user is asked first.
  if (QFileInfo::exists(name) && name.compare(DatabaseFileName, Qt::CaseInsensitive) != 0 && !IsTempDatabaseName(name) &&
      !Ui().ConfirmSafely(TUiService::Kind::Warning,
                          QString("%1 already exists. Do you want to replace it?").arg(QFileInfo(name).fileName()),
                          QMessageBox::Yes | QMessageBox::No, QDir::toNativeSeparators(name))) {
    return false;
  }
  SaveAs(name);
  return true;
}

void TDatabaseManager::SaveAs(const QString& name) {
  if (IsTempDatabaseName(name)) {
    Ui().Warning(kReservedMessage);
    return;
  }
  if (name.compare(DatabaseFileName, Qt::CaseInsensitive) == 0) return;
  DbsHandle handle = CommonInterface.FileHandle;
  if (CommonInterface.SaveDatabaseAs(name, handle)) {
    CommonInterface.FileHandle = handle;
    DatabaseFileName = name;
  }
}
