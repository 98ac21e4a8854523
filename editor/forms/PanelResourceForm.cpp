#include "forms/PanelResourceForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "UiService.h"
#include "forms/FormFields.h"
#include "forms/KeypadAssignment.h"
#include "forms/KeypadResource.h"
#include "model/PanelTypes.h"

using namespace zephra::editor;

namespace {

constexpr const char* kAllDests = "Control All Destinations";
constexpr const char* kNoDests = "Control No Destinations";
constexpr int kMaxLevels = 8;  // the levels word holds a bit for each of eight

// A check box in a form row, its text the row's label.
QCheckBox* CheckRow(QFormLayout* form, const QString& text, const QString& name, QLabel** label) {
  auto* check = new QCheckBox;
  check->setObjectName(name);
  *label = new QLabel(text);
  (*label)->setBuddy(check);
  form->addRow(*label, check);
  return check;
}

QListWidgetItem* AddCheckItem(QListWidget* list, const QString& text, int data) {
  auto* item = new QListWidgetItem(text, list);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
  item->setCheckState(Qt::Unchecked);
  item->setData(Qt::UserRole, data);
  return item;
}

// A keypad as the form holds it: -1 for none, and for a number of 100 or
// more (no keypad was free when the panel was given one).
int FormKeypad(int keypad) { return IsKeypadAssigned(keypad) ? keypad : -1; }

void CheckAll(QListWidget* list, bool checked) {
  const QSignalBlocker block(list);
  for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

bool TPanelResource::Edit(TCommonInterface&) { return ShowLoadedForm<TPanelForm>(*this); }

TPanelForm::TPanelForm(TPanelResource& panel) : TDeviceForm(panel, panel.GetName()) {
  setObjectName("PanelForm");
  Pages()->addTab(BuildPanelDataPage(), "Panel Data");
  Pages()->addTab(BuildOperationPage(), "Operation");
  Pages()->addTab(destinationsPage_ = BuildDestinationsPage(), "Destinations");
  Pages()->addTab(overridesPage_ = BuildOverridesPage(), "Overrides");
  Pages()->setCurrentIndex(0);
  FixSize();
  connect(Pages(), &QTabWidget::currentChanged, this, [this] { RefreshKeypadGroups(); });
  WatchFocus([this](QWidget* from, QWidget* to) { FocusMoved(from, to); });
}

// The watch uses the form's members: it ends before they go.
TPanelForm::~TPanelForm() { EndFocusWatch(); }

QWidget* TPanelForm::BuildPanelDataPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  QFormLayout* form = AddGroup(page, column, "General");
  AddNameRow(form);
  TypeCombo = new QComboBox(form->parentWidget());
  TypeCombo->setObjectName("TypeCombo");
  TypeCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  for (const TPanelTypeEntry& e : PanelTypeList) TypeCombo->addItem(e.text, e.code);
  typeLabel_ = new QLabel("Type :");
  form->addRow(typeLabel_, TypeCombo);
  AddAddressRow(form, "PanelAddressSpin", false);
  MasterPanelCheck = CheckRow(form, "Master Panel :", "MasterPanelCheck", &masterLabel_);
  SalvoOverrideCheck = CheckRow(form, "Override Salvo Protects :", "SalvoOverrideCheck", &salvoLabel_);
  QFormLayout* display = AddGroup(page, column, "Display");
  brightnessLabel_ = AddBrightnessRow(display, 1);
  AlignLabels({form, display});
  column->addStretch(1);

  connect(TypeCombo, &QComboBox::activated, this, &TPanelForm::PickType);
  connect(MasterPanelCheck, &QCheckBox::clicked, this, [this] {
    SalvoOverrideCheck->setEnabled(MasterPanelCheck->isEnabled() && MasterPanelCheck->isChecked());
    salvoLabel_->setEnabled(SalvoOverrideCheck->isEnabled());
    MarkChanged();
  });
  connect(SalvoOverrideCheck, &QCheckBox::clicked, this, [this] { MarkChanged(); });
  return page;
}

QWidget* TPanelForm::BuildOperationPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);

  auto* levels = new QGroupBox("Levels Controlled", page);
  auto* levelsColumn = new QVBoxLayout(levels);
  LevelsControlledCheck = new QListWidget(levels);
  LevelsControlledCheck->setObjectName("LevelsControlledCheck");
  for (int i = 0; i < kMaxLevels; ++i) AddCheckItem(LevelsControlledCheck, QString("Level %1").arg(i + 1), i);
  LevelsControlledCheck->setMinimumWidth(150);
  levelsColumn->addWidget(LevelsControlledCheck, 1);
  ControlAllLevelsButton = new QPushButton("Control All Levels", levels);
  ControlAllLevelsButton->setObjectName("ControlAllLevelsButton");
  levelsColumn->addWidget(ControlAllLevelsButton);
  auto* maskForm = new QFormLayout;
  MaskLevelsCheck = CheckRow(maskForm, "Mask with Destination :", "MaskLevelsCheck", &maskLabel_);
  levelsColumn->addLayout(maskForm);
  grid->addWidget(levels, 0, 0, 2, 1);

  auto* special = new QGroupBox("Special Functions", page);
  auto* specialForm = new QFormLayout(special);
  SwapModeCheck = new QCheckBox("Displays in Swap Mode", special);
  SwapModeCheck->setObjectName("SwapModeCheck");
  specialForm->addRow(SwapModeCheck);
  NoLevelButtonsComboBox = new QComboBox(special);
  NoLevelButtonsComboBox->setObjectName("NoLevelButtonsComboBox");
  for (int i = 0; i <= 8; ++i) NoLevelButtonsComboBox->addItem(QString::number(i));
  levelButtonsLabel_ = new QLabel("Number Of Level Buttons:");
  specialForm->addRow(levelButtonsLabel_, NoLevelButtonsComboBox);
  grid->addWidget(special, 0, 1);

  auto* keypad = new QGroupBox("Keypad", page);
  auto* keypadGrid = new QGridLayout(keypad);
  EditKeypadButton = new QPushButton("Edit Keypad", keypad);
  EditKeypadButton->setObjectName("EditKeypadButton");
  ConfigureButton = new QPushButton("Configure", keypad);
  ConfigureButton->setObjectName("ConfigureButton");
  keypadGrid->addWidget(EditKeypadButton, 0, 0);
  keypadGrid->addWidget(ConfigureButton, 0, 1);
  SrcKeypadTypeRadioGroup = new TRadioGroup("Source Keypad Type", {"BPS", "Dial-up"}, keypad);
  SrcKeypadTypeRadioGroup->setObjectName("SrcKeypadTypeRadioGroup");
  DestKeypadTypeRadioGroup = new TRadioGroup("Dest Keypad Type", {"BPD", "Dial-up"}, keypad);
  DestKeypadTypeRadioGroup->setObjectName("DestKeypadTypeRadioGroup");
  keypadGrid->addWidget(SrcKeypadTypeRadioGroup, 1, 0);
  keypadGrid->addWidget(DestKeypadTypeRadioGroup, 1, 1);
  keypadGrid->setRowStretch(2, 1);
  grid->addWidget(keypad, 1, 1);
  grid->setRowStretch(1, 1);

  connect(LevelsControlledCheck, &QListWidget::itemChanged, this, [this] { MarkChanged(); });
  connect(ControlAllLevelsButton, &QPushButton::clicked, this, [this] {
    CheckAll(LevelsControlledCheck, true);
    MarkChanged();
  });
  for (QCheckBox* c : {MaskLevelsCheck, SwapModeCheck}) connect(c, &QCheckBox::clicked, this, [this] { MarkChanged(); });
  connect(NoLevelButtonsComboBox, &QComboBox::activated, this, [this] { MarkChanged(); });
  connect(ConfigureButton, &QPushButton::clicked, this, &TPanelForm::Configure);
  connect(EditKeypadButton, &QPushButton::clicked, this, &TPanelForm::EditKeypad);
  for (TRadioGroup* g : {SrcKeypadTypeRadioGroup, DestKeypadTypeRadioGroup}) {
    connect(g->Buttons(), &QButtonGroup::idClicked, this, [this] { MarkChanged(); });
  }
  return page;
}

