// A long editing session driven through the editor's own widgets, recording
// the file's bytes after every step, for the undo tests.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <fstream>
#include <memory>

#include "../dbs/sequence_fixture.h"
#include "forms/DeviceForm.h"
#include "forms/KeypadAssignment.h"
#include "forms/KeypadResource.h"
#include "forms/KeypadResourceForm.h"
#include "forms/PanelResourceForm.h"
#include "forms/FormFields.h"
#include "forms/PortResourceForm.h"
#include "forms/RenameSalvoForm.h"
#include "forms/SalvoPage.h"
#include "forms/UMDForm.h"
#include "grid_fixture.h"
#include "model/KeyFunctions.h"

namespace zephra::test {

inline std::vector<uint8_t> ReadBytes(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void ChooseText(QComboBox* combo, const QString& text) {
  const int i = combo->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

// The grid fixture whose forms, closed by the window, are gone before it.
struct WindowSessionTest : GridTest {
  void TearDown() override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GridTest::TearDown();
  }
};

// The session: what each step was, and the file as each step left it
// (`states[0]` as opened).
struct UndoSession {
  TMainForm& window;
  TScriptedUi& ui;
  std::vector<std::vector<uint8_t>> states;
  QStringList steps;

  QString File() const { return window.Manager().DatabaseFileName; }
  TUndoStack& Stack() const { return window.Manager().Steps(); }
  DbsHandle H() const { return window.Manager().CommonInterface.FileHandle; }
  QTreeWidgetItem* Node(const QString& text) const { return window.Manager().FindNode(text); }

  // What the session needs that the editor does not make: a dial-up panel
  // with sequences, a keypad with a named key. Then the file is opened anew.
  void Prepare() {
    NameKey(H(), 64, 0, u"A", 0);
    NameKey(H(), 64, 1, u"B", 0);
    NameKey(H(), 64, 2, u"C", 0);
    for (auto keys : {std::initializer_list<std::u16string_view>{u"A"}, {u"A", u"B"}, {u"C"}, {u"B"}}) {
      Sequence s(64, keys, 3);
      ASSERT_EQ(dbs_SetEntrySequence(64, &s.record, H()), DBS_OK);
    }
    ASSERT_EQ(dbs_SetPanelType(0, 24, H()), DBS_OK);
    ASSERT_EQ(dbs_SetPanelKeypad(0, 1, 64, H()), DBS_OK);
    ASSERT_EQ(dbs_SetPanelKeypad(0, 0, 32, H()), DBS_OK);
    NameKey(H(), 3, 0, u"Cam 1", 1);
    ASSERT_EQ(dbs_SetPanelType(8, 4, H()), DBS_OK);  // a panel whose source keypad may be given up
    ASSERT_TRUE(window.Manager().OpenDatabaseFile(File(), {2, 3, 4}));
    window.EnableAfterOpen();
    states = {ReadBytes(File())};
    ASSERT_FALSE(Stack().CanUndo());
  }

  // One user action that must make exactly one step.
  void Step(const QString& what, const std::function<void()>& action) {
    action();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Stack().UndoCount(), static_cast<int>(states.size())) << what.toStdString();
    ASSERT_FALSE(Stack().CanRedo());
    steps << Stack().UndoText();
    states.push_back(ReadBytes(File()));
  }
  void Rename(const QString& node, const QString& text) {
    Step("rename " + node, [&] {
      QTreeWidgetItem* n = Node(node);
      ASSERT_NE(n, nullptr) << node.toStdString();
      window.CommitRename(n, text);
    });
  }
  void Drop(const QString& device, const QString& onto) {
    Step("drop " + device, [&] {
      ASSERT_TRUE(window.DropOn(TDatabaseManager::ResourceOf(Node(device)), Node(onto))) << device.toStdString();
    });
  }
  template <class F>
  F* Form(const QString& node) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.Tree()->setCurrentItem(Node(node));
    window.PropertiesCommand();
    TResource* r = TDatabaseManager::ResourceOf(Node(node));
    return r ? qobject_cast<F*>(r->EditorForm.data()) : nullptr;
  }

