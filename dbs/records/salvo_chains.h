// The salvo crosspoint pool as the operations and the structure checker see
// it: headers, records and the free head, with every link checked.
#pragma once

#include <vector>

#include "dbs/entry.h"
#include "dbs/records/salvos.h"

namespace zephra {

class SalvoPool {
 public:
  explicit SalvoPool(Db& db);

  // A record number inside the pool.
  bool Valid(std::int16_t n) const;
  std::uint32_t HeaderPos(std::uint16_t s) const;
  std::uint32_t RecordPos(std::int16_t n) const;
  SalvoEntry Header(std::uint16_t s) const;
  SalvoXPEntry Record(std::int16_t n) const;
  std::int16_t FreeHead() const;
  // The records of a chain from `first`: it ends at -1, at a link outside
  // the pool, or before a record it has already passed (a cycle).
  std::vector<std::int16_t> Chain(std::int16_t first) const;

  Status WriteHeader(std::uint16_t s, const SalvoEntry& e);
  Status WriteRecord(const SalvoXPEntry& e);
  Status WriteFreeHead(std::int16_t head);

 private:
  Db& db_;
  std::uint16_t count_;
};

}  // namespace zephra
