// The matrix record, the level records and the levels' inhibit and
// auto-protect bit tables.
#include "records/matrix.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "entry.h"
#include "records/ports.h"
#include "names.h"

namespace zephra {
namespace {

// The data level types carry a park source.
bool CarriesParkSource(std::uint16_t type) { return type == 40 || type == 41 || type == 48 || type == 49; }

// Gives level (m, l) type t: a data level gets its last source as park source
// unless it has one; any other level loses its park source.
Status ApplyLevelType(Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t t) {
  const std::uint32_t pos = LevelPos(db, m, l);
  LevelEntry e = db.Read<LevelEntry>(pos);
  if (e.levelType == t) return DBS_OK;
  e.levelType = t;
  bool parkCleared = false;
  const std::uint16_t sources = db.Config().sourceCount[m][l];
  if (CarriesParkSource(t)) {
    if (sources != 0 && e.parkSource == kNoEntry) e.parkSource = static_cast<std::uint16_t>(sources - 1);
  } else if (e.parkSource != kNoEntry) {
    e.parkSource = kNoEntry;
    parkCleared = true;
  }
  if (Status s = db.Write(pos, e); s != DBS_OK) return s;
  if (Status s = db.Live(&FormatOps::LiveLevelType, &e); s != DBS_OK) return s;
  return parkCleared ? db.Live(&FormatOps::LiveParkSource, &e) : Status{DBS_OK};
}

MatrixPortEntry PortEntry(const Db& db, std::uint16_t i) {
  return db.Read<MatrixPortEntry>(db.Layout().matrixPortPos + i * std::uint32_t{sizeof(MatrixPortEntry)});
}

Status WithBitmap(Db& db, BitmapKind kind, const TMatrixPointRecord* p, std::uint32_t& byte, std::uint8_t& mask,
                  LevelBitmap& map) {
  if (!p) return DBS_ERR_INVALID_ARGUMENT;
  map = BitmapOf(db, kind, Index(p->matrix), Index(p->level));
  Require(Index(p->destination) < map.rows && Index(p->source) < db.Config().sourceCount[p->matrix][p->level]);
  byte = map.pos + Index(p->destination) * map.rowBytes + Index(p->source) / 8u;
  mask = static_cast<std::uint8_t>(1u << (Index(p->source) % 8u));
  return DBS_OK;
}

// What the live update of a bitmap row receives: the row's numbers, its
// length and its bytes.
std::vector<std::uint8_t> RowMessage(const Db& db, const LevelBitmap& map, std::uint16_t m, std::uint16_t l,
                                     std::uint16_t d) {
  const std::uint16_t head[4] = {m, l, d, static_cast<std::uint16_t>(map.rowBytes)};
  std::vector<std::uint8_t> message(sizeof head + map.rowBytes);
  std::memcpy(message.data(), head, sizeof head);
  db.ReadBytes(map.pos + d * map.rowBytes, message.data() + sizeof head, map.rowBytes);
  return message;
}

LiveFn FormatOps::*RowEntry(BitmapKind kind) {
  return kind == BitmapKind::Inhibit ? &FormatOps::LiveInhibits : &FormatOps::LiveAutoProtects;
}

Status GetBit(DbsHandle h, BitmapKind kind, const TMatrixPointRecord* p, std::uint32_t* value) {
  return WithDb(h, [&](Db& db) -> Status {
    std::uint32_t byte;
    std::uint8_t mask;
    LevelBitmap map;
    if (!value || WithBitmap(db, kind, p, byte, mask, map) != DBS_OK) return DBS_ERR_INVALID_ARGUMENT;
    *value = (db.Read<std::uint8_t>(byte) & mask) ? 1 : 0;
    return DBS_OK;
  });
}

Status SetBit(DbsHandle h, BitmapKind kind, const TMatrixPointRecord* p, std::uint32_t value) {
  return WithDb(h, [&](Db& db) -> Status {
    std::uint32_t byte;
    std::uint8_t mask;
    LevelBitmap map;
    if (WithBitmap(db, kind, p, byte, mask, map) != DBS_OK) return DBS_ERR_INVALID_ARGUMENT;
    std::uint8_t bits = db.Read<std::uint8_t>(byte);
    bits = value ? static_cast<std::uint8_t>(bits | mask) : static_cast<std::uint8_t>(bits & ~mask);
    if (Status s = db.Write(byte, bits); s != DBS_OK) return s;
    if (!db.Online()) return DBS_OK;
    const auto message = RowMessage(db, map, Index(p->matrix), Index(p->level), Index(p->destination));
    return db.Live(RowEntry(kind), message.data());
  });
}

Status GetTable(DbsHandle h, BitmapKind kind, std::uint16_t m, std::uint16_t l, std::uint8_t* bytes,
                std::uint16_t* length) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!length) return DBS_ERR_INVALID_ARGUMENT;
    const LevelBitmap map = BitmapOf(db, kind, m, l);
    const std::uint32_t count = std::min<std::uint32_t>(*length, map.Size());
    if (count && !bytes) return DBS_ERR_INVALID_ARGUMENT;
    db.ReadBytes(map.pos, bytes, count);
    *length = static_cast<std::uint16_t>(map.Size());
    return DBS_OK;
  });
}

