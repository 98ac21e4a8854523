// TCommonInterface: the editor's one gateway to the database library. Every
// library call goes through one method here, which hands the status to
// ReportError (a message for the user) and answers true or false.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>
#include <functional>

#include "zephra/zephra.h"
#include "zephra/zephra_diagnosis.h"
#include "zephra/zephra_journal.h"
#include "zephra/zephra_upload.h"

namespace zephra::model {
struct Snapshot;
struct NameChange;
}  // namespace zephra::model

// The library's exports as the editor reaches them: a table that starts as
// the real exports, so tests can stand in for any of them.
struct TLibraryApi {
  decltype(&dbs_CreateFile) CreateFile = &dbs_CreateFile;
  decltype(&dbs_OpenFile) OpenFile = &dbs_OpenFile;
  decltype(&dbs_SaveFile) SaveFile = &dbs_SaveFile;
  decltype(&dbs_CloseFile) CloseFile = &dbs_CloseFile;
  decltype(&dbs_GetConfig) GetConfig = &dbs_GetConfig;
  decltype(&dbs_GetLevelData) GetLevelData = &dbs_GetLevelData;
  decltype(&dbs_SetLevelType) SetLevelType = &dbs_SetLevelType;
  decltype(&dbs_GetPanelRecord) GetPanelRecord = &dbs_GetPanelRecord;
  decltype(&dbs_SetPanelRecord) SetPanelRecord = &dbs_SetPanelRecord;
  decltype(&dbs_GetUMDRecord) GetUMDRecord = &dbs_GetUMDRecord;
  decltype(&dbs_SetUMDRecord) SetUMDRecord = &dbs_SetUMDRecord;
  decltype(&dbs_GetPanelBrightness) GetPanelBrightness = &dbs_GetPanelBrightness;
  decltype(&dbs_SetPanelBrightness) SetPanelBrightness = &dbs_SetPanelBrightness;
  decltype(&dbs_GetPanelPort) GetPanelPort = &dbs_GetPanelPort;
  decltype(&dbs_GetUMDPort) GetUMDPort = &dbs_GetUMDPort;
  decltype(&dbs_GetGeneralPort) GetGeneralPort = &dbs_GetGeneralPort;
  decltype(&dbs_SetPanelName) SetPanelName = &dbs_SetPanelName;
  decltype(&dbs_SetUMDName) SetUMDName = &dbs_SetUMDName;
  // The level, association and salvo editors'.
  decltype(&dbs_SetLevelData) SetLevelData = &dbs_SetLevelData;
  decltype(&dbs_GetXY_ControlledDests) GetXY_ControlledDests = &dbs_GetXY_ControlledDests;
  decltype(&dbs_SetXY_ControlledDests) SetXY_ControlledDests = &dbs_SetXY_ControlledDests;
  decltype(&dbs_GetOverrideSource) GetOverrideSource = &dbs_GetOverrideSource;
  decltype(&dbs_SetOverrideSource) SetOverrideSource = &dbs_SetOverrideSource;
  decltype(&dbs_SetPanelKeypad) SetPanelKeypad = &dbs_SetPanelKeypad;
  decltype(&dbs_CopyKeypad) CopyKeypad = &dbs_CopyKeypad;
  decltype(&dbs_GetNextFreeSourceKeypad) GetNextFreeSourceKeypad = &dbs_GetNextFreeSourceKeypad;
  decltype(&dbs_GetNextFreeDestKeypad) GetNextFreeDestKeypad = &dbs_GetNextFreeDestKeypad;
  decltype(&dbs_GetNextFreeSourceDialUpKeypad) GetNextFreeSourceDialUpKeypad = &dbs_GetNextFreeSourceDialUpKeypad;
  decltype(&dbs_GetNextFreeDestDialUpKeypad) GetNextFreeDestDialUpKeypad = &dbs_GetNextFreeDestDialUpKeypad;
  decltype(&dbs_GetLevelType) GetLevelType = &dbs_GetLevelType;
  decltype(&dbs_GetLevelInhibits) GetLevelInhibits = &dbs_GetLevelInhibits;
  decltype(&dbs_SetLevelInhibits) SetLevelInhibits = &dbs_SetLevelInhibits;
  decltype(&dbs_GetPhysicalLevel) GetPhysicalLevel = &dbs_GetPhysicalLevel;
  decltype(&dbs_SetPhysicalLevel) SetPhysicalLevel = &dbs_SetPhysicalLevel;
  decltype(&dbs_GetSourceName) GetSourceName = &dbs_GetSourceName;
  decltype(&dbs_GetSourceData) GetSourceData = &dbs_GetSourceData;
  decltype(&dbs_SetSourceData) SetSourceData = &dbs_SetSourceData;
  decltype(&dbs_GetDestData) GetDestData = &dbs_GetDestData;
  decltype(&dbs_SetDestData) SetDestData = &dbs_SetDestData;
  decltype(&dbs_GetSourceAssn) GetSourceAssn = &dbs_GetSourceAssn;
  decltype(&dbs_SetSourceAssn) SetSourceAssn = &dbs_SetSourceAssn;
  decltype(&dbs_GetDestAssn) GetDestAssn = &dbs_GetDestAssn;
  decltype(&dbs_SetDestAssn) SetDestAssn = &dbs_SetDestAssn;
  decltype(&dbs_FindDestAssn) FindDestAssn = &dbs_FindDestAssn;
  decltype(&dbs_GetDestName) GetDestName = &dbs_GetDestName;
  decltype(&dbs_SetDestName) SetDestName = &dbs_SetDestName;
  decltype(&dbs_GetTrigLines) GetTrigLines = &dbs_GetTrigLines;
  decltype(&dbs_SetTrigLines) SetTrigLines = &dbs_SetTrigLines;
  decltype(&dbs_GetMacroStore) GetMacroStore = &dbs_GetMacroStore;
  decltype(&dbs_SetMacroStore) SetMacroStore = &dbs_SetMacroStore;
  decltype(&dbs_GetNoMacroXPRecords) GetNoMacroXPRecords = &dbs_GetNoMacroXPRecords;
  decltype(&dbs_GetMacroXP) GetMacroXP = &dbs_GetMacroXP;
  decltype(&dbs_SetMacroXP) SetMacroXP = &dbs_SetMacroXP;
  decltype(&dbs_DeleteMacroXP) DeleteMacroXP = &dbs_DeleteMacroXP;
  decltype(&dbs_SetGeneralPort) SetGeneralPort = &dbs_SetGeneralPort;
  decltype(&dbs_ReconfigureFile) ReconfigureFile = &dbs_ReconfigureFile;
  // On-line with the controller.
  decltype(&dbs_OnLine) OnLine = &dbs_OnLine;
  decltype(&dbs_OffLine) OffLine = &dbs_OffLine;
  decltype(&dbs_DownloadWithOptions) DownloadWithOptions = &dbs_DownloadWithOptions;
  decltype(&dbs_UploadWithOptions) UploadWithOptions = &dbs_UploadWithOptions;
  decltype(&dbs_GetControllerType) GetControllerType = &dbs_GetControllerType;
  decltype(&dbs_ClearAllProtects) ClearAllProtects = &dbs_ClearAllProtects;
  decltype(&dbs_Get_Korvell_DLL_Version) Get_Korvell_DLL_Version = &dbs_Get_Korvell_DLL_Version;
  decltype(&dbs_Get_Tolvex_DLL_Version) Get_Tolvex_DLL_Version = &dbs_Get_Tolvex_DLL_Version;
  decltype(&dbs_Get_Firmware_Version) Get_Firmware_Version = &dbs_Get_Firmware_Version;
  decltype(&dbs_GetControllerStatus) GetControllerStatus = &dbs_GetControllerStatus;
  // Keypads, keys, entry sequences, and what the keypad editor lists.
  decltype(&dbs_GetKeypad) GetKeypad = &dbs_GetKeypad;
  decltype(&dbs_SetKeypad) SetKeypad = &dbs_SetKeypad;
  decltype(&dbs_GetKey) GetKey = &dbs_GetKey;
  decltype(&dbs_SetKey) SetKey = &dbs_SetKey;
  decltype(&dbs_GetFirstSequence) GetFirstSequence = &dbs_GetFirstSequence;
  decltype(&dbs_GetNextSequence) GetNextSequence = &dbs_GetNextSequence;
  decltype(&dbs_SetEntrySequence) SetEntrySequence = &dbs_SetEntrySequence;
  decltype(&dbs_DeleteLastNode) DeleteLastNode = &dbs_DeleteLastNode;
  decltype(&dbs_GetKeyAssignment) GetKeyAssignment = &dbs_GetKeyAssignment;
  decltype(&dbs_SetKeyAssignment) SetKeyAssignment = &dbs_SetKeyAssignment;
  // What is wrong with a file the library refuses.
  decltype(&zephra_DescribeFile) DescribeFile = &zephra_DescribeFile;
  // What the names export and import and a comparison read and write besides.
  decltype(&dbs_GetTitle) GetTitle = &dbs_GetTitle;
  decltype(&dbs_SetTitle) SetTitle = &dbs_SetTitle;
  decltype(&dbs_GetSearchDepth) GetSearchDepth = &dbs_GetSearchDepth;
  decltype(&dbs_GetMatrixData) GetMatrixData = &dbs_GetMatrixData;
  decltype(&dbs_SetMatrixName) SetMatrixName = &dbs_SetMatrixName;
  decltype(&dbs_SetLevelName) SetLevelName = &dbs_SetLevelName;
  decltype(&dbs_GetLevelAutoProt) GetLevelAutoProt = &dbs_GetLevelAutoProt;
  decltype(&dbs_GetMatrixPort) GetMatrixPort = &dbs_GetMatrixPort;
  decltype(&dbs_SetSourceName) SetSourceName = &dbs_SetSourceName;
  decltype(&dbs_GetOutputRecord) GetOutputRecord = &dbs_GetOutputRecord;
  decltype(&dbs_GetFixedMessage) GetFixedMessage = &dbs_GetFixedMessage;
  decltype(&dbs_SetFixedMessage) SetFixedMessage = &dbs_SetFixedMessage;
  // The journal of steps that undo and redo walk.
  decltype(&zephra_BeginStep) BeginStep = &zephra_BeginStep;
  decltype(&zephra_EndStep) EndStep = &zephra_EndStep;
  decltype(&zephra_CancelStep) CancelStep = &zephra_CancelStep;
  decltype(&zephra_UndoStep) UndoStep = &zephra_UndoStep;
  decltype(&zephra_RedoStep) RedoStep = &zephra_RedoStep;
  decltype(&zephra_ClearJournal) ClearJournal = &zephra_ClearJournal;
  decltype(&zephra_GetJournalState) GetJournalState = &zephra_GetJournalState;
  decltype(&zephra_GetStepSize) GetStepSize = &zephra_GetStepSize;
  // The controller, or the file as the controller would hold it, in a file.
  decltype(&zephra_UploadToFile) UploadToFile = &zephra_UploadToFile;
  decltype(&zephra_ControllerViewToFile) ControllerViewToFile = &zephra_ControllerViewToFile;
  // What the controller holds against the file, after a mismatch.
  decltype(&zephra_DescribeController) DescribeController = &zephra_DescribeController;
};

