// The editor on-line: the real window, the real libzephra.so and libtolvex.so,
// and a controller simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "../dbs/temp_dir.h"
#include "MainformCode.h"
#include "PCPortSetup.h"
#include "SelectorForm.h"
#include "Transfer.h"
#include "WizardForms.h"
#include "forms/PortResourceForm.h"
#include "model/DefaultConfiguration.h"
#include "scripted_ui.h"
#include "online_fixture.h"
#include "sim/ctlsim.h"
#include "simulator_port.h"

namespace {

using namespace online_test;

TEST_F(OnlineTest, AControllerThatHoldsTheFileAgreesAndTheEditorWorksOnItsWorkingFile) {
  Open(Prepare());
  EXPECT_TRUE(form->OnLineCommand());
  EXPECT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  EXPECT_TRUE(Ci().OnlineStatus);
  EXPECT_TRUE(form->OnLineAction->isChecked());
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - OnLine      CURR_SYS.ZP3");
  EXPECT_TRUE(QFileInfo::exists("CURR_SYS.ZP3"));
  for (QAction* a : {form->ReadConfigAction, form->ApplyConfigAction, form->ClearProtectsAction}) {
    EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
  }
  for (QAction* a : {form->NewAction, form->SaveAsAction, form->ReconfigureAction, form->ConvertMenuAction,
                     form->ComPortAction}) {
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
  }
  // Off-line again: the same action, its state the library's.
  EXPECT_FALSE(form->OnLineCommand());
  EXPECT_FALSE(form->OnLineAction->isChecked());
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      CURR_SYS.ZP3");
  EXPECT_TRUE(form->NewAction->isEnabled());
}

TEST_F(OnlineTest, AMismatchReadFromTheControllerRebuildsTheTree) {
  // The controller holds a database of two levels of 64 sources.
  MakeTwoLevelDatabase("Other.ZP3");
  Open(Prepare("Other.ZP3"));
  const auto studio = Read(dir.File("Studio.ZP3"));
  // A form open on the old tree is closed before the tree is rebuilt.
  form->Tree()->setCurrentItem(form->Manager().FindNode("RS485-1"));
  form->PropertiesCommand();
  ASSERT_EQ(form->Manager().OpenFormCount(), 1);
  ui.Choices.enqueue(0);  // Yes: read the database from the controller
  ui.Dialogs.enqueue(&DatabaseOnly);
  EXPECT_TRUE(form->OnLineCommand());
  EXPECT_EQ(form->Manager().OpenFormCount(), 0);
  EXPECT_EQ(ui.Messages.first(), "Database mismatch, checksum error");
  EXPECT_TRUE(ui.Messages.contains("Database components read from control frame"));
  QStringList levels;
  QTreeWidgetItem* configuration = form->Manager().FindNode("Zephra Configuration");
  for (int i = 0; configuration && i < configuration->childCount(); ++i) levels << configuration->child(i)->text(0);
  EXPECT_EQ(levels.filter(QRegularExpression("^Level")).size(), 2) << levels.join('|').toStdString();
  TLibString name(QString(16, ' '));
  TConfigurationRecord config{};
  config.name = name;
  ASSERT_TRUE(Ci().GetConfig(config, Ci().FileHandle));
  EXPECT_EQ(config.sourceCount[0][0], 64);
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - OnLine      CURR_SYS.ZP3");
  // The user's own file was not touched: the working file took the upload.
  EXPECT_EQ(Read(dir.File("Studio.ZP3")), studio);
}

TEST_F(OnlineTest, AMismatchAppliedToTheControllerLeavesItHoldingTheImage) {
  Open(Prepare());
  sim.SetMemory(0x100, {0x55});  // the controller differs from the file
  ui.Choices << 1 << 0;  // not read: apply
  ui.Dialogs.enqueue(&DatabaseOnly);
  EXPECT_TRUE(form->OnLineCommand());
  EXPECT_TRUE(ui.Messages.contains("The database components have been transferred"));
  EXPECT_TRUE(form->OnLineAction->isChecked());
  EXPECT_FALSE(form->OnLineCommand());
  form->ResetToEmpty();  // closes the working file
  EXPECT_EQ(SimImage(), ImageOf("CURR_SYS.ZP3"));
}

TEST_F(OnlineTest, AMismatchNeitherReadNorAppliedEndsOffLineWithOneMessage) {
  Open(Prepare());
  sim.SetMemory(0x100, {0x55});
  ui.Choices << 1 << 1;
  EXPECT_FALSE(form->OnLineCommand());
  EXPECT_EQ(ui.Messages.count("Database mismatch, checksum error"), 1);
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_FALSE(form->OnLineAction->isChecked());
  // The library is off-line too: the controller can be asked its type.
  uint16_t type = 0;
  EXPECT_EQ(ProcessInterface().QueryControllerType(PortSetup().PortName, PortSetup().PortSettings, type), DBS_OK);
  EXPECT_EQ(type, DBS_TYPE_V3);
}

TEST_F(OnlineTest, ACancelledDownloadEndsOffLineAndTheNextAttemptWorks) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  ui.Dialogs.enqueue(&DatabaseOnly);
  ui.Answers.enqueue(true);  // yes, cancel
  bool clicked = false;
  QTimer::singleShot(0, [&] {
    if (TTransferForm* transfer = Ci().TransferForm) {
      EXPECT_EQ(transfer->Label1->text(), "Applying Configuration");
      transfer->btnCancel->click();
      clicked = true;
    }
  });
  EXPECT_FALSE(form->ApplyConfigCommand());
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(ui.Messages.contains("Cancelling download may corrupt the controller database. Confirm cancel?"));
  EXPECT_TRUE(ui.Messages.contains("Download cancelled."));
  EXPECT_FALSE(ui.Messages.contains("The database components have been transferred"));
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_FALSE(form->OnLineAction->isChecked());
  EXPECT_EQ(Ci().TransferForm, nullptr);
  // The link was let go cleanly: the next attempt finds the controller again.
  EXPECT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  EXPECT_TRUE(Ci().OnlineStatus);
}

