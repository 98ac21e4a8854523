// A main window working in a folder of its own, its messages and dialogs
// scripted, for the widget tests.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTreeWidget>
#include <memory>

#include "../dbs/temp_dir.h"
#include "MainformCode.h"
#include "scripted_ui.h"

struct MainWindowFixture : ::testing::Test {
  zephra::test::TempDir dir;
  QString saved = QDir::currentPath();
  TScriptedUi ui;
  std::unique_ptr<TMainForm> form;

  void SetUp() override {
    QDir::setCurrent(QString::fromStdString(dir.Path().string()));
    form = std::make_unique<TMainForm>();
  }
  void TearDown() override {
    form->close();
    form.reset();
    QDir::setCurrent(saved);
  }
  // New, with `wizard` answering the wizard.
  void NewWith(std::function<int(QDialog&)> wizard) {
    ui.Dialogs.enqueue(std::move(wizard));
    form->NewCommand();
  }
  QStringList Children(const QString& text) {
    QStringList out;
    QTreeWidgetItem* node = form->Manager().FindNode(text);
    for (int i = 0; node && i < node->childCount(); ++i) out << node->child(i)->text(0);
    return out;
  }
  DbsHandle H() { return form->Manager().CommonInterface.FileHandle; }
};
