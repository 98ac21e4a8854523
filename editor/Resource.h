// The resources the editor's tree shows: every node carries one, which
// knows the item of the database it stands for, how its node looks, where it
// may be dragged, and (with the resource editors) how to edit it.
#pragma once

#include <QIcon>
#include <QPointer>
#include <QString>
#include <functional>

#include "CommonInterface.h"

class QTreeWidgetItem;
class TDatabaseManager;
class TResourceForm;

// The editor's resource images, by number: a picture for each kind of
// resource (panels by the group of their type).
inline constexpr int kImagePort = 0, kImageFrame = 1, kImageConfiguration = 7, kImageStoreroom = 8, kImageUMD = 9;
// The configuration's data nodes have pictures of their own.
inline constexpr int kImageAssociation = 24, kImageSalvo = 25, kImageTrigger = 26;
QIcon ResourceImage(int index);
// A level's picture: its signal type, with its operation in the corner.
QIcon LevelIcon(uint16_t levelType);
// The image of a panel type and of a level type; -1 for none.
int PanelImage(int panelType);
int LevelImage(int levelType);

class TResource {
 public:
  TResource(TDatabaseManager* manager, int number) : Manager(manager), Number(number) {}
  virtual ~TResource() = default;
  TResource(const TResource&) = delete;
  TResource& operator=(const TResource&) = delete;

  virtual QString GetTypeName() const = 0;
  // Opens the resource's editor form: brings an open one to the front and
  // answers false, else makes, fills and shows it and answers true. False
  // too for a resource without a form.
  virtual bool Edit(TCommonInterface&) { return false; }
  // Whether the resource has an editor form at all.
  virtual bool HasEditor() const { return false; }
  virtual bool CanDropOn(const TResource*) const { return false; }
  virtual bool CanAccept(const TResource*) const { return true; }
  virtual void AttachNode(QTreeWidgetItem* node);
  // Moves the node to be the last child of `target`; false when it stays.
  virtual bool MoveTo(QTreeWidgetItem* target);
  virtual void ShowLevelType(uint16_t) {}
  // Cuts a new name to what the item can hold, saying so.
  virtual void ValidateName(QString& text) const;
  // Stores a name the user typed; false when the library refused it.
  virtual bool StoreName(const QString&) { return true; }

  QString GetName() const;
  void SetName(const QString& name);
  void SetNodeText(const QString& text);
  QTreeWidgetItem* GetTreeNode() const { return TreeNode; }

 protected:
  // Edit's common part: raises the open form, or makes one with `make` (null
  // when it cannot be filled), registers it with the manager and shows it.
  bool ShowForm(const std::function<TResourceForm*()>& make);
  // ShowForm for a form F made on this resource that fills itself in Load()
  // (false: it cannot, and is not shown).
  template <class F, class R>
  static bool ShowLoadedForm(R& self) {
    return self.ShowForm([&self]() -> TResourceForm* {
      auto* form = new F(self);
      if (form->Load()) return form;
      delete form;
      return nullptr;
    });
  }

 public:

  TDatabaseManager* Manager;
  int Number;
  bool Editing = false;               // its editor form is open
  QPointer<TResourceForm> EditorForm;
  bool FixedName = true;
  QTreeWidgetItem* TreeNode = nullptr;
  QString StoredName;
  int Image = -1;
};

class TKorvellControlFrameResource : public TResource {
 public:
  using TResource::TResource;
  QString GetTypeName() const override { return "Control Frame"; }
  bool Edit(TCommonInterface&) override;
  bool HasEditor() const override { return true; }
  void AttachNode(QTreeWidgetItem* node) override;
  void ValidateName(QString& text) const override;
};

class TKorvellControllerResource : public TResource {
 public:
  using TResource::TResource;
  QString GetTypeName() const override { return "Configuration"; }
  void AttachNode(QTreeWidgetItem* node) override;
  // The "Controller Data" window, on the page of the tree's selected node.
  bool Edit(TCommonInterface& ci) override;
  bool HasEditor() const override { return true; }
};