QWidget* TPanelForm::BuildDestinationsPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* controlled = new QGroupBox("Controlled", page);
  auto* inner = new QVBoxLayout(controlled);
  DestControlledChecks = new QListWidget(controlled);
  DestControlledChecks->setObjectName("DestControlledChecks");
  // Columns of names, as many as the width takes, scrolled sideways.
  DestControlledChecks->setFlow(QListView::TopToBottom);
  DestControlledChecks->setWrapping(true);
  DestControlledChecks->setResizeMode(QListView::Adjust);
  DestControlledChecks->setUniformItemSizes(true);
  DestControlledChecks->setGridSize(QSize(110, 20));
  inner->addWidget(DestControlledChecks, 1);
  AllDestsButton = new QPushButton(kAllDests, controlled);
  AllDestsButton->setObjectName("AllDestsButton");
  auto* row = new QHBoxLayout;
  row->addWidget(AllDestsButton);
  row->addStretch(1);
  inner->addLayout(row);
  column->addWidget(controlled);
  connect(DestControlledChecks, &QListWidget::itemChanged, this, &TPanelForm::DestChecksChanged);
  connect(AllDestsButton, &QPushButton::clicked, this, [this] {
    CheckAll(DestControlledChecks, AllDestsButton->text() == kAllDests);
    DestChecksChanged();
  });
  return page;
}

