#include "forms/UMDForm.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "DatabaseManager.h"
#include "UiService.h"
#include "forms/FormFields.h"
#include "model/PanelTypes.h"

using zephra::editor::kUMDDual;
using zephra::editor::kUMDSingle;

namespace {

enum TypeEntry { kDualEntry, kSingleEntry };

int Signed(uint16_t v) { return static_cast<int16_t>(v); }

}  // namespace

bool TUMDResource::Edit(TCommonInterface&) {
  return ShowForm([this]() -> TResourceForm* {
    auto* form = new TUMDResourceForm(*this);
    if (form->Load()) return form;
    delete form;
    return nullptr;
  });
}

TUMDResourceForm::TUMDResourceForm(TUMDResource& umd) : TResourceForm(umd, "UMD Configuration") {
  setObjectName("UMDForm");
  Pages()->addTab(BuildDataPage(), "UMD Data");
  Pages()->addTab(BuildDestinationsPage(), "Destinations");
  FixSize();
}

TUMDResourceForm::~TUMDResourceForm() = default;

uint16_t TUMDResourceForm::UMDNumber() const { return static_cast<uint16_t>(Resource() ? Resource()->Number : 0); }

QWidget* TUMDResourceForm::BuildDataPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  auto* general = new QGroupBox("General", page);
  auto* form = new QFormLayout(general);
  NameEdit = new QLineEdit(general);
  NameEdit->setObjectName("NameEdit");
  NameEdit->setMaxLength(8);
  NameEdit->setMaximumWidth(120);
  form->addRow("Name :", NameEdit);
  Address = std::make_unique<TAddressField>(*this, general, "UMDAddressSpin", true);
  form->addRow(Address->Label, Address->Widget);
  column->addWidget(general);

  auto* display = new QGroupBox("Display", page);
  auto* displayForm = new QFormLayout(display);
  TypeCombo = new QComboBox(display);
  TypeCombo->setObjectName("TypeCombo");
  TypeCombo->addItem("Dual 8 Character", kUMDDual);
  TypeCombo->addItem("8 Character", kUMDSingle);
  displayForm->addRow("Type :", TypeCombo);
  Brightness = std::make_unique<TNumberField>(display, "BrightnessEdit", "BrightnessUpDown", 1, 8);
  displayForm->addRow("Brightness :", Brightness->Widget);
  column->addWidget(display);

  auto* audioForm = new QFormLayout;
  AudioParametersCombo = new QComboBox(page);
  AudioParametersCombo->setObjectName("AudioParametersCombo");
  AudioParametersCombo->addItems({"Disabled", "Enabled"});
  audioForm->addRow("Audio Parameters", AudioParametersCombo);
  column->addLayout(audioForm);
  column->addStretch(1);
  for (QFormLayout* f : {form, displayForm, audioForm}) f->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  AlignLabels({form, displayForm, audioForm});

  connect(NameEdit, &QLineEdit::textEdited, this, [this] { MarkChanged(); });
  Address->OnUserChange = [this] { MarkChanged(); };
  Brightness->OnUserChange = [this] { MarkChanged(); };
  CheckOnLeave(Brightness->Edit, [this] {
    if (Brightness->Holds(0, 8)) return true;  // 0 may be typed, the arrows stop at 1
    Ui().Warning(kInvalidValue);
    return false;
  });
  connect(TypeCombo, &QComboBox::activated, this, [this](int index) {
    ShowType(index);
    MarkChanged();
  });
  connect(AudioParametersCombo, &QComboBox::activated, this, [this] { MarkChanged(); });
  return page;
}

QWidget* TUMDResourceForm::BuildDestinationsPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  const auto line = [&](const QString& title, const QString& label, const QString& name) {
    auto* group = new QGroupBox(title, page);
    auto* form = new QFormLayout(group);
    auto* combo = new QComboBox(group);
    combo->setObjectName(name);
    combo->setMinimumContentsLength(10);
    form->addRow(label, combo);
    column->addWidget(group);
    connect(combo, &QComboBox::activated, this, [this] { MarkChanged(); });
    return std::pair{group, combo};
  };
  FollowDestination1 = line("Display 1", "Follow Destination ", "FollowDestination1").second;
  std::tie(Display2, FollowDestination2) = line("Display 2", "Follow Destination", "FollowDestination2");
  column->addStretch(1);
  return page;
}

void TUMDResourceForm::ShowType(int index) { Display2->setVisible(index == kDualEntry); }

