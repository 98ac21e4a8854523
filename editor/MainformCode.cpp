#include "MainformCode.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "FindDialog.h"
#include "InfoPane.h"
#include "PCPortSetup.h"
#include "ResourceTree.h"
#include "UiService.h"
#include "WizardForms.h"
#include "forms/KeypadAssignment.h"
#include "forms/ResourceForm.h"
#include "model/DefaultConfiguration.h"

namespace {

// The desktop's own key sequence for a command, or the usual one where the
// desktop has none.
void SetStandardShortcut(QAction* action, QKeySequence::StandardKey key, const char* usual) {
  const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  action->setShortcuts(keys.isEmpty() ? QList<QKeySequence>{QKeySequence(usual)} : keys);
}

QAction* Add(QMenu* menu, const QString& text, const QString& hint = {}) {
  QAction* action = menu->addAction(text);
  action->setStatusTip(hint);
  return action;
}

// The tree's filter: Escape empties it (and, empty, leaves the key to the
// window).
class TFilterEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
      clear();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
};

}  // namespace

// The pictures built into the editor live in a static library: they are
// registered once before the first window needs them.
static void InitResources() { Q_INIT_RESOURCE(editor); }

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  InitResources();
  QApplication::setWindowIcon(QIcon(":/zephra-editor.svg"));
  QApplication::setApplicationName("Zephra Editor");
  tree_ = new TResourceTree(this);
  list_ = new TResourceList(this);
  list_->setStatusTip("List of available items at this position");
  list_->setItemDelegate(new TRenameDelegate(this, list_));
  pane_ = new TInfoPane(list_, this);
  tree_->setStatusTip("Overview of the items in this configuration");
  auto* splitter = new QSplitter(this);
  auto* treeSide = new QWidget(splitter);
  auto* treeLayout = new QVBoxLayout(treeSide);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  treeLayout->setSpacing(2);
  TreeFilter = new TFilterEdit(treeSide);
  TreeFilter->setObjectName("TreeFilter");
  TreeFilter->setPlaceholderText("Filter the tree");
  TreeFilter->setClearButtonEnabled(true);
  TreeFilter->setStatusTip("Show only the items whose name or number holds this text (Escape clears it)");

  treeLayout->addWidget(TreeFilter);
  treeLayout->addWidget(tree_, 1);
  connect(TreeFilter, &QLineEdit::textChanged, this, &TMainForm::ApplyTreeFilter);
  splitter->addWidget(treeSide);
  splitter->addWidget(pane_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  setCentralWidget(splitter);
  statusBar()->showMessage(QString());
  workingLabel_ = new QLabel(this);
  workingLabel_->setObjectName("WorkingFile");
  workingLabel_->hide();
  statusBar()->addPermanentWidget(workingLabel_);
  BuildMenus();
  resize(760, 560);

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) { FillList(node); });
  // The list follows the current node's children whatever moves them (a
  // drop, a port that stops being a multi-drop port).
  const auto childrenChanged = [this](const QModelIndex& under) {
    if (tree_->currentItem() && tree_->currentIndex() == under) FillList(tree_->currentItem());
  };
  connect(tree_->model(), &QAbstractItemModel::rowsInserted, this, childrenChanged);
  connect(tree_->model(), &QAbstractItemModel::rowsRemoved, this, childrenChanged);
  tree_->setItemDelegate(new TRenameDelegate(this, tree_));
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem*, int) {
    if (tree_->PressHitNode()) PropertiesCommand();
  });
  connect(tree_, &QTreeWidget::itemEntered, this, [this](QTreeWidgetItem* node, int) {
    statusBar()->showMessage("Double Click the item to Edit the properties");
    tree_->setToolTip(node->text(0));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { EditResource(TResourceList::ResourceOf(item)); });
  // What the pop-up and Alt+Return offer follows the item they act on.
  connect(list_, &QListWidget::currentItemChanged, this, &TMainForm::UpdatePopup);
  connect(list_, &QListWidget::itemSelectionChanged, this, &TMainForm::UpdatePopup);
  connect(qApp, &QApplication::focusChanged, this, &TMainForm::UpdatePopup);
  ResetToEmpty();
}

// The application's focus signal would reach a window already half gone while
// its widgets close.
TMainForm::~TMainForm() { disconnect(qApp, nullptr, this, nullptr); }

