#include "CommonInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "Transfer.h"
#include "UiService.h"
#include "model/NameText.h"

namespace {

struct Message {
  DbsStatus status;
  const char* text;
};

// What the user is told for each status.
constexpr Message kMessages[] = {
    {1, "An invalid function has been accessed"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many files are currently open"},
    {5, "Access to the file is denied"},
    {6, "An invalid file handle has been used"},
    {7, "Not enough memory to open the file"},
    {15, "The disk drive does not exist"},
    {19, "The disk is write protected"},
    {29, "The disk has a write fault"},
    {30, "The disk has a read fault"},
    {32, "The file is already in use"},
    {33, "The file is locked"},
    {39, "The disk is full"},
    {80, "The file already exists. Do you want to overwrite it ?"},
    {81, "Cannot create the file"},
    {85, "The filename is already assigned"},
    {110, "Cannot open the file"},
    {112, "The disk is full"},
    {123, "The name specified for the file is invalid. Please enter a new name"},
    {183, "The file already exists. Do you want to overwrite it ?"},
    {997, "An IO Error has occured"},
    {1113, "The device does not support unicode"},
    {1119, "The required IRQ is busy"},
    {1157, "A required DLL cannot be found"},
    {1392, "The file is corrupt"},
    {1393, "The disk is corrupt"},
    {1400, "An invalid Window handle has been generated"},
    {kStatusReservedName, "This file is used by the editor and cannot be overwritten. Please select another filename"},
    {DBS_ERR_INVALID_DATABASE, "This is not a valid database file"},
    {DBS_ERR_WRONG_VERSION, "This database file is the wrong version number"},
    {DBS_ERR_INVALID_CONFIG, "The database configuration is invalid"},
    {DBS_ERR_CHECKSUM_MISMATCH, "Database mismatch, checksum error"},
    {DBS_ERR_DLL_NOT_FOUND, "A required DLL cannot be found"},
    {DBS_ERR_DLL_FUNCTION_MISSING, "The DLL does not contain the required functionality"},
    {DBS_ERR_COMMS, "Communications error with the control frame"},
    {DBS_ERR_INVALID_ARGUMENT, "Invalid data in DLL function call"},
    {DBS_ERR_SEQUENCE_UNDEFINED, "The entry sequence is undefined"},
    {DBS_ERR_SEQUENCE_NOT_FOUND, "An entry sequence cannot be found"},
    {DBS_ERR_NO_MORE_SEQUENCES, "There are no more entry sequences for this keypad"},
    {DBS_ERR_LIMIT_REACHED, "The database has reached its limit for data of this type"},
    {DBS_ERR_NOT_LEAF, "The node cannot be deleted. It is not a leaf node"},
    {DBS_ERR_SALVO_RECORD_NOT_FOUND, "The salvo crosspoint record cannot be found"},
    {DBS_ERR_SALVO_EMPTY, "This salvo is empty"},
    {DBS_ERR_TIMEOUT, "Control frame timed out"},
    {DBS_ERR_CONTROLLER_CORRUPT, "Database controller corrupted!"},
    {DBS_ERR_NOT_ONLINE, "The editors are not On-Line with the controller"},
    {DBS_ERR_FILE_CORRUPT, "This database file is corrupt"},
    {DBS_ERR_CONTROLLER_NOT_V1, "Wrong Database Version - Controller is not Zephra V1"},
    {DBS_ERR_CONTROLLER_NOT_V2, "Wrong Database Version - Controller is not Zephra V2"},
    {DBS_ERR_CONTROLLER_NOT_V3, "Wrong Database Version - Controller is not Zephra V3"},
};

const QStringList kBusyNotice = {"Data is still being transferred to the control frame.", "Please wait."};

QString FilterFor(uint16_t type) {
  return type == DBS_TYPE_V1 ? "Zephra Files (*.ZP1)" : type == DBS_TYPE_V2 ? "Zephra Files (*.ZP2)" : "Zephra Files (*.ZP3)";
}

QString SuffixFor(uint16_t type) { return type == DBS_TYPE_V1 ? "ZP1" : type == DBS_TYPE_V2 ? "ZP2" : "ZP3"; }

bool IsTempDatabase(const QString& name) {
  return QFileInfo(name).fileName().compare(kTempDatabaseName, Qt::CaseInsensitive) == 0;
}

bool FileExists(DbsStatus s) { return s == DBS_SYS_FILE_EXISTS || s == DBS_SYS_ALREADY_EXISTS; }

// The callbacks' reports held back while a library call runs, and the
// statuses the interface told for it.
QList<DbsStatus> heldBack;
QList<DbsStatus> answered;

// A failure the flow has already told the user about.
constexpr DbsStatus kStatusAlreadyReported = 0xFFFFFFFFu;

}  // namespace

TLibraryApi& Library() {
  static TLibraryApi api;
  return api;
}

TLibraryCall::~TLibraryCall() {
  if (--depth_ > 0) return;
  QList<DbsStatus> rest, told;
  rest.swap(heldBack);
  told.swap(answered);
  for (DbsStatus s : rest) {
    if (!told.contains(s)) ReportingInterface().ReportError(s);
  }
}

bool TLibraryCall::Hold(DbsStatus status) {
  if (depth_ == 0) return false;
  if (!heldBack.contains(status)) heldBack << status;
  return true;
}

void TLibraryCall::Discard() { heldBack.clear(); }

void TLibraryCall::Answered(DbsStatus status) {
  if (depth_ > 0 && status != DBS_OK && !answered.contains(status)) answered << status;
}

TLibString::TLibString(const QString& text)
    : s_(DbsStringFromUnits(reinterpret_cast<const DbsChar*>(text.utf16()), static_cast<uint32_t>(text.size()))) {}

QString TLibString::Text() const {
  return ShownName(QString::fromUtf16(reinterpret_cast<const char16_t*>(s_), DbsStringLength(s_)));
}

QString FitName(const QString& text, int n) {
  return QString::fromStdU16String(zephra::model::FitName(text.toStdU16String(), static_cast<std::size_t>(n)));
}

QString ShownName(const QString& name) {
  const auto end = name.indexOf(QChar(0));
  return end < 0 ? name : name.left(end);
}

QString TCommonInterface::MessageFor(DbsStatus status) {
  if (status == DBS_OK) return {};
  for (const Message& m : kMessages) {
    if (m.status == status) return m.text;
  }
  return QString("Unrecognised error code %1 returned from libzephra.so").arg(status);
}

DbsStatus TCommonInterface::ReportError(DbsStatus status, const QString& detail) {
  if (ShowErrors && status != DBS_OK) {
    if (status == DBS_ERR_TRANSFER_BUSY) {
      if (!busyNoticeShown_) {
        busyNoticeShown_ = true;
        Ui().ShowNotice(kBusyNotice);
      }
    } else {
      Ui().Warning(MessageFor(status), detail);
    }
  }
  TLibraryCall::Answered(status);
  LastError = status;
  return status;
}

QString TCommonInterface::FileDetail(const QString& path, DbsStatus status) {
  QString detail = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  if (status == DBS_SYS_SHARING_VIOLATION) {
    detail += "\nAnother program, or another window of the editor, holds this file.";
  } else if (status == DBS_ERR_FILE_CORRUPT || status == DBS_ERR_INVALID_DATABASE) {
    char text[512] = {};
    if (Library().DescribeFile(TLibString(path), text, sizeof text) == DBS_OK && text[0]) {
      detail += "\n" + QString::fromUtf8(text);
    }
  }
  return detail;
}

bool TCommonInterface::OpenDatabase(const QString& name, DbsHandle& handle) {
  const DbsStatus status = Library().OpenFile(TLibString(name), 1, &handle);
  if (!Ok(status, status ? FileDetail(name, status) : QString())) return false;
  ++FileCount;
  FileHandle = handle;
  FileHandleAssigned = true;
  openPath_ = name;
  return true;
}

bool TCommonInterface::CloseDatabase(DbsHandle handle) {
  if (FileCount <= 0) return false;
  if (!Ok(Call()->CloseFile(handle))) return false;
  --FileCount;
  return true;
}

bool TCommonInterface::SaveDatabaseAs(const QString& name, DbsHandle& handle) {
  const DbsStatus status = Library().SaveFile(TLibString(name), -1, &handle);
  if (!Ok(status, status ? FileDetail(name, status) : QString())) return false;
  openPath_ = name;
  return true;
}

bool TCommonInterface::GetConfig(TConfigurationRecord& record, DbsHandle handle) {
  if (record.name) std::fill_n(record.name, DbsStringLength(record.name), u' ');
  return Ok(Call()->GetConfig(&record, handle));
}

bool TCommonInterface::IsOpenFile(const QString& path) const {
  if (FileCount <= 0 || openPath_.isEmpty()) return false;
  struct stat target {}, open {};
  return ::stat(QFile::encodeName(path).constData(), &target) == 0 &&
         ::stat(QFile::encodeName(openPath_).constData(), &open) == 0 && target.st_dev == open.st_dev &&
         target.st_ino == open.st_ino;
}

bool TCommonInterface::FileQuestions(QString& name, uint16_t configType, bool askInNoDialog,
                                     const std::function<DbsStatus()>& attempt,
                                     const std::function<DbsStatus()>& replace, DbsHandle& handle) {
  const QString filter = FilterFor(configType), suffix = SuffixFor(configType);
  const auto first = [&] { return QFileInfo::exists(name) ? DbsStatus{DBS_SYS_ALREADY_EXISTS} : attempt(); };
  DbsStatus status = first();
  while (true) {
    if (status == DBS_OK) {
      ++FileCount;
      FileHandle = handle;
      FileHandleAssigned = true;
      return true;
    }
    if (FileExists(status)) {
      bool yes = Ui().Confirm(MessageFor(DBS_SYS_FILE_EXISTS));
      if (IsTempDatabase(name)) {
        yes = false;
        ReportError(kStatusReservedName);
      }
      if (yes) {
        status = replace();
        if (status != DBS_OK) {
          if (status != kStatusAlreadyReported) ReportError(status, FileDetail(name, status));
          return false;
        }
        continue;
      }
      const QString other = Ui().SaveFileName(filter, suffix, askInNoDialog);
      if (other.isEmpty()) return false;
      name = other;
      status = first();
      continue;
    }
    if (status == DBS_SYS_INVALID_NAME) {
      const QString other = Ui().SaveFileName(filter, suffix, true);
      if (other.isEmpty()) return false;
      name = other;
      status = first();
      continue;
    }
    ReportError(status, FileDetail(name, status));
    return false;
  }
}

void TCommonInterface::ForgetClosed(DbsHandle old) {
  Library().CloseFile(old);  // already closed by the library: its answer means nothing
  if (FileCount > 0) --FileCount;
}

bool TCommonInterface::CreateDatabase(QString& name, const TConfigurationRecord& record, DbsHandle& handle) {
  // The open database is closed only once the new one exists, so a failed
  // create leaves it open. Only a new file that is the open one itself needs
  // it closed first (the library keeps a replaced file whole until the new
  // one is complete); a file another program holds leaves it alone.
  const auto closeOpen = [&] {
    if (FileCount > 0) {
      Library().CloseFile(handle);
      --FileCount;
    }
  };
  const auto create = [&](int32_t overwrite) {
    DbsHandle made = -1;
    DbsStatus s = Library().CreateFile(TLibString(name), &record, overwrite, &made);
    if (s == DBS_SYS_SHARING_VIOLATION && IsOpenFile(name)) {
      closeOpen();
      s = Library().CreateFile(TLibString(name), &record, overwrite, &made);
    }
    // Replacing a file may be answered "it existed": that is success too,
    // as long as the library gave the new database a handle.
    if (overwrite != 0 && FileExists(s) && made >= 0) s = DBS_OK;
    if (s == DBS_OK) {
      closeOpen();
      handle = made;
      openPath_ = name;
    }
    return s;
  };
  return FileQuestions(name, record.configType, false, [&] { return create(0); }, [&] { return create(-1); }, handle);
}

bool TCommonInterface::ReconfigureDatabase(QString& name, const TConfigurationRecord& record, DbsHandle& handle) {
  const QString original = openPath_;
  // The library closes the old database only once the new one is complete,
  // so the old handle is forgotten only then; a failure leaves it open.
  const auto reconfigure = [&](const QString& target, int32_t overwrite, DbsHandle& result) {
    DbsHandle h = handle;
    const DbsStatus s = Library().ReconfigureFile(TLibString(target), &record, overwrite, &h);
    if (h == handle) return s == DBS_OK ? DbsStatus{DBS_ERR_INVALID_DATABASE} : s;
    ForgetClosed(handle);
    result = h;
    if (s != DBS_OK) ReportError(s);  // the old database could not be taken off-line cleanly
    return DbsStatus{DBS_OK};
  };
  const auto direct = [&] {
    DbsHandle made = handle;
    const DbsStatus s = reconfigure(name, 0, made);
    if (s == DBS_OK) {
      handle = made;
      openPath_ = name;
    }
    return s;
  };
  // Onto an existing file: through the scratch database, which is then
  // copied onto the chosen name.
  const auto replace = [&]() -> DbsStatus {
    const QString scratch = QDir::current().filePath(kTempDatabaseName);
    DbsHandle made = handle;
    const DbsStatus s = reconfigure(scratch, -1, made);
    if (s != DBS_OK) return s;
    handle = made;
    openPath_ = scratch;
    DbsStatus saved = Library().SaveFile(TLibString(name), -1, &handle);
    if (FileExists(saved)) saved = DBS_OK;
    if (saved == DBS_OK) {
      openPath_ = name;
      QFile::remove(scratch);
      return DBS_OK;
    }
    // The copy failed: the scratch database is put aside and the original
    // file, which is still whole, is opened again, so no handle is left dead.
    ReportError(saved);
    Library().CloseFile(handle);
    QFile::remove(scratch);
    DbsHandle reopened = -1;
    if (!original.isEmpty() && Library().OpenFile(TLibString(original), 1, &reopened) == DBS_OK) {
      handle = FileHandle = reopened;
      openPath_ = original;
      ++FileCount;
    } else {
      handle = FileHandle = -1;
      openPath_.clear();
    }
    return kStatusAlreadyReported;
  };
  return FileQuestions(name, record.configType, true, direct, replace, handle);
}

bool TCommonInterface::GetLevelData(uint16_t matrix, uint16_t level, TLevelRecord& record, DbsHandle handle) {
  return Ok(Call()->GetLevelData(matrix, level, &record, handle));
}
bool TCommonInterface::SetLevelType(uint16_t matrix, uint16_t level, uint16_t type, DbsHandle handle) {
  return Ok(Call()->SetLevelType(matrix, level, type, handle));
}
bool TCommonInterface::GetPanelRecord(uint16_t panel, TPanelRecord& record, DbsHandle handle) {
  record.panel = panel;
  return Ok(Call()->GetPanelRecord(panel, &record, handle));
}
bool TCommonInterface::SetPanelRecord(uint16_t panel, const TPanelRecord& record, DbsHandle handle) {
  TPanelRecord copy = record;
  copy.panel = panel;
  return Ok(Call()->SetPanelRecord(panel, &copy, handle));
}
bool TCommonInterface::GetUMDRecord(uint16_t umd, TUMDRecord& record, DbsHandle handle) {
  record.umd = umd;
  return Ok(Call()->GetUMDRecord(umd, &record, handle));
}
bool TCommonInterface::SetUMDRecord(uint16_t umd, const TUMDRecord& record, DbsHandle handle) {
  TUMDRecord copy = record;
  copy.umd = umd;
  return Ok(Call()->SetUMDRecord(umd, &copy, handle));
}
bool TCommonInterface::GetPanelBrightness(uint16_t panel, uint8_t& brightness, DbsHandle handle) {
  return Ok(Call()->GetPanelBrightness(panel, &brightness, handle));
}
bool TCommonInterface::SetPanelBrightness(uint16_t panel, uint8_t brightness, DbsHandle handle) {
  return Ok(Call()->SetPanelBrightness(panel, brightness, handle));
}
bool TCommonInterface::GetPanelPort(uint16_t panel, uint16_t& port, uint16_t& address, DbsHandle handle) {
  return Ok(Call()->GetPanelPort(panel, &port, &address, handle));
}
bool TCommonInterface::GetUMDPort(uint16_t umd, uint16_t& port, uint16_t& address, DbsHandle handle) {
  return Ok(Call()->GetUMDPort(umd, &port, &address, handle));
}
bool TCommonInterface::GetGeneralPort(uint16_t port, TGeneralPortRecord& record, DbsHandle handle) {
  record.port = port;
  return Ok(Call()->GetGeneralPort(port, &record, handle));
}
bool TCommonInterface::SetLevelName(uint16_t level, const QString& name, DbsHandle handle) {
  return Ok(Call()->SetLevelName(0, level, TLibString(FitName(name, 8)), handle));
}
bool TCommonInterface::SetPanelName(uint16_t panel, const QString& name, DbsHandle handle) {
  return Ok(Call()->SetPanelName(panel, TLibString(FitName(name, 8)), handle));
}
bool TCommonInterface::SetUMDName(uint16_t umd, const QString& name, DbsHandle handle) {
  return Ok(Call()->SetUMDName(umd, TLibString(FitName(name, 8)), handle));
}

bool TCommonInterface::GetSourceName(const TSourceIndexRecord& source, DbsString name, DbsHandle handle) {
  return Ok(Call()->GetSourceName(&source, name, handle));
}
bool TCommonInterface::GetDestAssn(uint16_t matrix, uint16_t association, TDestinationAssociationRecord& record,
                                   DbsHandle handle) {
  record.matrix = matrix;
  record.association = association;
  return Ok(Call()->GetDestAssn(matrix, association, &record, handle));
}
bool TCommonInterface::GetDestName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle) {
  return Ok(Call()->GetDestName(matrix, association, name, handle));
}
bool TCommonInterface::GetXY_ControlledDests(uint16_t panel, uint16_t matrix, TXYRecord& record, DbsHandle handle) {
  record.panel = panel;
  record.matrix = matrix;
  return Ok(Call()->GetXY_ControlledDests(panel, matrix, &record, handle));
}
bool TCommonInterface::SetXY_ControlledDests(uint16_t panel, uint16_t matrix, const TXYRecord& record,
                                             DbsHandle handle) {
  TXYRecord copy = record;
  copy.panel = panel;
  copy.matrix = matrix;
  return Ok(Call()->SetXY_ControlledDests(panel, matrix, &copy, handle));
}
bool TCommonInterface::GetOverrideSource(uint16_t panel, uint16_t override, TOverrideRecord& record,
                                         DbsHandle handle) {
  return Ok(Call()->GetOverrideSource(panel, override, &record, handle));
}
bool TCommonInterface::SetOverrideSource(uint16_t panel, uint16_t override, const TOverrideRecord& record,
                                         DbsHandle handle) {
  const TOverrideRecord copy = record;
  return Ok(Call()->SetOverrideSource(panel, override, &copy, handle));
}
bool TCommonInterface::SetPanelKeypad(uint16_t panel, uint16_t which, uint16_t keypad, DbsHandle handle) {
  return Ok(Call()->SetPanelKeypad(panel, which, keypad, handle));
}
bool TCommonInterface::CopyKeypad(uint16_t source, uint16_t target, uint16_t panel, DbsHandle handle) {
  return Ok(Call()->CopyKeypad(source, target, panel, nullptr, nullptr, handle));
}
bool TCommonInterface::GetNextFreeSourceKeypad(TKeypadRecord& record, DbsHandle handle) {
  return Ok(Call()->GetNextFreeSourceKeypad(&record, handle));
}
bool TCommonInterface::GetNextFreeDestKeypad(TKeypadRecord& record, DbsHandle handle) {
  return Ok(Call()->GetNextFreeDestKeypad(&record, handle));
}
bool TCommonInterface::GetNextFreeSourceDialUpKeypad(TKeypadRecord& record, DbsHandle handle) {
  return Ok(Call()->GetNextFreeSourceDialUpKeypad(&record, handle));
}
bool TCommonInterface::GetNextFreeDestDialUpKeypad(TKeypadRecord& record, DbsHandle handle) {
  return Ok(Call()->GetNextFreeDestDialUpKeypad(&record, handle));
}
bool TCommonInterface::SetGeneralPort(uint16_t port, const TGeneralPortRecord& record, DbsHandle handle) {
  TGeneralPortRecord copy = record;
  return Ok(Call()->SetGeneralPort(port, &copy, handle));
}
bool TCommonInterface::SetLevelData(uint16_t matrix, uint16_t level, const TLevelRecord& record, DbsHandle handle) {
  const TLevelRecord copy = record;
  return Ok(Call()->SetLevelData(matrix, level, &copy, handle));
}
bool TCommonInterface::GetLevelType(uint16_t matrix, uint16_t level, uint16_t& type, DbsHandle handle) {
  return Ok(Call()->GetLevelType(matrix, level, &type, handle));
}

