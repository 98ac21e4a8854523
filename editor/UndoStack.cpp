#include "UndoStack.h"

namespace {

// The journal calls of the stack report nothing themselves: a database the
// journal does not cover (opened read-only, say) simply has no steps.
class TQuiet {
 public:
  explicit TQuiet(TCommonInterface& ci) : ci_(ci), saved_(ci.ShowErrors) { ci.ShowErrors = false; }
  ~TQuiet() { ci_.ShowErrors = saved_; }
  TQuiet(const TQuiet&) = delete;
  TQuiet& operator=(const TQuiet&) = delete;

 private:
  TCommonInterface& ci_;
  bool saved_;
};

}  // namespace

bool TUndoStack::State(ZephraJournalState& state) {
  if (!ci_.FileHandleAssigned || ci_.FileCount <= 0) return false;
  TQuiet quiet(ci_);
  return ci_.GetJournalState(state, ci_.FileHandle);
}

void TUndoStack::Reset(DbsHandle handle, uint32_t losses) {
  texts_.clear();
  live_.clear();
  done_ = 0;
  handle_ = handle;
  losses_ = losses;
}

void TUndoStack::Sync() {
  const std::size_t before = texts_.size(), doneBefore = done_;
  ZephraJournalState state{};
  if (!State(state)) {
    Reset(-1, 0);
  } else if (ci_.FileHandle != handle_ || state.losses != losses_ ||
             state.undoSteps + state.redoSteps != texts_.size()) {
    // Another database, or a journal that was dropped or ended: the texts
    // name steps that are no longer there.
    Reset(ci_.FileHandle, state.losses);
    if (state.undoSteps + state.redoSteps > 0) {
      TQuiet quiet(ci_);
      ci_.ClearJournal(ci_.FileHandle);
    }
  } else {
    done_ = state.undoSteps;
  }
  if (texts_.size() != before || done_ != doneBefore) emit Changed();
}

bool TUndoStack::Run(const QString& what, const std::function<bool()>& change, Failure onFailure) {
  if (depth_ > 0) return change();
  const bool ok = Record(what, change, onFailure);
  emit Written();
  return ok;
}

bool TUndoStack::Record(const QString& what, const std::function<bool()>& change, Failure onFailure) {
  Sync();
  bool begun = false;
  if (handle_ >= 0) {
    TQuiet quiet(ci_);
    begun = ci_.BeginStep(ci_.FileHandle);
  }
  // A new step drops the steps taken back, even one that turns out to
  // change nothing.
  if (begun && texts_.size() > done_) {
    texts_.resize(done_);
    live_.resize(done_);
    emit Changed();
  }
  ++depth_;
  const bool ok = change();
  --depth_;
  if (!begun) return ok;
  if (!ok && onFailure == kCancelOnFailure) {
    {
      TQuiet quiet(ci_);
      ci_.CancelStep(ci_.FileHandle);
    }
    Sync();
    return ok;
  }
  // A change that failed part way keeps what it wrote as a step of its own:
  // the form that made it still shows its working copy against what it
  // stored, so taking the writes back behind its back would part the two.
  uint32_t step = 0;
  bool ended = false;
  {
    TQuiet quiet(ci_);
    ended = ci_.EndStep(step, ci_.FileHandle);
  }
  if (ended && step > 0) {
    texts_.resize(step - 1);
    live_.resize(step - 1);
    texts_.push_back(what);
    live_.push_back(ci_.OnlineStatus);
    done_ = step;
    emit Changed();
  }
  Sync();
  return ok;
}

bool TUndoStack::Move(bool undo) {
  Sync();
  if (undo ? !CanUndo() : !CanRedo()) return false;
  const std::size_t before = done_;
  // On-line, the interface tells of a controller that did not follow.
  undo ? ci_.UndoStep(ci_.FileHandle) : ci_.RedoStep(ci_.FileHandle);
  emit Written();
  ZephraJournalState state{};
  if (State(state) && state.undoSteps + state.redoSteps == texts_.size() && state.losses == losses_) {
    done_ = state.undoSteps;
  } else {
    Sync();
  }
  emit Changed();
  return done_ != before;
}

bool TUndoStack::Undo() { return Move(true); }
bool TUndoStack::Redo() { return Move(false); }

bool RunStep(TCommonInterface& ci, const QString& what, const std::function<bool()>& change) {
  return ci.Steps ? ci.Steps->Run(what, change) : change();
}
