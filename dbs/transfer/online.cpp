// Going on-line: loading the link library, opening the link, checking that
// the controller holds this format and comparing its block checksums; going
// off-line; and the small controller queries.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "names.h"
#include "transfer/link_binding.h"
#include "transfer/online.h"

namespace zephra {

namespace {

using OnLineFn = DbsStatus (*)(const char16_t*, const DbsPortSettings*, DbsErrorCallback, DbsSearchStatusCallback,
                               std::uint16_t);
using OffLineFn = DbsStatus (*)(std::uint16_t);
using VersionFn = DbsStatus (*)(std::uint8_t*, std::uint16_t);
using ChecksumsFn = DbsStatus (*)(std::uint16_t, std::uint16_t, std::uint16_t*, std::uint16_t);
using DualStatusFn = DbsStatus (*)(std::uint16_t*, std::uint16_t);
using SoftwareFn = DbsStatus (*)(std::uint8_t*, std::uint16_t, std::uint16_t);
using LibraryVersionFn = DbsStatus (*)(char*);
using ClearProtectsFn = DbsStatus (*)(std::uint8_t, std::uint8_t, std::uint16_t);

constexpr std::uint16_t kUnknownController = 65535;
constexpr char kNotOnLine[] = "<Not On-line>";
constexpr std::uint16_t kFirmwareBytes = 100;


// libtolvex.so in the folder of this library, unless the environment names
// another file.
std::string LinkLibraryPath() {
  if (const char* given = std::getenv("ZEPHRA_LINK_LIBRARY"); given && *given) return given;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LinkLibraryPath), &info) && info.dli_fname) {
    std::string self = info.dli_fname;
    const auto slash = self.rfind('/');
    // Beside this library (or program); installed apart, where the system
    // finds libraries.
    if (slash != std::string::npos) {
      std::string beside = self.substr(0, slash + 1) + "libtolvex.so";
      if (access(beside.c_str(), R_OK) == 0) return beside;
    }
  }
  return "libtolvex.so";
}

void* LoadLinkLibrary() { return dlopen(LinkLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE); }

// "\\.\" and the caller's port name (at most 255 units), zero-terminated.
std::u16string PortName(DbsString port) {
  std::u16string name = u"\\\\.\\";
  const std::uint32_t n = std::min<std::uint32_t>(DbsStringLength(port), 255);
  for (std::uint32_t i = 0; i < n && port[i] != 0; ++i) name += port[i];
  return name;
}

// The search callback's word on going on: DBS_ERR_COMMS when told to stop.
Status KeepGoing(DbsSearchStatusCallback onSearch) {
  if (!onSearch) return DBS_OK;
  std::int32_t flag = 1;
  onSearch(1, &flag);
  return flag ? DBS_OK : DBS_ERR_COMMS;
}

void Unload(Slot& slot) {
  if (slot.ctl->linkLibrary) dlclose(slot.ctl->linkLibrary);
  slot.ctl->linkLibrary = nullptr;
  slot.db->online = 0;
}

// The slot on-line with its link library, or null.
Slot* OnLineSlot(DbsHandle handle) {
  Slot* slot = Slots().Check(handle);
  return slot && slot->db->online && slot->ctl->linkLibrary ? slot : nullptr;
}

bool AnySlotOnLine() {
  for (DbsHandle h = 0; h < DBS_MAX_DATABASES; ++h) {
    if (Slot* slot = Slots().Check(h); slot && slot->db->online) return true;
  }
  return false;
}

}  // namespace

std::uint16_t TypeOfTag(const std::uint8_t* tag) {
  if (std::memcmp(tag, "KV1", 3) == 0) return DBS_TYPE_KV1;
  if (std::memcmp(tag, "ZP1", 3) == 0) return DBS_TYPE_V1;
  if (std::memcmp(tag, "ZP2", 3) == 0) return DBS_TYPE_V2;
  if (std::memcmp(tag, "ZP3", 3) == 0) return DBS_TYPE_V3;
  return kUnknownController;
}

