#include "forms/KeypadResourceForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDrag>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "UiService.h"
#include "UndoStack.h"
#include "forms/FormFields.h"

using namespace zephra::editor;

namespace {

// Buttons of 65 x 43 pixels, the first 6 pixels in and 12 down.
constexpr int kButtonWidth = 65, kButtonHeight = 43, kButtonLeft = 6, kButtonTop = 12;
constexpr const char* kSameName = "The same name cannot be assigned to two keys";
constexpr const char* kClearQuestion = "Are you sure you want to remove all the data for this keypad.";

QString Bare(const QString& name) {
  int n = static_cast<int>(name.size());
  while (n > 0 && name[n - 1] == ' ') --n;
  return name.left(n);
}

QByteArray Number(int n) { return QByteArray::number(n); }

// A button colour with a little blue in it.
QColor Tinted(const QColor& c) {
  const QColor blue(0x8c, 0xb4, 0xe8);
  return QColor((3 * c.red() + blue.red()) / 4, (3 * c.green() + blue.green()) / 4, (3 * c.blue() + blue.blue()) / 4);
}

QFont CaptionFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(7);
  return font;
}

}  // namespace

const char* const TKeypadForm::kNameFormat = "application/x-zephra-key-name";
const char* const TKeypadForm::kKeyFormat = "application/x-zephra-key";
const char* const TKeypadForm::kSourceFormat = "application/x-zephra-source-association";
const char* const TKeypadForm::kDestFormat = "application/x-zephra-destination-association";
const char* const TKeypadForm::kSalvoFormat = "application/x-zephra-salvo";

// ------------------------------------------------------------------ buttons

TKeyButton::TKeyButton(int position, QWidget* parent) : QPushButton(parent), Position(position) {
  setAcceptDrops(true);
  setFont(CaptionFont());
  setContextMenuPolicy(Qt::CustomContextMenu);
  setFocusPolicy(Qt::NoFocus);
}

void TKeyButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon();
  style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
  const QRect inner = rect().adjusted(3, 4, -3, -4);
  if (!icon().isNull()) {
    icon().paint(&painter, inner, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    return;
  }
  painter.setFont(font());
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  const int half = inner.height() / 2;
  painter.drawText(QRect(inner.left(), inner.top(), inner.width(), half), Qt::AlignHCenter | Qt::AlignBottom, Line1);
  painter.drawText(QRect(inner.left(), inner.top() + half, inner.width(), half), Qt::AlignHCenter | Qt::AlignTop,
                   Line2);
}

void TKeyButton::mousePressEvent(QMouseEvent* event) {
  pressedAt_ = event->position().toPoint();
  QPushButton::mousePressEvent(event);
}

void TKeyButton::mouseMoveEvent(QMouseEvent* event) {
  if (!Draggable || !(event->buttons() & Qt::LeftButton) ||
      (event->position().toPoint() - pressedAt_).manhattanLength() < QApplication::startDragDistance()) {
    QPushButton::mouseMoveEvent(event);
    return;
  }
  setDown(false);
  auto* mime = new QMimeData;
  mime->setData(TKeypadForm::kKeyFormat, Number(Position));
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  drag->setPixmap(grab());
  drag->exec(Qt::MoveAction);
}

void TKeyButton::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  for (const char* format : {TKeypadForm::kNameFormat, TKeypadForm::kKeyFormat, TKeypadForm::kSourceFormat,
                             TKeypadForm::kDestFormat, TKeypadForm::kSalvoFormat}) {
    if (mime->hasFormat(format)) {
      event->acceptProposedAction();
      return;
    }
  }
}

void TKeyButton::dropEvent(QDropEvent* event) {
  emit Dropped(Position, event->mimeData());
  event->acceptProposedAction();
}

TDragList::TDragList(const QString& format, QWidget* parent) : QListWidget(parent), format_(format) {
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
}

QMimeData* TDragList::mimeData(const QList<QListWidgetItem*>& items) const {
  if (items.isEmpty()) return nullptr;
  auto* mime = new QMimeData;
  if (format_ == TKeypadForm::kNameFormat) {
    mime->setData(format_, items.first()->text().toUtf8());
  } else {
    mime->setData(format_, Number(row(items.first())));
  }
  return mime;
}

