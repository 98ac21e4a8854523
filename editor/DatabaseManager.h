// TDatabaseManager: the editor's view of one open database — its gateway, its
// file, its format, and the resource tree the main window shows.
#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include "CommonInterface.h"
#include "Resource.h"
#include "UndoStack.h"

class QTreeWidget;
class QTreeWidgetItem;

class TDatabaseManager {
 public:
  explicit TDatabaseManager(QTreeWidget* tree);
  ~TDatabaseManager();
  TDatabaseManager(const TDatabaseManager&) = delete;
  TDatabaseManager& operator=(const TDatabaseManager&) = delete;

  TCommonInterface CommonInterface;
  QString DatabaseFileName;
  QString WorkingFileName;
  int DatabaseType = 0;

  bool CreateNewDatabase(TConfigurationRecord& record);
  // -1 opened, 0 failed, -2 cancelled.
  int OpenWithDialog();
  bool OpenDatabaseFile(const QString& name, const QSet<int>& allowed);
  bool LoadOpenDatabase(const QSet<int>& allowed);
  // Rewrites the open database with a new configuration (the file named
  // after it in the current folder) and rebuilds the tree.
  bool ReconfigureOpenDatabase(TConfigurationRecord& record);
  // Converts a database the user chooses into `targetType` (2, 3 or 4);
  // answers true when the window should return to its empty state.
  bool ConvertDatabase(int targetType);
  bool SaveAsWithDialog();
  void SaveAs(const QString& name);
  bool BuildTree(const TConfigurationRecord& record);
  void ClearTree();
  // The first free drop address on a port from `address`, up or down; the
  // device itself does not count. Another device holds both the address the
  // file gives it and the one its open editor shows, so that no Apply takes
  // a place another device still has in the file.
  void FindFreeAddress(int& address, int port, int ownIndex, bool ownIsPanel, bool up) const;
  bool AddressInUse(int address, int port, int ownIndex, bool ownIsPanel) const;
  // Keeps the children of every port in address order.
  void SortTree();

  // The open database's undo stack.
  TUndoStack& Steps() { return *steps_; }
  // After an undo or redo: the tree again from the file with the same node
  // current, and the resource forms that were open opened again on what is
  // stored now.
  bool Rebuild();
  // After anything was written to the database (the undo stack's Written):
  // every open resource form reads again what it keeps of the stored state.
  void FormsTakeUpStored();
  // The open resource forms holding changes not yet applied.
  QList<TResourceForm*> FormsWithChanges() const;

  QTreeWidget* Tree() const { return tree_; }
  // The window the manager's forms belong to.
  QWidget* Window() const;

  // Editor windows that show this database: they are closed, storing
  // nothing, before the tree is cleared and when the manager goes.
  void RegisterForm(QWidget* form);
  void CloseForms();
  int OpenFormCount() const;
  QTreeWidgetItem* FindNode(const QString& text) const;
  static TResource* ResourceOf(const QTreeWidgetItem* node);
  DbsHandle Handle() const { return CommonInterface.FileHandle; }

 private:
  template <class R>
  R* Make(int number);
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, TResource* resource);
  void SetWorkingFile(uint16_t type);
  // A new file for `record` (made by `make`, from the open database `handle`)
  // and its tree.
  bool MakeFile(const TConfigurationRecord& record, DbsHandle handle,
                bool (TCommonInterface::*make)(QString&, const TConfigurationRecord&, DbsHandle&));
  // The file a database of `record` is made in: its name in the current folder.
  static QString RecordFileName(const TConfigurationRecord& record);

  QTreeWidget* tree_;
  std::vector<std::unique_ptr<TResource>> resources_;
  QList<QPointer<QWidget>> forms_;
  std::unique_ptr<TUndoStack> steps_;
};

// The reserved name of the editor's scratch database.
bool IsTempDatabaseName(const QString& path);
