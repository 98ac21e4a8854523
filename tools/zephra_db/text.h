// Text at the tool's edges: UTF-8 from the command line and the terminal,
// UTF-16 at the library, and statuses turned into sentences.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "zephra/zephra.h"

namespace zephra::tool {

// The UTF-16 form of UTF-8 text, or nothing when the text is not UTF-8.
std::optional<std::u16string> FromUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);

// A library string holding a copy of some text, freed with the object.
class LibString {
 public:
  explicit LibString(std::u16string_view text);
  explicit LibString(std::uint32_t units);
  ~LibString() { DbsStringFree(s_); }
  LibString(const LibString&) = delete;
  LibString& operator=(const LibString&) = delete;
  operator DbsString() const { return s_; }
  std::u16string_view Units() const { return {s_, DbsStringLength(s_)}; }

 private:
  DbsString s_;
};

// An open database, closed when the object goes.
class OpenDatabase {
 public:
  OpenDatabase() = default;
  ~OpenDatabase() { Close(); }
  OpenDatabase(const OpenDatabase&) = delete;
  OpenDatabase& operator=(const OpenDatabase&) = delete;
  DbsStatus Open(const std::u16string& path, bool writable = false) {
    return dbs_OpenFile(LibString(path), writable ? 1 : 0, &handle_);
  }
  DbsStatus Close() {
    const DbsStatus s = handle_ >= 0 ? dbs_CloseFile(handle_) : DbsStatus{DBS_OK};
    handle_ = -1;
    return s;
  }
  DbsHandle Handle() const { return handle_; }

 private:
  DbsHandle handle_ = -1;
};

// "The file is in use: it is already open. (status 32)"
std::string StatusSentence(DbsStatus status);

// The tool's exit statuses: done, damage found (or a controller that holds
// another database), wrong arguments, the library or the system refused.
enum Exit { kOk = 0, kDamaged = 1, kUsage = 2, kFailed = 3 };

// Says on standard error what could not be done and why; answers kFailed.
int Fail(const std::string& doing, DbsStatus status);
int Fail(const std::string& message);

}  // namespace zephra::tool