// ------------------------------------------------------------------- window

TKeypadForm::TKeypadForm(TKeypadResource& keypads) : TResourceForm(keypads, QString()) {
  setObjectName("KeypadForm");
  setAttribute(Qt::WA_DeleteOnClose, false);  // modal: the resource owns it
  auto* body = Body();
  body->removeWidget(Pages());
  body->addWidget(BuildKeyBox());
  auto* lower = new QHBoxLayout;
  lower->addWidget(BuildFunctions());
  lower->addWidget(Pages(), 1);
  body->addLayout(lower, 1);
  namesPage_ = BuildNamesPage();
  sequencesPage_ = BuildSequencesPage();
  buttonPerPage_ = BuildButtonPerPage();
  Pages()->addTab(namesPage_, "Key Names");
  Pages()->addTab(sequencesPage_, "Sequences");
  Pages()->addTab(buttonPerPage_, "Button Per ");
  connect(Pages(), &QTabWidget::currentChanged, this, &TKeypadForm::PageChanged);
}

TKeypadForm::~TKeypadForm() = default;

TKeypadResource* TKeypadForm::Keypads() const { return static_cast<TKeypadResource*>(Resource()); }

QWidget* TKeypadForm::BuildKeyBox() {
  KeyBox = new QScrollArea(this);
  KeyBox->setObjectName("KeyBox");
  auto* inside = new QWidget(KeyBox);
  inside->setFixedSize(kButtonLeft * 2 + kLayoutColumns * kButtonWidth, kButtonTop + 6 + kLayoutRows * kButtonHeight);
  for (int p = 0; p < kLayoutPositions; ++p) {
    auto* b = new TKeyButton(p, inside);
    b->setObjectName(QString("KeyButton%1").arg(p));
    b->setGeometry(kButtonLeft + (p % kLayoutColumns) * kButtonWidth, kButtonTop + (p / kLayoutColumns) * kButtonHeight,
                   kButtonWidth, kButtonHeight);
    b->hide();
    connect(b, &QPushButton::clicked, this, [this, p] { KeyClicked(p); });
    connect(b, &TKeyButton::Dropped, this, &TKeypadForm::KeyDropped);
    connect(b, &QWidget::customContextMenuRequested, this,
            [this, b](const QPoint& at) { KeyMenuRequested(b->Position, b->mapToGlobal(at)); });
    KeyButtons[static_cast<size_t>(p)] = b;
  }
  KeyBox->setWidget(inside);
  KeyBox->setMinimumSize(inside->width() + 2 * KeyBox->frameWidth(), inside->height() + 2 * KeyBox->frameWidth());
  KeyBox->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  return KeyBox;
}