Status SetTable(DbsHandle h, BitmapKind kind, std::uint16_t m, std::uint16_t l, const std::uint8_t* bytes,
                std::uint16_t length) {
  return WithDb(h, [&](Db& db) -> Status {
    const LevelBitmap map = BitmapOf(db, kind, m, l);
    const std::uint32_t count = std::min<std::uint32_t>(length, map.Size());
    if (count && !bytes) return DBS_ERR_INVALID_ARGUMENT;
    if (Status s = db.WriteBytes(map.pos, bytes, count); s != DBS_OK) return s;
    for (std::uint16_t d = 0; db.Online() && d < map.rows; ++d) {
      const auto message = RowMessage(db, map, m, l, d);
      if (Status s = db.Live(RowEntry(kind), message.data()); s != DBS_OK) return s;
    }
    return DBS_OK;
  });
}

// The level-entry field a TLevelParamRecord names.
Status GetParam(DbsHandle h, TLevelParamRecord* r, std::uint16_t LevelEntry::*field) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!r) return DBS_ERR_INVALID_ARGUMENT;
    r->value = db.Read<LevelEntry>(LevelPos(db, Index(r->matrix), Index(r->level))).*field;
    return DBS_OK;
  });
}

Status SetParam(DbsHandle h, const TLevelParamRecord* r, std::uint16_t LevelEntry::*field, LiveFn FormatOps::*live) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!r) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<LevelEntry>(db, LevelPos(db, Index(r->matrix), Index(r->level)), live,
                                   [&](LevelEntry& e) { e.*field = r->value; });
  });
}

template <class T, class Field>
Status GetLevelField(DbsHandle h, std::uint16_t m, std::uint16_t l, T* out, Field LevelEntry::*field) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!out) return DBS_ERR_INVALID_ARGUMENT;
    *out = db.Read<LevelEntry>(LevelPos(db, m, l)).*field;
    return DBS_OK;
  });
}

template <class T, class Field>
Status SetLevelField(DbsHandle h, std::uint16_t m, std::uint16_t l, T value, Field LevelEntry::*field,
                     LiveFn FormatOps::*live) {
  return WithDb(h, [&](Db& db) -> Status {
    return ChangeEntry<LevelEntry>(db, LevelPos(db, m, l), live, [&](LevelEntry& e) { e.*field = value; });
  });
}

