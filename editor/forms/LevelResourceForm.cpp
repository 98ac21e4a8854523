#include "forms/LevelResourceForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "Resource.h"
#include "UiService.h"
#include "Widgets.h"
#include "forms/FormFields.h"
#include "forms/InhibitGrid.h"
#include "forms/StringGrid.h"
#include "model/FollowStored.h"
#include "model/LevelParameters.h"

using zephra::editor::CellBlock;
using zephra::editor::InhibitTable;
using zephra::editor::ParameterItem;
using zephra::editor::ShownItem;

namespace {

constexpr int kNameLength = 8;
constexpr int kLastLevel = 16;  // names and inhibits go to lower levels up to this one

// What "Signal Type :" and "Level Type :" say, by the table's signal and operation.
const char* const kSignalTexts[] = {"SDV", "Analogue Video", "AES", "Analogue Audio", "Audio Mix", "Timecode", "RS422"};
const char* const kOperationTexts[] = {"Normal", "Dual", "Triple", "Quad", "Dual OP"};

QStringList Texts(std::span<const ParameterItem> items) {
  QStringList out;
  for (const ParameterItem& i : items) out << i.text;
  return out;
}

QComboBox* List(std::span<const ParameterItem> items, QWidget* parent, const QString& name) {
  return ChoiceCombo(Texts(items), parent, name);
}

void Show(QComboBox* box, int index) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(index);
}

// A name cell as the user left it: without leading spaces.
QString Trimmed(const QString& text) {
  int i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  return text.mid(i);
}

// A name the grid may keep: printable, neither empty nor eight spaces.
bool ValidName(const QString& text) { return !BlankCell(text) && PrintableName(text); }

// Shows a destination row, its number then five spaces then its
// association's name, with the names lined up.
class TNumberedDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem o(option);
    initStyleOption(&o, index);
    const QString text = o.text;
    o.text.clear();
    const QWidget* view = o.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &o, painter, view);
    const auto gap = text.indexOf("     ");
    const QRect r = o.rect.adjusted(4, 0, -4, 0);
    painter->save();
    painter->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(QRect(r.left(), r.top(), 28, r.height()), Qt::AlignRight | Qt::AlignVCenter,
                      gap < 0 ? text : text.left(gap));
    if (gap >= 0) painter->drawText(r.adjusted(40, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text.mid(gap + 5));
    painter->restore();
  }
};

}  // namespace

TLevelForm::TLevelForm(TLevelResource& resource) : TResourceForm(resource, QString()), level_(resource.Number) {
  setObjectName("LevelForm");
  Pages()->addTab(BuildLevelPage(), "Level Data");
  Pages()->addTab(BuildSourcesPage(), "Sources");
  Pages()->addTab(BuildDestinationsPage(), "Destinations Audio Params");
  Pages()->addTab(BuildInhibitsPage(), "Inhibits");
  EnableWithClipboard(*this, Pages(), {SourcePaste});
  FixSize();
}

QWidget* TLevelForm::BuildLevelPage() {
  auto* page = new QWidget;
  auto* general = new QGroupBox("General", page);
  auto* form = new QFormLayout(general);
  NameEdit = Named("NameEdit", new QLineEdit(general));
  NameEdit->setMaxLength(kNameLength);  // what fits is what can be typed
  connect(NameEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    name_ = text;
    MarkChanged();
  });
  LevelTypePanel = ValuePanel(general, "LevelTypePanel");
  SignalTypePanel = ValuePanel(general, "SignalTypePanel");
  form->addRow("Name :", NameEdit);
  form->addRow("Level Type :", LevelTypePanel);
  form->addRow("Signal Type :", SignalTypePanel);
  ParkingBox = Radios(new TRadioGroup("Parking", {"Manual", "Automatic"}, page), Parking);
  ParkingBox->setObjectName("Parking");
  auto* audio = new QGroupBox("Audio Parameters", page);
  EnableFeatures = Named("EnableFeatures", new QCheckBox("Enable Features", audio));
  EnableFeatures->setAttribute(Qt::WA_TransparentForMouseEvents);  // shows the level type's, nothing to choose
  EnableFeatures->setFocusPolicy(Qt::NoFocus);
  (new QVBoxLayout(audio))->addWidget(EnableFeatures);
  ParkSourceBox = new QGroupBox("Park Source", page);
  ParkSource = Named("ParkSource", new QComboBox(ParkSourceBox));
  (new QVBoxLayout(ParkSourceBox))->addWidget(ParkSource);
  auto* mapping = new QGroupBox("Level Mapping", page);
  LevelMapping = Named("LevelMapping", new QComboBox(mapping));
  (new QVBoxLayout(mapping))->addWidget(LevelMapping);

  auto* left = new QVBoxLayout;
  left->addWidget(general);
  left->addWidget(audio);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(ParkingBox);
  right->addWidget(ParkSourceBox);
  right->addWidget(mapping);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addLayout(left, 3);
  layout->addLayout(right, 2);

  connect(Parking, &QButtonGroup::idClicked, this, [this] { MarkChanged(); });
  connect(ParkSource, &QComboBox::activated, this, [this] { MarkChanged(); });
  connect(LevelMapping, &QComboBox::activated, this, [this] { MarkChanged(); });
  return page;
}