QWidget* TKeypadForm::BuildFunctions() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  FunctionsGroup = new QGroupBox("Functions", column);
  FunctionsGroup->setObjectName("FunctionsGroup");
  auto* buttons = new QVBoxLayout(FunctionsGroup);
  AddButton = new QPushButton("Add", FunctionsGroup);
  AddButton->setObjectName("AddButton");
  RemoveButton = new QPushButton("Remove", FunctionsGroup);
  RemoveButton->setObjectName("RemoveButton");
  ClearAllButton = new QPushButton("Clear All", FunctionsGroup);
  ClearAllButton->setObjectName("ClearAllButton");
  for (QPushButton* b : {AddButton, RemoveButton, ClearAllButton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  layout->addWidget(FunctionsGroup);
  SelectKeypadRadioGroup = new TRadioGroup("Keypad", {"Source", "Dest"}, column);
  SelectKeypadRadioGroup->setObjectName("SelectKeypadRadioGroup");
  layout->addWidget(SelectKeypadRadioGroup);
  cbLockLists = new QCheckBox("Lock Lists", column);
  cbLockLists->setObjectName("cbLockLists");
  layout->addWidget(cbLockLists);
  layout->addStretch(1);
  connect(AddButton, &QPushButton::clicked, this, &TKeypadForm::AddPressed);
  connect(RemoveButton, &QPushButton::clicked, this, &TKeypadForm::RemovePressed);
  connect(ClearAllButton, &QPushButton::clicked, this, &TKeypadForm::ClearAllPressed);
  connect(SelectKeypadRadioGroup->Buttons(), &QButtonGroup::idClicked, this, &TKeypadForm::KeypadChosen);
  return column;
}

QWidget* TKeypadForm::BuildNamesPage() {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  auto* group = new QGroupBox("New Name", page);
  auto* inner = new QVBoxLayout(group);
  NameEdit = new QLineEdit(group);
  NameEdit->setObjectName("NameEdit");
  NameEdit->setMaxLength(8);
  inner->addWidget(NameEdit);
  inner->addWidget(new QLabel("Drag a name onto a key,\nor a key onto another.", group));
  inner->addStretch(1);
  row->addWidget(group);
  NameList = new TDragList(kNameFormat, page);
  NameList->setObjectName("NameList");
  NameList->setSortingEnabled(true);
  NameList->setFlow(QListView::TopToBottom);
  NameList->setWrapping(true);
  NameList->setResizeMode(QListView::Adjust);
  NameList->setUniformItemSizes(true);
  NameList->setGridSize(QSize(90, 20));
  row->addWidget(NameList, 1);
  connect(NameEdit, &QLineEdit::returnPressed, this, &TKeypadForm::AddPressed);
  return page;
}

QWidget* TKeypadForm::BuildButtonPerPage() {
  auto* page = new QWidget;
  auto* row = new QHBoxLayout(page);
  const auto group = [&](const QString& title, const char* format, const QString& name) {
    auto* box = new QGroupBox(title, page);
    auto* inner = new QVBoxLayout(box);
    auto* list = new TDragList(format, box);
    list->setObjectName(name);
    inner->addWidget(list);
    row->addWidget(box);
    return list;
  };
  BPSourceListBox = group("Selected Source", kSourceFormat, "BPSourceListBox");
  BPDestListBox = group("Selected Destination", kDestFormat, "BPDestListBox");
  BPMacroListBox = group("Selected Salvo", kSalvoFormat, "BPMacroListBox");
  return page;
}

void TKeypadForm::FillLists(const TKeypadLists& lists) {
  lists_ = lists;
  const QSignalBlocker b1(SourceBox), b2(DestBox), b3(MacroBox);
  for (QListWidget* l : {SourceBox, BPSourceListBox}) l->addItems(lists.SourceAssocs);
  for (QListWidget* l : {DestBox, BPDestListBox}) l->addItems(lists.DestNames);
  for (QListWidget* l : {MacroBox, BPMacroListBox}) l->addItems(lists.SalvoNames);
  for (QListWidget* l : {SourceBox, DestBox, MacroBox}) {
    if (l->count() > 0) l->setCurrentRow(0);
  }
  NameList->addItems(lists.KeyNames);
}

bool TKeypadForm::Load() {
  TKeypadResource* keypads = Keypads();
  if (!keypads) return false;
  FillLists(keypads->ReadLists());
  keypads->SetUpLayout(Keys);
  // Loading blanks the names of keys the panel has no button for: a step.
  if (!RunStep(Interface(), "Blank Unplaced Keys",
               [&] { return keypads->LoadKeys(Keys, false) && keypads->LoadKeys(Keys, true); })) {
    return false;
  }
  const char* type = PanelTypeText(keypads->PanelType);
  setWindowTitle("Keypad for Panel:  " + keypads->PanelName + "      of type: " + (type ? type : "Undefined"));
  // "Keypad" chooses between the two when only one of them is dial-up.
  const bool choice = keypads->SourceDialUp() != keypads->DestDialUp();
  SelectKeypadRadioGroup->setVisible(choice);
  SelectKeypadRadioGroup->SetItemIndex(choice ? 0 : -1);
  keypadChoice_ = 0;
  if (keypads->SourceDialUp() || keypads->DestDialUp()) {
    keypads->LoadSequences(Tree, Keys, ShowsSource(), ShowsDest());
  }
  ShowPagesForKeypad();
  RebuildTree();
  RefreshKeys();
  MarkChanged(false);
  return true;
}

// ------------------------------------------------------------ what is shown

bool TKeypadForm::ShowsSource() const { return SelectKeypadRadioGroup->isHidden() || keypadChoice_ == 0; }
bool TKeypadForm::ShowsDest() const { return SelectKeypadRadioGroup->isHidden() || keypadChoice_ == 1; }

bool TKeypadForm::DialUpSide(bool dest) const {
  TKeypadResource* k = Keypads();
  return k && (dest ? k->DestDialUp() : k->SourceDialUp());
}

bool TKeypadForm::ShownSideIsDest(const TKeyResource& key) const {
  if (key.DestOnly()) return true;
  return key.Shared() && !ShowsSource();
}

bool TKeypadForm::ShowsKey(const TKeyResource& key) const {
  return (key.OnSourceKeypad() && ShowsSource()) || (key.OnDestKeypad() && ShowsDest());
}

bool TKeypadForm::NamesShownOn(const TKeyResource& key, bool dest) const {
  return dest ? key.OnDestKeypad() && ShowsDest() && DialUpSide(true)
              : key.OnSourceKeypad() && ShowsSource() && DialUpSide(false);
}

bool TKeypadForm::AltDestChosen() const {
  return std::any_of(Keys.begin(), Keys.end(), [](const TKeyResource& k) { return k.Exists() && k.Function == kFnAltDest; });
}

bool TKeypadForm::ButtonShown(int position) const {
  const TKeyResource& k = Keys[static_cast<size_t>(position)];
  return k.Exists() && (!IsMarkedCode(k.Code) || AltDestChosen());
}

// An association beyond the level-1 sources shows its name in brackets (its
// number, when none of its members has a name).
QString TKeypadForm::SourceText(int index) const {
  if (index < 0 || index >= lists_.SourceAssocs.size()) return {};
  const QString text = Bare(lists_.SourceAssocs[index]);
  if (index < lists_.LevelOneSources) return text;
  const auto comma = text.indexOf(", ");
  const QString name = comma < 0 ? text : text.mid(comma + 2);
  return "[" + (name.isEmpty() ? QString::number(index + 1) : name) + "]";
}

QString TKeypadForm::Line(int position, int line) const {
  const TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.Exists()) return {};
  if (k.Unusable) return line == 0 ? "?" : QString();
  if (!ShowsKey(k)) return {};
  if (!k.IsNameKey()) {
    const TFunctionCaption c = FunctionCaption(k.Function);
    return line == 0 ? c.line1 : c.line2;
  }
  const bool dest = ShownSideIsDest(k);
  if (DialUpSide(dest)) {
    const TKeyValues& v = dest ? k.Dest : k.Source;
    return line == 0 ? v.name : v.altName;
  }
  // Button-per: the source side's salvo or source on the first line, the
  // destination on the second.
  if (line == 0 && k.OnSourceKeypad() && ShowsSource()) {
    if (k.Salvo >= 0) return lists_.SalvoNames.value(k.Salvo);
    return SourceText(k.SourceAssn);
  }
  if (line == 1 && k.OnDestKeypad() && ShowsDest() && k.DestAssn >= 0) return lists_.DestNames.value(k.DestAssn);
  return {};
}

