/*
 * tolvex.h: the public C interface of libtolvex.so, the link to the router
 * controller over its framed serial protocol. Every command takes the slot
 * (0-9) of the link last and returns a 32-bit status (0, a 0x2000xxxx status
 * of zephra.h, or a platform status).
 */
#ifndef TOLVEX_TOLVEX_H
#define TOLVEX_TOLVEX_H

#include <stdint.h>

#ifdef __cplusplus
#define TOLVEX_EXTERN_C extern "C"
#else
#include <uchar.h>
#define TOLVEX_EXTERN_C extern
#endif

#define TOLVEX_API TOLVEX_EXTERN_C __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* The serial settings the editor fills; the link reads bytes 4-11. */
typedef struct TolvexPortSettings {
  uint8_t reserved0[4];
  int32_t baudRate;   /* 300 ... 115200 */
  uint8_t parity;     /* 0 none, 1 odd, 2 even */
  uint8_t dataBits;   /* 7 or 8 */
  uint8_t stopBits;   /* in half bits: 2 one stop bit, 4 two */
  uint8_t handshake;  /* 1 RTS/CTS, 0 none */
  uint8_t reserved1[12];
} TolvexPortSettings;

/* A router item for the parameter commands: matrix, level, item number. */
typedef struct TolvexItemRecord {
  uint16_t matrix;
  uint16_t level;
  uint16_t item;
} TolvexItemRecord;

/* Callbacks run on the link's own threads and must not call the link back
 * (OffLine there would wait for the thread it runs on). */
typedef void (*TolvexErrorCallback)(uint32_t status);
typedef void (*TolvexConnectedCallback)(uint16_t matrix, uint16_t level, uint16_t destination, uint16_t source);
/* The search callback is called on the thread that called OnLine: stage 0
 * when a speed has failed (before the next is tried), and, while an answer
 * is awaited, about every 100 ms with the speed being tried (in baud) as the
 * stage. Writing 0 to *keepGoing ends the search at once with
 * DBS_ERR_COMMS, the port closed. */
typedef void (*TolvexSearchStatusCallback)(int32_t stage, int32_t* keepGoing);

/* Opens the link on a port: a path, "COMn" (/dev/ttyS(n-1)) or a name under
 * /dev; a leading "\\.\" is ignored. Finds the controller, searching the
 * speeds 38400, 19200 and 9600 when it does not answer at the one given. */
TOLVEX_API uint32_t OnLine(const char16_t* port, const TolvexPortSettings* settings, TolvexErrorCallback onError,
                           TolvexSearchStatusCallback onSearch, uint16_t slot);
TOLVEX_API uint32_t SetPortParameters(const TolvexPortSettings* settings, uint16_t slot);
TOLVEX_API uint32_t OffLine(uint16_t slot);

/* Reads count (1-250) bytes of controller memory: the destination receives the
 * 3 address bytes echoed, the data, and 3 frame bytes (count + 6 in all). */
TOLVEX_API uint32_t GetTableData(uint8_t* destination, uint32_t address, uint16_t count, uint16_t slot);
/* Writes count (1-244) bytes of controller memory. */
TOLVEX_API uint32_t SetTableData(const uint8_t* source, uint32_t address, uint16_t count, uint16_t slot);
TOLVEX_API uint32_t SetTableDataWithPW(const uint8_t* source, uint32_t address, uint16_t count, uint32_t accessCode,
                                       uint16_t slot);
/* The controller's checksums of blocks first .. first + count - 1 (at most
 * block 4095). */
TOLVEX_API uint32_t GetWordChecksums(uint16_t first, uint16_t count, uint16_t* destination, uint16_t slot);
/* The same as 8-bit block numbers: blocks 0-255 only. */
TOLVEX_API uint32_t GetByteChecksums(uint16_t first, uint16_t count, uint16_t* destination, uint16_t slot);
TOLVEX_API uint32_t GetMemorySize(uint8_t argument, uint32_t* destination, uint16_t slot);
TOLVEX_API uint32_t StartDownload(uint16_t slot);
TOLVEX_API uint32_t StopDownload(uint16_t slot);
/* The controller's database version text, 8 bytes. */
TOLVEX_API uint32_t GetDatabaseVersion(uint8_t* destination, uint16_t slot);
/* Router parameters: sources, destinations and trigger lines. The matrix and
 * level are 0-15; destinations are 0-2047, sources and triggers 0-32767. */
