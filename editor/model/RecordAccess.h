// The records of one open database, read and written one library call at a
// time. The names and comparison engines work on these two interfaces only,
// so the command-line tool (which calls the library's exports) and the editor
// (whose calls go through its gateway) share them.
//
// Every method is the library call of the same name without its `dbs_`
// prefix and without the handle: the same records, the same strings (which
// the engine allocates and frees), the same statuses. Statuses that answer
// "none" are part of the conversation and must come back unreported: no XY,
// output or override set, an empty sequence tree, the end of the sequences,
// an empty salvo or the end of its crosspoints.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <string_view>

#include "zephra/zephra.h"

namespace zephra::model {

class RecordReader {
 public:
  virtual ~RecordReader() = default;
  // `record.name` is a string of 16 units.
  virtual DbsStatus GetConfig(TConfigurationRecord& record) = 0;
  virtual DbsStatus GetTitle(DbsString title) = 0;
  virtual DbsStatus GetSearchDepth(std::uint16_t& depth) = 0;
  virtual DbsStatus GetMatrixData(std::uint16_t matrix, TMatrixRecord& record) = 0;
  virtual DbsStatus GetLevelData(std::uint16_t matrix, std::uint16_t level, TLevelRecord& record) = 0;
  virtual DbsStatus GetLevelInhibits(std::uint16_t matrix, std::uint16_t level, std::uint8_t* bytes,
                                     std::uint16_t& length) = 0;
  virtual DbsStatus GetLevelAutoProt(std::uint16_t matrix, std::uint16_t level, std::uint8_t* bytes,
                                     std::uint16_t& length) = 0;
  virtual DbsStatus GetMatrixPort(std::uint16_t entry, TMatrixPortRecord& record) = 0;
  virtual DbsStatus GetSourceData(TSourceRecord& record) = 0;
  virtual DbsStatus GetDestData(TDestinationRecord& record) = 0;
  virtual DbsStatus GetSourceAssn(std::uint16_t matrix, std::uint16_t association,
                                  TSourceAssociationRecord& record) = 0;
  virtual DbsStatus GetDestAssn(std::uint16_t matrix, std::uint16_t association,
                                TDestinationAssociationRecord& record) = 0;
  virtual DbsStatus GetGeneralPort(std::uint16_t port, TGeneralPortRecord& record) = 0;
  virtual DbsStatus GetPanelRecord(std::uint16_t panel, TPanelRecord& record) = 0;
  virtual DbsStatus GetXY_ControlledDests(std::uint16_t panel, std::uint16_t matrix, TXYRecord& record) = 0;
  virtual DbsStatus GetOutputRecord(std::uint16_t panel, std::uint16_t output, TOutputRecord& record) = 0;
  virtual DbsStatus GetOverrideSource(std::uint16_t panel, std::uint16_t override, TOverrideRecord& record) = 0;
  virtual DbsStatus GetUMDRecord(std::uint16_t umd, TUMDRecord& record) = 0;
  virtual DbsStatus GetFixedMessage(std::uint16_t umd, DbsString text) = 0;
  virtual DbsStatus GetKeypad(std::uint16_t keypad, TKeypadRecord& record) = 0;
  virtual DbsStatus GetKey(std::uint16_t keypad, std::uint16_t key, TKeyRecord& record) = 0;
  virtual DbsStatus GetFirstSequence(std::uint16_t keypad, TEntrySequenceRecord& record) = 0;
  virtual DbsStatus GetNextSequence(std::uint16_t keypad, TEntrySequenceRecord& record) = 0;
  virtual DbsStatus GetMacroStore(std::uint16_t salvo, TMacroStoreRecord& record) = 0;
  virtual DbsStatus GetMacroXP(std::uint16_t salvo, std::uint16_t n, TMacroXPRecord& record) = 0;
  virtual DbsStatus GetTrigLines(std::uint8_t lines[4]) = 0;
};

// The Sets a names import makes. Every name arrives already fitted to its
// field's width.
class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  virtual DbsStatus SetTitle(DbsString title) = 0;
  virtual DbsStatus SetMatrixName(std::uint16_t matrix, DbsString name) = 0;
  virtual DbsStatus SetLevelName(std::uint16_t matrix, std::uint16_t level, DbsString name) = 0;
  // The string's length chooses the field: 4 the short name, 12 and 16 the
  // long ones, any other the name.
  virtual DbsStatus SetSourceName(const TSourceIndexRecord& source, DbsString name) = 0;
  // 4 units set the short name, any other length the name.
  virtual DbsStatus SetDestName(std::uint16_t matrix, std::uint16_t association, DbsString name) = 0;
  virtual DbsStatus SetPanelName(std::uint16_t panel, DbsString name) = 0;
  virtual DbsStatus SetUMDName(std::uint16_t umd, DbsString name) = 0;
  virtual DbsStatus SetFixedMessage(std::uint16_t umd, DbsString text) = 0;
  virtual DbsStatus SetKeypad(std::uint16_t keypad, const TKeypadRecord& record) = 0;
  virtual DbsStatus SetMacroStore(std::uint16_t salvo, const TMacroStoreRecord& record) = 0;
};

// Keeps the first status that is not DBS_OK of a run of calls.
struct FirstFailure {
  DbsStatus status = DBS_OK;
  bool Ok(DbsStatus s) {
    if (status == DBS_OK) status = s;
    return s == DBS_OK;
  }
};

// A library string owned by the engine.
class UnitString {
 public:
  explicit UnitString(std::uint32_t units) : s_(DbsStringAlloc(units)) {
    if (!s_) throw std::bad_alloc();
  }
  explicit UnitString(std::u16string_view text)
      : s_(DbsStringFromUnits(text.data(), static_cast<std::uint32_t>(text.size()))) {
    if (!s_) throw std::bad_alloc();
  }
  ~UnitString() { DbsStringFree(s_); }
  UnitString(const UnitString&) = delete;
  UnitString& operator=(const UnitString&) = delete;
  operator DbsString() const { return s_; }
  std::u16string_view Units() const { return {s_, DbsStringLength(s_)}; }

 private:
  DbsString s_;
};

}  // namespace zephra::model
