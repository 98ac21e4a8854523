// Every name of a database as rows of a spreadsheet: which kind of record
// (its word in the file), where the record is (matrix, level and number as
// the editor shows them, from 1), which of its name fields, the name. One
// table says, per kind and field, the width the editor fits the name to, how
// it is read from a snapshot and how it is written back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Snapshot.h"

namespace zephra::model {

// Where a record is; numbers from 0, -1 where the kind takes none.
struct NameAddress {
  int matrix = -1, level = -1, number = -1;
  auto operator<=>(const NameAddress&) const = default;
};

struct NameKind;

struct NameField {
  std::string_view word;  // in the file's field column
  std::size_t width;      // the editor fits names of this field to so many units
  const std::u16string& (*stored)(const Snapshot& db, const NameAddress& at);
  // Writes `fitted` (exactly `width` units) into the field.
  DbsStatus (*write)(RecordWriter& writer, const Snapshot& db, const NameAddress& at, DbsString fitted);
};

struct NameKind {
  std::string_view word;  // in the file's kind column
  bool takesMatrix, takesLevel, takesNumber;
  std::vector<NameField> fields;
  // Every record of the kind in the snapshot, in order.
  std::vector<NameAddress> (*records)(const Snapshot& db);
  // "" when `at` names a record of the snapshot; else what is wrong, and in
  // which column ("matrix", "level" or "number").
  std::string (*check)(const Snapshot& db, const NameAddress& at, std::string_view& column);
};

// The kinds in the order the export writes them.
const std::vector<NameKind>& NameKinds();
// The kind of a word (any case), or nullptr.
const NameKind* FindNameKind(std::string_view word);
// The field of a word (any case) of a kind, or nullptr.
const NameField* FindNameField(const NameKind& kind, std::string_view word);

// The columns of a names file, in the order the export writes them.
inline constexpr std::string_view kNameColumns[] = {"kind", "matrix", "level", "number", "field", "name"};

// The names file of a database: RFC 4180, UTF-8 without a byte order mark,
// CRLF line ends, one header row, the name column always quoted. `kinds`
// chooses kinds by their words; empty takes every kind.
std::string ExportNames(const Snapshot& db, const std::vector<const NameKind*>& kinds = {});

// "source 12 of level 2" for a record.
std::string RecordWords(const NameKind& kind, const NameAddress& at);

}  // namespace zephra::model
