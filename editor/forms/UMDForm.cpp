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

}  // namespace

bool TUMDResource::Edit(TCommonInterface&) { return ShowLoadedForm<TUMDResourceForm>(*this); }

TUMDResourceForm::TUMDResourceForm(TUMDResource& umd) : TDeviceForm(umd, "UMD Configuration") {
  setObjectName("UMDForm");
  Pages()->addTab(BuildDataPage(), "UMD Data");
  Pages()->addTab(BuildDestinationsPage(), "Destinations");
  FixSize();
}

TUMDResourceForm::~TUMDResourceForm() = default;

QWidget* TUMDResourceForm::BuildDataPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  QFormLayout* form = AddGroup(page, column, "General");
  AddNameRow(form);
  AddAddressRow(form, "UMDAddressSpin", true);
  QFormLayout* display = AddGroup(page, column, "Display");
  TypeCombo = new QComboBox(display->parentWidget());
  TypeCombo->setObjectName("TypeCombo");
  TypeCombo->addItem("Dual 8 Character", kUMDDual);
  TypeCombo->addItem("8 Character", kUMDSingle);
  display->addRow("Type :", TypeCombo);
  AddBrightnessRow(display, 0);  // 0 may be typed, the arrows stop at 1

  auto* audioForm = new QFormLayout;
  AudioParametersCombo = new QComboBox(page);
  AudioParametersCombo->setObjectName("AudioParametersCombo");
  AudioParametersCombo->addItems({"Disabled", "Enabled"});
  audioForm->addRow("Audio Parameters", AudioParametersCombo);
  column->addLayout(audioForm);
  column->addStretch(1);
  audioForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  AlignLabels({form, display, audioForm});

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

bool TUMDResourceForm::ReadStored() {
  auto* umd = dynamic_cast<TUMDResource*>(Resource());
  if (!umd) return false;
  TCommonInterface& ci = Interface();
  TLibString name(QString(8, ' '));
  TUMDRecord r{};
  r.name = name;
  if (!ci.GetUMDRecord(DeviceNumber(), r, ci.FileHandle)) return false;
  r.name = nullptr;
  stored_ = r;
  StoredName = FitName(name.Text(), 8);
  KeepStoredAddress(Signed16(r.address));
  umd->Record = r;
  return true;
}

QStringList TUMDResourceForm::DestinationNames() {
  TCommonInterface& ci = Interface();
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
  return names;
}

bool TUMDResourceForm::Load() {
  if (!ReadStored()) return false;
  auto* umd = static_cast<TUMDResource*>(Resource());
  const TUMDRecord& r = stored_;
  umd->SetName(StoredName);
  umd->DropAddress = Signed16(r.address);
  NameEdit->setText(umd->GetName());
  setWindowTitle(umd->GetName());
  Address->Show(Signed16(r.address));
  TypeCombo->setCurrentIndex(r.umdType == kUMDDual ? kDualEntry : kSingleEntry);
  ShowType(TypeCombo->currentIndex());
  Brightness->Show(r.brightness);
  AudioParametersCombo->setCurrentIndex(r.umdFlags < 2 ? r.umdFlags : -1);

  const QStringList names = DestinationNames();
  for (auto [combo, line] : {std::pair{FollowDestination1, 0}, std::pair{FollowDestination2, 1}}) {
    combo->addItems(names);
    const int d = r.dests[line].number;
    combo->setCurrentIndex(d >= 0 && d < combo->count() ? d : -1);
  }
  MarkChanged(false);
  return true;
}

// The stored record again, whoever wrote it. Dragged to another port or to
// the storeroom meanwhile, the UMD shows where it went and Apply keeps it
// there; a name given in the tree shows unless the user has typed another.
void TUMDResourceForm::ResourceChanged() {
  const TUMDRecord before = stored_;
  const QString nameBefore = StoredName;
  if (!ReadStored()) return;
  TakeUpStored(stored_.port != before.port || stored_.address != before.address, Signed16(stored_.address), nameBefore);
  // The destinations' names as stored, each line keeping its choice.
  const QStringList names = DestinationNames();
  for (QComboBox* combo : {FollowDestination1, FollowDestination2}) {
    for (int i = 0; i < names.size() && i < combo->count(); ++i) combo->setItemText(i, names[i]);
  }
}

bool TUMDResourceForm::Store() {
  auto* umd = dynamic_cast<TUMDResource*>(Resource());
  if (!umd) return false;
  if (!FieldsAcceptable()) return false;

  TUMDRecord r{};
  r.umd = DeviceNumber();
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
  if (!ci.SetUMDRecord(DeviceNumber(), r, ci.FileHandle)) return false;
  const int oldAddress = Signed16(stored_.address);
  ReadStored();
  umd->DropAddress = Signed16(stored_.address);
  setWindowTitle(umd->GetName());
  if (oldAddress != umd->DropAddress) umd->Manager->SortTree();
  return true;
}
