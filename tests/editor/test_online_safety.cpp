// On-line as an engineer works: live edits that reach the file opened, a
// search that can be cancelled, a mismatch that says what differs, questions
// whose default changes nothing, devices that can be told apart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>

#include "MainformCode.h"
#include "NamesDialogs.h"
#include "ResourceTree.h"
#include "Transfer.h"
#include "online_fixture.h"

namespace {

using namespace online_test;

struct OnlineSafetyTest : OnlineTest {
  // Renames a node of the tree as the in-place editor does.
  void Rename(const QString& node, const QString& name) {
    QTreeWidgetItem* item = form->Manager().FindNode(node);
    ASSERT_NE(item, nullptr) << node.toStdString();
    form->CommitRename(item, name);
  }
  // What a file holds, as the command-line tool prints it.
  QString Dump(const std::string& file) {
    EXPECT_EQ(Tool("dump " + file, dir.File("dump.json")), 0);
    QFile f(QString::fromStdString(dir.File("dump.json")));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
  }
  qsizetype Asked(const QString& text) const { return ui.Messages.count(text); }
  QString DetailOf(const QString& text) const { return ui.Details.value(ui.Messages.lastIndexOf(text)); }
  QString DefaultOf(const QString& text) const { return ui.Defaults.value(ui.Messages.lastIndexOf(text)); }
};

const QString kLiveQuestion = "CURR_SYS.ZP3 holds changes that Studio.ZP3 does not have.";

TEST_F(OnlineSafetyTest, LiveEditsAreSavedIntoTheOpenedFileOnGoingOffLine) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  // The status bar says where the edits go.
  EXPECT_TRUE(form->WorkingFileLabel()->isVisibleTo(form.get()));
  EXPECT_EQ(form->WorkingFileLabel()->text(), "On-line: working on CURR_SYS.ZP3, from Studio.ZP3");
  EXPECT_EQ(form->OriginFile(), QDir::current().filePath("Studio.ZP3"));
  EXPECT_FALSE(form->HasLiveChanges());
  Rename("Panel 1", "LIVE 1");
  EXPECT_TRUE(form->HasLiveChanges());
  EXPECT_TRUE(form->WorkingFileLabel()->text().endsWith("(changes not yet in Studio.ZP3)"));
  // Cancel (the escape button) stays on-line and keeps everything.
  EXPECT_TRUE(form->OnLineCommand());
  EXPECT_EQ(Asked(kLiveQuestion), 1);
  EXPECT_EQ(ui.Buttons.last(), "Save into Studio.ZP3|Save As...|Leave Them|Cancel");
  EXPECT_EQ(ui.Defaults.last(), "Save into Studio.ZP3");
  EXPECT_TRUE(Ci().OnlineStatus);
  // Saved into the opened file: the editor goes on with it, off-line.
  ui.Choices.enqueue(0);
  EXPECT_FALSE(form->OnLineCommand());
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_EQ(QFileInfo(form->Manager().DatabaseFileName).fileName(), "Studio.ZP3");
  EXPECT_FALSE(form->HasLiveChanges());
  EXPECT_FALSE(form->WorkingFileLabel()->isVisibleTo(form.get()));
  form->ResetToEmpty();
  EXPECT_TRUE(Dump("Studio.ZP3").contains("LIVE 1"));
  // Nothing more is asked once the changes are kept.
  EXPECT_EQ(Asked(kLiveQuestion), 2);
}

TEST_F(OnlineSafetyTest, ACancelledApplyTakesTheEditorOffLineAndSaysWhereTheLiveEditsAre) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  Rename("Panel 1", "LIVE 3");
  ui.Dialogs.enqueue(&DatabaseOnly);
  ui.Answers.enqueue(true);  // yes, cancel the download
  QTimer::singleShot(0, [&] {
    if (TTransferForm* transfer = Ci().TransferForm) transfer->btnCancel->click();
  });
  ui.Choices.enqueue(0);
  EXPECT_FALSE(form->ApplyConfigCommand());
  EXPECT_EQ(Asked(kLiveQuestion), 1) << ui.Messages.join('|').toStdString();
  EXPECT_TRUE(DetailOf(kLiveQuestion).contains("Before working on off-line"));
  EXPECT_FALSE(form->HasLiveChanges());
  form->ResetToEmpty();
  EXPECT_TRUE(Dump("Studio.ZP3").contains("LIVE 3"));
}