// Levels mapped to the same physical level and group as (m, l) take type t,
// each by the level type rule. Every level is tried; the first failure is
// the answer.
Status ShareLevelType(Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t t) {
  const std::uint16_t ports = db.Config().matrixPortCount;
  std::uint16_t found = 0;
  while (found < ports && !(PortEntry(db, found).matrix == m && PortEntry(db, found).level == l)) ++found;
  if (found == ports) return DBS_OK;
  const MatrixPortEntry own = PortEntry(db, found);
  Status first = DBS_OK;
  for (std::uint16_t i = 0; i < ports; ++i) {
    const MatrixPortEntry e = PortEntry(db, i);
    if (e.matrix != m || e.level == l || e.level >= db.Config().levelCount[m]) continue;
    if (e.physicalLevel != own.physicalLevel || e.group != own.group) continue;
    const Status s = ApplyLevelType(db, m, e.level, t);
    if (first == DBS_OK) first = s;
  }
  return first;
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetMatrixName(uint16_t matrix, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const MatrixEntry e = db.Read<MatrixEntry>(MatrixPos(db, matrix));
    ReadName(name, e.name);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetMatrixName(uint16_t matrix, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    return ChangeEntry<MatrixEntry>(db, MatrixPos(db, matrix), &FormatOps::LiveMatrixName,
                                    [&](MatrixEntry& e) { ApplyName(e.name, name); });
  });
}

DBS_API DbsStatus dbs_GetParkMode(uint16_t matrix, uint8_t* mode, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!mode) return DBS_ERR_INVALID_ARGUMENT;
    *mode = db.Read<MatrixEntry>(MatrixPos(db, matrix)).parkMode;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetParkMode(uint16_t matrix, uint8_t mode, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    return ChangeEntry<MatrixEntry>(db, MatrixPos(db, matrix), &FormatOps::LiveParkMode,
                                    [&](MatrixEntry& e) { e.parkMode = mode; });
  });
}

DBS_API DbsStatus dbs_GetLogType(uint16_t matrix, uint16_t* type, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!type) return DBS_ERR_INVALID_ARGUMENT;
    *type = db.Read<MatrixEntry>(MatrixPos(db, matrix)).logType;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetLogType(uint16_t matrix, uint16_t type, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    return ChangeEntry<MatrixEntry>(db, MatrixPos(db, matrix), &FormatOps::LiveLogType,
                                    [&](MatrixEntry& e) { e.logType = type; });
  });
}

DBS_API DbsStatus dbs_GetMatrixData(uint16_t matrix, TMatrixRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const MatrixEntry e = db.Read<MatrixEntry>(MatrixPos(db, matrix));
    ReadName(record->name, e.name);
    record->parkMode = e.parkMode;
    record->logType = e.logType;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetMatrixData(uint16_t matrix, const TMatrixRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record || record->matrix != matrix) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<MatrixEntry>(db, MatrixPos(db, matrix), &FormatOps::LiveMatrixData, [&](MatrixEntry& e) {
      ApplyName(e.name, record->name);
      e.parkMode = record->parkMode;
      e.logType = record->logType;
    });
  });
}

DBS_API DbsStatus dbs_GetLevelName(uint16_t matrix, uint16_t level, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const LevelEntry e = db.Read<LevelEntry>(LevelPos(db, matrix, level));
    ReadName(name, e.name);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetLevelName(uint16_t matrix, uint16_t level, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    return ChangeEntry<LevelEntry>(db, LevelPos(db, matrix, level), &FormatOps::LiveLevelName,
                                   [&](LevelEntry& e) { ApplyName(e.name, name); });
  });
}

DBS_API DbsStatus dbs_GetLevelType(uint16_t matrix, uint16_t level, uint16_t* type, DbsHandle handle) {
  return GetLevelField(handle, matrix, level, type, &LevelEntry::levelType);
}

DBS_API DbsStatus dbs_SetLevelType(uint16_t matrix, uint16_t level, uint16_t type, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (db.Read<LevelEntry>(LevelPos(db, matrix, level)).levelType == type) return DBS_OK;
    if (Status s = ApplyLevelType(db, matrix, level, type); s != DBS_OK) return s;
    return ShareLevelType(db, matrix, level, type);
  });
}

DBS_API DbsStatus dbs_GetLevelDirection(uint16_t matrix, uint16_t level, uint8_t* direction, DbsHandle handle) {
  return GetLevelField(handle, matrix, level, direction, &LevelEntry::direction);
}

