// A names file read back into a database: every row checked against the
// database and fitted as the editor fits names, into a plan of changes and a
// list of what is wrong, line by line and column by column, before anything
// is written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Names.h"

namespace zephra::model {

// One record of a CSV file: its cells (UTF-8 bytes as read) and the line it
// starts on, from 1.
struct CsvRecord {
  std::size_t line = 0;
  std::vector<std::string> cells;
};

struct ImportIssue {
  std::size_t line = 0;
  std::size_t column = 0;   // from 1; 0 for the row as a whole
  std::string columnName;   // "level"; empty with column 0
  std::string message;
  bool refused = true;      // false: a warning, the row is still taken
};

// "line 5, column 3 (level): there is no level 9: matrix 1 has 4 levels";
// warnings say so after the place.
std::string Describe(const ImportIssue& issue);

// RFC 4180 records with a CSV library: CRLF, LF or CR line ends, quoted or
// bare cells, a leading byte order mark; spaces belong to the cells. A
// record whose quoting is broken is reported and left out.
std::vector<CsvRecord> ReadCsv(std::string_view bytes, std::vector<ImportIssue>& issues);

struct NameChange {
  std::size_t line = 0;
  const NameKind* kind = nullptr;
  const NameField* field = nullptr;
  NameAddress at;
  std::u16string before;  // as stored
  std::u16string after;   // as it will be shown
  std::u16string fitted;  // as it is written: exactly the field's width
};

// "source 12 of level 2: name 'CAM 7' → 'CAM 07'"
std::string Describe(const NameChange& change);

struct ImportPlan {
  std::size_t rows = 0;       // name rows read (header and blank rows not counted)
  std::size_t unchanged = 0;  // sound rows that equal what is stored
  std::size_t refusedRows = 0;
  std::size_t warnedRows = 0;
  std::vector<NameChange> changes;   // of the sound rows, in line order
  std::vector<ImportIssue> issues;   // in line order
  // No row refused and nothing wrong with the file as a whole.
  bool Sound() const;
};

// Rows in any order, any subset of the names, with or without the header
// row (which may also put the columns in another order). Each row names one
// field of one record and its new name; a name longer than its field's
// width is cut and the row warned about; an empty name clears the field.
ImportPlan PlanNamesImport(std::string_view csv, const Snapshot& db);

// Writes the changes in order and stops at the first the library refuses;
// `written` counts those written before it.
DbsStatus ApplyNames(const std::vector<NameChange>& changes, const Snapshot& db, RecordWriter& writer,
                     std::size_t& written);

}  // namespace zephra::model
