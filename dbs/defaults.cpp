#include "defaults.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "frame.h"
#include "records/associations.h"
#include "records/keypads.h"
#include "records/matrix.h"
#include "records/panels.h"
#include "records/ports.h"
#include "records/salvos.h"
#include "records/sources.h"
#include "records/umds.h"

namespace zephra {
namespace {

constexpr std::int16_t kNone = -1;

template <class Record>
void Put(std::uint8_t* image, std::uint32_t pos, const Record& record) {
  std::memcpy(image + pos, &record, sizeof record);
}

// Writes a name into a 16-unit field: the text, then zero units.
void Name(void* field, std::u16string_view text) {
  char16_t units[kNameUnits] = {};
  std::copy_n(text.begin(), std::min(text.size(), kNameUnits), units);
  std::memcpy(field, units, sizeof units);
}

// "Level 3" for record number 2.
void Numbered(void* field, std::u16string_view prefix, unsigned number) {
  std::u16string text(prefix);
  for (char c : std::to_string(number + 1)) text += static_cast<char16_t>(c);
  Name(field, text);
}

constexpr std::u16string_view kBlankName = u"        ";

void SetTriple(MemberTriple& t, std::int16_t matrix, std::int16_t level, std::int16_t number) {
  t = {matrix, level, number};
}

struct Keypad {
  std::uint8_t type, flags, columns, rows, keyType;
  std::u16string_view keyName;
};

// The four groups of keypads: simple source, simple destination, dial-up
// source, dial-up destination.
Keypad KeypadGroup(std::uint16_t k) {
  if (k < 32) return {0, 1, 8, 8, 1, u"Key "};
  if (k < 64) return {1, 1, 9, 4, 1, u"Dest "};
  if (k < 72) return {0, 2, 9, 4, 0, u"Key "};
  return {1, 2, 9, 4, 0, u"Key "};
}

void WriteMatrix(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  MatrixEntry matrix{};
  Name(matrix.name, u"Matrix 1");
  Put(image, L.matrixPos[0], matrix);

  const std::uint16_t levels = c.levelCount[0];
  std::uint32_t sourcePos = L.sourceTablePos[0], destPos = L.destTablePos[0];
  for (std::uint16_t l = 0; l < levels; ++l) {
    const std::uint16_t S = c.sourceCount[0][l], D = c.destCount[0][l];
    const bool parked = HasParkSource(S);
    LevelEntry level{};
    level.level = l;
    Numbered(level.name, u"Level ", l);
    level.levelType = parked ? kParkedDataLevelType : 0;
    level.signalOrder = 1;
    level.firstMonitorRow = kNoEntry;
    level.parkSource = parked ? static_cast<std::uint16_t>(S - 1) : kNoEntry;
    level.parkDest = kNoEntry;
    level.safeSource = kNoEntry;
    Put(image, L.levelTablePos[0] + l * std::uint32_t{sizeof level}, level);

    for (std::uint16_t s = 0; s < S; ++s) {
      SourceEntry source{};
      source.level = l;
      source.source = s;
      for (void* field : {&source.name1, &source.name2, &source.name3, &source.name4, &source.name5, &source.name6}) {
        if (parked && s == S - 1) {
          Name(field, u"PARK    ");
        } else {
          Numbered(field, u"m1s", s);
        }
      }
      Put(image, sourcePos, source);
      sourcePos += sizeof source;
    }
    for (std::uint16_t d = 0; d < D; ++d) {
      DestinationEntry dest{};
      dest.level = l;
      dest.destination = d;
      Put(image, destPos, dest);
      destPos += sizeof dest;
    }
  }

  for (std::uint16_t i = 0; i < c.sourceAssocCount[0]; ++i) {
    SourceAssociationEntry assoc{};
    assoc.association = i;
    for (std::int16_t j = 0; j < 16; ++j) {
      const bool member = j < levels && i < c.sourceCount[0][j];
      SetTriple(assoc.members[j], member ? 0 : kNone, member ? j : kNone, member ? static_cast<std::int16_t>(i) : kNone);
    }
    Put(image, L.sourceAssocPos[0] + i * std::uint32_t{sizeof assoc}, assoc);
  }
  for (std::uint16_t i = 0; i < c.destAssocCount[0]; ++i) {
    DestinationAssociationEntry assoc{};
    assoc.association = i;
    Numbered(assoc.shortName, u"m1d", i);
    Numbered(assoc.name, u"m1d", i);
    for (std::int16_t j = 0; j < 16; ++j) {
      const bool member = j < levels && i < c.destCount[0][j];
      SetTriple(assoc.members[j], member ? 0 : kNone, member ? j : kNone, member ? static_cast<std::int16_t>(i) : kNone);
    }
    Put(image, L.destAssocPos[0] + i * std::uint32_t{sizeof assoc}, assoc);
  }
  // The inhibit area is all zero, and so is the auto-protect area.
}

void WritePorts(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  for (std::uint16_t l = 0; l < c.matrixPortCount; ++l) {
    MatrixPortEntry port{};
    port.index = l;
    port.physicalLevel = l;
    port.level = l;
    port.lastDest = static_cast<std::uint16_t>(c.destCount[0][l] - 1);
    Put(image, L.matrixPortPos + l * std::uint32_t{sizeof port}, port);
  }
  for (std::uint16_t p = 0; p < c.generalPortCount; ++p) {
    const bool multidrop = p == 1 || p == 2;  // "RS485-1" and "RS485-2"
    GeneralPortEntry port{};
    port.port = p;
    port.protocol = multidrop ? 6 : 8;
    port.baudRate = 38400;
    port.parity = multidrop ? 2 : 0;
    port.dataBits = 8;
    port.stopBits = 2;
    port.routeInhibits = multidrop ? 1 : 0;
    Put(image, L.generalPortPos + p * std::uint32_t{sizeof port}, port);
  }
}

void WritePanelsAndUMDs(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  const std::uint16_t mask = static_cast<std::uint16_t>(((1u << c.levelCount[0]) - 1) & 0xFF);
  for (std::uint16_t p = 0; p < c.panelCount; ++p) {
    PanelEntry panel{};
    panel.panel = p;
    panel.port = kNoEntry;
    panel.address = kNoEntry;
    panel.panelType = 1;
    panel.brightness = 6;
    panel.mode = 8;
    for (auto& word : panel.levels) word = static_cast<std::uint16_t>(mask * 0x0101);
    panel.xySet[0] = p;
    for (int m = 1; m < 20; ++m) panel.xySet[m] = kNoEntry;
    panel.outputSet = kNoEntry;
    panel.overrideSet = p;
    panel.destKeypad = static_cast<std::uint16_t>(32 + p);
    panel.sourceKeypad = p;
    Numbered(panel.name, u"Panel ", p);
    Put(image, L.panelPos + p * std::uint32_t{sizeof panel}, panel);
  }
  for (std::uint16_t u = 0; u < c.umdCount; ++u) {
    UMDEntry umd{};
    umd.umd = u;
    umd.port = kNoEntry;
    umd.address = kNoEntry;
    umd.umdType = 5;
    umd.display = 0xFF;
    for (auto& line : umd.dests) SetTriple(line, kNone, kNone, kNone);
    umd.brightness = 6;
    umd.fixedMessage = kNoEntry;
    Numbered(umd.name, u"UMD ", u);
    Put(image, L.umdPos + u * std::uint32_t{sizeof umd}, umd);
  }
}

void WriteKeypads(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  for (std::uint16_t k = 0; k < c.keypadCount; ++k) {
    const Keypad group = KeypadGroup(k);
    std::uint32_t pos = L.keypadPos[k];
    KeypadEntry keypad{};
    keypad.keypad = k;
    Numbered(keypad.name, u"Kpd ", k);
    keypad.keyFormat = 8;
    keypad.keypadType = group.type;
    keypad.keypadFlags = group.flags;
    keypad.columns = group.columns;
    keypad.rows = group.rows;
    Put(image, pos, keypad);
    pos += sizeof keypad;

    for (std::uint16_t n = 0; n < c.keyCount[k]; ++n) {
      KeyEntry key{};
      key.key = n;
      key.keypad = k;
      Numbered(key.name, group.keyName, n);
      Name(key.altName, kBlankName);
      key.keyType = group.keyType;
      key.keyIndex = static_cast<std::uint8_t>(n);
      key.column = static_cast<std::uint16_t>(n % group.columns);
      key.row = static_cast<std::uint16_t>(n / group.columns);
      Put(image, pos, key);
      pos += sizeof key;
    }
    // Every node starts free, chained in number order.
    for (std::uint16_t i = 0; i < c.nodeCount[k]; ++i) {
      SequenceNode node{};
      node.keypad = k;
      node.index = i;
      Name(node.keyName, kBlankName);
      node.next = i + 1 < c.nodeCount[k] ? static_cast<std::int16_t>(i + 1) : kNone;
      node.prev = kNone;
      node.firstChild = kNone;
      node.parent = kNone;
      for (auto& s : node.selection) s = kNone;
      node.salvo = kNone;
      Name(node.displayName, kBlankName);
      Put(image, pos, node);
      pos += sizeof node;
    }
    SequenceTail tail{};
    tail.freeHead = c.nodeCount[k] > 0 ? 0 : kNone;
    tail.root = kNone;
    Put(image, L.keypadTailPos[k], tail);
  }
}

void WriteSets(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  for (std::uint16_t p = 0; p < c.panelCount && p < c.xySetCount; ++p) {
    XYSetEntry set{};
    set.xySet = p;
    set.panel = p;
    set.destCount = c.destAssocCount[0];
    std::fill(std::begin(set.destMap), std::end(set.destMap), 0xFF);
    Put(image, L.xySetPos + p * std::uint32_t{sizeof set}, set);
  }
  for (std::uint16_t s = 0; s < c.outputSetCount; ++s) {
    OutputSetEntry set{};
    set.head = s;
    set.panel = kNoEntry;
    for (auto& pair : set.outputs) {
      pair.outputWord1 = kNoEntry;
      pair.outputWord2 = kNoEntry;
    }
    Put(image, L.outputSetPos + s * std::uint32_t{sizeof set}, set);
  }
  for (std::uint16_t p = 0; p < c.panelCount && p < c.outputSetCount; ++p) {
    OverrideSetEntry set{};
    set.head[0] = p;
    set.head[1] = p;
    for (auto& o : set.overrides) SetTriple(o, kNone, kNone, kNone);
    Put(image, L.overrideSetPos + p * std::uint32_t{sizeof set}, set);
  }
  for (std::uint16_t u = 0; u < c.umdCount; ++u) {
    FixedMessageEntry message{};
    message.umd = u;
    Name(message.text, kBlankName);
    Put(image, L.fixedMessagePos + u * std::uint32_t{sizeof message}, message);
  }
}

void WriteSalvos(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  for (std::uint16_t s = 0; s < c.salvoCount; ++s) {
    SalvoEntry salvo{};
    salvo.salvo = s;
    salvo.firstXP = kNone;
    Numbered(salvo.shortName, u"Salvo ", s);
    Numbered(salvo.name, u"Salvo ", s);
    Put(image, L.salvoPos + s * std::uint32_t{sizeof salvo}, salvo);
  }
  // Every crosspoint record starts on the free list, in number order. A
  // record never used carries salvo 0.
  for (std::uint16_t n = 0; n < c.salvoXPCount; ++n) {
    SalvoXPEntry xp{};
    xp.xpIndex = n;
    xp.matrix = kNone;
    xp.level = kNone;
    xp.destination = kNone;
    xp.source = kNone;
    xp.next = n + 1 < c.salvoXPCount ? static_cast<std::int16_t>(n + 1) : kNone;
    Put(image, L.salvoXPPos + n * std::uint32_t{sizeof xp}, xp);
  }
  const std::int16_t freeHead = c.salvoXPCount > 0 ? 0 : kNone;
  std::memcpy(image + L.salvoFreePos, &freeHead, sizeof freeHead);
}

}  // namespace

void WriteDefaultImage(const ConfigImage& c, const ImageLayout& L, std::uint8_t* image) {
  std::memcpy(image, &c, sizeof c);
  if (c.matrixCount > 0) WriteMatrix(c, L, image);
  Name(image + L.titlePos, u"Database File ");
  const std::uint16_t searchDepth = 1, spare = 0;
  std::memcpy(image + L.searchDepthPos, &searchDepth, 2);
  std::memcpy(image + L.spareWordPos, &spare, 2);
  WritePorts(c, L, image);
  WritePanelsAndUMDs(c, L, image);
  WriteKeypads(c, L, image);
  WriteSets(c, L, image);
  WriteSalvos(c, L, image);
  if (L.trigLinePos != 0) Put(image, L.trigLinePos, TrigLines{0x8A, 0x86, 0x00, 0x86});
  std::memset(image + L.tablesEnd, 0, L.fileSize - L.tablesEnd);
}

Status BuildDefaultImageV(DbsHandle handle, const ConfigImage* config, std::uint8_t* image) {
  Slot* slot = handle >= 0 && handle < DBS_MAX_DATABASES ? &Slots()[handle] : nullptr;
  if (!slot || !slot->InUse() || !config || !image) return DBS_ERR_INVALID_ARGUMENT;
  WriteDefaultImage(*config, slot->db->layout, image);
  return DBS_OK;
}

}  // namespace zephra
