// TUMDResourceForm: the editor of one under-monitor display — its name,
// address, display type, brightness, audio-parameter display, and the
// destinations whose names its one or two lines follow. Stored on Apply.
#pragma once

#include <memory>

#include "forms/ResourceForm.h"
#include "zephra/zephra.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class TAddressField;
class TNumberField;
class TUMDResource;

class TUMDResourceForm : public TResourceForm {
  Q_OBJECT

 public:
  explicit TUMDResourceForm(TUMDResource& umd);
  ~TUMDResourceForm() override;

  // Fills the form from the database; false when the UMD cannot be read.
  bool Load();
  void ResourceChanged() override;

  QLineEdit* NameEdit;
  QComboBox* TypeCombo;
  QComboBox* AudioParametersCombo;
  QGroupBox* Display2;
  QComboBox* FollowDestination1;
  QComboBox* FollowDestination2;
  std::unique_ptr<TAddressField> Address;
  std::unique_ptr<TNumberField> Brightness;

 protected:
  bool Store() override;
  void Closing() override;

 private:
  QWidget* BuildDataPage();
  QWidget* BuildDestinationsPage();
  uint16_t UMDNumber() const;
  void ShowType(int index);

  TUMDRecord stored_{};  // as read at opening or last stored, its name apart
};
