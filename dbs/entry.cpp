#include "entry.h"

#include <algorithm>

#include "records/matrix.h"
#include "records/sources.h"
#include "names.h"

namespace zephra {

const std::uint8_t* Db::At(std::uint32_t pos, std::size_t count) const {
  Require(pos >= sizeof(ConfigImage) && std::uint64_t{pos} + count <= Layout().tablesEnd);
  return slot_.db->image + pos;
}

Status Db::WriteBytes(std::uint32_t pos, const void* data, std::size_t count) {
  if (Status s = CheckWritable(slot_); s != DBS_OK) return s;
  if (count == 0) return DBS_OK;
  auto* at = const_cast<std::uint8_t*>(At(pos, count));
  if (slot_.journal) slot_.journal->BeforeWrite(slot_.db->image, pos, static_cast<const std::uint8_t*>(data), count);
  std::memcpy(at, data, count);
  ++slot_.writes;
  slot_.Checksums().UpdateRange(pos, static_cast<std::uint32_t>(count));
  return DBS_OK;
}

std::uint32_t MatrixPos(const Db& db, std::uint16_t m) {
  Require(m < db.Config().matrixCount);
  return db.Layout().matrixPos[m];
}

std::uint32_t LevelPos(const Db& db, std::uint16_t m, std::uint16_t l) {
  Require(m < db.Config().matrixCount && l < db.Config().levelCount[m]);
  return db.Layout().levelTablePos[m] + l * std::uint32_t{sizeof(LevelEntry)};
}

std::uint32_t SourcePos(const Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t s) {
  LevelPos(db, m, l);
  const ConfigImage& c = db.Config();
  Require(s < c.sourceCount[m][l]);
  std::uint32_t before = 0;
  for (std::uint16_t i = 0; i < l; ++i) before += c.sourceCount[m][i];
  return db.Layout().sourceTablePos[m] + (before + s) * std::uint32_t{sizeof(SourceEntry)};
}

std::uint32_t DestPos(const Db& db, std::uint16_t m, std::uint16_t l, std::uint16_t d) {
  LevelPos(db, m, l);
  const ConfigImage& c = db.Config();
  Require(d < c.destCount[m][l]);
  std::uint32_t before = 0;
  for (std::uint16_t i = 0; i < l; ++i) before += c.destCount[m][i];
  return db.Layout().destTablePos[m] + (before + d) * std::uint32_t{sizeof(DestinationEntry)};
}

LevelBitmap BitmapOf(const Db& db, BitmapKind kind, std::uint16_t m, std::uint16_t l) {
  LevelPos(db, m, l);
  const ConfigImage& c = db.Config();
  // Without auto-protect tables the auto-protect position is the title's.
  Require(kind == BitmapKind::Inhibit || c.hasAutoProtect != 0);
  std::uint32_t pos = kind == BitmapKind::Inhibit ? db.Layout().inhibitPos[m] : db.Layout().autoProtectPos[m];
  for (std::uint16_t i = 0; i < l; ++i) pos += BitmapBytes(c.sourceCount[m][i], c.destCount[m][i]);
  return {pos, (c.sourceCount[m][l] + 7u) / 8u, c.destCount[m][l]};
}

NameField::NameField(DbsString text) {
  const auto given = Units(text);
  std::copy_n(given.begin(), std::min(given.size(), kNameUnits), units);
}

bool ApplyName(void* field, DbsString text) {
  if (DbsStringLength(text) == 0) return false;
  const NameField name(text);
  if (name.SameAs(field)) return false;
  name.StoreIn(field);
  return true;
}

}  // namespace zephra
