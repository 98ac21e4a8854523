// A keypad area: the keypad header, its keys, the nodes of its entry-sequence
// tree, and the tail word pair that anchors the tree and the free nodes.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

// The bits of a keypad's flags.
inline constexpr std::uint8_t kKeypadInUse = 0x01;
inline constexpr std::uint8_t kKeypadDialUp = 0x02;

struct KeypadEntry {
  std::uint16_t keypad;
  char16_t name[16];
  std::uint8_t keyFormat;     // 8 in every keypad the library makes
  std::uint8_t keypadType;    // 0 source keypad, 1 destination keypad
  std::uint8_t keypadOption;
  std::uint8_t keypadFlags;   // bit 0 in use, bit 1 dial-up keypad
  std::uint16_t columns;
  std::uint16_t rows;
};

struct KeyEntry {
  std::uint16_t key;
  std::uint16_t keypad;
  char16_t name[16];
  char16_t altName[16];
  std::uint8_t keyType;  // 0 and 1 are name keys, the only ones sequences use
  std::uint8_t keyIndex;
  std::uint16_t column;
  std::uint16_t row;
};

// One step of an entry sequence, or a free node.
struct SequenceNode {
  std::uint16_t keypad;
  std::uint16_t index;
  char16_t keyName[16];
  std::int16_t next;        // next sibling; in a free node the next free node
  std::int16_t prev;
  std::int16_t firstChild;
  std::int16_t parent;      // -1 for a top-level node
  std::uint16_t salvoFlags; // bit 0 set by a salvo key assignment
  std::int16_t selection[20];  // per matrix the source or destination selected, -1 for none
  std::int16_t salvo;       // the salvo fired, -1 for none
  char16_t displayName[16];
};

struct SequenceTail {
  std::int16_t freeHead;  // -1 when no node is free
  std::int16_t root;      // -1 for an empty tree
};

#pragma pack(pop)

static_assert(kIsImageRecord<KeypadEntry> && sizeof(KeypadEntry) == 42);
static_assert(offsetof(KeypadEntry, name) == 2 && offsetof(KeypadEntry, keyFormat) == 34);
static_assert(offsetof(KeypadEntry, keypadType) == 35 && offsetof(KeypadEntry, keypadOption) == 36);
static_assert(offsetof(KeypadEntry, keypadFlags) == 37 && offsetof(KeypadEntry, columns) == 38);
static_assert(offsetof(KeypadEntry, rows) == 40);

static_assert(kIsImageRecord<KeyEntry> && sizeof(KeyEntry) == 74);
static_assert(offsetof(KeyEntry, keypad) == 2 && offsetof(KeyEntry, name) == 4);
static_assert(offsetof(KeyEntry, altName) == 36 && offsetof(KeyEntry, keyType) == 68);
static_assert(offsetof(KeyEntry, keyIndex) == 69 && offsetof(KeyEntry, column) == 70);
static_assert(offsetof(KeyEntry, row) == 72);

static_assert(kIsImageRecord<SequenceNode> && sizeof(SequenceNode) == 120);
static_assert(offsetof(SequenceNode, index) == 2 && offsetof(SequenceNode, keyName) == 4);
static_assert(offsetof(SequenceNode, next) == 36 && offsetof(SequenceNode, prev) == 38);
static_assert(offsetof(SequenceNode, firstChild) == 40 && offsetof(SequenceNode, parent) == 42);
static_assert(offsetof(SequenceNode, salvoFlags) == 44 && offsetof(SequenceNode, selection) == 46);
static_assert(offsetof(SequenceNode, salvo) == 86 && offsetof(SequenceNode, displayName) == 88);

static_assert(kIsImageRecord<SequenceTail> && sizeof(SequenceTail) == 4);
static_assert(offsetof(SequenceTail, root) == 2);

}  // namespace zephra
