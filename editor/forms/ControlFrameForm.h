// The control frame's summary: the configuration's name and each level's
// name and size, read only.
#pragma once

#include "forms/ResourceForm.h"

class QLabel;
class TKorvellControlFrameResource;

class TKorvellControlFrameForm : public TResourceForm {
  Q_OBJECT

 public:
  explicit TKorvellControlFrameForm(TKorvellControlFrameResource& frame);
  // False when the configuration could not be read: the form is not shown.
  bool Filled() const { return filled_; }

  QLabel* TitlePanel;
  QLabel* pnNumberOfLevelsEdit;
  QLabel* pnEditLevel[8];
  QLabel* pnLevelSource[8];
  QLabel* pnLevelDest[8];

 protected:
  bool Store() override { return true; }

 private:
  bool filled_ = false;
};
