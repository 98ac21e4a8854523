// Undo and redo in the editor: a session through the forms and the tree
// taken back to the opened file's bytes and made again to the edited file's,
// the forms around an undo, and the end of the stack with its database.
#include <QAction>
#include <QStatusBar>

#include "undo_session.h"

namespace {

using zephra::test::ReadBytes;
using zephra::test::SourceName;
using zephra::test::UndoSession;

struct UndoTest : zephra::test::WindowSessionTest {
  TUndoStack& Stack() { return window->Manager().Steps(); }
  QStringList Children(const QString& text) {
    QStringList out;
    QTreeWidgetItem* node = window->Manager().FindNode(text);
    for (int i = 0; node && i < node->childCount(); ++i) out << node->child(i)->text(0);
    return out;
  }
};

TEST_F(UndoTest, ASessionIsTakenBackToTheOpenedBytesAndMadeAgainToTheEditedBytes) {
  Open();
  UndoSession session{*window, ui, {}, {}};
  session.Prepare();
  session.Run();
  ASSERT_GE(session.steps.size(), 30);
  EXPECT_EQ(session.steps.front(), "Rename Panel 2");
  EXPECT_TRUE(session.steps.contains("Move STUDIO B to RS485-1"));
  EXPECT_TRUE(session.steps.contains("Copy Keypads"));
  EXPECT_TRUE(session.steps.contains("Remove Sequence"));
  const auto edited = ReadBytes(session.File());
  session.UndoAll();
  ASSERT_TRUE(ReadBytes(session.File()) == session.states.front());
  // The tree shows the names as opened again, the devices where they were.
  EXPECT_NE(window->Manager().FindNode("Panel 2"), nullptr);
  EXPECT_EQ(window->Manager().FindNode("CTRL A"), nullptr);
  EXPECT_EQ(Children("RS485-1"), QStringList());
  EXPECT_EQ(Ci().OnlineStatus, false);
  session.RedoAll();
  ASSERT_TRUE(ReadBytes(session.File()) == edited);
  EXPECT_NE(window->Manager().FindNode("CTRL A"), nullptr);
  EXPECT_NE(window->Manager().FindNode("GALLERY"), nullptr);
  EXPECT_FALSE(ui.Kinds.contains("warning")) << ui.Messages.join('|').toStdString();
}

TEST_F(UndoTest, AFormWithChangesNotAppliedRefusesTheUndoAndAFormWithoutRereads) {
  Open();
  UndoSession session{*window, ui, {}, {}};
  session.states = {ReadBytes(session.File())};
  session.Rename("Panel 1", "DESK");
  TLevelForm* f = session.Form<TLevelForm>("Level 1");
  ASSERT_NE(f, nullptr);
  Type(f->SourcesGrid, 0, 0, "CAM 1");
  f->ApplyButton()->click();
  Type(f->SourcesGrid, 1, 0, "CAM 2");  // not applied
  ASSERT_TRUE(f->ApplyButton()->isEnabled());
  window->UndoCommand();
  ASSERT_EQ(ui.Messages.size(), 1);
  EXPECT_EQ(ui.Kinds.last(), "warning");
  EXPECT_EQ(ui.Messages.last(),
            "Cannot undo \"Apply Level Level 1\" while a form has changes that are not applied. Apply or cancel them "
            "first.");
  EXPECT_EQ(Stack().UndoCount(), 2);
  EXPECT_EQ(SourceName(H(), 0, 0), "CAM 1");
  EXPECT_EQ(f->SourcesGrid->Model().Text(1, 0), "CAM 2");  // the edit is still there

  // Without the pending edit the undo goes through, and the level's form
  // opens again on what is stored now.
  f->SourcesGrid->Model().SetText(1, 0, "m1s2");
  f->MarkChanged(false);
  window->UndoCommand();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(ui.Messages.size(), 1);
  EXPECT_EQ(SourceName(H(), 0, 0), "m1s1");
  EXPECT_EQ(window->statusBar()->currentMessage(), "Undone: Apply Level Level 1");
  auto* level = TDatabaseManager::ResourceOf(window->Manager().FindNode("Level 1"));
  ASSERT_NE(level, nullptr);
  auto* reread = qobject_cast<TLevelForm*>(level->EditorForm.data());
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(reread->SourcesGrid->Model().Text(0, 0), "m1s1");
  EXPECT_FALSE(reread->ApplyButton()->isEnabled());
  // The rename goes back too, and the reopened form's title follows.
  window->UndoCommand();
  EXPECT_NE(window->Manager().FindNode("Panel 1"), nullptr);
  EXPECT_TRUE(ReadBytes(session.File()) == session.states.front());
  EXPECT_EQ(window->RedoAction->text(), "&Redo Rename Panel 1");
}

TEST_F(UndoTest, AnActionThatChangesNothingIsNoStepAndANewStepDropsTheRedos) {
  Open();
  window->CommitRename(window->Manager().FindNode("Panel 1"), "Panel 1");
  EXPECT_FALSE(Stack().CanUndo());
  EXPECT_EQ(window->UndoAction->text(), "&Undo");
  window->CommitRename(window->Manager().FindNode("Panel 1"), "DESK");
  window->CommitRename(window->Manager().FindNode("Panel 2"), "DESK 2");
  window->UndoCommand();
  ASSERT_TRUE(Stack().CanRedo());
  window->CommitRename(window->Manager().FindNode("Panel 3"), "DESK 3");
  EXPECT_FALSE(Stack().CanRedo());
  EXPECT_FALSE(window->RedoAction->isEnabled());
  EXPECT_EQ(window->UndoAction->text(), "&Undo Rename Panel 3");
  EXPECT_EQ(Stack().UndoCount(), 2);
  // An action that changes nothing after an undo still ends what could be
  // made again, and keeps what can be taken back.
  window->UndoCommand();
  ASSERT_TRUE(Stack().CanRedo());
  window->CommitRename(window->Manager().FindNode("DESK"), "DESK");
  EXPECT_FALSE(Stack().CanRedo());
  EXPECT_EQ(Stack().UndoCount(), 1);
  EXPECT_EQ(window->UndoAction->text(), "&Undo Rename Panel 1");
}

TEST_F(UndoTest, TheStackEndsWithTheDatabase) {
  Open();
  window->CommitRename(window->Manager().FindNode("Panel 1"), "DESK");
  ASSERT_TRUE(window->UndoAction->isEnabled());
  // Opened again: the journal begins anew.
  ASSERT_TRUE(window->Manager().OpenDatabaseFile(window->Manager().DatabaseFileName, {2, 3, 4}));
  window->EnableAfterOpen();
  EXPECT_FALSE(window->UndoAction->isEnabled());
  EXPECT_EQ(window->UndoAction->text(), "&Undo");
  // Saved under another name the database goes on, and so do its steps.
  window->CommitRename(window->Manager().FindNode("DESK"), "DESK A");
  window->Manager().SaveAs(QDir::current().filePath("Other.ZP3"));
  window->RefreshCaption();
  EXPECT_TRUE(window->UndoAction->isEnabled());
  window->UndoCommand();
  EXPECT_NE(window->Manager().FindNode("DESK"), nullptr);
  // Closed: nothing is left to undo or redo.
  window->ResetToEmpty();
  EXPECT_FALSE(window->UndoAction->isEnabled());
  EXPECT_FALSE(window->RedoAction->isEnabled());
}

}  // namespace
