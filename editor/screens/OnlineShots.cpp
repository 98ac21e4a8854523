// Pictures of the on-line dialogs, the port and control-frame forms.
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>

#include "MainformCode.h"
#include "PCPortSetup.h"
#include "Resource.h"
#include "SelectorForm.h"
#include "Transfer.h"
#include "UiService.h"
#include "forms/ControlFrameForm.h"
#include "forms/PortResourceForm.h"
#include "screens/Screenshots.h"

void OnlineShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  {
    TSearchForm search("COM1", &window);
    search.ShowStage(0);
    search.ShowStage(38400);
    shots.Save(search, "online-1-search");
  }
  // A search that found nothing, and the mismatch with its questions.
  const auto box = [&](TUiService::Kind kind, const QString& text, const QString& detail, const QString& name) {
    std::unique_ptr<QMessageBox> b(MakeMessageBox(kind, text, QMessageBox::Ok, detail, &window));
    shots.Save(*b, name);
  };
  box(TUiService::Kind::Warning, TCommonInterface::MessageFor(DBS_ERR_COMMS),
      SearchFailureDetail("COM1", {38400, 19200, 9600}), "online-1-search-failed");
  const QString held =
      "Control frame: Zephra V3 (ZP3) database ZP300.00, 3 levels: 16 x 16, 16 x 16, 8 x 8\n"
      "This file: Demo.ZP3, 8 levels: 128 x 128, 128 x 128, 64 x 64, 64 x 64, 32 x 32, 32 x 32, 16 x 16, 16 x 16\n"
      "41 of the 512 blocks differ: source names, destination names, panels and UMDs, level sizes.";
  box(TUiService::Kind::Information, TCommonInterface::MessageFor(DBS_ERR_CHECKSUM_MISMATCH), held,
      "online-1-mismatch");
  {
    std::unique_ptr<QMessageBox> b(MakeChoiceBox(
        TUiService::Kind::Question, "Do you want to read the database from the control frame ?",
        held + "\n\nYes reads the control frame's database into CURR_SYS.ZP3, the file the editor works on while "
               "on-line; Demo.ZP3 stays as it is. No asks whether to apply Demo.ZP3 to the control frame instead.",
        {"Yes", "No", "Compare..."}, 1, 1, &window));
    shots.Save(*b, "online-1-mismatch-question");
  }
  {
    std::unique_ptr<QMessageBox> b(MakeChoiceBox(
        TUiService::Kind::Question, "CURR_SYS.ZP3 holds changes that Demo.ZP3 does not have.",
        "They were made while on-line or read from the control frame. Before going off-line, save them into "
        "/home/engineer/Demo.ZP3, save them under another name, or leave them in CURR_SYS.ZP3 only: the next "
        "on-line session replaces that file.",
        {"Save into Demo.ZP3", "Save As...", "Leave Them", "Cancel"}, 0, 3, &window));
    shots.Save(*b, "online-1-live-changes-question");
  }

  // The status bar while on-line, as the working file's word shows there.
  window.WorkingFileLabel()->setText("On-line: working on CURR_SYS.ZP3, from Demo.ZP3 (changes not yet in Demo.ZP3)");
  window.WorkingFileLabel()->show();
  shots.Save(window, "online-1-status-bar");
  window.WorkingFileLabel()->hide();
  {
    std::unique_ptr<QMessageBox> b(MakeMessageBox(
        TUiService::Kind::Warning,
        "RS485-1 is no longer a Multi-Drop port: its 2 panels and UMDs go to the Storeroom. Do you want to continue?",
        QMessageBox::Yes | QMessageBox::Cancel,
        "They lose their port and address:\nPanel 1 (no. 1, address 1)\nPanel 2 (no. 2, address 2)\nOn-line, the "
        "control frame disconnects them at once.",
        &window, QMessageBox::Cancel));
    shots.Save(*b, "port-form-eviction-question");
  }

  TSelectorForm selector("Com Port Selection", {"COM1", "COM2", "COM3", "COM4"}, kPortNameLength, &window, "COM1",
                         "Select a serial port from the list, or enter a port name, e.g. 'COM5'");
  shots.Save(selector, "online-2-port-selection");

  TPCPortForm port(nullptr, &window);
  shots.SavePages(port, *port.Pages, "online-3-pc-port");

  TReadApplyForm read("Read Configuration Options", "Select the following components you want to upload.", &window);
  shots.Save(read, "online-4-read-options");
  TReadApplyForm apply("Apply Configuration Options", "Select the following components you want to download.",
                       &window);
  shots.Save(apply, "online-5-apply-options");

  {
    TTransferForm transfer(true, "CURR_SYS.ZP3", &window);
    transfer.SetWhat("From CURR_SYS.ZP3 to the control frame: the database and source audio parameters.");
    transfer.SetProgress(4, 10);
    transfer.TimeLabel->setText(TTransferForm::TimeText(42000, 4, 10));
    shots.Save(transfer, "online-6-transfer");
  }
  {
    TTransferForm compare(false, "controller.ZP3", &window, "Stop reading the control frame?", "Comparing");
    compare.SetWhat("Reading what the control frame holds, to compare it with the open database.");
    compare.SetProgress(7, 10);
    shots.Save(compare, "online-6-comparing");
  }

  TAboutBox about(window.Manager().CommonInterface, &window);
  shots.Save(about, "online-7-product-information");
}

void PortFormShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  for (const char* name : {"RS232-1", "RS485-1"}) {
    auto* port = dynamic_cast<TPortResource*>(TDatabaseManager::ResourceOf(window.Manager().FindNode(name)));
    if (!port) continue;
    auto* form = new TPortForm(*port);
    shots.SavePages(*form, *form->Pages(), QString("port-form-%1").arg(QString(name).toLower()));
    form->close();
  }
  auto* frame =
      dynamic_cast<TKorvellControlFrameResource*>(TDatabaseManager::ResourceOf(window.Manager().FindNode("Zephra")));
  if (frame) {
    auto* form = new TKorvellControlFrameForm(*frame);
    shots.Save(*form, "control-frame-form");
    form->close();
  }
}
