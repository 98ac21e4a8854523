#include "online.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "text.h"
#include "zephra/zephra.h"

namespace zephra::tool {

namespace {

constexpr int kDiffers = kDamaged;  // the controller holds another database

// A database open for the length of a command, off-line and closed at its end.
class Session {
 public:
  ~Session() {
    if (handle_ >= 0) {
      dbs_OffLine(handle_);
      dbs_CloseFile(handle_);
    }
  }
  DbsStatus Open(const std::string& path, bool writable) {
    const auto units = FromUtf8(path);
    if (!units) return DBS_SYS_INVALID_NAME;
    return dbs_OpenFile(LibString(*units), writable ? 1 : 0, &handle_);
  }
  DbsStatus GoOnLine(const LinkOptions& link) {
    DbsPortSettings settings{};
    settings.baudRate = link.baud;
    settings.dataBits = 8;
    settings.stopBits = 2;
    const auto port = FromUtf8(link.port);
    if (!port) return DBS_ERR_INVALID_ARGUMENT;
    return dbs_OnLine(LibString(*port), &settings, nullptr, nullptr, -1, handle_);
  }
  DbsHandle Handle() const { return handle_; }

 private:
  DbsHandle handle_ = -1;
};

// A progress bar on a terminal; nothing when the output goes elsewhere.
const char* progressLabel = "";
std::uint32_t ShowProgress(std::uint32_t, std::uint32_t done, std::uint32_t total) {
  if (total > 0) std::fprintf(stderr, "\r%s %3u%%", progressLabel, static_cast<unsigned>(100ull * done / total));
  return 0;
}
DbsTransferProgressCallback Progress(const char* label) {
  progressLabel = label;
  return isatty(STDERR_FILENO) ? &ShowProgress : nullptr;
}
void EndProgress() {
  if (isatty(STDERR_FILENO)) std::fprintf(stderr, "\n");
}

}  // namespace

int OnlineStatus(const std::string& path, const LinkOptions& link) {
  Session s;
  if (DbsStatus st = s.Open(path, false); st != DBS_OK) return Fail("cannot open " + path, st);
  const DbsStatus st = s.GoOnLine(link);
  if (st == DBS_OK) {
    std::cout << path << ": the controller on " << link.port << " holds this database\n";
    return kOk;
  }
  if (st == DBS_ERR_CHECKSUM_MISMATCH) {
    std::cout << path << ": the controller on " << link.port << " holds a different database\n";
    return kDiffers;
  }
  return Fail("cannot go on-line on " + link.port, st);
}

int Download(const std::string& path, const LinkOptions& link, bool parameters) {
  Session s;
  if (DbsStatus st = s.Open(path, true); st != DBS_OK) return Fail("cannot open " + path, st);
  if (DbsStatus st = s.GoOnLine(link); st != DBS_OK && st != DBS_ERR_CHECKSUM_MISMATCH) {
    return Fail("cannot go on-line on " + link.port, st);
  }
  const DbsStatus st = dbs_DownloadWithOptions(s.Handle(), Progress("Downloading"), 1, parameters, parameters, parameters);
  EndProgress();
  if (st != DBS_OK) return Fail("the download failed", st);
  std::cout << path << ": downloaded to the controller on " << link.port << (parameters ? ", with its parameters" : "")
            << "\n";
  return kOk;
}

DbsStatus ReadController(const std::string& path, const LinkOptions& link, std::string& failed) {
  Session s;
  if (DbsStatus st = s.Open(path, true); st != DBS_OK) {
    failed = "cannot open " + path;
    return st;
  }
  if (DbsStatus st = s.GoOnLine(link); st != DBS_OK && st != DBS_ERR_CHECKSUM_MISMATCH) {
    failed = "cannot go on-line on " + link.port;
    return st;
  }
  const DbsStatus st = dbs_Upload(s.Handle(), Progress("Uploading"));
  EndProgress();
  if (st != DBS_OK) failed = "the upload failed; " + path + " is as it was";
  return st;
}

int Upload(const std::string& path, const LinkOptions& link) {
  std::string failed;
  if (DbsStatus st = ReadController(path, link, failed); st != DBS_OK) return Fail(failed, st);
  std::cout << path << ": rebuilt from the controller on " << link.port << "\n";
  return kOk;
}

}  // namespace zephra::tool
