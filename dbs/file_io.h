// The database file on the system: opened or created under an exclusive lock,
// extended to its full size before it is mapped, mapped shared so that every
// change goes straight into the file, flushed at save and close.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "config.h"

namespace zephra {

struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// Whether a file is the file of an open database.
using InUseCheck = std::function<bool(const FileId&)>;

class DbFile {
 public:
  DbFile() = default;
  DbFile(DbFile&& other) noexcept;
  DbFile& operator=(DbFile&& other) noexcept;
  DbFile(const DbFile&) = delete;
  DbFile& operator=(const DbFile&) = delete;
  // Unmaps and closes; a file this object created and never committed is
  // removed again.
  ~DbFile();

  // Opens an existing file and locks it. A file locked elsewhere, or open in
  // a slot, is in use (32).
  static Status OpenExisting(const std::string& path, bool writable, const InUseCheck& inUse, DbFile& out);

  // Starts a new file at `path`. Without overwrite an existing file is an
  // error (80). With overwrite an existing file must not be in use (32) and is
  // only replaced by Commit, so a failure on the way leaves it as it was.
  static Status CreateNew(const std::string& path, bool overwrite, const InUseCheck& inUse, DbFile& out);

  // Starts the file that is to replace the open database file `current`: a
  // temporary file beside it with its permissions, put in its place only by
  // Commit.
  static Status CreateReplacement(const DbFile& current, DbFile& out);

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const FileId& Id() const { return id_; }
  const std::string& Path() const { return path_; }

  Status Size(std::uint64_t& size) const;
  Status ReadAt(void* buffer, std::size_t count, std::uint64_t offset) const;
  Status WriteAt(const void* buffer, std::size_t count, std::uint64_t offset) const;
  // Reserves `size` bytes on the disk now, so a full disk is an error here
  // and never a fault while the mapping is written.
  Status Allocate(std::uint64_t size);
  // Maps the first `size` bytes, for writing when `writable`; `populate`
  // maps every page at once, for callers about to touch them all.
  Status Map(std::uint64_t size, bool writable, bool populate = false);
  std::uint8_t* Data() const { return data_; }
  std::uint64_t MappedSize() const { return mapped_; }

  // Writes the mapped pages back to the disk.
  Status Flush() const;
  // Puts the new file in place of the target (a no-op for a file created at
  // its own path) and makes it the caller's to keep.
  Status Commit();

  // Sets the last-access time, and the last-write time when `written`, to
  // now. Call it with nothing mapped: writes through a mapping renew the
  // last-write time themselves.
  void Touch(bool written) const;
  // Sets the last-write time to the given one and the last-access time to now.
  void SetWriteTime(const struct timespec& written) const;
  Status WriteTime(struct timespec& written) const;

  // Unmaps, flushing first when `flush`.
  void Unmap(bool flush = true);
  // Unmaps and closes (the lock goes with the descriptor); sets the file
  // times as Touch does unless told to keep them. A database closed as only
  // Accessed was not written, so its mapping needs no flush.
  enum class Times { Keep, Accessed, Written };
  void Close(Times times = Times::Keep);

 private:
  int fd_ = -1;
  std::uint8_t* data_ = nullptr;
  std::uint64_t mapped_ = 0;
  FileId id_{};
  std::string path_;       // where the file is to end up
  std::string created_;    // the file this object created, until committed
  bool replaces_ = false;  // created_ is a temporary file to be renamed over path_
};

// The status of a failed look-up of `path`: 3 when its folder is missing,
// else what errno says.
Status StatusForPath(const std::string& path, int err);

}  // namespace zephra
