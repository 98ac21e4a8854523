/*
 * zephra.h: the public C interface of libzephra.so, the library that owns
 * the configuration databases of the router controller.
 *
 * Every export returns a 32-bit status (DBS_OK or one of the codes below),
 * takes the database handle as its last argument (the four transfer exports
 * take it first) and lets no exception escape.
 *
 * Strings cross the boundary as DbsString: a pointer to the first of a run of
 * UTF-16 code units, with the number of units stored as a uint32_t in the four
 * bytes just before it. The caller allocates and frees them (DbsStringAlloc /
 * DbsStringFree below); the library reads the length from the prefix, fills
 * output strings in place within that length and never allocates, resizes or
 * frees a caller's string. A null DbsString counts as a string of length 0.
 */
#ifndef ZEPHRA_ZEPHRA_H
#define ZEPHRA_ZEPHRA_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
#define ZEPHRA_EXTERN_C extern "C"
#else
#include <uchar.h>
#define ZEPHRA_EXTERN_C extern
#endif

/* Marks a function exported by libzephra.so. */
#define DBS_API ZEPHRA_EXTERN_C __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- statuses */

typedef uint32_t DbsStatus;
typedef int32_t DbsHandle;

/*
 * The library's own status codes: X(name, value, meaning). The meaning is a
 * plain sentence a tool may show; the editor has its own messages.
 */
#define DBS_STATUS_CODES(X)                                                                              \
  X(DBS_OK, 0x00000000, "The operation succeeded.")                                                     \
  X(DBS_ERR_INVALID_DATABASE, 0x20000001, "The handle names no open database, or the database is not of a format this operation accepts.") \
  X(DBS_ERR_WRONG_VERSION, 0x20000002, "The controller holds a database of another version.")           \
  X(DBS_ERR_INVALID_CONFIG, 0x20000003, "The configuration breaks a limit of its format.")               \
  X(DBS_ERR_CHECKSUM_MISMATCH, 0x20000004, "The controller's database differs from the open database.")  \
  X(DBS_ERR_DLL_NOT_FOUND, 0x20000005, "The link library libtolvex.so was not found.")                  \
  X(DBS_ERR_DLL_FUNCTION_MISSING, 0x20000006, "The link library lacks a function this operation needs.") \
  X(DBS_ERR_COMMS, 0x20000007, "Communication with the controller failed.")                             \
  X(DBS_ERR_INVALID_ARGUMENT, 0x20000008, "An index or argument is outside its range.")                 \
  X(DBS_ERR_SEQUENCE_UNDEFINED, 0x20000009, "The keypad has no entry sequence.")                        \
  X(DBS_ERR_SEQUENCE_NOT_FOUND, 0x2000000a, "The entry sequence does not exist.")                       \
  X(DBS_ERR_NO_MORE_SEQUENCES, 0x2000000b, "There are no more entry sequences on this keypad.")         \
  X(DBS_ERR_LIMIT_REACHED, 0x2000000c, "The table has no free record left.")                            \
  X(DBS_ERR_NOT_LEAF, 0x2000000d, "The entry sequence has further keys after it.")                      \
  X(DBS_ERR_SALVO_RECORD_NOT_FOUND, 0x2000000e, "The salvo crosspoint record does not exist.")          \
  X(DBS_ERR_SALVO_EMPTY, 0x2000000f, "The salvo has no crosspoints.")                                   \
  X(DBS_ERR_TRANSFER_BUSY, 0x20000010, "The serial port cannot be set to the requested speed.")         \
  X(DBS_ERR_DATA_BITS_UNSUPPORTED, 0x20000011, "The serial port cannot use the requested data bits.")   \
  X(DBS_ERR_PARITY_UNSUPPORTED, 0x20000012, "The serial port cannot use the requested parity.")         \
  X(DBS_ERR_STOP_BITS_UNSUPPORTED, 0x20000013, "The serial port cannot use the requested stop bits.")   \
  X(DBS_ERR_TIMEOUT, 0x20000014, "The controller did not answer in time.")                              \
  X(DBS_ERR_CONTROLLER_CORRUPT, 0x20000016, "The controller reports its database checksums as unusable.") \
  X(DBS_ERR_NOT_ONLINE, 0x20000017, "The database is not on-line with a controller.")                   \
  X(DBS_ERR_FILE_CORRUPT, 0x20000018, "The database file is damaged: a block does not match its checksum.") \
  X(DBS_ERR_RECEIVER_THREAD, 0x20000020, "The link's receiver thread failed.")                          \
  X(DBS_ERR_WRITER_THREAD, 0x20000021, "The link's writer thread failed.")                              \
  X(DBS_ERR_DISPATCHER_THREAD, 0x20000022, "The link's dispatcher thread failed.")                      \
  X(DBS_ERR_OUT_OF_MEMORY, 0x20000023, "A working buffer could not be obtained.")                       \
  X(DBS_ERR_THREADS_NOT_STOPPED, 0x20000024, "The link's threads could not be stopped.")                \
  X(DBS_ERR_KEYPAD_INCOMPATIBLE, 0x20000025, "The keypad cannot be copied onto the other.")             \
  X(DBS_ERR_CANCELLED, 0x20000026, "The transfer was cancelled.")                                       \
  X(DBS_ERR_NO_MATCHING_REPLY, 0x20000027, "The controller never answered with the item asked for.")    \
  X(DBS_ERR_KEYPAD_IN_USE, 0x20000028, "The keypad is in use by a panel.")                              \
  X(DBS_ERR_CONTROLLER_NOT_V1, 0x20000030, "The controller does not hold a V1 database.")               \
  X(DBS_ERR_CONTROLLER_NOT_V2, 0x20000031, "The controller does not hold a V2 database.")               \
  X(DBS_ERR_CONTROLLER_NOT_V3, 0x20000032, "The controller does not hold a V3 database.")               \
  X(DBS_ERR_NO_XY_SET, 0x20000100, "The panel has no XY-controlled destination set.")                   \
  X(DBS_ERR_NO_OUTPUT_SET, 0x20000101, "The panel has no output set.")                                  \
  X(DBS_ERR_NO_OVERRIDE_SET, 0x20000102, "The panel has no override-source set.")