QWidget* TLevelForm::BuildSourcesPage() {
  auto* page = new QWidget;
  auto* sources = new QGroupBox("Sources", page);
  SourcesGrid = Named("SourcesGrid", new TStringGrid(sources));
  SourcesGrid->MaxLength = kNameLength;
  SourcesGrid->horizontalHeader()->setStretchLastSection(true);
  SourcesGrid->setMinimumSize(220, 300);
  NamesToLowerLevels = Named("NamesToLowerLevels", new QCheckBox("Apply names to lower levels", sources));
  SourceCopy = Named("SourceCopy", new QPushButton("Copy", sources));
  SourcePaste = Named("SourcePaste", new QPushButton("Paste", sources));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SourceCopy);
  buttons->addWidget(SourcePaste);
  auto* sourcesLayout = new QVBoxLayout(sources);
  sourcesLayout->addWidget(SourcesGrid, 1);
  sourcesLayout->addWidget(NamesToLowerLevels);
  sourcesLayout->addLayout(buttons);

  auto* trigger = new QGroupBox("Trigger", page);
  TriggerList = List(zephra::editor::kTriggerItems, trigger, "TriggerList");
  QGroupBox* triggerAll =
      Radios(new TRadioGroup("Set all", Texts(zephra::editor::kTriggerItems), trigger, 2), TriggerSetAll);
  triggerAll->setObjectName("TriggerSetAll");
  auto* triggerLayout = new QVBoxLayout(trigger);
  triggerLayout->addWidget(TriggerList);
  triggerLayout->addWidget(triggerAll);
  auto* audio = new QGroupBox("Audio Parameters", page);
  SourceAudioList = List(zephra::editor::kSourceAudioItems, audio, "SourceAudioList");
  SourceAudioSetAllBox =
      Radios(new TRadioGroup("Set all", Texts(zephra::editor::kSourceAudioSetAllItems), audio, 2), SourceAudioSetAll);
  SourceAudioSetAllBox->setObjectName("SourceAudioSetAll");
  auto* audioLayout = new QVBoxLayout(audio);
  audioLayout->addWidget(SourceAudioList);
  audioLayout->addWidget(SourceAudioSetAllBox);
  ReadSourceParams = Named("ReadSourceParams", new QPushButton("Read Source Params", page));
  ReadTriggerParams = Named("ReadTriggerParams", new QPushButton("Read Trigger Params", page));

  auto* right = new QVBoxLayout;
  right->addWidget(trigger);
  right->addWidget(audio);
  right->addStretch(1);
  right->addWidget(ReadSourceParams);
  right->addWidget(ReadTriggerParams);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(sources, 1);
  layout->addLayout(right);

  SourcesGrid->Validate = [this](int row, int) { return CheckName(row); };
  SourcesGrid->Paste = [this](int top, int left, const CellBlock& block) { PasteNames(top, left, block); };
  connect(SourcesGrid, &TStringGrid::TextChanged, this,
          [this](int row, int, const QString& text) { NameTyped(row, text); });
  SourcesGrid->UseButtons(SourceCopy, SourcePaste);
  connect(SourcesGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now) { ShowSource(now.row()); });
  connect(NamesToLowerLevels, &QCheckBox::clicked, this, [this] { MarkChanged(); });
  connect(TriggerList, &QComboBox::activated, this, [this](int i) {
    const int s = CurrentSource();
    if (s < 0 || i < 0) return;
    sources_[static_cast<std::size_t>(s)].trigger = zephra::editor::kTriggerItems[i].code;
    MarkChanged();
  });
  connect(TriggerSetAll, &QButtonGroup::idClicked, this, [this](int i) {
    for (TSourceValues& v : sources_) v.trigger = zephra::editor::kTriggerItems[i].code;
    ShowSource(CurrentSource());
    MarkChanged();
  });
  connect(SourceAudioList, &QComboBox::activated, this, [this](int i) {
    const int s = CurrentSource();
    if (s < 0 || i < 0) return;
    sources_[static_cast<std::size_t>(s)].audioParam = zephra::editor::kSourceAudioItems[i].code;
    MarkChanged();
  });
  connect(SourceAudioSetAll, &QButtonGroup::idClicked, this, [this](int i) {
    for (TSourceValues& v : sources_) v.audioParam = zephra::editor::kSourceAudioSetAllItems[i].code;
    ShowSource(CurrentSource());
    MarkChanged();
  });
  connect(ReadSourceParams, &QPushButton::clicked, this, [this] { ReadParams(Params::Sources); });
  connect(ReadTriggerParams, &QPushButton::clicked, this, [this] { ReadParams(Params::Triggers); });
  return page;
}

