// zephra-db's names commands: every name of a database to a CSV file a
// spreadsheet opens, and such a file back into the database.
#pragma once

#include <string>
#include <vector>

namespace zephra::tool {

struct ImportOptions {
  bool dryRun = false;   // check and report, write nothing
  bool partial = false;  // write the sound rows even when others are refused
};

int ExportNames(const std::string& path, const std::vector<std::string>& kinds);
int ImportNames(const std::string& path, const std::string& csvPath, const ImportOptions& options);

// The kind words the export knows, for the command line's check.
std::vector<std::string> NameKindWords();

}  // namespace zephra::tool
