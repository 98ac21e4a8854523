#include "file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform_status.h"

namespace zephra {
namespace {

std::string Folder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

Status LockAndIdentify(int fd, FileId& id) {
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return StatusFromErrno(errno);
  struct stat st {};
  if (fstat(fd, &st) != 0) return StatusFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return DBS_SYS_ACCESS_DENIED;
  id = {st.st_dev, st.st_ino};
  return DBS_OK;
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

Status StatusForPath(const std::string& path, int err) {
  if (err == ENOENT) {
    struct stat st {};
    if (stat(Folder(path).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return DBS_SYS_PATH_NOT_FOUND;
  }
  return StatusFromErrno(err);
}

DbFile::DbFile(DbFile&& other) noexcept { *this = std::move(other); }

DbFile& DbFile::operator=(DbFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    data_ = std::exchange(other.data_, nullptr);
    mapped_ = std::exchange(other.mapped_, 0);
    id_ = other.id_;
    path_ = std::move(other.path_);
    created_ = std::move(other.created_);
    replaces_ = std::exchange(other.replaces_, false);
    other.created_.clear();
  }
  return *this;
}

DbFile::~DbFile() { Close(); }

Status DbFile::OpenExisting(const std::string& path, bool writable, const InUseCheck& inUse, DbFile& out) {
  DbFile f;
  f.path_ = path;
  f.fd_ = open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY);
  if (f.fd_ < 0) return StatusForPath(path, errno);
  if (Status s = LockAndIdentify(f.fd_, f.id_); s != DBS_OK) return s;
  if (inUse && inUse(f.id_)) return DBS_SYS_SHARING_VIOLATION;
  out = std::move(f);
  return DBS_OK;
}

Status DbFile::CreateNew(const std::string& path, bool overwrite, const InUseCheck& inUse, DbFile& out) {
  DbFile f;
  f.path_ = path;
  f.fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (f.fd_ >= 0) {
    f.created_ = path;
  } else {
    if (errno != EEXIST || !overwrite) return StatusForPath(path, errno);
    // The file is there and is to be replaced: it must not be in use, and it
    // stays as it is until the new one is complete.
    DbFile existing;
    if (Status s = OpenExisting(path, false, inUse, existing); s != DBS_OK) return s;
    std::string temp = Folder(path) + "/.zephra-XXXXXX";
    f.fd_ = mkostemp(temp.data(), O_CLOEXEC);
    if (f.fd_ < 0) return StatusForPath(path, errno);
    f.created_ = temp;
    f.replaces_ = true;
    if (fchmod(f.fd_, NewFileMode()) != 0) return StatusFromErrno(errno);
  }
  if (Status s = LockAndIdentify(f.fd_, f.id_); s != DBS_OK) return s;
  out = std::move(f);
  return DBS_OK;
}

Status DbFile::CreateReplacement(const DbFile& current, DbFile& out) {
  struct stat st {};
  if (fstat(current.fd_, &st) != 0) return StatusFromErrno(errno);
  DbFile f;
  f.path_ = current.path_;
  std::string temp = Folder(f.path_) + "/.zephra-XXXXXX";
  f.fd_ = mkostemp(temp.data(), O_CLOEXEC);
  if (f.fd_ < 0) return StatusForPath(f.path_, errno);
  f.created_ = temp;
  f.replaces_ = true;
  if (fchmod(f.fd_, st.st_mode & 07777) != 0) return StatusFromErrno(errno);
  if (Status s = LockAndIdentify(f.fd_, f.id_); s != DBS_OK) return s;
  out = std::move(f);
  return DBS_OK;
}

Status DbFile::Size(std::uint64_t& size) const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) return StatusFromErrno(errno);
  size = static_cast<std::uint64_t>(st.st_size);
  return DBS_OK;
}

Status DbFile::ReadAt(void* buffer, std::size_t count, std::uint64_t offset) const {
  auto* p = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t n = pread(fd_, p, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return StatusFromErrno(errno, IoKind::Read);
    if (n == 0) return DBS_SYS_READ_FAULT;
    p += n;
    count -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return DBS_OK;
}

Status DbFile::WriteAt(const void* buffer, std::size_t count, std::uint64_t offset) const {
  const auto* p = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const ssize_t n = pwrite(fd_, p, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return StatusFromErrno(errno, IoKind::Write);
    p += n;
    count -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return DBS_OK;
}

Status DbFile::Allocate(std::uint64_t size) {
  if (ftruncate(fd_, 0) != 0) return StatusFromErrno(errno, IoKind::Write);
  const int err = posix_fallocate(fd_, 0, static_cast<off_t>(size));
  if (err != 0) return StatusFromErrno(err, IoKind::Write);
  return DBS_OK;
}

Status DbFile::Map(std::uint64_t size, bool writable, bool populate) {
  void* p = mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ,
                 MAP_SHARED | (populate ? MAP_POPULATE : 0), fd_, 0);
  if (p == MAP_FAILED) return StatusFromErrno(errno);
  data_ = static_cast<std::uint8_t*>(p);
  mapped_ = size;
  return DBS_OK;
}

Status DbFile::Flush() const {
  if (data_ && msync(data_, mapped_, MS_SYNC) != 0) return StatusFromErrno(errno, IoKind::Write);
  return DBS_OK;
}

Status DbFile::Commit() {
  if (Status s = Flush(); s != DBS_OK) return s;
  if (fsync(fd_) != 0) return StatusFromErrno(errno, IoKind::Write);
  if (replaces_ && rename(created_.c_str(), path_.c_str()) != 0) return StatusForPath(path_, errno);
  created_.clear();
  replaces_ = false;
  return DBS_OK;
}

void DbFile::Touch(bool written) const {
  const struct timespec times[2] = {{0, UTIME_NOW}, {0, written ? UTIME_NOW : UTIME_OMIT}};
  futimens(fd_, times);  // times are a courtesy: a failure changes nothing else
}

void DbFile::SetWriteTime(const struct timespec& written) const {
  const struct timespec times[2] = {{0, UTIME_NOW}, written};
  futimens(fd_, times);
}

Status DbFile::WriteTime(struct timespec& written) const {
  struct stat st {};
  if (fstat(fd_, &st) != 0) return StatusFromErrno(errno);
  written = st.st_mtim;
  return DBS_OK;
}

void DbFile::Unmap(bool flush) {
  if (!data_) return;
  if (flush) msync(data_, mapped_, MS_SYNC);
  munmap(data_, mapped_);
  data_ = nullptr;
  mapped_ = 0;
}

void DbFile::Close(Times times) {
  Unmap(times != Times::Accessed);
  if (!created_.empty()) unlink(created_.c_str());
  created_.clear();
  if (fd_ < 0) return;
  if (times != Times::Keep) Touch(times == Times::Written);
  close(fd_);
  fd_ = -1;
}

}  // namespace zephra
