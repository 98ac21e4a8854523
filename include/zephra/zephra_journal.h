/*
 * zephra_journal.h: taking changes back and making them again.
 * These exports are not among the dbs_ calls of zephra.h.
 *
 * Each open database keeps a journal of steps. The caller opens a step with
 * zephra_BeginStep, makes its changes with any dbs_ set operations (as many
 * as the user's one action needs) and closes it with zephra_EndStep. While
 * a step is open, every byte the changes overwrite in the file is recorded,
 * so that zephra_UndoStep puts back exactly the bytes the file had before the
 * step (the tables, entry-sequence trees, free lists and salvo chains and the
 * block checksums alike) and zephra_RedoStep exactly the bytes it had after
 * it. Undo takes back the latest step not yet taken back; redo makes again
 * the step the last undo took back. The journal is the library's memory
 * only: nothing of it is stored in the file.
 *
 * On-line, an undo or redo reaches the controller as any change does: every
 * run of bytes by which the controller image and the three parameter areas
 * of the file differ before and after it is written to the controller, and
 * the controller is restarted when a level type or a general port changed
 * (after the PC's own port has followed the settings of the general port
 * it is connected to), as those changes restart it when they are made. The
 * controller then agrees with the file as far as it agreed before.
 *
 * Changes outside a step. A change made while no step is open cannot be
 * taken back, and it leaves the steps alone as long as it changes no byte a
 * step holds. A change that does alter a byte some step holds (one the
 * step changed, or lies between two of its changes) would be partly
 * reverted by that step's undo or redo, so no step is safe any more: the
 * whole journal is dropped. The change itself succeeds as usual; the caller
 * learns of the loss from zephra_GetJournalState (its undo and redo counts
 * are 0, its losses count has grown). The library makes such changes itself
 * in a few places: building the controller image when going on-line or
 * downloading gives a placed UMD without a keypad one, and a parameter
 * upload writes what the controller holds.
 *
 * The journal ends with the database: dbs_CloseFile, dbs_ReconfigureFile
 * (the new database starts without one) and a full upload (dbs_Upload, or
 * dbs_UploadWithOptions with the database component) drop every step. A
 * failed or cancelled full upload, which leaves the file as it was, keeps
 * them. dbs_SaveFile keeps the journal: the database goes on, byte for byte,
 * in the new file.
 *
 * Every export answers DBS_ERR_INVALID_DATABASE for a handle that names no
 * open database or an old-format (KV1) one, DBS_ERR_INVALID_ARGUMENT for a
 * missing output or a call out of turn (a step begun while one is open, an
 * undo with nothing to take back), DBS_ERR_OUT_OF_MEMORY when the journal
 * cannot grow. A database opened read-only refuses a step with 5.
 */
#ifndef ZEPHRA_ZEPHRA_JOURNAL_H
#define ZEPHRA_ZEPHRA_JOURNAL_H

#include "zephra/zephra.h"

/* Opens a step. The steps an undo took back can no longer be made again
 * (as a new command on an undo stack drops the commands above it). */
DBS_API DbsStatus zephra_BeginStep(DbsHandle handle);

/* Closes the open step and writes its number to `step`: the count of steps
 * that can now be taken back (1 for the first). When the step changed no
 * byte of the file, nothing is kept and `step` is 0. */
DBS_API DbsStatus zephra_EndStep(uint32_t* step, DbsHandle handle);

/* Closes the open step by taking back every change made in it (a failed
 * action leaves nothing behind); nothing is kept. On-line as for an undo. */
DBS_API DbsStatus zephra_CancelStep(DbsHandle handle);

/* Takes back the latest step, or makes again the step the last undo took
 * back. Refused while a step is open or when there is no such step. On-line,
 * a failure while the controller is told (the link's status, or memory for
 * the controller images) is answered as it is; the file has then been
 * changed and the step moved all the same, and the controller differs from
 * the file until a download. Whether the step moved shows in the undo and
 * redo counts. */
DBS_API DbsStatus zephra_UndoStep(DbsHandle handle);
DBS_API DbsStatus zephra_RedoStep(DbsHandle handle);

/* Forgets every step; an open step is closed and its changes stay in the
 * file. */
DBS_API DbsStatus zephra_ClearJournal(DbsHandle handle);

typedef struct ZephraJournalState {
  uint32_t undoSteps; /* steps zephra_UndoStep can take back */
  uint32_t redoSteps; /* steps zephra_RedoStep can make again */
  uint32_t stepOpen;  /* 1 between zephra_BeginStep and zephra_EndStep */
  uint32_t losses;    /* how often a change outside a step dropped the
                         journal, since it began (the database was opened,
                         created, reconfigured or fully uploaded) */
  uint64_t bytesHeld; /* the memory the steps hold */
} ZephraJournalState;

DBS_API DbsStatus zephra_GetJournalState(ZephraJournalState* state, DbsHandle handle);

/* The number of file bytes step `step` (1 = the oldest kept, up to
 * undoSteps + redoSteps) puts back on an undo. */
DBS_API DbsStatus zephra_GetStepSize(uint32_t step, uint32_t* bytes, DbsHandle handle);

#endif
