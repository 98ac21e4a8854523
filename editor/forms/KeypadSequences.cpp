// The "Sequences" page of the keypad editor: the tree of entry sequences of
// the dial-up keypads, built press by press from the keys, what each press
// selects, and the removal of sequences (written at once).
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "UiService.h"
#include "UndoStack.h"
#include "forms/FormFields.h"
#include "forms/KeypadResourceForm.h"

using namespace zephra::editor;

namespace {

constexpr const char* kMaximumKeys = "You already have the maximum number of keys in this sequence";
constexpr const char* kSalvoNoChildren = "A key sequence defined as a salvo cannot have any children nodes";
constexpr const char* kNotInSequence = "This key type cannot be used in an entry sequence";
constexpr const char* kCannotSelectSources = "This key type cannot select sources";
constexpr const char* kCannotSelectDests = "This key type cannot select destinations";
constexpr const char* kUpdatesDatabase = "This action will update the database. Are you sure you want to continue ?";
constexpr const char* kRemovesChildren =
    "Removing this node will remove all its child nodes also. Are you sure you want to continue ?";
constexpr const char* kFixedName = "The name of this item is fixed";
constexpr const char* kNameReduced = "This name has been reduced to 8 characters";

QString Text(const std::u16string& s) { return QString::fromStdU16String(s); }

// A node's picture: a dot in the colour of what its press selects.
QIcon Dot(const QColor& fill) {
  QPixmap pixmap(12, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(fill.darker(140));
  painter.setBrush(fill);
  painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
  return QIcon(pixmap);
}

// A selection list under its check box, in a group of its own.
QListWidget* CheckedList(QWidget* page, const QString& text, const QString& checkName, const QString& listName,
                         QCheckBox** check) {
  auto* group = new QGroupBox(page);
  auto* inner = new QVBoxLayout(group);
  *check = new QCheckBox(text, group);
  (*check)->setObjectName(checkName);
  auto* list = new QListWidget(group);
  list->setObjectName(listName);
  inner->addWidget(*check);
  inner->addWidget(list, 1);
  return list;
}

}  // namespace

QWidget* TKeypadForm::BuildSequencesPage() {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  auto* left = new QVBoxLayout;
  SourceBox = CheckedList(page, "Selected Source", "SourceCheck", "SourceBox", &SourceCheck);
  DestBox = CheckedList(page, "Selected Destination", "DestCheck", "DestBox", &DestCheck);
  left->addWidget(SourceBox->parentWidget(), 1);
  left->addWidget(DestBox->parentWidget(), 1);
  row->addLayout(left, 1);

  SequenceTreeView = new QTreeWidget(page);
  SequenceTreeView->setObjectName("SequenceTreeView");
  SequenceTreeView->setHeaderHidden(true);
  SequenceTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
  SequenceTreeView->setEditTriggers(QAbstractItemView::EditKeyPressed);
  row->addWidget(SequenceTreeView, 2);

  auto* right = new QVBoxLayout;
  DisplayGroup = new TRadioGroup("Display", {"Key Presses", "Src Part Entry", "Dest Part Entry", "Salvos"}, page);
  DisplayGroup->setObjectName("DisplayGroup");
  DisplayGroup->SetItemIndex(KeyPresses);
  right->addWidget(DisplayGroup);
  MacroBox = CheckedList(page, "Selected Salvo", "MacroCheck", "MacroBox", &MacroCheck);
  right->addWidget(MacroBox->parentWidget(), 1);
  row->addLayout(right, 1);

  sequenceMenu_ = new QMenu(this);
  sequenceMenu_->setObjectName("SequenceMenu");
  AssignSalvoAction = sequenceMenu_->addAction("&Assign Salvo");
  RemoveSalvoAction = sequenceMenu_->addAction("&Remove Salvo");
  RemoveSourceAction = sequenceMenu_->addAction("Remove &Source");
  RemoveDestAction = sequenceMenu_->addAction("Remove &Destination");
  NameDisplayAction = sequenceMenu_->addAction("Name &Part-entry Display");

  for (QListWidget* list : {SourceBox, DestBox, MacroBox}) list->installEventFilter(this);
  connect(SourceCheck, &QCheckBox::clicked, this, [this] { SelectionChecked(kSourceSide, false); });
  connect(DestCheck, &QCheckBox::clicked, this, [this] { SelectionChecked(kDestSide, false); });
  connect(MacroCheck, &QCheckBox::clicked, this, [this] { SelectionChecked(kSourceSide, true); });
  connect(SourceBox, &QListWidget::currentRowChanged, this, [this] { ListChosen(kSourceSide, false); });
  connect(DestBox, &QListWidget::currentRowChanged, this, [this] { ListChosen(kDestSide, false); });
  connect(MacroBox, &QListWidget::currentRowChanged, this, [this] { ListChosen(kSourceSide, true); });
  connect(SequenceTreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (filling_) return;
    current_ = item ? reinterpret_cast<TSequenceNode*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
    ShowSelections();
  });
  connect(SequenceTreeView, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
    if (filling_) return;
    if (auto* node = reinterpret_cast<TSequenceNode*>(item->data(0, Qt::UserRole).value<quintptr>())) {
      NodeTextEdited(node, item->text(0));
    }
  });
  connect(SequenceTreeView, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { SequencePopup()->popup(SequenceTreeView->viewport()->mapToGlobal(at)); });
  connect(sequenceMenu_, &QMenu::triggered, this, &TKeypadForm::PopupChosen);
  connect(DisplayGroup->Buttons(), &QButtonGroup::idClicked, this, [this] { RefreshNodeTexts(); });
  return page;
}