TOLVEX_API uint32_t GetSourceParam(const TolvexItemRecord* item, uint8_t* value, uint16_t slot);
TOLVEX_API uint32_t GetDestParam(const TolvexItemRecord* item, uint8_t* value, uint16_t slot);
TOLVEX_API uint32_t GetTrigger(const TolvexItemRecord* item, uint8_t* value, uint16_t slot);
TOLVEX_API uint32_t SetSourceParam(const TolvexItemRecord* item, uint8_t value, uint16_t slot);
TOLVEX_API uint32_t SetDestParam(const TolvexItemRecord* item, uint8_t value, uint16_t slot);
TOLVEX_API uint32_t SetTrigger(const TolvexItemRecord* item, uint8_t value, uint16_t slot);
TOLVEX_API uint32_t HardReset(uint16_t slot);
TOLVEX_API uint32_t SoftReset(uint16_t slot);
TOLVEX_API uint32_t ClearProtects(uint8_t a, uint8_t b, uint16_t slot);
TOLVEX_API uint32_t ConfigureInstalledModules(uint8_t a, uint8_t b, uint16_t slot);
TOLVEX_API uint32_t TransferDatabase(uint16_t slot);

/* Diagnostics: at most `length` bytes (and at most 256) of what the
 * controller sends; the rest of the destination is zero. */
TOLVEX_API uint32_t GetPanelDiagnostics(uint8_t* destination, uint16_t length, uint16_t slot);
TOLVEX_API uint32_t GetPrimaryMatrixDiagnostics(uint8_t* destination, uint16_t length, uint16_t slot);
TOLVEX_API uint32_t GetSecondaryMatrixDiagnostics(uint8_t argument, uint8_t* destination, uint16_t length,
                                                  uint16_t slot);
TOLVEX_API uint32_t GetInstalledModulesStatus(uint8_t* destination, uint16_t length, uint16_t slot);
TOLVEX_API uint32_t GetSoftwareVersion(uint8_t* destination, uint16_t length, uint16_t slot);
TOLVEX_API uint32_t GetSwitchSettings(uint8_t* destination, uint16_t length, uint16_t slot);
/* At most `count` checksums, as many as the controller sent. */
TOLVEX_API uint32_t GetEpromChecksums(uint16_t* destination, uint16_t count, uint16_t slot);
TOLVEX_API uint32_t GetDualControllerStatus(uint16_t* status, uint16_t slot);

/* Crosspoints: destinations and sources 0-2047. */
TOLVEX_API uint32_t GetTally(uint16_t matrix, uint16_t level, uint16_t destination, uint16_t* source, uint16_t slot);
TOLVEX_API uint32_t SetCrosspoint(uint16_t matrix, uint16_t level, uint16_t destination, uint16_t source,
                                  uint16_t slot);
TOLVEX_API uint32_t ListenForConnected(TolvexConnectedCallback callback, uint16_t slot);

/* Names held by the controller: `length` characters (1-255) into the
 * destination; characters the controller did not send are spaces. */
TOLVEX_API uint32_t GetSourceName(uint16_t matrix, uint16_t level, uint16_t length, uint16_t source,
                                  char16_t* destination, uint16_t slot);
TOLVEX_API uint32_t GetDestAssocName(uint16_t matrix, uint16_t length, uint16_t destinationNumber,
                                     char16_t* destination, uint16_t slot);
TOLVEX_API uint32_t Tolvex_DLL_Get_Version(char* text);

#ifdef __cplusplus
}
#endif

#endif /* TOLVEX_TOLVEX_H */