DBS_API DbsStatus dbs_SetLevelDirection(uint16_t matrix, uint16_t level, uint8_t direction, DbsHandle handle) {
  return SetLevelField(handle, matrix, level, direction, &LevelEntry::direction, &FormatOps::LiveLevelDirection);
}

DBS_API DbsStatus dbs_GetSignalOrder(uint16_t matrix, uint16_t level, uint16_t* order, DbsHandle handle) {
  return GetLevelField(handle, matrix, level, order, &LevelEntry::signalOrder);
}

DBS_API DbsStatus dbs_SetSignalOrder(uint16_t matrix, uint16_t level, uint16_t order, DbsHandle handle) {
  return SetLevelField(handle, matrix, level, order, &LevelEntry::signalOrder, &FormatOps::LiveSignalOrder);
}

DBS_API DbsStatus dbs_GetMonitorRows(uint16_t matrix, uint16_t level, uint16_t* rows, DbsHandle handle) {
  return GetLevelField(handle, matrix, level, rows, &LevelEntry::monitorRows);
}

DBS_API DbsStatus dbs_SetMonitorRows(uint16_t matrix, uint16_t level, uint16_t rows, DbsHandle handle) {
  return SetLevelField(handle, matrix, level, rows, &LevelEntry::monitorRows, &FormatOps::LiveMonitorRows);
}

DBS_API DbsStatus dbs_GetFirstMonitorRow(uint16_t matrix, uint16_t level, uint16_t* row, DbsHandle handle) {
  return GetLevelField(handle, matrix, level, row, &LevelEntry::firstMonitorRow);
}

DBS_API DbsStatus dbs_SetFirstMonitorRow(uint16_t matrix, uint16_t level, uint16_t row, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const std::uint32_t pos = LevelPos(db, matrix, level);
    if (row == 0) return DBS_OK;  // 0 means "leave it"; any other value is written as given
    LevelEntry e = db.Read<LevelEntry>(pos);
    e.firstMonitorRow = row;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Live(&FormatOps::LiveFirstMonitorRow, &e);
  });
}

DBS_API DbsStatus dbs_GetParkSource(TLevelParamRecord* record, DbsHandle handle) {
  return GetParam(handle, record, &LevelEntry::parkSource);
}

DBS_API DbsStatus dbs_SetParkSource(const TLevelParamRecord* record, DbsHandle handle) {
  return SetParam(handle, record, &LevelEntry::parkSource, &FormatOps::LiveParkSource);
}

DBS_API DbsStatus dbs_GetParkDest(TLevelParamRecord* record, DbsHandle handle) {
  return GetParam(handle, record, &LevelEntry::parkDest);
}

DBS_API DbsStatus dbs_SetParkDest(const TLevelParamRecord* record, DbsHandle handle) {
  return SetParam(handle, record, &LevelEntry::parkDest, &FormatOps::LiveParkDest);
}

DBS_API DbsStatus dbs_GetSafeSource(TLevelParamRecord* record, DbsHandle handle) {
  return GetParam(handle, record, &LevelEntry::safeSource);
}

DBS_API DbsStatus dbs_SetSafeSource(const TLevelParamRecord* record, DbsHandle handle) {
  return SetParam(handle, record, &LevelEntry::safeSource, &FormatOps::LiveSafeSource);
}

DBS_API DbsStatus dbs_GetInhibit(const TMatrixPointRecord* point, uint32_t* inhibited, DbsHandle handle) {
  return GetBit(handle, BitmapKind::Inhibit, point, inhibited);
}

DBS_API DbsStatus dbs_SetInhibit(const TMatrixPointRecord* point, uint32_t inhibit, DbsHandle handle) {
  return SetBit(handle, BitmapKind::Inhibit, point, inhibit);
}

DBS_API DbsStatus dbs_GetAutoProt(const TMatrixPointRecord* point, uint32_t* protect, DbsHandle handle) {
  return GetBit(handle, BitmapKind::AutoProtect, point, protect);
}

