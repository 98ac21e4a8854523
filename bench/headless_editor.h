// The editor's benchmarks run with no display and no one to answer a box,
// in a folder of their own that goes when they end.
#pragma once

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "UiService.h"
#include "screens/Screenshots.h"

struct QuietOffscreen {
  QuietOffscreen() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  }
};

struct HeadlessEditor {
  QuietOffscreen quiet;
  QApplication app;
  TPictureUi ui;  // no box may wait for an answer
  QTemporaryDir folder;
  QString saved = QDir::currentPath();

  HeadlessEditor(int& argc, char** argv) : app(argc, argv) {
    SetUi(&ui);
    QDir::setCurrent(folder.path());
  }
  ~HeadlessEditor() {
    QDir::setCurrent(saved);
    SetUi(nullptr);
  }
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;
};
