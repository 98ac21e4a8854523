// Salvos and their crosspoints: one chain of records per salvo and a free
// list, all in one pool; and the trigger lines. Every link read from the
// file is checked and every walk is bounded by the pool's size, so a damaged
// chain ends where it stops making sense instead of running away.
#include "records/salvos.h"

#include "entry.h"
#include "names.h"
#include "records/salvo_chains.h"

namespace zephra {

SalvoPool::SalvoPool(Db& db) : db_(db), count_(db.Config().salvoXPCount) {}

bool SalvoPool::Valid(std::int16_t n) const { return n >= 0 && n < count_; }

std::uint32_t SalvoPool::HeaderPos(std::uint16_t s) const {
  Require(s < db_.Config().salvoCount);
  return db_.Layout().salvoPos + s * std::uint32_t{sizeof(SalvoEntry)};
}

std::uint32_t SalvoPool::RecordPos(std::int16_t n) const {
  Require(Valid(n));
  return db_.Layout().salvoXPPos + static_cast<std::uint32_t>(n) * std::uint32_t{sizeof(SalvoXPEntry)};
}

SalvoEntry SalvoPool::Header(std::uint16_t s) const { return db_.Read<SalvoEntry>(HeaderPos(s)); }
SalvoXPEntry SalvoPool::Record(std::int16_t n) const { return db_.Read<SalvoXPEntry>(RecordPos(n)); }
std::int16_t SalvoPool::FreeHead() const { return db_.Read<std::int16_t>(db_.Layout().salvoFreePos); }

std::vector<std::int16_t> SalvoPool::Chain(std::int16_t first) const {
  std::vector<std::int16_t> chain;
  std::vector<bool> seen(count_);
  for (std::int16_t n = first; Valid(n) && !seen[static_cast<std::size_t>(n)]; n = Record(n).next) {
    seen[static_cast<std::size_t>(n)] = true;
    chain.push_back(n);
  }
  return chain;
}

Status SalvoPool::WriteHeader(std::uint16_t s, const SalvoEntry& e) { return db_.Write(HeaderPos(s), e); }
Status SalvoPool::WriteRecord(const SalvoXPEntry& e) { return db_.Write(RecordPos(static_cast<std::int16_t>(e.xpIndex)), e); }
Status SalvoPool::WriteFreeHead(std::int16_t head) { return db_.Write(db_.Layout().salvoFreePos, head); }

namespace {

bool SameDestination(const SalvoXPEntry& e, const TMacroXPRecord& r) {
  return e.matrix == r.matrix && e.level == r.level && e.destination == r.destination;
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetMacroStore(uint16_t salvo, TMacroStoreRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const SalvoEntry e = SalvoPool(db).Header(salvo);
    record->salvo = salvo;
    ReadName(record->shortName, e.shortName);
    ReadName(record->name, e.name);
    record->salvoData = e.salvoData;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetMacroStore(uint16_t salvo, const TMacroStoreRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record || record->salvo != salvo) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<SalvoEntry>(db, SalvoPool(db).HeaderPos(salvo), &FormatOps::LiveMacroStore,
                                   [&](SalvoEntry& e) {
                                     e.salvo = salvo;
                                     ApplyName(e.shortName, record->shortName);
                                     ApplyName(e.name, record->name);
                                     e.salvoData = record->salvoData;
                                   });
  });
}

DBS_API DbsStatus dbs_GetMacroXP(uint16_t salvo, uint16_t n, TMacroXPRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    SalvoPool pool(db);
    const SalvoEntry header = pool.Header(salvo);
    if (!record || n >= db.Config().salvoXPCount) return DBS_ERR_INVALID_ARGUMENT;
    if (!pool.Valid(header.firstXP)) return DBS_ERR_SALVO_EMPTY;
    // The crosspoints are read one by one: the chain is walked once until
    // the image changes.
    Slot::SalvoChain& cached = db.GetSlot().salvoChain;
    if (cached.writes != db.GetSlot().writes || cached.salvo != salvo) {
      cached.nodes = pool.Chain(header.firstXP);
      cached.salvo = salvo;
      cached.writes = db.GetSlot().writes;
    }
    const auto& chain = cached.nodes;
    if (n >= chain.size()) return DBS_ERR_SALVO_RECORD_NOT_FOUND;
    const SalvoXPEntry e = pool.Record(chain[n]);
    *record = {e.matrix, e.level, e.destination, e.source};
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_GetNoMacroXPRecords(uint16_t salvo, uint16_t* count, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    SalvoPool pool(db);
    SalvoEntry header = pool.Header(salvo);
    if (!count) return DBS_ERR_INVALID_ARGUMENT;
    *count = static_cast<std::uint16_t>(pool.Chain(header.firstXP).size());
    // The header keeps the count; a read-only database is only read.
    if (header.xpCount == *count || !db.GetSlot().db->writable) return DBS_OK;
    header.xpCount = *count;
    return pool.WriteHeader(salvo, header);
  });
}

