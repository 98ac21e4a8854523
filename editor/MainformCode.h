// TMainForm: the editor's main window — the resource tree of the open
// database with a list of the selected node's children, and the commands.
#pragma once

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "DatabaseManager.h"

class QAction;
class QLineEdit;
class QMenu;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFindDialog;
class TInfoPane;
class TMultiDropResource;
class TResourceList;
class TResourceTree;

namespace zephra::model {
struct NameHit;
struct Difference;
struct Snapshot;
}  // namespace zephra::model

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  TDatabaseManager& Manager() { return *manager_; }
  QTreeWidget* Tree() const;
  TResourceTree* ResourceTree() const { return tree_; }
  QListWidget* List() const;
  bool Online() const { return online_; }
  // The file the working file came from ("" when none), whether the working
  // file holds changes that file lacks, and the status bar's word on it.
  QString OriginFile() const { return origin_; }
  bool HasLiveChanges() const { return unsaved_; }
  class QLabel* WorkingFileLabel() const { return workingLabel_; }

  // The commands, as the menus and buttons run them.
  void NewCommand();
  void OpenCommand();
  void SaveAsCommand();
  void RenameCommand();
  void PropertiesCommand();
  // The overview of every panel's keypads, modeless (one at a time).
  void KeypadAssignmentsCommand();
  void ReconfigureCommand();
  void ConvertCommand(int targetType);
  // The on-line commands: each answers whether the editor is on-line after it.
  bool OnLineCommand();
  bool ReadConfigCommand();
  bool ApplyConfigCommand();
  void ComPortCommand();
  void ClearProtectsCommand();
  void AboutCommand();
  // Takes back the latest change, or makes again the one last taken back;
  // refused while a form holds changes not applied.
  void UndoCommand();
  void RedoCommand();
  // The search over every name of the database.
  void FindCommand();
  TFindDialog* FindWindow() const;
  // Opens the form that edits a name Find listed, at its row where the form
  // has rows; false when no form shows it.
  bool OpenNameHit(const zephra::model::NameHit& hit);
  // Shows only the tree's nodes whose text holds the filter's, with the
  // nodes above them.
  void ApplyTreeFilter();
  QLineEdit* TreeFilter;
  // File > Export Names..., Import Names... and Compare With: the names as a
  // spreadsheet's rows, read back as one step after a report; the
  // differences from another database file or from the controller.
  void ExportNamesCommand();
  void ImportNamesCommand();
  void CompareWithFileCommand();
  void CompareWithControllerCommand();
  // Opens the form that edits the record of a difference, at its row.
  void OpenDifference(const zephra::model::Difference& difference);
  // Stores a name the user typed into a node's in-place editor.
  void CommitRename(QTreeWidgetItem* node, QString text);
  // Whether a dragged resource may land on a node, and moving it there as a
  // drop does (the moved item stays selected, its new place in the status bar).
  bool CanDrop(TResource* dragged, QTreeWidgetItem* target) const;
  bool DropOn(TResource* dragged, QTreeWidgetItem* target);
  // The panels and UMDs the commands act on: those selected in the list
  // while it has the focus, else the tree's current node when it is one.
  QList<TMultiDropResource*> SelectedDevices() const;
  // Moves devices onto a port (each to the next free address, in turn) or
  // into the Storeroom, as one step; those already there stay, unless
  // `again` (a drop on its own port moves a device up). False when none
  // could move.
  bool MoveDevices(const QList<TMultiDropResource*>& devices, QTreeWidgetItem* target, bool again = false);
  // "Move to" of the pop-up menus: the ports that can take the devices and
  // the Storeroom.
  QAction* MoveToAction;
  // Opens a resource's form, when it has one.
  void EditResource(TResource* resource);
  TInfoPane* InfoPane() const { return pane_; }

  void ResetToEmpty();
  void EnableAfterOpen();
  // The controls that follow the on-line state, as the library last left it.
  void ApplyOnlineState();
  void RefreshCaption();

  // Actions by their menu text, for tests and the tool bar.
  QAction* NewAction;
  QAction* OpenAction;
  QAction* SaveAsAction;
  QAction* ReconfigureAction;
  QAction* ConvertMenuAction;
  QAction* ExitAction;
  QAction* ToolBarAction;
  QAction* StatusBarAction;
  QAction* OnLineAction;
  QAction* ComPortAction;
  QAction* ClearProtectsAction;
  QAction* ReadConfigAction;
  QAction* ApplyConfigAction;
  QAction* AboutAction;
  QAction* HelpAboutAction;
  QAction* RenameAction;
  QAction* PropertiesAction;
  QAction* KeypadAssignmentsAction;
  QAction* UndoAction;
  QAction* RedoAction;
  QAction* FindAction;
  QAction* ExportNamesAction;
  QAction* ImportNamesAction;
  QAction* CompareMenuAction;
  QAction* CompareFileAction;
  QAction* CompareControllerAction;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildEditMenu();
  // The Edit menu's texts and states, as the open database's stack stands.
  void RefreshUndo();
  void ShowUndo();
  void StepCommand(bool undo);
  void BuildNamesMenu(QMenu* file);
  // `browseOnly`: shown modally, with nothing opened from it (while the
  // on-line questions wait).
  void ShowDifferences(const QString& heading, const zephra::model::Snapshot& a, const zephra::model::Snapshot& b,
                       bool browseOnly = false);
  void CompareWithController(bool browseOnly);
  // The questions after a mismatch, each with Compare... beside Yes and No;
  // answers QMessageBox::Yes or No.
  int AskAboutMismatch(const QString& question, const QString& detail);
  // Live edits: the working file switched to, the status bar's indicator,
  // and the question of what becomes of changes the opened file lacks.
  void SwitchToWorkingFile();
  void ShowWorkingFile();
  void NoteWritten();
  // Asks, when the working file holds changes the opened file lacks, what
  // becomes of them before `what` ("going off-line", "quitting"); false
  // when the user cancels. Saving waits for KeepAfter (after going off-line).
  enum class Keep { Nothing, IntoOrigin, Elsewhere };
  bool AskToKeepLiveChanges(const QString& what, Keep& keep);
  void KeepAfter(Keep keep);
  // The same for a command that closes the database off-line.
  bool LiveChangesSettled(const QString& what);
  // Every panel's and UMD's name, by "panel no. N" / "UMD no. N": what an
  // upload renamed is told in the status bar.
  QMap<QString, QString> DeviceNames() const;
  // Read or Apply: the components, the transfer, and what follows it.
  // Declined: the components dialog was not confirmed, nothing happened.
  enum class TransferEnd { Done, Failed, Declined };
  TransferEnd Transfer(bool download);
  bool TransferCommand(bool download);
  void ShowLevelTypes(const std::array<uint16_t, 20>& types);
  void FillList(QTreeWidgetItem* node);
  void UpdatePopup();
  void FillMoveMenu();
  TResource* SelectedResource() const;
  // The resource the commands act on: the list's item while the list has
  // the focus, else the tree's node.
  TResource* FocusedResource() const;

  std::unique_ptr<TDatabaseManager> manager_;
  TResourceTree* tree_;
  TResourceList* list_;
  TInfoPane* pane_;
  bool online_ = false;
  QPointer<TFindDialog> find_;
  // The file the working file came from, and whether the working file holds
  // changes it lacks (live edits, a Read Config).
  QString origin_;
  bool unsaved_ = false;
  int seenUndo_ = 0, seenRedo_ = 0;
  class QLabel* workingLabel_;
};