QTreeWidget* TMainForm::Tree() const { return tree_; }
QListWidget* TMainForm::List() const { return list_; }

void TMainForm::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  NewAction = Add(file, "&New", "Click this button to create a new configuration");
  OpenAction = Add(file, "&Open...", "Click this button to open an existing configuration");
  SaveAsAction = Add(file, "&Save as", "Click this button to save the configuration");
  ReconfigureAction = Add(file, "&Reconfigure", "Click this button to reconfigure the database");
  QMenu* convert = file->addMenu("&Convert Database");
  ConvertMenuAction = convert->menuAction();
  for (const char* text : {"To Zephra V1...", "To Zephra V2...", "To Zephra V3..."}) convert->addAction(text);
  BuildNamesMenu(file);
  file->addSeparator();
  ExitAction = Add(file, "E&xit");
  SetStandardShortcut(NewAction, QKeySequence::New, "Ctrl+N");
  SetStandardShortcut(OpenAction, QKeySequence::Open, "Ctrl+O");
  SetStandardShortcut(SaveAsAction, QKeySequence::SaveAs, "Ctrl+Shift+S");
  SetStandardShortcut(ExitAction, QKeySequence::Quit, "Ctrl+Q");

  BuildEditMenu();

  QMenu* view = menuBar()->addMenu("&View");
  ToolBarAction = view->addAction("ToolBar");
  StatusBarAction = view->addAction("StatusBar");
  for (QAction* a : {ToolBarAction, StatusBarAction}) {
    a->setCheckable(true);
    a->setChecked(true);
  }

  QMenu* configuration = menuBar()->addMenu("&Configuration");
  OnLineAction = Add(configuration, "On Line", "Click this button to change the Online\\Offline state of the editor");
  OnLineAction->setCheckable(true);
  QMenu* configure = configuration->addMenu("Configure");
  ComPortAction = configure->addAction("Com Port");
  ClearProtectsAction = configure->addAction("Clear Protects");
  configuration->addSeparator();
  ReadConfigAction = Add(configuration, "Read Config", "Click this button to Upload from the Control Frame");
  ApplyConfigAction = Add(configuration, "Apply Config", "Click this button to Download to the Control Frame");
  configuration->addSeparator();
  AboutAction = Add(configuration, "About", "Click this image to display the Product Information");

  QMenu* help = menuBar()->addMenu("&Help");
  HelpAboutAction = Add(help, "&About Zephra Editor", "Display the Product Information");
  SetStandardShortcut(HelpAboutAction, QKeySequence::HelpContents, "F1");
  HelpAboutAction->setIcon(QIcon(":/zephra-editor.svg"));
  connect(HelpAboutAction, &QAction::triggered, this, [this] { AboutCommand(); });

  // The tool bar's buttons are the menu's own actions, so a command has one
  // state wherever it is shown (the on-line button above all).
  QToolBar* bar = addToolBar("ToolBar");
  bar->setObjectName("ToolBar");
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setMovable(false);
  bar->setIconSize(QSize(24, 24));
  const auto button = [&](QAction* a, const QString& caption, const QString& hint, const char* icon) {
    a->setIcon(QIcon(QString(":/icons/%1.svg").arg(icon)));
    a->setIconText(caption);
    a->setToolTip(hint);
    bar->addAction(a);
    if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(a))) b->setMinimumSize(66, 36);
  };
  button(NewAction, "New", "New Configuration", "new");
  button(OpenAction, "Open", "Open Configuration", "open");
  button(SaveAsAction, "Save as", "Save Configuration", "save-as");
  button(ReconfigureAction, "Reconfigure", "Reconfigure Database", "reconfigure");
  bar->addSeparator();
  button(UndoAction, "Undo", "Undo the last change", "undo");
  button(RedoAction, "Redo", "Redo the change last undone", "redo");
  button(FindAction, "Find", "Find a name", "find");
  bar->addSeparator();
  button(OnLineAction, "Online", "Go Online/Offline", "online-off");
  button(ReadConfigAction, "Read Config", "Read Configuration", "read-config");
  button(ApplyConfigAction, "Apply Config", "Apply Configuration", "apply-config");
  auto* stretch = new QWidget(bar);
  stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar->addWidget(stretch);
  auto* logo = new QToolButton(bar);
  logo->setObjectName("ProductLogo");
  logo->setIcon(QIcon(":/zephra-editor.svg"));
  logo->setIconSize(QSize(32, 32));
  logo->setAutoRaise(true);
  logo->setToolTip("Product Information");
  logo->setStatusTip("Click this image to display the Product Information");
  connect(logo, &QToolButton::clicked, AboutAction, &QAction::trigger);
  bar->addWidget(logo);
  connect(ToolBarAction, &QAction::toggled, bar, &QToolBar::setVisible);
  connect(StatusBarAction, &QAction::toggled, statusBar(), &QStatusBar::setVisible);

  RenameAction = new QAction("Re&name", this);
  RenameAction->setShortcut(Qt::Key_F2);
  RenameAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  PropertiesAction = new QAction("P&roperties", this);
  PropertiesAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
  PropertiesAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  KeypadAssignmentsAction = new QAction("Keypad Assignments", this);
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  MoveToAction = new QAction("&Move to", this);
  MoveToAction->setMenu(new QMenu(this));
  MoveToAction->setStatusTip("Place the selected panels and UMDs on a port, or put them in the Storeroom");
  connect(MoveToAction->menu(), &QMenu::aboutToShow, this, &TMainForm::FillMoveMenu);
  tree_->addActions({RenameAction, separator, PropertiesAction, KeypadAssignmentsAction, MoveToAction});
  list_->addActions({PropertiesAction, MoveToAction});
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);

  ComPortAction->setStatusTip("Choose the PC's serial port to the control frame");
  ClearProtectsAction->setStatusTip("Clear every crosspoint protect in the control frame");
  QMenu* convertMenu = ConvertMenuAction->menu();
  for (int i = 0; i < 3; ++i) {
    QAction* to = convertMenu->actions().value(i);
    to->setStatusTip(QString("Convert an older database into a Zephra V%1 database").arg(i + 1));
    connect(to, &QAction::triggered, this, [this, i] { ConvertCommand(DBS_TYPE_V1 + i); });
  }
  connect(OnLineAction, &QAction::triggered, this, [this] { OnLineCommand(); });
  connect(ReadConfigAction, &QAction::triggered, this, [this] { ReadConfigCommand(); });
  connect(ApplyConfigAction, &QAction::triggered, this, [this] { ApplyConfigCommand(); });
  connect(ComPortAction, &QAction::triggered, this, &TMainForm::ComPortCommand);
  connect(ClearProtectsAction, &QAction::triggered, this, &TMainForm::ClearProtectsCommand);
  connect(AboutAction, &QAction::triggered, this, &TMainForm::AboutCommand);
  connect(ReconfigureAction, &QAction::triggered, this, &TMainForm::ReconfigureCommand);
  connect(NewAction, &QAction::triggered, this, &TMainForm::NewCommand);
  connect(OpenAction, &QAction::triggered, this, &TMainForm::OpenCommand);
  connect(SaveAsAction, &QAction::triggered, this, &TMainForm::SaveAsCommand);
  connect(ExitAction, &QAction::triggered, this, &QWidget::close);
  connect(RenameAction, &QAction::triggered, this, &TMainForm::RenameCommand);
  connect(PropertiesAction, &QAction::triggered, this, &TMainForm::PropertiesCommand);
  connect(KeypadAssignmentsAction, &QAction::triggered, this, &TMainForm::KeypadAssignmentsCommand);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TMainForm::UpdatePopup);
}