DBS_API DbsStatus dbs_SetAutoProt(const TMatrixPointRecord* point, uint32_t protect, DbsHandle handle) {
  return SetBit(handle, BitmapKind::AutoProtect, point, protect);
}

DBS_API DbsStatus dbs_GetLevelInhibits(uint16_t matrix, uint16_t level, uint8_t* bytes, uint16_t* length,
                                       DbsHandle handle) {
  return GetTable(handle, BitmapKind::Inhibit, matrix, level, bytes, length);
}

DBS_API DbsStatus dbs_SetLevelInhibits(uint16_t matrix, uint16_t level, const uint8_t* bytes, uint16_t length,
                                       DbsHandle handle) {
  return SetTable(handle, BitmapKind::Inhibit, matrix, level, bytes, length);
}

DBS_API DbsStatus dbs_GetLevelAutoProt(uint16_t matrix, uint16_t level, uint8_t* bytes, uint16_t* length,
                                       DbsHandle handle) {
  return GetTable(handle, BitmapKind::AutoProtect, matrix, level, bytes, length);
}

DBS_API DbsStatus dbs_SetLevelAutoProt(uint16_t matrix, uint16_t level, const uint8_t* bytes, uint16_t length,
                                       DbsHandle handle) {
  return SetTable(handle, BitmapKind::AutoProtect, matrix, level, bytes, length);
}

DBS_API DbsStatus dbs_GetLevelData(uint16_t matrix, uint16_t level, TLevelRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const LevelEntry e = db.Read<LevelEntry>(LevelPos(db, matrix, level));
    record->matrix = e.matrix;
    record->level = e.level;
    ReadName(record->name, e.name);
    record->levelType = e.levelType;
    record->direction = e.direction;
    record->signalOrder = e.signalOrder;
    record->monitorRows = e.monitorRows;
    record->firstMonitorRow = e.firstMonitorRow;
    record->parkSource = e.parkSource;
    record->parkDest = e.parkDest;
    record->safeSource = e.safeSource;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetLevelData(uint16_t matrix, uint16_t level, const TLevelRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = LevelPos(db, matrix, level);
    const LevelEntry stored = db.Read<LevelEntry>(pos);
    LevelEntry e = stored;
    e.matrix = matrix;
    e.level = level;
    bool changed = ApplyName(e.name, record->name);
    Status sharing = DBS_OK;
    if (record->levelType != e.levelType) {
      e.levelType = record->levelType;  // no park-source rule for the level itself
      sharing = ShareLevelType(db, matrix, level, record->levelType);
    }
    const auto take = [&](auto& field, auto value, bool inRange) {
      if (inRange && field != value) {
        field = value;
        changed = true;
      }
    };
    const auto sources = static_cast<std::int32_t>(db.Config().sourceCount[matrix][level]);
    const auto dests = static_cast<std::int32_t>(db.Config().destCount[matrix][level]);
    take(e.direction, record->direction, true);
    take(e.signalOrder, record->signalOrder, record->signalOrder <= 16);
    take(e.monitorRows, record->monitorRows, record->monitorRows <= 7);
    take(e.firstMonitorRow, record->firstMonitorRow, static_cast<std::int16_t>(record->firstMonitorRow) < 903);
    const auto park = static_cast<std::int16_t>(record->parkSource);
    if (park == sources) {
      e.parkSource = static_cast<std::uint16_t>(sources - 1);  // the last source, written even when stored
      changed = true;
    } else {
      take(e.parkSource, record->parkSource, park < sources);
    }
    take(e.parkDest, record->parkDest, static_cast<std::int16_t>(record->parkDest) < dests);
    take(e.safeSource, record->safeSource, static_cast<std::int16_t>(record->safeSource) < sources);
    changed = changed || std::memcmp(&e, &stored, sizeof e) != 0;
    if (!changed) return sharing;
    if (Status s = db.Write(pos, e); s != DBS_OK) return s;
    return db.Online() ? db.Live(&FormatOps::LiveLevelData, &e) : sharing;
  });
}