TEST_F(OnlineSafetyTest, QuittingWhileOnLineAsksAndLeavingThemKeepsTheOpenedFileAsItWas) {
  Open(Prepare());
  const auto opened = Read(dir.File("Studio.ZP3"));
  ASSERT_TRUE(form->OnLineCommand());
  Rename("Panel 2", "LIVE 2");
  EXPECT_FALSE(form->close());  // Cancel: the window stays, on-line
  EXPECT_TRUE(Ci().OnlineStatus);
  EXPECT_EQ(Asked(kLiveQuestion), 1);
  EXPECT_TRUE(DetailOf(kLiveQuestion).contains("quitting"));
  ui.Choices.enqueue(2);  // leave them in the working file
  EXPECT_TRUE(form->close());
  EXPECT_EQ(Read(dir.File("Studio.ZP3")), opened);
  EXPECT_TRUE(Dump("CURR_SYS.ZP3").contains("LIVE 2"));
}

TEST_F(OnlineSafetyTest, QuittingSavesIntoTheOpenedFileAndOpeningAnotherAsksFirst) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  Rename("UMD 1", "LIVE UMD");
  ui.Choices.enqueue(0);
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(Dump("Studio.ZP3").contains("LIVE UMD"));

  // A Read Config also gives the working file what the opened file lacks;
  // going off-line with Leave, then opening another file, asks again.
  form = std::make_unique<TMainForm>();
  Open(QDir::current().filePath("Studio.ZP3"));
  ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();  // the controller took the live edit
  ui.Dialogs.enqueue(&DatabaseOnly);
  ASSERT_TRUE(form->ReadConfigCommand());
  EXPECT_TRUE(form->HasLiveChanges());
  ui.Choices.enqueue(2);
  EXPECT_FALSE(form->OnLineCommand());
  EXPECT_TRUE(form->HasLiveChanges());
  EXPECT_EQ(form->WorkingFileLabel()->text(), "CURR_SYS.ZP3 holds changes not yet in Studio.ZP3");
  const qsizetype before = Asked(kLiveQuestion);
  form->OpenCommand();  // Cancel: the open dialog is not even shown
  EXPECT_EQ(Asked(kLiveQuestion), before + 1);
  EXPECT_EQ(QFileInfo(form->Manager().DatabaseFileName).fileName(), "CURR_SYS.ZP3");
  ui.Choices.enqueue(2);  // and left at the end
}

TEST_F(OnlineSafetyTest, AStepMadeOffLineAsksBeforeItIsUndoneOnLine) {
  Open(Prepare());
  Rename("Panel 3", "OFFLINE");  // made off-line: the controller never had it
  // The controller now differs: the file is applied to it.
  ui.Choices << 1 << 0;
  ui.Dialogs.enqueue(&DatabaseOnly);
  ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  ASSERT_TRUE(form->UndoAction->isEnabled());
  Rename("Panel 4", "ONLINE");
  // A step made on-line goes back without a word.
  const qsizetype before = ui.Messages.size();
  form->UndoCommand();
  EXPECT_EQ(ui.Messages.size(), before);
  EXPECT_TRUE(form->Manager().FindNode("Panel 4"));
  // The off-line one asks, and No (the default) leaves it.
  const QString question = "\"Rename Panel 3\" was made off-line. Undoing it now sends the change to the control frame.";
  form->UndoCommand();
  ASSERT_EQ(Asked(question), 1) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(DefaultOf(question), "No");
  EXPECT_TRUE(form->Manager().FindNode("OFFLINE"));
  ui.Answers.enqueue(true);
  form->UndoCommand();
  EXPECT_TRUE(form->Manager().FindNode("Panel 3"));
  EXPECT_TRUE(Ci().OnlineStatus);
  EXPECT_EQ(SimImage(), ImageOf("Studio.ZP3"));  // the controller followed: it holds the file as opened
  ui.Choices.enqueue(2);
}

TEST_F(OnlineSafetyTest, ASearchIsCancelledAtOnceAndTheWindowKeepsWorkingMeanwhile) {
  Open(Prepare());
  sim.AddFault({ctlsim::Fault::Kind::Silent, 0x2D, 0, 1000});  // a controller that never answers
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(50);
  std::chrono::steady_clock::time_point clicked;
  QString port, speed;
  QTimer::singleShot(600, [&] {
    TSearchForm* search = ActiveSearch();
    ASSERT_NE(search, nullptr);
    port = search->PortLabel->text();
    speed = search->SpeedLabel->text();
    clicked = std::chrono::steady_clock::now();
    search->CancelButton->click();
  });
  EXPECT_FALSE(form->OnLineCommand());
  const auto took = std::chrono::steady_clock::now() - clicked;
  EXPECT_LT(took, std::chrono::seconds(1));
  EXPECT_GE(ticks, 6);  // events went on being handled during the search
  EXPECT_EQ(port, "Port: " + QString::fromStdString(sim.PortPath()));
  EXPECT_EQ(speed, "Trying 38400 baud");
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();  // nothing to tell
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_EQ(ActiveSearch(), nullptr);
  // The controller was not found: the next attempt asks for the port again,
  // then finds the controller once it answers.
  EXPECT_TRUE(AsksForThePortAgain());
  sim.ClearFaults();
  PortSetup().LastOnlineStatus = DBS_OK;
  EXPECT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
}

