#include "NameImport.h"

#include <csv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <tuple>

#include "NameText.h"

namespace zephra::model {

namespace {

// ------------------------------------------------------------- the CSV file

// The parser's callbacks see this; records are kept with the line they
// start on.
struct CsvState {
  std::vector<CsvRecord>* records;
  CsvRecord current;
  bool betweenRecords = true;
};

void OnCell(void* data, std::size_t length, void* state) {
  auto& s = *static_cast<CsvState*>(state);
  s.current.cells.emplace_back(data ? static_cast<const char*>(data) : "", data ? length : 0);
}

void OnRecordEnd(int, void* state) {
  auto& s = *static_cast<CsvState*>(state);
  if (!s.current.cells.empty()) s.records->push_back(std::move(s.current));
  s.current = CsvRecord{};
  s.betweenRecords = true;
}

int NoSpaces(unsigned char) { return 0; }  // spaces are part of a cell

class CsvParser {
 public:
  CsvParser() { Start(); }
  ~CsvParser() { csv_free(&p_); }
  CsvParser(const CsvParser&) = delete;
  CsvParser& operator=(const CsvParser&) = delete;
  void Start() {
    if (started_) csv_free(&p_);
    if (csv_init(&p_, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
    csv_set_space_func(&p_, NoSpaces);
    started_ = true;
  }
  csv_parser* operator->() { return &p_; }
  csv_parser* get() { return &p_; }

 private:
  csv_parser p_{};
  bool started_ = false;
};

// Where each line starts: a line ends at CR LF, LF or a CR alone.
class Lines {
 public:
  explicit Lines(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      if (bytes[i] == '\r' || bytes[i] == '\n') starts_.push_back(i + 1);
    }
  }
  std::size_t LineOf(std::size_t offset) const {
    return 1 + static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin());
  }
  // The offset where the line after the one holding `offset` starts.
  std::size_t NextLine(std::size_t offset) const {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return it == starts_.end() ? std::string_view::npos : *it;
  }

 private:
  std::vector<std::size_t> starts_;
};

// ------------------------------------------------------------- the rows

std::string_view Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

enum Column { kKind, kMatrix, kLevel, kNumber, kField, kName, kColumns };

// Which cell of a row holds each column.
struct Layout {
  std::array<std::size_t, kColumns> cell{0, 1, 2, 3, 4, 5};
  std::size_t width = kColumns;  // cells a row may fill
  bool header = false;
};

std::optional<Column> ColumnOf(std::string_view word) {
  const std::string w = Lower(Trim(word));
  for (int c = 0; c < kColumns; ++c) {
    if (w == kNameColumns[c]) return static_cast<Column>(c);
  }
  return std::nullopt;
}

// The first record is a header when each of its cells is empty or a column
// name, and it names at least the kind and the name.
Layout LayoutOf(const CsvRecord& first, std::vector<ImportIssue>& issues) {
  Layout layout;
  std::array<bool, kColumns> seen{};
  for (std::size_t i = 0; i < first.cells.size(); ++i) {
    if (Trim(first.cells[i]).empty()) continue;
    const auto column = ColumnOf(first.cells[i]);
    if (!column) return layout;
    seen[*column] = true;
  }
  if (!seen[kKind] || !seen[kName]) return layout;
  layout.header = true;
  layout.width = first.cells.size();
  layout.cell.fill(std::string_view::npos);
  for (std::size_t i = 0; i < first.cells.size(); ++i) {
    const auto column = ColumnOf(first.cells[i]);
    if (!column) continue;
    if (layout.cell[*column] != std::string_view::npos) {
      issues.push_back({first.line, i + 1, std::string(kNameColumns[*column]),
                        "the column appears twice in the header (the first one is taken)", true});
      continue;
    }
    layout.cell[*column] = i;
  }
  return layout;
}

std::string KindList() {
  std::string list;
  const auto& kinds = NameKinds();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    list += (i == 0 ? "" : i + 1 == kinds.size() ? " or " : ", ") + std::string(kinds[i].word);
  }
  return list;
}

std::string FieldList(const NameKind& kind) {
  std::string list;
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    list += (i == 0 ? "" : i + 1 == kind.fields.size() ? " and " : ", ") + std::string(kind.fields[i].word);
  }
  return list;
}

std::string Quoted(std::u16string_view name) { return "'" + Utf8Of(name) + "'"; }

std::string UnitCode(char16_t u) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(u));
  return code;
}

// One row of the file against the database.
class RowCheck {
 public:
  using Key = std::tuple<const NameField*, NameAddress>;
  RowCheck(const CsvRecord& record, const Layout& layout, const Snapshot& db, ImportPlan& plan,
           std::map<Key, std::size_t>& seen)
      : r_(record), layout_(layout), db_(db), plan_(plan), seen_(seen) {}

