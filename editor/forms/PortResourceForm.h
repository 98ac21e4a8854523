// The control-port dialog: one general port of the controller (protocol,
// line settings, handshaking, route inhibits, duplex). A port that stops
// being a multi-drop port sends its panels and UMDs to the storeroom.
#pragma once

#include "forms/ResourceForm.h"
#include "zephra/zephra.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class TPortResource;

class TPortForm : public TResourceForm {
  Q_OBJECT

 public:
  explicit TPortForm(TPortResource& port);

  // The record the controls stand for (over the one read at opening).
  TGeneralPortRecord Record() const;
  // Something was written (by the form's own Apply, say): the settings the
  // user has not changed show what the file holds.
  void ResourceChanged() override;

  QComboBox* ProtocolCombo;
  QComboBox* BaudRateCombo;
  QComboBox* DataBitsCombo;
  QComboBox* ParityCombo;
  QComboBox* StopBitsCombo;
  QComboBox* HandshakingCombo;
  QComboBox* DuplexCombo;
  QButtonGroup* InhibitsGroup;  // 0 "Apply", 1 "Ignore"
  QGroupBox* InhibitsBox;
  QGroupBox* MiscellaneousBox;

 protected:
  bool Store() override;

 private:
  // The controls from a record; `read` false: the record could not be read.
  void Fill(const TGeneralPortRecord& record, bool read);
  void ProtocolChosen();

  TGeneralPortRecord read_{};
  TGeneralPortRecord filled_{};  // what the controls stood for when last filled from the file
  QLabel* handshakingLabel_;
  QLabel* duplexLabel_;
};
