// Pictures of the on-line dialogs, the port and control-frame forms.
#include <QTabWidget>
#include <QTreeWidget>

#include "MainformCode.h"
#include "PCPortSetup.h"
#include "Resource.h"
#include "SelectorForm.h"
#include "Transfer.h"
#include "forms/ControlFrameForm.h"
#include "forms/PortResourceForm.h"
#include "screens/Screenshots.h"

void OnlineShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  TSearchForm search(&window);
  search.ShowStage(0);
  shots.Save(search, "online-1-search");

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

  TTransferForm transfer(true, "CURR_SYS.ZP3", &window);
  transfer.SetProgress(4, 10);
  shots.Save(transfer, "online-6-transfer");

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
