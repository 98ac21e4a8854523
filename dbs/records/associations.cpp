// Source and destination associations, destination names, the title and
// search depth, and the tables every format keeps empty.
#include "records/associations.h"

#include <algorithm>
#include <optional>

#include "entry.h"
#include "records/sources.h"
#include "names.h"

namespace zephra {
namespace {

std::uint32_t SourceAssocPos(const Db& db, std::uint16_t m, std::uint16_t a) {
  Require(m < db.Config().matrixCount && a < db.Config().sourceAssocCount[m]);
  return db.Layout().sourceAssocPos[m] + a * std::uint32_t{sizeof(SourceAssociationEntry)};
}

std::uint32_t DestAssocPos(const Db& db, std::uint16_t m, std::uint16_t a) {
  Require(m < db.Config().matrixCount && a < db.Config().destAssocCount[m]);
  return db.Layout().destAssocPos[m] + a * std::uint32_t{sizeof(DestinationAssociationEntry)};
}

bool Same(const MemberTriple& a, const TAssociationMember& b) {
  return a.matrix == b.matrix && a.level == b.level && a.number == b.number;
}

// Takes the caller's members for the slots of the matrix's levels; the other
// slots keep what they hold.
void TakeMembers(const Db& db, std::uint16_t m, MemberTriple (&stored)[16], const TAssociationMember (&given)[16]) {
  for (std::uint16_t j = 0; j < 16 && j < db.Config().levelCount[m]; ++j) {
    stored[j] = {given[j].matrix, given[j].level, given[j].number};
  }
}

void CopyMembers(const MemberTriple (&stored)[16], TAssociationMember (&out)[16]) {
  for (int j = 0; j < 16; ++j) out[j] = {stored[j].matrix, stored[j].level, stored[j].number};
}

// The source a member names, when it exists.
std::optional<std::uint32_t> ExistingSource(const Db& db, const MemberTriple& t) {
  const ConfigImage& c = db.Config();
  if (t.matrix < 0 || t.matrix >= c.matrixCount || t.level < 0 || t.level >= c.levelCount[t.matrix]) return {};
  if (t.number < 0 || t.number >= c.sourceCount[t.matrix][t.level]) return {};
  return SourcePos(db, Index(t.matrix), Index(t.level), Index(t.number));
}

// The name of the first existing member source of association a: its
// 8-character name from the slots of the matrix's levels, or (byLength) the
// name its string's length selects from any slot.
Status FirstMemberName(DbsHandle h, std::uint16_t m, std::uint16_t a, DbsString name, bool byLength) {
  return WithDb(h, [&](Db& db) -> Status {
    const auto e = db.Read<SourceAssociationEntry>(SourceAssocPos(db, m, a));
    const char16_t nothing[kNameUnits] = {};
    ReadName(name, nothing);
    const std::size_t slots = byLength ? 16 : std::min<std::size_t>(16, db.Config().levelCount[m]);
    for (std::size_t j = 0; j < slots; ++j) {
      const MemberTriple& t = e.members[j];
      if (auto pos = ExistingSource(db, t)) {
        SourceEntry s = db.Read<SourceEntry>(*pos);
        const auto length = DbsStringLength(name);
        const void* field = !byLength          ? s.name2
                            : length == 4      ? s.name1
                            : length == 12     ? s.name5
                            : length == 16     ? s.name6
                                               : s.name2;
        ReadName(name, field);
        break;
      }
    }
    return DBS_OK;
  });
}

// Tie lines, cues and path protects have no records in any format: every
// number is out of range.
Status EmptyTable(DbsHandle h) {
  return WithDb(h, [](Db&) -> Status { return DBS_ERR_INVALID_ARGUMENT; });
}

std::uint32_t CuePos(const Db& db, std::uint16_t n, bool output) {
  const ConfigImage& c = db.Config();
  Require(n < (output ? c.outputCueCount : c.inputCueCount));
  return db.Layout().cuePos + (output ? c.inputCueCount + n : n) * 8u;
}

Status GetCue(DbsHandle h, std::uint16_t n, TCueRecord* r, bool output) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!r) return DBS_ERR_INVALID_ARGUMENT;
    std::int16_t words[4];
    db.ReadBytes(CuePos(db, n, output), words, sizeof words);
    *r = {words[1], words[2], words[3]};
    return DBS_OK;
  });
}

