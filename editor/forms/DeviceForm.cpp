#include "forms/DeviceForm.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Resource.h"
#include "UiService.h"
#include "forms/FormFields.h"

TDeviceForm::TDeviceForm(TMultiDropResource& device, const QString& caption) : TResourceForm(device, caption) {}

TDeviceForm::~TDeviceForm() = default;

uint16_t TDeviceForm::DeviceNumber() const { return static_cast<uint16_t>(Resource() ? Resource()->Number : 0); }

QFormLayout* TDeviceForm::AddGroup(QWidget* page, QVBoxLayout* column, const QString& title) {
  auto* group = new QGroupBox(title, page);
  auto* form = new QFormLayout(group);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  column->addWidget(group);
  return form;
}

void TDeviceForm::AddNameRow(QFormLayout* form) {
  NameEdit = new QLineEdit(form->parentWidget());
  NameEdit->setObjectName("NameEdit");
  NameEdit->setMaxLength(8);
  NameEdit->setMaximumWidth(120);
  form->addRow("Name :", NameEdit);
  connect(NameEdit, &QLineEdit::textEdited, this, [this] { MarkChanged(); });
}

void TDeviceForm::AddAddressRow(QFormLayout* form, const QString& arrowsName, bool outOfRangeIsUnused) {
  Address = std::make_unique<TAddressField>(*this, form->parentWidget(), arrowsName, outOfRangeIsUnused);
  form->addRow(Address->Label, Address->Widget);
  Address->OnUserChange = [this] { MarkChanged(); };
}

QLabel* TDeviceForm::AddBrightnessRow(QFormLayout* form, int lowest) {
  lowestBrightness_ = lowest;
  Brightness = std::make_unique<TNumberField>(form->parentWidget(), "BrightnessEdit", "BrightnessUpDown", 1, 8);
  auto* label = new QLabel("Brightness :");
  label->setBuddy(Brightness->Edit);
  form->addRow(label, Brightness->Widget);
  Brightness->OnUserChange = [this] { MarkChanged(); };
  CheckOnLeave(Brightness->Edit, [this] {
    if (!Brightness->Edit->isEnabled() || Brightness->Holds(lowestBrightness_, 8)) return true;
    Ui().Warning(kInvalidValue);
    return false;
  });
  return label;
}

bool TDeviceForm::FieldsAcceptable() {
  QLineEdit* refused = nullptr;
  if (Address->Edit->isEnabled() && !Address->Acceptable()) {
    refused = Address->Edit;
  } else if (Brightness->Edit->isEnabled() && !Brightness->Holds(lowestBrightness_, 8)) {
    refused = Brightness->Edit;
  }
  if (!refused) return true;
  // Leaving the field has said why already, unless the focus never left it.
  if (refused->hasFocus()) Ui().Warning(kInvalidValue);
  Pages()->setCurrentIndex(0);
  refused->setFocus();
  return false;
}

void TDeviceForm::TakeUpStored(bool moved, int address, const QString& nameBefore) {
  if (moved) Address->Show(address);
  const QString before = ShownName(nameBefore), now = ShownName(StoredName);
  if (before != now && ShownName(FitName(NameEdit->text(), 8)) == before) NameEdit->setText(now);
  setWindowTitle(now);
}

void TDeviceForm::KeepStoredAddress(int address) {
  storedAddress_ = address;
  if (auto* device = dynamic_cast<TMultiDropResource*>(Resource())) device->StoredAddress = address;
}

// An address typed and not stored does not stay with the device.
void TDeviceForm::Closing() {
  if (auto* device = dynamic_cast<TMultiDropResource*>(Resource())) device->DropAddress = storedAddress_;
}