void TMainForm::ResetToEmpty() {
  delete find_;  // it reads the database the manager takes with it
  list_->clear();
  manager_.reset();  // its tree is cleared as it goes
  manager_ = std::make_unique<TDatabaseManager>(tree_);
  PortSetup().ListPorts();
  online_ = false;
  ApplyOnlineState();
  for (QAction* a : {SaveAsAction, ReconfigureAction, OnLineAction}) a->setEnabled(false);
  pane_->ShowWelcome();
  UpdatePopup();
  RefreshCaption();
  connect(&manager_->Steps(), &TUndoStack::Changed, this, &TMainForm::ShowUndo);
  connect(&manager_->Steps(), &TUndoStack::Written, this, &TMainForm::NoteWritten);
  origin_.clear();
  unsaved_ = false;
  seenUndo_ = seenRedo_ = 0;
  ShowWorkingFile();
  RefreshUndo();
}

void TMainForm::EnableAfterOpen() {
  // Another database: the working file's origin is no longer what is open.
  if (!online_ && QFileInfo(manager_->DatabaseFileName).fileName().compare(manager_->WorkingFileName,
                                                                          Qt::CaseInsensitive) != 0) {
    origin_.clear();
    unsaved_ = false;
  }
  seenUndo_ = manager_->Steps().UndoCount();
  seenRedo_ = manager_->Steps().RedoCount();
  ShowWorkingFile();
  for (QAction* a : {SaveAsAction, ReconfigureAction, OnLineAction}) a->setEnabled(true);
  ApplyTreeFilter();
  if (find_) find_->MarkStale();
  ApplyOnlineState();
  RefreshUndo();
  FillList(tree_->currentItem());
}

