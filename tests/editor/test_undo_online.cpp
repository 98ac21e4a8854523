// Undo and redo on-line: the session of the off-line test made against the
// controller simulator, whose memory then holds what the file downloads.
#include <QFile>

#include "../dbs/temp_dir.h"
#include "PCPortSetup.h"
#include "Transfer.h"
#include "sim/ctlsim.h"
#include "simulator_port.h"
#include "undo_session.h"

namespace {

using zephra::test::ReadBytes;
using zephra::test::UndoSession;

int Tool(const std::string& args) {
  return std::system((std::string(ZEPHRA_DB_PROGRAM) + " " + args + " > /dev/null 2>&1").c_str());
}

struct UndoOnlineTest : OnlineWindowTest {
  // The controller image of the open file as it stands (read through a copy:
  // the editor holds the file).
  std::vector<uint8_t> ImageOfOpenFile() {
    QFile::remove("copy.ZP3");
    EXPECT_TRUE(QFile::copy(form->Manager().DatabaseFileName, "copy.ZP3"));
    EXPECT_EQ(Tool("controller-image copy.ZP3 expected.bin"), 0);
    auto bytes = ReadBytes("expected.bin");
    bytes.resize(sim.ImageSize());
    return bytes;
  }
};

TEST_F(UndoOnlineTest, TheControllerFollowsEveryUndoAndRedo) {
  ASSERT_EQ(Tool("create Studio.ZP3 --format v3"), 0);
  const QString path = QDir::current().filePath("Studio.ZP3");
  UndoSession session{*form, ui, {}, {}};
  ASSERT_TRUE(form->Manager().OpenDatabaseFile(path, {2, 3, 4}));
  session.Prepare();
  form->ResetToEmpty();
  ASSERT_EQ(Tool("controller-image Studio.ZP3 memory.bin"), 0);
  ASSERT_TRUE(sim.Load(dir.File("memory.bin")));
  ASSERT_TRUE(form->Manager().OpenDatabaseFile(path, {2, 3, 4}));
  form->EnableAfterOpen();
  ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  session.states = {ReadBytes(session.File())};
  ASSERT_TRUE(SimImage() == ImageOfOpenFile());

  session.Run();
  ASSERT_GE(session.steps.size(), 30);
  ASSERT_TRUE(form->Online());
  EXPECT_TRUE(SimImage() == ImageOfOpenFile()) << "after the session";
  session.UndoAll();
  ASSERT_TRUE(ReadBytes(session.File()) == session.states.front());
  EXPECT_TRUE(form->Online());
  EXPECT_TRUE(SimImage() == ImageOfOpenFile()) << "after the last undo";
  session.RedoAll();
  EXPECT_TRUE(SimImage() == ImageOfOpenFile()) << "after the last redo";
  EXPECT_FALSE(ui.Kinds.contains("warning")) << ui.Messages.join('|').toStdString();
  // A full upload replaces the database, and its steps go with it.
  ui.Dialogs.enqueue([](QDialog&) { return int(QDialog::Accepted); });
  ASSERT_TRUE(form->ReadConfigCommand());
  EXPECT_FALSE(form->UndoAction->isEnabled());
  EXPECT_FALSE(form->RedoAction->isEnabled());
}

}  // namespace