TEST_F(OnlineTest, ClearProtectsClearsTheControllersProtects) {
  Open(Prepare());
  sim.Protect(0, 0, 3);
  form->ClearProtectsCommand();
  EXPECT_EQ(ui.Messages.last(), "Protects can only be cleared when the system is on-line.");
  ASSERT_TRUE(form->OnLineCommand());
  ui.Answers.enqueue(false);
  form->ClearProtectsCommand();
  EXPECT_EQ(ui.Kinds.last(), "warning-ok-cancel");
  EXPECT_TRUE(sim.Protected(0, 0, 3));
  ui.Answers.enqueue(true);
  form->ClearProtectsCommand();
  EXPECT_FALSE(sim.Protected(0, 0, 3));
}

TEST_F(OnlineTest, TheProductInformationTellsWhatTheControllerSays) {
  Open(Prepare());
  QStringList offline = ProductInformation(Ci());
  ASSERT_GE(offline.size(), 7);
  EXPECT_EQ(offline[0], "Zephra Editor");
  EXPECT_EQ(offline[1], "Version: 0.1.0.0");
  EXPECT_TRUE(offline[2].startsWith("Zephra DLL Version 3.00 17/07/2007")) << offline[2].toStdString();
  EXPECT_TRUE(offline[3].startsWith("Tolvex DLL Version ")) << offline[3].toStdString();
  EXPECT_EQ(offline[4], "Zephra Controller Off-Line");
  EXPECT_EQ(offline.mid(5), (QStringList{"", "", ""}));
  ASSERT_TRUE(form->OnLineCommand());
  sim.SetDualStatus(1, 0);
  const QStringList online = ProductInformation(Ci());
  EXPECT_EQ(online.mid(4), (QStringList{"Zephra Controller BOOT 1.02", "Zephra Controller MAIN 4.21",
                                        "Zephra Controller ZEPHRA OEM",
                                        "Controller Status: SLAVE Active, MASTER Running OK"}));
  sim.SetDualStatus(0, 1);
  EXPECT_EQ(ProductInformation(Ci()).last(), "Controller Status: MASTER Active, SLAVE Missing/Faulty");
  // The About command shows them in a dialog.
  QStringList shown;
  ui.Dialogs.enqueue([&](QDialog& d) {
    shown = static_cast<TAboutBox&>(d).Lines();
    return QDialog::Accepted;
  });
  form->AboutCommand();
  EXPECT_EQ(shown.value(0), "Zephra Editor");
}