// A whole search at the link's own time limits (about 25 s).
TEST_F(OnlineSafetyTest, ASearchThatFindsNothingSaysWhereItLookedAndWhatToCheck) {
  Open(Prepare());
  sim.AddFault({ctlsim::Fault::Kind::Silent, 0x2D, 0, 1000});
  EXPECT_FALSE(form->OnLineCommand());
  const QString comms = "Communications error with the control frame";
  ASSERT_EQ(Asked(comms), 1) << ui.Messages.join('|').toStdString();
  const QString detail = DetailOf(comms);
  EXPECT_TRUE(detail.startsWith(QString("Port: %1\nSpeeds tried: 38400, 19200, 9600 baud\n")
                                    .arg(QString::fromStdString(sim.PortPath()))))
      << detail.toStdString();
  EXPECT_TRUE(detail.contains("Check that the control frame is powered"));
  // A port's name and the device it opens.
  EXPECT_EQ(PortDescription("COM2"), "COM2 (/dev/ttyS1)");
  EXPECT_EQ(PortDescription("ttyUSB0"), "ttyUSB0 (/dev/ttyUSB0)");
  // The next attempt asks for the port again.
  EXPECT_TRUE(AsksForThePortAgain());
}

TEST_F(OnlineSafetyTest, AMismatchSaysWhatTheControllerHoldsAndComparesFromTheQuestion) {
  // The controller holds two levels of 64 x 48; the file the default four.
  MakeTwoLevelDatabase("Other.ZP3");
  Open(Prepare("Other.ZP3"));
  int compared = 0;
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto* compare = dynamic_cast<TCompareForm*>(&d);
    EXPECT_NE(compare, nullptr);
    if (compare) compared = static_cast<int>(compare->Differences().size());
    return int(QDialog::Rejected);
  });
  ui.Choices << 2 << 1 << 1;  // Compare..., then No and No
  EXPECT_FALSE(form->OnLineCommand());
  const QString mismatch = "Database mismatch, checksum error";
  ASSERT_EQ(Asked(mismatch), 1);
  EXPECT_EQ(ui.Kinds.value(ui.Messages.indexOf(mismatch)), "information");  // the normal first time, no alarm
  const QString held = DetailOf(mismatch);
  EXPECT_TRUE(held.contains("Control frame: Zephra V3 (ZP3) database ZP300.00, 2 levels: 64 x 48, 64 x 48"))
      << held.toStdString();
  EXPECT_TRUE(held.contains("This file: Studio.ZP3, 4 levels")) << held.toStdString();
  EXPECT_TRUE(held.contains("blocks differ: ")) << held.toStdString();
  // The read question came back after the comparison; each says what it
  // overwrites, and No is the default.
  const QString read = "Do you want to read the database from the control frame ?";
  const QString apply = "Do you want to apply this database to the control frame ?";
  EXPECT_EQ(Asked(read), 2);
  EXPECT_GT(compared, 0);
  EXPECT_TRUE(DetailOf(read).startsWith(held));
  EXPECT_TRUE(DetailOf(read).contains("Studio.ZP3 stays as it is"));
  EXPECT_TRUE(DetailOf(apply).contains("Yes overwrites the control frame's configuration with Studio.ZP3's"));
  EXPECT_EQ(DefaultOf(read), "No");
  EXPECT_EQ(DefaultOf(apply), "No");
  EXPECT_EQ(ui.Buttons.value(ui.Messages.lastIndexOf(read)), "Yes|No|Compare...");
  EXPECT_FALSE(Ci().OnlineStatus);
}