QWidget* TLevelForm::BuildDestinationsPage() {
  auto* page = new QWidget;
  auto* dests = new QGroupBox("Destinations", page);
  DestinationsGrid = Named("DestinationsGrid", new TStringGrid(dests));
  DestinationsGrid->Model().ReadOnly = true;
  DestinationsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  DestinationsGrid->setItemDelegate(new TNumberedDelegate(DestinationsGrid));
  DestinationsGrid->horizontalHeader()->hide();
  DestinationsGrid->verticalHeader()->hide();
  DestinationsGrid->horizontalHeader()->setStretchLastSection(true);
  DestinationsGrid->setMinimumSize(220, 300);
  (new QVBoxLayout(dests))->addWidget(DestinationsGrid);
  auto* audio = new QGroupBox("Audio Parameters", page);
  DestAudioList = List(zephra::editor::kDestAudioItems, audio, "DestAudioList");
  ReadDestParams = Named("ReadDestParams", new QPushButton("Read Dest Params", audio));
  auto* audioLayout = new QVBoxLayout(audio);
  audioLayout->addWidget(DestAudioList);
  audioLayout->addWidget(ReadDestParams);
  DestAudioSetAllBox =
      Radios(new TRadioGroup("Set all", Texts(zephra::editor::kDestAudioSetAllItems), page, 2), DestAudioSetAll);
  DestAudioSetAllBox->setObjectName("DestAudioSetAll");
  auto* right = new QVBoxLayout;
  right->addWidget(audio);
  right->addWidget(DestAudioSetAllBox);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(dests, 1);
  layout->addLayout(right);

  connect(DestAudioList, &QComboBox::activated, this, [this](int i) {
    const int d = CurrentDest();
    if (d < 0 || i < 0) return;
    dests_[static_cast<std::size_t>(d)].audioParam = zephra::editor::kDestAudioItems[i].code;
    MarkChanged();
  });
  connect(DestAudioSetAll, &QButtonGroup::idClicked, this, [this](int i) {
    for (TDestinationRecord& r : dests_) r.audioParam = zephra::editor::kDestAudioSetAllItems[i].code;
    ShowDest(CurrentDest());
    MarkChanged();
  });
  connect(ReadDestParams, &QPushButton::clicked, this, [this] { ReadParams(Params::Destinations); });
  connect(DestinationsGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& now) { ShowDest(now.row()); });
  return page;
}

QWidget* TLevelForm::BuildInhibitsPage() {
  auto* page = new QWidget;
  InhibitGrid = Named("InhibitGrid", new TInhibitGrid(page));
  AreaBox = Named("AreaBox", new TAreaBox(page));
  SourcePanel = ValuePanel(page, "SourcePanel");
  DestPanel = ValuePanel(page, "DestPanel");
  for (QLabel* panel : {SourcePanel, DestPanel}) panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  auto* names = new QFormLayout;
  names->addRow("Source :", SourcePanel);
  names->addRow("Dest  :", DestPanel);
  auto* operations = new QGroupBox("Operations", page);
  InhibitButton = Named("Inhibit", new QPushButton("Inhibit", operations));
  ClearButton = Named("Clear", new QPushButton("Clear", operations));
  DiagonalButton = Named("Diagonal", new QPushButton("Diagonal", operations));
  auto* operationsLayout = new QVBoxLayout(operations);
  for (QPushButton* b : {InhibitButton, ClearButton, DiagonalButton}) operationsLayout->addWidget(b);
  InhibitsToLowerLevels = Named("InhibitsToLowerLevels", new QCheckBox("Apply to Lower Levels", page));
  auto* side = new QWidget(page);
  side->setFixedWidth(190);
  auto* right = new QVBoxLayout(side);
  right->setContentsMargins(0, 0, 0, 0);
  right->addWidget(AreaBox, 0, Qt::AlignHCenter);
  right->addLayout(names);
  right->addWidget(operations);
  right->addWidget(InhibitsToLowerLevels);
  right->addStretch(1);
  InhibitGrid->setMinimumSize(36 * TInhibitGrid::kCellSize + 20, 28 * TInhibitGrid::kCellSize + 20);
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(InhibitGrid, 1);
  layout->addWidget(side);

  connect(InhibitButton, &QPushButton::clicked, this, [this] { FillInhibits(true); });
  connect(ClearButton, &QPushButton::clicked, this, [this] { FillInhibits(false); });
  connect(DiagonalButton, &QPushButton::clicked, this, [this] { Diagonal(); });
  connect(InhibitGrid, &TInhibitGrid::Toggled, this, [this](int d, int s) {
    inhibits_.Set(d, s, !inhibits_.Get(d, s));
    InhibitsChanged(s, d, s, d);
  });
  connect(InhibitGrid, &TInhibitGrid::Hovered, this, [this](int d, int s) { ShowHovered(d, s); });
  connect(InhibitGrid, &TInhibitGrid::Scrolled, AreaBox, &TAreaBox::SetWindow);
  connect(InhibitsToLowerLevels, &QCheckBox::clicked, this, [this] { MarkChanged(); });
  return page;
}

