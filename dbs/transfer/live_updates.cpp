#include "transfer/live_updates.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "records/associations.h"
#include "records/device_keypads.h"
#include "records/keypad_tree.h"
#include "records/matrix.h"
#include "records/panels.h"
#include "records/ports.h"
#include "records/salvos.h"
#include "records/sources.h"
#include "records/umds.h"
#include "transfer/controller_image.h"
#include "transfer/controller_memory.h"
#include "transfer/controller_tables.h"
#include "transfer/link_binding.h"
#include "transfer/live_context.h"

namespace zephra {

using namespace live;

namespace {

constexpr std::uint16_t kAudioLevelTypes[] = {4, 6, 12, 14, 20, 22, 28, 30, 36, 38};

// The link's item record: matrix, level, item number.
struct Item {
  std::uint16_t matrix, level, item;
};
using ParameterFn = DbsStatus (*)(const Item*, std::uint8_t, std::uint16_t);
using PortParametersFn = DbsStatus (*)(const void*, std::uint16_t);

// ---- levels, ports ------------------------------------------------------------

Status LevelType(Live& live, const LevelEntry& e) {
  if (e.matrix != 0 || e.level >= 8) return DBS_ERR_INVALID_ARGUMENT;
  std::uint8_t bytes[2];
  PutBE16(bytes, e.levelType);
  if (Status s = live.Send(live.map.ctlLevelArea + 2u * e.level, bytes, 2); s != DBS_OK) return s;
  // A level of another type needs the controller restarted.
  return RestartController(live.handle, live.slot);
}

Status ParkSource(Live& live, const LevelEntry& e) {
  if (e.matrix != 0 || e.level >= 8) return DBS_ERR_INVALID_ARGUMENT;
  std::uint8_t bytes[2];
  PutBE16(bytes, static_cast<std::int16_t>(e.parkSource));
  return live.Send(live.map.ctlLevelArea2 + 2u * e.level, bytes, 2);
}

Status MatrixPort(Live& live, const MatrixPortEntry& e) {
  if (e.level >= 8) return DBS_OK;
  const auto physical = static_cast<std::uint8_t>(e.physicalLevel);
  return live.Send(live.map.ctlMatrixPortArea + e.level, &physical, 1);
}

Status GeneralPort(Live& live, const GeneralPortEntry& e) {
  if (e.port >= 4) return DBS_ERR_INVALID_ARGUMENT;
  const std::uint8_t c = kGeneralPortSlots[e.port];
  std::uint8_t bytes[8];
  EncodeGeneralPort(e, bytes);
  if (Status s = live.Send(live.map.ctlGeneralPortArea + 8u * c, bytes, 8); s != DBS_OK) return s;
  if (c != 2) return DBS_OK;
  // The PC's own port: the PC follows the controller's new settings.
  const auto retune = LinkCommand<PortParametersFn>(live.slot, "SetPortParameters");
  if (!retune) return DBS_SYS_PROC_NOT_FOUND;
  return retune(&e, static_cast<std::uint16_t>(live.handle));
}

// ---- sources, destinations, associations --------------------------------------

Status SourceName(Live& live, const SourceEntry& e) {
  if (e.matrix != 0 || e.level >= 8 || e.source > live.Max(e.level)) return DBS_ERR_INVALID_ARGUMENT;
  std::uint8_t name[8];
  PutName(name, e.name2);
  return live.Send(live.map.ctlSourceArea + 8 * SourceNameSlot(e.level, e.source), name, 8);
}

bool AudioLevel(Live& live, std::uint16_t level) {
  const auto type = live.db.Read<LevelEntry>(LevelPos(live.db, 0, level)).levelType;
  return std::find(std::begin(kAudioLevelTypes), std::end(kAudioLevelTypes), type) != std::end(kAudioLevelTypes);
}

// A parameter through the link's parameter command; a controller that never
// echoes the value gets the byte written into its parameter area instead.
Status SendParameter(Live& live, const char* command, int area, std::uint16_t level, std::uint16_t item,
                     std::uint8_t value) {
  const auto send = LinkCommand<ParameterFn>(live.slot, command);
  if (!send) return DBS_SYS_PROC_NOT_FOUND;
  const Item record{0, level, item};
  const Status s = send(&record, value, static_cast<std::uint16_t>(live.handle));
  if (s != DBS_ERR_NO_MATCHING_REPLY) return s;
  // The area holds a byte for each item up to the level's maximum; a park
  // source has none, and its byte would be the next level's first.
  const std::uint32_t offset = ParameterLevelOffset(live.format, level);
  if (offset + item >= ParameterLevelOffset(live.format, level + 1)) return s;
  return live.Send(ParameterAreaAddress(live.format, area) + offset + item, &value, 1);
}

// A source of the level, its park source (one past the maximum) included.
bool KnownSource(Live& live, const SourceEntry& e) {
  const ConfigImage& c = live.Config();
  return e.matrix == 0 && c.matrixCount > 0 && e.level < c.levelCount[0] && e.source < c.sourceCount[0][e.level];
}

Status SourceAudioParam(Live& live, const SourceEntry& e) {
  if (!KnownSource(live, e)) return DBS_ERR_INVALID_ARGUMENT;
  if (!AudioLevel(live, e.level)) return DBS_OK;
  return SendParameter(live, "SetSourceParam", 1, e.level, e.source, e.audioParam);
}

Status Trigger(Live& live, const SourceEntry& e) {
  if (!KnownSource(live, e)) return DBS_ERR_INVALID_ARGUMENT;
  return SendParameter(live, "SetTrigger", 3, e.level, e.source, e.trigger);
}

Status DestAudioParam(Live& live, const DestinationEntry& e) {
  const ConfigImage& c = live.Config();
  if (e.matrix != 0 || c.matrixCount == 0 || e.level >= c.levelCount[0] || e.destination >= c.destCount[0][e.level] ||
      e.destination >= live.Max(e.level)) {
    return DBS_ERR_INVALID_ARGUMENT;
  }
  if (!AudioLevel(live, e.level)) return DBS_OK;
  return SendParameter(live, "SetDestParam", 2, e.level, e.destination, e.audioParam);
}

template <class Assoc>
Status AssocMembers(Live& live, const Assoc& e, std::uint32_t area) {
  if (e.matrix != 0 || e.association >= live.k.associations) return DBS_ERR_INVALID_ARGUMENT;
  std::uint8_t bytes[16];
  EncodeAssociation(e.members, bytes);
  return live.Send(area + 16u * e.association, bytes, 16);
}

Status DestName(Live& live, const DestinationAssociationEntry& e) {
  if (e.matrix != 0 || e.association >= live.k.associations) return DBS_ERR_INVALID_ARGUMENT;
  std::uint8_t name[8];
  PutName(name, e.name);
  return live.Send(live.map.ctlDestAssocArea + 8u * e.association, name, 8);
}

// ---- keypads, keys, sequences ---------------------------------------------------

Status Keys(Live& live, const KeyEntry& e) {
  const ConfigImage& c = live.Config();
  if (e.keypad >= c.keypadCount || e.key >= c.keyCount[e.keypad]) return DBS_ERR_INVALID_ARGUMENT;
  const KeypadPlace place = PlaceOfKeypad(live.db, e.keypad);
  std::uint8_t word[2];
  switch (place.area) {
    case KeypadPlace::Area::SimpleSource:
    case KeypadPlace::Area::SimpleDest: {
      // A name key carries what its sequence selects, as the download has it.
      const SimpleKeypadWords words = SimpleKeypadWordsOf(live.db, e.keypad);
      if (e.key >= words.words) return DBS_OK;
      PutBE16(word, SimpleKeyWord(live.db, e.keypad, e.key));
      return live.Send(words.address + 2u * e.key, word, 2);
    }
    case KeypadPlace::Area::DialUp: {
      if (e.key >= 36) return DBS_OK;
      const std::uint32_t at = 36u * static_cast<std::uint32_t>(place.slot) + e.key;
      PutBE16(word, KeyCode(e.keyType));
      if (Status s = live.Send(live.map.ctlKeypadArea3 + 2 * at, word, 2); s != DBS_OK) return s;
      std::uint8_t names[16];
      PutName(names, e.name);
      PutName(names + 8, e.altName);
      return live.Send(live.map.ctlKeypadArea4 + 16 * at, names, 16);
    }
    default: return DBS_OK;
  }
}

Status Sequences(Live& live, const SequenceNode& node) {
  const ConfigImage& c = live.Config();
  const std::uint16_t k = node.keypad;
  if (k >= c.keypadCount || node.index >= c.nodeCount[k]) return DBS_ERR_INVALID_ARGUMENT;
  const KeypadPlace place = PlaceOfKeypad(live.db, k);
  if (place.area == KeypadPlace::Area::DialUp) {
    std::uint8_t record[18];
    EncodeNode(live.db, k, node, record);
    return live.Send(live.map.ctlKeypadBlock[static_cast<std::size_t>(place.slot)] + 18u * (node.index + 1u), record, 18);
  }
  // A simple keypad: the word of the key the node hangs under.
  const SimpleKeypadWords words = SimpleKeypadWordsOf(live.db, k);
  const std::uint8_t key = NodeKeyByte(live.db, k, node);
  if (key >= c.keyCount[k] || key >= words.words) return DBS_OK;
  const int value = words.source && node.salvo >= 0 && node.salvo < c.salvoCount ? kSalvoKeyBase + node.salvo
                                                                                : node.selection[0];
  const auto keyEntry = live.db.Read<KeyEntry>(live.db.Layout().keypadPos[k] + std::uint32_t{sizeof(KeypadEntry)} +
                                               key * std::uint32_t{sizeof(KeyEntry)});
  if (value < 0 && keyEntry.keyType > 1) return DBS_OK;
  std::uint8_t word[2];
  PutBE16(word, value);
  return live.Send(words.address + 2u * key, word, 2);
}

// ---- salvos -------------------------------------------------------------------

Status MacroStore(Live& live, const SalvoEntry& e) {
  if (e.salvo >= kControllerSalvos) return DBS_ERR_INVALID_ARGUMENT;
  std::uint8_t bytes[12];
  EncodeSalvo(e, bytes);
  return live.Send(live.map.ctlSalvoArea + 12u * e.salvo, bytes, 12);
}

Status MacroXP(Live& live, const SalvoXPEntry& e) {
  if (e.xpIndex >= kControllerSalvoRecords || (e.salvo >= kControllerSalvos && e.salvo != kNoEntry)) {
    return DBS_ERR_INVALID_ARGUMENT;
  }
  // A free record (no salvo) is on no chain the controller knows: it holds
  // what the download gives such a record, not the file's stale values.
  std::uint8_t bytes[8];
  if (e.salvo == kNoEntry) {
    std::memset(bytes, kFreeSalvoRecordByte, sizeof bytes);
  } else {
    EncodeSalvoRecord(e, bytes);
  }
  return live.Send(live.map.ctlSalvoXPArea + 8u * e.xpIndex, bytes, 8);
}

}  // namespace

// ---- the entries -----------------------------------------------------------------

Status LiveLevelTypeV(DbsHandle h, const void* r) { return Entry<LevelEntry>(h, r, LevelType); }
Status LiveParkSourceV(DbsHandle h, const void* r) { return Entry<LevelEntry>(h, r, ParkSource); }
Status LiveLevelDataV(DbsHandle h, const void* r) {
  return Entry<LevelEntry>(h, r, [](Live& live, const LevelEntry& e) {
    if (Status s = ParkSource(live, e); s != DBS_OK) return s;
    return LevelType(live, e);
  });
}
Status LiveMatrixPortV(DbsHandle h, const void* r) { return Entry<MatrixPortEntry>(h, r, MatrixPort); }
Status LivePhysicalLevelV(DbsHandle h, const void* r) { return Entry<MatrixPortEntry>(h, r, MatrixPort); }

Status LiveInhibitsV(DbsHandle h, const void* r) {
  if (!r) return DBS_ERR_INVALID_ARGUMENT;
  auto live = Begin(h);
  if (!live) return DBS_OK;
  std::uint16_t head[4];  // matrix, level, destination, the row's bytes; then the row
  std::memcpy(head, r, sizeof head);
  const auto [m, l, d, count] = head;
  if (m != 0 || l > 7 || d >= live->Max(l)) return DBS_ERR_INVALID_ARGUMENT;
  const std::uint32_t R = InhibitRowBytes(live->format, l);
  const std::uint32_t at = live->map.ctlInhibitArea + InhibitLevelOffset(live->format, l);
  std::vector<std::uint8_t> row(R, 0);
  const auto* bytes = static_cast<const std::uint8_t*>(r) + sizeof head;
  // Exactly one controller row: a park source's extra file byte stays home.
  for (std::uint32_t j = 0; j < std::min<std::uint32_t>(count, R); ++j) row[j] = static_cast<std::uint8_t>(~bytes[j]);
  return live->Send(at + d * R, row);
}

Status LiveGeneralPortV(DbsHandle h, const void* r) { return Entry<GeneralPortEntry>(h, r, GeneralPort); }
Status LiveSourceNameV(DbsHandle h, const void* r) { return Entry<SourceEntry>(h, r, SourceName); }
Status LiveSourceAudioParamV(DbsHandle h, const void* r) { return Entry<SourceEntry>(h, r, SourceAudioParam); }
Status LiveTriggerV(DbsHandle h, const void* r) { return Entry<SourceEntry>(h, r, Trigger); }
Status LiveSourceDataV(DbsHandle h, const void* r) {
  return Entry<SourceEntry>(h, r, [](Live& live, const SourceEntry& e) {
    if (Status s = SourceName(live, e); s != DBS_OK) return s;
    if (Status s = SourceAudioParam(live, e); s != DBS_OK) return s;
    return Trigger(live, e);
  });
}
Status LiveDestAudioParamV(DbsHandle h, const void* r) { return Entry<DestinationEntry>(h, r, DestAudioParam); }
Status LiveDestDataV(DbsHandle h, const void* r) { return Entry<DestinationEntry>(h, r, DestAudioParam); }
Status LiveSourceAssocV(DbsHandle h, const void* r) {
  return Entry<SourceAssociationEntry>(h, r, [](Live& live, const SourceAssociationEntry& e) {
    return AssocMembers(live, e, live.map.ctlSourceAssocArea);
  });
}
Status LiveDestNameV(DbsHandle h, const void* r) { return Entry<DestinationAssociationEntry>(h, r, DestName); }
Status LiveDestAssocV(DbsHandle h, const void* r) {
  return Entry<DestinationAssociationEntry>(h, r, [](Live& live, const DestinationAssociationEntry& e) {
    if (Status s = DestName(live, e); s != DBS_OK) return s;
    return AssocMembers(live, e, live.map.ctlDestAssocArea2);
  });
}
Status LiveKeysV(DbsHandle h, const void* r) { return Entry<KeyEntry>(h, r, Keys); }
Status LiveSequencesV(DbsHandle h, const void* r) { return Entry<SequenceNode>(h, r, Sequences); }
Status LiveMacroStoreV(DbsHandle h, const void* r) { return Entry<SalvoEntry>(h, r, MacroStore); }
Status LiveMacroXPV(DbsHandle h, const void* r) { return Entry<SalvoXPEntry>(h, r, MacroXP); }

Status LiveMacroXPAreaV(DbsHandle h, const void* r) {
  return Entry<std::int16_t>(h, r, [](Live& live, std::int16_t) {
    // The free list as the download gives it, whole.
    std::vector<std::uint8_t> list(2u + 2u * kControllerSalvoRecords);
    EncodeSalvoFreeList(live.db, list.data());
    return live.Send(live.map.ctlSalvoLinkArea, list);
  });
}

Status LiveTrigLinesV(DbsHandle h, const void* r) {
  return Entry<TrigLines>(h, r, [](Live& live, const TrigLines& lines) {
    if (!live.map.hasTrigLineArea) return Status{DBS_OK};
    std::uint8_t bytes[4];
    std::memcpy(bytes, &lines, 4);
    return live.Send(live.map.ctlTrigLineArea, bytes, 4);
  });
}

Status LiveKeypadAreaV(DbsHandle h, std::uint16_t keypad, std::int16_t newFreeHead, std::int16_t oldRoot,
                       std::int16_t oldFreeHead) {
  auto live = Begin(h);
  if (!live) return DBS_OK;
  if (keypad >= live->Config().keypadCount) return DBS_ERR_INVALID_ARGUMENT;
  const KeypadPlace place = PlaceOfKeypad(live->db, keypad);
  if (place.area != KeypadPlace::Area::DialUp) return DBS_OK;
  const auto q = static_cast<std::size_t>(place.slot);
  std::vector<std::uint8_t> block(live->k.KeypadBlock()), list(live->k.FreeList());
  EncodeDialUpKeypad(live->db, keypad, block.data(), list.data());
  KeypadTree tree(live->db, keypad);
  if (tree.Tail().root != oldRoot) {
    if (Status s = live->Send(live->map.ctlKeypadBlock[q], block.data(), 2); s != DBS_OK) return s;
  }
  if (newFreeHead != oldFreeHead) return live->Send(live->map.ctlKeypadBlock2[q], list);
  return DBS_OK;
}

Status SendKeypadAreasV(DbsHandle h) {
  auto live = Begin(h);
  if (!live) return DBS_OK;
  // Every dial-up keypad's block, then every free list, each area whole.
  const std::uint32_t blockSize = live->k.KeypadBlock(), listSize = live->k.FreeList();
  std::vector<std::uint8_t> blocks, lists;
  try {
    blocks.assign(16u * blockSize, 0);
    lists.assign(16u * listSize, 0xFF);
  } catch (const std::bad_alloc&) {
    return DBS_SYS_NOT_ENOUGH_MEMORY;
  }
  std::vector<std::uint8_t> empty(blockSize);
  for (std::uint32_t r = 0; r * 18 < blockSize; ++r) {
    std::memset(empty.data() + 18 * r, 0xFF, 10);
    std::memset(empty.data() + 18 * r + 10, ' ', 8);
  }
  for (std::uint32_t q = 0; q < 16; ++q) std::copy(empty.begin(), empty.end(), blocks.begin() + q * blockSize);
  for (std::uint16_t k = 0; k < live->Config().keypadCount; ++k) {
    const KeypadPlace place = PlaceOfKeypad(live->db, k);
    if (place.area != KeypadPlace::Area::DialUp) continue;
    const auto q = static_cast<std::uint32_t>(place.slot);
    EncodeDialUpKeypad(live->db, k, blocks.data() + q * blockSize, lists.data() + q * listSize);
  }
  if (Status s = live->Send(live->map.ctlKeypadBlock[0], blocks); s != DBS_OK) return s;
  return live->Send(live->map.ctlKeypadBlock2[0], lists);
}

}  // namespace zephra
