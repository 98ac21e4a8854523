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
/* Asked while the controller is searched for: write 0 to *keepGoing to give
 * up. Stage 0: looking for the controller; 1: reading its checksums; a stage
 * of DBS_SEARCH_SPEED_MIN or more: still waiting for an answer at that many
 * baud (asked about every 100 ms, so that the caller can stay responsive). */
#define DBS_SEARCH_SPEED_MIN 300
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
 * How large a level can be: the most destinations each of the first eight
 * levels of a format holds (later levels cannot be used). A level may have
 * one source more than this, its park source.
 */
#define DBS_USABLE_LEVELS 8
#define DBS_LEVEL_MAX_DESTS_KV1 128, 128, 128, 128, 128, 128, 128, 128
#define DBS_LEVEL_MAX_DESTS_V1 256, 256, 256, 256, 256, 256, 256, 256
#define DBS_LEVEL_MAX_DESTS_V2 512, 512, 512, 512, 256, 256, 256, 256
#define DBS_LEVEL_MAX_DESTS_V3 576, 576, 576, 576, 256, 256, 256, 256

/* The most destinations of level `level` (from 0) of a database of
   `configType`; 0 for a level or a format that has none. */
static inline uint16_t DbsLevelMaxDests(uint16_t configType, uint16_t level) {
  static const uint16_t kv1[] = {DBS_LEVEL_MAX_DESTS_KV1}, v1[] = {DBS_LEVEL_MAX_DESTS_V1},
                        v2[] = {DBS_LEVEL_MAX_DESTS_V2}, v3[] = {DBS_LEVEL_MAX_DESTS_V3};
  const uint16_t* table = configType == DBS_TYPE_KV1  ? kv1
                          : configType == DBS_TYPE_V1 ? v1
                          : configType == DBS_TYPE_V2 ? v2
                          : configType == DBS_TYPE_V3 ? v3
                                                      : NULL;
  return table && level < DBS_USABLE_LEVELS ? table[level] : 0;
}

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

/* Makes a new database file from the record (V1, V2 or V3) with default
 * content, carries over everything of the open database *handle that fits
 * its dimensions (a KV1 database is converted), closes the old database and
 * answers the new one in *handle. The new database is off-line; the status
 * of taking the old one off-line is answered when it was on-line. On a
 * failure before the copy the old database stays open and unchanged. */
