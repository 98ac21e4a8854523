#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "config_fixtures.h"
#include "dbs/checksum.h"
#include "dbs/frame.h"
#include "temp_dir.h"

namespace zephra {
namespace {

namespace fs = std::filesystem;
using test::Str;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
}

// Changes the stored record of a closed file and renews its checksums, so the
// file stays sound apart from what the change means.
void RewriteRecord(const std::string& path, void (*change)(ConfigImage&)) {
  auto bytes = ReadAll(path);
  ConfigImage c;
  std::memcpy(&c, bytes.data(), sizeof c);
  change(c);
  std::memcpy(bytes.data(), &c, sizeof c);
  std::uint32_t changed = 0;
  ChecksummedImage(bytes.data(), static_cast<std::uint32_t>(bytes.size() / 1026), &changed).UpdateAllBlocks();
  WriteAll(path, bytes);
}

struct timespec WriteTimeOf(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mtim;
}

bool SameTime(const struct timespec& a, const struct timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

struct FilesTest : ::testing::Test {
  test::TempDir dir;
  std::vector<DbsHandle> open;

  void TearDown() override {
    for (DbsHandle h : open) dbs_CloseFile(h);
  }

  Status Create(const std::string& path, const ConfigImage& c, int32_t overwrite, DbsHandle& h) {
    test::CallConfig call(c);
    const Status s = dbs_CreateFile(Str(path), &call.record, overwrite, &h);
    if (s == DBS_OK) open.push_back(h);
    return s;
  }
  DbsHandle CreateV3(const std::string& path) {
    DbsHandle h = -1;
    EXPECT_EQ(Create(path, test::EditorDefaultV3(), 0, h), DBS_OK);
    return h;
  }
  Status Open(const std::string& path, DbsHandle& h, int32_t writable = 1) {
    const Status s = dbs_OpenFile(Str(path), writable, &h);
    if (s == DBS_OK) open.push_back(h);
    return s;
  }
  Status Close(DbsHandle h) {
    std::erase(open, h);
    return dbs_CloseFile(h);
  }
  // A default V3 database, closed.
  std::string ClosedV3(const std::string& name) {
    const std::string path = dir.File(name);
    EXPECT_EQ(Close(CreateV3(path)), DBS_OK);
    return path;
  }
};

TEST_F(FilesTest, NewDefaultV3IsItsLayoutsSizeWithEveryChecksumRight) {
  const std::string path = ClosedV3("a.ZP3");
  auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 2261304u);
  std::uint32_t changed = 0;
  EXPECT_TRUE(ChecksummedImage(bytes.data(), 2204, &changed).VerifyAllBlocks());
  ConfigImage stored;
  std::memcpy(&stored, bytes.data(), sizeof stored);
  EXPECT_EQ(stored.configType, DBS_TYPE_V3);
  EXPECT_EQ(stored.outputSetCount, 32);  // the stored record is the validated one
  EXPECT_EQ(stored.keyCount[40], 36);
  DbsHandle h = -1;
  EXPECT_EQ(Open(path, h), DBS_OK);
}

TEST_F(FilesTest, DamageFoundAtOpenLeavesTheFileAsItWas) {
  const std::string path = ClosedV3("a.ZP3");
  const auto good = ReadAll(path);
  const auto refused = [&](std::vector<std::uint8_t> bytes, Status want) {
    WriteAll(path, bytes);
    DbsHandle h = 77;
    EXPECT_EQ(Open(path, h), want);
    EXPECT_EQ(h, 77);
    EXPECT_EQ(ReadAll(path), bytes);
  };
  auto bytes = good;
  bytes[5000] ^= 0x01;  // inside block 4
  refused(bytes, DBS_ERR_FILE_CORRUPT);
  bytes = good;
  bytes[2204 * 1024 + 2 * 7] ^= 0x80;  // stored checksum of block 7
  refused(bytes, DBS_ERR_FILE_CORRUPT);
  bytes = good;
  bytes.resize(good.size() - 1026);
  refused(bytes, DBS_ERR_FILE_CORRUPT);
  bytes = good;
  bytes.push_back(0);
  refused(bytes, DBS_ERR_FILE_CORRUPT);
  refused(std::vector<std::uint8_t>(100, 0), DBS_ERR_FILE_CORRUPT);
  refused({}, DBS_ERR_FILE_CORRUPT);
  WriteAll(path, good);
  DbsHandle h = -1;
  EXPECT_EQ(Open(path, h), DBS_OK);
}

TEST_F(FilesTest, StoredRecordMustNameItsFormat) {
  const std::string path = ClosedV3("a.ZP3");
  DbsHandle h = -1;
  RewriteRecord(path, [](ConfigImage& c) { c.version[2] = u'2'; });
  EXPECT_EQ(Open(path, h), DBS_ERR_INVALID_DATABASE);
  RewriteRecord(path, [](ConfigImage& c) { c.configType = 1; c.version[2] = u'3'; });
  EXPECT_EQ(Open(path, h), DBS_ERR_INVALID_DATABASE);
  RewriteRecord(path, [](ConfigImage& c) { c.configType = 4; c.salvoCount = 40; });
  EXPECT_EQ(Open(path, h), DBS_ERR_INVALID_CONFIG);
}

TEST_F(FilesTest, OldFormatFileOpensAndRefusesWhatItCannotDo) {
  // An old-format file: its record, zero tables and sound checksums.
  ConfigImage c = test::EditorDefault(DBS_TYPE_KV1, 192);
  ASSERT_EQ(ValidateConfigFor(*FindFormat(DBS_TYPE_KV1), c), DBS_OK);
  const ImageLayout layout = ComputeLayout(c, *FindFormat(DBS_TYPE_KV1));
  std::vector<std::uint8_t> bytes(layout.fileSize, 0);
  std::memcpy(bytes.data(), &c, sizeof c);
  std::uint32_t changed = 0;
  ChecksummedImage(bytes.data(), layout.blockCount, &changed).UpdateAllBlocks();
  const std::string path = dir.File("old.KV1");
  WriteAll(path, bytes);
  DbsHandle h = -1;
  ASSERT_EQ(Open(path, h), DBS_OK);
  std::uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, h), DBS_OK);
  EXPECT_EQ(size, 117226u);
  EXPECT_EQ(Slots()[h].ops.LiveLevelName(h, nullptr), DBS_ERR_INVALID_DATABASE);
}