TLibraryApi& Library();

// One library call of the editor. While it runs, what the callbacks report
// is held back; when it ends, the held reports are shown but for the
// statuses the interface told for the call itself, so a failure that the
// link reports and the call answers is shown once, with the interface's
// detail. A call made inside another belongs to the outer one.
class TLibraryCall {
 public:
  TLibraryCall() { ++depth_; }
  ~TLibraryCall();
  TLibraryCall(const TLibraryCall&) = delete;
  TLibraryCall& operator=(const TLibraryCall&) = delete;
  // The library's exports, reached inside the call.
  TLibraryApi* operator->() const { return &Library(); }
  // A callback's report: held back (true) while a call runs.
  static bool Hold(DbsStatus status);
  // A status the interface has told (or chose not to tell) for the call.
  static void Answered(DbsStatus status);
  // Forgets the reports held back so far (a search the user cancelled).
  static void Discard();

 private:
  static inline int depth_ = 0;
};

// A caller-owned library string for one call.
class TLibString {
 public:
  explicit TLibString(const QString& text);
  ~TLibString() { DbsStringFree(s_); }
  TLibString(const TLibString&) = delete;
  TLibString& operator=(const TLibString&) = delete;
  operator DbsString() const { return s_; }
  // The units the library left, up to the first zero unit.
  QString Text() const;

