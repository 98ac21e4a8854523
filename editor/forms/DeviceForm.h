// What the panel and UMD editors share: the name, drop address and
// brightness of a device on a multi-drop port, how they are checked before
// they are stored, and an address typed but not stored given back when the
// form closes.
#pragma once

#include <memory>

#include "forms/ResourceForm.h"

class QFormLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class TAddressField;
class TMultiDropResource;
class TNumberField;

class TDeviceForm : public TResourceForm {
  Q_OBJECT

 public:
  TDeviceForm(TMultiDropResource& device, const QString& caption);
  ~TDeviceForm() override;

  QLineEdit* NameEdit = nullptr;
  QString StoredName;  // the device's name as the file holds it
  std::unique_ptr<TAddressField> Address;
  std::unique_ptr<TNumberField> Brightness;

 protected:
  // A titled group of rows on `column`.
  static QFormLayout* AddGroup(QWidget* page, QVBoxLayout* column, const QString& title);
  void AddNameRow(QFormLayout* form);
  // `outOfRangeIsUnused`: the arrows read an address outside 1-16 as "Unused".
  void AddAddressRow(QFormLayout* form, const QString& arrowsName, bool outOfRangeIsUnused);
  // Leaving the field (while it is enabled) takes `lowest`-8; the arrows 1-8.
  QLabel* AddBrightnessRow(QFormLayout* form, int lowest);
  // Whether the address and the brightness can be stored; if not, the field
  // gets the focus (and the message, when the focus was in it already).
  bool FieldsAcceptable();
  // The address the file holds for the device, given back to it on closing.
  void KeepStoredAddress(int address);
  uint16_t DeviceNumber() const;
  // Once the stored record has been read again (StoredName is the name read
  // now, `nameBefore` the one read before): an address changed outside the
  // form (`moved`) is shown, as is a name changed outside it while the name
  // field still holds the name stored before.
  void TakeUpStored(bool moved, int address, const QString& nameBefore);
  void Closing() override;

 private:
  int lowestBrightness_ = 1;
  int storedAddress_ = -1;
};
