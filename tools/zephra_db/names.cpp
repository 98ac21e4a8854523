#include "names.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "database_records.h"
#include "model/NameImport.h"
#include "model/Names.h"
#include "text.h"

namespace zephra::tool {

std::vector<std::string> NameKindWords() {
  std::vector<std::string> words;
  for (const model::NameKind& kind : model::NameKinds()) words.emplace_back(kind.word);
  return words;
}

int ExportNames(const std::string& path, const std::vector<std::string>& kinds) {
  std::vector<const model::NameKind*> chosen;
  for (const std::string& word : kinds) {
    const model::NameKind* kind = model::FindNameKind(word);
    if (!kind) return Fail("'" + word + "' is not a kind of name");
    chosen.push_back(kind);
  }
  OpenDatabase db;
  model::Snapshot snapshot;
  if (int rc = ReadDatabase(path, false, db, snapshot); rc != kOk) return rc;
  std::cout << model::ExportNames(snapshot, chosen) << std::flush;
  return std::cout ? kOk : kFailed;
}

int ImportNames(const std::string& path, const std::string& csvPath, const ImportOptions& options) {
  std::ifstream in(csvPath, std::ios::binary);
  if (!in) return Fail("cannot read " + csvPath);
  const std::string csv((std::istreambuf_iterator<char>(in)), {});
  model::Snapshot snapshot;
  model::ImportPlan plan;
  {
    // Read-only while the rows are checked: a file with refused rows is left
    // exactly as it was.
    OpenDatabase db;
    if (int rc = ReadDatabase(path, false, db, snapshot); rc != kOk) return rc;
    plan = model::PlanNamesImport(csv, snapshot);
  }
  for (const model::ImportIssue& issue : plan.issues) std::cout << csvPath << ": " << model::Describe(issue) << "\n";
  std::cout << csvPath << ": " << plan.rows << (plan.rows == 1 ? " row: " : " rows: ") << plan.changes.size()
            << " to change, " << plan.unchanged << " unchanged, " << plan.warnedRows << " warned, "
            << plan.refusedRows << " refused";
  const bool sound = plan.Sound();
  if (options.dryRun || (!sound && !options.partial) || plan.changes.empty()) {
    std::cout << "; nothing written" << (options.dryRun ? " (dry run)" : "") << "\n";
    return sound ? kOk : kDamaged;
  }
  std::cout << "\n";
  OpenDatabase db;
  if (DbsStatus s = db.Open(*FromUtf8(path), true); s != DBS_OK) return Fail("cannot open " + path, s);
  DatabaseRecords records(db.Handle());
  std::size_t written = 0;
  const DbsStatus s = model::ApplyNames(plan.changes, snapshot, records, written);
  const DbsStatus closed = db.Close();
  if (s != DBS_OK) {
    return Fail("line " + std::to_string(plan.changes[written].line) + " could not be written (" +
                    std::to_string(written) + " names were)",
                s);
  }
  if (closed != DBS_OK) return Fail("cannot close " + path, closed);
  std::cout << path << ": " << written << (written == 1 ? " name" : " names") << " written\n";
  return sound ? kOk : kDamaged;
}

}  // namespace zephra::tool
