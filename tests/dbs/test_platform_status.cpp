#include <gtest/gtest.h>

#include <cerrno>

#include "dbs/platform_status.h"

namespace zephra {
namespace {

TEST(StatusFromErrno, UsesTheNumbersCallersKnow) {
  struct Row {
    int err;
    Status status;
  };
  for (const Row r : {Row{ENOENT, 2}, Row{ENOTDIR, 3}, Row{EACCES, 5}, Row{EPERM, 5}, Row{EISDIR, 5},
                      Row{EWOULDBLOCK, 32}, Row{EEXIST, 80}, Row{ENOSPC, 112}, Row{EDQUOT, 112},
                      Row{ENAMETOOLONG, 123}, Row{EILSEQ, 123}, Row{ENOMEM, 8}, Row{EMFILE, 4}, Row{ENFILE, 4},
                      Row{EROFS, 19}, Row{EXDEV, 31}}) {
    EXPECT_EQ(StatusFromErrno(r.err), r.status) << "errno " << r.err;
  }
}

TEST(StatusFromErrno, InputOutputErrorsSayWhichWay) {
  EXPECT_EQ(StatusFromErrno(EIO, IoKind::Read), DBS_SYS_READ_FAULT);
  EXPECT_EQ(StatusFromErrno(EIO, IoKind::Write), DBS_SYS_WRITE_FAULT);
  EXPECT_EQ(StatusFromErrno(EIO), DBS_SYS_GEN_FAILURE);
}

TEST(StatusFromErrno, NeverPassesARawErrnoThrough) {
  for (int err = 1; err < 134; ++err) {
    const Status s = StatusFromErrno(err);
    bool known = false;
#define ZEPHRA_KNOWN(name, value, text) known = known || s == value;
    DBS_PLATFORM_CODES(ZEPHRA_KNOWN)
#undef ZEPHRA_KNOWN
    EXPECT_TRUE(known) << "errno " << err << " gave " << s;
  }
}

}  // namespace
}  // namespace zephra
