// Every message box, file dialog and modeless notice of the editor goes
// through one replaceable service: the program uses Qt's dialogs, tests a
// scripted double that records what would be shown and answers from a queue.
#pragma once

#include <QString>

class QWidget;

class TUiService {
 public:
  virtual ~TUiService() = default;
  virtual void Warning(const QString& text) = 0;
  virtual void Information(const QString& text) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(const QString& text) = 0;
  // A warning that asks Yes or No; true for Yes.
  virtual bool WarningYesNo(const QString& text) = 0;
  // A file to open or to save to; empty when the user cancels. `filter` is in
  // Qt's form ("Zephra Files (*.ZP3)").
  virtual QString OpenFileName(const QString& filter, const QString& defaultSuffix) = 0;
  virtual QString SaveFileName(const QString& filter, const QString& defaultSuffix, bool askBeforeOverwrite) = 0;
  // The modeless notice shown while the controller is still busy.
  virtual void ShowNotice(const QStringList& lines) = 0;
  virtual void CloseNotice() = 0;
};

// The service of the running program: Qt's own dialogs over `parent`.
class TQtUiService : public TUiService {
 public:
  explicit TQtUiService(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Warning(const QString& text) override;
  void Information(const QString& text) override;
  bool Confirm(const QString& text) override;
  bool WarningYesNo(const QString& text) override;
  QString OpenFileName(const QString& filter, const QString& defaultSuffix) override;
  QString SaveFileName(const QString& filter, const QString& defaultSuffix, bool askBeforeOverwrite) override;
  void ShowNotice(const QStringList& lines) override;
  void CloseNotice() override;

 private:
  QWidget* parent_;
  QWidget* notice_ = nullptr;
};

// The service every part of the editor uses; the program installs Qt's, tests
// their own.
TUiService& Ui();
void SetUi(TUiService* service);