TEST_F(OnlineTest, APortIsChosenFromTheListOrTyped) {
  TPCPortSetupManager& port = PortSetup();
  port.Chosen = false;
  port.ListPorts();  // the system has none
  QStringList offered;
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto& selector = static_cast<TSelectorForm&>(d);
    for (int i = 0; i < selector.List->count(); ++i) offered << selector.List->item(i)->text();
    EXPECT_EQ(selector.FreeText->text(), "COM1");
    QTest::mouseClick(selector.FreeText, Qt::LeftButton);  // the list lets go of its choice
    selector.FreeText->setText(QString::fromStdString(sim.PortPath()));
    selector.OkButton->click();
    return selector.result();
  });
  ui.Dialogs.enqueue([&](QDialog& d) {
    auto& settings = static_cast<TPCPortForm&>(d);
    EXPECT_EQ(settings.BaudRateCombo->currentText(), "38400");
    EXPECT_FALSE(settings.ParityCombo->isEnabled());
    return QDialog::Accepted;
  });
  form->ComPortCommand();
  EXPECT_EQ(offered, (QStringList{"COM1", "COM2", "COM3", "COM4"}));
  EXPECT_TRUE(port.Chosen);
  EXPECT_EQ(port.PortName, QString::fromStdString(sim.PortPath()));
  EXPECT_EQ(port.PortSettings.baudRate, 38400);
  EXPECT_EQ(port.PortSettings.stopBits, 2);
  EXPECT_EQ(port.PortSettings.dataBits, 8);
  // The typed port is the one the editor goes on-line through.
  Open(Prepare());
  EXPECT_TRUE(form->OnLineCommand());
  // A port that is not there: the port message, and the next attempt asks again.
  EXPECT_FALSE(form->OnLineCommand());
  port.PortName = QDir::current().filePath("no-such-port");
  EXPECT_FALSE(form->OnLineCommand());
  EXPECT_EQ(ui.Messages.last(), "Communications error with the control frame or com port not available");
  EXPECT_EQ(ui.Messages.count("File not found"), 0);
  EXPECT_TRUE(AsksForThePortAgain());
}

TEST(SelectorForm, OkWaitsForAnAnswerWhenTheListIsEmpty) {
  TScriptedUi ui;
  TSelectorForm selector("Com Port Selection", {}, 8, nullptr, "COM1", "Select a serial port");
  EXPECT_FALSE(selector.OkButton->isEnabled());
  QTest::mouseClick(selector.FreeText, Qt::LeftButton);
  ASSERT_TRUE(selector.OkButton->isEnabled());
  selector.FreeText->setText("COM123456789");
  selector.OkButton->click();
  EXPECT_EQ(selector.result(), QDialog::Accepted);
  EXPECT_EQ(selector.Answer(), "COM12345");
}

TEST_F(OnlineTest, TheWizardAsksTheControllerForItsType) {
  TLibString name(QString(16, ' '));
  TConfigurationRecord record{};
  record.name = name;
  zephra::editor::FillDefaultConfig(record, DBS_TYPE_V1);
  TCreationWizardForms wizard(record, TCreationWizardForms::Mode::Creation);
  wizard.Next();
  ui.Answers.enqueue(true);  // the format question: yes, ask the controller
  wizard.Next();
  EXPECT_EQ(wizard.CurrentPage(), TCreationWizardForms::General);  // the choice stays the user's
  EXPECT_EQ(ui.Messages.last(), "Controller version is Zephra V3 - ZP3 format database required");
  EXPECT_EQ(wizard.ControllerQueryStatus(), DBS_OK);
  // Enter on the format question does not start a search.
  EXPECT_EQ(ui.Defaults.value(ui.Messages.size() - 2), "No");
  wizard.CheckControllerButton()->click();
  EXPECT_EQ(ui.Messages.count("Controller version is Zephra V3 - ZP3 format database required"), 2);
  // The search can be cancelled there too: nothing is said, no type taken.
  sim.AddFault({ctlsim::Fault::Kind::Silent, 0x2D, 0, 1000});
  QTimer::singleShot(300, [] {
    if (TSearchForm* search = ActiveSearch()) search->CancelButton->click();
  });
  const qsizetype said = ui.Messages.size();
  wizard.CheckControllerButton()->click();
  EXPECT_EQ(ui.Messages.size(), said) << ui.Messages.join('|').toStdString();
  EXPECT_NE(wizard.ControllerQueryStatus(), DBS_OK);
  EXPECT_TRUE(ProcessInterface().SearchCancelled);
}