void TKeypadForm::RefreshKeys() {
  const bool names = page_ == KeyNamesPage;
  for (int p = 0; p < kLayoutPositions; ++p) {
    TKeyButton* b = KeyButtons[static_cast<size_t>(p)];
    const TKeyResource& k = Keys[static_cast<size_t>(p)];
    b->setVisible(ButtonShown(p));
    if (!k.Exists()) continue;
    b->Line1 = Line(p, 0);
    b->Line2 = Line(p, 1);
    const bool picture = ShowsKey(k) && !k.Unusable && (k.Function == kFnNext || k.Function == kFnPrevious);
    b->setIcon(picture ? style()->standardIcon(k.Function == kFnNext ? QStyle::SP_ArrowForward : QStyle::SP_ArrowBack)
                       : QIcon());
    b->Draggable = names && k.IsNameKey() && !k.Unusable && ShowsKey(k) && DialUpSide(ShownSideIsDest(k));
    // Destination keys are tinted, so the two keypads tell apart.
    QPalette colours = KeyBox->palette();
    if (k.DestOnly()) colours.setColor(QPalette::Button, Tinted(colours.color(QPalette::Button)));
    b->setPalette(colours);
    QString hint = k.Unusable        ? QString("Destination key %1: follows the destination key before it")
                   : k.Shared()      ? QString("Key %1 of both keypads")
                   : k.OnDestKeypad() ? QString("Destination key %1")
                                      : QString("Source key %1");
    b->setToolTip(hint.arg(k.KeyNumber() + 1));
    b->update();
  }
}