bool TCommonInterface::GetKeypad(uint16_t keypad, TKeypadRecord& record, DbsHandle handle) {
  record.keypad = keypad;
  return Ok(Call()->GetKeypad(keypad, &record, handle));
}
bool TCommonInterface::SetKeypad(uint16_t keypad, const TKeypadRecord& record, DbsHandle handle) {
  TKeypadRecord copy = record;
  copy.keypad = keypad;
  return Ok(Call()->SetKeypad(keypad, &copy, handle));
}
bool TCommonInterface::GetKey(uint16_t keypad, uint16_t key, TKeyRecord& record, DbsHandle handle) {
  record.key = key;
  record.keypad = keypad;
  return Ok(Call()->GetKey(keypad, key, &record, handle));
}
bool TCommonInterface::SetKey(uint16_t keypad, const TKeyRecord& record, DbsHandle handle) {
  TKeyRecord copy = record;
  copy.keypad = keypad;
  // A marked code loses its marker; a destination key's code then gives its
  // number within the destination keypad.
  int v = record.key;
  if (v > 20000) v -= 20000;
  if (v > 10000) v -= 10000;
  const auto key = static_cast<uint16_t>(v >= 1000 ? v - 1000 : v);
  copy.keyType = static_cast<uint8_t>(copy.keyType & ~0x60);
  return Ok(Call()->SetKey(keypad, key, &copy, handle));
}
bool TCommonInterface::GetFirstSequence(uint16_t keypad, TEntrySequenceRecord& record, DbsHandle handle) {
  record.keypad = keypad;
  record.count = 0;
  TLibraryCall call;
  const DbsStatus s = call->GetFirstSequence(keypad, &record, handle);
  return s == DBS_ERR_SEQUENCE_UNDEFINED ? false : Ok(s);
}
bool TCommonInterface::GetNextSequence(uint16_t keypad, TEntrySequenceRecord& record, DbsHandle handle) {
  record.keypad = keypad;
  TLibraryCall call;
  const DbsStatus s = call->GetNextSequence(keypad, &record, handle);
  return s == DBS_ERR_NO_MORE_SEQUENCES ? false : Ok(s);
}
bool TCommonInterface::SetEntrySequence(uint16_t keypad, TEntrySequenceRecord& record, DbsHandle handle) {
  record.keypad = keypad;
  return Ok(Call()->SetEntrySequence(keypad, &record, handle));
}
bool TCommonInterface::DeleteLastNode(uint16_t keypad, const TEntrySequenceRecord& record, DbsHandle handle) {
  TEntrySequenceRecord copy = record;
  copy.keypad = keypad;
  TLibraryCall call;
  const DbsStatus s = call->DeleteLastNode(keypad, &copy, handle);
  return s == DBS_ERR_SEQUENCE_UNDEFINED || s == DBS_ERR_SEQUENCE_NOT_FOUND || Ok(s);
}
bool TCommonInterface::GetKeyAssignment(uint16_t keypad, const QString& name, uint16_t& value, bool& salvo,
                                        DbsHandle handle) {
  uint32_t flag = 0;
  const bool ok = Ok(Call()->GetKeyAssignment(keypad, TLibString(FitName(name, 8)), 0, &value, &flag, handle));
  salvo = (flag & 0xFF) != 0;
  return ok;
}
bool TCommonInterface::SetKeyAssignment(uint16_t keypad, const QString& name, uint16_t value, uint32_t salvoFlag,
                                        DbsHandle handle) {
  return Ok(Call()->SetKeyAssignment(keypad, TLibString(FitName(name, 8)), 0, value, salvoFlag & 0xFF, handle));
}
bool TCommonInterface::GetLevelInhibits(uint16_t matrix, uint16_t level, uint8_t* bytes, uint16_t& length,
                                        DbsHandle handle) {
  return Ok(Call()->GetLevelInhibits(matrix, level, bytes, &length, handle));
}
bool TCommonInterface::SetLevelInhibits(uint16_t matrix, uint16_t level, const std::vector<uint8_t>& bytes,
                                        uint16_t length, DbsHandle handle) {
  const std::vector<uint8_t> copy(bytes);
  return Ok(Call()->SetLevelInhibits(matrix, level, copy.data(), length, handle));
}
bool TCommonInterface::GetPhysicalLevel(uint16_t level, uint16_t& physicalLevel, DbsHandle handle) {
  return Ok(Call()->GetPhysicalLevel(level, &physicalLevel, handle));
}
bool TCommonInterface::SetPhysicalLevel(uint16_t level, uint16_t physicalLevel, DbsHandle handle) {
  return Ok(Call()->SetPhysicalLevel(level, physicalLevel, handle));
}
bool TCommonInterface::GetSourceData(TSourceRecord& record) { return Ok(Call()->GetSourceData(&record, FileHandle)); }
bool TCommonInterface::SetSourceData(const TSourceRecord& record) {
  const TSourceRecord copy = record;
  return Ok(Call()->SetSourceData(&copy, FileHandle));
}
bool TCommonInterface::GetDestData(TDestinationRecord& record) { return Ok(Call()->GetDestData(&record, FileHandle)); }
bool TCommonInterface::SetDestData(const TDestinationRecord& record) {
  const TDestinationRecord copy = record;
  return Ok(Call()->SetDestData(&copy, FileHandle));
}