// Whether the library has let the controller's port go: another query can
// take it.
bool PortFree() {
  uint16_t type = 0;
  TCommonInterface& ci = ProcessInterface();
  const bool shown = ci.ShowErrors;
  ci.ShowErrors = false;
  const DbsStatus status = ci.QueryControllerType(PortSetup().PortName, PortSetup().PortSettings, type);
  ci.ShowErrors = shown;
  return status == DBS_OK;
}

TEST_F(OnlineTest, OpenWhileOnLineGoesOffLineOnYesEvenWhenNoFileIsChosen) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  form->OpenCommand();  // No
  EXPECT_EQ(ui.Messages.last(), "Opening a new file will force the system offline. Do you want to continue?");
  EXPECT_EQ(ui.Kinds.last(), "warning-yes-no");
  EXPECT_TRUE(form->Online());
  EXPECT_TRUE(Ci().OnlineStatus);
  ui.Answers.enqueue(true);
  form->OpenCommand();  // Yes, and the open dialog is cancelled
  EXPECT_FALSE(form->Online());
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_FALSE(form->OnLineAction->isChecked());
  EXPECT_FALSE(form->ReadConfigAction->isEnabled());
  EXPECT_TRUE(form->NewAction->isEnabled());
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      CURR_SYS.ZP3");
  EXPECT_TRUE(PortFree());
  // The working file stays open, off-line: the toggle takes it on-line again.
  EXPECT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
}

TEST_F(OnlineTest, OpenWhileOnLineWithAFileChosenOpensItOffLine) {
  Open(Prepare());
  ASSERT_EQ(Tool("create Other.ZP3 --format v3"), 0);
  ASSERT_TRUE(form->OnLineCommand());
  const auto working = Read(dir.File("CURR_SYS.ZP3"));
  ui.Answers.enqueue(true);
  ui.FileNames.enqueue(QDir::current().filePath("Other.ZP3"));
  form->OpenCommand();
  EXPECT_FALSE(form->Online());
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_FALSE(form->OnLineAction->isChecked());
  EXPECT_FALSE(form->ReadConfigAction->isEnabled());
  EXPECT_EQ(form->windowTitle(), "Zephra Editor - Offline      Other.ZP3");
  EXPECT_TRUE(PortFree());
  // Nothing reads the controller into the working file now.
  ui.Dialogs.enqueue(&DatabaseOnly);
  EXPECT_FALSE(form->ReadConfigCommand());
  EXPECT_EQ(Read(dir.File("CURR_SYS.ZP3")), working);
  EXPECT_EQ(form->Manager().DatabaseFileName, QDir::current().filePath("Other.ZP3"));
}

TEST_F(OnlineTest, ACancelledComponentsDialogChangesNothing) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  const auto working = Read(dir.File("CURR_SYS.ZP3"));
  for (bool download : {false, true}) {
    SCOPED_TRACE(download ? "apply" : "read");
    const qsizetype before = ui.Messages.size();
    EXPECT_TRUE(download ? form->ApplyConfigCommand() : form->ReadConfigCommand());  // the dialog is cancelled
    EXPECT_EQ(ui.Messages.size(), before);
    EXPECT_TRUE(form->Online());
    EXPECT_TRUE(Ci().OnlineStatus);
    EXPECT_TRUE(form->OnLineAction->isChecked());
    EXPECT_EQ(form->windowTitle(), "Zephra Editor - OnLine      CURR_SYS.ZP3");
    // The library is still on-line: the controller answers through it.
    QString boot, main, oem;
    EXPECT_EQ(Ci().Get_Firmware_Version(boot, main, oem, Ci().FileHandle), DBS_OK);
  }
  EXPECT_EQ(Read(dir.File("CURR_SYS.ZP3")), working);
  EXPECT_FALSE(form->OnLineCommand());
  // After a mismatch the difference stays unsettled: the editor ends off-line.
  sim.SetMemory(0x100, {0x55});
  ui.Choices.enqueue(0);  // read the database from the controller, then cancel its components
  EXPECT_FALSE(form->OnLineCommand());
  EXPECT_FALSE(Ci().OnlineStatus);
  EXPECT_TRUE(PortFree());
  EXPECT_EQ(Read(dir.File("CURR_SYS.ZP3")), working);
}

