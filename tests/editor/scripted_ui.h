// The editor's UI service in tests: records every message, answers
// questions, file dialogs and modal dialogs from queues, never blocks.
#pragma once

#include <QDialog>
#include <QQueue>
#include <QStringList>
#include <functional>

#include "UiService.h"

class TScriptedUi : public TUiService {
 public:
  TScriptedUi() { SetUi(this); }
  ~TScriptedUi() override { SetUi(nullptr); }

  QStringList Messages;       // every message box's text, in order
  QStringList Kinds;          // "warning", "information", "question", "warning-yes-no" ... per message
  QStringList Details;        // the detail under each message ("" for none)
  QQueue<bool> Answers;       // for boxes that ask: true Yes/OK, false No/Cancel; No when empty
  QQueue<QString> FileNames;  // for the file dialogs; cancel when empty
  // For modal dialogs: each drives the dialog it is given and answers its
  // result; a dialog with nothing queued is cancelled.
  QQueue<std::function<int(QDialog&)>> Dialogs;
  QStringList Notices;
  // Per message, the button Enter presses ("Yes", "No", "OK", "Cancel", or a
  // choice's text; "" for none).
  QStringList Defaults;
  // Per message, its buttons' texts when they are its own (a choice), else "".
  QStringList Buttons;
  // For choices: the index of the button to press; the escape button when
  // empty.
  QQueue<int> Choices;

  QMessageBox::StandardButton Message(Kind kind, const QString& text, QMessageBox::StandardButtons buttons,
                                      const QString& detail, QMessageBox::StandardButton defaultButton) override {
    Messages << text;
    Details << detail;
    Buttons << QString();
    const QMessageBox::StandardButton enter =
        defaultButton != QMessageBox::NoButton && (buttons & defaultButton) ? defaultButton
        : buttons & QMessageBox::Yes                                     ? QMessageBox::Yes
        : buttons & QMessageBox::Ok                                      ? QMessageBox::Ok
                                                                         : QMessageBox::NoButton;
    Defaults << (enter == QMessageBox::Yes      ? "Yes"
                 : enter == QMessageBox::No     ? "No"
                 : enter == QMessageBox::Ok     ? "OK"
                 : enter == QMessageBox::Cancel ? "Cancel"
                                                : "");
    const bool asks = buttons != QMessageBox::Ok && buttons != QMessageBox::NoButton;
    QString name = kind == Kind::Warning ? "warning" : kind == Kind::Question ? "question" : "information";
    if (asks) {
      if (kind == Kind::Warning && (buttons & QMessageBox::Yes) && (buttons & QMessageBox::No)) name = "warning-yes-no";
      if (kind == Kind::Warning && (buttons & QMessageBox::Yes) && (buttons & QMessageBox::Cancel)) name = "warning-yes-cancel";
      if (kind == Kind::Warning && (buttons & QMessageBox::Ok) && (buttons & QMessageBox::Cancel)) name = "warning-ok-cancel";
    }
    Kinds << name;
    if (!asks) return QMessageBox::Ok;
    const bool yes = Answers.isEmpty() ? false : Answers.dequeue();
    if (yes) return buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok;
    return buttons & QMessageBox::No ? QMessageBox::No : QMessageBox::Cancel;
  }
  int Choose(Kind, const QString& text, const QString& detail, const QStringList& buttons, int defaultButton,
             int escapeButton) override {
    Messages << text;
    Details << detail;
    Kinds << "choice";
    Buttons << buttons.join('|');
    Defaults << buttons.value(defaultButton);
    return Choices.isEmpty() ? escapeButton : Choices.dequeue();
  }
  QString OpenFileName(const QString&, const QString&) override {
    return FileNames.isEmpty() ? QString() : FileNames.dequeue();
  }
  QString SaveFileName(const QString&, const QString&, bool) override {
    return FileNames.isEmpty() ? QString() : FileNames.dequeue();
  }
  int RunModal(QDialog& dialog) override {
    if (Dialogs.isEmpty()) return QDialog::Rejected;
    return Dialogs.dequeue()(dialog);
  }
  void ShowNotice(const QStringList& lines) override { Notices << lines.join('\n'); }
  void CloseNotice() override { Notices << "closed"; }
};
