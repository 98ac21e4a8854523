// A database open in the library, read and written through its exports:
// the records interface of the names and comparison engines.
#pragma once

#include <string>

#include "model/RecordAccess.h"

namespace zephra::tool {

class DatabaseRecords final : public model::RecordReader, public model::RecordWriter {
 public:
  explicit DatabaseRecords(DbsHandle handle) : h_(handle) {}

  DbsStatus GetConfig(TConfigurationRecord& r) override { return dbs_GetConfig(&r, h_); }
  DbsStatus GetTitle(DbsString title) override { return dbs_GetTitle(title, h_); }
  DbsStatus GetSearchDepth(std::uint16_t& depth) override { return dbs_GetSearchDepth(&depth, h_); }
  DbsStatus GetMatrixData(std::uint16_t m, TMatrixRecord& r) override { return dbs_GetMatrixData(m, &r, h_); }
  DbsStatus GetLevelData(std::uint16_t m, std::uint16_t l, TLevelRecord& r) override {
    return dbs_GetLevelData(m, l, &r, h_);
  }
  DbsStatus GetLevelInhibits(std::uint16_t m, std::uint16_t l, std::uint8_t* bytes, std::uint16_t& length) override {
    return dbs_GetLevelInhibits(m, l, bytes, &length, h_);
  }
  DbsStatus GetLevelAutoProt(std::uint16_t m, std::uint16_t l, std::uint8_t* bytes, std::uint16_t& length) override {
    return dbs_GetLevelAutoProt(m, l, bytes, &length, h_);
  }
  DbsStatus GetMatrixPort(std::uint16_t entry, TMatrixPortRecord& r) override {
    return dbs_GetMatrixPort(entry, &r, h_);
  }
  DbsStatus GetSourceData(TSourceRecord& r) override { return dbs_GetSourceData(&r, h_); }
  DbsStatus GetDestData(TDestinationRecord& r) override { return dbs_GetDestData(&r, h_); }
  DbsStatus GetSourceAssn(std::uint16_t m, std::uint16_t a, TSourceAssociationRecord& r) override {
    return dbs_GetSourceAssn(m, a, &r, h_);
  }
  DbsStatus GetDestAssn(std::uint16_t m, std::uint16_t a, TDestinationAssociationRecord& r) override {
    return dbs_GetDestAssn(m, a, &r, h_);
  }
  DbsStatus GetGeneralPort(std::uint16_t port, TGeneralPortRecord& r) override {
    return dbs_GetGeneralPort(port, &r, h_);
  }
  DbsStatus GetPanelRecord(std::uint16_t p, TPanelRecord& r) override { return dbs_GetPanelRecord(p, &r, h_); }
  DbsStatus GetXY_ControlledDests(std::uint16_t p, std::uint16_t m, TXYRecord& r) override {
    return dbs_GetXY_ControlledDests(p, m, &r, h_);
  }
  DbsStatus GetOutputRecord(std::uint16_t p, std::uint16_t j, TOutputRecord& r) override {
    return dbs_GetOutputRecord(p, j, &r, h_);
  }
  DbsStatus GetOverrideSource(std::uint16_t p, std::uint16_t j, TOverrideRecord& r) override {
    return dbs_GetOverrideSource(p, j, &r, h_);
  }
  DbsStatus GetUMDRecord(std::uint16_t u, TUMDRecord& r) override { return dbs_GetUMDRecord(u, &r, h_); }
  DbsStatus GetFixedMessage(std::uint16_t u, DbsString text) override { return dbs_GetFixedMessage(u, text, h_); }
  DbsStatus GetKeypad(std::uint16_t k, TKeypadRecord& r) override { return dbs_GetKeypad(k, &r, h_); }
  DbsStatus GetKey(std::uint16_t k, std::uint16_t n, TKeyRecord& r) override { return dbs_GetKey(k, n, &r, h_); }
  DbsStatus GetFirstSequence(std::uint16_t k, TEntrySequenceRecord& r) override {
    return dbs_GetFirstSequence(k, &r, h_);
  }
  DbsStatus GetNextSequence(std::uint16_t k, TEntrySequenceRecord& r) override {
    return dbs_GetNextSequence(k, &r, h_);
  }
  DbsStatus GetMacroStore(std::uint16_t s, TMacroStoreRecord& r) override { return dbs_GetMacroStore(s, &r, h_); }
  DbsStatus GetMacroXP(std::uint16_t s, std::uint16_t n, TMacroXPRecord& r) override {
    return dbs_GetMacroXP(s, n, &r, h_);
  }
  DbsStatus GetTrigLines(std::uint8_t lines[4]) override { return dbs_GetTrigLines(lines, h_); }

  DbsStatus SetTitle(DbsString title) override { return dbs_SetTitle(title, h_); }
  DbsStatus SetMatrixName(std::uint16_t m, DbsString name) override { return dbs_SetMatrixName(m, name, h_); }
  DbsStatus SetLevelName(std::uint16_t m, std::uint16_t l, DbsString name) override {
    return dbs_SetLevelName(m, l, name, h_);
  }
  DbsStatus SetSourceName(const TSourceIndexRecord& s, DbsString name) override {
    return dbs_SetSourceName(&s, name, h_);
  }
  DbsStatus SetDestName(std::uint16_t m, std::uint16_t a, DbsString name) override {
    return dbs_SetDestName(m, a, name, h_);
  }
  DbsStatus SetPanelName(std::uint16_t p, DbsString name) override { return dbs_SetPanelName(p, name, h_); }
  DbsStatus SetUMDName(std::uint16_t u, DbsString name) override { return dbs_SetUMDName(u, name, h_); }
  DbsStatus SetFixedMessage(std::uint16_t u, DbsString text) override { return dbs_SetFixedMessage(u, text, h_); }
  DbsStatus SetKeypad(std::uint16_t k, const TKeypadRecord& r) override { return dbs_SetKeypad(k, &r, h_); }
  DbsStatus SetMacroStore(std::uint16_t s, const TMacroStoreRecord& r) override {
    return dbs_SetMacroStore(s, &r, h_);
  }

 private:
  DbsHandle h_;
};

}  // namespace zephra::tool

namespace zephra::model {
struct Snapshot;
}

namespace zephra::tool {

class OpenDatabase;

// Opens the database at `path` and reads all of it; answers kOk or the exit
// status (a KV1 file is refused: it has to be converted first).
int ReadDatabase(const std::string& path, bool writable, OpenDatabase& db, model::Snapshot& snapshot);

}  // namespace zephra::tool