DBS_API DbsStatus dbs_SetMacroXP(uint16_t salvo, const TMacroXPRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    SalvoPool pool(db);
    SalvoEntry header = pool.Header(salvo);
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const std::int16_t freeHead = pool.FreeHead();
    const auto chain = pool.Chain(header.firstXP);
    for (std::int16_t n : chain) {
      SalvoXPEntry e = pool.Record(n);
      if (e.salvo != salvo || !SameDestination(e, *record)) continue;
      if (e.source == record->source) return DBS_OK;
      e.source = record->source;
      if (Status s = pool.WriteRecord(e); s != DBS_OK) return s;
      return db.Live(&FormatOps::LiveMacroXP, &e);
    }
    // A new crosspoint needs a free record; nothing is written without one.
    if (!pool.Valid(freeHead)) return DBS_ERR_LIMIT_REACHED;
    SalvoXPEntry taken = pool.Record(freeHead);
    const std::int16_t nextFree = pool.Valid(taken.next) ? taken.next : std::int16_t{-1};
    // Every record is written and sent; the first refusal answers.
    Status linked = DBS_OK;
    if (chain.empty()) {
      header.firstXP = freeHead;
    } else {
      SalvoXPEntry last = pool.Record(chain.back());
      last.next = freeHead;
      if (Status s = pool.WriteRecord(last); s != DBS_OK) return s;
      linked = db.Live(&FormatOps::LiveMacroXP, &last);
    }
    if (Status s = pool.WriteFreeHead(nextFree); s != DBS_OK) return s;
    taken = {salvo, static_cast<std::uint16_t>(freeHead), record->matrix, record->level, record->destination,
             record->source, -1};
    if (Status s = pool.WriteRecord(taken); s != DBS_OK) return s;
    Status sent = db.Live(&FormatOps::LiveMacroXP, &taken);
    if (sent == DBS_OK) sent = db.Live(&FormatOps::LiveMacroXPArea, &nextFree);
    header.xpCount = static_cast<std::uint16_t>(chain.size() + 1);
    if (Status s = pool.WriteHeader(salvo, header); s != DBS_OK) return s;
    return FirstFailure({linked, sent, db.Live(&FormatOps::LiveMacroStore, &header)});
  });
}

DBS_API DbsStatus dbs_DeleteMacroXP(uint16_t salvo, const TMacroXPRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    SalvoPool pool(db);
    SalvoEntry header = pool.Header(salvo);
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    if (!pool.Valid(header.firstXP)) return DBS_ERR_SALVO_EMPTY;
    const auto chain = pool.Chain(header.firstXP);
    std::size_t i = 0;
    while (i < chain.size()) {
      const SalvoXPEntry e = pool.Record(chain[i]);
      if (SameDestination(e, *record) && e.source == record->source) break;
      ++i;
    }
    if (i == chain.size()) return DBS_ERR_SALVO_RECORD_NOT_FOUND;
    SalvoXPEntry gone = pool.Record(chain[i]);
    const std::int16_t after = i + 1 < chain.size() ? chain[i + 1] : std::int16_t{-1};
    // Every record is written and sent; the first refusal answers.
    Status unlinked = DBS_OK;
    if (i > 0) {
      SalvoXPEntry before = pool.Record(chain[i - 1]);
      before.next = after;
      if (Status s = pool.WriteRecord(before); s != DBS_OK) return s;
      unlinked = db.Live(&FormatOps::LiveMacroXP, &before);
    } else {
      header.firstXP = after;
    }
    const std::int16_t freeHead = pool.FreeHead();
    gone = {0xFFFF, gone.xpIndex, -1, -1, -1, -1, pool.Valid(freeHead) ? freeHead : std::int16_t{-1}};
    if (Status s = pool.WriteRecord(gone); s != DBS_OK) return s;
    const Status freed = db.Live(&FormatOps::LiveMacroXP, &gone);
    const auto newHead = static_cast<std::int16_t>(gone.xpIndex);
    if (Status s = pool.WriteFreeHead(newHead); s != DBS_OK) return s;
    const Status area = db.Live(&FormatOps::LiveMacroXPArea, &newHead);
    // The count follows the chain; it never wraps below zero.
    header.xpCount = static_cast<std::uint16_t>(chain.size() - 1);
    if (Status s = pool.WriteHeader(salvo, header); s != DBS_OK) return s;
    return FirstFailure({unlinked, freed, area, db.Live(&FormatOps::LiveMacroStore, &header)});
  });
}

DBS_API DbsStatus dbs_GetTrigLines(uint8_t lines[4], DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!lines) return DBS_ERR_INVALID_ARGUMENT;
    db.ReadBytes(db.Layout().trigLinePos, lines, 4);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetTrigLines(const uint8_t lines[4], DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!lines) return DBS_ERR_INVALID_ARGUMENT;
    TrigLines given;
    std::memcpy(&given, lines, sizeof given);
    return UpdateEntry(db, db.Layout().trigLinePos, given, &FormatOps::LiveTrigLines);
  });
}
