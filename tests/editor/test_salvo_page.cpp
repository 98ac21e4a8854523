// The "Salvos" page of the "Controller Data" window and the rename box, on
// real files through the real library.
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "UndoStack.h"

#include "SelectorForm.h"
#include "forms/RenameSalvoForm.h"
#include "forms/SalvoPage.h"
#include "grid_fixture.h"

namespace zephra::test {
namespace {

using Crosspoints = std::vector<std::vector<int>>;  // level, destination, source

struct SalvoPageTest : GridTest {
  TKorvellForm* form = nullptr;
  TSalvoPage* page = nullptr;

  void OpenWindow() {
    form = Controller("Salvos");
    ASSERT_NE(form, nullptr);
    page = form->Macros;
    ASSERT_EQ(form->Pages()->currentWidget(), page);
  }
  void Add(int salvo, int level, int dest, int source) {
    const TMacroXPRecord xp = {0, static_cast<int16_t>(level), static_cast<int16_t>(dest),
                               static_cast<int16_t>(source)};
    ASSERT_EQ(dbs_SetMacroXP(static_cast<uint16_t>(salvo), &xp, H()), DBS_OK);
  }
  // Opens salvo `salvo` with the Open button, chosen in the selector.
  void OpenSalvo(int salvo) {
    ui.Dialogs.enqueue([salvo](QDialog& dialog) {
      auto& selector = static_cast<TSelectorForm&>(dialog);
      EXPECT_EQ(selector.windowTitle(), "Select");
      selector.List->setCurrentRow(salvo);
      selector.OkButton->click();
      return selector.result();
    });
    page->OpenButton->click();
  }
  Crosspoints Stored(int salvo) {
    Crosspoints out;
    uint16_t count = 0;
    EXPECT_EQ(dbs_GetNoMacroXPRecords(static_cast<uint16_t>(salvo), &count, H()), DBS_OK);
    for (uint16_t i = 0; i < count; ++i) {
      TMacroXPRecord xp{};
      EXPECT_EQ(dbs_GetMacroXP(static_cast<uint16_t>(salvo), i, &xp, H()), DBS_OK);
      out.push_back({xp.level, xp.destination, xp.source});
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  void Choose(int association) {
    page->DestinationList->setCurrentRow(association);
    page->DestinationList->item(association)->setSelected(true);
  }
  TStringGrid* Grid() { return page->MacrosStringGrid; }
  void Empty(int row, int column) {
    Grid()->SelectCell(row, column);
    QTest::keyClick(Grid(), Qt::Key_Delete);
    Enter(Grid());
  }
};

TEST_F(SalvoPageTest, LoadingPutsALevelsCrosspointsIntoTheirAssociationsRow) {
  Open();
  // Destination 20 of level 3 belongs to no association.
  TDestinationAssociationRecord assoc{};
  ASSERT_EQ(dbs_GetDestAssn(0, 20, &assoc, H()), DBS_OK);
  assoc.members[2] = {-1, -1, -1};
  ASSERT_EQ(dbs_SetDestAssn(0, 20, &assoc, H()), DBS_OK);
  Add(0, 0, 5, 7);
  Add(0, 2, 20, 3);
  Add(0, 1, 5, 9);
  Add(0, 0, 9, 0);
  OpenWindow();
  EXPECT_FALSE(page->InsertDestButton->isEnabled());
  EXPECT_FALSE(page->SaveButton->isEnabled());
  OpenSalvo(0);
  EXPECT_EQ(page->NameLabel->text(), "Salvo 1");
  EXPECT_EQ(page->SalvoRows, 2);
  EXPECT_EQ(Grid()->Model().RowHeader(0), "m1d6");
  EXPECT_EQ(Grid()->Model().Text(0, 0), "m1s8");
  EXPECT_EQ(Grid()->Model().Text(0, 1), "m1s10");
  EXPECT_EQ(Grid()->Model().RowHeader(1), "m1d10");
  EXPECT_EQ(Grid()->Model().Text(1, 2), "");
  EXPECT_EQ(page->CellAt(0, 1).Number, 10);  // from 1 here
  for (QPushButton* b :
       {page->InsertDestButton, page->RemoveButton, page->ClearButton, page->SaveButton, page->RenameButton}) {
    EXPECT_TRUE(b->isEnabled());
  }
  EXPECT_TRUE(page->SalvoSaved);
  page->MacrosDisplayRadioGroup->button(1)->click();
  EXPECT_EQ(Grid()->Model().Text(0, 0), "8");
  EXPECT_EQ(Grid()->Model().Text(0, 3), "");
}

// A crosspoint added to the open salvo from outside the page shows while the
// page holds no change of its own; a changed salvo is left as the user has it.
TEST_F(SalvoPageTest, AnOpenSalvoFollowsChangesMadeOutsideItUnlessItWasChanged) {
  Open();
  Add(0, 0, 5, 7);
  OpenWindow();
  OpenSalvo(0);
  ASSERT_EQ(page->SalvoRows, 1);
  const TMacroXPRecord xp = {0, 0, 9, 0};
  TLibString shortName("S1"), name("Take 1");
  const TMacroStoreRecord renamed = {0, shortName, name, 0};
  ASSERT_TRUE(RunStep(Ci(), "Import", [&] {
    return dbs_SetMacroXP(0, &xp, H()) == DBS_OK && dbs_SetMacroStore(0, &renamed, H()) == DBS_OK;
  }));
  EXPECT_EQ(page->SalvoRows, 2);
  EXPECT_EQ(Grid()->Model().RowHeader(1), "m1d10");
  EXPECT_EQ(Grid()->Model().Text(1, 0), "m1s1");
  EXPECT_EQ(page->NameLabel->text(), "Take 1");
  EXPECT_FALSE(page->IsSalvoPending());

  Type(Grid(), 0, 1, "m1s3");
  ASSERT_TRUE(page->IsSalvoPending());
  const TMacroXPRecord more = {0, 2, 9, 4};
  ASSERT_TRUE(RunStep(Ci(), "Import", [&] { return dbs_SetMacroXP(0, &more, H()) == DBS_OK; }));
  EXPECT_EQ(Grid()->Model().Text(0, 1), "m1s3");  // the user's change stays
  EXPECT_TRUE(page->IsSalvoPending());
}

TEST_F(SalvoPageTest, InsertAddsRowsAndRemoveDeletesOnesCrosspointsAndMovesTheRestUp) {
  Open();
  OpenWindow();
  OpenSalvo(1);
  page->InsertDestButton->click();
  EXPECT_EQ(ui.Messages.last(), "No destination association has been selected");
  for (int a : {2, 3, 4, 3}) {
    Choose(a);
    page->InsertDestButton->click();
  }
  EXPECT_EQ(page->SalvoRows, 3);  // association 3 only once
  Type(Grid(), 0, 0, "m1s1");
  Type(Grid(), 1, 0, "m1s2");
  Type(Grid(), 1, 1, "m1s3");
  Type(Grid(), 2, 3, "m1s4");
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(Stored(1), (Crosspoints{{0, 2, 0}, {0, 3, 1}, {1, 3, 2}, {3, 4, 3}}));
  Choose(3);
  ui.Answers.enqueue(false);
  page->RemoveButton->click();
  EXPECT_EQ(ui.Kinds.last(), "information");
  EXPECT_EQ(page->SalvoRows, 3);
  ui.Answers.enqueue(true);
  page->RemoveButton->click();
  EXPECT_EQ(ui.Messages.last(), "This action will update the database. Are you sure you want to continue ?");
  EXPECT_EQ(page->SalvoRows, 2);
  EXPECT_EQ(Grid()->Model().RowHeader(1), "m1d5");
  EXPECT_EQ(Grid()->Model().Text(1, 3), "m1s4");
  EXPECT_EQ(page->RowAssociation(1).Number, 4);
  EXPECT_EQ(Grid()->Model().RowHeader(2), "");
  EXPECT_EQ(Stored(1), (Crosspoints{{0, 2, 0}, {3, 4, 3}}));
}

TEST_F(SalvoPageTest, SourcesWithoutADestinationAreAskedAboutAndNeverWritten) {
  Open();
  OpenWindow();
  OpenSalvo(2);
  Choose(6);
  page->InsertDestButton->click();
  Type(Grid(), 0, 0, "m1s2");
  Type(Grid(), 5, 1, "m1s3");  // a row without an association
  EXPECT_NE(page->OrphanColumns(5), 0u);
  ui.Answers.enqueue(false);
  EXPECT_FALSE(page->Save());
  EXPECT_EQ(ui.Messages.last(), "Sources assigned without associated destinations. Continue saving?");
  EXPECT_EQ(ui.Kinds.last(), "warning-yes-no");
  EXPECT_TRUE(Stored(2).empty());
  ui.Answers.enqueue(true);
  EXPECT_TRUE(page->Save());
  EXPECT_EQ(Stored(2), (Crosspoints{{0, 6, 1}}));
  Empty(5, 1);  // emptying it takes the question away
  EXPECT_EQ(page->OrphanColumns(5), 0u);
  const auto asked = ui.Messages.size();
  EXPECT_TRUE(page->Save());
  EXPECT_EQ(ui.Messages.size(), asked);
}

TEST_F(SalvoPageTest, AnEmptiedCellDeletesTheStoredCrosspointWhateverWasTypedBefore) {
  Open();
  Add(3, 0, 5, 7);
  Add(3, 1, 5, 7);
  Add(3, 2, 5, 7);
  OpenWindow();
  OpenSalvo(3);
  Type(Grid(), 0, 0, "m1s3");  // retyped, then emptied
  Empty(0, 0);
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(Stored(3), (Crosspoints{{1, 5, 7}, {2, 5, 7}}));
  // Clear, with a cell retyped but not saved, deletes what the salvo holds.
  Type(Grid(), 0, 1, "m1s9");
  ui.Answers.enqueue(false);
  page->ClearButton->click();
  EXPECT_EQ(Stored(3).size(), 2u);
  ui.Answers.enqueue(true);
  page->ClearButton->click();
  EXPECT_EQ(ui.Messages.last(), "This will clear all the data from this salvo. Are you sure you want to continue ?");
  EXPECT_TRUE(Stored(3).empty());
  EXPECT_EQ(page->SalvoRows, 0);
  EXPECT_EQ(Grid()->Model().RowHeader(0), "");
  EXPECT_TRUE(page->SalvoOpen);
}

TEST_F(SalvoPageTest, RemoveWithUnsavedEditsDeletesExactlyTheRowsCrosspoints) {
  Open();
  Add(4, 0, 5, 7);
  Add(4, 0, 6, 1);
  OpenWindow();
  OpenSalvo(4);
  Type(Grid(), 0, 0, "m1s12");  // association 5's cell, retyped and not saved
  Choose(5);
  ui.Answers.enqueue(true);
  page->RemoveButton->click();
  EXPECT_EQ(Stored(4), (Crosspoints{{0, 6, 1}}));
  EXPECT_EQ(page->SalvoRows, 1);
  EXPECT_EQ(Grid()->Model().RowHeader(0), "m1d7");
}

TEST_F(SalvoPageTest, TheSourceShownIsTheSourceSavedHoweverTheCellWasLeft) {
  Open();
  Add(8, 0, 5, 7);
  Add(8, 1, 5, 7);
  QApplication::clipboard()->setText("m1s9\r\n");
  OpenWindow();
  Activate(form);  // with text on the clipboard: Paste is enabled
  OpenSalvo(8);
  Retype(Grid(), 0, 0, "m1s3");
  Press(Grid(), Qt::Key_Down);
  EXPECT_EQ(page->CellAt(0, 0).Number, 3);
  EXPECT_FALSE(page->SalvoSaved);
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(Stored(8), (Crosspoints{{0, 5, 2}, {1, 5, 7}}));
  // Save and Paste take what the open cell editor holds first.
  Retype(Grid(), 0, 1, "m1s4");
  page->SaveButton->click();
  EXPECT_EQ(Stored(8), (Crosspoints{{0, 5, 2}, {1, 5, 3}}));
  Retype(Grid(), 0, 2, "m1s5");
  ASSERT_TRUE(page->SalvoPaste->isEnabled());
  page->SalvoPaste->click();
  EXPECT_FALSE(Grid()->Editing());
  Press(Grid(), Qt::Key_Down);
  EXPECT_EQ(Grid()->Model().Text(0, 2), "m1s9");
  EXPECT_EQ(page->CellAt(0, 2).Number, 9);
  // A name the salvo's levels do not have is refused when the cell is left.
  Retype(Grid(), 0, 3, "nobody");
  Press(Grid(), Qt::Key_Tab);
  EXPECT_EQ(LastMessage(), "You have entered an invalid value");
  EXPECT_EQ(Grid()->currentIndex(), Grid()->Model().index(0, 3));
  EXPECT_FALSE(page->Save());  // refused too
  Retype(Grid(), 0, 3, "");
  Press(Grid(), Qt::Key_Return);
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(Stored(8), (Crosspoints{{0, 5, 2}, {1, 5, 3}, {2, 5, 8}}));
}

TEST_F(SalvoPageTest, ASourceWithoutANameIsKeptBySaveAndShownByNumber) {
  Open();
  // Source 8 of level 1 has an empty name, source 3 of level 2 one of spaces.
  const TSourceIndexRecord empty = {0, 0, 7}, spaces = {0, 1, 2};
  ASSERT_EQ(dbs_SetSourceName(&empty, TLibString(QString(8, QChar(0))), H()), DBS_OK);
  ASSERT_EQ(dbs_SetSourceName(&spaces, TLibString(QString(8, ' ')), H()), DBS_OK);
  Add(9, 0, 5, 7);
  Add(9, 1, 5, 2);
  Add(9, 2, 5, 4);
  OpenWindow();
  OpenSalvo(9);
  EXPECT_TRUE(BlankCell(Grid()->Model().Text(0, 0)));
  EXPECT_TRUE(BlankCell(Grid()->Model().Text(0, 1)));
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(Stored(9), (Crosspoints{{0, 5, 7}, {1, 5, 2}, {2, 5, 4}}));
  page->MacrosDisplayRadioGroup->button(1)->click();
  EXPECT_EQ(Grid()->Model().Text(0, 0), "8");
  EXPECT_EQ(Grid()->Model().Text(0, 1), "3");
  page->MacrosDisplayRadioGroup->button(0)->click();
  // Emptied by the user, it goes.
  Empty(0, 1);
  ASSERT_TRUE(page->Save());
  EXPECT_EQ(Stored(9), (Crosspoints{{0, 5, 7}, {2, 5, 4}}));
}

TEST_F(SalvoPageTest, RemoveIsAStepOfItsOwnThatUndoTakesBack) {
  Open();
  OpenWindow();
  OpenSalvo(1);
  for (int a : {2, 3}) {
    Choose(a);
    page->InsertDestButton->click();
  }
  Type(Grid(), 0, 0, "m1s1");
  Type(Grid(), 1, 0, "m1s2");
  ASSERT_TRUE(page->Save());
  TUndoStack& steps = window->Manager().Steps();
  EXPECT_EQ(steps.UndoText(), "Save Salvo 2");
  Choose(3);
  ui.Answers.enqueue(true);
  page->RemoveButton->click();
  EXPECT_EQ(Stored(1), (Crosspoints{{0, 2, 0}}));
  EXPECT_EQ(steps.UndoCount(), 2);
  EXPECT_EQ(steps.UndoText(), "Remove From Salvo 2");
  EXPECT_FALSE(form->ApplyButton()->isEnabled());  // nothing left to apply
  window->UndoCommand();
  EXPECT_FALSE(ui.Kinds.contains("warning")) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(Stored(1), (Crosspoints{{0, 2, 0}, {0, 3, 1}}));
  EXPECT_EQ(steps.UndoText(), "Save Salvo 2");
  window->UndoCommand();
  EXPECT_TRUE(Stored(1).empty());
  window->RedoCommand();
  window->RedoCommand();
  EXPECT_EQ(Stored(1), (Crosspoints{{0, 2, 0}}));
}

TEST_F(SalvoPageTest, OpeningAnotherSalvoOverUnsavedEditsAsksFirst) {
  Open();
  Add(2, 0, 9, 4);
  OpenWindow();
  OpenSalvo(1);
  for (int a : {2, 3}) {
    Choose(a);
    page->InsertDestButton->click();
  }
  Type(Grid(), 0, 0, "m1s1");
  Retype(Grid(), 1, 1, "m1s2");  // still in the cell editor
  EXPECT_TRUE(form->ApplyButton()->isEnabled());
  // Not saved: the file keeps nothing of it, and Apply has nothing left.
  ui.Answers.enqueue(false);
  OpenSalvo(2);
  EXPECT_EQ(LastMessage(), "The salvo being edited has not been saved. Continue saving?");
  EXPECT_TRUE(Stored(1).empty());
  EXPECT_EQ(page->NameLabel->text(), "Salvo 3");
  EXPECT_EQ(page->SalvoRows, 1);
  EXPECT_EQ(Grid()->Model().Text(0, 0), "m1s5");
  EXPECT_FALSE(page->IsSalvoPending());
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  // Saved: it goes where it belongs, and the other opens.
  Choose(4);
  page->InsertDestButton->click();
  Retype(Grid(), 1, 0, "m1s6");
  ui.Answers.enqueue(true);
  OpenSalvo(0);
  EXPECT_EQ(Stored(2), (Crosspoints{{0, 4, 5}, {0, 9, 4}}));
  EXPECT_TRUE(Stored(0).empty());
  EXPECT_EQ(page->NameLabel->text(), "Salvo 1");
  EXPECT_EQ(page->SalvoRows, 0);
  EXPECT_FALSE(form->ApplyButton()->isEnabled());
  // A choice cancelled changes nothing, and asks nothing.
  Type(Grid(), 0, 0, "m1s2");  // a row without an association
  const auto asked = ui.Messages.size();
  page->OpenButton->click();
  EXPECT_EQ(ui.Messages.size(), asked);
  EXPECT_TRUE(page->IsSalvoPending());
  EXPECT_TRUE(form->ApplyButton()->isEnabled());
}

TEST_F(SalvoPageTest, RenameKeepsTheSalvosOwnValue) {
  Open();
  TLibString shortName(QString("SAL1")), name(QString("Salvo 6 "));
  TMacroStoreRecord record{5, shortName, name, 0x1234};
  ASSERT_EQ(dbs_SetMacroStore(5, &record, H()), DBS_OK);
  OpenWindow();
  OpenSalvo(5);
  ui.Dialogs.enqueue([](QDialog& dialog) {
    auto& rename = static_cast<TRenameSalvoForm&>(dialog);
    EXPECT_EQ(rename.windowTitle(), "Rename Salvo");
    QTest::keyClicks(rename.SalvoNameEdit, "EVENING NEWS");
    EXPECT_EQ(rename.SalvoNameEdit->text(), "EVENING ");
    rename.SalvoNameEdit->setText("NEWS");
    rename.OK->click();
    return rename.result();
  });
  page->RenameButton->click();
  EXPECT_EQ(page->NameLabel->text(), "NEWS");
  TLibString readShort(QString(4, ' ')), readName(QString(8, ' '));
  TMacroStoreRecord stored{5, readShort, readName, 0};
  ASSERT_EQ(dbs_GetMacroStore(5, &stored, H()), DBS_OK);
  EXPECT_EQ(readName.Text(), "NEWS");
  EXPECT_EQ(stored.salvoData, 0x1234);
}

TEST_F(SalvoPageTest, APastedSalvoIsNotTakenForSaved) {
  Open();
  Add(7, 0, 2, 2);
  OpenWindow();
  OpenSalvo(7);
  Paste(Grid(), 0, 1, "m1s9\tm1s 10\r\n");  // spaces do not count in a pasted name
  EXPECT_EQ(Grid()->Model().Text(0, 2), "m1s10");
  EXPECT_FALSE(page->SalvoSaved);
  ui.Answers.enqueue(true);
  form->OkButton()->click();
  EXPECT_EQ(ui.Messages.last(), "The salvo being edited has not been saved. Continue saving?");
  EXPECT_EQ(Stored(7), (Crosspoints{{0, 2, 2}, {1, 2, 8}, {2, 2, 9}}));
}

TEST_F(SalvoPageTest, OKAsksAboutASalvoThatWasEnteredOrChanged) {
  Open();
  Add(6, 0, 1, 1);
  OpenWindow();
  OpenSalvo(6);
  form->OkButton()->click();  // nothing entered: no question, the window closes
  EXPECT_FALSE(ui.Messages.contains("The salvo being edited has not been saved. Continue saving?"));
  OpenWindow();
  OpenSalvo(6);
  Type(Grid(), 0, 1, "m1s5");
  EXPECT_TRUE(form->ApplyButton()->isEnabled());
  ui.Answers.enqueue(true);
  form->OkButton()->click();
  EXPECT_EQ(ui.Messages.last(), "The salvo being edited has not been saved. Continue saving?");
  EXPECT_EQ(ui.Kinds.last(), "question");
  EXPECT_EQ(Stored(6), (Crosspoints{{0, 1, 1}, {1, 1, 4}}));
  // Entering and leaving the grid counts, and Apply stays while it is unsaved.
  OpenWindow();
  OpenSalvo(6);
  Grid()->setFocus();
  emit Grid()->Left();
  EXPECT_TRUE(page->IsSalvoPending());
  ui.Answers.enqueue(false);
  form->ApplyButton()->setEnabled(true);
  form->ApplyButton()->click();
  EXPECT_EQ(ui.Messages.last(), "The salvo being edited has not been saved. Continue saving?");
  EXPECT_TRUE(form->ApplyButton()->isEnabled());
}

}  // namespace
}  // namespace zephra::test