/*
 * Platform statuses the library returns, numbered as the editor's message
 * table expects: X(name, value, meaning).
 */
#define DBS_PLATFORM_CODES(X)                                                                      \
  X(DBS_SYS_FILE_NOT_FOUND, 2, "The file was not found.")                                          \
  X(DBS_SYS_PATH_NOT_FOUND, 3, "The folder was not found.")                                        \
  X(DBS_SYS_TOO_MANY_OPEN_FILES, 4, "Too many databases are open.")                                \
  X(DBS_SYS_ACCESS_DENIED, 5, "Access to the file was denied.")                                    \
  X(DBS_SYS_NOT_ENOUGH_MEMORY, 8, "There is not enough memory.")                                   \
  X(DBS_SYS_WRITE_PROTECT, 19, "The disk is write protected.")                                     \
  X(DBS_SYS_WRITE_FAULT, 29, "The file could not be written.")                                     \
  X(DBS_SYS_READ_FAULT, 30, "The file could not be read.")                                         \
  X(DBS_SYS_GEN_FAILURE, 31, "The system could not carry out the file operation.")                 \
  X(DBS_SYS_SHARING_VIOLATION, 32, "The file is in use: it is already open.")                      \
  X(DBS_SYS_FILE_EXISTS, 80, "The file already exists.")                                           \
  X(DBS_SYS_DISK_FULL, 112, "There is not enough space on the disk.")                              \
  X(DBS_SYS_INVALID_NAME, 123, "The file name is not valid.")                                      \
  X(DBS_SYS_MOD_NOT_FOUND, 126, "The link library could not be loaded.")                           \
  X(DBS_SYS_PROC_NOT_FOUND, 127, "A function is missing from the link library.")                   \
  X(DBS_SYS_ALREADY_EXISTS, 183, "The file already exists.")

#define DBS_STATUS_ENUM_ENTRY(name, value, text) name = value,
enum DbsStatusCode { DBS_STATUS_CODES(DBS_STATUS_ENUM_ENTRY) DBS_PLATFORM_CODES(DBS_STATUS_ENUM_ENTRY) };
#undef DBS_STATUS_ENUM_ENTRY

/* Number of database slots, and so the handles 0 .. DBS_MAX_DATABASES - 1. */
#define DBS_MAX_DATABASES 10

/* ----------------------------------------------------------------- strings */

typedef char16_t DbsChar;
/* Points at the first unit; the unit count is the uint32_t just before it. */
typedef DbsChar* DbsString;

/* Number of units of a boundary string; 0 for a null string. */
static inline uint32_t DbsStringLength(const DbsChar* s) {
  uint32_t n = 0;
  if (s) memcpy(&n, (const unsigned char*)s - sizeof n, sizeof n);
  return n;
}

/* A string of `units` zero units (plus a hidden zero terminator), or null
 * when memory runs out. Free it with DbsStringFree. */
static inline DbsString DbsStringAlloc(uint32_t units) {
  size_t bytes = sizeof(uint32_t) + ((size_t)units + 1) * sizeof(DbsChar);
  unsigned char* block = (unsigned char*)calloc(1, bytes);
  if (!block) return NULL;
  memcpy(block, &units, sizeof units);
  return (DbsString)(block + sizeof(uint32_t));
}

/* A boundary string holding a copy of `units` units from `text`. */
static inline DbsString DbsStringFromUnits(const DbsChar* text, uint32_t units) {
  DbsString s = DbsStringAlloc(units);
  if (s && units) memcpy(s, text, (size_t)units * sizeof(DbsChar));
  return s;
}

static inline void DbsStringFree(DbsString s) {
  if (s) free((unsigned char*)s - sizeof(uint32_t));
}

/* --------------------------------------------------------------- callbacks */