// ------------------------------------------------------------------- pages

void TKeypadForm::ShowPagesForKeypad() {
  const bool dialUp = DialUpSide(!ShowsSource());
  filling_ = true;
  Pages()->setTabVisible(Pages()->indexOf(namesPage_), dialUp);
  Pages()->setTabVisible(Pages()->indexOf(sequencesPage_), dialUp);
  Pages()->setTabVisible(Pages()->indexOf(buttonPerPage_), !dialUp);
  Pages()->setCurrentWidget(dialUp ? namesPage_ : buttonPerPage_);
  filling_ = false;
  page_ = dialUp ? KeyNamesPage : ButtonPerPage;
  const bool sourceLists = ShowsSource() && !DialUpSide(false);
  BPSourceListBox->setEnabled(sourceLists);
  BPMacroListBox->setEnabled(sourceLists);
  BPDestListBox->setEnabled(ShowsDest() && !DialUpSide(true));
  RefreshFunctions();
}

void TKeypadForm::RefreshFunctions() {
  const bool dialUp = page_ != ButtonPerPage;
  AddButton->setText(page_ == KeyNamesPage ? "New" : "Add");
  AddButton->setEnabled(dialUp);
  RemoveButton->setEnabled(dialUp);
  cbLockLists->setEnabled(dialUp);
}

void TKeypadForm::PageChanged(int index) {
  if (filling_) return;
  const QWidget* w = Pages()->widget(index);
  const Page to = w == namesPage_ ? KeyNamesPage : w == sequencesPage_ ? SequencesPage : ButtonPerPage;
  if (to == page_) return;
  if (!ResolvePending()) {
    // Cancel keeps the page.
    filling_ = true;
    Pages()->setCurrentWidget(page_ == KeyNamesPage ? namesPage_ : page_ == SequencesPage ? sequencesPage_ : buttonPerPage_);
    filling_ = false;
    return;
  }
  ArriveAt(to);
}

void TKeypadForm::ArriveAt(Page page) {
  page_ = page;
  // The tree is read anew: stored names may have renamed or removed its keys.
  if ((page == KeyNamesPage || page == SequencesPage) && Keypads()) {
    Keypads()->LoadSequences(Tree, Keys, ShowsSource(), ShowsDest());
    current_ = nullptr;
    RebuildTree();
  }
  RefreshFunctions();
  RefreshKeys();
}

void TKeypadForm::KeypadChosen(int id) {
  if (id == keypadChoice_) return;
  if (!ResolvePending()) {
    SelectKeypadRadioGroup->SetItemIndex(keypadChoice_);  // Cancel keeps the keypad
    return;
  }
  keypadChoice_ = id;
  for (TKeyResource& k : Keys) {
    if (k.Shared()) k.ShowFunctionOf(ShownSideIsDest(k));
  }
  if (Keypads()) Keypads()->LoadSequences(Tree, Keys, ShowsSource(), ShowsDest());
  current_ = nullptr;
  ShowPagesForKeypad();
  RebuildTree();
  RefreshKeys();
}

