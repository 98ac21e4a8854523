// Any bytes as a names file: the import never reads outside the database's
// records, every issue has a line inside the file, and every change it plans
// is fitted to its field's width.
#include <cstdlib>
#include <string_view>

#include "model/NameImport.h"

namespace {

// A small database: one matrix of two levels, a few of everything.
const zephra::model::Snapshot& Database() {
  static const zephra::model::Snapshot db = [] {
    zephra::model::Snapshot s;
    s.matrices.resize(1);
    s.matrices[0].levels.resize(2);
    s.matrices[0].levels[0].sources.resize(3);
    s.matrices[0].levels[1].sources.resize(1);
    s.matrices[0].destAssocs.resize(2);
    s.panels.resize(2);
    s.umds.resize(1);
    s.keypads.resize(2);
    s.salvos.resize(1);
    return s;
  }();
  return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view csv(reinterpret_cast<const char*>(data), size);
  const auto plan = zephra::model::PlanNamesImport(csv, Database());
  std::size_t lines = 1;
  for (char c : csv) lines += c == '\n' || c == '\r';
  for (const auto& issue : plan.issues) {
    if (issue.line < 1 || issue.line > lines || zephra::model::Describe(issue).empty()) std::abort();
  }
  for (const auto& change : plan.changes) {
    if (change.fitted.size() != change.field->width || zephra::model::Describe(change).empty()) std::abort();
  }
  return 0;
}
