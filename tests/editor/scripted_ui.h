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

  QStringList Messages;      // warnings and information, in order
  QQueue<bool> Answers;      // for Confirm; No when empty
  QQueue<QString> FileNames; // for the file dialogs; cancel when empty
  QStringList Notices;

  void Warning(const QString& text) override { Messages << text; }
  void Information(const QString& text) override { Messages << text; }
  bool Confirm(const QString& text) override {
    Messages << text;
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
