// The records of a database as the names and comparison engines read and
// write them, through the gateway's table of library calls.
#pragma once

#include "CommonInterface.h"
#include "model/RecordAccess.h"

class TInterfaceRecords final : public zephra::model::RecordReader, public zephra::model::RecordWriter {
 public:
  explicit TInterfaceRecords(DbsHandle handle) : h_(handle) {}

  DbsStatus GetConfig(TConfigurationRecord& r) override { return Library().GetConfig(&r, h_); }
  DbsStatus GetTitle(DbsString title) override { return Library().GetTitle(title, h_); }
  DbsStatus GetSearchDepth(std::uint16_t& depth) override { return Library().GetSearchDepth(&depth, h_); }
  DbsStatus GetMatrixData(std::uint16_t m, TMatrixRecord& r) override { return Library().GetMatrixData(m, &r, h_); }
  DbsStatus GetLevelData(std::uint16_t m, std::uint16_t l, TLevelRecord& r) override {
    return Library().GetLevelData(m, l, &r, h_);
  }
  DbsStatus GetLevelInhibits(std::uint16_t m, std::uint16_t l, std::uint8_t* bytes, std::uint16_t& length) override {
    return Library().GetLevelInhibits(m, l, bytes, &length, h_);
  }
  DbsStatus GetLevelAutoProt(std::uint16_t m, std::uint16_t l, std::uint8_t* bytes, std::uint16_t& length) override {
    return Library().GetLevelAutoProt(m, l, bytes, &length, h_);
  }
  DbsStatus GetMatrixPort(std::uint16_t entry, TMatrixPortRecord& r) override {
    return Library().GetMatrixPort(entry, &r, h_);
  }
  DbsStatus GetSourceData(TSourceRecord& r) override { return Library().GetSourceData(&r, h_); }
  DbsStatus GetDestData(TDestinationRecord& r) override { return Library().GetDestData(&r, h_); }
  DbsStatus GetSourceAssn(std::uint16_t m, std::uint16_t a, TSourceAssociationRecord& r) override {
    return Library().GetSourceAssn(m, a, &r, h_);
  }
  DbsStatus GetDestAssn(std::uint16_t m, std::uint16_t a, TDestinationAssociationRecord& r) override {
    return Library().GetDestAssn(m, a, &r, h_);
  }
  DbsStatus GetGeneralPort(std::uint16_t port, TGeneralPortRecord& r) override {
    return Library().GetGeneralPort(port, &r, h_);
  }
  DbsStatus GetPanelRecord(std::uint16_t p, TPanelRecord& r) override { return Library().GetPanelRecord(p, &r, h_); }
  DbsStatus GetXY_ControlledDests(std::uint16_t p, std::uint16_t m, TXYRecord& r) override {
    return Library().GetXY_ControlledDests(p, m, &r, h_);
  }
  DbsStatus GetOutputRecord(std::uint16_t p, std::uint16_t j, TOutputRecord& r) override {
    return Library().GetOutputRecord(p, j, &r, h_);
  }
  DbsStatus GetOverrideSource(std::uint16_t p, std::uint16_t j, TOverrideRecord& r) override {
    return Library().GetOverrideSource(p, j, &r, h_);
  }
  DbsStatus GetUMDRecord(std::uint16_t u, TUMDRecord& r) override { return Library().GetUMDRecord(u, &r, h_); }
  DbsStatus GetFixedMessage(std::uint16_t u, DbsString text) override {
    return Library().GetFixedMessage(u, text, h_);
  }
  DbsStatus GetKeypad(std::uint16_t k, TKeypadRecord& r) override { return Library().GetKeypad(k, &r, h_); }
  DbsStatus GetKey(std::uint16_t k, std::uint16_t n, TKeyRecord& r) override {
    return Library().GetKey(k, n, &r, h_);
  }
  DbsStatus GetFirstSequence(std::uint16_t k, TEntrySequenceRecord& r) override {
    return Library().GetFirstSequence(k, &r, h_);
  }
  DbsStatus GetNextSequence(std::uint16_t k, TEntrySequenceRecord& r) override {
    return Library().GetNextSequence(k, &r, h_);
  }
  DbsStatus GetMacroStore(std::uint16_t s, TMacroStoreRecord& r) override {
    return Library().GetMacroStore(s, &r, h_);
  }
  DbsStatus GetMacroXP(std::uint16_t s, std::uint16_t n, TMacroXPRecord& r) override {
    return Library().GetMacroXP(s, n, &r, h_);
  }
  DbsStatus GetTrigLines(std::uint8_t lines[4]) override { return Library().GetTrigLines(lines, h_); }

  DbsStatus SetTitle(DbsString title) override { return Library().SetTitle(title, h_); }
  DbsStatus SetMatrixName(std::uint16_t m, DbsString name) override { return Library().SetMatrixName(m, name, h_); }
  DbsStatus SetLevelName(std::uint16_t m, std::uint16_t l, DbsString name) override {
    return Library().SetLevelName(m, l, name, h_);
  }
  DbsStatus SetSourceName(const TSourceIndexRecord& s, DbsString name) override {
    return Library().SetSourceName(&s, name, h_);
  }
  DbsStatus SetDestName(std::uint16_t m, std::uint16_t a, DbsString name) override {
    return Library().SetDestName(m, a, name, h_);
  }
  DbsStatus SetPanelName(std::uint16_t p, DbsString name) override { return Library().SetPanelName(p, name, h_); }
  DbsStatus SetUMDName(std::uint16_t u, DbsString name) override { return Library().SetUMDName(u, name, h_); }
  DbsStatus SetFixedMessage(std::uint16_t u, DbsString text) override {
    return Library().SetFixedMessage(u, text, h_);
  }
  DbsStatus SetKeypad(std::uint16_t k, const TKeypadRecord& r) override { return Library().SetKeypad(k, &r, h_); }
  DbsStatus SetMacroStore(std::uint16_t s, const TMacroStoreRecord& r) override {
    return Library().SetMacroStore(s, &r, h_);
  }

 private:
  DbsHandle h_;
};