bool TCommonInterface::GetSourceAssn(uint16_t matrix, uint16_t association, TSourceAssociationRecord& record,
                                     DbsHandle handle) {
  record.matrix = matrix;
  record.association = association;
  return Ok(Call()->GetSourceAssn(matrix, association, &record, handle));
}
bool TCommonInterface::SetSourceAssn(uint16_t matrix, uint16_t association, const TSourceAssociationRecord& record,
                                     DbsHandle handle) {
  TSourceAssociationRecord copy = record;
  copy.matrix = matrix;
  copy.association = association;
  return Ok(Call()->SetSourceAssn(matrix, association, &copy, handle));
}
bool TCommonInterface::SetDestAssn(uint16_t matrix, uint16_t association, const TDestinationAssociationRecord& record,
                                   DbsHandle handle) {
  TDestinationAssociationRecord copy = record;
  copy.matrix = matrix;
  copy.association = association;
  return Ok(Call()->SetDestAssn(matrix, association, &copy, handle));
}
bool TCommonInterface::FindDestAssn(int16_t matrix, int16_t level, int16_t destination, uint16_t start,
                                    TDestinationAssociationRecord& record, DbsHandle handle) {
  for (TAssociationMember& m : record.members) m = {-1, -1, -1};
  // Found means an association was named: a search that finds none answers
  // success too, with association 0xFFFF.
  return Ok(Call()->FindDestAssn(matrix, level, destination, start, &record, handle)) &&
         record.association != DBS_NO_ENTRY;
}
bool TCommonInterface::SetDestName(uint16_t matrix, uint16_t association, const QString& name, DbsHandle handle) {
  return Ok(Call()->SetDestName(matrix, association, TLibString(FitName(name, 8)), handle));
}
bool TCommonInterface::GetTrigLines(uint8_t lines[4], DbsHandle handle) {
  return Ok(Call()->GetTrigLines(lines, handle));
}
bool TCommonInterface::SetTrigLines(const uint8_t lines[4], DbsHandle handle) {
  return Ok(Call()->SetTrigLines(lines, handle));
}

