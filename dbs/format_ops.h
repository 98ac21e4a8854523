// The per-format table of operations installed into a slot when its database
// is created, opened or reconfigured: the live updates sent to the controller
// while on-line, the whole-database operations and the transfer steps.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "config.h"

namespace zephra {

struct ControllerBuffers;   // image and parameter-area buffers of an upload
struct TransferSelection;   // which components an "with options" transfer moves

// A live update receives the record its set operation wrote.
using LiveFn = Status (*)(DbsHandle, const void* record);
// (slot, port, address index, the two occupancy values of the port map)
using LivePortAssignmentFn = Status (*)(DbsHandle, std::uint16_t port, std::uint16_t addressIndex,
                                        std::uint16_t occupantKind, std::uint16_t occupant);
// (slot, keypad, new free head, old root, old free head)
using LiveKeypadAreaFn = Status (*)(DbsHandle, std::uint16_t keypad, std::int16_t newFreeHead, std::int16_t oldRoot,
                                    std::int16_t oldFreeHead);
using ValidateConfigFn = Status (*)(DbsHandle, ConfigImage* config);
using BuildDefaultImageFn = Status (*)(DbsHandle, const ConfigImage* config, std::uint8_t* image);
using VerifyControllerChecksumsFn = Status (*)(DbsHandle, DbsSearchStatusCallback);
using DownloadAllFn = Status (*)(DbsHandle, DbsTransferProgressCallback);
using DownloadSelectedFn = Status (*)(DbsHandle, DbsTransferProgressCallback, const TransferSelection*);
using ReadControllerAreasFn = Status (*)(DbsHandle, DbsTransferProgressCallback, ControllerBuffers*);
using ReadControllerAreasSelectedFn = Status (*)(DbsHandle, DbsTransferProgressCallback, ControllerBuffers*,
                                                 const TransferSelection*);
using StoreControllerAreasFn = Status (*)(DbsHandle, ControllerBuffers*);
using StoreControllerAreasSelectedFn = Status (*)(DbsHandle, ControllerBuffers*, const TransferSelection*);
using SlotStepFn = Status (*)(DbsHandle);
using ReadControllerConfigFn = Status (*)(DbsHandle, ConfigImage* config);
using CopyKeypadAreasFn = Status (*)(DbsHandle, std::uint16_t source, std::uint16_t target, std::uint16_t panel);
using ClearProtectsStepFn = Status (*)(DbsHandle, std::uint16_t a, std::uint16_t b);

// Every entry in installation order: X(name, signature).
#define ZEPHRA_FORMAT_OPS(X)                                                                                      \
  X(LiveDestAudioParam, LiveFn) X(LiveDestData, LiveFn) X(LiveMatrixPort, LiveFn) X(LivePhysicalLevel, LiveFn)     \
  X(LiveMatrixName, LiveFn) X(LiveParkMode, LiveFn) X(LiveLogType, LiveFn) X(LiveMatrixData, LiveFn)               \
  X(LiveLevelName, LiveFn) X(LiveLevelType, LiveFn) X(LiveLevelDirection, LiveFn) X(LiveSignalOrder, LiveFn)       \
  X(LiveMonitorRows, LiveFn) X(LiveFirstMonitorRow, LiveFn) X(LiveParkSource, LiveFn) X(LiveParkDest, LiveFn)      \
  X(LiveSafeSource, LiveFn) X(LiveInhibits, LiveFn) X(LiveAutoProtects, LiveFn) X(LiveLevelData, LiveFn)           \
  X(LiveSourceName, LiveFn) X(LiveSourceType, LiveFn) X(LiveSourceAudioParam, LiveFn) X(LiveTrigger, LiveFn)       \
  X(LiveSourceData, LiveFn) X(LiveDestLog, LiveFn) X(LiveSourceAssoc, LiveFn) X(LiveDestName, LiveFn)              \
  X(LiveDestAssoc, LiveFn) X(LiveTitle, LiveFn) X(LiveSearchDepth, LiveFn) X(LiveTieLine, LiveFn)                  \
  X(LiveTieLineName, LiveFn) X(LiveInputCue, LiveFn) X(LiveOutputCue, LiveFn) X(LivePathProtect, LiveFn)           \
  X(LiveGeneralPort, LiveFn) X(LivePortAssignment, LivePortAssignmentFn) X(LiveKeypad, LiveFn)                     \
  X(LivePanelKeypadLink, LiveFn) X(LiveKeys, LiveFn) X(LiveSequences, LiveFn) X(LivePanelName, LiveFn)             \
  X(LivePanelType, LiveFn) X(LivePanelMode, LiveFn) X(LivePanelBrightness, LiveFn) X(LivePanelFlags, LiveFn)       \
  X(LivePanelLevels, LiveFn) X(LivePanelKeypad, LiveFn) X(LivePanelCustomData, LiveFn) X(LivePanelSets, LiveFn)    \
  X(LivePanelRecord, LiveFn) X(LiveXYControlledDests, LiveFn) X(LiveOutputRecord, LiveFn)                          \
  X(LiveOverrideSource, LiveFn) X(LiveUMDType, LiveFn) X(LiveUMDDisplay, LiveFn) X(LiveUMDFlags, LiveFn)           \
  X(LiveUMDDests, LiveFn) X(LiveUMDBrightness, LiveFn) X(LiveUMDFixedMessage, LiveFn) X(LiveUMDName, LiveFn)       \
  X(LiveUMDRecord, LiveFn) X(LiveFixedMessage, LiveFn) X(LiveMacroStore, LiveFn) X(LiveMacroXP, LiveFn)            \
  X(LiveTrigLines, LiveFn) X(LiveMacroXPArea, LiveFn) X(LiveKeypadArea, LiveKeypadAreaFn)                          \
  X(ValidateConfig, ValidateConfigFn) X(BuildDefaultImage, BuildDefaultImageFn)                                   \
  X(VerifyControllerChecksums, VerifyControllerChecksumsFn) X(DownloadAll, DownloadAllFn)                          \
  X(DownloadSelected, DownloadSelectedFn) X(ReadControllerAreas, ReadControllerAreasFn)                            \
  X(ReadControllerAreasSelected, ReadControllerAreasSelectedFn) X(StoreControllerAreas, StoreControllerAreasFn)    \
  X(StoreControllerAreasSelected, StoreControllerAreasSelectedFn) X(BuildControllerImage, SlotStepFn)              \
  X(ReadControllerConfig, ReadControllerConfigFn) X(Unused, SlotStepFn) X(CopyKeypadAreas, CopyKeypadAreasFn)      \
  X(SendKeypadAreas, SlotStepFn) X(ClearProtectsStep, ClearProtectsStepFn)

struct FormatOps {
#define ZEPHRA_OPS_FIELD(name, type) type name = nullptr;
  ZEPHRA_FORMAT_OPS(ZEPHRA_OPS_FIELD)
#undef ZEPHRA_OPS_FIELD
};

#define ZEPHRA_OPS_COUNT(name, type) +1
inline constexpr std::size_t kFormatOpCount = 0 ZEPHRA_FORMAT_OPS(ZEPHRA_OPS_COUNT);
#undef ZEPHRA_OPS_COUNT
static_assert(kFormatOpCount == 84);

// The entry names in installation order.
inline constexpr std::array<std::string_view, kFormatOpCount> kFormatOpNames = {
#define ZEPHRA_OPS_NAME(name, type) #name,
    ZEPHRA_FORMAT_OPS(ZEPHRA_OPS_NAME)
#undef ZEPHRA_OPS_NAME
};

constexpr std::size_t FormatOpIndex(std::string_view name) {
  for (std::size_t i = 0; i < kFormatOpCount; ++i) {
    if (kFormatOpNames[i] == name) return i;
  }
  return kFormatOpCount;
}

// Calls f(name, entry) for every entry, in installation order.
template <class F>
void ForEachFormatOp(const FormatOps& ops, F&& f) {
  std::size_t i = 0;
#define ZEPHRA_OPS_VISIT(name, type) f(kFormatOpNames[i++], reinterpret_cast<const void*>(ops.name));
  ZEPHRA_FORMAT_OPS(ZEPHRA_OPS_VISIT)
#undef ZEPHRA_OPS_VISIT
}

// The operations of a configuration type, or null for a type that is no format.
const FormatOps* FormatOpsFor(std::uint16_t configType);

// The shared entry a format installs where it has nothing to send: it does
// nothing and answers DBS_OK.
template <class Fn>
struct NotSupported;
template <class... A>
struct NotSupported<Status (*)(A...)> {
  static Status Call(A...) { return DBS_OK; }
};

// The entry of an old-format database for everything it cannot do.
template <class Fn>
struct RefusedForFormat;
template <class... A>
struct RefusedForFormat<Status (*)(A...)> {
  static Status Call(A...) { return DBS_ERR_INVALID_DATABASE; }
};

}  // namespace zephra