  // The change the row asks for (nothing when it is refused or unchanged).
  std::optional<NameChange> Run() {
    if (layout_.cell[kName] == std::string_view::npos || layout_.cell[kName] >= r_.cells.size()) {
      RefuseCell(0, "", "the row has " + std::to_string(r_.cells.size()) +
                        (r_.cells.size() == 1 ? " cell" : " cells") +
                        ", but no name: a name row has kind, matrix, level, number, field and name");
      return Done();
    }
    for (std::size_t i = 0; i < r_.cells.size(); ++i) {
      const bool used = std::find(layout_.cell.begin(), layout_.cell.end(), i) != layout_.cell.end();
      if (!used && !Trim(r_.cells[i]).empty()) RefuseCell(i + 1, "", "text where no column is");
    }
    const std::string_view kindWord = Trim(Cell(kKind));
    const NameKind* kind = FindNameKind(kindWord);
    if (!kind) {
      Refuse(kKind, kindWord.empty() ? std::string("the kind is missing")
                                     : "'" + std::string(kindWord) + "' is not a kind of name",
             ": " + KindList());
      return Done();
    }
    const std::string_view fieldWord = Trim(Cell(kField));
    const NameField* field = FindNameField(*kind, fieldWord.empty() ? "name" : fieldWord);
    if (!field) {
      Refuse(kField, "'" + std::string(fieldWord) + "' is not a field of a " + std::string(kind->word),
             ": it has " + FieldList(*kind));
    }
    NameAddress at;
    const bool placed = Number(kMatrix, kind->takesMatrix, true, at.matrix, *kind) &
                        Number(kLevel, kind->takesLevel, false, at.level, *kind) &
                        Number(kNumber, kind->takesNumber, false, at.number, *kind);
    if (placed) {
      std::string_view column;
      if (std::string why = kind->check(db_, at, column); !why.empty()) {
        Refuse(*ColumnOf(column), why, "");
      }
    }
    const auto name = Utf16Of(Cell(kName));
    if (!name) {
      Refuse(kName, "the name is not UTF-8 text", "");
    } else if (const auto bad = std::find_if(name->begin(), name->end(),
                                             [](char16_t u) { return u < 0x20 || u == 0x7F; });
               bad != name->end()) {
      Refuse(kName, "the name holds the control character " + UnitCode(*bad), "");
    }
    if (refused_ || !field) return Done();
    return Fit(*kind, *field, at, *name);
  }

 private:
  std::string_view Cell(Column c) const {
    const std::size_t i = layout_.cell[c];
    return i < r_.cells.size() ? std::string_view(r_.cells[i]) : std::string_view();
  }
  std::size_t CellNumber(Column c) const {
    return layout_.cell[c] == std::string_view::npos ? 0 : layout_.cell[c] + 1;
  }

  void RefuseCell(std::size_t cell, std::string_view columnName, std::string message) {
    refused_ = true;
    plan_.issues.push_back({r_.line, cell, std::string(columnName), std::move(message), true});
  }
  void Refuse(Column c, std::string message, std::string_view more) {
    RefuseCell(CellNumber(c), CellNumber(c) ? kNameColumns[c] : std::string_view(), message + std::string(more));
  }
  void Warn(Column c, std::string message) {
    if (!warned_) ++plan_.warnedRows;
    warned_ = true;
    plan_.issues.push_back({r_.line, CellNumber(c), std::string(kNameColumns[c]), std::move(message), false});
  }
  std::optional<NameChange> Done() {
    if (refused_) ++plan_.refusedRows;
    return std::nullopt;
  }

  // A number from 1 as the editor shows it, kept from 0; an empty matrix is
  // the first.
  bool Number(Column c, bool taken, bool defaultFirst, int& out, const NameKind& kind) {
    const std::string_view text = Trim(Cell(c));
    if (!taken) {
      if (!text.empty()) Refuse(c, "a " + std::string(kind.word) + " has no " + std::string(kNameColumns[c]), "");
      return text.empty();
    }
    if (text.empty()) {
      if (defaultFirst) {
        out = 0;
        return true;
      }
      Refuse(c, "a " + std::string(kind.word) + " needs a " + std::string(kNameColumns[c]), "");
      return false;
    }
    if (text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
      Refuse(c, "'" + std::string(text) + "' is not a number", "");
      return false;
    }
    const int n = std::stoi(std::string(text));
    if (n < 1) {
      Refuse(c, "numbers start at 1", "");
      return false;
    }
    out = n - 1;
    return true;
  }