bool TUMDResourceForm::Load() {
  auto* umd = static_cast<TUMDResource*>(Resource());
  TCommonInterface& ci = Interface();
  TLibString name(QString(8, ' '));
  TUMDRecord r{};
  r.name = name;
  if (!ci.GetUMDRecord(UMDNumber(), r, ci.FileHandle)) return false;
  r.name = nullptr;
  stored_ = r;
  umd->Record = r;
  umd->SetName(FitName(name.Text(), 8));
  umd->DropAddress = Signed(r.address);
  NameEdit->setText(umd->GetName());
  setWindowTitle(umd->GetName());
  Address->Show(Signed(r.address));
  TypeCombo->setCurrentIndex(r.umdType == kUMDDual ? kDualEntry : kSingleEntry);
  ShowType(TypeCombo->currentIndex());
  Brightness->Show(r.brightness);
  AudioParametersCombo->setCurrentIndex(r.umdFlags < 2 ? r.umdFlags : -1);

  TLibString configName(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = configName;
  QStringList names;
  if (ci.GetConfig(config, ci.FileHandle)) {
    for (int i = 0; i < config.destAssocCount[0]; ++i) {
      TLibString dest(QString(8, ' '));
      names << (ci.GetDestName(0, static_cast<uint16_t>(i), dest, ci.FileHandle) ? dest.Text() : QString());
    }
  }
  for (auto [combo, line] : {std::pair{FollowDestination1, 0}, std::pair{FollowDestination2, 1}}) {
    combo->addItems(names);
    const int d = r.dests[line].number;
    combo->setCurrentIndex(d >= 0 && d < combo->count() ? d : -1);
  }
  MarkChanged(false);
  return true;
}

// Dragged to another port or to the storeroom meanwhile: Apply keeps it
// where it went.
void TUMDResourceForm::ResourceChanged() {
  auto* umd = dynamic_cast<TUMDResource*>(Resource());
  if (!umd) return;
  stored_.port = static_cast<uint16_t>(umd->PortNumber);
  stored_.address = static_cast<uint16_t>(umd->DropAddress);
  Address->Show(umd->DropAddress);
}

// An address typed and not stored does not stay with the UMD.
void TUMDResourceForm::Closing() {
  if (auto* umd = dynamic_cast<TUMDResource*>(Resource())) umd->DropAddress = Signed(stored_.address);
}

bool TUMDResourceForm::Store() {
  auto* umd = dynamic_cast<TUMDResource*>(Resource());
  if (!umd) return false;
  const auto refuse = [this](QLineEdit* field) {
    if (field->hasFocus()) Ui().Warning(kInvalidValue);
    Pages()->setCurrentIndex(0);
    field->setFocus();
    return false;
  };
  if (Address->Edit->isEnabled() && !Address->Acceptable()) return refuse(Address->Edit);
  if (!Brightness->Holds(0, 8)) return refuse(Brightness->Edit);

  TUMDRecord r{};
  r.umd = UMDNumber();
  r.port = static_cast<uint16_t>(umd->PortNumber);  // where the UMD is now
  r.address = static_cast<uint16_t>(Address->Value());
  const int audio = AudioParametersCombo->currentIndex();
  r.umdFlags = audio >= 0 ? static_cast<uint16_t>(audio) : stored_.umdFlags;
  r.brightness = static_cast<uint16_t>(*Brightness->Number());
  r.umdType = TypeCombo->currentIndex() >= 0 ? static_cast<uint8_t>(TypeCombo->currentData().toUInt()) : stored_.umdType;
  r.display = 0;
  r.fixedMessage = 0xFFFF;
  for (TAssociationMember& m : r.dests) m = {0, 0, -1};
  r.dests[0].number = static_cast<int16_t>(FollowDestination1->currentIndex());
  r.dests[1].number = static_cast<int16_t>(FollowDestination2->currentIndex());
  const QString fitted = FitName(NameEdit->text(), 8);
  TLibString name(fitted);
  r.name = name;
  umd->SetName(fitted);
  TCommonInterface& ci = Interface();
  if (!ci.SetUMDRecord(UMDNumber(), r, ci.FileHandle)) return false;
  const int oldAddress = Signed(stored_.address);
  r.name = nullptr;
  stored_ = r;
  umd->Record = r;
  umd->DropAddress = Signed(r.address);
  setWindowTitle(umd->GetName());
  if (oldAddress != umd->DropAddress) umd->Manager->SortTree();
  return true;
}