QWidget* TPanelForm::BuildOverridesPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* levelRow = new QFormLayout;
  OverrideSourceLevelComboBox = new QComboBox(page);
  OverrideSourceLevelComboBox->setObjectName("OverrideSourceLevelComboBox");
  levelRow->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  OverrideSourceLevelComboBox->addItem("Unused");
  for (int i = 1; i <= kMaxLevels; ++i) OverrideSourceLevelComboBox->addItem(QString("Level %1").arg(i));
  levelRow->addRow("Override Source Level:", OverrideSourceLevelComboBox);
  column->addLayout(levelRow);

  auto* sources = new QGroupBox("Sources", page);
  auto* grid = new QGridLayout(sources);
  for (int i = 0; i < 16; ++i) {
    auto* combo = new QComboBox(sources);
    combo->setObjectName(QString("OverrideCombo%1").arg(i + 1));
    combo->setMinimumContentsLength(8);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* label = new QLabel(QString("%1 :").arg(i + 1), sources);
    label->setBuddy(combo);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int r = i % 8, c = (i / 8) * 2;
    grid->addWidget(label, r, c);
    grid->addWidget(combo, r, c + 1);
    OverrideCombos[static_cast<size_t>(i)] = combo;
    connect(combo, &QComboBox::activated, this, [this, i] {
      keepOverride_[static_cast<size_t>(i)] = false;
      MarkChanged();
    });
    if (i == 15) override16Label_ = label;
  }
  grid->setColumnMinimumWidth(2, 60);
  column->addWidget(sources);
  KeySwitchCheckBox = new QCheckBox("KeySwitch Enabled:", page);
  KeySwitchCheckBox->setObjectName("KeySwitchCheckBox");
  KeySwitchCheckBox->setLayoutDirection(Qt::RightToLeft);
  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(KeySwitchCheckBox);
  keyRow->addStretch(1);
  column->addLayout(keyRow);
  column->addStretch(1);

  connect(OverrideSourceLevelComboBox, &QComboBox::activated, this, [this](int index) {
    if (index > 0) FillOverrideLists(index - 1);
    keepOverride_.fill(false);  // every override now takes the level chosen
    MarkChanged();
  });
  connect(KeySwitchCheckBox, &QCheckBox::clicked, this, [this](bool on) {
    OverrideCombos[15]->setEnabled(!on);
    override16Label_->setEnabled(!on);
    MarkChanged();
  });
  return page;
}

bool TPanelForm::ReadStored() {
  if (!Resource()) return false;
  TCommonInterface& ci = Interface();
  TLibString name(QString(8, ' '));
  TPanelRecord r{};
  r.name = name;
  if (!ci.GetPanelRecord(DeviceNumber(), r, ci.FileHandle)) return false;
  r.name = nullptr;
  StoredPanelRecord = r;
  StoredName = name.Text();
  KeepStoredAddress(Signed16(r.address));
  return true;
}