// ---------------------------------------------------------------- opening

bool TLevelForm::ReadCounts() {
  TConfigurationRecord config{};
  if (!ReadConfig(Interface(), config)) return false;
  levels_ = static_cast<int8_t>(config.levelCount[0] & 0xFF);
  if (level_ < 0 || level_ >= DBS_MAX_LEVELS) return false;
  sourceCount_ = config.sourceCount[0][level_];
  destCount_ = config.destCount[0][level_];
  return true;
}

bool TLevelForm::Load() {
  TCommonInterface& ci = Interface();
  if (!ReadCounts()) return false;
  TLibString name(QString(kNameLength, ' '));
  record_ = TLevelRecord{};
  record_.name = name;
  if (!ci.GetLevelData(0, static_cast<uint16_t>(level_), record_, ci.FileHandle)) return false;
  record_.name = nullptr;
  name_ = storedName_ = name.Text();
  NameEdit->setText(name_);
  setWindowTitle(name_);
  if (Resource()) Resource()->SetNodeText(FitName(name_, kNameLength));

  const bool online = ci.OnlineStatus;
  for (QPushButton* b : {ReadSourceParams, ReadTriggerParams, ReadDestParams}) b->setEnabled(online);
  ShowType(record_.levelType);

  inhibits_ = InhibitTable(sourceCount_, destCount_);
  inhibitsChanged_ = false;
  uint16_t length = static_cast<uint16_t>(inhibits_.Bytes().size());
  if (length) ci.GetLevelInhibits(0, static_cast<uint16_t>(level_), inhibits_.Bytes().data(), length, ci.FileHandle);
  storedInhibits_ = inhibits_;
  InhibitGrid->Model().Show(&inhibits_, zephra::editor::InhibitRows(sourceCount_, record_.levelType));
  AreaBox->SetExtent(destCount_, sourceCount_);
  AreaBox->SetWindow(0, 0);

  LoadSources();
  LoadDestinations();
  ParkSource->setCurrentIndex(ParkEntry(record_.parkSource));

  LevelMapping->clear();
  for (int i = 1; i <= levels_; ++i) LevelMapping->addItem(QString::number(i));
  storedPhysical_ = 0;
  bool mapped = ci.GetPhysicalLevel(static_cast<uint16_t>(level_), storedPhysical_, ci.FileHandle);
  LevelMapping->setCurrentIndex(MappingEntry(storedPhysical_, mapped));
  MarkChanged(!mapped);  // a mapping outside the levels is put right by OK
  return true;
}

int TLevelForm::ParkEntry(uint16_t park) const {
  return static_cast<int16_t>(park) < sourceCount_ ? static_cast<int16_t>(park) : -1;
}

int TLevelForm::MappingEntry(uint16_t physical, bool& valid) const {
  valid = valid && physical < levels_;
  return valid ? physical : level_;
}

void TLevelForm::LoadSources() {
  TCommonInterface& ci = Interface();
  sources_.assign(static_cast<std::size_t>(sourceCount_), TSourceValues{});
  SourcesGrid->Shape(sourceCount_, 1, 120, 40);
  SourcesGrid->Model().SetColumnHeaders({"Name"});
  std::vector<QString> numbers;
  QStringList names;
  for (int s = 0; s < sourceCount_; ++s) {
    TSourceValues& v = sources_[static_cast<std::size_t>(s)];
    ReadSource(ci, level_, s, v);
    const QString name = ShownName(v.names[1]);
    SourcesGrid->Model().Put(s, 0, name);
    numbers.push_back(QString::number(s + 1));
    names << name;
  }
  storedSources_ = sources_;
  SourcesGrid->Model().SetRowHeaders(numbers);
  SourcesGrid->Model().ChangedAll();
  const int park = ParkSource->currentIndex();
  ParkSource->clear();
  ParkSource->addItems(names);
  ParkSource->setCurrentIndex(park);
  if (sourceCount_ > 0) SourcesGrid->SelectCell(0, 0);
  ShowSource(sourceCount_ > 0 ? 0 : -1);
}