// ---------------------------------------------------------------- the tree

QString TKeypadForm::NodeText(const TSequenceNode& n) const {
  const TPressSide& source = n.sides[kSourceSide];
  const TPressSide& dest = n.sides[kDestSide];
  switch (DisplayGroup->ItemIndex()) {
    case SourcePartEntry:
      return source.selection >= 0 ? lists_.SourceAssocs.value(source.selection) : Text(source.displayName);
    case DestPartEntry: return dest.selection >= 0 ? lists_.DestNames.value(dest.selection) : Text(dest.displayName);
    case Salvos: return source.salvo >= 0 ? lists_.SalvoNames.value(source.salvo) : Text(source.displayName);
    default: return Text(n.keyName);
  }
}

QIcon TKeypadForm::NodeIcon(const TSequenceNode& n) const {
  static const QIcon salvo = Dot(QColor(0xd0, 0x8a, 0x2f)), both = Dot(QColor(0x7b, 0x4f, 0xb8)),
                     source = Dot(QColor(0x2f, 0x6f, 0xd0)), dest = Dot(QColor(0x2e, 0x9d, 0x4f)),
                     none = Dot(QColor(0xd8, 0xd8, 0xd8));
  if (n.IsSalvo()) return salvo;
  const bool s = n.sides[kSourceSide].selection >= 0, d = n.sides[kDestSide].selection >= 0;
  return s && d ? both : s ? source : d ? dest : none;
}

void TKeypadForm::AddItems(QTreeWidgetItem* parent, TSequenceNode& node) {
  for (const auto& child : node.Children()) {
    auto* item = new QTreeWidgetItem(parent, {NodeText(*child)});
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(child.get())));
    item->setIcon(0, NodeIcon(*child));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    AddItems(item, *child);
  }
}

void TKeypadForm::RebuildTree() {
  filling_ = true;
  SequenceTreeView->clear();
  auto* root = new QTreeWidgetItem(SequenceTreeView, {"Key Sequences"});
  root->setData(0, Qt::UserRole, QVariant::fromValue(quintptr{0}));
  AddItems(root, Tree.Root());
  SequenceTreeView->expandAll();
  filling_ = false;
  SelectNode(current_);
}

QTreeWidgetItem* TKeypadForm::ItemOf(const TSequenceNode* node) const {
  QTreeWidgetItem* root = SequenceTreeView->topLevelItem(0);
  if (!node || node->IsRoot() || !root) return root;
  QList<QTreeWidgetItem*> items{root};
  while (!items.isEmpty()) {
    QTreeWidgetItem* item = items.takeFirst();
    if (item->data(0, Qt::UserRole).value<quintptr>() == reinterpret_cast<quintptr>(node)) return item;
    for (int i = 0; i < item->childCount(); ++i) items << item->child(i);
  }
  return root;
}

void TKeypadForm::RefreshNodeTexts() {
  filling_ = true;
  QList<QTreeWidgetItem*> items;
  if (QTreeWidgetItem* root = SequenceTreeView->topLevelItem(0)) {
    for (int i = 0; i < root->childCount(); ++i) items << root->child(i);
  }
  while (!items.isEmpty()) {
    QTreeWidgetItem* item = items.takeFirst();
    if (auto* n = reinterpret_cast<TSequenceNode*>(item->data(0, Qt::UserRole).value<quintptr>())) {
      item->setText(0, NodeText(*n));
      item->setIcon(0, NodeIcon(*n));
    }
    for (int i = 0; i < item->childCount(); ++i) items << item->child(i);
  }
  filling_ = false;
}