bool TPanelForm::Load() {
  if (!ReadStored()) return false;
  const TPanelRecord& r = StoredPanelRecord;
  TCommonInterface& ci = Interface();
  NameEdit->setText(Resource()->GetName());
  setWindowTitle(Resource()->GetName());
  // The keypads start as stored: Apply writes them back.
  FormSourceKeypad = FormKeypad(r.sourceKeypad);
  FormDestKeypad = FormKeypad(r.destKeypad);
  FormPanelType = r.panelType;
  Address->Show(Signed16(r.address));

  MasterPanelCheck->setChecked((r.flags & kFlagMasterPanel) != 0);
  SalvoOverrideCheck->setChecked((r.flags & kFlagSalvoOverride) != 0);
  MaskLevelsCheck->setChecked((r.flags & kFlagMaskLevels) != 0);
  SwapModeCheck->setChecked((r.flags & kFlagSwapMode) != 0);
  KeySwitchCheckBox->setChecked((r.flags & kFlagKeySwitch) != 0);
  OverrideCombos[15]->setEnabled(!KeySwitchCheckBox->isChecked());
  override16Label_->setEnabled(!KeySwitchCheckBox->isChecked());
  NoLevelButtonsComboBox->setCurrentIndex(r.mode <= 8 ? r.mode : -1);

  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  int levels = 0;
  if (ci.GetConfig(config, ci.FileHandle)) {
    levels = levels_ = std::clamp<int>(config.levelCount[0], 0, kMaxLevels);
    destAssocCount_ = config.destAssocCount[0];
    std::copy(std::begin(config.sourceCount[0]), std::end(config.sourceCount[0]), sourceCounts_.begin());
  }
  while (OverrideSourceLevelComboBox->count() > levels + 1) OverrideSourceLevelComboBox->removeItem(levels + 1);
  {
    const QSignalBlocker block(DestControlledChecks);
    for (int i = 0; i < destAssocCount_; ++i) {
      if (const auto name = DestinationName(i)) AddCheckItem(DestControlledChecks, *name, i);
    }
  }

  ApplyTypeRules(r.panelType);
  ShowStoredBrightness();
  {
    const QSignalBlocker block(LevelsControlledCheck);
    while (LevelsControlledCheck->count() > levels) delete LevelsControlledCheck->takeItem(levels);
    for (int i = 0; i < levels; ++i) {
      LevelsControlledCheck->item(i)->setCheckState(r.levels[0] & (1u << i) ? Qt::Checked : Qt::Unchecked);
    }
  }
  ReadOverrides(levels);
  ReadControlledDests();
  RefreshAllDestsCaption();
  MarkChanged(false);
  RefreshKeypadGroups();
  return true;
}

std::optional<QString> TPanelForm::DestinationName(int association) const {
  TCommonInterface& ci = Interface();
  TLibString shortName(QString(4, ' ')), name(QString(8, ' '));
  TDestinationAssociationRecord d{};
  d.shortName = shortName;
  d.name = name;
  if (!ci.GetDestAssn(0, static_cast<uint16_t>(association), d, ci.FileHandle)) return std::nullopt;
  return name.Text();
}

QStringList TPanelForm::SourceNames(int level) const {
  QStringList names;
  if (level < 0 || level >= 20 || !Resource()) return names;
  TCommonInterface& ci = Interface();
  for (int s = 0; s < sourceCounts_[static_cast<size_t>(level)]; ++s) {
    TLibString name(QString(8, ' '));
    const TSourceIndexRecord index{0, static_cast<int16_t>(level), static_cast<int16_t>(s)};
    names << (ci.GetSourceName(index, name, ci.FileHandle) ? name.Text() : QString());
  }
  return names;
}

// Each list holds "Unused" and the sources of `level`, and keeps its place
// where the new level still has it.
void TPanelForm::FillOverrideLists(int level) {
  const QStringList names = SourceNames(level);
  for (QComboBox* combo : OverrideCombos) {
    const int previous = combo->currentIndex();
    combo->clear();
    combo->addItem("Unused");
    combo->addItems(names);
    combo->setCurrentIndex(previous >= 0 && previous < combo->count() ? previous : 0);
  }
}

// The lists show the sources of the level the stored overrides use; an
// override the lists cannot show (another level) is kept as it is.
void TPanelForm::ShowStoredBrightness() {
  const int b = StoredPanelRecord.brightness;
  Brightness->Show(b >= 1 && b <= 8 ? std::optional<int>(b) : std::nullopt);
}

void TPanelForm::ReadOverrides(int levels) {
  TCommonInterface& ci = Interface();
  int overrideLevel = -1;
  storedOverrides_.fill(TOverrideRecord{-1, -1, -1});
  for (uint16_t i = 0; i < 16; ++i) {
    TOverrideRecord o{};
    if (!ci.GetOverrideSource(DeviceNumber(), i, o, ci.FileHandle)) break;  // one message, not sixteen
    storedOverrides_[i] = o;
    if (o.level != -1) overrideLevel = o.level;
  }
  if (overrideLevel >= levels) overrideLevel = -1;
  OverrideSourceLevelComboBox->setCurrentIndex(overrideLevel + 1);
  const QStringList names = SourceNames(overrideLevel < 0 ? 0 : overrideLevel);
  for (size_t i = 0; i < 16; ++i) {
    QComboBox* combo = OverrideCombos[i];
    combo->clear();
    combo->addItem("Unused");
    combo->addItems(names);
    const TOverrideRecord& o = storedOverrides_[i];
    const bool none = o.level == -1 || o.source == -1;
    const bool shown = none || (o.matrix == 0 && o.level == overrideLevel && o.source + 1 < combo->count());
    keepOverride_[i] = !shown;
    combo->setCurrentIndex(none ? 0 : shown ? o.source + 1 : -1);
  }
  NoteShownOverrides();
}