  std::optional<NameChange> Fit(const NameKind& kind, const NameField& field, const NameAddress& at,
                                const std::u16string& name) {
    if (const auto [it, fresh] = seen_.try_emplace(Key(&field, at), r_.line); !fresh) {
      Refuse(kField, "line " + std::to_string(it->second) + " already names this field", "");
      return Done();
    }
    const std::u16string& stored = field.stored(db_, at);
    if (name == stored) {
      ++plan_.unchanged;
      return std::nullopt;
    }
    NameChange change{r_.line, &kind, &field, at, stored, {}, FitName(name, field.width)};
    change.after = std::u16string(ShownName(change.fitted));
    if (name.size() > field.width) {
      Warn(kName, Quoted(name) + " is longer than " + std::to_string(field.width) + " characters: cut to " +
                      Quoted(change.after));
    }
    if (change.after.empty() && !stored.empty()) Warn(kName, "the name " + Quoted(stored) + " is cleared");
    if (change.after == stored) {
      ++plan_.unchanged;
      return std::nullopt;
    }
    return change;
  }

  const CsvRecord& r_;
  const Layout& layout_;
  const Snapshot& db_;
  ImportPlan& plan_;
  std::map<Key, std::size_t>& seen_;  // the line of each field named so far
  bool refused_ = false, warned_ = false;
};

}  // namespace

bool ImportPlan::Sound() const {
  return std::none_of(issues.begin(), issues.end(), [](const ImportIssue& i) { return i.refused; });
}

std::string Describe(const ImportIssue& issue) {
  std::string text = "line " + std::to_string(issue.line);
  if (issue.column > 0) {
    text += ", column " + std::to_string(issue.column);
    if (!issue.columnName.empty()) text += " (" + issue.columnName + ")";
  }
  return text + (issue.refused ? ": " : ": warning: ") + issue.message;
}

std::string Describe(const NameChange& change) {
  return RecordWords(*change.kind, change.at) + ": " + std::string(change.field->word) + " " + Quoted(change.before) +
         " \u2192 " + Quoted(change.after);
}

std::vector<CsvRecord> ReadCsv(std::string_view bytes, std::vector<ImportIssue>& issues) {
  std::size_t start = 0;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") start = 3;  // a byte order mark
  const Lines lines(bytes);
  std::vector<CsvRecord> records;
  CsvState state{&records, {}, true};
  CsvParser parser;
  for (std::size_t i = start; i < bytes.size(); ++i) {
    const char byte = bytes[i];
    if (state.betweenRecords && byte != '\r' && byte != '\n') {
      state.betweenRecords = false;
      state.current.line = lines.LineOf(i);
    }
    if (csv_parse(parser.get(), &byte, 1, OnCell, OnRecordEnd, &state) == 1) continue;
    if (csv_error(parser.get()) == CSV_ENOMEM) throw std::bad_alloc();
    issues.push_back({lines.LineOf(i), 0, "",
                      "the quoting is broken: a cell that holds a quote must be put in quotes, its quotes doubled, "
                      "and nothing may follow its closing quote",
                      true});
    // Start again on the next line; the broken record is left out.
    const std::size_t next = lines.NextLine(i);
    if (next == std::string_view::npos) {
      state = CsvState{&records, {}, true};
      return records;
    }
    i = next - 1;
    state = CsvState{&records, {}, true};
    parser.Start();
  }
  if (csv_fini(parser.get(), OnCell, OnRecordEnd, &state) != 0) {
    issues.push_back({state.current.line, 0, "", "a quoted cell is not closed before the end of the file", true});
  }
  return records;
}

ImportPlan PlanNamesImport(std::string_view csv, const Snapshot& db) {
  ImportPlan plan;
  std::vector<CsvRecord> records = ReadCsv(csv, plan.issues);
  plan.rows = plan.refusedRows = plan.issues.size();  // each broken record is a row refused
  Layout layout;
  std::size_t first = 0;
  if (!records.empty()) {
    layout = LayoutOf(records.front(), plan.issues);
    if (layout.header) first = 1;
  }
  std::map<RowCheck::Key, std::size_t> seen;
  for (std::size_t i = first; i < records.size(); ++i) {
    const CsvRecord& record = records[i];
    if (std::all_of(record.cells.begin(), record.cells.end(), [](const std::string& c) { return c.empty(); })) {
      continue;  // what a spreadsheet writes for an empty row
    }
    ++plan.rows;
    if (auto change = RowCheck(record, layout, db, plan, seen).Run()) plan.changes.push_back(std::move(*change));
  }
  std::stable_sort(plan.issues.begin(), plan.issues.end(),
                   [](const ImportIssue& a, const ImportIssue& b) { return a.line < b.line; });
  return plan;
}

DbsStatus ApplyNames(const std::vector<NameChange>& changes, const Snapshot& db, RecordWriter& writer,
                     std::size_t& written) {
  written = 0;
  for (const NameChange& change : changes) {
    const UnitString fitted(change.fitted);
    if (DbsStatus s = change.field->write(writer, db, change.at, fitted); s != DBS_OK) return s;
    ++written;
  }
  return DBS_OK;
}

}  // namespace zephra::model