bool TCommonInterface::GetMacroStore(uint16_t salvo, TMacroStoreRecord& record, DbsHandle handle) {
  return Ok(Call()->GetMacroStore(salvo, &record, handle));
}
bool TCommonInterface::SetMacroStore(uint16_t salvo, const TMacroStoreRecord& record, DbsHandle handle) {
  const TMacroStoreRecord copy = record;
  return Ok(Call()->SetMacroStore(salvo, &copy, handle));
}
bool TCommonInterface::GetNoMacroXPRecords(uint16_t salvo, uint16_t& count, DbsHandle handle) {
  return Ok(Call()->GetNoMacroXPRecords(salvo, &count, handle));
}
bool TCommonInterface::GetMacroXP(uint16_t salvo, uint16_t n, TMacroXPRecord& record, DbsHandle handle) {
  record = {-1, -1, -1, -1};
  return Ok(Call()->GetMacroXP(salvo, n, &record, handle));
}
bool TCommonInterface::SetMacroXP(uint16_t salvo, const TMacroXPRecord& record, DbsHandle handle) {
  const TMacroXPRecord copy = record;
  return Ok(Call()->SetMacroXP(salvo, &copy, handle));
}
bool TCommonInterface::DeleteMacroXP(uint16_t salvo, const TMacroXPRecord& record, DbsHandle handle) {
  TLibraryCall call;
  const DbsStatus status = call->DeleteMacroXP(salvo, &record, handle);
  if (status == DBS_ERR_SALVO_RECORD_NOT_FOUND) return false;
  return Ok(status);
}

bool TCommonInterface::BeginStep(DbsHandle handle) { return Ok(Call()->BeginStep(handle)); }
bool TCommonInterface::EndStep(uint32_t& step, DbsHandle handle) {
  step = 0;
  return Ok(Call()->EndStep(&step, handle));
}
bool TCommonInterface::CancelStep(DbsHandle handle) { return Ok(Call()->CancelStep(handle)); }
bool TCommonInterface::UndoStep(DbsHandle handle) { return Ok(Call()->UndoStep(handle)); }
bool TCommonInterface::RedoStep(DbsHandle handle) { return Ok(Call()->RedoStep(handle)); }
bool TCommonInterface::ClearJournal(DbsHandle handle) { return Ok(Call()->ClearJournal(handle)); }
bool TCommonInterface::GetJournalState(ZephraJournalState& state, DbsHandle handle) {
  state = {};
  return Ok(Call()->GetJournalState(&state, handle));
}
bool TCommonInterface::GetStepSize(uint32_t step, uint32_t& bytes, DbsHandle handle) {
  bytes = 0;
  return Ok(Call()->GetStepSize(step, &bytes, handle));
}