Status AskVersion(void* lib, DbsHandle handle, std::uint8_t (&version)[8]) {
  const auto getVersion = LibraryCommand<VersionFn>(lib, "GetDatabaseVersion");
  if (!getVersion) return DBS_SYS_PROC_NOT_FOUND;
  Status s = getVersion(version, static_cast<std::uint16_t>(handle));
  if (s != DBS_OK) s = getVersion(version, static_cast<std::uint16_t>(handle));
  return s;
}

Status ControllerVersionCheck(DbsHandle handle) {
  Slot* slot = OnLineSlot(handle);
  if (!slot) return DBS_ERR_NOT_ONLINE;
  std::uint8_t version[8] = {};
  if (Status s = AskVersion(slot->ctl->linkLibrary, handle, version); s != DBS_OK) return s;
  const std::uint16_t fileType = slot->db->config.configType;
  const char16_t* tag = slot->db->config.version;
  const bool fileTagKnown = (tag[0] == u'Z' && tag[1] == u'P' && tag[2] >= u'1' && tag[2] <= u'3') ||
                            (tag[0] == u'K' && tag[1] == u'V' && tag[2] == u'1');
  if (!fileTagKnown) return DBS_ERR_WRONG_VERSION;
  if (version[0] == tag[0] && version[1] == tag[1] && version[2] == tag[2]) return DBS_OK;
  switch (fileType) {
    case DBS_TYPE_V1: return DBS_ERR_CONTROLLER_NOT_V1;
    case DBS_TYPE_V2: return DBS_ERR_CONTROLLER_NOT_V2;
    case DBS_TYPE_V3: return DBS_ERR_CONTROLLER_NOT_V3;
    default: return DBS_ERR_WRONG_VERSION;
  }
}

Status VerifyControllerChecksumsV(DbsHandle handle, DbsSearchStatusCallback onSearch) {
  Slot* slot = OnLineSlot(handle);
  if (!slot) return DBS_ERR_NOT_ONLINE;
  const auto getChecksums = LibraryCommand<ChecksumsFn>(slot->ctl->linkLibrary, "GetWordChecksums");
  if (!getChecksums) return DBS_SYS_PROC_NOT_FOUND;
  const std::uint32_t blocks = slot->ctl->map.blockCount;
  std::vector<std::uint16_t> controller(blocks);
  if (Status s = getChecksums(0, static_cast<std::uint16_t>(blocks), controller.data(), static_cast<std::uint16_t>(handle));
      s != DBS_OK) {
    return s;
  }
  if (Status s = KeepGoing(onSearch); s != DBS_OK) return s;
  const auto& expected = slot->ctl->expectedChecksums;
  if (expected.size() != blocks) return DBS_ERR_CHECKSUM_MISMATCH;  // nothing to compare with
  return std::equal(controller.begin(), controller.end(), expected.begin()) ? Status{DBS_OK}
                                                                             : Status{DBS_ERR_CHECKSUM_MISMATCH};
}

Status ClearProtectsStepV(DbsHandle handle, std::uint16_t a, std::uint16_t b) {
  Slot* slot = OnLineSlot(handle);
  if (!slot) return DBS_ERR_NOT_ONLINE;
  const auto clear = LibraryCommand<ClearProtectsFn>(slot->ctl->linkLibrary, "ClearProtects");
  if (!clear) return DBS_SYS_PROC_NOT_FOUND;
  return clear(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), static_cast<std::uint16_t>(handle));
}

}  // namespace zephra

using namespace zephra;