void TKeypadForm::SelectNode(TSequenceNode* node) {
  current_ = node && !node->IsRoot() ? node : nullptr;
  filling_ = true;
  SequenceTreeView->setCurrentItem(ItemOf(current_));
  filling_ = false;
  ShowSelections();
}

// What a node's key lets its press select on a side: a name key of that
// side's dial-up keypad, as the window shows it.
bool TKeypadForm::NodeAllows(const TSequenceNode* node, int side) const {
  if (!node || node->IsRoot() || node->position < 0) return false;
  const TKeyResource& k = Keys[static_cast<size_t>(node->position)];
  if (!k.IsNameKey()) return false;
  return side == kSourceSide ? k.OnSourceKeypad() && ShowsSource() && DialUpSide(false)
                             : k.OnDestKeypad() && ShowsDest() && DialUpSide(true);
}

void TKeypadForm::ShowSelections() {
  filling_ = true;
  const auto show = [&](QCheckBox* check, QListWidget* list, int value, bool allowed) {
    check->setEnabled(allowed);
    list->setEnabled(allowed);
    check->setChecked(value >= 0);
    if (value >= 0 && value < list->count()) {
      const int scrolled = list->verticalScrollBar()->value();
      list->setCurrentRow(value);
      if (cbLockLists->isChecked()) {
        list->verticalScrollBar()->setValue(scrolled);  // the list keeps its place
      } else {
        list->scrollToItem(list->item(value));
      }
    }
  };
  const TSequenceNode* n = current_;
  show(SourceCheck, SourceBox, n ? n->sides[kSourceSide].selection : -1, NodeAllows(n, kSourceSide));
  show(DestCheck, DestBox, n ? n->sides[kDestSide].selection : -1, NodeAllows(n, kDestSide));
  show(MacroCheck, MacroBox, n ? n->sides[kSourceSide].salvo : -1, NodeAllows(n, kSourceSide));
  filling_ = false;
}

// ------------------------------------------------------------ the presses

void TKeypadForm::KeyClicked(int position) {
  if (page_ != SequencesPage || position < 0 || position >= kLayoutPositions) return;
  const TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.Exists() || k.Unusable || !ShowsKey(k) || !DialUpSide(ShownSideIsDest(k))) return;
  switch (SequenceUse(k.Function)) {
    case TSequenceUse::Refused: Ui().Information(kNotInSequence); return;
    case TSequenceUse::Ignored: return;
    case TSequenceUse::Press: break;
  }
  const TKeyValues& v = ShownSideIsDest(k) ? k.Dest : k.Source;
  const QString name = v.name.trimmed().isEmpty() ? v.altName : v.name;
  if (name.trimmed().isEmpty()) return;
  TSequenceNode& at = current_ ? *current_ : Tree.Root();
  if (TSequenceNode* child = TSequenceTree::Find(at, name.toStdU16String())) {
    SelectNode(child);
    return;
  }
  if (at.IsSalvo()) {
    Ui().Information(kSalvoNoChildren);
    return;
  }
  if (at.Depth() >= std::min(PressLimit(k.Function, k.Shared(), k.DestOnly()), kMaxPresses)) {
    Ui().Information(kMaximumKeys);
    return;
  }
  TSequenceNode& added = Tree.Add(at, name.toStdU16String(), position);
  current_ = &added;
  RebuildTree();
  MarkChanged();
}

void TKeypadForm::SelectionChecked(int side, bool salvo) {
  QCheckBox* check = salvo ? MacroCheck : side == kSourceSide ? SourceCheck : DestCheck;
  QListWidget* list = salvo ? MacroBox : side == kSourceSide ? SourceBox : DestBox;
  TSequenceNode* n = current_;
  const bool on = check->isChecked();
  if (!n) {
    check->setChecked(false);
    return;
  }
  TPressSide& press = n->sides[static_cast<size_t>(side)];
  if (on) {
    if (!NodeAllows(n, side)) {
      Ui().Information(side == kSourceSide ? kCannotSelectSources : kCannotSelectDests);
      check->setChecked(false);
      return;
    }
    if (salvo && !n->Children().empty()) {
      Ui().Information(kSalvoNoChildren);
      check->setChecked(false);
      return;
    }
    if (list->currentRow() < 0) {
      check->setChecked(false);
      return;
    }
    // A press fires a salvo or selects a source, not both.
    if (salvo) {
      if (press.selection >= 0) press.cleared = true;
      press.salvo = list->currentRow();
      press.selection = -1;
    } else {
      if (press.salvo >= 0) press.cleared = true;
      press.selection = list->currentRow();
      press.salvo = -1;
    }
  } else {
    (salvo ? press.salvo : press.selection) = -1;
    press.cleared = true;
  }
  ShowSelections();
  RefreshNodeTexts();
  MarkChanged();
}