TEST_F(OnlineTest, APortThatRefusesTheSpeedSaysSo) {
  Open(Prepare());
  PortSetup().PortSettings.baudRate = 12345;
  EXPECT_FALSE(form->OnLineCommand());
  ASSERT_FALSE(ui.Messages.isEmpty());
  const QString said = ui.Messages.last() + "\n" + ui.Details.last();
  EXPECT_TRUE(said.contains(QString::fromStdString(sim.PortPath()))) << said.toStdString();
  EXPECT_TRUE(said.contains("12345")) << said.toStdString();
  EXPECT_FALSE(ui.Notices.contains("Data is still being transferred to the control frame.\nPlease wait."));
  EXPECT_FALSE(form->Online());
  // The next attempt asks for the port and its settings again.
  EXPECT_TRUE(AsksForThePortAgain());
}

TEST_F(OnlineTest, AFirmwareQueryThatFailsOnTheLineLeavesTheControllerLinesEmpty) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand());
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x29, 0, 5});  // the controller refuses the firmware query
  const QStringList lines = ProductInformation(Ci());
  ASSERT_GE(lines.size(), 8);
  EXPECT_EQ(lines.mid(4, 3), (QStringList{"", "", ""})) << lines.join('|').toStdString();
  EXPECT_EQ(lines.value(7), "Controller Status: MASTER Active, SLAVE Running OK");
}

// The port form of a node, opened as Properties opens it.
TPortForm* OpenPort(TMainForm& form, const QString& port) {
  form.Tree()->setCurrentItem(form.Manager().FindNode(port));
  form.PropertiesCommand();
  auto* resource = TDatabaseManager::ResourceOf(form.Manager().FindNode(port));
  return qobject_cast<TPortForm*>(resource->EditorForm.data());
}

TEST_F(OnlineTest, APortWrittenButNotSentStillSendsItsDevicesToTheStoreroom) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-1");
  QTreeWidgetItem* storeroom = form->Manager().FindNode("Storeroom");
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("Panel 1")), port));
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("UMD 1")), port));
  const int stored = storeroom->childCount();
  form->Tree()->setCurrentItem(port);
  ASSERT_EQ(form->List()->count(), 2);
  TPortForm* f = OpenPort(*form, "RS485-1");
  ASSERT_NE(f, nullptr);
  form->Tree()->setCurrentItem(port);
  const int i = f->ProtocolCombo->findText("General Switcher");
  f->ProtocolCombo->setCurrentIndex(i);
  emit f->ProtocolCombo->activated(i);
  // The controller refuses the port's new record; the file has taken it.
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 5});
  ui.Answers << true << true;  // the devices go to the Storeroom: yes; reset the controller: yes
  f->ApplyButton()->click();
  EXPECT_TRUE(ui.Messages.contains("This will reset the controller. Do you want to continue?"));
  TGeneralPortRecord back{};
  ASSERT_TRUE(Ci().GetGeneralPort(1, back, Ci().FileHandle));
  EXPECT_EQ(back.protocol, 2);
  EXPECT_EQ(port->childCount(), 0) << ui.Messages.join('|').toStdString();
  uint16_t p = 0, address = 0;
  ASSERT_TRUE(Ci().GetPanelPort(0, p, address, Ci().FileHandle));
  EXPECT_EQ(p, 0xFFFF);
  ASSERT_TRUE(Ci().GetUMDPort(0, p, address, Ci().FileHandle));
  EXPECT_EQ(p, 0xFFFF);
  EXPECT_EQ(storeroom->childCount(), stored + 2);
  // The list beside the tree shows what the port holds now.
  EXPECT_EQ(form->Tree()->currentItem(), port);
  EXPECT_EQ(form->List()->count(), 0);
  f->CancelButton()->click();
}

// A live update the controller refuses: the link reports the failure while
// the library call runs, and the call answers it too; the user is told once,
// by a call of the interface as by a change made in the window.
TEST_F(OnlineTest, ARefusedLiveUpdateIsToldOnce) {
  Open(Prepare());
  ASSERT_TRUE(form->OnLineCommand()) << ui.Messages.join('|').toStdString();
  QTreeWidgetItem* port = form->Manager().FindNode("RS485-1");
  ASSERT_TRUE(form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("Panel 1")), port));
  ASSERT_TRUE(ui.Messages.isEmpty()) << ui.Messages.join('|').toStdString();
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 5});  // the next write, each time it is tried
  EXPECT_FALSE(Ci().SetPanelName(0, "DESK", Ci().FileHandle));
  QApplication::processEvents();
  EXPECT_EQ(ui.Messages.join('|').toStdString(), "Control frame timed out");
  sim.ClearFaults();
  sim.AddFault({ctlsim::Fault::Kind::Nak, 0x20, 0, 5});
  form->DropOn(TDatabaseManager::ResourceOf(form->Manager().FindNode("UMD 1")), port);
  QApplication::processEvents();
  EXPECT_EQ(ui.Messages.join('|').toStdString(), "Control frame timed out|Control frame timed out");
  sim.ClearFaults();
}

