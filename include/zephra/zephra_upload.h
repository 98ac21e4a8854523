/*
 * zephra_upload.h: what a controller holds, as a database file of its own.
 * These exports are not among the dbs_ calls of zephra.h.
 *
 * Both make a new database file at `path` (an existing file is refused with
 * the status dbs_CreateFile gives it, a path naming an open database
 * likewise) and close it again; they never change the database the handle
 * names. The two files are built the same way (the controller's areas
 * decoded as a full upload decodes them), so a comparison of the two shows
 * what a download would change on the controller and nothing else. On any
 * failure no file is left at `path`.
 */
#ifndef ZEPHRA_ZEPHRA_UPLOAD_H
#define ZEPHRA_ZEPHRA_UPLOAD_H

#include "zephra/zephra.h"

/* Reads the controller image and the three parameter areas of the
 * controller the on-line database `handle` is bound to (progress and
 * cancelling as for dbs_Upload) into a new database at `path` with the
 * controller's dimensions and the open database's name. The open database
 * stays as it is, on-line, its journal kept. Answers as dbs_Upload does for a
 * handle that is not on-line or a controller of another format. */
DBS_API DbsStatus zephra_UploadToFile(DbsHandle handle, DbsString path, DbsTransferProgressCallback progress);

/* The database `handle` as its controller would hold it after a download,
 * into a new database at `path`: its controller image and parameter areas
 * built as a download builds them, then decoded as zephra_UploadToFile
 * decodes the controller's. Needs no controller. Building the image gives a
 * placed UMD that has no keypad one, as going on-line does, so a database
 * opened read-only is refused with 5. */
DBS_API DbsStatus zephra_ControllerViewToFile(DbsHandle handle, DbsString path);

#endif