void TLevelForm::LoadDestinations() {
  dests_.assign(static_cast<std::size_t>(destCount_), TDestinationRecord{});
  DestinationsGrid->Shape(destCount_, 1, 200, 0);
  destNames_ = ReadAssociationNames();
  for (int d = 0; d < destCount_; ++d) {
    ReadDest(d, dests_[static_cast<std::size_t>(d)]);
    ShowDestRow(d);
  }
  storedDests_ = dests_;
  DestinationsGrid->Model().ChangedAll();
  if (destCount_ > 0) DestinationsGrid->SelectCell(0, 0);
  ShowDest(destCount_ > 0 ? 0 : -1);
}

bool TLevelForm::ReadDest(int d, TDestinationRecord& r) {
  r = TDestinationRecord{};
  r.matrix = 0;
  r.level = static_cast<int16_t>(level_);
  r.destination = static_cast<int16_t>(d);
  return Interface().GetDestData(r);
}

std::vector<QString> TLevelForm::ReadAssociationNames() {
  std::vector<QString> names(static_cast<std::size_t>(destCount_));
  std::vector<bool> named(names.size(), false);
  TConfigurationRecord config{};
  if (!ReadConfig(Interface(), config)) return names;
  for (int a = 0; a < config.destAssocCount[0]; ++a) {
    TDestAssocValues assoc;
    if (!ReadDestAssoc(Interface(), a, assoc)) break;  // one message, not hundreds
    for (const TAssociationMember& m : assoc.members) {
      const auto d = static_cast<std::size_t>(m.number);
      if (m.matrix != 0 || m.level != level_ || m.number < 0 || d >= names.size() || named[d]) continue;
      names[d] = ShownName(assoc.name);
      named[d] = true;
    }
  }
  return names;
}

// The destination's number, then five spaces and its association's name.
void TLevelForm::ShowDestRow(int d) {
  const QString& association = destNames_[static_cast<std::size_t>(d)];
  const QString number = QString::number(d + 1);
  DestinationsGrid->Model().Put(d, 0, association.isEmpty() ? number : number + "     " + association);
}

void TLevelForm::ShowType(uint16_t levelType) {
  typeKnown_ = FindLevelType(levelType, type_);
  const bool rs422 = typeKnown_ && type_.signal == Signal::Rs422;
  SignalTypePanel->setText(typeKnown_ ? kSignalTexts[static_cast<int>(type_.signal)] : "");
  if (rs422) {
    LevelTypePanel->setText(type_.model);
    CheckItem(Parking, type_.park);
  } else if (typeKnown_) {
    QString model = type_.model;
    if (model == "Router C 128" || model == "Router E/C 128") {
      const bool audioLike = type_.signal == Signal::Aes || type_.signal == Signal::AnalogueAudio ||
                             type_.signal == Signal::AudioMix || type_.signal == Signal::Timecode;
      model = audioLike ? "Router E/C 128" : "Router C 128";
    }
    LevelTypePanel->setText(model + "  " + kOperationTexts[static_cast<int>(type_.op)]);
  } else {
    LevelTypePanel->clear();
  }
  for (QWidget* w : {static_cast<QWidget*>(ParkingBox), static_cast<QWidget*>(ParkSourceBox)}) w->setEnabled(rs422);
  const bool audio = typeKnown_ && type_.audioParam;
  EnableFeatures->setChecked(audio);
  for (QWidget* w :
       std::initializer_list<QWidget*>{SourceAudioList, SourceAudioSetAllBox, DestAudioList, DestAudioSetAllBox}) {
    w->setEnabled(audio);
  }
  ReadSourceParams->setEnabled(ReadSourceParams->isEnabled() && audio);
  ReadDestParams->setEnabled(ReadDestParams->isEnabled() && audio);
}

int TLevelForm::CurrentSource() const {
  const int row = SourcesGrid->currentIndex().row();
  return row >= 0 && row < sourceCount_ ? row : -1;
}

int TLevelForm::CurrentDest() const {
  const int row = DestinationsGrid->currentIndex().row();
  return row >= 0 && row < destCount_ ? row : -1;
}

void TLevelForm::ShowSource(int source) {
  if (source < 0 || source >= sourceCount_) {
    Show(TriggerList, -1);
    Show(SourceAudioList, -1);
    return;
  }
  const TSourceValues& v = sources_[static_cast<std::size_t>(source)];
  Show(TriggerList, ShownItem(zephra::editor::kTriggerItems, zephra::editor::kTriggerCodeNames, v.trigger));
  Show(SourceAudioList, ShownItem(zephra::editor::kSourceAudioItems, zephra::editor::kAudioCodeNames, v.audioParam));
}