 private:
  DbsString s_;
};

// A name fitted to exactly n characters: cut to n, or padded with NULs (the
// rule the tools share, model/NameText.h).
QString FitName(const QString& text, int n);
// A name as shown: up to its first NUL.
QString ShownName(const QString& name);

// The editor's status for a reserved file name.
inline constexpr DbsStatus kStatusReservedName = 2000;
inline constexpr const char* kTempDatabaseName = "~tempdb";

class TTransferForm;
class TUndoStack;

class TCommonInterface {
 public:
  TCommonInterface() = default;
  ~TCommonInterface();
  TCommonInterface(const TCommonInterface&) = delete;
  TCommonInterface& operator=(const TCommonInterface&) = delete;

  DbsHandle FileHandle = -1;
  bool FileHandleAssigned = false;
  int FileCount = 0;
  DbsStatus LastError = 0;
  bool ShowErrors = true;
  bool OnlineStatus = false;
  TTransferForm* TransferForm = nullptr;  // only while a transfer runs
  QString WorkingFile;                    // the file an upload writes, as the manager names it
  TUndoStack* Steps = nullptr;            // the open database's undo stack, as its manager keeps it

  // The message for a status (0: none), as the user sees it.
  static QString MessageFor(DbsStatus status);
  // Shows the status's message (unless ShowErrors is off) and remembers it;
  // `detail` goes under the message.
  DbsStatus ReportError(DbsStatus status, const QString& detail = {});
  // What a file operation's failure on `path` adds under its message: the
  // file, and what the library or the system found.
  static QString FileDetail(const QString& path, DbsStatus status);