  void Run() {
    Rename("Panel 2", "STUDIO B");
    Rename("Panel 3", "STUDIO C");
    Rename("UMD 1", "MON 1");
    Rename("UMD 2", "MON 2");
    Rename("Panel 10", "CTRL");
    Drop("STUDIO B", "RS485-1");
    Drop("STUDIO C", "RS485-1");
    Drop("MON 1", "RS485-2");
    Drop("Panel 5", "RS485-2");
    Drop("Panel 6", "RS485-1");
    Drop("STUDIO C", "Storeroom");
    // The grids: typed names, a paste, OK.
    Step("level names", [&] {
      auto* f = Form<TLevelForm>("Level 1");
      ASSERT_NE(f, nullptr);
      GridTest::Type(f->SourcesGrid, 0, 0, "CAM 1");
      GridTest::Type(f->SourcesGrid, 1, 0, "CAM 2");
      f->ApplyButton()->click();
    });
    Step("level paste", [&] {
      auto* f = Form<TLevelForm>("Level 1");
      ASSERT_NE(f, nullptr);
      GridTest::Paste(f->SourcesGrid, 4, 0, "VT 1\r\nVT 2\r\nVT 3\r\nGFX\r\n");
      f->OkButton()->click();
    });
    Step("audio paste", [&] {
      auto* f = Form<TLevelForm>("Level 2");
      ASSERT_NE(f, nullptr);
      GridTest::Paste(f->SourcesGrid, 0, 0, "MIC 1\r\nMIC 2\r\n");
      f->OkButton()->click();
    });
    Step("associations", [&] {
      auto* f = Form<TKorvellForm>("Source Association");
      ASSERT_NE(f, nullptr);
      GridTest::Type(f->SourceAssocsStringGrid, 5, 1, "m1s7");
      f->ApplyButton()->click();
      Discard(f);
    });
    Step("destination names", [&] {
      auto* f = Form<TKorvellForm>("Dest Association");
      ASSERT_NE(f, nullptr);
      GridTest::Type(f->DestAssocsStringGrid, 2, 0, "OUT A");
      GridTest::Type(f->DestAssocsStringGrid, 3, 0, "OUT B");
      f->OkButton()->click();
    });
    Step("trigger lines", [&] {
      auto* f = Form<TKorvellForm>("Trigger Positions");
      ASSERT_NE(f, nullptr);
      QAbstractButton* other = f->RG525Trig->button(f->RG525Trig->checkedId() == 1 ? 0 : 1);
      ASSERT_NE(other, nullptr);
      other->click();
      f->OkButton()->click();
    });
    Step("port settings", [&] {
      auto* f = Form<TPortForm>("RS485-2");
      ASSERT_NE(f, nullptr);
      ChooseText(f->BaudRateCombo, "19200");
      if (window.Online()) ui.Answers << true;  // the controller restarts
      f->OkButton()->click();
    });
    Step("panel name", [&] {
      auto* f = Form<TPanelForm>("STUDIO B");
      ASSERT_NE(f, nullptr);
      f->NameEdit->selectAll();
      QTest::keyClicks(f->NameEdit, "GALLERY");
      f->OkButton()->click();
    });
    Step("umd name", [&] {
      auto* f = Form<TUMDResourceForm>("MON 1");
      ASSERT_NE(f, nullptr);
      f->NameEdit->selectAll();
      QTest::keyClicks(f->NameEdit, "QC MON");
      f->OkButton()->click();
    });
    // A port that is no longer multi-drop sends its devices to the storeroom.
    Step("port eviction", [&] {
      auto* f = Form<TPortForm>("RS485-1");
      ASSERT_NE(f, nullptr);
      ChooseText(f->ProtocolCombo, "OEM");
      ui.Answers << true;  // its devices go to the Storeroom
      if (window.Online()) ui.Answers << true;
      f->OkButton()->click();
      ASSERT_EQ(Node("RS485-1")->childCount(), 0);
    });
    // Keypad copy, and taking another panel's keypads.
    Step("keypad copy", [&] {
      TKeypadAssignmentForm w(window.Manager().CommonInterface, &window);
      w.Setup(TKeypadAssignmentForm::Mode::Panel, 1);
      const int row = Row(w, "Panel 4");
      ASSERT_GE(row, 0);
      w.CellClicked(row, 1);
      w.CellClicked(row, 2);
      w.CopyKeypadsButton->click();
    });
    Step("keypad use", [&] {
      TKeypadAssignmentForm w(window.Manager().CommonInterface, &window);
      w.Setup(TKeypadAssignmentForm::Mode::Panel, 2);
      const int row = Row(w, "Panel 4");
      ASSERT_GE(row, 0);
      w.CellClicked(row, 1);
      w.CellClicked(row, 2);
      w.UseKeypadsButton->click();
    });
    // Leaving the keypad kinds with another kind chosen gives the keypad up.
    Step("keypad clear", [&] {
      auto* f = Form<TPanelForm>("Panel 9");
      ASSERT_NE(f, nullptr);
      f->Pages()->setCurrentIndex(1);
      f->show();
      f->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(f));
      TRadioGroup* source = f->SrcKeypadTypeRadioGroup;
      source->Button(1)->setFocus(Qt::TabFocusReason);
      QApplication::processEvents();
      source->Button(1)->click();
      f->SwapModeCheck->setFocus(Qt::TabFocusReason);
      QApplication::processEvents();
      Discard(f);
    });
    Step("salvo rename", [&] {
      auto* f = Form<TKorvellForm>("Salvos");
      ASSERT_NE(f, nullptr);
      f->Macros->LoadSalvo(0, "Salvo 1");
      ui.Dialogs.enqueue([](QDialog& d) {
        static_cast<TRenameSalvoForm&>(d).SalvoNameEdit->setText("OPENING");
        return int(QDialog::Accepted);
      });
      f->Macros->RenameButton->click();
      Discard(f);
    });
    // The sequence tree: a node with its child, then everything else.
    {
      TKeypadResource keypads(&window.Manager(), 0, 24);
      ASSERT_TRUE(keypads.LoadSourceKeypad(64));
      ASSERT_TRUE(keypads.LoadDestKeypad(32));
      keypads.FunctionMenu = zephra::editor::KeyFunctionMenu(24);
      keypads.PanelName = "Panel 1";
      TKeypadForm f(keypads);
      ASSERT_TRUE(f.Load());
      if (Stack().UndoCount() == static_cast<int>(states.size())) {  // opening blanked unplaced keys
        steps << Stack().UndoText();
        states.push_back(ReadBytes(File()));
      }
      for (int i = 0; i < f.Pages()->count(); ++i) {
        if (f.Pages()->tabText(i) == "Sequences") f.Pages()->setCurrentIndex(i);
      }
      Step("sequence removal", [&] {
        ASSERT_FALSE(f.Tree.Root().Children().empty());
        f.SelectNode(f.Tree.Root().Children().front().get());
        ui.Answers << true << true;
        f.RemoveButton->click();
      });
      Step("sequences cleared", [&] {
        ui.Answers << true;
        f.ClearAllButton->click();
        ASSERT_TRUE(f.Tree.Root().Children().empty());
      });
    }
    Rename("CTRL", "CTRL A");
    Rename("Panel 7", "EDIT 1");
    Drop("EDIT 1", "RS485-2");
    Rename("Panel 8", "EDIT 2");
    Drop("EDIT 2", "RS485-2");
    Step("level name in its form", [&] {
      auto* f = Form<TLevelForm>("Level 3");
      ASSERT_NE(f, nullptr);
      GridTest::Type(f->SourcesGrid, 3, 0, "LTC");
      f->OkButton()->click();
    });
  }
  // Cancel, answering Discard when the form asks about changes not applied.
  void Discard(TResourceForm* f) {
    if (f->HasChanges()) ui.Choices.enqueue(1);
    f->CancelButton()->click();
  }
  static int Row(TKeypadAssignmentForm& w, const QString& panel) {
    for (int r = 0; r < w.DataGrid->rowCount(); ++r) {
      if (w.DataGrid->item(r, 0)->text() == panel) return r;
    }
    return -1;
  }

  // Every step taken back through the Edit menu's command, each leaving the
  // file as it was before the step; then every step made again.
  void UndoAll() {
    for (std::size_t i = states.size() - 1; i-- > 0;) {
      ASSERT_TRUE(window.UndoAction->isEnabled()) << i;
      ASSERT_EQ(window.UndoAction->text(), "&Undo " + steps[static_cast<int>(i)]);
      window.UndoAction->trigger();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      ASSERT_TRUE(ReadBytes(File()) == states[i]) << "undoing " << steps[static_cast<int>(i)].toStdString();
    }
    EXPECT_FALSE(window.UndoAction->isEnabled());
  }
  void RedoAll() {
    for (std::size_t i = 1; i < states.size(); ++i) {
      ASSERT_TRUE(window.RedoAction->isEnabled()) << i;
      window.RedoAction->trigger();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      ASSERT_TRUE(ReadBytes(File()) == states[i]) << "redoing " << steps[static_cast<int>(i - 1)].toStdString();
    }
    EXPECT_FALSE(window.RedoAction->isEnabled());
  }
};

}  // namespace zephra::test
