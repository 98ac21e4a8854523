#include "platform_status.h"

#include <cerrno>

namespace zephra {
namespace {

struct ErrnoRow {
  int err;
  Status status;
};

constexpr ErrnoRow kErrnoTable[] = {
    {ENOENT, DBS_SYS_FILE_NOT_FOUND},
    {ENOTDIR, DBS_SYS_PATH_NOT_FOUND},
    {ELOOP, DBS_SYS_PATH_NOT_FOUND},
    {EACCES, DBS_SYS_ACCESS_DENIED},
    {EPERM, DBS_SYS_ACCESS_DENIED},
    {EISDIR, DBS_SYS_ACCESS_DENIED},
    {ETXTBSY, DBS_SYS_SHARING_VIOLATION},
    {EWOULDBLOCK, DBS_SYS_SHARING_VIOLATION},
    {EBUSY, DBS_SYS_SHARING_VIOLATION},
    {EROFS, DBS_SYS_WRITE_PROTECT},
    {EEXIST, DBS_SYS_FILE_EXISTS},
    {ENOSPC, DBS_SYS_DISK_FULL},
    {EDQUOT, DBS_SYS_DISK_FULL},
    {EFBIG, DBS_SYS_DISK_FULL},
    {ENAMETOOLONG, DBS_SYS_INVALID_NAME},
    {EILSEQ, DBS_SYS_INVALID_NAME},
    {EINVAL, DBS_SYS_INVALID_NAME},
    {ENOMEM, DBS_SYS_NOT_ENOUGH_MEMORY},
    {EMFILE, DBS_SYS_TOO_MANY_OPEN_FILES},
    {ENFILE, DBS_SYS_TOO_MANY_OPEN_FILES},
};

}  // namespace

Status StatusFromErrno(int err, IoKind kind) {
  if (err == EIO) {
    return kind == IoKind::Read ? DBS_SYS_READ_FAULT : kind == IoKind::Write ? DBS_SYS_WRITE_FAULT : DBS_SYS_GEN_FAILURE;
  }
  for (const ErrnoRow& row : kErrnoTable) {
    if (row.err == err) return row.status;
  }
  return DBS_SYS_GEN_FAILURE;
}

}  // namespace zephra
