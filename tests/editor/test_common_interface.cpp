#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "../dbs/temp_dir.h"
#include "CommonInterface.h"
#include "model/DefaultConfiguration.h"
#include "scripted_ui.h"

namespace {

TEST(ReportError, EveryStatusHasItsMessage) {
  TScriptedUi ui;
  TCommonInterface ci;
  EXPECT_EQ(TCommonInterface::MessageFor(2), "File not found");
  EXPECT_EQ(TCommonInterface::MessageFor(183), "The file already exists. Do you want to overwrite it ?");
  EXPECT_EQ(TCommonInterface::MessageFor(DBS_ERR_FILE_CORRUPT), "This database file is corrupt");
  EXPECT_EQ(TCommonInterface::MessageFor(DBS_ERR_CONTROLLER_NOT_V3),
            "Wrong Database Version - Controller is not Zephra V3");
  EXPECT_EQ(TCommonInterface::MessageFor(2000),
            "This file is used by the editor and cannot be overwritten. Please select another filename");
  // The library's statuses that the table names have their own text.
  for (DbsStatus status : {2u, 3u, 4u, 5u, 32u, 80u, 112u, 123u, 0x20000001u, 0x20000003u, 0x20000008u,
                           0x2000000cu, 0x20000014u, 0x20000017u, 0x20000018u, 0x20000030u}) {
    EXPECT_FALSE(TCommonInterface::MessageFor(status).startsWith("Unrecognised")) << status;
  }

  EXPECT_EQ(ci.ReportError(0x2000001F), 0x2000001Fu);
  EXPECT_EQ(ui.Messages.last(), "Unrecognised error code 536870943 returned from libzephra.so");
  ci.ShowErrors = false;
  ci.ReportError(2);
  EXPECT_EQ(ui.Messages.size(), 1);
  EXPECT_EQ(ci.LastError, 2u);
}

TEST(ReportError, TheBusyNoticeShowsOnce) {
  TScriptedUi ui;
  TCommonInterface ci;
  ci.ReportError(DBS_ERR_TRANSFER_BUSY);
  ci.ReportError(DBS_ERR_TRANSFER_BUSY);
  EXPECT_EQ(ui.Notices, QStringList{"Data is still being transferred to the control frame.\nPlease wait."});
  EXPECT_TRUE(ui.Messages.isEmpty());
}

TEST(FitName, PadsWithNulsOrCuts) {
  EXPECT_EQ(FitName("ABC", 8), QString("ABC") + QString(5, QChar(0)));
  EXPECT_EQ(FitName("ABCDEFGHIJ", 8), "ABCDEFGH");
  EXPECT_EQ(ShownName(FitName("ABC", 8)), "ABC");
}

struct CreateTest : ::testing::Test {
  zephra::test::TempDir dir;
  TScriptedUi ui;
  TCommonInterface ci;
  zephra::editor::DefaultConfiguration config{DBS_TYPE_V3};
  DbsHandle h = -1;
  void TearDown() override {
    if (ci.FileCount > 0) ci.CloseDatabase(h);
  }
};

TEST_F(CreateTest, OverAnExistingFileAsksFirst) {
  const QString name = QString::fromStdString(dir.File("a.ZP3"));
  QFile(name).open(QIODevice::WriteOnly);
  ui.Answers.enqueue(true);
  QString used = name;
  ASSERT_TRUE(ci.CreateDatabase(used, config.Record(), h));
  EXPECT_EQ(used, name);
  EXPECT_EQ(ci.FileCount, 1);
  EXPECT_EQ(ui.Messages, QStringList{"The file already exists. Do you want to overwrite it ?"});
  EXPECT_EQ(QFile(name).size(), 2261304);
}

TEST_F(CreateTest, NoAsksForAnotherName) {
  const QString name = QString::fromStdString(dir.File("a.ZP3"));
  const QString other = QString::fromStdString(dir.File("b.ZP3"));
  QFile(name).open(QIODevice::WriteOnly);
  ui.Answers.enqueue(false);
  ui.FileNames.enqueue(other);
  QString used = name;
  ASSERT_TRUE(ci.CreateDatabase(used, config.Record(), h));
  EXPECT_EQ(used, other);
  EXPECT_EQ(QFile(name).size(), 0);
}

TEST_F(CreateTest, TheScratchDatabaseIsNeverOverwritten) {
  const QString name = QString::fromStdString(dir.File("~TempDB"));
  QFile(name).open(QIODevice::WriteOnly);
  ui.Answers.enqueue(true);  // the answer does not count
  QString used = name;
  EXPECT_FALSE(ci.CreateDatabase(used, config.Record(), h));
  EXPECT_TRUE(ui.Messages.contains(TCommonInterface::MessageFor(2000)));
  EXPECT_EQ(QFile(name).size(), 0);
  EXPECT_EQ(ci.FileCount, 0);
}

TEST_F(CreateTest, TheOpenDatabaseClosesOnlyWhenTheNewOneCanBeMade) {
  QString first = QString::fromStdString(dir.File("first.ZP3"));
  ASSERT_TRUE(ci.CreateDatabase(first, config.Record(), h));
  const DbsHandle firstHandle = h;
  QString bad = QString::fromStdString(dir.File("no/such/folder.ZP3"));
  EXPECT_FALSE(ci.CreateDatabase(bad, config.Record(), h));
  EXPECT_EQ(ui.Messages.last(), "Path not found");
  uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, firstHandle), DBS_OK);  // still open
}

