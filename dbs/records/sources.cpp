// Sources and destinations of every level: their names and the parameters
// that levels on the same physical level share.
#include "records/sources.h"

#include <vector>

#include "entry.h"
#include "records/ports.h"
#include "names.h"

namespace zephra {
namespace {

// The name field a caller's string selects by its length.
char16_t (&FieldByLength(SourceEntry& e, DbsString text))[16] {
  switch (DbsStringLength(text)) {
    case 4: return e.name1;
    case 12: return e.name5;
    case 16: return e.name6;
    default: return e.name2;
  }
}

// The other levels of matrix m mapped to the same physical level as level l,
// in increasing order. Entry number i of the matrix port table stands for
// level i; a physical level beyond the levels stands for the level itself.
std::vector<std::uint16_t> Partners(const Db& db, std::uint16_t m, std::uint16_t l) {
  std::vector<std::uint16_t> partners;
  const std::uint16_t levels = std::min(db.Config().levelCount[m], db.Config().matrixPortCount);
  if (l >= levels) return partners;
  const auto physical = [&](std::uint16_t i) {
    return db.Read<MatrixPortEntry>(db.Layout().matrixPortPos + i * std::uint32_t{sizeof(MatrixPortEntry)})
        .physicalLevel;
  };
  const std::uint16_t own = physical(l) < db.Config().levelCount[m] ? physical(l) : l;
  for (std::uint16_t i = 0; i < levels; ++i) {
    if (i != l && physical(i) == own) partners.push_back(i);
  }
  return partners;
}

template <class Entry>
std::uint16_t ItemCount(const Db& db, std::uint16_t m, std::uint16_t l) {
  if constexpr (std::is_same_v<Entry, SourceEntry>) {
    return db.Config().sourceCount[m][l];
  } else {
    return db.Config().destCount[m][l];
  }
}

template <class Entry>
std::uint32_t ItemPos(const Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t n) {
  if constexpr (std::is_same_v<Entry, SourceEntry>) {
    return SourcePos(db, m, l, n);
  } else {
    return DestPos(db, m, l, n);
  }
}

// Sets one 8-bit parameter of item n of level l; a level without item n is
// passed over. `live` is the entry to tell the controller through, or null.
template <class Entry>
Status ParameterStep(Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t n, std::uint8_t Entry::*field,
                     std::uint8_t value, LiveFn FormatOps::*live) {
  if (n >= ItemCount<Entry>(db, m, l)) return DBS_OK;
  const std::uint32_t pos = ItemPos<Entry>(db, m, l, n);
  Entry e = db.Read<Entry>(pos);
  if (e.*field == value) return DBS_OK;
  e.*field = value;
  if (Status s = db.Write(pos, e); s != DBS_OK) return s;
  return live ? db.Live(live, &e) : Status{DBS_OK};
}

// The same parameter on every partner level; the first failure is the answer.
template <class Entry>
Status ShareParameter(Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t n, std::uint8_t Entry::*field,
                      std::uint8_t value, LiveFn FormatOps::*live) {
  Status first = DBS_OK;
  for (std::uint16_t i : Partners(db, m, l)) {
    const Status s = ParameterStep(db, m, i, n, field, value, live);
    if (first == DBS_OK) first = s;
  }
  return first;
}

// A single-parameter Set: the named item, telling the controller, then its
// partners, telling it only when `partnersLive` (fields without a live step).
template <class Entry, class Index3>
Status SetParameter(DbsHandle h, const Index3* at, std::int16_t Index3::*number, std::uint8_t Entry::*field,
                    std::uint8_t value, LiveFn FormatOps::*live, bool partnersLive) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!at) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint16_t m = Index(at->matrix), l = Index(at->level), n = Index(at->*number);
    ItemPos<Entry>(db, m, l, n);  // checks the numbers
    if (Status s = ParameterStep(db, m, l, n, field, value, live); s != DBS_OK) return s;
    return ShareParameter(db, m, l, n, field, value, partnersLive ? live : nullptr);
  });
}

template <class Entry, class Index3>
Status GetParameter(DbsHandle h, const Index3* at, std::int16_t Index3::*number, std::uint8_t Entry::*field,
                    std::uint8_t* value) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!at || !value) return DBS_ERR_INVALID_ARGUMENT;
    *value = db.Read<Entry>(ItemPos<Entry>(db, Index(at->matrix), Index(at->level), Index(at->*number))).*field;
    return DBS_OK;
  });
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetSourceName(const TSourceIndexRecord* source, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!source) return DBS_ERR_INVALID_ARGUMENT;
    SourceEntry e = db.Read<SourceEntry>(SourcePos(db, Index(source->matrix), Index(source->level), Index(source->source)));
    ReadName(name, FieldByLength(e, name));
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetSourceName(const TSourceIndexRecord* source, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!source) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<SourceEntry>(db, SourcePos(db, Index(source->matrix), Index(source->level), Index(source->source)),
                                    &FormatOps::LiveSourceName,
                                    [&](SourceEntry& e) { ApplyName(FieldByLength(e, name), name); });
  });
}

DBS_API DbsStatus dbs_GetSourceType(const TSourceIndexRecord* source, uint8_t* type, DbsHandle handle) {
  return GetParameter(handle, source, &TSourceIndexRecord::source, &SourceEntry::sourceType, type);
}