void TLevelForm::ShowDest(int dest) {
  if (dest < 0 || dest >= destCount_) {
    Show(DestAudioList, -1);
    return;
  }
  Show(DestAudioList, ShownItem(zephra::editor::kDestAudioItems, zephra::editor::kAudioCodeNames,
                                dests_[static_cast<std::size_t>(dest)].audioParam));
}

// ------------------------------------------------------------ source names

void TLevelForm::NameTyped(int row, const QString& text) {
  if (row < 0 || row >= sourceCount_) return;
  const QString name = text.left(kNameLength);
  sources_[static_cast<std::size_t>(row)].names[1] = FitName(name, kNameLength);
  ParkSource->setItemText(row, name);
  MarkChanged();
}

bool TLevelForm::CheckName(int row) {
  const QString text = Trimmed(SourcesGrid->Model().Text(row, 0));
  if (text != SourcesGrid->Model().Text(row, 0)) {
    SourcesGrid->Model().SetText(row, 0, text);
    NameTyped(row, text);
  }
  if (ValidName(text)) return true;
  Ui().Warning(kInvalidValue);
  return false;
}

void TLevelForm::PasteNames(int top, int left, const CellBlock& block) {
  if (left != 0) return;  // the names are the grid's only column
  std::vector<QString> names;
  for (const auto& row : block) {
    if (row.empty()) continue;
    const QString name = Trimmed(QString::fromStdU16String(row[0])).left(kNameLength);
    if (!ValidName(name)) {
      Ui().Warning(kInvalidValue);
      return;
    }
    names.push_back(name);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int row = top + static_cast<int>(i);
    SourcesGrid->Model().Put(row, 0, names[i]);
    sources_[static_cast<std::size_t>(row)].names[1] = FitName(names[i], kNameLength);
    ParkSource->setItemText(row, names[i]);
  }
  SourcesGrid->Model().Changed(top, 0, top + static_cast<int>(names.size()) - 1, 0);
  SourcesGrid->ForgetEdit();
  if (!names.empty()) MarkChanged();
}

// ---------------------------------------------------------------- inhibits

void TLevelForm::InhibitsChanged(int top, int left, int bottom, int right) {
  InhibitGrid->Model().Changed(top, left, bottom, right);
  inhibitsChanged_ = true;
  MarkChanged();
}

void TLevelForm::FillInhibits(bool inhibited) {
  const QRect r = InhibitGrid->SelectionRect();
  if (r.isNull()) return;
  inhibits_.Fill(r.left(), r.right(), r.top(), r.bottom(), inhibited);
  InhibitsChanged(r.top(), r.left(), r.bottom(), r.right());
}

void TLevelForm::Diagonal() {
  const QRect r = InhibitGrid->SelectionRect();
  if (r.isNull()) return;
  const QPoint a = InhibitGrid->Anchor();
  int top = a.y(), left = a.x(), bottom = a.y(), right = a.x();
  for (const auto& [d, s] : zephra::editor::DiagonalCells(a.x(), a.y(), r.left(), r.top(), r.right(), r.bottom())) {
    inhibits_.Set(d, s, true);
    top = std::min(top, s), bottom = std::max(bottom, s), left = std::min(left, d), right = std::max(right, d);
  }
  InhibitsChanged(top, left, bottom, right);
}

void TLevelForm::ShowHovered(int destination, int source) {
  TLibString name(QString(kNameLength, ' '));
  const TSourceIndexRecord index = {0, static_cast<int16_t>(level_), static_cast<int16_t>(source)};
  SourcePanel->setText(Interface().GetSourceName(index, name, Interface().FileHandle) ? name.Text() : QString());
  const QString& assoc = destNames_[static_cast<std::size_t>(destination)];
  DestPanel->setText(assoc.isEmpty() ? QString::number(destination + 1) : assoc);
}

// ------------------------------------------------------------------- Apply