/* Receives a status found by the link library, possibly from its threads. */
typedef void (*DbsErrorCallback)(uint32_t status);
/* Asked while the controller is searched for: write 0 to *keepGoing to give up. */
typedef void (*DbsSearchStatusCallback)(int32_t stage, int32_t* keepGoing);
/* Transfer progress; answering 255 cancels the transfer. */
typedef uint32_t (*DbsTransferProgressCallback)(uint32_t status, uint32_t done, uint32_t total);

#define DBS_PROGRESS_CANCEL 255u

/* ---------------------------------------------------------- configuration */

/* Database formats: the configType field and the controller-type answer. */
enum DbsDatabaseType { DBS_TYPE_KV1 = 0, DBS_TYPE_V1 = 2, DBS_TYPE_V2 = 3, DBS_TYPE_V3 = 4 };

#define DBS_MAX_MATRICES 20
#define DBS_MAX_LEVELS 16
#define DBS_MAX_KEYPADS 100

/*
 * The fields of the configuration record after its name, identical in the
 * form exchanged with callers and the form stored at the start of every
 * database file (1856 bytes). Counts give the number of records a table has
 * room for.
 */
#define DBS_CONFIG_FIELDS                                                                        \
  uint16_t recordSize;  /* size of the record as the caller sees it; not checked */            \
  uint16_t configType;  /* DbsDatabaseType */                                                  \
  DbsChar version[8];   /* format tag, e.g. "ZP300.00"; the first three units are checked */   \
  uint16_t matrixCount;                                                                         \
  uint16_t levelCount[DBS_MAX_MATRICES];                                                        \
  uint16_t sourceCount[DBS_MAX_MATRICES][DBS_MAX_LEVELS];                                       \
  uint16_t destCount[DBS_MAX_MATRICES][DBS_MAX_LEVELS];                                         \
  uint16_t sourceAssocCount[DBS_MAX_MATRICES];                                                  \
  uint16_t destAssocCount[DBS_MAX_MATRICES];                                                    \
  uint16_t tieLineCount;                                                                        \
  uint16_t generalPortCount;                                                                    \
  uint16_t matrixPortCount;   /* one per level of matrix 0; set by validation */                \
  uint16_t multidropPortCount;                                                                  \
  uint16_t panelCount;                                                                          \
  uint16_t keypadCount;                                                                         \
  uint16_t keyCount[DBS_MAX_KEYPADS];                                                           \
  uint16_t nodeCount[DBS_MAX_KEYPADS];                                                          \
  uint16_t xySetCount;                                                                          \
  uint16_t outputSetCount;    /* output sets and override-source sets; set by validation */     \
  uint16_t umdCount;                                                                            \
  uint16_t inputCueCount;                                                                       \
  uint16_t outputCueCount;                                                                      \
  uint16_t salvoCount;                                                                          \
  uint16_t salvoXPCount;      /* salvo crosspoint records shared by all salvos */               \
  uint32_t hasAutoProtect;    /* non-zero: the database carries auto-protect tables */          \
  uint16_t pathProtectCount;                                                                    \
  uint16_t reserved;

/* The configuration record as passed to dbs_CreateFile and dbs_ReconfigureFile
 * and filled by dbs_GetConfig: the name is a caller-owned boundary string. */
typedef struct TConfigurationRecord {
  DbsString name;
  DBS_CONFIG_FIELDS
} TConfigurationRecord;

/* The value to write into recordSize. */
#define DBS_CONFIG_RECORD_SIZE ((uint16_t)sizeof(TConfigurationRecord))


/* ------------------------------------------------------ database files */

/* Creates a database file of the record's format (V1, V2 or V3) with default
 * content and opens it. overwrite non-zero replaces an existing file; 0 makes
 * an existing file an error (80). The record is not changed. */
DBS_API DbsStatus dbs_CreateFile(DbsString path, const TConfigurationRecord* config, int32_t overwrite,
                                 DbsHandle* handle);

/* Opens an existing database file; writable 0 opens it read-only, and every
 * change to such a database is refused with 5. */
DBS_API DbsStatus dbs_OpenFile(DbsString path, int32_t writable, DbsHandle* handle);

/* Copies the open database to a new file and goes on with that file under the
 * same handle. On failure the database stays open on its old file. */
DBS_API DbsStatus dbs_SaveFile(DbsString path, int32_t overwrite, DbsHandle* handle);

/* Takes the database off-line if needed, closes its file and frees the handle;
 * answers the status of going off-line, else DBS_OK. */
DBS_API DbsStatus dbs_CloseFile(DbsHandle handle);

/* The path of the open file: as many units as the caller's string holds (at
 * most 256), the path followed by a zero unit. */
DBS_API DbsStatus dbs_GetDatabaseName(DbsString name, DbsHandle handle);

/* The database's configuration as validated: the fields, and up to 16 units of
 * the name into the caller's name string (its other units are left alone). */
DBS_API DbsStatus dbs_GetConfig(TConfigurationRecord* config, DbsHandle handle);

/* The size of the controller's image of this database's format. */
DBS_API DbsStatus dbs_GetDBSize(uint32_t* size, DbsHandle handle);

#ifdef __cplusplus
}
#endif

#endif /* ZEPHRA_ZEPHRA_H */