Status SetCue(DbsHandle h, std::uint16_t n, const TCueRecord* r, bool output) {
  return WithDb(h, [&](Db& db) -> Status {
    if (!r) return DBS_ERR_INVALID_ARGUMENT;
    const std::uint32_t pos = CuePos(db, n, output);
    std::int16_t words[4];
    db.ReadBytes(pos, words, sizeof words);
    if (words[1] == r->matrix && words[2] == r->level && words[3] == r->number) return DBS_OK;
    words[1] = r->matrix;
    words[2] = r->level;
    words[3] = r->number;
    if (Status s = db.WriteBytes(pos, words, sizeof words); s != DBS_OK) return s;
    return db.Live(output ? &FormatOps::LiveOutputCue : &FormatOps::LiveInputCue, words);
  });
}

}  // namespace
}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_GetSourceAssn(uint16_t matrix, uint16_t association, TSourceAssociationRecord* record,
                                    DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const auto e = db.Read<SourceAssociationEntry>(SourceAssocPos(db, matrix, association));
    record->matrix = e.matrix;
    record->association = e.association;
    CopyMembers(e.members, record->members);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetSourceAssn(uint16_t matrix, uint16_t association, const TSourceAssociationRecord* record,
                                    DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<SourceAssociationEntry>(db, SourceAssocPos(db, matrix, association),
                                               &FormatOps::LiveSourceAssoc, [&](SourceAssociationEntry& e) {
                                                 e.matrix = matrix;
                                                 e.association = association;
                                                 TakeMembers(db, matrix, e.members, record->members);
                                               });
  });
}

DBS_API DbsStatus dbs_FindSourceAssn(int16_t matrix, int16_t level, int16_t source, uint16_t start,
                                     TSourceAssociationRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const TAssociationMember wanted = {matrix, level, source};
    const std::uint16_t m = Index(matrix);
    if (m < db.Config().matrixCount) {
      for (std::uint16_t a = start; a < db.Config().sourceAssocCount[m]; ++a) {
        const auto e = db.Read<SourceAssociationEntry>(SourceAssocPos(db, m, a));
        if (!Same(e.members[0], wanted)) continue;
        record->matrix = e.matrix;
        record->association = e.association;
        CopyMembers(e.members, record->members);
        return DBS_OK;
      }
    }
    record->association = 0xFFFF;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_GetSourceAssocName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle) {
  return FirstMemberName(handle, matrix, association, name, false);
}

DBS_API DbsStatus dbs_GetSourceAssnName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle) {
  return FirstMemberName(handle, matrix, association, name, true);
}

DBS_API DbsStatus dbs_GetDestAssn(uint16_t matrix, uint16_t association, TDestinationAssociationRecord* record,
                                  DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const auto e = db.Read<DestinationAssociationEntry>(DestAssocPos(db, matrix, association));
    record->matrix = matrix;
    record->association = association;
    ReadName(record->shortName, e.shortName);
    ReadName(record->name, e.name);
    CopyMembers(e.members, record->members);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetDestAssn(uint16_t matrix, uint16_t association,
                                  const TDestinationAssociationRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    return ChangeEntry<DestinationAssociationEntry>(db, DestAssocPos(db, matrix, association),
                                                    &FormatOps::LiveDestAssoc, [&](DestinationAssociationEntry& e) {
                                                      e.matrix = matrix;
                                                      e.association = association;
                                                      ApplyName(e.shortName, record->shortName);
                                                      ApplyName(e.name, record->name);
                                                      TakeMembers(db, matrix, e.members, record->members);
                                                    });
  });
}