bool TKeypadForm::Store() {
  TKeypadResource* keypads = Keypads();
  if (!keypads) return false;
  bool ok = false;
  switch (page_) {
    case KeyNamesPage:
      ok = keypads->OnNameDataAccepted(Keys);
      // The names stored may have renamed or removed keys of the tree: it
      // is read anew, as arriving at the page reads it.
      keypads->LoadSequences(Tree, Keys, ShowsSource(), ShowsDest());
      current_ = nullptr;
      break;
    case SequencesPage: ok = keypads->OnSequenceDataAccepted(Tree, ShowsSource(), ShowsDest()); break;
    case ButtonPerPage: ok = keypads->OnBPDataAccepted(Keys); break;
  }
  RefreshKeys();
  RebuildTree();
  return ok;
}

// ------------------------------------------------------------ key functions

bool TKeypadForm::TakenByOther(int position, int function) const {
  if (!IsUniqueFunction(function)) return false;
  for (int p = 0; p < kLayoutPositions; ++p) {
    const TKeyResource& k = Keys[static_cast<size_t>(p)];
    if (p != position && k.Exists() && k.Function == function) return true;
  }
  return false;
}

bool TKeypadForm::MenuEntryEnabled(int position, int function) const {
  if (position < 0 || position >= kLayoutPositions || !Keypads()) return false;
  const TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.Exists() || !ShowsKey(k)) return false;
  const auto page = page_ == KeyNamesPage    ? TKeypadPage::KeyNames
                    : page_ == SequencesPage ? TKeypadPage::Sequences
                                             : TKeypadPage::ButtonPer;
  const TMenuKey key{Keypads()->PanelType, page, k.KeyNumber(), k.DestOnly(), k.Unusable, TakenByOther(position, function)};
  return zephra::editor::MenuEntryEnabled(key, function);
}

QMenu* TKeypadForm::KeyMenu(int position) {
  delete keyMenu_;
  keyMenu_ = new QMenu(this);
  keyMenu_->setObjectName("KeyFunctionMenu");
  if (TKeypadResource* keypads = Keypads()) {
    for (const TKeyFunction& f : keypads->FunctionMenu) {
      QAction* a = keyMenu_->addAction(f.text);
      a->setData(f.code);
      a->setEnabled(MenuEntryEnabled(position, f.code));
      connect(a, &QAction::triggered, this, [this, position, code = f.code] { ChooseFunction(position, code); });
    }
  }
  return keyMenu_;
}

void TKeypadForm::KeyMenuRequested(int position, const QPoint& at) { KeyMenu(position)->popup(at); }

bool TKeypadForm::ChooseFunction(int position, int function) {
  if (!MenuEntryEnabled(position, function)) return false;
  TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (function == kFnRemove) {
    // The assignments of the keypads shown: a hidden keypad's stay.
    if (ShowsSource()) k.SourceAssn = k.Salvo = -1;
    if (ShowsDest()) k.DestAssn = -1;
    BlankKey(k);
  } else if (function == kFnBlank) {
    BlankKey(k);
  } else {
    k.SetFunction(function);
  }
  RefreshKeys();
  MarkChanged();
  return true;
}

// Blanking gives a key no function and no names on the dial-up keypads shown;
// a button-per key keeps its names, which its assignments are stored under,
// and a hidden keypad's key keeps its names and the sequences that use them.
void TKeypadForm::BlankKey(TKeyResource& k) {
  k.SetFunction(kFnNormal);
  for (bool dest : {false, true}) {
    if (!NamesShownOn(k, dest)) continue;
    TKeyValues& v = dest ? k.Dest : k.Source;
    v.name = v.altName = QString();
  }
}

// -------------------------------------------------------------- key names

void TKeypadForm::SetNames(TKeyResource& k, const QString& name, const QString& altName) {
  for (bool dest : {false, true}) {
    if (!NamesShownOn(k, dest)) continue;
    TKeyValues& v = dest ? k.Dest : k.Source;
    v.name = name;
    v.altName = altName;
  }
}