void TKeypadForm::ListChosen(int side, bool salvo) {
  if (filling_ || !current_) return;
  QCheckBox* check = salvo ? MacroCheck : side == kSourceSide ? SourceCheck : DestCheck;
  QListWidget* list = salvo ? MacroBox : side == kSourceSide ? SourceBox : DestBox;
  if (!check->isChecked() || list->currentRow() < 0) return;
  TPressSide& press = current_->sides[static_cast<size_t>(side)];
  (salvo ? press.salvo : press.selection) = list->currentRow();
  RefreshNodeTexts();
  MarkChanged();
}

// --------------------------------------------------------------- pop-up

QMenu* TKeypadForm::SequencePopup() {
  const TSequenceNode* n = current_;
  const int display = DisplayGroup->ItemIndex();
  const bool node = n != nullptr;
  AssignSalvoAction->setEnabled(node && NodeAllows(n, kSourceSide) && n->Children().empty() && !n->IsSalvo() &&
                                MacroBox->count() > 0);
  RemoveSalvoAction->setEnabled(node && n->IsSalvo());
  RemoveSourceAction->setEnabled(node && n->sides[kSourceSide].selection >= 0);
  RemoveDestAction->setEnabled(node && n->sides[kDestSide].selection >= 0);
  const bool selected = node && ((display == SourcePartEntry && n->sides[kSourceSide].selection >= 0) ||
                                 (display == DestPartEntry && n->sides[kDestSide].selection >= 0) ||
                                 (display == Salvos && n->IsSalvo()));
  NameDisplayAction->setEnabled(node && display != KeyPresses && !selected);
  return sequenceMenu_;
}

void TKeypadForm::PopupChosen(QAction* action) {
  TSequenceNode* n = current_;
  if (!n || !action->isEnabled()) return;
  TPressSide& source = n->sides[kSourceSide];
  if (action == AssignSalvoAction) {
    if (source.selection >= 0) source.cleared = true;
    source.selection = -1;
    source.salvo = std::max(MacroBox->currentRow(), 0);
  } else if (action == RemoveSalvoAction) {
    source.salvo = -1;
    source.cleared = true;
  } else if (action == RemoveSourceAction) {
    source.selection = -1;
    source.cleared = true;
  } else if (action == RemoveDestAction) {
    n->sides[kDestSide].selection = -1;
    n->sides[kDestSide].cleared = true;
  } else if (action == NameDisplayAction) {
    SequenceTreeView->editItem(ItemOf(n));
    return;
  }
  ShowSelections();
  RefreshNodeTexts();
  MarkChanged();
}

void TKeypadForm::NodeTextEdited(TSequenceNode* n, const QString& typed) {
  const int display = DisplayGroup->ItemIndex();
  const int side = display == DestPartEntry ? kDestSide : kSourceSide;
  const bool selected = (display == SourcePartEntry && n->sides[kSourceSide].selection >= 0) ||
                        (display == DestPartEntry && n->sides[kDestSide].selection >= 0) ||
                        (display == Salvos && n->IsSalvo());
  if (display == KeyPresses || selected) {
    Ui().Information(kFixedName);
  } else {
    QString text = typed;
    if (text.size() > 8) {
      Ui().Information(kNameReduced);
      text = text.left(8);
    }
    TPressSide& press = n->sides[static_cast<size_t>(side)];
    if (text != Text(press.displayName)) {
      press.displayName = text.toStdU16String();
      press.renamed = true;  // stored even where nothing below selects anything
      MarkChanged();
    }
  }
  RefreshNodeTexts();
}

// -------------------------------------------------------------- removal

void TKeypadForm::RemoveNode(TSequenceNode& node) {
  if (node.IsRoot()) return;
  if (Ui().Message(TUiService::Kind::Information, kUpdatesDatabase, QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes) {
    return;
  }
  if (!node.Children().empty() && !Ui().Confirm(kRemovesChildren)) return;
  TKeypadResource* keypads = Keypads();
  if (!keypads) return;
  if (RunStep(Interface(), "Remove Sequence", [&] { return keypads->DeleteNode(node, ShowsSource(), ShowsDest()); })) {
    Tree.Remove(node);
  } else {
    keypads->LoadSequences(Tree, Keys, ShowsSource(), ShowsDest());  // what the database kept
  }
  current_ = nullptr;
  RebuildTree();
}
