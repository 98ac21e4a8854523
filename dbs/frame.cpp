#include "frame.h"

#include <dlfcn.h>

namespace zephra {

SlotTable& Slots() {
  static SlotTable table;
  return table;
}

ControllerSlot::~ControllerSlot() {
  if (linkLibrary) dlclose(linkLibrary);
}

bool FileOpenInAnySlot(const FileId& id) {
  for (DbsHandle h = 0; h < DBS_MAX_DATABASES; ++h) {
    Slot& slot = Slots()[h];
    if (slot.InUse() && slot.db->file.IsOpen() && slot.db->file.Id() == id) return true;
  }
  return false;
}

// Unloading the library releases what is still open: mappings are flushed
// and files closed, without touching their times.
SlotTable::~SlotTable() {
  for (DbsHandle h = 0; h < DBS_MAX_DATABASES; ++h) Release(h);
}

Slot* SlotTable::Check(DbsHandle handle) {
  if (handle < 0 || handle >= DBS_MAX_DATABASES) return nullptr;
  Slot& slot = (*this)[handle];
  if (!slot.InUse()) return nullptr;
  if (!slot.db->file.IsOpen()) return nullptr;
  if (!slot.db->isOpen) return nullptr;
  return &slot;
}

Status SlotTable::Allocate(DbsHandle& handle) {
  for (DbsHandle h = 0; h < DBS_MAX_DATABASES; ++h) {
    Slot& slot = (*this)[h];
    if (slot.InUse()) continue;
    std::unique_ptr<DatabaseSlot> db(new (std::nothrow) DatabaseSlot);
    std::unique_ptr<ControllerSlot> ctl(new (std::nothrow) ControllerSlot);
    if (!db || !ctl) return DBS_SYS_NOT_ENOUGH_MEMORY;
    db->isOpen = 1;
    slot.db = std::move(db);
    slot.ctl = std::move(ctl);
    slot.changed = 0;
    ++slot.writes;
    slot.ops = FormatOps{};
    handle = h;
    return DBS_OK;
  }
  return DBS_SYS_TOO_MANY_OPEN_FILES;
}

void SlotTable::Release(DbsHandle handle) {
  if (handle < 0 || handle >= DBS_MAX_DATABASES) return;
  Slot& slot = (*this)[handle];
  slot.drops.reset();
  slot.journal.reset();
  ++slot.writes;
  slot.db.reset();
  slot.ctl.reset();
  slot.changed = 0;
  slot.ops = FormatOps{};
}

Status SlotTable::InstallFormat(DbsHandle handle, std::uint16_t configType) {
  Slot& slot = (*this)[handle];
  const FormatInfo* format = FindFormat(configType);
  const FormatOps* ops = FormatOpsFor(configType);
  if (!slot.InUse() || !format || !ops) return DBS_ERR_INVALID_DATABASE;
  slot.db->format = format;
  slot.ops = *ops;
  slot.ctl->map = *format->controllerMap;
  return DBS_OK;
}

}  // namespace zephra