void TPanelForm::NoteShownOverrides() {
  for (size_t i = 0; i < 16; ++i) shownOverrides_[i] = OverrideCombos[i]->currentIndex();
  shownOverrideLevel_ = OverrideSourceLevelComboBox->currentIndex();
}

bool TPanelForm::OverridesAsShown() const {
  for (size_t i = 0; i < 16; ++i) {
    if (OverrideCombos[i]->currentIndex() != shownOverrides_[i]) return false;
  }
  return OverrideSourceLevelComboBox->currentIndex() == shownOverrideLevel_;
}

void TPanelForm::TakeUpSets() {
  TCommonInterface& ci = Interface();
  // The overrides: read again whole while the user has changed none of
  // them, else only the source names the lists show.
  std::array<TOverrideRecord, 16> overrides = storedOverrides_;
  for (uint16_t i = 0; i < 16; ++i) {
    if (!ci.GetOverrideSource(DeviceNumber(), i, overrides[i], ci.FileHandle)) break;
  }
  const auto same = [](const TOverrideRecord& a, const TOverrideRecord& b) {
    return a.matrix == b.matrix && a.level == b.level && a.source == b.source;
  };
  if (OverridesAsShown() && !std::equal(overrides.begin(), overrides.end(), storedOverrides_.begin(), same)) {
    ReadOverrides(levels_);
  } else {
    const QStringList names = SourceNames(std::max(OverrideSourceLevelComboBox->currentIndex() - 1, 0));
    for (QComboBox* combo : OverrideCombos) {
      for (int n = 0; n < names.size() && n + 1 < combo->count(); ++n) combo->setItemText(n + 1, names[n]);
    }
  }

  // The destinations: their association names as stored, and each check
  // the user has not changed as the file holds it.
  TXYRecord xy{};
  xy.destCount = static_cast<uint16_t>(destAssocCount_);
  const bool mapped = ci.GetXY_ControlledDests(DeviceNumber(), 0, xy, ci.FileHandle);
  const QSignalBlocker block(DestControlledChecks);
  for (int i = 0; i < DestControlledChecks->count(); ++i) {
    QListWidgetItem* item = DestControlledChecks->item(i);
    const int d = item->data(Qt::UserRole).toInt();
    if (const auto name = DestinationName(d)) item->setText(*name);
    if (!mapped) continue;
    const auto bit = static_cast<uint8_t>(1 << (d % 8));
    const auto byte = static_cast<std::size_t>(d / 8);
    const bool before = byte < storedDestMap_.size() && (storedDestMap_[byte] & bit);
    if ((item->checkState() == Qt::Checked) == before) {
      item->setCheckState(xy.destMap[byte] & bit ? Qt::Checked : Qt::Unchecked);
    }
  }
  if (mapped) storedDestMap_.assign(std::begin(xy.destMap), std::end(xy.destMap));
  RefreshAllDestsCaption();
}

void TPanelForm::ReadControlledDests() {
  TCommonInterface& ci = Interface();
  TXYRecord xy{};
  xy.destCount = static_cast<uint16_t>(destAssocCount_);
  storedDestMap_.assign(sizeof xy.destMap, 0);
  if (!ci.GetXY_ControlledDests(DeviceNumber(), 0, xy, ci.FileHandle)) return;
  storedDestMap_.assign(std::begin(xy.destMap), std::end(xy.destMap));
  const QSignalBlocker block(DestControlledChecks);
  for (int i = 0; i < DestControlledChecks->count(); ++i) {
    QListWidgetItem* item = DestControlledChecks->item(i);
    const int d = item->data(Qt::UserRole).toInt();
    item->setCheckState(xy.destMap[d / 8] & (1 << (d % 8)) ? Qt::Checked : Qt::Unchecked);
  }
}