  bool OpenDatabase(const QString& name, DbsHandle& handle);
  bool CloseDatabase(DbsHandle handle);
  bool SaveDatabaseAs(const QString& name, DbsHandle& handle);
  bool GetConfig(TConfigurationRecord& record, DbsHandle handle);
  // Creates a database, asking before it replaces a file and for another
  // name when the chosen one cannot be used; gives back the name used.
  bool CreateDatabase(QString& name, const TConfigurationRecord& record, DbsHandle& handle);

  bool GetLevelData(uint16_t matrix, uint16_t level, TLevelRecord& record, DbsHandle handle);
  bool SetLevelType(uint16_t matrix, uint16_t level, uint16_t type, DbsHandle handle);
  bool GetPanelRecord(uint16_t panel, TPanelRecord& record, DbsHandle handle);
  bool SetPanelRecord(uint16_t panel, const TPanelRecord& record, DbsHandle handle);
  bool GetUMDRecord(uint16_t umd, TUMDRecord& record, DbsHandle handle);
  bool SetUMDRecord(uint16_t umd, const TUMDRecord& record, DbsHandle handle);
  bool GetPanelBrightness(uint16_t panel, uint8_t& brightness, DbsHandle handle);
  bool SetPanelBrightness(uint16_t panel, uint8_t brightness, DbsHandle handle);
  bool GetPanelPort(uint16_t panel, uint16_t& port, uint16_t& address, DbsHandle handle);
  bool GetUMDPort(uint16_t umd, uint16_t& port, uint16_t& address, DbsHandle handle);
  bool GetGeneralPort(uint16_t port, TGeneralPortRecord& record, DbsHandle handle);
  // A level's name, fitted to its 8 characters.
  bool SetLevelName(uint16_t level, const QString& name, DbsHandle handle);
  bool SetPanelName(uint16_t panel, const QString& name, DbsHandle handle);
  bool SetUMDName(uint16_t umd, const QString& name, DbsHandle handle);
  // Panels, their sets and keypads, and the names their editors list.
  bool GetSourceName(const TSourceIndexRecord& source, DbsString name, DbsHandle handle);
  bool GetDestAssn(uint16_t matrix, uint16_t association, TDestinationAssociationRecord& record, DbsHandle handle);
  bool GetDestName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle);
  bool GetXY_ControlledDests(uint16_t panel, uint16_t matrix, TXYRecord& record, DbsHandle handle);
  bool SetXY_ControlledDests(uint16_t panel, uint16_t matrix, const TXYRecord& record, DbsHandle handle);
  bool GetOverrideSource(uint16_t panel, uint16_t override, TOverrideRecord& record, DbsHandle handle);
  bool SetOverrideSource(uint16_t panel, uint16_t override, const TOverrideRecord& record, DbsHandle handle);
  bool SetPanelKeypad(uint16_t panel, uint16_t which, uint16_t keypad, DbsHandle handle);
  bool CopyKeypad(uint16_t source, uint16_t target, uint16_t panel, DbsHandle handle);
  bool GetNextFreeSourceKeypad(TKeypadRecord& record, DbsHandle handle);
  bool GetNextFreeDestKeypad(TKeypadRecord& record, DbsHandle handle);
  bool GetNextFreeSourceDialUpKeypad(TKeypadRecord& record, DbsHandle handle);
  bool GetNextFreeDestDialUpKeypad(TKeypadRecord& record, DbsHandle handle);
  bool SetGeneralPort(uint16_t port, const TGeneralPortRecord& record, DbsHandle handle);
  bool GetLevelType(uint16_t matrix, uint16_t level, uint16_t& type, DbsHandle handle);

  // Keypads and their keys. SetKey takes the key number from the record's
  // first field, which may hold a layout code (a destination key's, marked or
  // not), and clears the editor's flags in keyType.
  bool GetKeypad(uint16_t keypad, TKeypadRecord& record, DbsHandle handle);
  bool SetKeypad(uint16_t keypad, const TKeypadRecord& record, DbsHandle handle);
  bool GetKey(uint16_t keypad, uint16_t key, TKeyRecord& record, DbsHandle handle);
  bool SetKey(uint16_t keypad, const TKeyRecord& record, DbsHandle handle);
  // The sequence walk: the end of it (or an empty tree) answers false silently.
  bool GetFirstSequence(uint16_t keypad, TEntrySequenceRecord& record, DbsHandle handle);
  bool GetNextSequence(uint16_t keypad, TEntrySequenceRecord& record, DbsHandle handle);
  bool SetEntrySequence(uint16_t keypad, TEntrySequenceRecord& record, DbsHandle handle);
  // A sequence the tree does not hold counts as deleted.
  bool DeleteLastNode(uint16_t keypad, const TEntrySequenceRecord& record, DbsHandle handle);
  // A button-per key's assignment on matrix 0: a salvo, or an association.
  bool GetKeyAssignment(uint16_t keypad, const QString& name, uint16_t& value, bool& salvo, DbsHandle handle);
  bool SetKeyAssignment(uint16_t keypad, const QString& name, uint16_t value, uint32_t salvoFlag, DbsHandle handle);

  // Reconfigures the open database `handle` into `name` with `record`,
  // asking before it replaces a file (through the scratch database); gives
  // back the name used and the new handle.
  bool ReconfigureDatabase(QString& name, const TConfigurationRecord& record, DbsHandle& handle);

  // On-line with the controller (the callbacks report to this interface
  // meanwhile). Answers the library's status; 0, a checksum mismatch and a
  // corrupt controller leave the database on-line.
  // The search can be cancelled: it then answers DBS_ERR_COMMS with
  // SearchCancelled set and shows nothing. A mismatch is told as
  // information with what the controller holds against the file beneath it
  // (ControllerDetail, kept for the questions that follow).
  DbsStatus GoOnLine(const QString& port, const DbsPortSettings& settings, DbsHandle handle);
  bool SearchCancelled = false;
  QString ControllerDetail;
  // What the controller the on-line database is bound to holds against the
  // file, in words; empty when the controller does not say.
  QString DescribeController(DbsHandle handle);
  bool GoOffLine(DbsHandle handle);
  // An upload (`download` false) or download of the chosen components, with
  // the transfer dialog and its Cancel.
  bool TransferWithOptions(bool download, DbsHandle handle, int database, int sourceParams, int destParams,
                           int triggerParams);
  DbsStatus QueryControllerType(const QString& port, const DbsPortSettings& settings, uint16_t& type);
  // The controller queries below leave reporting to their callers.
  DbsStatus ClearAllProtects(DbsHandle handle);
  DbsStatus Get_DLL_Version(QString& text);
  DbsStatus Get_Tolvex_DLL_Version(QString& text);
  DbsStatus Get_Firmware_Version(QString& boot, QString& main, QString& oem, DbsHandle handle);
  DbsStatus Get_Controller_Status(uint16_t& status, DbsHandle handle);

  // The notice shown while the controller is still busy.
  bool BusyNoticeShown() const { return busyNoticeShown_; }
  void CloseBusyNotice();

  // Levels, sources and destinations. The source and destination data calls
  // use the interface's own FileHandle.
  bool SetLevelData(uint16_t matrix, uint16_t level, const TLevelRecord& record, DbsHandle handle);
  bool GetLevelInhibits(uint16_t matrix, uint16_t level, uint8_t* bytes, uint16_t& length, DbsHandle handle);
  bool SetLevelInhibits(uint16_t matrix, uint16_t level, const std::vector<uint8_t>& bytes, uint16_t length,
                        DbsHandle handle);
  bool GetPhysicalLevel(uint16_t level, uint16_t& physicalLevel, DbsHandle handle);
  bool SetPhysicalLevel(uint16_t level, uint16_t physicalLevel, DbsHandle handle);
  bool GetSourceData(TSourceRecord& record);
  bool SetSourceData(const TSourceRecord& record);
  bool GetDestData(TDestinationRecord& record);
  bool SetDestData(const TDestinationRecord& record);

  // Associations: the key arguments are written into the record first.
  bool GetSourceAssn(uint16_t matrix, uint16_t association, TSourceAssociationRecord& record, DbsHandle handle);
  bool SetSourceAssn(uint16_t matrix, uint16_t association, const TSourceAssociationRecord& record, DbsHandle handle);
  bool SetDestAssn(uint16_t matrix, uint16_t association, const TDestinationAssociationRecord& record,
                   DbsHandle handle);
  // True only when an association holding the member was found.
  bool FindDestAssn(int16_t matrix, int16_t level, int16_t destination, uint16_t start,
                    TDestinationAssociationRecord& record, DbsHandle handle);
  bool SetDestName(uint16_t matrix, uint16_t association, const QString& name, DbsHandle handle);
  bool GetTrigLines(uint8_t lines[4], DbsHandle handle);
  bool SetTrigLines(const uint8_t lines[4], DbsHandle handle);

  // Salvos.
  bool GetMacroStore(uint16_t salvo, TMacroStoreRecord& record, DbsHandle handle);
  bool SetMacroStore(uint16_t salvo, const TMacroStoreRecord& record, DbsHandle handle);
  bool GetNoMacroXPRecords(uint16_t salvo, uint16_t& count, DbsHandle handle);
  bool GetMacroXP(uint16_t salvo, uint16_t n, TMacroXPRecord& record, DbsHandle handle);
  bool SetMacroXP(uint16_t salvo, const TMacroXPRecord& record, DbsHandle handle);
  // A crosspoint the salvo does not hold answers false without a message.
  bool DeleteMacroXP(uint16_t salvo, const TMacroXPRecord& record, DbsHandle handle);

  // The journal: a step gathers the changes of one user action, which undo
  // takes back and redo makes again.
  bool BeginStep(DbsHandle handle);
  bool EndStep(uint32_t& step, DbsHandle handle);
  bool CancelStep(DbsHandle handle);
  bool UndoStep(DbsHandle handle);
  bool RedoStep(DbsHandle handle);
  bool ClearJournal(DbsHandle handle);
  bool GetJournalState(ZephraJournalState& state, DbsHandle handle);
  bool GetStepSize(uint32_t step, uint32_t& bytes, DbsHandle handle);

  // Every record of the database, for the names and comparison engines.
  bool ReadSnapshot(zephra::model::Snapshot& into, DbsHandle handle);
  // The same of the database file at `path`, opened read-only for it (the
  // open database itself when `path` is its file).
  bool ReadFileSnapshot(const QString& path, zephra::model::Snapshot& into);
  // Writes the changes of a names import in order; stops at the first the
  // library refuses and reports it with its line.
  bool WriteNames(const std::vector<zephra::model::NameChange>& changes, const zephra::model::Snapshot& db,
                  DbsHandle handle);
  // What the controller of the on-line database holds, into a new database
  // at `path`, with the transfer dialog and its Cancel; the open database is
  // not changed.
  bool UploadToFile(const QString& path, DbsHandle handle);
  // The open database as its controller would hold it, into a new database.
  bool ControllerViewToFile(const QString& path, DbsHandle handle);

 private:
  bool Ok(DbsStatus status, const QString& detail = {}) { return ReportError(status, detail) == DBS_OK; }
  // The library inside a call scope that lasts to the end of the statement,
  // so that `Ok(Call()->Set...(...))` tells a failure once.
  static TLibraryCall Call() { return {}; }
  // Whether `path` names the file of the open database (the same file, not
  // only the same name).
  bool IsOpenFile(const QString& path) const;
  // The questions a create and a reconfigure share: `attempt` makes the new
  // file without replacing one, `replace` replaces it once the user agreed.
  bool FileQuestions(QString& name, uint16_t configType, bool askInNoDialog, const std::function<DbsStatus()>& attempt,
                     const std::function<DbsStatus()>& replace, DbsHandle& handle);
  // Forgets a handle the library has already closed.
  void ForgetClosed(DbsHandle old);
  bool busyNoticeShown_ = false;
  QString openPath_;  // the open database's file
};