// The other position whose button shows `name`, or -1. Names held by a key
// with another function, or by a keypad the window hides, show nowhere.
int TKeypadForm::ShowingName(const QString& name, int except) const {
  const QString wanted = Bare(name);
  if (wanted.isEmpty()) return -1;
  for (int p = 0; p < kLayoutPositions; ++p) {
    const TKeyResource& k = Keys[static_cast<size_t>(p)];
    if (p == except || !k.Exists() || k.Unusable || !k.IsNameKey()) continue;
    for (bool dest : {false, true}) {
      const TKeyValues& v = dest ? k.Dest : k.Source;
      if (v.loaded && NamesShownOn(k, dest) && (Bare(v.name) == wanted || Bare(v.altName) == wanted)) return p;
    }
  }
  return -1;
}

// A keypad keeps a name on one key: a key that holds `name` unseen (it has
// another function now) gives it up to the key at `position`.
void TKeypadForm::TakeNameFromOthers(const QString& name, int position) {
  const TKeyResource& taker = Keys[static_cast<size_t>(position)];
  for (int p = 0; p < kLayoutPositions; ++p) {
    TKeyResource& k = Keys[static_cast<size_t>(p)];
    if (p == position || !k.Exists()) continue;
    for (bool dest : {false, true}) {
      if (!NamesShownOn(taker, dest) || !(dest ? k.OnDestKeypad() : k.OnSourceKeypad())) continue;
      TKeyValues& v = dest ? k.Dest : k.Source;
      if (Bare(v.name) == Bare(name)) v.name.clear();
      if (Bare(v.altName) == Bare(name)) v.altName.clear();
    }
  }
}

bool TKeypadForm::DropName(int position, const QString& name) {
  if (position < 0 || position >= kLayoutPositions) return false;
  TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.Exists() || k.Unusable || !k.IsNameKey() || !ShowsKey(k) || !DialUpSide(ShownSideIsDest(k))) return false;
  const QString text = name.left(8);
  if (ShowingName(text, position) >= 0) {
    Ui().Information(kSameName);
    return false;
  }
  const QString previous = ShownNames(k).name;
  if (Bare(previous) == Bare(text)) return false;  // it has that name already
  TakeNameFromOthers(text, position);
  SetNames(k, text, previous);
  RefreshKeys();
  MarkChanged();
  return true;
}

bool TKeypadForm::DropKey(int from, int to) {
  if (from < 0 || to < 0 || from >= kLayoutPositions || to >= kLayoutPositions) return false;
  TKeyResource& a = Keys[static_cast<size_t>(from)];
  TKeyResource& b = Keys[static_cast<size_t>(to)];
  for (const TKeyResource* k : {&a, &b}) {
    if (!k->Exists() || k->Unusable || !k->IsNameKey() || !ShowsKey(*k) || !DialUpSide(ShownSideIsDest(*k))) return false;
  }
  if (ShownSideIsDest(a) != ShownSideIsDest(b)) return false;  // keys of different keypads
  const TKeyValues names = ShownNames(a);
  if (from == to) {
    SetNames(a, names.altName, names.name);
  } else {
    // The names move; both keys stay name keys of the types they have.
    SetNames(b, names.name, names.altName);
    SetNames(a, {}, {});
  }
  RefreshKeys();
  MarkChanged();
  return true;
}

// ------------------------------------------------------------- button per

bool TKeypadForm::DropSource(int position, int index) {
  if (position < 0 || position >= kLayoutPositions || index < 0 || index >= lists_.SourceAssocs.size()) return false;
  TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.OnSourceKeypad() || !ShowsSource() || DialUpSide(false) || k.Unusable || !k.IsNameKey()) return false;
  k.SourceAssn = index;
  k.Salvo = -1;
  RefreshKeys();
  MarkChanged();
  return true;
}

bool TKeypadForm::DropSalvo(int position, int index) {
  if (position < 0 || position >= kLayoutPositions || index < 0 || index >= lists_.SalvoNames.size()) return false;
  TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.OnSourceKeypad() || !ShowsSource() || DialUpSide(false) || k.Unusable || !k.IsNameKey()) return false;
  k.Salvo = index;
  k.SourceAssn = -1;
  RefreshKeys();
  MarkChanged();
  return true;
}

