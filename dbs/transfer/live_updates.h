// The live updates: while a database is on-line, each change reaches the
// running controller at once, in the bytes a download would give that
// record. The entries are the same for V1, V2 and V3; the changes they do
// not list reach the controller with the next download.
#pragma once

#include "dbs/format_ops.h"

namespace zephra {

// Every live entry that takes (handle, record).
#define ZEPHRA_LIVE_ENTRIES(X)                                                                              \
  X(LiveLevelType) X(LiveParkSource) X(LiveLevelData) X(LiveMatrixPort) X(LivePhysicalLevel) X(LiveInhibits) \
  X(LiveGeneralPort) X(LiveSourceName) X(LiveSourceAssoc) X(LiveDestName) X(LiveDestAssoc)                   \
  X(LiveSourceAudioParam) X(LiveTrigger) X(LiveSourceData) X(LiveDestAudioParam) X(LiveDestData)             \
  X(LivePanelName) X(LivePanelType) X(LivePanelMode) X(LivePanelFlags) X(LivePanelBrightness)                \
  X(LivePanelLevels) X(LivePanelKeypad) X(LivePanelRecord) X(LiveUMDName) X(LiveUMDType) X(LiveUMDFlags)     \
  X(LiveUMDBrightness) X(LiveUMDDests) X(LiveUMDRecord) X(LiveXYControlledDests) X(LiveOverrideSource)       \
  X(LiveKeys) X(LiveSequences) X(LiveMacroStore) X(LiveMacroXP) X(LiveMacroXPArea) X(LiveTrigLines)

#define ZEPHRA_LIVE_DECLARE(name) Status name##V(DbsHandle handle, const void* record);
ZEPHRA_LIVE_ENTRIES(ZEPHRA_LIVE_DECLARE)
#undef ZEPHRA_LIVE_DECLARE

Status LivePortAssignmentV(DbsHandle handle, std::uint16_t port, std::uint16_t addressIndex,
                           std::uint16_t occupantKind, std::uint16_t occupant);
Status LiveKeypadAreaV(DbsHandle handle, std::uint16_t keypad, std::int16_t newFreeHead, std::int16_t oldRoot,
                       std::int16_t oldFreeHead);
Status SendKeypadAreasV(DbsHandle handle);

}  // namespace zephra