DBS_API DbsStatus dbs_SetSourceType(const TSourceIndexRecord* source, uint8_t type, DbsHandle handle) {
  return SetParameter(handle, source, &TSourceIndexRecord::source, &SourceEntry::sourceType, type,
                      &FormatOps::LiveSourceType, true);
}

DBS_API DbsStatus dbs_GetAudioSourceParam(const TSourceIndexRecord* source, uint8_t* param, DbsHandle handle) {
  return GetParameter(handle, source, &TSourceIndexRecord::source, &SourceEntry::audioParam, param);
}

DBS_API DbsStatus dbs_SetAudioSourceParam(const TSourceIndexRecord* source, uint8_t param, DbsHandle handle) {
  return SetParameter(handle, source, &TSourceIndexRecord::source, &SourceEntry::audioParam, param,
                      &FormatOps::LiveSourceAudioParam, false);
}

DBS_API DbsStatus dbs_GetTrigger(const TSourceIndexRecord* source, uint8_t* trigger, DbsHandle handle) {
  return GetParameter(handle, source, &TSourceIndexRecord::source, &SourceEntry::trigger, trigger);
}

DBS_API DbsStatus dbs_SetTrigger(const TSourceIndexRecord* source, uint8_t trigger, DbsHandle handle) {
  return SetParameter(handle, source, &TSourceIndexRecord::source, &SourceEntry::trigger, trigger,
                      &FormatOps::LiveTrigger, false);
}

DBS_API DbsStatus dbs_GetSourceData(TSourceRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const SourceEntry e = db.Read<SourceEntry>(SourcePos(db, record->matrix, record->level, record->source));
    ReadName(record->name1, e.name1);
    ReadName(record->name2, e.name2);
    ReadName(record->name3, e.name3);
    ReadName(record->name4, e.name4);
    ReadName(record->name5, e.name5);
    ReadName(record->name6, e.name6);
    record->sourceType = e.sourceType;
    record->audioParam = e.audioParam;
    record->trigger = e.trigger;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetSourceData(const TSourceRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint16_t m = record->matrix, l = record->level, n = record->source;
    const Status named = ChangeEntry<SourceEntry>(db, SourcePos(db, m, l, n), &FormatOps::LiveSourceData,
                                                  [&](SourceEntry& e) {
                                                    ApplyName(e.name1, record->name1);
                                                    ApplyName(e.name2, record->name2);
                                                    ApplyName(e.name3, record->name3);
                                                    ApplyName(e.name4, record->name4);
                                                    ApplyName(e.name5, record->name5);
                                                    ApplyName(e.name6, record->name6);
                                                    e.sourceType = record->sourceType;
                                                    e.audioParam = record->audioParam;
                                                    e.trigger = record->trigger;
                                                  });
    if (named != DBS_OK) return named;
    // Partners take the parameters, never the names, and the controller
    // hears only of the named level.
    Status first = ShareParameter(db, m, l, n, &SourceEntry::sourceType, record->sourceType, &FormatOps::LiveSourceType);
    for (Status s : {ShareParameter<SourceEntry>(db, m, l, n, &SourceEntry::audioParam, record->audioParam, nullptr),
                     ShareParameter<SourceEntry>(db, m, l, n, &SourceEntry::trigger, record->trigger, nullptr)}) {
      if (first == DBS_OK) first = s;
    }
    return first;
  });
}

DBS_API DbsStatus dbs_GetDestLog(const TDestIndexRecord* dest, uint8_t* log, DbsHandle handle) {
  return GetParameter(handle, dest, &TDestIndexRecord::destination, &DestinationEntry::destLog, log);
}

DBS_API DbsStatus dbs_SetDestLog(const TDestIndexRecord* dest, uint8_t log, DbsHandle handle) {
  return SetParameter(handle, dest, &TDestIndexRecord::destination, &DestinationEntry::destLog, log,
                      &FormatOps::LiveDestLog, true);
}

DBS_API DbsStatus dbs_GetAudioDestParam(const TDestIndexRecord* dest, uint8_t* param, DbsHandle handle) {
  return GetParameter(handle, dest, &TDestIndexRecord::destination, &DestinationEntry::audioParam, param);
}

DBS_API DbsStatus dbs_SetAudioDestParam(const TDestIndexRecord* dest, uint8_t param, DbsHandle handle) {
  return SetParameter(handle, dest, &TDestIndexRecord::destination, &DestinationEntry::audioParam, param,
                      &FormatOps::LiveDestAudioParam, false);
}

DBS_API DbsStatus dbs_GetDestData(TDestinationRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const DestinationEntry e =
        db.Read<DestinationEntry>(DestPos(db, Index(record->matrix), Index(record->level), Index(record->destination)));
    record->destLog = e.destLog;
    record->audioParam = e.audioParam;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetDestData(const TDestinationRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint16_t m = Index(record->matrix), l = Index(record->level), n = Index(record->destination);
    const Status named = ChangeEntry<DestinationEntry>(db, DestPos(db, m, l, n), &FormatOps::LiveDestData,
                                                       [&](DestinationEntry& e) {
                                                         e.destLog = record->destLog;
                                                         e.audioParam = record->audioParam;
                                                       });
    if (named != DBS_OK) return named;
    Status first = ShareParameter(db, m, l, n, &DestinationEntry::destLog, record->destLog, &FormatOps::LiveDestLog);
    const Status audio = ShareParameter<DestinationEntry>(db, m, l, n, &DestinationEntry::audioParam,
                                                          record->audioParam, nullptr);
    return first != DBS_OK ? first : audio;
  });
}