TEST_F(FilesTest, OpeningNormalisesOnlyTheSlotsCopy) {
  const std::string path = ClosedV3("a.ZP3");
  RewriteRecord(path, [](ConfigImage& c) { c.levelCount[1] = 2; });
  const auto before = ReadAll(path);
  DbsHandle h = -1;
  ASSERT_EQ(Open(path, h), DBS_OK);
  Str name(u"................");
  TConfigurationRecord got{};
  got.name = name;
  ASSERT_EQ(dbs_GetConfig(&got, h), DBS_OK);
  EXPECT_EQ(got.levelCount[1], 0);
  EXPECT_EQ(got.levelCount[0], 4);
  EXPECT_EQ(got.configType, DBS_TYPE_V3);
  EXPECT_EQ(name.Text(), std::u16string(u"Database") + std::u16string(8, u'\0'));
  ASSERT_EQ(Close(h), DBS_OK);
  EXPECT_EQ(ReadAll(path), before);
}

TEST_F(FilesTest, AFileOpenInOneSlotIsInUseForEveryOtherCall) {
  const std::string path = dir.File("a.ZP3");
  const DbsHandle first = CreateV3(path);
  const auto before = ReadAll(path);
  DbsHandle h = 77;
  EXPECT_EQ(Open(path, h), DBS_SYS_SHARING_VIOLATION);
  EXPECT_EQ(Open(dir.File("./a.ZP3"), h), DBS_SYS_SHARING_VIOLATION);
  EXPECT_EQ(Create(path, test::EditorDefaultV3(), -1, h), DBS_SYS_SHARING_VIOLATION);
  EXPECT_EQ(h, 77);
  EXPECT_EQ(ReadAll(path), before);
  std::uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, first), DBS_OK);
  EXPECT_EQ(size, 523646u);
}