DBS_API DbsStatus dbs_OnLine(DbsString port, const DbsPortSettings* settings, DbsErrorCallback onError,
                             DbsSearchStatusCallback onSearch, int32_t /*unused*/, DbsHandle handle) {
  return Guarded([&]() -> Status {
    if (handle < 0 || handle >= DBS_MAX_DATABASES) return DBS_ERR_INVALID_DATABASE;
    Slot* slot = Slots().Check(handle);
    if (!slot) return DBS_ERR_DLL_FUNCTION_MISSING;
    // An old-format database is open only to be converted: it has no
    // controller to go on-line with.
    if (slot->db->config.configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    if (!port || !settings) return DBS_ERR_INVALID_ARGUMENT;
    if (!slot->ctl->linkLibrary) {
      slot->ctl->linkLibrary = LoadLinkLibrary();
      if (!slot->ctl->linkLibrary) return DBS_SYS_MOD_NOT_FOUND;
    }
    const auto onLine = LibraryCommand<OnLineFn>(slot->ctl->linkLibrary, "OnLine");
    if (!onLine) {
      Unload(*slot);
      return DBS_ERR_DLL_FUNCTION_MISSING;
    }
    slot->db->online = 1;
    const std::u16string name = PortName(port);
    if (Status s = onLine(name.c_str(), settings, onError, onSearch, static_cast<std::uint16_t>(handle)); s != DBS_OK) {
      Unload(*slot);
      return s;
    }
    Status result = LibraryCommand<void*>(slot->ctl->linkLibrary, "SetTableData") ? Status{DBS_OK} : Status{DBS_SYS_PROC_NOT_FOUND};
    const auto steps = {+[](DbsHandle, DbsSearchStatusCallback cb) { return KeepGoing(cb); },
                        +[](DbsHandle h, DbsSearchStatusCallback) { return ControllerVersionCheck(h); },
                        +[](DbsHandle, DbsSearchStatusCallback cb) { return KeepGoing(cb); },
                        +[](DbsHandle h, DbsSearchStatusCallback) { return Slots()[h].ops.BuildControllerImage(h); },
                        +[](DbsHandle, DbsSearchStatusCallback cb) { return KeepGoing(cb); },
                        +[](DbsHandle h, DbsSearchStatusCallback cb) {
                          return Slots()[h].ops.VerifyControllerChecksums(h, cb);
                        }};
    for (auto step : steps) {
      if (result != DBS_OK) break;
      result = step(handle, onSearch);
    }
    Status secondary = DBS_OK;
    // In disagreement the database stays on-line, to be downloaded or
    // uploaded; anything else takes it off-line again.
    if (result != DBS_OK && result != DBS_ERR_CHECKSUM_MISMATCH && result != DBS_ERR_CONTROLLER_CORRUPT) {
      if (const auto offLine = LibraryCommand<OffLineFn>(slot->ctl->linkLibrary, "OffLine")) {
        secondary = offLine(static_cast<std::uint16_t>(handle));
      }
      Unload(*slot);
    }
    slot->ctl->expectedChecksums.clear();
    slot->ctl->expectedChecksums.shrink_to_fit();
    return result != DBS_OK ? result : secondary;
  });
}

DBS_API DbsStatus dbs_OffLine(DbsHandle handle) {
  return Guarded([&]() -> Status {
    if (handle < 0 || handle >= DBS_MAX_DATABASES) return DBS_ERR_INVALID_DATABASE;
    Slot* slot = Slots().Check(handle);
    if (!slot || !slot->db->online) return DBS_OK;
    return TakeOffline(handle, *slot);
  });
}

DBS_API DbsStatus dbs_GetControllerType(DbsString port, const DbsPortSettings* settings, DbsErrorCallback onError,
                                        DbsSearchStatusCallback onSearch, uint16_t* type) {
  return Guarded([&]() -> Status {
    if (type) *type = kUnknownController;
    if (!port || !settings || !type) return DBS_ERR_INVALID_ARGUMENT;
    // Asking on slot 0 would disturb a link a database holds.
    if (AnySlotOnLine()) return DBS_ERR_INVALID_ARGUMENT;
    void* lib = LoadLinkLibrary();
    if (!lib) return DBS_SYS_MOD_NOT_FOUND;
    const auto onLine = LibraryCommand<OnLineFn>(lib, "OnLine");
    const auto offLine = LibraryCommand<OffLineFn>(lib, "OffLine");
    Status result = DBS_OK;
    if (!onLine || !offLine) {
      result = DBS_ERR_DLL_FUNCTION_MISSING;
    } else {
      const std::u16string name = PortName(port);
      result = onLine(name.c_str(), settings, onError, onSearch, 0);
      if (result == DBS_OK) {
        std::uint8_t version[8] = {};
        result = AskVersion(lib, 0, version);
        if (result == DBS_OK) *type = TypeOfTag(version);
      }
      const Status closed = offLine(0);
      if (result == DBS_OK) result = closed;
    }
    dlclose(lib);
    return result;
  });
}

DBS_API DbsStatus dbs_GetControllerStatus(uint16_t* status, DbsHandle handle) {
  return Guarded([&]() -> Status {
    Slot* slot = OnLineSlot(handle);
    if (!slot) return DBS_ERR_NOT_ONLINE;
    if (!status) return DBS_ERR_INVALID_ARGUMENT;
    const auto dual = LibraryCommand<DualStatusFn>(slot->ctl->linkLibrary, "GetDualControllerStatus");
    if (!dual) return DBS_SYS_PROC_NOT_FOUND;
    return dual(status, static_cast<std::uint16_t>(handle));
  });
}

DBS_API DbsStatus dbs_Get_Firmware_Version(char* text1, char* text2, char* text3, DbsHandle handle) {
  return Guarded([&]() -> Status {
    char* texts[3] = {text1, text2, text3};
    Slot* slot = OnLineSlot(handle);
    if (!slot) {
      for (char* t : texts) {
        if (t) std::snprintf(t, DBS_FIRMWARE_TEXT_SIZE, "%s", kNotOnLine);
      }
      return DBS_ERR_NOT_ONLINE;
    }
    const auto software = LibraryCommand<SoftwareFn>(slot->ctl->linkLibrary, "GetSoftwareVersion");
    if (!software) return DBS_SYS_PROC_NOT_FOUND;
    std::uint8_t data[kFirmwareBytes] = {};
    if (Status s = software(data, kFirmwareBytes, static_cast<std::uint16_t>(handle)); s != DBS_OK) return s;
    // After two leading bytes, three texts each ending in NUL; nothing is
    // read past the bytes received, and each text is cut to its buffer.
    std::size_t at = 2;
    for (char* t : texts) {
      std::string text;
      while (at < kFirmwareBytes && data[at] != 0) text += static_cast<char>(data[at++]);
      ++at;  // its NUL
      if (t) std::snprintf(t, DBS_FIRMWARE_TEXT_SIZE, "%s", text.c_str());
    }
    return DBS_OK;
  });
}

DBS_API DbsStatus dbs_Get_Tolvex_DLL_Version(char* text) {
  return Guarded([&]() -> Status {
    if (!text) return DBS_ERR_INVALID_ARGUMENT;
    void* lib = LoadLinkLibrary();
    if (!lib) return DBS_SYS_MOD_NOT_FOUND;
    const auto version = LibraryCommand<LibraryVersionFn>(lib, "Tolvex_DLL_Get_Version");
    char buffer[256] = {};
    const Status s = version ? version(buffer) : Status{DBS_SYS_PROC_NOT_FOUND};
    if (s == DBS_OK) {
      // Cut to the caller's buffer, always terminated.
      const std::size_t n = strnlen(buffer, DBS_VERSION_TEXT_SIZE - 1);
      std::memcpy(text, buffer, n);
      text[n] = '\0';
    }
    dlclose(lib);
    return s;
  });
}

DBS_API DbsStatus dbs_Get_Korvell_DLL_Version(char* text) {
  if (!text) return DBS_ERR_INVALID_ARGUMENT;
  std::snprintf(text, DBS_VERSION_TEXT_SIZE, "%s (%d.%d.%d.%d)", "3.00 17/07/2007", ZEPHRA_VERSION_MAJOR,
                ZEPHRA_VERSION_MINOR, ZEPHRA_VERSION_PATCH, 0);
  return DBS_OK;
}

DBS_API DbsStatus dbs_ClearAllProtects(uint8_t a, uint8_t b, DbsHandle handle) {
  return WithOnLineSlot(handle, DBS_ERR_INVALID_DATABASE, [&](Slot& slot) -> Status {
    if (slot.db->config.configType == DBS_TYPE_KV1) return DBS_ERR_INVALID_DATABASE;
    return slot.ops.ClearProtectsStep(handle, a, b);
  });
}