void TPanelForm::ApplyTypeRules(int code) {
  const auto controls = PanelControls(code);
  if (!controls) {
    Ui().Warning("The Panel type is not recognised");
    NoLevelButtonsComboBox->setVisible(true);
    levelButtonsLabel_->setVisible(true);
  } else {
    const TPanelControls& c = *controls;
    FormPanelType = code;
    Brightness->SetEnabled(c.brightness);
    Pages()->setTabVisible(Pages()->indexOf(overridesPage_), c.overridesPage);
    Pages()->setTabVisible(Pages()->indexOf(destinationsPage_), c.destinationsPage);
    for (QWidget* w : {static_cast<QWidget*>(NoLevelButtonsComboBox), static_cast<QWidget*>(levelButtonsLabel_)}) {
      w->setEnabled(c.levelButtons);
      w->setVisible(c.levelButtons);
    }
    MasterPanelCheck->setEnabled(c.masterPanel);
    SwapModeCheck->setEnabled(c.swapMode);
    AllDestsButton->setEnabled(c.allDestinations);
  }
  {
    const QSignalBlocker block(TypeCombo);
    TypeCombo->setCurrentIndex(PanelTypeIndex(code));
  }
  brightnessLabel_->setEnabled(Brightness->Edit->isEnabled());
  masterLabel_->setEnabled(MasterPanelCheck->isEnabled());
  MaskLevelsCheck->setEnabled(MasterPanelCheck->isEnabled());
  maskLabel_->setEnabled(MaskLevelsCheck->isEnabled());
  SalvoOverrideCheck->setEnabled(MasterPanelCheck->isEnabled() && MasterPanelCheck->isChecked());
  salvoLabel_->setEnabled(SalvoOverrideCheck->isEnabled());
}

// Another type forgets the panel's keypads: the new type must be applied
// before it gets keypads of its own.
void TPanelForm::PickType(int index) {
  if (index < 0 || !Resource()) return;
  const int code = PanelTypeList[static_cast<size_t>(index)].code;
  if (code == FormPanelType) return;  // the type in force again
  FormDestKeypad = FormSourceKeypad = -1;
  TypeChanged = true;  // before the step: the keypads given up stay so when the form takes up the write
  TCommonInterface& ci = Interface();
  TLibString name(FitName(StoredName, 8));
  TPanelRecord stored = StoredPanelRecord;
  stored.name = name;
  RunStep(ci, "Change Panel Type", [&] { return ci.SetPanelRecord(DeviceNumber(), stored, ci.FileHandle); });
  ApplyTypeRules(code);
  MarkChanged();
}

void TPanelForm::RefreshKeypadGroups() {
  const auto refresh = [](TRadioGroup* group, bool choice, int keypad, int& entry) {
    group->setEnabled(choice);
    int index = choice ? 1 : -1;
    if (IsDialUpKeypad(keypad)) {
      index = 1;
    } else if (keypad != -1) {
      index = 0;
    }
    group->SetItemIndex(index);
    if (group->Holds(QApplication::focusWidget())) entry = index;
  };
  refresh(SrcKeypadTypeRadioGroup, HasSourceKeypadChoice(FormPanelType), FormSourceKeypad, srcEntry_);
  refresh(DestKeypadTypeRadioGroup, HasDestKeypadChoice(FormPanelType), FormDestKeypad, destEntry_);
}

// Leaving a keypad kind group with another kind chosen than on coming in
// gives the panel's keypad up at once; passing through it changes nothing.
// Going to another window is not leaving, and coming back is no entry: the
// focus goes on from where it was in the form.
void TPanelForm::FocusMoved(QWidget* from, QWidget* to) {
  if (!to || to->window() != this) return;
  if (!from || from->window() != this) from = lastFocus_;
  lastFocus_ = to;
  for (TRadioGroup* group : {SrcKeypadTypeRadioGroup, DestKeypadTypeRadioGroup}) {
    int& entry = group == SrcKeypadTypeRadioGroup ? srcEntry_ : destEntry_;
    const bool wasIn = group->Holds(from), isIn = group->Holds(to);
    if (!wasIn && isIn) entry = group->ItemIndex();
    if (wasIn && !isIn && group->ItemIndex() != entry) {
      entry = group->ItemIndex();
      KeypadGroupLeft(group == SrcKeypadTypeRadioGroup);
    }
  }
}

void TPanelForm::KeypadGroupLeft(bool source) {
  if (!Resource()) return;
  TCommonInterface& ci = Interface();
  FormSourceKeypad = -1;
  if (!source) FormDestKeypad = -1;
  RunStep(ci, source ? "Clear Source Keypad" : "Clear Keypads", [&] {
    return ci.SetPanelKeypad(DeviceNumber(), source ? 1 : 0, static_cast<uint16_t>(kNoKeypad), ci.FileHandle);
  });
  ReadStored();
}

bool TPanelForm::EnsurePanelKeypads() {
  if (!Resource()) return false;
  if (TypeChanged) {
    ResolvePending();
    if (TypeChanged || !Resource()) return false;
  }
  TKeypadResource keypads(Resource()->Manager, Resource()->Number, FormPanelType);
  // Keypads the panel is given are written at once: a step of their own.
  const bool both = RunStep(Interface(), "Give Panel Keypads", [&] {
    return keypads.EnsurePanelKeypads(FormSourceKeypad, SrcKeypadTypeRadioGroup->ItemIndex() == 1, FormDestKeypad,
                                      DestKeypadTypeRadioGroup->ItemIndex() == 1);
  });
  ReadStored();
  EditKeypadButton->setEnabled(both);
  return both;
}

