#include "Names.h"

#include <csv.h>

#include <algorithm>
#include <cctype>

#include "NameText.h"

namespace zephra::model {

namespace {

const std::u16string& SourceName(const Snapshot& db, const NameAddress& at, int field) {
  return db.matrices[at.matrix].levels[at.level].sources[at.number].names[field];
}

std::string Count(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// The checks of the address columns, outermost first.
std::string CheckMatrix(const Snapshot& db, const NameAddress& at, std::string_view& column) {
  if (at.matrix >= 0 && static_cast<std::size_t>(at.matrix) < db.matrices.size()) return "";
  column = "matrix";
  return "there is no matrix " + std::to_string(at.matrix + 1) + ": the database has " +
         Count(db.matrices.size(), "matrix", "matrices");
}

std::string CheckLevel(const Snapshot& db, const NameAddress& at, std::string_view& column) {
  if (std::string e = CheckMatrix(db, at, column); !e.empty()) return e;
  const auto& levels = db.matrices[at.matrix].levels;
  if (at.level >= 0 && static_cast<std::size_t>(at.level) < levels.size()) return "";
  column = "level";
  return "there is no level " + std::to_string(at.level + 1) + ": matrix " + std::to_string(at.matrix + 1) + " has " +
         Count(levels.size(), "level", "levels");
}

std::string CheckSource(const Snapshot& db, const NameAddress& at, std::string_view& column) {
  if (std::string e = CheckLevel(db, at, column); !e.empty()) return e;
  const auto& sources = db.matrices[at.matrix].levels[at.level].sources;
  if (at.number >= 0 && static_cast<std::size_t>(at.number) < sources.size()) return "";
  column = "number";
  return "there is no source " + std::to_string(at.number + 1) + " on level " + std::to_string(at.level + 1) +
         ": it has " + Count(sources.size(), "source", "sources");
}

std::string CheckDestination(const Snapshot& db, const NameAddress& at, std::string_view& column) {
  if (std::string e = CheckMatrix(db, at, column); !e.empty()) return e;
  const auto& assocs = db.matrices[at.matrix].destAssocs;
  if (at.number >= 0 && static_cast<std::size_t>(at.number) < assocs.size()) return "";
  column = "number";
  return "there is no destination " + std::to_string(at.number + 1) + ": matrix " + std::to_string(at.matrix + 1) +
         " has " + Count(assocs.size(), "destination association", "destination associations");
}

// A kind numbered across the database (panels, UMDs, keypads, salvos).
template <auto Member>
std::string CheckNumbered(const Snapshot& db, const NameAddress& at, std::string_view& column,
                          std::string_view one, std::string_view many) {
  const std::size_t n = (db.*Member).size();
  if (at.number >= 0 && static_cast<std::size_t>(at.number) < n) return "";
  column = "number";
  return "there is no " + std::string(one) + " " + std::to_string(at.number + 1) + ": the database has " +
         Count(n, one, many);
}

template <auto Member>
std::vector<NameAddress> Numbered(const Snapshot& db) {
  std::vector<NameAddress> out;
  for (std::size_t i = 0; i < (db.*Member).size(); ++i) out.push_back({-1, -1, static_cast<int>(i)});
  return out;
}

DbsStatus WriteSalvo(RecordWriter& w, const Snapshot& db, const NameAddress& at, DbsString fitted, bool shortName) {
  const UnitString untouched(0u);  // an empty name leaves its field as it is
  const SalvoState& salvo = db.salvos[at.number];
  const TMacroStoreRecord record{static_cast<std::uint16_t>(at.number), shortName ? fitted : DbsString(untouched),
                                 shortName ? DbsString(untouched) : fitted, salvo.record.salvoData};
  return w.SetMacroStore(static_cast<std::uint16_t>(at.number), record);
}

std::vector<NameKind> BuildKinds() {
  using W = RecordWriter;
  using A = NameAddress;
  using S = Snapshot;
  std::vector<NameKind> kinds;
  kinds.push_back({"title", false, false, false,
                   {{"name", 16, [](const S& db, const A&) -> const std::u16string& { return db.title; },
                     [](W& w, const S&, const A&, DbsString t) { return w.SetTitle(t); }}},
                   [](const S&) { return std::vector<A>{A{}}; },
                   [](const S&, const A&, std::string_view&) { return std::string(); }});
  kinds.push_back({"matrix", true, false, false,
                   {{"name", 16,
                     [](const S& db, const A& at) -> const std::u16string& { return db.matrices[at.matrix].name; },
                     [](W& w, const S&, const A& at, DbsString t) {
                       return w.SetMatrixName(static_cast<std::uint16_t>(at.matrix), t);
                     }}},
                   [](const S& db) {
                     std::vector<A> out;
                     for (std::size_t m = 0; m < db.matrices.size(); ++m) out.push_back({static_cast<int>(m), -1, -1});
                     return out;
                   },
                   CheckMatrix});
  kinds.push_back({"level", true, true, false,
                   {{"name", 8,
                     [](const S& db, const A& at) -> const std::u16string& {
                       return db.matrices[at.matrix].levels[at.level].name;
                     },
                     [](W& w, const S&, const A& at, DbsString t) {
                       return w.SetLevelName(static_cast<std::uint16_t>(at.matrix), static_cast<std::uint16_t>(at.level),
                                             t);
                     }}},
                   [](const S& db) {
                     std::vector<A> out;
                     for (std::size_t m = 0; m < db.matrices.size(); ++m) {
                       for (std::size_t l = 0; l < db.matrices[m].levels.size(); ++l) {
                         out.push_back({static_cast<int>(m), static_cast<int>(l), -1});
                       }
                     }
                     return out;
                   },
                   CheckLevel});
  // The width of a source name chooses its field, as the library does.
  const auto sourceWrite = [](W& w, const S&, const A& at, DbsString t) {
    return w.SetSourceName(TSourceIndexRecord{static_cast<std::int16_t>(at.matrix), static_cast<std::int16_t>(at.level),
                                              static_cast<std::int16_t>(at.number)},
                           t);
  };
  kinds.push_back({"source", true, true, true,
                   {{"short", 4, [](const S& db, const A& at) -> const std::u16string& { return SourceName(db, at, 0); },
                     sourceWrite},
                    {"name", 8, [](const S& db, const A& at) -> const std::u16string& { return SourceName(db, at, 1); },
                     sourceWrite},
                    {"name12", 12,
                     [](const S& db, const A& at) -> const std::u16string& { return SourceName(db, at, 4); },
                     sourceWrite},
                    {"name16", 16,
                     [](const S& db, const A& at) -> const std::u16string& { return SourceName(db, at, 5); },
                     sourceWrite}},
                   [](const S& db) {
                     std::vector<A> out;
                     for (std::size_t m = 0; m < db.matrices.size(); ++m) {
                       for (std::size_t l = 0; l < db.matrices[m].levels.size(); ++l) {
                         for (std::size_t s = 0; s < db.matrices[m].levels[l].sources.size(); ++s) {
                           out.push_back({static_cast<int>(m), static_cast<int>(l), static_cast<int>(s)});
                         }
                       }
                     }
                     return out;
                   },
                   CheckSource});
  // Destination names belong to the destination associations.
  const auto destWrite = [](W& w, const S&, const A& at, DbsString t) {
    return w.SetDestName(static_cast<std::uint16_t>(at.matrix), static_cast<std::uint16_t>(at.number), t);
  };
  kinds.push_back({"destination", true, false, true,
                   {{"short", 4,
                     [](const S& db, const A& at) -> const std::u16string& {
                       return db.matrices[at.matrix].destAssocs[at.number].shortName;
                     },
                     destWrite},
                    {"name", 8,
                     [](const S& db, const A& at) -> const std::u16string& {
                       return db.matrices[at.matrix].destAssocs[at.number].name;
                     },
                     destWrite}},
                   [](const S& db) {
                     std::vector<A> out;
                     for (std::size_t m = 0; m < db.matrices.size(); ++m) {
                       for (std::size_t a = 0; a < db.matrices[m].destAssocs.size(); ++a) {
                         out.push_back({static_cast<int>(m), -1, static_cast<int>(a)});
                       }
                     }
                     return out;
                   },
                   CheckDestination});
  kinds.push_back({"panel", false, false, true,
                   {{"name", 8,
                     [](const S& db, const A& at) -> const std::u16string& { return db.panels[at.number].name; },
                     [](W& w, const S&, const A& at, DbsString t) {
                       return w.SetPanelName(static_cast<std::uint16_t>(at.number), t);
                     }}},
                   Numbered<&S::panels>,
                   [](const S& db, const A& at, std::string_view& c) {
                     return CheckNumbered<&S::panels>(db, at, c, "panel", "panels");
                   }});
  kinds.push_back({"UMD", false, false, true,
                   {{"name", 8,
                     [](const S& db, const A& at) -> const std::u16string& { return db.umds[at.number].name; },
                     [](W& w, const S&, const A& at, DbsString t) {
                       return w.SetUMDName(static_cast<std::uint16_t>(at.number), t);
                     }},
                    {"message", 16,
                     [](const S& db, const A& at) -> const std::u16string& { return db.umds[at.number].message; },
                     [](W& w, const S&, const A& at, DbsString t) {
                       return w.SetFixedMessage(static_cast<std::uint16_t>(at.number), t);
                     }}},
                   Numbered<&S::umds>,
                   [](const S& db, const A& at, std::string_view& c) {
                     return CheckNumbered<&S::umds>(db, at, c, "UMD", "UMDs");
                   }});
  kinds.push_back({"keypad", false, false, true,
                   {{"name", 8,
                     [](const S& db, const A& at) -> const std::u16string& { return db.keypads[at.number].name; },
                     [](W& w, const S& db, const A& at, DbsString t) {
                       TKeypadRecord record = db.keypads[at.number].record;
                       record.keypad = static_cast<std::uint16_t>(at.number);
                       record.name = t;
                       return w.SetKeypad(record.keypad, record);
                     }}},
                   Numbered<&S::keypads>,
                   [](const S& db, const A& at, std::string_view& c) {
                     return CheckNumbered<&S::keypads>(db, at, c, "keypad", "keypads");
                   }});
  kinds.push_back({"salvo", false, false, true,
                   {{"short", 4,
                     [](const S& db, const A& at) -> const std::u16string& { return db.salvos[at.number].shortName; },
                     [](W& w, const S& db, const A& at, DbsString t) { return WriteSalvo(w, db, at, t, true); }},
                    {"name", 8,
                     [](const S& db, const A& at) -> const std::u16string& { return db.salvos[at.number].name; },
                     [](W& w, const S& db, const A& at, DbsString t) { return WriteSalvo(w, db, at, t, false); }}},
                   Numbered<&S::salvos>,
                   [](const S& db, const A& at, std::string_view& c) {
                     return CheckNumbered<&S::salvos>(db, at, c, "salvo", "salvos");
                   }});
  return kinds;
}

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Number(int n) { return n < 0 ? std::string() : std::to_string(n + 1); }

}  // namespace

const std::vector<NameKind>& NameKinds() {
  static const std::vector<NameKind> kinds = BuildKinds();
  return kinds;
}

const NameKind* FindNameKind(std::string_view word) {
  for (const NameKind& kind : NameKinds()) {
    if (SameWord(kind.word, word)) return &kind;
  }
  return nullptr;
}

const NameField* FindNameField(const NameKind& kind, std::string_view word) {
  for (const NameField& field : kind.fields) {
    if (SameWord(field.word, word)) return &field;
  }
  return nullptr;
}

std::string RecordWords(const NameKind& kind, const NameAddress& at) {
  std::string words(kind.word);
  if (kind.takesNumber) words += " " + Number(at.number);
  if (kind.takesLevel) words += (kind.takesNumber ? " of level " : " ") + Number(at.level);
  const bool onlyMatrix = !kind.takesLevel && !kind.takesNumber;
  if (kind.takesMatrix && (onlyMatrix || at.matrix > 0)) words += (onlyMatrix ? " " : " of matrix ") + Number(at.matrix);
  return words;
}

std::string ExportNames(const Snapshot& db, const std::vector<const NameKind*>& kinds) {
  std::string out;
  for (std::string_view column : kNameColumns) out += std::string(out.empty() ? "" : ",") + std::string(column);
  out += "\r\n";
  for (const NameKind& kind : NameKinds()) {
    if (!kinds.empty() && std::find(kinds.begin(), kinds.end(), &kind) == kinds.end()) continue;
    for (const NameAddress& at : kind.records(db)) {
      for (const NameField& field : kind.fields) {
        const std::string name = Utf8Of(field.stored(db, at));
        std::string quoted(name.size() * 2 + 2, '\0');
        quoted.resize(csv_write2(quoted.data(), quoted.size(), name.data(), name.size(), '"'));
        out += std::string(kind.word) + "," + (kind.takesMatrix ? Number(at.matrix) : "") + "," +
               (kind.takesLevel ? Number(at.level) : "") + "," + (kind.takesNumber ? Number(at.number) : "") + "," +
               std::string(field.word) + "," + quoted + "\r\n";
      }
    }
  }
  return out;
}

}  // namespace zephra::model
