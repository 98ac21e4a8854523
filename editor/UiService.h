// Every message box, file dialog, modal dialog and modeless notice of the
// editor goes through one replaceable service: the program uses Qt's dialogs,
// tests a scripted double that records what would be shown and answers from
// a queue.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

class TUiService {
 public:
  enum class Kind { Information, Warning, Question };

  virtual ~TUiService() = default;

  // A message box of `kind` with `buttons`; answers the button pressed.
  // `detail`, when given, is shown under the message (what was found, where).
  // `defaultButton` is the one Enter presses; without it, Yes or OK.
  virtual QMessageBox::StandardButton Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                              const QString& detail = {},
                                              QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
  // A question answered by buttons of its own texts ("Save into Studio.ZP3",
  // "Compare..."), left to right; answers the index of the one pressed, and
  // `escapeButton` when the box is closed.
  virtual int Choose(Kind kind, const QString& text, const QString& detail, const QStringList& buttons,
                     int defaultButton, int escapeButton) = 0;
  // A file to open or to save to; empty when the user cancels. `filter` is in
  // Qt's form ("Zephra Files (*.ZP3)").
  virtual QString OpenFileName(const QString& filter, const QString& defaultSuffix) = 0;
  virtual QString SaveFileName(const QString& filter, const QString& defaultSuffix, bool askBeforeOverwrite) = 0;
  // Runs a modal dialog; answers its result (QDialog::Accepted or Rejected).
  virtual int RunModal(QDialog& dialog) = 0;
  // The modeless notice shown while the controller is still busy.
  virtual void ShowNotice(const QStringList& lines) = 0;
  virtual void CloseNotice() = 0;

  // The boxes the editor uses.
  void Warning(const QString& text, const QString& detail = {}) {
    Message(Kind::Warning, text, QMessageBox::Ok, detail);
  }
  void Information(const QString& text) { Message(Kind::Information, text, QMessageBox::Ok); }
  // A question with Yes and No; true for Yes.
  bool Confirm(const QString& text) {
    return Message(Kind::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  }
  // Warnings that ask; true for Yes (or OK).
  bool WarningYesNo(const QString& text) {
    return Message(Kind::Warning, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  }
  bool WarningYesCancel(const QString& text) {
    return Message(Kind::Warning, text, QMessageBox::Yes | QMessageBox::Cancel) == QMessageBox::Yes;
  }
  bool WarningOkCancel(const QString& text) {
    return Message(Kind::Warning, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
  }
  // A question whose default (what Enter presses) is the answer that changes
  // nothing: No or Cancel. True for Yes (or OK).
  bool ConfirmSafely(Kind kind, const QString& text, QMessageBox::StandardButtons buttons, const QString& detail = {}) {
    const QMessageBox::StandardButton safe = buttons & QMessageBox::No ? QMessageBox::No : QMessageBox::Cancel;
    const QMessageBox::StandardButton answer = Message(kind, text, buttons, detail, safe);
    return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
  }
};

// The message box the program shows (and the pictures take).
QMessageBox* MakeMessageBox(TUiService::Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                            const QString& detail, QWidget* parent,
                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
// The same with buttons of their own texts; each button's index is its
// property "choice".
QMessageBox* MakeChoiceBox(TUiService::Kind kind, const QString& text, const QString& detail,
                           const QStringList& buttons, int defaultButton, int escapeButton, QWidget* parent);

// The service of the running program: Qt's own dialogs over `parent`.
class TQtUiService : public TUiService {
 public:
  explicit TQtUiService(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  QMessageBox::StandardButton Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                      const QString& detail = {},
                                      QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) override;
  int Choose(Kind kind, const QString& text, const QString& detail, const QStringList& buttons, int defaultButton,
             int escapeButton) override;
  QString OpenFileName(const QString& filter, const QString& defaultSuffix) override;
  QString SaveFileName(const QString& filter, const QString& defaultSuffix, bool askBeforeOverwrite) override;
  int RunModal(QDialog& dialog) override;
  void ShowNotice(const QStringList& lines) override;
  void CloseNotice() override;

 private:
  // A box goes over the modal window of the moment (a transfer's progress,
  // say), else over the main window.
  QWidget* Owner() const;
  QWidget* parent_;
  QWidget* notice_ = nullptr;
};

// The service every part of the editor uses; the program installs Qt's, tests
// their own.
TUiService& Ui();
void SetUi(TUiService* service);