DBS_API DbsStatus dbs_FindDestAssn(int16_t matrix, int16_t level, int16_t destination, uint16_t start,
                                   TDestinationAssociationRecord* record, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!record) return DBS_ERR_INVALID_ARGUMENT;
    const TAssociationMember wanted = {matrix, level, destination};
    const std::uint16_t m = Index(matrix);
    if (m < db.Config().matrixCount) {
      for (std::uint16_t a = start; a < db.Config().destAssocCount[m]; ++a) {
        const auto e = db.Read<DestinationAssociationEntry>(DestAssocPos(db, m, a));
        bool member = false;
        for (const MemberTriple& t : e.members) member = member || Same(t, wanted);
        if (!member) continue;
        // Only a match fills the record: a caller's preset survives a miss.
        record->association = a;
        CopyMembers(e.members, record->members);
        ReadName(record->shortName, e.shortName);
        ReadName(record->name, e.name);
        return DBS_OK;
      }
    }
    record->association = 0xFFFF;
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_GetDestName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const auto e = db.Read<DestinationAssociationEntry>(DestAssocPos(db, matrix, association));
    // A string of 4 units gets the short name; any other as much of the name
    // as it holds.
    ReadName(name, DbsStringLength(name) == 4 ? e.shortName : e.name);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetDestName(uint16_t matrix, uint16_t association, DbsString name, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    return ChangeEntry<DestinationAssociationEntry>(
        db, DestAssocPos(db, matrix, association), &FormatOps::LiveDestName, [&](DestinationAssociationEntry& e) {
          ApplyName(DbsStringLength(name) == 4 ? e.shortName : e.name, name);
        });
  });
}

DBS_API DbsStatus dbs_GetTitle(DbsString title, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    char16_t field[kNameUnits];
    db.ReadBytes(db.Layout().titlePos, field, sizeof field);
    ReadName(title, field);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetTitle(DbsString title, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    const NameField field(title);
    if (Status s = db.WriteBytes(db.Layout().titlePos, field.units, sizeof field.units); s != DBS_OK) return s;
    return db.Live(&FormatOps::LiveTitle, field.units);
  });
}

DBS_API DbsStatus dbs_GetSearchDepth(uint16_t* depth, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (!depth) return DBS_ERR_INVALID_ARGUMENT;
    *depth = db.Read<std::uint16_t>(db.Layout().searchDepthPos);
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_SetSearchDepth(uint16_t depth, DbsHandle handle) {
  return WithDb(handle, [&](Db& db) -> Status {
    if (Status s = db.WriteBytes(db.Layout().searchDepthPos, &depth, sizeof depth); s != DBS_OK) return s;
    return db.Live(&FormatOps::LiveSearchDepth, &depth);
  });
}

DBS_API DbsStatus dbs_GetTieLine(uint16_t, TTieLineRecord*, DbsHandle handle) { return EmptyTable(handle); }
DBS_API DbsStatus dbs_SetTieLine(uint16_t, const TTieLineRecord*, DbsHandle handle) { return EmptyTable(handle); }
DBS_API DbsStatus dbs_GetTieLineName(uint16_t, DbsString, DbsHandle handle) { return EmptyTable(handle); }
DBS_API DbsStatus dbs_SetTieLineName(uint16_t, DbsString, DbsHandle handle) { return EmptyTable(handle); }

DBS_API DbsStatus dbs_GetInputCue(uint16_t cue, TCueRecord* record, DbsHandle handle) {
  return GetCue(handle, cue, record, false);
}

DBS_API DbsStatus dbs_SetInputCue(uint16_t cue, const TCueRecord* record, DbsHandle handle) {
  return SetCue(handle, cue, record, false);
}

DBS_API DbsStatus dbs_GetOutputCue(uint16_t cue, TCueRecord* record, DbsHandle handle) {
  return GetCue(handle, cue, record, true);
}

DBS_API DbsStatus dbs_SetOutputCue(uint16_t cue, const TCueRecord* record, DbsHandle handle) {
  return SetCue(handle, cue, record, true);
}

DBS_API DbsStatus dbs_GetTransmissionPathProtect(uint16_t, TPathProtectRecord*, DbsHandle handle) {
  return EmptyTable(handle);
}

DBS_API DbsStatus dbs_SetTransmissionPathProtect(uint16_t, const TPathProtectRecord*, DbsHandle handle) {
  return EmptyTable(handle);
}