void TMainForm::ApplyOnlineState() {
  OnLineAction->setChecked(online_);
  OnLineAction->setIcon(QIcon(online_ ? ":/icons/online-on.svg" : ":/icons/online-off.svg"));
  const bool open = manager_ && manager_->CommonInterface.FileCount > 0;
  for (QAction* a : {ReadConfigAction, ApplyConfigAction, ClearProtectsAction}) a->setEnabled(online_);
  NewAction->setEnabled(!online_);
  SaveAsAction->setEnabled(!online_ && open);
  ReconfigureAction->setEnabled(!online_ && open);
  ConvertMenuAction->setEnabled(!online_);
  ComPortAction->setEnabled(!online_);
  for (QAction* a : {ExportNamesAction, ImportNamesAction, CompareMenuAction, CompareFileAction}) a->setEnabled(open);
  CompareControllerAction->setEnabled(online_ && open);
  if (manager_) ShowWorkingFile();
}

void TMainForm::RefreshCaption() {
  RefreshUndo();  // a command may have ended the database's journal
  setWindowTitle(QString("Zephra Editor - %1      %2")
                     .arg(OnLineAction->isChecked() ? "OnLine" : "Offline",
                          QFileInfo(manager_->DatabaseFileName).fileName()));
}

void TMainForm::NewCommand() {
  if (online_ || !LiveChangesSettled("creating a new database")) return;
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  zephra::editor::FillDefaultConfig(record, DBS_TYPE_V1);
  TCreationWizardForms wizard(record, TCreationWizardForms::Mode::Creation, this);
  // A create that fails (a name the system refuses, a full disk) returns to
  // the wizard's name page with every choice kept.
  while (Ui().RunModal(wizard) == QDialog::Accepted) {
    const auto types = wizard.LevelTypes();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool made = manager_->CreateNewDatabase(record);  // closes the open database only once it can
    if (made) ShowLevelTypes(types);
    QApplication::restoreOverrideCursor();
    if (made) {
      Ui().Information("Configuration Database Created");
      EnableAfterOpen();
      break;
    }
    if (manager_->CommonInterface.FileHandleAssigned && manager_->CommonInterface.FileCount == 0) {
      ResetToEmpty();  // the open database had to be closed for a create that then failed
    }
    wizard.ShowNamePage();
  }
  RefreshCaption();
}

void TMainForm::OpenCommand() {
  if (online_) {
    if (!Ui().WarningYesNo("Opening a new file will force the system offline. Do you want to continue?")) return;
    // The toggle takes the editor off-line, the library with it; an off-line
    // that failed keeps the open database and ends the command.
    if (OnLineCommand()) return;
  } else if (!LiveChangesSettled("opening another file")) {
    return;
  }
  switch (manager_->OpenWithDialog()) {
    case -1:
      EnableAfterOpen();
      break;
    case 0:
      ResetToEmpty();
      break;
    default:
      break;
  }
  RefreshCaption();
}

void TMainForm::SaveAsCommand() {
  manager_->SaveAsWithDialog();
  RefreshCaption();
}

TResource* TMainForm::SelectedResource() const { return TDatabaseManager::ResourceOf(tree_->currentItem()); }

void TMainForm::RenameCommand() {
  const bool inList = list_->hasFocus() && list_->currentItem();
  TResource* r = inList ? TResourceList::ResourceOf(list_->currentItem()) : SelectedResource();
  if (!r) return;
  if (r->FixedName) {
    Ui().Warning("The name of this item is fixed");
    return;
  }
  if (inList) {
    QListWidgetItem* item = list_->currentItem();
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    list_->editItem(item);
  } else {
    tree_->editItem(tree_->currentItem(), 0);
  }
}

