// The journal's exports: steps opened and closed by the caller, taken back
// and made again, on-line with the controller brought along.
#include <optional>

#include "entry.h"
#include "journal.h"
#include "transfer/controller_changes.h"
#include "zephra/zephra_journal.h"

namespace zephra {
namespace {

Journal& JournalOf(Slot& slot) {
  if (!slot.journal) slot.journal = std::make_unique<Journal>();
  return *slot.journal;
}

// Runs `change` (which writes the file without journaling it) and, on-line,
// writes to the controller what it changed there.
template <class F>
Status Replay(Db& db, F&& change) {
  std::optional<ControllerContent> before;
  if (db.Online()) before = ControllerContentOf(db);
  change();
  // The places of panels and UMDs are read from the file again when next
  // needed.
  db.GetSlot().drops.reset();
  if (!before) return DBS_OK;
  return SendControllerChanges(db, *before, ControllerContentOf(db));
}

// Writes one side of every run of a step.
void WriteSide(Db& db, Journal& journal, const JournalStep& step, bool after) {
  Journal::Quiet quiet(journal);
  for (const JournalStep::Run& r : step.runs) db.WriteBytes(r.pos, after ? step.After(r) : step.Before(r), r.length);
}

template <class F>
Status WithJournal(DbsHandle handle, F&& body) noexcept {
  return WithDb(handle, [&](Db& db) -> Status { return body(db, JournalOf(db.GetSlot())); });
}

// Takes the latest step back, or makes the one taken back last again.
Status TakeStep(DbsHandle handle, bool redo) {
  return WithJournal(handle, [&](Db& db, Journal& journal) -> Status {
    const JournalStep* step = redo ? journal.ToRedo() : journal.ToUndo();
    if (!step) return DBS_ERR_INVALID_ARGUMENT;
    return Replay(db, [&] {
      WriteSide(db, journal, *step, redo);
      if (redo) {
        journal.Redone();
      } else {
        journal.Undone();
      }
    });
  });
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus zephra_BeginStep(DbsHandle handle) {
  return WithJournal(handle, [&](Db& db, Journal& journal) -> Status {
    if (Status s = CheckWritable(db.GetSlot()); s != DBS_OK) return s;
    return journal.Begin() ? Status{DBS_OK} : Status{DBS_ERR_INVALID_ARGUMENT};
  });
}

DBS_API DbsStatus zephra_EndStep(uint32_t* step, DbsHandle handle) {
  return WithJournal(handle, [&](Db& db, Journal& journal) -> Status {
    if (!step || !journal.IsOpen()) return DBS_ERR_INVALID_ARGUMENT;
    *step = journal.End(db.GetSlot().db->image);
    return DBS_OK;
  });
}

DBS_API DbsStatus zephra_CancelStep(DbsHandle handle) {
  return WithJournal(handle, [&](Db& db, Journal& journal) -> Status {
    if (!journal.IsOpen()) return DBS_ERR_INVALID_ARGUMENT;
    return Replay(db, [&] {
      journal.Abandon([&](std::uint32_t pos, const std::uint8_t* bytes, std::size_t count) {
        db.WriteBytes(pos, bytes, count);
      });
    });
  });
}

DBS_API DbsStatus zephra_UndoStep(DbsHandle handle) { return TakeStep(handle, false); }

DBS_API DbsStatus zephra_RedoStep(DbsHandle handle) { return TakeStep(handle, true); }

DBS_API DbsStatus zephra_ClearJournal(DbsHandle handle) {
  return WithJournal(handle, [&](Db&, Journal& journal) -> Status {
    journal.Clear();
    return DBS_OK;
  });
}

DBS_API DbsStatus zephra_GetJournalState(ZephraJournalState* state, DbsHandle handle) {
  return WithJournal(handle, [&](Db&, Journal& journal) -> Status {
    if (!state) return DBS_ERR_INVALID_ARGUMENT;
    *state = {journal.UndoCount(), journal.RedoCount(), journal.IsOpen() ? 1u : 0u, journal.Losses(), journal.Held()};
    return DBS_OK;
  });
}

DBS_API DbsStatus zephra_GetStepSize(uint32_t step, uint32_t* bytes, DbsHandle handle) {
  return WithJournal(handle, [&](Db&, Journal& journal) -> Status {
    const JournalStep* s = journal.Step(step);
    if (!bytes || !s) return DBS_ERR_INVALID_ARGUMENT;
    *bytes = s->Changed();
    return DBS_OK;
  });
}