bool TLevelForm::Store() {
  if (!SourcesGrid->ValidateCurrent()) {
    Pages()->setCurrentIndex(1);
    return false;
  }
  if (name_ != storedName_ && !TLevelResource::NameAllowed(name_)) {
    Ui().Warning("You have entered an invalid value", TLevelResource::kNameRule);
    Pages()->setCurrentIndex(0);
    NameEdit->setFocus();
    return false;
  }
  TCommonInterface& ci = Interface();
  const auto level = static_cast<uint16_t>(level_);
  bool ok = true;

  TLevelRecord r = record_;
  TLibString name(FitName(name_, kNameLength));
  r.name = name;
  r.matrix = 0;
  r.level = level;
  if (typeKnown_ && type_.signal == Signal::Rs422) {
    r.levelType =
        LevelTypeCode(Signal::Rs422, false, type_.model, Operation::Normal, std::max(Parking->checkedId(), 0));
  } else {
    ok = ci.GetLevelType(0, level, r.levelType, ci.FileHandle) && ok;
  }
  r.parkSource = static_cast<uint16_t>(ParkSource->currentIndex());
  ok = ci.SetLevelData(0, level, r, ci.FileHandle) && ok;

  if (inhibitsChanged_) {
    const auto length = static_cast<uint16_t>(inhibits_.Bytes().size());
    bool written = ci.SetLevelInhibits(0, level, inhibits_.Bytes(), length, ci.FileHandle);
    if (InhibitsToLowerLevels->isChecked()) {
      TConfigurationRecord config{};
      if (ReadConfig(ci, config)) {
        for (int l = level_ + 1; l < std::min(levels_, kLastLevel); ++l) {
          const InhibitTable lower = inhibits_.Fitted(config.sourceCount[0][l], config.destCount[0][l]);
          written = ci.SetLevelInhibits(0, static_cast<uint16_t>(l), lower.Bytes(),
                                        static_cast<uint16_t>(lower.Bytes().size()), ci.FileHandle) &&
                    written;
        }
      }
    }
    if (written) inhibitsChanged_ = false;
    ok = written && ok;
  }
  ok =
      ci.SetPhysicalLevel(level, static_cast<uint16_t>(std::max(LevelMapping->currentIndex(), 0)), ci.FileHandle) && ok;
  ShowLevelTypesInTree();

  // The selected source and destination take the codes shown; a list that
  // shows none leaves the stored code.
  if (const int s = CurrentSource(); s >= 0) {
    TSourceValues& v = sources_[static_cast<std::size_t>(s)];
    if (TriggerList->currentIndex() >= 0) v.trigger = zephra::editor::kTriggerItems[TriggerList->currentIndex()].code;
    if (SourceAudioList->currentIndex() >= 0) {
      v.audioParam = zephra::editor::kSourceAudioItems[SourceAudioList->currentIndex()].code;
    }
  }
  TConfigurationRecord config{};
  ReadConfig(ci, config);
  const int lastLevel = NamesToLowerLevels->isChecked() ? std::min(levels_, kLastLevel) - 1 : level_;
  for (int l = level_; l <= lastLevel; ++l) {
    for (int s = 0; s < sourceCount_ && s < config.sourceCount[0][l]; ++s) {
      TSourceValues v = sources_[static_cast<std::size_t>(s)];
      v.source = static_cast<uint16_t>(s);
      ok = WriteSource(ci, l, v) && ok;
    }
  }
  if (const int d = CurrentDest(); d >= 0 && DestAudioList->currentIndex() >= 0) {
    dests_[static_cast<std::size_t>(d)].audioParam =
        zephra::editor::kDestAudioItems[DestAudioList->currentIndex()].code;
  }
  for (const TDestinationRecord& dr : dests_) ok = ci.SetDestData(dr) && ok;
  // The form shows what the file holds now; what failed stays pending.
  TakeUpStored(ok);
  return ok;
}

void TLevelForm::ResourceChanged() { TakeUpStored(false); }