void TMainForm::CommitRename(QTreeWidgetItem* node, QString text) {
  TResource* r = TDatabaseManager::ResourceOf(node);
  if (!r || r->FixedName) return;
  r->ValidateName(text);
  const QString before = node->text(0);
  node->setText(0, text);
  const bool stored = RunStep(manager_->CommonInterface, QString("Rename %1").arg(ShownName(before).trimmed()),
                              [&] { return r->StoreName(text); });
  if (!stored) node->setText(0, before);  // the library kept the old name
  FillList(tree_->currentItem());
}

TResource* TMainForm::FocusedResource() const {
  if (list_->hasFocus() && list_->currentItem()) return TResourceList::ResourceOf(list_->currentItem());
  return SelectedResource();
}

void TMainForm::KeypadAssignmentsCommand() {
  for (auto* open : findChildren<TKeypadAssignmentForm*>()) {
    if (open->isVisible() && open->CurrentMode() == TKeypadAssignmentForm::Mode::Overview) {
      open->raise();
      open->activateWindow();
      return;
    }
  }
  auto* window = new TKeypadAssignmentForm(manager_->CommonInterface, this);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->Setup(TKeypadAssignmentForm::Mode::Overview, -1);
  manager_->RegisterForm(window);  // closed before the tree goes
  window->show();
}

void TMainForm::PropertiesCommand() { EditResource(FocusedResource()); }

void TMainForm::EditResource(TResource* r) {
  if (!r || !r->HasEditor()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  r->Edit(manager_->CommonInterface);
  QApplication::restoreOverrideCursor();
}

bool TMainForm::CanDrop(TResource* dragged, QTreeWidgetItem* target) const {
  TResource* onto = TDatabaseManager::ResourceOf(target);
  return dragged && onto && dragged != onto && dragged->CanDropOn(onto) && onto->CanAccept(dragged);
}

bool TMainForm::DropOn(TResource* dragged, QTreeWidgetItem* target) {
  if (!CanDrop(dragged, target)) return false;
  if (auto* device = dynamic_cast<TMultiDropResource*>(dragged)) return MoveDevices({device}, target, true);
  const QString what = QString("Move %1 to %2").arg(ShownName(dragged->GetName()).trimmed(), target->text(0));
  if (!RunStep(manager_->CommonInterface, what, [&] { return dragged->MoveTo(target); })) return false;
  target->setExpanded(true);
  manager_->SortTree();
  // The moved item stays selected, in its new place.
  if (QTreeWidgetItem* moved = dragged->GetTreeNode()) tree_->setCurrentItem(moved);
  FillList(tree_->currentItem());
  return true;
}

void TMainForm::FillList(QTreeWidgetItem* node) {
  list_->clear();
  if (!manager_ || manager_->CommonInterface.FileCount <= 0 || !node) {
    if (!manager_ || manager_->CommonInterface.FileCount <= 0) pane_->ShowWelcome();
    return;
  }
  if (node->childCount() == 0) {
    pane_->ShowFacts(manager_->CommonInterface, TDatabaseManager::ResourceOf(node), node->text(0));
    return;
  }
  pane_->ShowList();
  for (int i = 0; i < node->childCount(); ++i) {
    QTreeWidgetItem* child = node->child(i);
    auto* item = new QListWidgetItem(child->icon(0), child->text(0), list_);
    item->setData(Qt::UserRole, child->data(0, Qt::UserRole));
    item->setStatusTip("Double Click the item to Edit the properties");
  }
  if (list_->count()) list_->setCurrentRow(0);
}

void TMainForm::UpdatePopup() {
  TResource* r = FocusedResource();  // the list's item while the list has the focus
  RenameAction->setEnabled(r && !r->FixedName);
  PropertiesAction->setEnabled(r && r->HasEditor());
  const bool assignments = r && (dynamic_cast<TMultiDropResource*>(r) || dynamic_cast<TStoreRoomResource*>(r) ||
                                 (dynamic_cast<TPortResource*>(r) && r->Number > 0));
  KeypadAssignmentsAction->setEnabled(assignments);
  MoveToAction->setEnabled(!SelectedDevices().isEmpty());
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!LiveChangesSettled("quitting")) {
    event->ignore();
    return;
  }
  TCommonInterface& ci = manager_->CommonInterface;
  if (ci.FileHandleAssigned) ci.CloseDatabase(ci.FileHandle);
  event->accept();
}