void TPanelForm::EditKeypad() {
  if (EnsurePanelKeypads() && Resource()) {
    if (!keypads_) keypads_ = std::make_unique<TKeypadResource>(Resource()->Manager, Resource()->Number, FormPanelType);
    keypads_->PanelType = FormPanelType;
    if (keypads_->LoadSourceKeypad(FormSourceKeypad) && keypads_->LoadDestKeypad(FormDestKeypad)) {
      keypads_->FunctionMenu = KeyFunctionMenu(FormPanelType);
      if (keypads_->FunctionMenu.empty()) {
        Ui().Warning("The Panel type is not recognised");
        keypads_.reset();
      } else {
        keypads_->PanelName = StoredName;
        keypads_->Edit(Interface());
      }
    }
  }
  RefreshKeypadGroups();
}

void TPanelForm::Configure() {
  keypads_.reset();
  if (EnsurePanelKeypads()) {
    TKeypadAssignmentForm dialog(Interface(), this);
    dialog.Setup(TKeypadAssignmentForm::Mode::Panel, DeviceNumber());
    Ui().RunModal(dialog);
    if (!Resource()) return;
    FormDestKeypad = FormKeypad(dialog.ChosenDestKeypad());
    FormSourceKeypad = FormKeypad(dialog.ChosenSourceKeypad());
    ReadStored();
  }
  RefreshKeypadGroups();
}

void TPanelForm::DestChecksChanged() {
  RefreshAllDestsCaption();
  MarkChanged();
}

void TPanelForm::RefreshAllDestsCaption() {
  int checked = 0;
  for (int i = 0; i < DestControlledChecks->count(); ++i) checked += DestControlledChecks->item(i)->checkState() == Qt::Checked;
  if (DestControlledChecks->count() > 0 && checked == DestControlledChecks->count()) {
    AllDestsButton->setText(kNoDests);
  } else if (checked == 0) {
    AllDestsButton->setText(kAllDests);
  }
}

bool TPanelForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) RefreshAllDestsCaption();
  return TResourceForm::event(event);
}

// The stored record again, whoever wrote it: a type picked next writes back
// the record as it is now. A panel dragged to another port or to the
// storeroom shows where it is now, and Apply leaves it there; a name given
// in the tree shows unless the user has typed another.
void TPanelForm::ResourceChanged() {
  const TPanelRecord before = StoredPanelRecord;
  const QString nameBefore = StoredName;
  if (!ReadStored()) return;
  const TPanelRecord& now = StoredPanelRecord;
  TakeUpStored(now.port != before.port || now.address != before.address, Signed16(now.address), nameBefore);
  TakeUpSets();
  // Keypads given or taken in the assignment window of another panel; a
  // type picked and not applied yet gives them up on Apply.
  if (!TypeChanged) TakeUpKeypads();
}

void TPanelForm::TakeUpKeypads() {
  FormSourceKeypad = FormKeypad(StoredPanelRecord.sourceKeypad);
  FormDestKeypad = FormKeypad(StoredPanelRecord.destKeypad);
  RefreshKeypadGroups();
}

TPanelRecord TPanelForm::BuildRecord() const {
  const TPanelRecord& stored = StoredPanelRecord;
  auto* panel = static_cast<TPanelResource*>(Resource());
  TPanelRecord r = stored;
  r.panel = DeviceNumber();
  r.port = static_cast<uint16_t>(panel->PortNumber);  // where the panel is now
  r.address = static_cast<uint16_t>(Address->Value());
  // A field shut off by the type may still hold what was typed before: only
  // a brightness the panel can have is stored (the tree puts any other right
  // when it is built).
  r.brightness = static_cast<uint8_t>(Brightness->Holds(1, 8) ? *Brightness->Number() : stored.brightness);
  r.panelType = TypeCombo->currentIndex() >= 0 ? static_cast<uint16_t>(TypeCombo->currentData().toUInt()) : stored.panelType;
  const int buttons = NoLevelButtonsComboBox->currentIndex();
  r.mode = !NoLevelButtonsComboBox->isEnabled() ? 0 : buttons >= 0 ? static_cast<uint8_t>(buttons) : stored.mode;
  r.flags = (SwapModeCheck->isChecked() ? kFlagSwapMode : 0) | (MasterPanelCheck->isChecked() ? kFlagMasterPanel : 0) |
            (KeySwitchCheckBox->isChecked() ? kFlagKeySwitch : 0) | (MaskLevelsCheck->isChecked() ? kFlagMaskLevels : 0) |
            (SalvoOverrideCheck->isChecked() ? kFlagSalvoOverride : 0);
  std::fill(std::begin(r.levels), std::end(r.levels), 0);
  for (int i = 0; i < LevelsControlledCheck->count(); ++i) {
    if (LevelsControlledCheck->item(i)->checkState() == Qt::Checked) r.levels[0] |= static_cast<uint16_t>(1u << i);
  }
  r.destKeypad = static_cast<uint16_t>(FormDestKeypad);
  r.sourceKeypad = static_cast<uint16_t>(FormSourceKeypad);
  r.name = nullptr;
  return r;
}