TEST_F(CreateTest, AFileAnotherProgramHoldsLeavesTheOpenDatabaseOpen) {
  QString first = QString::fromStdString(dir.File("first.ZP3"));
  ASSERT_TRUE(ci.CreateDatabase(first, config.Record(), h));
  const DbsHandle firstHandle = h;
  const std::string held = dir.File("held.ZP3");
  const int fd = ::open(held.c_str(), O_CREAT | O_RDWR, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  ui.Answers.enqueue(true);  // replace it
  QString target = QString::fromStdString(held);
  EXPECT_FALSE(ci.CreateDatabase(target, config.Record(), h));
  EXPECT_EQ(ui.Messages.last(), "The file is already in use");
  EXPECT_EQ(ci.FileCount, 1);
  uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, firstHandle), DBS_OK);  // still open
  h = firstHandle;
  ::close(fd);
}

// A library that answers "it existed" when it replaces a file.
DbsStatus CreateAnsweringExists(DbsString path, const TConfigurationRecord* config, int32_t overwrite, DbsHandle* h) {
  const DbsStatus s = dbs_CreateFile(path, config, overwrite, h);
  return s == DBS_OK && overwrite ? DbsStatus{DBS_SYS_ALREADY_EXISTS} : s;
}

TEST_F(CreateTest, AReplacedFileAnsweredAsExistingKeepsItsNewHandle) {
  const TLibraryApi saved = Library();
  Library().CreateFile = &CreateAnsweringExists;
  const QString name = QString::fromStdString(dir.File("a.ZP3"));
  QFile(name).open(QIODevice::WriteOnly);
  ui.Answers.enqueue(true);
  QString used = name;
  const bool made = ci.CreateDatabase(used, config.Record(), h);
  Library() = saved;
  ASSERT_TRUE(made);
  EXPECT_EQ(ci.FileCount, 1);
  EXPECT_EQ(ci.FileHandle, h);
  uint32_t size = 0;
  EXPECT_EQ(dbs_GetDBSize(&size, h), DBS_OK);
  EXPECT_EQ(ui.Messages, QStringList{"The file already exists. Do you want to overwrite it ?"});
}

TEST(UiService, TheBusyNoticeStaysUntilTheEditorClosesIt) {
  TQtUiService ui;
  ui.ShowNotice({"Data is still being transferred to the control frame.", "Please wait."});
  QDialog* notice = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) notice = d;
  }
  ASSERT_NE(notice, nullptr);
  QPointer<QDialog> alive(notice);
  QTest::keyClick(notice, Qt::Key_Escape);
  QApplication::processEvents();
  ASSERT_TRUE(alive);
  EXPECT_TRUE(notice->isVisible());
  ui.CloseNotice();
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(!alive || !alive->isVisible());
}

}  // namespace
