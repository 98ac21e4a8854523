// The ten database slots behind the handles, the handle check, slot
// allocation, format installation and the guard every export runs in.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "config.h"
#include "file_io.h"
#include "format_ops.h"
#include "checksum.h"
#include "journal.h"
#include "layout.h"

namespace zephra {

// The file side of an open database.
struct DatabaseSlot {
  char16_t path[256] = {};  // zero-terminated
  std::uint32_t isOpen = 0;
  std::uint32_t writable = 0;
  std::uint32_t online = 0;
  DbFile file;                      // the open, locked and mapped file
  std::uint8_t* image = nullptr;    // the mapped file
  ConfigImage config{};             // normalised copy of the stored record
  ImageLayout layout{};
  const FormatInfo* format = nullptr;
};

// The controller side: the loaded link library while on-line, and the
// controller's memory layout for the slot's format.
struct ControllerSlot {
  void* linkLibrary = nullptr;
  ControllerMap map{};
  // The controller's block checksums this database should give, from the
  // last controller image built.
  std::vector<std::uint16_t> expectedChecksums;
  ControllerSlot() = default;
  ControllerSlot(const ControllerSlot&) = delete;
  ControllerSlot& operator=(const ControllerSlot&) = delete;
  // Unloads a link library still loaded, telling the controller nothing.
  ~ControllerSlot();
};

// Who sits on each multi-drop place: cell (port, address - 1).
struct DropCell {
  std::uint16_t kind = 0xFFFF;    // 0 panel, 1 UMD
  std::uint16_t number = 0xFFFF;
};
using DropTable = std::vector<DropCell>;

struct Slot {
  std::unique_ptr<DatabaseSlot> db;     // null: the slot is free
  std::unique_ptr<ControllerSlot> ctl;
  std::uint32_t changed = 0;
  FormatOps ops{};
  std::unique_ptr<DropTable> drops;     // made on the first port assignment
  std::unique_ptr<Journal> journal;     // made when the first step begins
  // Counts the writes to the image, so that what is read from it can be
  // kept until the next one.
  std::uint64_t writes = 0;
  // The last salvo chain walked, so that reading a salvo's crosspoints one
  // by one walks its chain once.
  struct SalvoChain {
    std::uint64_t writes = ~std::uint64_t{0};
    std::uint16_t salvo = 0;
    std::vector<std::int16_t> nodes;
  } salvoChain;

  bool InUse() const { return db != nullptr; }
  ChecksummedImage Checksums() { return {db->image, db->layout.blockCount, &changed}; }
};

// Every change to a database opened read-only is refused with 5 (its image
// is mapped read-only).
inline Status CheckWritable(const Slot& slot) { return slot.db->writable ? DBS_OK : DBS_SYS_ACCESS_DENIED; }

// Whether a file is the file of a database open in any slot.
bool FileOpenInAnySlot(const FileId& id);

class SlotTable {
 public:
  SlotTable() = default;
  SlotTable(const SlotTable&) = delete;
  SlotTable& operator=(const SlotTable&) = delete;
  ~SlotTable();

  // The slot a handle names when it is valid (in range, in use, with an open
  // file), else null.
  Slot* Check(DbsHandle handle);

  // Takes the lowest free slot: 4 when none is free, 8 when memory runs out.
  Status Allocate(DbsHandle& handle);
  // Gives a slot back, releasing everything it holds.
  void Release(DbsHandle handle);

  // Installs the operations and controller map of the slot's format.
  Status InstallFormat(DbsHandle handle, std::uint16_t configType);

  Slot& operator[](DbsHandle handle) { return slots_[static_cast<std::size_t>(handle)]; }

 private:
  std::array<Slot, DBS_MAX_DATABASES> slots_{};
};

// The library's slots, made when the library is loaded and released when it
// is unloaded.
SlotTable& Slots();

// Runs an export's body: no exception leaves the library.
template <class F>
Status Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return DBS_ERR_OUT_OF_MEMORY;
  } catch (...) {
    return DBS_ERR_INVALID_ARGUMENT;
  }
}

// Runs an export's body on the slot a handle names; an invalid handle gives
// DBS_ERR_INVALID_DATABASE before anything is looked at.
template <class F>
Status WithSlot(DbsHandle handle, F&& body) noexcept {
  return Guarded([&]() -> Status {
    Slot* slot = Slots().Check(handle);
    if (!slot) return DBS_ERR_INVALID_DATABASE;
    return body(*slot);
  });
}

}  // namespace zephra
