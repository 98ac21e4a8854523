// TUMDResourceForm: the editor of one under-monitor display — its name,
// address, display type, brightness, audio-parameter display, and the
// destinations whose names its one or two lines follow. Stored on Apply.
#pragma once

#include <memory>

#include "forms/DeviceForm.h"
#include "zephra/zephra.h"

class QComboBox;
class QGroupBox;
class TUMDResource;

class TUMDResourceForm : public TDeviceForm {
  Q_OBJECT

 public:
  explicit TUMDResourceForm(TUMDResource& umd);
  ~TUMDResourceForm() override;

  // Fills the form from the database; false when the UMD cannot be read.
  bool Load();
  void ResourceChanged() override;

  QComboBox* TypeCombo;
  QComboBox* AudioParametersCombo;
  QGroupBox* Display2;
  QComboBox* FollowDestination1;
  QComboBox* FollowDestination2;

 protected:
  bool Store() override;

 private:
  // The UMD's record and name as stored; false when they cannot be read.
  bool ReadStored();
  // The destination associations' names, as the two lines offer them.
  QStringList DestinationNames();
  QWidget* BuildDataPage();
  QWidget* BuildDestinationsPage();
  void ShowType(int index);

  TUMDRecord stored_{};  // as read at opening or last stored, its name apart
};
