/*
 * zephra_upload.h: what a controller holds, as a database file of its own
 * or in a summary set against the open file. These exports are not among the
 * dbs_ calls of zephra.h.
 *
 * The two ..ToFile exports make a new database file at `path` (an existing file is refused with
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

/* What the controller the on-line database `handle` is bound to holds, set
 * against the file: for the user to see before choosing between an upload
 * and a download, typically after dbs_OnLine answered
 * DBS_ERR_CHECKSUM_MISMATCH or DBS_ERR_CONTROLLER_CORRUPT. The controller's
 * version is asked first; only when it holds a database of the file's format
 * are its dimensions read (as dbs_Upload reads them) and its block checksums
 * set against those a download of the file would give.
 *
 * The database stays on-line whatever the answer, a link failure too (that
 * failure's status is answered), and its file as it is: building the file's
 * image gives a placed UMD that has no keypad one, as going on-line already
 * did, and changes nothing else. A handle
 * that names no open database answers DBS_ERR_INVALID_DATABASE, as does an
 * old-format database; one that is not on-line DBS_ERR_NOT_ONLINE; a null
 * `summary` DBS_ERR_INVALID_ARGUMENT. The summary is zero-filled first and
 * stays so on any failure. */
typedef struct ZephraControllerSummary {
  char version[9];          /* the controller's database version text, NUL-ended, e.g. "ZP301.00" */
  uint16_t controllerType;  /* the DatabaseType its version names: 0 KV1, 2 V1, 3 V2, 4 V3; 0xFFFF unknown */
  uint16_t sameFormat;      /* 1 when it holds a database of the file's format; the fields below are filled only then */
  uint16_t levelCount;      /* levels of matrix 0 the controller holds, as an upload would take them */
  uint16_t sourceCount[8];  /* sources of each of those levels, 0 beyond levelCount */
  uint16_t destCount[8];    /* destinations of each of those levels, 0 beyond levelCount */
  uint32_t blockCount;      /* 1 KB blocks of the controller image */
  uint32_t differingBlocks; /* blocks whose checksum differs from what a download of the file would write;
                               0xFFFFFFFF when the controller's checksums could not be read (it reports its
                               database corrupt) */
  char areas[256];          /* the areas those blocks lie in, in words, in the order they lie in the controller,
                               separated by ", " ("source names, panels, keypads"), NUL-ended, cut to fit */
} ZephraControllerSummary;

DBS_API DbsStatus zephra_DescribeController(DbsHandle handle, ZephraControllerSummary* summary);

#endif