bool TPanelForm::Store() {
  auto* panel = dynamic_cast<TPanelResource*>(Resource());
  if (!panel) return false;
  if (!FieldsAcceptable()) return false;  // a field the user cannot leave as it is cannot be stored either

  TCommonInterface& ci = Interface();
  TPanelRecord r = BuildRecord();
  TLibString name(FitName(NameEdit->text(), 8));
  r.name = name;
  const int oldAddress = Signed16(StoredPanelRecord.address);
  if (!ci.SetPanelRecord(DeviceNumber(), r, ci.FileHandle)) return false;
  panel->Image = PanelImage(r.panelType);
  if (panel->TreeNode && panel->Image >= 0) panel->TreeNode->setIcon(0, ResourceImage(panel->Image));
  panel->SetName(FitName(NameEdit->text(), 8));
  panel->Record = r;
  panel->Record.name = nullptr;
  panel->DropAddress = Signed16(r.address);
  TypeChanged = false;
  ReadStored();
  // The keypad kinds show the keypads the panel has now (none after another
  // type, or one the library did not give it), and the brightness what the
  // panel keeps, as when the form opens.
  TakeUpKeypads();
  ShowStoredBrightness();
  setWindowTitle(panel->GetName());
  if (oldAddress != panel->DropAddress) panel->Manager->SortTree();
  // The record is stored; sets that could not all be written keep the
  // changes pending, so that Apply may write them again.
  return StoreSets(r);
}

// The override sources, and the controlled destinations of the types that
// have them. Every one is written however many fail (on-line, a refused
// live update leaves the others still to be sent); the first failure is
// told, the rest are not.
bool TPanelForm::StoreSets(const TPanelRecord& record) {
  TCommonInterface& ci = Interface();
  const bool showErrors = ci.ShowErrors;
  bool all = true;
  const auto written = [&](bool ok) {
    if (!ok) all = ci.ShowErrors = false;
    return ok;
  };
  const int level = OverrideSourceLevelComboBox->currentIndex() - 1;
  for (size_t i = 0; i < 16; ++i) {
    TOverrideRecord o{0, static_cast<int16_t>(level), -1};
    const int position = OverrideCombos[i]->currentIndex();
    if (position > 0) o.source = static_cast<int16_t>(position - 1);
    if (keepOverride_[i]) o = storedOverrides_[i];
    written(ci.SetOverrideSource(DeviceNumber(), static_cast<uint16_t>(i), o, ci.FileHandle));
  }
  // What the file keeps (an override without a level is kept as none).
  for (uint16_t i = 0; i < 16; ++i) {
    if (!ci.GetOverrideSource(DeviceNumber(), i, storedOverrides_[i], ci.FileHandle)) break;
  }
  if (HasControlledDests(record.panelType)) {
    TXYRecord xy{};
    xy.destCount = static_cast<uint16_t>(destAssocCount_);
    std::copy(storedDestMap_.begin(), storedDestMap_.end(), std::begin(xy.destMap));
    for (int i = 0; i < DestControlledChecks->count(); ++i) {
      QListWidgetItem* item = DestControlledChecks->item(i);
      const int d = item->data(Qt::UserRole).toInt();
      const auto bit = static_cast<uint8_t>(1 << (d % 8));
      if (item->checkState() == Qt::Checked) {
        xy.destMap[d / 8] |= bit;
      } else {
        xy.destMap[d / 8] &= static_cast<uint8_t>(~bit);
      }
    }
    if (written(ci.SetXY_ControlledDests(DeviceNumber(), 0, xy, ci.FileHandle))) {
      storedDestMap_.assign(std::begin(xy.destMap), std::end(xy.destMap));
    }
  }
  ci.ShowErrors = showErrors;
  if (all) NoteShownOverrides();
  return all;
}