// The gateway with stand-ins for what the simulator cannot do.
struct FakeOnline {
  TLibraryApi saved = Library();
  static inline std::thread reporter;
  FakeOnline() {
    Library().OnLine = [](DbsString, const DbsPortSettings*, DbsErrorCallback report, DbsSearchStatusCallback,
                          int32_t, DbsHandle) -> DbsStatus {
      report(DBS_ERR_TRANSFER_BUSY);
      report(DBS_ERR_TRANSFER_BUSY);
      // A worker thread reports after the call has returned.
      reporter = std::thread([report] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        report(DBS_ERR_TIMEOUT);
      });
      return DBS_OK;
    };
    Library().OffLine = [](DbsHandle) -> DbsStatus { return DBS_OK; };
  }
  ~FakeOnline() {
    if (reporter.joinable()) reporter.join();
    Library() = saved;
  }
};

TEST_F(OnlineTest, TheBusyNoticeShowsOnceAndAWorkerThreadsReportArrivesOnTheGuiThread) {
  Open(Prepare());
  {
    FakeOnline fake;
    ASSERT_TRUE(form->OnLineCommand());
    EXPECT_EQ(ui.Notices.size(), 1);
    FakeOnline::reporter.join();
    EXPECT_FALSE(ui.Messages.contains("Control frame timed out"));  // not shown from the worker thread
    QTest::qWait(20);
    QApplication::processEvents();
    EXPECT_EQ(ui.Messages.count("Control frame timed out"), 1);
    EXPECT_FALSE(form->OnLineCommand());
  }
  EXPECT_EQ(ui.Notices.last(), "closed");
  EXPECT_EQ(ui.Messages.count("Data transfer is complete"), 1);
}

// A controller that drops the line in the middle of an upload.
TEST(OnlineProgram, ALineDroppedMidTransferIsReportedAndLeavesTheFileAsItWas) {
  zephra::test::TempDir dir;
  const QString saved = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir.Path().string()));
  TScriptedUi ui;
  ASSERT_EQ(Tool("create Studio.ZP3 --format v3"), 0);
  ASSERT_EQ(Tool("controller-image Studio.ZP3 memory.bin"), 0);
  const std::string link = dir.File("COM9");
  // The program, with a fault rule: after 100 reads the line goes.
  const std::string command = std::string(CTLSIM_PROGRAM) + " --no-pace --load memory.bin --link " + link +
                              " --fault 0x1F:close:100 > sim.out 2>&1 & echo $! > sim.pid";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (int i = 0; i < 100 && !QFileInfo::exists(QString::fromStdString(link)); ++i) QTest::qWait(20);
  PortSetup() = TPCPortSetupManager();
  PortSetup().PortName = QString::fromStdString(link);
  PortSetup().Chosen = true;
  std::vector<uint8_t> before;
  {
    TMainForm form;
    ASSERT_TRUE(form.Manager().OpenDatabaseFile(QDir::current().filePath("Studio.ZP3"), {2, 3, 4}));
    form.EnableAfterOpen();
    ASSERT_TRUE(form.OnLineCommand());  // the controller holds the file: on-line on CURR_SYS.ZP3
    before = Read(dir.File("CURR_SYS.ZP3"));
    ASSERT_FALSE(before.empty());
    ui.Dialogs.enqueue(&DatabaseOnly);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(form.ReadConfigCommand());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_TRUE(ui.Messages.contains("Communications error with the control frame") ||
                ui.Messages.contains("Control frame timed out"))
        << ui.Messages.join('|').toStdString();
    EXPECT_FALSE(form.OnLineAction->isChecked());
    EXPECT_FALSE(form.Manager().CommonInterface.OnlineStatus);
  }
  EXPECT_EQ(Read(dir.File("CURR_SYS.ZP3")), before);
  std::system("kill $(cat sim.pid) 2>/dev/null; sleep 0.2");
  PortSetup() = TPCPortSetupManager();
  QDir::setCurrent(saved);
}

}  // namespace