TEST_F(FilesTest, CreatingOntoAnExistingFile) {
  const std::string path = dir.File("a.ZP3");
  WriteAll(path, {'k', 'e', 'e', 'p'});
  DbsHandle h = -1;
  EXPECT_EQ(Create(path, test::EditorDefaultV3(), 0, h), DBS_SYS_FILE_EXISTS);
  EXPECT_EQ(ReadAll(path), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(Create(path, test::EditorDefaultV3(), -1, h), DBS_OK);
  EXPECT_EQ(fs::file_size(path), 2261304u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(FilesTest, CreateRefusesWhatItCannotMake) {
  DbsHandle h = 77;
  ConfigImage kv1 = test::EditorDefault(DBS_TYPE_KV1, 192);
  EXPECT_EQ(Create(dir.File("a.KV1"), kv1, 0, h), DBS_ERR_INVALID_DATABASE);
  ConfigImage badTag = test::EditorDefaultV3();
  badTag.version[1] = u'Q';
  EXPECT_EQ(Create(dir.File("a.ZP3"), badTag, 0, h), DBS_ERR_INVALID_DATABASE);
  ConfigImage tooBig = test::EditorDefaultV3();
  tooBig.panelCount = 33;
  EXPECT_EQ(Create(dir.File("a.ZP3"), tooBig, 0, h), DBS_ERR_INVALID_CONFIG);
  EXPECT_EQ(Create(dir.File("missing/a.ZP3"), test::EditorDefaultV3(), 0, h), DBS_SYS_PATH_NOT_FOUND);
  EXPECT_EQ(Create(dir.File(std::string(300, 'a')), test::EditorDefaultV3(), 0, h), DBS_SYS_INVALID_NAME);
  EXPECT_EQ(h, 77);
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  EXPECT_EQ(dbs_CreateFile(Str(dir.File("a.ZP3")), nullptr, 0, &h), DBS_ERR_INVALID_ARGUMENT);
}

TEST_F(FilesTest, OpenReportsMissingFilesAndFolders) {
  DbsHandle h = -1;
  EXPECT_EQ(Open(dir.File("none.ZP3"), h), DBS_SYS_FILE_NOT_FOUND);
  EXPECT_EQ(Open(dir.File("none/none.ZP3"), h), DBS_SYS_PATH_NOT_FOUND);
  EXPECT_EQ(Open(dir.Path().string(), h), DBS_SYS_ACCESS_DENIED);
  const char16_t lone[] = {u'/', 0xD800, u'a'};
  DbsString s = DbsStringFromUnits(lone, 3);
  EXPECT_EQ(dbs_OpenFile(s, 1, &h), DBS_SYS_INVALID_NAME);
  DbsStringFree(s);
}

TEST_F(FilesTest, FullDiskLeavesNoFileAndKeepsAReplacedOne) {
  DbsHandle h = 77;
  const std::string path = dir.File("a.ZP3");
  {
    test::FileSizeLimit limit(1 << 20);
    EXPECT_EQ(Create(path, test::EditorDefaultV3(), 0, h), DBS_SYS_DISK_FULL);
  }
  EXPECT_TRUE(fs::is_empty(dir.Path()));
  const std::string old = ClosedV3("old.ZP3");
  const auto before = ReadAll(old);
  ConfigImage other = test::EditorDefaultV3();
  other.sourceCount[0][0] = 100;
  {
    test::FileSizeLimit limit(1 << 20);
    EXPECT_EQ(Create(old, other, -1, h), DBS_SYS_DISK_FULL);
  }
  EXPECT_EQ(ReadAll(old), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  EXPECT_EQ(h, 77);
}

TEST_F(FilesTest, TenDatabasesAtMost) {
  for (int i = 0; i < 10; ++i) {
    DbsHandle h = -1;
    ASSERT_EQ(Create(dir.File(std::to_string(i) + ".ZP1"), test::EditorDefault(DBS_TYPE_V1, 384), 0, h),
              DBS_OK);
    EXPECT_EQ(h, i);
  }
  const std::string eleventh = dir.File("10.ZP1");
  DbsHandle h = 77;
  EXPECT_EQ(Create(eleventh, test::EditorDefault(DBS_TYPE_V1, 384), 0, h), DBS_SYS_TOO_MANY_OPEN_FILES);
  EXPECT_FALSE(fs::exists(eleventh));
  EXPECT_EQ(Close(4), DBS_OK);
  EXPECT_EQ(dbs_GetDBSize(nullptr, 4), DBS_ERR_INVALID_DATABASE);
  EXPECT_EQ(Open(dir.File("4.ZP1"), h), DBS_OK);
  EXPECT_EQ(h, 4);
}

TEST_F(FilesTest, HandlesOfNoOpenDatabaseAreRefused) {
  Str name(u"x");
  TConfigurationRecord c{};
  std::uint32_t size = 0;
  for (DbsHandle h : {-1, 0, 9, 10, 0x10000}) {
    EXPECT_EQ(dbs_CloseFile(h), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(dbs_GetDBSize(&size, h), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(dbs_GetConfig(&c, h), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(dbs_GetDatabaseName(name, h), DBS_ERR_INVALID_DATABASE);
    EXPECT_EQ(dbs_SaveFile(name, 0, &h), DBS_ERR_INVALID_DATABASE);
  }
}

TEST_F(FilesTest, SaveAsMovesTheDatabaseToAnIdenticalCopy) {
  const std::string path = dir.File("a.ZP3");
  DbsHandle h = CreateV3(path);
  const std::string copy = dir.File("b.ZP3");
  DbsHandle same = h;
  ASSERT_EQ(dbs_SaveFile(Str(copy), 0, &same), DBS_OK);
  EXPECT_EQ(same, h);
  Str name(std::u16string(300, u'#'));
  ASSERT_EQ(dbs_GetDatabaseName(name, h), DBS_OK);
  EXPECT_EQ(name.Text().substr(0, copy.size() + 1), std::u16string(copy.begin(), copy.end()) + u'\0');
  EXPECT_EQ(name.Text()[299], u'#');  // at most 256 units are written
  EXPECT_EQ(ReadAll(path), ReadAll(copy));
  DbsHandle other = -1;
  EXPECT_EQ(Open(path, other), DBS_OK);  // the old file is free again
  EXPECT_EQ(Open(copy, other), DBS_SYS_SHARING_VIOLATION);
}

TEST_F(FilesTest, FailedSaveAsKeepsTheDatabaseOpenOnItsFile) {
  const std::string path = dir.File("a.ZP3");
  DbsHandle h = CreateV3(path);
  const std::string taken = ClosedV3("taken.ZP3");
  const auto takenBytes = ReadAll(taken);
  std::string upper = path;
  upper.replace(upper.size() - 5, 1, "A");
  EXPECT_EQ(dbs_SaveFile(Str(upper), -1, &h), DBS_SYS_SHARING_VIOLATION);
  EXPECT_EQ(dbs_SaveFile(Str(taken), 0, &h), DBS_SYS_FILE_EXISTS);
  EXPECT_EQ(dbs_SaveFile(Str(dir.File("no/where.ZP3")), 0, &h), DBS_SYS_PATH_NOT_FOUND);
  {
    test::FileSizeLimit limit(1 << 20);
    EXPECT_EQ(dbs_SaveFile(Str(dir.File("big.ZP3")), 0, &h), DBS_SYS_DISK_FULL);
  }
  EXPECT_FALSE(fs::exists(dir.File("big.ZP3")));
  EXPECT_EQ(ReadAll(taken), takenBytes);
  Str name(std::u16string(256, u' '));
  ASSERT_EQ(dbs_GetDatabaseName(name, h), DBS_OK);
  EXPECT_EQ(name.Text().substr(0, path.size()), std::u16string(path.begin(), path.end()));
  DbsHandle second = -1;
  ASSERT_EQ(Open(taken, second), DBS_OK);
  DbsHandle again = h;
  EXPECT_EQ(dbs_SaveFile(Str(taken), -1, &again), DBS_SYS_SHARING_VIOLATION);  // open in another slot
  EXPECT_EQ(ReadAll(taken), takenBytes);
  EXPECT_EQ(Close(h), DBS_OK);
}

TEST_F(FilesTest, WriteTimeChangesOnlyWhenTheDatabaseWas) {
  const std::string path = ClosedV3("a.ZP3");
  struct timespec old = {1000000000, 0};
  const struct timespec times[2] = {old, old};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
  DbsHandle h = -1;
  ASSERT_EQ(Open(path, h), DBS_OK);
  ASSERT_EQ(Close(h), DBS_OK);
  EXPECT_TRUE(SameTime(WriteTimeOf(path), old));

  // A write through the library, even of the same bytes, renews it.
  ASSERT_EQ(Open(path, h), DBS_OK);
  Slot& slot = Slots()[h];
  slot.Checksums().UpdateRange(slot.db->layout.titlePos, 32);
  ASSERT_EQ(Close(h), DBS_OK);
  EXPECT_GT(WriteTimeOf(path).tv_sec, old.tv_sec);

  // Save as: an unchanged database's copy keeps the old file's time.
  utimensat(AT_FDCWD, path.c_str(), times, 0);
  ASSERT_EQ(Open(path, h), DBS_OK);
  DbsHandle same = h;
  ASSERT_EQ(dbs_SaveFile(Str(dir.File("b.ZP3")), 0, &same), DBS_OK);
  EXPECT_TRUE(SameTime(WriteTimeOf(dir.File("b.ZP3")), old));
  EXPECT_TRUE(SameTime(WriteTimeOf(path), old));
}

TEST_F(FilesTest, ReadOnlyOpenWorksAndKeepsOthersOut) {
  const std::string path = ClosedV3("a.ZP3");
  chmod(path.c_str(), 0444);
  DbsHandle h = -1;
  ASSERT_EQ(Open(path, h, 0), DBS_OK);
  EXPECT_EQ(Slots()[h].db->writable, 0u);
  std::uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, h), DBS_OK);
  DbsHandle other = -1;
  EXPECT_EQ(Open(path, other, 0), DBS_SYS_SHARING_VIOLATION);
  // A copy of a read-only database can be saved and stays read-only.
  DbsHandle same = h;
  ASSERT_EQ(dbs_SaveFile(Str(dir.File("b.ZP3")), 0, &same), DBS_OK);
  EXPECT_EQ(Slots()[h].db->writable, 0u);
}

TEST(LibraryUnload, ClosesWhatIsStillOpen) {
  test::TempDir dir;
  const std::string path = dir.File("a.ZP1");
  void* lib = dlopen(ZEPHRA_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  auto create = reinterpret_cast<decltype(&dbs_CreateFile)>(dlsym(lib, "dbs_CreateFile"));
  ASSERT_NE(create, nullptr);
  test::CallConfig call(test::EditorDefault(DBS_TYPE_V1, 384));
  DbsHandle h = -1;
  ASSERT_EQ(create(Str(path), &call.record, 0, &h), DBS_OK);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);  // held by the open database
  dlclose(lib);
  EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  close(fd);
}

}  // namespace
}  // namespace zephra