DBS_API DbsStatus dbs_ReconfigureFile(DbsString path, const TConfigurationRecord* config, int32_t overwrite,
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

/* ------------------------------------------------- on-line with the controller */

/* The serial settings of the port to the controller; the link reads bytes
 * 4-11: the speed (300-115200), parity (0 none, 1 odd, 2 even), data bits (7
 * or 8), stop bits in half bits (2 one, 4 two) and handshake (1 RTS/CTS). */
typedef struct DbsPortSettings {
  uint8_t reserved0[4];
  int32_t baudRate;
  uint8_t parity;
  uint8_t dataBits;
  uint8_t stopBits;
  uint8_t handshake;
  uint8_t reserved1[12];
} DbsPortSettings;

/* Opens the link to the controller on `port` (a path, "COMn", or a name under
 * /dev), checks that the controller holds a database of this format and
 * compares its block checksums with this database's. 0 and
 * DBS_ERR_CHECKSUM_MISMATCH (or DBS_ERR_CONTROLLER_CORRUPT) leave the
 * database on-line; anything else leaves it off-line. The search callback is
 * asked whether to go on at each stage (stage 0 while the speed is searched,
 * 1 later); setting its flag to 0 gives up with DBS_ERR_COMMS. `unused` is
 * ignored. The link library is libtolvex.so beside this library, or the file
 * the environment variable ZEPHRA_LINK_LIBRARY names. */
DBS_API DbsStatus dbs_OnLine(DbsString port, const DbsPortSettings* settings, DbsErrorCallback onError,
                             DbsSearchStatusCallback onSearch, int32_t unused, DbsHandle handle);
DBS_API DbsStatus dbs_OffLine(DbsHandle handle);
/* The format the controller on `port` holds (DBS_TYPE_..., 65535 when it is
 * none of them), without a database. Refused with DBS_ERR_INVALID_ARGUMENT
 * while a database is on-line, so that no running link is disturbed. */
DBS_API DbsStatus dbs_GetControllerType(DbsString port, const DbsPortSettings* settings, DbsErrorCallback onError,
                                        DbsSearchStatusCallback onSearch, uint16_t* type);
/* The dual-controller status: the first status byte in the low half. */
DBS_API DbsStatus dbs_GetControllerStatus(uint16_t* status, DbsHandle handle);
/* The controller's boot, main and OEM software texts, each NUL-terminated
 * into a buffer of at least DBS_FIRMWARE_TEXT_SIZE bytes; "<Not On-line>"
 * in each when the database is not on-line. */
#define DBS_FIRMWARE_TEXT_SIZE 101
DBS_API DbsStatus dbs_Get_Firmware_Version(char* text1, char* text2, char* text3, DbsHandle handle);
/* Version texts of the link library and of this library, NUL-terminated into
 * a buffer of at least DBS_VERSION_TEXT_SIZE bytes. */
#define DBS_VERSION_TEXT_SIZE 64
DBS_API DbsStatus dbs_Get_Tolvex_DLL_Version(char* text);
DBS_API DbsStatus dbs_Get_Korvell_DLL_Version(char* text);
/* Writes the database to the controller: its whole controller image, then
 * the source audio, destination audio and video trigger parameter areas (or
 * those selected), in acknowledged 128-byte frames, with progress after
 * every frame and at the end of each component; a callback answering 255
 * cancels with DBS_ERR_CANCELLED. The controller is told the download has
 * ended in every case and restarts. The handle comes first here, as the
 * editor declares these calls; a handle out of range answers 2. */
DBS_API DbsStatus dbs_Download(DbsHandle handle, DbsTransferProgressCallback progress);
DBS_API DbsStatus dbs_DownloadWithOptions(DbsHandle handle, DbsTransferProgressCallback progress, uint16_t database,
                                          uint16_t sourceAudio, uint16_t destAudio, uint16_t videoTrigger);

/* Reads the database back from the controller. With the database component
 * the file is rebuilt with the controller's dimensions, beside the old one,
 * and put in its place only when it is complete: a failed or cancelled
 * upload leaves the file as it was. Without it, only the selected parameter
 * areas are read into the open database. The handle comes first; a handle
 * out of range answers DBS_ERR_INVALID_ARGUMENT. */
DBS_API DbsStatus dbs_Upload(DbsHandle handle, DbsTransferProgressCallback progress);
DBS_API DbsStatus dbs_UploadWithOptions(DbsHandle handle, DbsTransferProgressCallback progress, uint16_t database,
                                        uint16_t sourceAudio, uint16_t destAudio, uint16_t videoTrigger);

/* Clears the controller's crosspoint protects (the editor passes 255, 255). */
DBS_API DbsStatus dbs_ClearAllProtects(uint8_t a, uint8_t b, DbsHandle handle);

/* ------------------------------------------------- records of the families */

/* Numbers are 0-based. In signed 16-bit fields -1 (0xFFFF) means none. */
#define DBS_NO_ENTRY 0xFFFFu

typedef struct TMatrixRecord {
  uint16_t matrix;
  DbsString name;
  uint8_t parkMode;
  uint16_t logType;
} TMatrixRecord;

typedef struct TLevelRecord {
  uint16_t matrix;
  uint16_t level;
  DbsString name;
  uint16_t levelType;
  uint8_t direction;
  uint16_t signalOrder;     /* 0-16 */
  uint16_t monitorRows;     /* 0-7 */
  uint16_t firstMonitorRow; /* below 903 */
  uint16_t parkSource;
  uint16_t parkDest;
  uint16_t safeSource;
} TLevelRecord;

typedef struct TLevelParamRecord {
  int16_t matrix;
  int16_t level;
  uint16_t value;
} TLevelParamRecord;

/* One crosspoint: source on destination of a level. */
typedef struct TMatrixPointRecord {
  int16_t matrix;
  int16_t level;
  int16_t destination;
  int16_t source;
} TMatrixPointRecord;

typedef struct TSourceIndexRecord {
  int16_t matrix;
  int16_t level;
  int16_t source;
} TSourceIndexRecord;

typedef struct TDestIndexRecord {
  int16_t matrix;
  int16_t level;
  int16_t destination;
} TDestIndexRecord;

/* A source's six names: name1 4 characters, name2 8 (the usual one), name5
 * 12, name6 16; name3 and name4 are spare. */
typedef struct TSourceRecord {
  uint16_t matrix;
  uint16_t level;
  uint16_t source;
  DbsString name1, name2, name3, name4, name5, name6;
  uint8_t sourceType;
  uint8_t audioParam;
  uint8_t trigger;
} TSourceRecord;

typedef struct TDestinationRecord {
  int16_t matrix;
  int16_t level;
  int16_t destination;
  uint8_t destLog;
  uint8_t audioParam;
} TDestinationRecord;

/* A member of an association: (matrix, level, source or destination); -1 in
 * all three is an empty slot. Slot j normally names level j. */
typedef struct TAssociationMember {
  int16_t matrix;
  int16_t level;
  int16_t number;
} TAssociationMember;

typedef struct TSourceAssociationRecord {
  uint16_t matrix;
  uint16_t association;
  TAssociationMember members[16];
} TSourceAssociationRecord;

typedef struct TDestinationAssociationRecord {
  uint16_t matrix;
  uint16_t association; /* 0xFFFF after a search that found nothing */
  DbsString shortName;  /* the 4-character destination name */
  DbsString name;       /* the destination name, up to 16 characters */
  TAssociationMember members[16];
} TDestinationAssociationRecord;

/* How level `level` of matrix 0 maps onto the controller's physical levels;
 * levels with the same physicalLevel and group share one level type. */
typedef struct TMatrixPortRecord {
  uint16_t index;
  uint16_t physicalLevel;
  uint16_t matrix;
  uint16_t level;
  uint16_t group;
  uint16_t extra1;
  uint16_t extra2;
  uint16_t lastDest;
} TMatrixPortRecord;

/* One of the controller's general serial ports. */
typedef struct TGeneralPortRecord {
  uint16_t port;
  uint8_t portOption;
  uint8_t protocol;     /* 6: multi-drop (panels and UMDs); 2, 8, 3, 9: the others */
  uint32_t baudRate;
  uint8_t parity;       /* 0 none, 1 odd, 2 even */
  uint8_t dataBits;     /* 7 or 8 */
  uint8_t stopBits;     /* 1 = 0.5, 2 = 1, 3 = 1.5, 4 = 2 */
  uint8_t handshake;    /* 1 RTS/CTS, 0 none */
  uint8_t duplex;       /* 0 full (4 wire), 1 half (2 wire) */
  uint8_t reserved[3];
  uint32_t routeInhibits; /* 0 or 1 */
  uint32_t auxFlag;       /* 0 or 1 */
} TGeneralPortRecord;

/* Tie lines, cues and transmission-path protects: every format keeps these
 * tables empty, so their operations answer DBS_ERR_INVALID_ARGUMENT. */
typedef struct TTieLineRecord {
  uint16_t values[9];
  DbsChar name[16];
} TTieLineRecord;

typedef struct TCueRecord {
  int16_t matrix;
  int16_t level;
  int16_t number; /* destination of an input cue, source of an output cue */
} TCueRecord;

typedef struct TPathProtectRecord {
  uint8_t bytes[16];
} TPathProtectRecord;

/* ------------------------------------------------------- matrix and levels */

DBS_API DbsStatus dbs_GetMatrixName(uint16_t matrix, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetMatrixName(uint16_t matrix, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetParkMode(uint16_t matrix, uint8_t* mode, DbsHandle handle);
DBS_API DbsStatus dbs_SetParkMode(uint16_t matrix, uint8_t mode, DbsHandle handle);
DBS_API DbsStatus dbs_GetLogType(uint16_t matrix, uint16_t* type, DbsHandle handle);
DBS_API DbsStatus dbs_SetLogType(uint16_t matrix, uint16_t type, DbsHandle handle);
DBS_API DbsStatus dbs_GetMatrixData(uint16_t matrix, TMatrixRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetMatrixData(uint16_t matrix, const TMatrixRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetLevelName(uint16_t matrix, uint16_t level, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetLevelName(uint16_t matrix, uint16_t level, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetLevelType(uint16_t matrix, uint16_t level, uint16_t* type, DbsHandle handle);
/* Levels of types 40, 41, 48 and 49 carry a park source; levels mapped to the
 * same physical level and group take the new type too. */
DBS_API DbsStatus dbs_SetLevelType(uint16_t matrix, uint16_t level, uint16_t type, DbsHandle handle);
DBS_API DbsStatus dbs_GetLevelDirection(uint16_t matrix, uint16_t level, uint8_t* direction, DbsHandle handle);
DBS_API DbsStatus dbs_SetLevelDirection(uint16_t matrix, uint16_t level, uint8_t direction, DbsHandle handle);
DBS_API DbsStatus dbs_GetSignalOrder(uint16_t matrix, uint16_t level, uint16_t* order, DbsHandle handle);
DBS_API DbsStatus dbs_SetSignalOrder(uint16_t matrix, uint16_t level, uint16_t order, DbsHandle handle);
DBS_API DbsStatus dbs_GetMonitorRows(uint16_t matrix, uint16_t level, uint16_t* rows, DbsHandle handle);
DBS_API DbsStatus dbs_SetMonitorRows(uint16_t matrix, uint16_t level, uint16_t rows, DbsHandle handle);
DBS_API DbsStatus dbs_GetFirstMonitorRow(uint16_t matrix, uint16_t level, uint16_t* row, DbsHandle handle);
/* A row of 0 is ignored. */
DBS_API DbsStatus dbs_SetFirstMonitorRow(uint16_t matrix, uint16_t level, uint16_t row, DbsHandle handle);
DBS_API DbsStatus dbs_GetParkSource(TLevelParamRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetParkSource(const TLevelParamRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetParkDest(TLevelParamRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetParkDest(const TLevelParamRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetSafeSource(TLevelParamRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetSafeSource(const TLevelParamRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetInhibit(const TMatrixPointRecord* point, uint32_t* inhibited, DbsHandle handle);
DBS_API DbsStatus dbs_SetInhibit(const TMatrixPointRecord* point, uint32_t inhibit, DbsHandle handle);
/* The auto-protect operations answer DBS_ERR_INVALID_ARGUMENT for a database
 * without auto-protect tables. */
DBS_API DbsStatus dbs_GetAutoProt(const TMatrixPointRecord* point, uint32_t* protect, DbsHandle handle);
DBS_API DbsStatus dbs_SetAutoProt(const TMatrixPointRecord* point, uint32_t protect, DbsHandle handle);
/* A level's whole table: a row of (sources + 7) / 8 bytes per destination,
 * source s at bit s % 8 of byte s / 8. Get copies at most *length bytes and
 * sets *length to the table's size. */
DBS_API DbsStatus dbs_GetLevelInhibits(uint16_t matrix, uint16_t level, uint8_t* bytes, uint16_t* length,
                                       DbsHandle handle);
DBS_API DbsStatus dbs_SetLevelInhibits(uint16_t matrix, uint16_t level, const uint8_t* bytes, uint16_t length,
                                       DbsHandle handle);
DBS_API DbsStatus dbs_GetLevelAutoProt(uint16_t matrix, uint16_t level, uint8_t* bytes, uint16_t* length,
                                       DbsHandle handle);
DBS_API DbsStatus dbs_SetLevelAutoProt(uint16_t matrix, uint16_t level, const uint8_t* bytes, uint16_t length,
                                       DbsHandle handle);
DBS_API DbsStatus dbs_GetLevelData(uint16_t matrix, uint16_t level, TLevelRecord* record, DbsHandle handle);
/* Values out of their range are skipped; the other fields are still taken. */
DBS_API DbsStatus dbs_SetLevelData(uint16_t matrix, uint16_t level, const TLevelRecord* record, DbsHandle handle);

/* ------------------------------------------------ sources and destinations */

/* The name field is chosen by the string's length: 4 name1, 12 name5,
 * 16 name6, any other name2. */
DBS_API DbsStatus dbs_GetSourceName(const TSourceIndexRecord* source, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetSourceName(const TSourceIndexRecord* source, DbsString name, DbsHandle handle);
/* Parameters are shared with the same source of levels on the same physical
 * level. */
DBS_API DbsStatus dbs_GetSourceType(const TSourceIndexRecord* source, uint8_t* type, DbsHandle handle);
DBS_API DbsStatus dbs_SetSourceType(const TSourceIndexRecord* source, uint8_t type, DbsHandle handle);
DBS_API DbsStatus dbs_GetAudioSourceParam(const TSourceIndexRecord* source, uint8_t* param, DbsHandle handle);
DBS_API DbsStatus dbs_SetAudioSourceParam(const TSourceIndexRecord* source, uint8_t param, DbsHandle handle);
DBS_API DbsStatus dbs_GetTrigger(const TSourceIndexRecord* source, uint8_t* trigger, DbsHandle handle);
DBS_API DbsStatus dbs_SetTrigger(const TSourceIndexRecord* source, uint8_t trigger, DbsHandle handle);
DBS_API DbsStatus dbs_GetSourceData(TSourceRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetSourceData(const TSourceRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetDestLog(const TDestIndexRecord* dest, uint8_t* log, DbsHandle handle);
DBS_API DbsStatus dbs_SetDestLog(const TDestIndexRecord* dest, uint8_t log, DbsHandle handle);
DBS_API DbsStatus dbs_GetAudioDestParam(const TDestIndexRecord* dest, uint8_t* param, DbsHandle handle);
DBS_API DbsStatus dbs_SetAudioDestParam(const TDestIndexRecord* dest, uint8_t param, DbsHandle handle);
DBS_API DbsStatus dbs_GetDestData(TDestinationRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetDestData(const TDestinationRecord* record, DbsHandle handle);

/* ------------------------------------- associations, names, title, empties */

DBS_API DbsStatus dbs_GetSourceAssn(uint16_t matrix, uint16_t association, TSourceAssociationRecord* record,
                                    DbsHandle handle);
DBS_API DbsStatus dbs_SetSourceAssn(uint16_t matrix, uint16_t association, const TSourceAssociationRecord* record,
                                    DbsHandle handle);
/* Searches from association `start` for the first whose first member is
 * (matrix, level, source); none found: association 0xFFFF. */
DBS_API DbsStatus dbs_FindSourceAssn(int16_t matrix, int16_t level, int16_t source, uint16_t start,
                                     TSourceAssociationRecord* record, DbsHandle handle);
/* The 8-character name of the association's first member source. */
DBS_API DbsStatus dbs_GetSourceAssocName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle);
/* The name of the association's first existing member source, chosen by the
 * string's length as dbs_GetSourceName chooses it. */
DBS_API DbsStatus dbs_GetSourceAssnName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetDestAssn(uint16_t matrix, uint16_t association, TDestinationAssociationRecord* record,
                                  DbsHandle handle);
DBS_API DbsStatus dbs_SetDestAssn(uint16_t matrix, uint16_t association,
                                  const TDestinationAssociationRecord* record, DbsHandle handle);
/* Searches from association `start` for one with a member equal to (matrix,
 * level, destination); the record gets its members and names, or association
 * 0xFFFF and nothing else when there is none. */
DBS_API DbsStatus dbs_FindDestAssn(int16_t matrix, int16_t level, int16_t destination, uint16_t start,
                                   TDestinationAssociationRecord* record, DbsHandle handle);
/* A string of 4 units is the short name; any other the name. */
DBS_API DbsStatus dbs_GetDestName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetDestName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetTitle(DbsString title, DbsHandle handle);
DBS_API DbsStatus dbs_SetTitle(DbsString title, DbsHandle handle);
DBS_API DbsStatus dbs_GetSearchDepth(uint16_t* depth, DbsHandle handle);
DBS_API DbsStatus dbs_SetSearchDepth(uint16_t depth, DbsHandle handle);
DBS_API DbsStatus dbs_GetTieLine(uint16_t tieLine, TTieLineRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetTieLine(uint16_t tieLine, const TTieLineRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetTieLineName(uint16_t tieLine, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetTieLineName(uint16_t tieLine, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetInputCue(uint16_t cue, TCueRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetInputCue(uint16_t cue, const TCueRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetOutputCue(uint16_t cue, TCueRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetOutputCue(uint16_t cue, const TCueRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetTransmissionPathProtect(uint16_t number, TPathProtectRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetTransmissionPathProtect(uint16_t number, const TPathProtectRecord* record,
                                                 DbsHandle handle);

/* ------------------------------------------------------------------- ports */

DBS_API DbsStatus dbs_GetMatrixPort(uint16_t entry, TMatrixPortRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetMatrixPort(uint16_t entry, const TMatrixPortRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetPhysicalLevel(uint16_t level, uint16_t* physicalLevel, DbsHandle handle);
/* A level moved onto a physical level already in use takes that level's type. */
DBS_API DbsStatus dbs_SetPhysicalLevel(uint16_t level, uint16_t physicalLevel, DbsHandle handle);
DBS_API DbsStatus dbs_GetGeneralPort(uint16_t port, TGeneralPortRecord* record, DbsHandle handle);
/* On-line, a changed port restarts the controller. */
DBS_API DbsStatus dbs_SetGeneralPort(uint16_t port, const TGeneralPortRecord* record, DbsHandle handle);
/* Places on the multi-drop ports: port 0 .. multidropPortCount - 1, address
 * 1-16; 0xFFFF for both takes a device off its port. A device placed where
 * another sits takes its place, and the other is taken off. */
DBS_API DbsStatus dbs_GetPanelPort(uint16_t panel, uint16_t* port, uint16_t* address, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelPort(uint16_t panel, uint16_t port, uint16_t address, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDPort(uint16_t umd, uint16_t* port, uint16_t* address, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDPort(uint16_t umd, uint16_t port, uint16_t address, DbsHandle handle);

/* ---------------------------------------------------- salvos, trigger lines */

typedef struct TMacroStoreRecord {
  uint16_t salvo;
  DbsString shortName; /* the editor uses 4 characters */
  DbsString name;      /* the editor uses 8 characters */
  uint16_t salvoData;
} TMacroStoreRecord;

/* One crosspoint of a salvo: source onto destination of a level. */
typedef struct TMacroXPRecord {
  int16_t matrix;
  int16_t level;
  int16_t destination;
  int16_t source;
} TMacroXPRecord;

DBS_API DbsStatus dbs_GetMacroStore(uint16_t salvo, TMacroStoreRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetMacroStore(uint16_t salvo, const TMacroStoreRecord* record, DbsHandle handle);
/* The salvo's crosspoint at position n of its chain (0 is the first). */
DBS_API DbsStatus dbs_GetMacroXP(uint16_t salvo, uint16_t n, TMacroXPRecord* record, DbsHandle handle);
/* Adds a crosspoint, or changes the source of the salvo's crosspoint on the
 * same destination. */
DBS_API DbsStatus dbs_SetMacroXP(uint16_t salvo, const TMacroXPRecord* record, DbsHandle handle);
/* Removes the crosspoint equal to the record in all four values. */
DBS_API DbsStatus dbs_DeleteMacroXP(uint16_t salvo, const TMacroXPRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetNoMacroXPRecords(uint16_t salvo, uint16_t* count, DbsHandle handle);
/* The switch points of the 525-line, 625-line and HD standards: bytes 0, 1 and
 * 3 (byte 2 is zero); bit 7 set switches on the frame, bits 0-6 are the line. */
DBS_API DbsStatus dbs_GetTrigLines(uint8_t lines[4], DbsHandle handle);
DBS_API DbsStatus dbs_SetTrigLines(const uint8_t lines[4], DbsHandle handle);

/* ------------------------------------------ keypads, keys, entry sequences */

typedef struct TKeypadRecord {
  uint16_t keypad;
  DbsString name;
  uint8_t keyFormat;
  uint8_t keypadType;   /* 0 source keypad, 1 destination keypad */
  uint8_t keypadOption;
  uint8_t keypadFlags;  /* bit 0 in use, bit 1 dial-up keypad */
  uint16_t columns;
  uint16_t rows;
} TKeypadRecord;

typedef struct TKeyRecord {
  uint16_t key;
  uint16_t keypad;
  DbsString name;
  DbsString altName;
  uint8_t keyType;      /* 0 and 1 are name keys, the only ones sequences use */
  uint8_t keyIndex;
  uint16_t column;
  uint16_t row;
} TKeyRecord;

/* One step of an entry sequence: the key pressed and what the step selects. */
typedef struct TKeyPressRecord {
  DbsString keyName;
  int16_t selection[20]; /* per matrix the source or destination selected, -1 for none */
  int16_t salvo;         /* the salvo fired, -1 for none */
  DbsString displayName;
} TKeyPressRecord;

#define DBS_MAX_PRESSES 8

typedef struct TEntrySequenceRecord {
  uint16_t keypad;
  uint16_t count; /* presses in use, 0-8 */
  TKeyPressRecord presses[DBS_MAX_PRESSES];
  uint16_t salvoFlags;
} TEntrySequenceRecord;

DBS_API DbsStatus dbs_GetKeypad(uint16_t keypad, TKeypadRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetKeypad(uint16_t keypad, const TKeypadRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetKey(uint16_t keypad, uint16_t key, TKeyRecord* record, DbsHandle handle);
/* Renaming a key renames the sequences that use it; a key that stops being a
 * name key takes its sequences with it. */
DBS_API DbsStatus dbs_SetKey(uint16_t keypad, uint16_t key, const TKeyRecord* record, DbsHandle handle);
/* Enumerates the keypad's sequences in order: the first, then the one after
 * the sequence the record holds, until DBS_ERR_NO_MORE_SEQUENCES. */
DBS_API DbsStatus dbs_GetFirstSequence(uint16_t keypad, TEntrySequenceRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetNextSequence(uint16_t keypad, TEntrySequenceRecord* record, DbsHandle handle);
/* Adds the record's sequence, or updates it when it exists; `count` comes
 * back as the length of the part that already existed. */
DBS_API DbsStatus dbs_SetEntrySequence(uint16_t keypad, TEntrySequenceRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_DeleteLastNode(uint16_t keypad, const TEntrySequenceRecord* record, DbsHandle handle);
/* The value of a one-key sequence: a salvo (flag 1) or the selection on the
 * matrix (flag 0); 0xFFFF when the key has none. */
DBS_API DbsStatus dbs_GetKeyAssignment(uint16_t keypad, DbsString name, uint16_t matrix, uint16_t* value,
                                       uint32_t* salvoFlag, DbsHandle handle);
DBS_API DbsStatus dbs_SetKeyAssignment(uint16_t keypad, DbsString name, uint16_t matrix, uint16_t value,
                                       uint32_t salvoFlag, DbsHandle handle);
/* The first keypad not in use of each kind; DBS_ERR_LIMIT_REACHED when none. */
DBS_API DbsStatus dbs_GetNextFreeSourceKeypad(TKeypadRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetNextFreeDestKeypad(TKeypadRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetNextFreeSourceDialUpKeypad(TKeypadRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetNextFreeDestDialUpKeypad(TKeypadRecord* record, DbsHandle handle);

/* ------------------------------------------------------------------ panels */

typedef struct TPanelRecord {
  uint16_t panel;
  uint16_t port;     /* multi-drop port, 0xFFFF when not placed */
  uint16_t address;  /* drop address 1-16, 0xFFFF when not placed */
  uint16_t panelType;
  uint8_t brightness;
  uint8_t mode;
  uint32_t flags;
  uint16_t levels[20]; /* per matrix a bit per controlled level */
  uint16_t destKeypad;
  uint16_t sourceKeypad;
  DbsString name;
  uint32_t customData1;
  uint32_t customData2;
} TPanelRecord;

/* The destinations a panel may control as an X-Y panel: a bit per
 * destination association, association d in byte d / 8. Only the first
 * (destCount + 7) / 8 bytes of destMap are read or written. */
typedef struct TXYRecord {
  uint16_t panel;
  uint16_t matrix;
  uint16_t destCount;
  uint8_t destMap[256];
} TXYRecord;

typedef struct TOutputRecord {
  uint16_t panel;
  uint16_t output;
  uint16_t outputWord1;
  uint16_t outputWord2;
} TOutputRecord;

/* The source of an override: -1 in all three for none. */
typedef struct TOverrideRecord {
  int16_t matrix;
  int16_t level;
  int16_t source;
} TOverrideRecord;

DBS_API DbsStatus dbs_GetPanelType(uint16_t panel, uint16_t* type, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelType(uint16_t panel, uint16_t type, DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelBrightness(uint16_t panel, uint8_t* brightness, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelBrightness(uint16_t panel, uint8_t brightness, DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelMode(uint16_t panel, uint8_t* mode, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelMode(uint16_t panel, uint8_t mode, DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelFlags(uint16_t panel, uint32_t* flags, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelFlags(uint16_t panel, uint32_t flags, DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelLevels(uint16_t panel, uint16_t levels[20], DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelLevels(uint16_t panel, const uint16_t levels[20], DbsHandle handle);
/* which: non-zero the source keypad, 0 the destination keypad. A keypad is
 * marked in use while a panel names it; 0xFFFF names none. */
DBS_API DbsStatus dbs_GetPanelKeypad(uint16_t panel, uint16_t which, uint16_t* keypad, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelKeypad(uint16_t panel, uint16_t which, uint16_t keypad, DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelName(uint16_t panel, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelName(uint16_t panel, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelCustomData(uint16_t panel, uint32_t data[2], DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelCustomData(uint16_t panel, const uint32_t data[2], DbsHandle handle);
DBS_API DbsStatus dbs_GetPanelRecord(uint16_t panel, TPanelRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetPanelRecord(uint16_t panel, const TPanelRecord* record, DbsHandle handle);
/* A panel without an XY set for the matrix is given a free one (8 when none
 * is left). */
DBS_API DbsStatus dbs_GetXY_ControlledDests(uint16_t panel, uint16_t matrix, TXYRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetXY_ControlledDests(uint16_t panel, uint16_t matrix, const TXYRecord* record,
                                            DbsHandle handle);
/* Outputs and overrides 0-15 of a panel's output and override sets; a panel
 * without sets is given a free pair. */
DBS_API DbsStatus dbs_GetOutputRecord(uint16_t panel, uint16_t output, TOutputRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetOutputRecord(uint16_t panel, uint16_t output, const TOutputRecord* record,
                                      DbsHandle handle);
DBS_API DbsStatus dbs_GetOverrideSource(uint16_t panel, uint16_t override, TOverrideRecord* record,
                                        DbsHandle handle);
DBS_API DbsStatus dbs_SetOverrideSource(uint16_t panel, uint16_t override, const TOverrideRecord* record,
                                        DbsHandle handle);
/* Copies keypad `source` onto keypad `target` (keys and sequences); with a
 * panel of type 3 the keys go on to the keypads such panels pair. The two
 * pointers are reserved and ignored. */
DBS_API DbsStatus dbs_CopyKeypad(uint16_t source, uint16_t target, uint16_t panel, void* reserved1,
                                 void* reserved2, DbsHandle handle);
/* Resets a keypad no panel uses to blank keys and no sequences. */
DBS_API DbsStatus dbs_ClearKeypad(uint16_t keypad, DbsHandle handle);

/* -------------------------------------------------- UMDs and fixed messages */

typedef struct TUMDRecord {
  uint16_t umd;
  uint16_t port;     /* multi-drop port, 0xFFFF when not placed */
  uint16_t address;  /* drop address 1-16, 0xFFFF when not placed */
  uint8_t umdType;
  uint8_t display;   /* the keypad (32-63) that carries the UMD's destinations */
  uint16_t umdFlags; /* bit 0: audio parameters enabled */
  TAssociationMember dests[4]; /* (matrix, level, destination) per display line */
  uint16_t brightness;
  uint16_t fixedMessage;
  DbsString name;
} TUMDRecord;

DBS_API DbsStatus dbs_GetUMDType(uint16_t umd, uint8_t* type, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDType(uint16_t umd, uint8_t type, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDDisplay(uint16_t umd, uint8_t* display, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDDisplay(uint16_t umd, uint8_t display, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDFlags(uint16_t umd, uint16_t* flags, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDFlags(uint16_t umd, uint16_t flags, DbsHandle handle);
/* Display line 0-3; a change rebuilds the UMD's keypad. */
DBS_API DbsStatus dbs_GetUMDDests(uint16_t umd, uint16_t line, TAssociationMember* dest, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDDests(uint16_t umd, uint16_t line, const TAssociationMember* dest, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDBrightness(uint16_t umd, uint16_t* brightness, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDBrightness(uint16_t umd, uint16_t brightness, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDFixedMessage(uint16_t umd, uint16_t* message, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDFixedMessage(uint16_t umd, uint16_t message, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDName(uint16_t umd, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDName(uint16_t umd, DbsString name, DbsHandle handle);
DBS_API DbsStatus dbs_GetUMDRecord(uint16_t umd, TUMDRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_SetUMDRecord(uint16_t umd, const TUMDRecord* record, DbsHandle handle);
DBS_API DbsStatus dbs_GetFixedMessage(uint16_t umd, DbsString text, DbsHandle handle);
DBS_API DbsStatus dbs_SetFixedMessage(uint16_t umd, DbsString text, DbsHandle handle);

#ifdef __cplusplus
}
#endif

#endif /* ZEPHRA_ZEPHRA_H */
