// TUndoStack: the open database's steps as the user sees them. The library's
// journal holds the bytes each step changed and is the truth about what can
// be taken back; the stack keeps only what each step is called ("Apply
// Panel", "Rename Level 3"), for the Edit menu, and follows the journal's
// counts.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "CommonInterface.h"

class TUndoStack : public QObject {
  Q_OBJECT

 public:
  explicit TUndoStack(TCommonInterface& ci) : ci_(ci) {}

  // Runs `change` as one step named `what`: everything it writes is taken
  // back by one undo. A step inside a step joins the outer one; without an
  // open database, or one the journal does not cover, `change` just runs.
  // Answers what `change` answered. A change that fails is kept as a step
  // of what it wrote, unless `onFailure` is kCancelOnFailure: then all of it
  // is taken back (for changes that leave no working copy behind).
  enum Failure { kKeepOnFailure, kCancelOnFailure };
  // Once the outermost step has run, Written tells that the database may
  // have changed.
  bool Run(const QString& what, const std::function<bool()>& change, Failure onFailure = kKeepOnFailure);

  bool CanUndo() const { return done_ > 0; }
  bool CanRedo() const { return done_ < texts_.size(); }
  QString UndoText() const { return CanUndo() ? texts_[done_ - 1] : QString(); }
  QString RedoText() const { return CanRedo() ? texts_[done_] : QString(); }
  int UndoCount() const { return static_cast<int>(done_); }
  int RedoCount() const { return static_cast<int>(texts_.size() - done_); }
  bool InStep() const { return depth_ > 0; }
  // Whether the step an undo (a redo) would move was made off-line: moved
  // on-line it is sent to the controller.
  bool UndoMadeOffLine() const { return CanUndo() && !live_[done_ - 1]; }
  bool RedoMadeOffLine() const { return CanRedo() && !live_[done_]; }

  // Takes back the latest step or makes again the one the last undo took
  // back (and tells Written); true when the step moved (on-line, the controller may still have
  // refused it: the interface has said so).
  bool Undo();
  bool Redo();
  // Takes up the journal's counts: a database closed, replaced, reconfigured
  // or uploaded over, or a journal the library had to drop, empties the stack.
  void Sync();

 signals:
  void Changed();
  // Something was written to the database (a step run, undone or redone):
  // whoever keeps a copy of what is stored reads it again.
  void Written();

 private:
  bool Record(const QString& what, const std::function<bool()>& change, Failure onFailure);
  bool Move(bool undo);
  // The journal's state, asked without a message; false without a database.
  bool State(ZephraJournalState& state);
  void Reset(DbsHandle handle, uint32_t losses);

  TCommonInterface& ci_;
  std::vector<QString> texts_;  // oldest first: the undoable steps, then the redoable ones
  std::vector<bool> live_;      // for each of them: made while on-line
  std::size_t done_ = 0;        // how many of them are made (can be taken back)
  int depth_ = 0;
  DbsHandle handle_ = -1;
  uint32_t losses_ = 0;
};

// Runs `change` as one step of the database `ci` has open (or just runs it
// when no stack is attached).
bool RunStep(TCommonInterface& ci, const QString& what, const std::function<bool()>& change);
