// The editor's UI service in tests: records every message, answers
// questions and file dialogs from queues, never opens a window.
#pragma once

#include <QQueue>
#include <QStringList>

#include "UiService.h"

class TScriptedUi : public TUiService {
 public:
  TScriptedUi() { SetUi(this); }
  ~TScriptedUi() override { SetUi(nullptr); }

  QStringList Messages;      // warnings, information and questions, in order
  QStringList Kinds;         // what kind of box each message came in
  QQueue<bool> Answers;      // for Confirm; No when empty
  QQueue<QString> FileNames; // for the file dialogs; cancel when empty
  QStringList Notices;

  void Warning(const QString& text) override {
    Messages << text;
    Kinds << "warning";
  }
  void Information(const QString& text) override {
    Messages << text;
    Kinds << "information";
  }
  bool Confirm(const QString& text) override {
    Messages << text;
    Kinds << "question";
    return Answers.isEmpty() ? false : Answers.dequeue();
  }
  bool WarningYesNo(const QString& text) override {
    Messages << text;
    Kinds << "warning-yes-no";
    return Answers.isEmpty() ? false : Answers.dequeue();
  }
  QString OpenFileName(const QString&, const QString&) override {
    return FileNames.isEmpty() ? QString() : FileNames.dequeue();
  }
  QString SaveFileName(const QString&, const QString&, bool) override {
    return FileNames.isEmpty() ? QString() : FileNames.dequeue();
  }
  void ShowNotice(const QStringList& lines) override { Notices << lines.join('\n'); }
  void CloseNotice() override { Notices << "closed"; }
};