class TLevelResource : public TResource {
 public:
  TLevelResource(TDatabaseManager* manager, int number) : TResource(manager, number) { FixedName = false; }
  QString GetTypeName() const override { return "Level"; }
  void AttachNode(QTreeWidgetItem* node) override;
  void ShowLevelType(uint16_t type) override;
  bool Edit(TCommonInterface& ci) override;
  bool HasEditor() const override { return true; }
  // A level's name needs a character other than a space, and only the
  // characters a name can hold: others are refused with the grid's message
  // and kNameRule beneath it.
  bool StoreName(const QString& name) override;
  static bool NameAllowed(const QString& name);
  static constexpr const char* kNameRule =
      "A level's name holds 1 to 8 characters (letters, digits, spaces and punctuation), not only spaces.";
};

class TPortResource : public TResource {
 public:
  using TResource::TResource;
  QString GetTypeName() const override { return "Port"; }
  void AttachNode(QTreeWidgetItem* node) override;
  bool Edit(TCommonInterface&) override;
  bool HasEditor() const override { return true; }
  // Stores the port's record; a port that is no longer a multi-drop port
  // in the file sends its panels and UMDs to the storeroom, even when the
  // controller did not take the record.
  bool OnDataAccepted(const TGeneralPortRecord& record);
  // The panels and UMDs placed on the port, as the tree names them.
  QStringList DeviceNames() const;
  static constexpr uint8_t kMultiDropProtocol = 6;  // the only protocol that holds devices
  bool CanDropOn(const TResource* target) const override;
  bool CanAccept(const TResource* item) const override;
  static QString PortName(int number);
};

class TStoreRoomResource : public TResource {
 public:
  using TResource::TResource;
  QString GetTypeName() const override { return "Storeroom"; }
  void AttachNode(QTreeWidgetItem* node) override;
};

// A panel or UMD: it sits on a multi-drop port at an address, or in the
// storeroom.
class TMultiDropResource : public TResource {
 public:
  TMultiDropResource(TDatabaseManager* manager, int number) : TResource(manager, number) { FixedName = false; }
  bool CanDropOn(const TResource* target) const override;
  bool MoveTo(QTreeWidgetItem* target) override;
  virtual bool IsPanel() const = 0;
  virtual bool StorePortAddress(int port, int address) = 0;
  // What tells the device from another of the same name: "no. 3, address 5"
  // (the address once it is placed).
  QString Identity() const;

  int DropAddress = -1;  // 1-16 on a port, -1 when not placed
  int PortNumber = -1;   // 0 "RS485-1", 1 "RS485-2", -1 not placed
  // The address the file holds for the device; DropAddress differs from it
  // while its editor holds another one not yet applied.
  int StoredAddress = -1;
};

class TPanelResource : public TMultiDropResource {
 public:
  using TMultiDropResource::TMultiDropResource;
  QString GetTypeName() const override { return "Panel"; }
  void AttachNode(QTreeWidgetItem* node) override;
  bool IsPanel() const override { return true; }
  bool StorePortAddress(int port, int address) override;
  bool StoreName(const QString& name) override;
  bool Edit(TCommonInterface& ci) override;  // the panel editor
  bool HasEditor() const override { return true; }
  TPanelRecord Record{};
};

class TUMDResource : public TMultiDropResource {
 public:
  using TMultiDropResource::TMultiDropResource;
  QString GetTypeName() const override { return "UMD"; }
  void AttachNode(QTreeWidgetItem* node) override;
  bool IsPanel() const override { return false; }
  bool StorePortAddress(int port, int address) override;
  bool StoreName(const QString& name) override;
  bool Edit(TCommonInterface& ci) override;  // the UMD editor
  bool HasEditor() const override { return true; }
  TUMDRecord Record{};  // as its editor last read it
};