void TLevelForm::TakeUpStored(bool adoptAll) {
  if (!Resource()) return;
  using zephra::editor::Follow;
  TCommonInterface& ci = Interface();
  const auto level = static_cast<uint16_t>(level_);

  // The level record: its name and type as stored, the park choices and the
  // mapping as the user left them.
  TLibString name(QString(kNameLength, ' '));
  TLevelRecord now{};
  now.name = name;
  if (!ci.GetLevelData(0, level, now, ci.FileHandle)) return;
  now.name = nullptr;
  const bool rs422Before = typeKnown_ && type_.signal == Signal::Rs422;
  const int parkingBefore = type_.park, parkingShown = Parking->checkedId();
  const int parkSourceBefore = ParkEntry(record_.parkSource), parkSourceShown = ParkSource->currentIndex();
  // A name the user is typing stays; one left as it was follows the file.
  const QString storedBefore = storedName_;
  storedName_ = name.Text();
  Follow(name_, storedBefore, storedName_);
  record_ = now;
  if (NameEdit->text() != name_) NameEdit->setText(name_);
  setWindowTitle(storedName_);
  Resource()->SetNodeText(FitName(storedName_, kNameLength));
  ShowType(record_.levelType);
  if (!adoptAll && rs422Before && parkingShown != parkingBefore && typeKnown_ && type_.signal == Signal::Rs422) {
    CheckItem(Parking, parkingShown);
  }
  bool validBefore = true, valid = true;
  const int mappingBefore = MappingEntry(storedPhysical_, validBefore);
  if (ci.GetPhysicalLevel(level, storedPhysical_, ci.FileHandle)) {
    const int entry = MappingEntry(storedPhysical_, valid);
    if (adoptAll || LevelMapping->currentIndex() == mappingBefore) LevelMapping->setCurrentIndex(entry);
  }

  InhibitTable inhibits(sourceCount_, destCount_);
  if (auto length = static_cast<uint16_t>(inhibits.Bytes().size());
      length && ci.GetLevelInhibits(0, level, inhibits.Bytes().data(), length, ci.FileHandle)) {
    if (adoptAll) {
      inhibits_ = inhibits;
    } else {
      zephra::editor::FollowBits(inhibits_.Bytes(), storedInhibits_.Bytes(), inhibits.Bytes());
    }
    storedInhibits_ = inhibits;
    inhibitsChanged_ = inhibits_.Bytes() != storedInhibits_.Bytes();
    if (sourceCount_ > 0 && destCount_ > 0) InhibitGrid->Model().Changed(0, 0, sourceCount_ - 1, destCount_ - 1);
  }

  // Each source's names and codes: those the user changed stay, the others
  // (and the names this form does not edit) are the file's.
  for (int s = 0; s < sourceCount_; ++s) {
    const auto i = static_cast<std::size_t>(s);
    TSourceValues stored;
    if (!ReadSource(ci, level_, s, stored)) continue;
    TSourceValues& work = sources_[i];
    const TSourceValues& before = storedSources_[i];
    TSourceValues merged = stored;
    if (!adoptAll) {
      merged.names[1] = work.names[1];
      merged.trigger = work.trigger;
      merged.audioParam = work.audioParam;
      if (!SourcesGrid->UserHolds(s, 0)) Follow(merged.names[1], before.names[1], stored.names[1]);
      Follow(merged.trigger, before.trigger, stored.trigger);
      Follow(merged.audioParam, before.audioParam, stored.audioParam);
    }
    if (merged.names[1] != work.names[1]) {
      // Only the cell that changes is told: the view gives an open editor in
      // a range it is told of the cell's text, over what the user typed.
      const QString shown = ShownName(merged.names[1]);
      SourcesGrid->Model().Put(s, 0, shown);
      SourcesGrid->Model().Changed(s, 0, s, 0);
      ParkSource->setItemText(s, shown);
    }
    work = merged;
    storedSources_[i] = stored;
  }
  if (adoptAll || parkSourceShown == parkSourceBefore) ParkSource->setCurrentIndex(ParkEntry(record_.parkSource));
  ShowSource(CurrentSource());

  // Each destination's audio code likewise; its association's name is the
  // file's.
  destNames_ = ReadAssociationNames();
  for (int d = 0; d < destCount_; ++d) {
    const auto i = static_cast<std::size_t>(d);
    TDestinationRecord stored{};
    if (!ReadDest(d, stored)) continue;
    TDestinationRecord& work = dests_[i];
    uint8_t audio = work.audioParam;
    Follow(audio, storedDests_[i].audioParam, stored.audioParam);
    work = stored;
    if (!adoptAll) work.audioParam = audio;
    storedDests_[i] = stored;
    ShowDestRow(d);
  }
  if (destCount_ > 0) DestinationsGrid->Model().Changed(0, 0, destCount_ - 1, 0);
  ShowDest(CurrentDest());
}

void TLevelForm::ShowLevelTypesInTree() {
  if (!Resource()) return;
  TCommonInterface& ci = Interface();
  QTreeWidget* tree = Resource()->Manager->Tree();
  if (!tree) return;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    auto* level = dynamic_cast<TLevelResource*>(TDatabaseManager::ResourceOf(*it));
    uint16_t type = 0;
    if (level && ci.GetLevelType(0, static_cast<uint16_t>(level->Number), type, ci.FileHandle))
      level->ShowLevelType(type);
  }
  tree->update();
}

// ----------------------------------------------------- reading from on-line

void TLevelForm::ReadParams(Params which) {
  if (!Resource()) return;
  TDatabaseManager& manager = *Resource()->Manager;
  if (QFileInfo(manager.DatabaseFileName).fileName().compare(manager.WorkingFileName, Qt::CaseInsensitive) != 0) {
    manager.SaveAs(manager.WorkingFileName);
  }
  TCommonInterface& ci = Interface();
  ci.TransferWithOptions(false, ci.FileHandle, 0, which == Params::Sources ? 1 : 0,
                         which == Params::Destinations ? 1 : 0, which == Params::Triggers ? 1 : 0);
  // Whatever the transfer answered, the form shows what the database holds.
  if (which == Params::Destinations) {
    LoadDestinations();
  } else {
    LoadSources();
  }
}
