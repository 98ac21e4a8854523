// The gateway's calls for the names and comparison engines.
#include "InterfaceRecords.h"

#include "model/NameImport.h"
#include "model/Snapshot.h"

bool TCommonInterface::ReadSnapshot(zephra::model::Snapshot& into, DbsHandle handle) {
  TInterfaceRecords records(handle);
  return Ok(zephra::model::ReadSnapshot(records, into));
}

bool TCommonInterface::WriteNames(const std::vector<zephra::model::NameChange>& changes,
                                  const zephra::model::Snapshot& db, DbsHandle handle) {
  TInterfaceRecords records(handle);
  std::size_t written = 0;
  const DbsStatus status = zephra::model::ApplyNames(changes, db, records, written);
  if (status == DBS_OK) return true;
  const QString where = written < changes.size() ? QString("line %1").arg(changes[written].line) : QString();
  return Ok(status, where);
}

bool TCommonInterface::ControllerViewToFile(const QString& path, DbsHandle handle) {
  return Ok(Library().ControllerViewToFile(handle, TLibString(path)), FileDetail(path, 0));
}

bool TCommonInterface::ReadFileSnapshot(const QString& path, zephra::model::Snapshot& into) {
  if (IsOpenFile(path)) return ReadSnapshot(into, FileHandle);
  DbsHandle other = -1;
  const DbsStatus opened = Library().OpenFile(TLibString(path), 0, &other);
  if (!Ok(opened, opened ? FileDetail(path, opened) : QString())) return false;
  const bool read = ReadSnapshot(into, other);
  Library().CloseFile(other);  // read-only: nothing to lose
  return read;
}