void TMainForm::BuildEditMenu() {
  QMenu* edit = menuBar()->addMenu("&Edit");
  UndoAction = Add(edit, "&Undo", "Take back the last change");
  RedoAction = Add(edit, "&Redo", "Make the change last taken back again");
  edit->addSeparator();
  FindAction = Add(edit, "&Find...", "Find a name anywhere in the database");
  SetStandardShortcut(UndoAction, QKeySequence::Undo, "Ctrl+Z");
  SetStandardShortcut(RedoAction, QKeySequence::Redo, "Ctrl+Y");
  SetStandardShortcut(FindAction, QKeySequence::Find, "Ctrl+F");
  // The shortcuts act wherever the main window has the focus, but not inside
  // a form's own fields (they are windows of their own).
  connect(UndoAction, &QAction::triggered, this, &TMainForm::UndoCommand);
  connect(RedoAction, &QAction::triggered, this, &TMainForm::RedoCommand);
  connect(FindAction, &QAction::triggered, this, &TMainForm::FindCommand);
  connect(edit, &QMenu::aboutToShow, this, &TMainForm::RefreshUndo);
}

void TMainForm::RefreshUndo() {
  if (!manager_) return;
  manager_->Steps().Sync();
  ShowUndo();
}

void TMainForm::ShowUndo() {
  if (!manager_) return;
  const TUndoStack& steps = manager_->Steps();
  UndoAction->setEnabled(steps.CanUndo());
  RedoAction->setEnabled(steps.CanRedo());
  UndoAction->setText(steps.CanUndo() ? "&Undo " + steps.UndoText() : "&Undo");
  RedoAction->setText(steps.CanRedo() ? "&Redo " + steps.RedoText() : "&Redo");
  UndoAction->setToolTip(steps.CanUndo() ? "Undo " + steps.UndoText() : "Nothing to undo");
  RedoAction->setToolTip(steps.CanRedo() ? "Redo " + steps.RedoText() : "Nothing to redo");
  UndoAction->setIconText("Undo");
  RedoAction->setIconText("Redo");
  FindAction->setEnabled(manager_->CommonInterface.FileCount > 0 && manager_->DatabaseType > 0);
}

void TMainForm::UndoCommand() { StepCommand(true); }
void TMainForm::RedoCommand() { StepCommand(false); }

void TMainForm::StepCommand(bool undo) {
  TUndoStack& steps = manager_->Steps();
  steps.Sync();
  if (undo ? !steps.CanUndo() : !steps.CanRedo()) return;
  const QString what = undo ? steps.UndoText() : steps.RedoText();
  // A form's unapplied changes were made against what it read: taking a
  // step back beneath them would have its Apply write over the restored
  // values unseen.
  const QList<TResourceForm*> pending = manager_->FormsWithChanges();
  if (!pending.isEmpty()) {
    QStringList titles;
    for (TResourceForm* f : pending) titles << f->windowTitle();
    Ui().Warning(QString("Cannot %1 \"%2\" while a form has changes that are not applied. Apply or cancel them first.")
                     .arg(undo ? "undo" : "redo", what),
                 titles.join("\n"));
    return;
  }
  // On-line a step goes to the controller as it moves; one made off-line
  // was never sent, so the user says first.
  if (online_ && (undo ? steps.UndoMadeOffLine() : steps.RedoMadeOffLine()) &&
      !Ui().ConfirmSafely(TUiService::Kind::Warning,
                          QString("\"%1\" was made off-line. %2 it now sends the change to the control frame.")
                              .arg(what, undo ? "Undoing" : "Redoing"),
                          QMessageBox::Yes | QMessageBox::No,
                          "The control frame's configuration changes at once. Continue?")) {
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool moved = undo ? steps.Undo() : steps.Redo();
  // The tree, the info pane and the open forms show what is stored now.
  if (moved) {
    manager_->Rebuild();
    ApplyTreeFilter();
  }
  QApplication::restoreOverrideCursor();
  FillList(tree_->currentItem());
  online_ = online_ && manager_->CommonInterface.OnlineStatus;
  ApplyOnlineState();
  RefreshCaption();
  RefreshUndo();
  if (moved) statusBar()->showMessage(QString("%1: %2").arg(undo ? "Undone" : "Redone", what), 8000);
}
