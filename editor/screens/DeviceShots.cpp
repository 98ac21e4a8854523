// Pictures of the panel and UMD editors and of the keypad assignment window.
#include <QDir>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidgetItemIterator>

#include "MainformCode.h"
#include "forms/KeypadAssignment.h"
#include "forms/PanelResourceForm.h"
#include "forms/UMDForm.h"
#include "screens/Screenshots.h"

namespace {

// Panel 0 stays a Generic BPX; panel 1 becomes an X-Y panel and panel 2 one
// with a dial-up source keypad; UMD 0 shows two lines.
void PrepareDevices(TMainForm& window) {
  TCommonInterface& ci = window.Manager().CommonInterface;
  const DbsHandle h = ci.FileHandle;
  const auto edit = [&](uint16_t panel, uint16_t type, uint32_t flags) {
    TLibString name(QString(8, ' '));
    TPanelRecord r{};
    r.name = name;
    if (!ci.GetPanelRecord(panel, r, h)) return;
    r.panelType = type;
    r.flags = flags;
    ci.SetPanelRecord(panel, r, h);
  };
  edit(1, 12, 0x10);
  edit(2, 24, 0x2);
  ci.SetPanelKeypad(2, 1, 64, h);
  for (uint16_t i = 0; i < 4; ++i) {
    const TOverrideRecord o{0, 1, static_cast<int16_t>(2 * i + 1)};
    ci.SetOverrideSource(0, i, o, h);
  }
  TXYRecord xy{};
  xy.destCount = 16;
  xy.destMap[0] = 0x5F;
  xy.destMap[1] = 0x03;
  ci.SetXY_ControlledDests(1, 0, xy, h);
  TLibString name(QString(8, ' '));
  TUMDRecord umd{};
  umd.name = name;
  if (ci.GetUMDRecord(0, umd, h)) {
    umd.umdType = 0;
    umd.dests[0] = {0, 0, 2};
    umd.dests[1] = {0, 0, 5};
    ci.SetUMDRecord(0, umd, h);
  }
  window.Manager().OpenDatabaseFile(QDir::current().filePath("Demo.ZP3"), {2, 3, 4});
}

template <class R>
R* Find(TMainForm& window, int number) {
  for (QTreeWidgetItemIterator it(window.Tree()); *it; ++it) {
    if (auto* r = dynamic_cast<R*>(TDatabaseManager::ResourceOf(*it)); r && r->Number == number) return r;
  }
  return nullptr;
}

template <class F, class R>
void SaveForm(TScreenshots& shots, R* resource, const QString& name) {
  if (!resource) return;
  resource->Edit(shots.Window().Manager().CommonInterface);
  auto* form = qobject_cast<F*>(resource->EditorForm.data());
  if (!form) return;
  shots.SavePages(*form, *form->Pages(), name);
  form->close();
}

}  // namespace

void DeviceShots(TScreenshots& shots) {
  TMainForm& window = shots.Window();
  PrepareDevices(window);
  SaveForm<TPanelForm>(shots, Find<TPanelResource>(window, 0), "panel-generic-bpx");
  SaveForm<TPanelForm>(shots, Find<TPanelResource>(window, 1), "panel-xy");
  SaveForm<TPanelForm>(shots, Find<TPanelResource>(window, 2), "panel-dial-up");
  SaveForm<TUMDResourceForm>(shots, Find<TUMDResource>(window, 0), "umd");

  TCommonInterface& ci = window.Manager().CommonInterface;
  TKeypadAssignmentForm overview(ci, &window);
  overview.Setup(TKeypadAssignmentForm::Mode::Overview, -1);
  shots.Save(overview, "keypad-assignment-overview");
  overview.close();
  TKeypadAssignmentForm one(ci, &window);
  one.Setup(TKeypadAssignmentForm::Mode::Panel, 0);
  shots.Save(one, "keypad-assignment-panel");
  one.CellClicked(3, 1);
  one.CellClicked(3, 2);
  shots.Save(one, "keypad-assignment-panel-chosen");
  one.close();
}