bool TKeypadForm::DropDest(int position, int index) {
  if (position < 0 || position >= kLayoutPositions || index < 0 || index >= lists_.DestNames.size()) return false;
  TKeyResource& k = Keys[static_cast<size_t>(position)];
  if (!k.OnDestKeypad() || !ShowsDest() || DialUpSide(true) || k.Unusable || !k.IsNameKey()) return false;
  k.DestAssn = index;
  RefreshKeys();
  MarkChanged();
  return true;
}

void TKeypadForm::KeyDropped(int position, const QMimeData* mime) {
  const auto number = [&](const char* format) { return mime->data(format).toInt(); };
  if (mime->hasFormat(kNameFormat) && page_ == KeyNamesPage) {
    DropName(position, QString::fromUtf8(mime->data(kNameFormat)));
  } else if (mime->hasFormat(kKeyFormat) && page_ == KeyNamesPage) {
    DropKey(number(kKeyFormat), position);
  } else if (page_ == ButtonPerPage) {
    if (mime->hasFormat(kSourceFormat)) DropSource(position, number(kSourceFormat));
    if (mime->hasFormat(kSalvoFormat)) DropSalvo(position, number(kSalvoFormat));
    if (mime->hasFormat(kDestFormat)) DropDest(position, number(kDestFormat));
  }
}

// --------------------------------------------------------- functions group

void TKeypadForm::AddPressed() {
  if (page_ == KeyNamesPage) {
    const QString name = NameEdit->text().left(8);
    if (!Bare(name).isEmpty() && NameList->findItems(name, Qt::MatchExactly).isEmpty()) NameList->addItem(name);
    NameEdit->clear();
  } else if (page_ == SequencesPage) {
    SelectNode(nullptr);  // the next press starts a new sequence
  }
}

void TKeypadForm::RemovePressed() {
  if (page_ == KeyNamesPage) {
    QListWidgetItem* item = NameList->currentItem();
    if (!item) return;
    const QString name = Bare(item->text());
    delete item;
    // Only the buttons that show the name lose it: a hidden button-per
    // keypad's names are what its assignments are stored under.
    bool changed = false;
    for (TKeyResource& k : Keys) {
      if (!k.Exists() || k.Unusable || !k.IsNameKey()) continue;
      for (bool dest : {false, true}) {
        TKeyValues& v = dest ? k.Dest : k.Source;
        if (!v.loaded || !NamesShownOn(k, dest)) continue;
        if (Bare(v.name) == name) v.name.clear(), changed = true;
        if (Bare(v.altName) == name) v.altName.clear(), changed = true;
      }
    }
    if (changed) {
      RefreshKeys();
      MarkChanged();
    }
  } else if (page_ == SequencesPage && current_) {
    RemoveNode(*current_);
  }
}

void TKeypadForm::ClearAllPressed() {
  if (page_ == SequencesPage) {
    if (!Ui().Confirm(QString(kClearQuestion) + " Note this action will update the database")) return;
    TKeypadResource* keypads = Keypads();
    if (!keypads) return;
    RunStep(Interface(), "Clear Sequences", [&] {
      while (!Tree.Root().Children().empty()) {
        TSequenceNode& top = *Tree.Root().Children().front();
        if (!keypads->DeleteNode(top, ShowsSource(), ShowsDest())) return false;
        Tree.Remove(top);
      }
      return true;
    });
    current_ = nullptr;
    RebuildTree();
    return;
  }
  if (!Ui().Confirm(kClearQuestion)) return;
  for (TKeyResource& k : Keys) {
    if (!k.Exists()) continue;
    if (page_ == KeyNamesPage) {
      if (!k.DestOnly()) BlankKey(k);
    } else {
      k.SourceAssn = k.Salvo = k.DestAssn = -1;
    }
  }
  RefreshKeys();
  MarkChanged();
}

bool TKeypadForm::eventFilter(QObject* watched, QEvent* event) {
  // Space in a selection list ticks or unticks its box.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    QCheckBox* check = watched == SourceBox ? SourceCheck : watched == DestBox ? DestCheck : watched == MacroBox ? MacroCheck : nullptr;
    if (check && check->isEnabled()) {
      check->click();
      return true;
    }
  }
  return TResourceForm::eventFilter(watched, event);
}
