// A main window on a database the library made in a folder of the test's
// own, with helpers to open the panel and UMD editors and read back what
// they stored.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "../dbs/config_fixtures.h"
#include "main_window_fixture.h"

namespace zephra::test {

// A list entry chosen, and a field's text typed over, as the user does.
inline void Choose(QComboBox* combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}
inline void Retype(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

struct DeviceTest : MainWindowFixture {
  // Four levels of 32 sources (the first of 16), 40 destination associations.
  static ConfigImage Config() {
    ConfigImage c = EditorDefault(DBS_TYPE_V3, 40);
    c.sourceCount[0][0] = 16;
    return c;
  }
  void SetUp() override {
    MainWindowFixture::SetUp();
    CallConfig call(Config());
    DbsHandle made = -1;
    ASSERT_EQ(dbs_CreateFile(Str(dir.File("Test.ZP3")), &call.record, 0, &made), DBS_OK);
    ASSERT_EQ(dbs_CloseFile(made), DBS_OK);
    Reopen();
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the forms closed with the window
  }
  // Builds the tree again from the file (after the test changed it directly).
  void Reopen() { ASSERT_TRUE(form->Manager().OpenDatabaseFile(QDir::current().filePath("Test.ZP3"), {2, 3, 4})); }

  template <class R>
  R* Device(int number) {
    for (QTreeWidgetItemIterator it(form->Tree()); *it; ++it) {
      if (auto* r = dynamic_cast<R*>(TDatabaseManager::ResourceOf(*it)); r && r->Number == number) return r;
    }
    return nullptr;
  }
  TPanelResource* Panel(int n) { return Device<TPanelResource>(n); }
  TUMDResource* UMD(int n) { return Device<TUMDResource>(n); }
  template <class F>
  F* Open(TResource* r) {
    r->Edit(form->Manager().CommonInterface);
    return qobject_cast<F*>(r->EditorForm.data());
  }
  // Shows a window and makes it the active one, so the focus moves in it.
  static void Activate(QWidget* w) {
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  }
  static void Focus(QWidget* w) {
    w->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
  }

  // Renames a node of the tree as the user does: F2, the new name, Enter.
  void RenameInTree(TResource* r, const QString& text) {
    form->show();
    form->Tree()->setCurrentItem(r->GetTreeNode());
    form->RenameCommand();
    auto* edit = form->Tree()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();  // the editor commits once the key is handled
  }

  TPanelRecord ReadPanel(int p, std::u16string* name = nullptr) {
    Str text(u"        ");
    TPanelRecord r{};
    r.name = text;
    EXPECT_EQ(dbs_GetPanelRecord(static_cast<uint16_t>(p), &r, H()), DBS_OK);
    if (name) *name = text.Text().substr(0, text.Text().find(u'\0'));
    r.name = nullptr;
    return r;
  }
  TOverrideRecord ReadOverride(int p, int i) {
    TOverrideRecord o{};
    EXPECT_EQ(dbs_GetOverrideSource(static_cast<uint16_t>(p), static_cast<uint16_t>(i), &o, H()), DBS_OK);
    return o;
  }
  uint8_t KeypadFlags(int k) {
    Str name(u"        ");
    TKeypadRecord r{};
    r.name = name;
    EXPECT_EQ(dbs_GetKeypad(static_cast<uint16_t>(k), &r, H()), DBS_OK);
    return r.keypadFlags;
  }
};

}  // namespace zephra::test
