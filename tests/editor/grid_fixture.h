// The grid editors' tests: a main window working in a folder of its own on a
// database made by the library with the counts a test asks for, and the
// forms opened from its tree as the user opens them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <string>

#include "../dbs/temp_dir.h"
#include "MainformCode.h"
#include "forms/KorvellResourceForm.h"
#include "forms/LevelResourceForm.h"
#include "forms/StringGrid.h"
#include "model/DefaultConfiguration.h"
#include "scripted_ui.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace zephra::test {

struct GridTest : ::testing::Test {
  TempDir dir;
  QString saved = QDir::currentPath();
  TScriptedUi ui;
  std::unique_ptr<TMainForm> window;

  void SetUp() override {
    QDir::setCurrent(QString::fromStdString(dir.Path().string()));
    window = std::make_unique<TMainForm>();
  }
  void TearDown() override {
    window->close();
    window.reset();
    QApplication::clipboard()->clear();
    QDir::setCurrent(saved);
  }

  // A V3 database of the editor's defaults as `change` leaves them, open in
  // the window.
  void Open(const std::function<void(TConfigurationRecord&)>& change = {}) {
    editor::DefaultConfiguration config(DBS_TYPE_V3, u"Grid      ");
    if (change) change(config.Record());
    const QString path = QDir::current().filePath("Grid.ZP3");
    DbsHandle h = -1;
    ASSERT_EQ(dbs_CreateFile(TLibString(path), &config.Record(), -1, &h), DBS_OK);
    ASSERT_EQ(dbs_CloseFile(h), DBS_OK);
    ASSERT_TRUE(window->Manager().OpenDatabaseFile(path, {2, 3, 4}));
    window->EnableAfterOpen();
  }
  // Rebuilds the tree after the test changed the file through the library.
  void Reopen() { ASSERT_TRUE(window->Manager().OpenDatabaseFile(window->Manager().DatabaseFileName, {2, 3, 4})); }
  DbsHandle H() { return window->Manager().CommonInterface.FileHandle; }
  // The text of the last message box, or nothing when none was shown.
  QString LastMessage() const { return ui.Messages.isEmpty() ? QString() : ui.Messages.last(); }
  TCommonInterface& Ci() { return window->Manager().CommonInterface; }

  // Selects the tree's node of `text` and opens its form with Properties.
  template <class Form>
  Form* OpenForm(const QString& text) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // forms closed before
    QTreeWidgetItem* node = window->Manager().FindNode(text);
    EXPECT_NE(node, nullptr) << text.toStdString();
    if (!node) return nullptr;
    window->Tree()->setCurrentItem(node);
    window->PropertiesCommand();
    TResource* r = TDatabaseManager::ResourceOf(node);
    return r ? qobject_cast<Form*>(r->EditorForm.data()) : nullptr;
  }
  TLevelForm* Level(int level) { return OpenForm<TLevelForm>(QString("Level %1").arg(level + 1)); }
  TKorvellForm* Controller(const QString& node = "Zephra Configuration") { return OpenForm<TKorvellForm>(node); }

  // The grid's open cell editor, if any.
  static QLineEdit* Editor(TStringGrid* grid) {
    return qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
  }
  // Goes to a cell and types into it as the user does (the first character
  // opens the editor), then presses Enter.
  static void Type(TStringGrid* grid, int row, int column, const QString& text) {
    grid->SelectCell(row, column);
    TypeHere(grid, text);
  }
  static void TypeHere(TStringGrid* grid, const QString& text) {
    if (text.isEmpty()) return;
    QTest::keyClick(grid, text.at(0).toLatin1());

    if (QLineEdit* editor = Editor(grid)) {
      QTest::keyClicks(editor, text.mid(1));
      Enter(grid);
    }
  }
  // Enter in the cell editor; the editor hands its text over when the
  // events are processed.
  static void Enter(TStringGrid* grid) {
    if (QLineEdit* editor = Editor(grid)) QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
  }
  // A key as the user presses it: into the open cell editor if there is one
  // (what the editor does not take goes on to the grid), else into the grid.
  static void Press(TStringGrid* grid, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* to = Editor(grid);
    QTest::keyClick(to ? to : grid, static_cast<Qt::Key>(key), modifiers);
    QApplication::processEvents();
  }
  // F2 on a cell and `text` typed over its whole text; the editor stays open.
  static void Retype(TStringGrid* grid, int row, int column, const QString& text) {
    grid->SelectCell(row, column);
    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit* editor = Editor(grid);
    ASSERT_NE(editor, nullptr);
    if (text.isEmpty()) {
      QTest::keyClick(editor, Qt::Key_Backspace);
    } else {
      QTest::keyClicks(editor, text);
    }
    ASSERT_EQ(editor->text(), text);
  }
  // A left click on a cell, as the mouse gives it.
  static void Click(TStringGrid* grid, int row, int column) {
    const QModelIndex cell = grid->Model().index(row, column);
    grid->scrollTo(cell);
    const QRect at = grid->visualRect(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at.center());
    QApplication::processEvents();
  }
  // Makes `form` the active window, so that focus moves as it does for the user.
  static void Activate(QWidget* form) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  }
  // Every cell text of a grid, row by row.
  static QStringList Cells(TStringGrid* grid) {
    QStringList out;
    for (int r = 0; r < grid->Model().Rows(); ++r) {
      for (int c = 0; c < grid->Model().Columns(); ++c) out << grid->Model().Text(r, c);
    }
    return out;
  }
  static void Paste(TStringGrid* grid, int row, int column, const QString& text) {
    QApplication::clipboard()->setText(text);
    grid->SelectCell(row, column);
    grid->PasteClipboard();
  }
};

// A source's 8-character name as the library holds it.
inline QString SourceName(DbsHandle h, int level, int source) {
  TLibString name(QString(8, ' '));
  const TSourceIndexRecord index = {0, static_cast<int16_t>(level), static_cast<int16_t>(source)};
  EXPECT_EQ(dbs_GetSourceName(&index, name, h), DBS_OK);
  return name.Text();
}

}  // namespace zephra::test
