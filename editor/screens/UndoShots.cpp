// Pictures of undo and Find: the Edit menu naming the step it takes back, the
// Find window listing the hits of a name, and the tree narrowed by its filter.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>

#include "FindDialog.h"
#include "MainformCode.h"
#include "forms/LevelResourceForm.h"
#include "forms/StringGrid.h"
#include "screens/Screenshots.h"

void UndoFindShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  TDatabaseManager& m = window.Manager();
  // A few changes as the user makes them: names pasted into level 1, two
  // panels renamed.
  window.Tree()->setCurrentItem(m.FindNode("Level 1"));
  window.PropertiesCommand();
  if (auto* level = qobject_cast<TLevelForm*>(TDatabaseManager::ResourceOf(m.FindNode("Level 1"))->EditorForm.data())) {
    QApplication::clipboard()->setText("STUDIO 1\r\nSTUDIO 2\r\nSTUDIO 3\r\nCAM 4\r\n");
    level->SourcesGrid->SelectCell(0, 0);
    level->SourcesGrid->PasteClipboard();
    level->OkButton()->click();
    QApplication::clipboard()->clear();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (const auto& [from, to] : {std::pair{"Panel 1", "STUDIO A"}, std::pair{"Panel 2", "STUDIO B"}}) {
    if (QTreeWidgetItem* node = m.FindNode(from)) window.CommitRename(node, to);
  }
  window.UndoCommand();  // one taken back: Redo has a step too
  QAction* edit = nullptr;
  for (QAction* a : window.menuBar()->actions()) {
    if (a->text() == "&Edit") edit = a;
  }
  if (edit) shots.SaveMenu(window, *edit, "undo-1-edit-menu");

  window.FindCommand();
  if (TFindDialog* find = window.FindWindow()) {
    find->FindEdit->setText("studio");
    shots.Save(*find, "undo-2-find-hits");
    find->FindEdit->setText("nothing like it");
    shots.Save(*find, "undo-3-find-nothing");
    find->close();
  }
  window.TreeFilter->setText("studio");
  shots.Save(window, "undo-4-tree-filtered");
  window.TreeFilter->clear();
  // The demo database as it was, for whatever follows.
  while (m.Steps().CanUndo()) window.UndoCommand();
}
