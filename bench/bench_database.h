// A database made for a benchmark in a temporary folder of its own, closed
// and removed with the folder at the end, and going on-line with it as the
// editor does.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "zephra/zephra.h"

// A caller's string holding ASCII text, freed with it.
class BenchString {
 public:
  explicit BenchString(const std::string& text) : s_(DbsStringAlloc(static_cast<std::uint32_t>(text.size()))) {
    std::copy(text.begin(), text.end(), s_);
  }
  ~BenchString() { DbsStringFree(s_); }
  BenchString(const BenchString&) = delete;
  BenchString& operator=(const BenchString&) = delete;
  operator DbsString() const { return s_; }

 private:
  DbsString s_;
};

struct BenchDatabase {
  std::string folder, path;
  DbsHandle h = -1;

  BenchDatabase(const std::string& file, const TConfigurationRecord& config) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zephra-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    folder = pattern;
    path = folder + "/" + file;
    if (dbs_CreateFile(BenchString(path), &config, -1, &h) != DBS_OK) std::abort();
  }
  ~BenchDatabase() {
    dbs_CloseFile(h);
    std::filesystem::remove_all(folder);
  }
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;

  DbsStatus OnLine(const std::string& port, std::int32_t baud) {
    DbsPortSettings settings{};
    settings.baudRate = baud;
    settings.dataBits = 8;
    settings.stopBits = 2;
    return dbs_OnLine(BenchString(port), &settings, nullptr, nullptr, -1, h);
  }
};