TEST_F(OnlineSafetyTest, AControllerOfAnotherFormatSaysWhatItHolds) {
  Open(Prepare());
  ctlsim::Simulator v2{DBS_TYPE_V2};
  ASSERT_TRUE(v2.Start());
  PortSetup().PortName = QString::fromStdString(v2.PortPath());
  EXPECT_FALSE(form->OnLineCommand());
  const QString wrong = "Wrong Database Version - Controller is not Zephra V3";
  ASSERT_EQ(Asked(wrong), 1) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(DetailOf(wrong),
            "The control frame holds a Zephra V2 (ZP2) database. Open or convert a file of that format to go on-line "
            "with it.");
  EXPECT_FALSE(Ci().OnlineStatus);
  v2.Stop();
}

TEST_F(OnlineSafetyTest, QuestionsDefaultToWhatChangesNothingAndProgressSaysWhatMoves) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  const QString clear = "This will clear out all crosspoint protects in the Zephra Control Frame! Continue?";
  form->ClearProtectsCommand();
  EXPECT_EQ(DefaultOf(clear), "Cancel");
  // The components dialog: Enter cancels; then the transfer's own window.
  bool cancelIsDefault = false;
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto* box = d.findChild<QDialogButtonBox*>();
    cancelIsDefault = box && box->button(QDialogButtonBox::Cancel)->isDefault() &&
                      !box->button(QDialogButtonBox::Ok)->isDefault();
    return int(QDialog::Accepted);
  });
  QString what, action;
  ui.Answers.enqueue(true);  // yes, cancel
  QTimer::singleShot(0, [&] {
    if (TTransferForm* transfer = Ci().TransferForm) {
      what = transfer->WhatLabel->text();
      action = transfer->Label1->text();
      transfer->btnCancel->click();
    }
  });
  EXPECT_FALSE(form->ApplyConfigCommand());
  EXPECT_TRUE(cancelIsDefault);
  EXPECT_EQ(action, "Applying Configuration");
  EXPECT_EQ(what, "From CURR_SYS.ZP3 to the control frame: the database.");
  const QString cancel = "Cancelling download may corrupt the controller database. Confirm cancel?";
  EXPECT_EQ(DefaultOf(cancel), "No");
  EXPECT_TRUE(DetailOf("Download cancelled.").contains("Apply Config")) << DetailOf("Download cancelled.").toStdString();
  // A file replaced by Save As.
  QFile("Other.ZP3").open(QIODevice::WriteOnly);
  ui.FileNames.enqueue(QDir::current().filePath("Other.ZP3"));
  form->SaveAsCommand();
  EXPECT_EQ(DefaultOf("Other.ZP3 already exists. Do you want to replace it?"), "No");
  EXPECT_EQ(QFile("Other.ZP3").size(), 0);  // No: left as it was
  // The time left is guessed from the progress so far.
  EXPECT_EQ(TTransferForm::TimeText(500, 1, 10), "Elapsed 0:01");
  EXPECT_EQ(TTransferForm::TimeText(42000, 4, 10), "Elapsed 0:42, about 1:03 left");
}

TEST_F(OnlineSafetyTest, DevicesNamedAlikeAreToldApartAndAnUploadSaysWhatItRenamed) {
  Open(Prepare());
  form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("Panel 2")), form->Manager().FindNode("RS485-1"));
  Rename("Panel 2", "Panel 1");
  QTreeWidgetItem* storeroom = form->Manager().FindNode("Storeroom");
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-1");
  ASSERT_EQ(port->childCount(), 1);
  const QModelIndex placed = form->Tree()->indexFromItem(port->child(0));
  QModelIndex stored;
  for (int i = 0; i < storeroom->childCount(); ++i) {
    if (storeroom->child(i)->text(0) == "Panel 1") stored = form->Tree()->indexFromItem(storeroom->child(i));
  }
  EXPECT_EQ(TRenameDelegate::Identity(placed), "no. 2, address 1");
  EXPECT_EQ(TRenameDelegate::Identity(stored), "no. 1");
  EXPECT_EQ(TRenameDelegate::Identity(form->Tree()->indexFromItem(form->Manager().FindNode("RS485-1"))), "");
  // The list beside the tree shows the same.
  form->Tree()->setCurrentItem(port);
  ASSERT_EQ(form->List()->count(), 1);
  EXPECT_EQ(TRenameDelegate::Identity(form->List()->model()->index(0, 0)), "no. 2, address 1");

  // A Read Config brings back the controller's names: the status bar lists
  // what changed.
  ui.Choices.enqueue(0);
  ui.Dialogs.enqueue(&DatabaseOnly);
  ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  EXPECT_EQ(form->statusBar()->currentMessage(), "Renamed by the control frame: Panel no. 2 \"Panel 1\" is now \"Panel 2\"");
  ui.Choices.enqueue(2);
}

}  // namespace
