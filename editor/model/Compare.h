// The differences between two databases, record by record and field by
// field, named as a person reads them: "source 12 of level 2: name 'CAM 7' →
// 'CAM 07'". Sequence trees are compared as trees of key names, salvos as
// sets of crosspoints, never by the numbers of the records that store them.
// Databases of other dimensions are compared on what both have; the records
// only one of them has are listed as ranges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Snapshot.h"

namespace zephra::model {

enum class Family {
  Configuration,
  Database,  // title and search depth
  Matrix,
  Level,
  Source,
  Destination,
  SourceAssociation,
  DestinationAssociation,
  GeneralPort,
  Panel,
  UMD,
  Keypad,
  Key,
  Sequence,
  Salvo,
  TriggerLines,
};

// "source association" for SourceAssociation.
std::string_view FamilyWord(Family family);

// A value as shown: nothing ("none"), a number, a name (shown quoted) or
// words.
struct Value {
  enum class Type { None, Number, Name, Words } type = Type::None;
  std::int64_t number = 0;
  std::string text;  // UTF-8
  bool operator==(const Value&) const = default;
};

// "none", "12", "'CAM 7'", "port 1, address 3".
std::string Show(const Value& value);

struct Difference {
  Family family;
  // The record, numbers from 0 and -1 where the family has none: level and
  // number as the family needs them, `item` for a key of a keypad.
  int matrix = -1, level = -1, number = -1, item = -1;
  std::vector<std::u16string> sequence;  // the key names of a sequence node
  std::string record;                    // "source 12 of level 2"
  std::string field;                     // "name"
  enum class Change { Changed, Added, Removed } change = Change::Changed;
  Value before, after;  // Added has only `after`, Removed only `before`
};

// One line: "source 12 of level 2: name 'CAM 7' → 'CAM 07'", "salvo 4:
// crosspoint to destination 3 of level 2 from source 5 added".
std::string Describe(const Difference& difference);

// What changed from `a` to `b`, in the order of the families above.
std::vector<Difference> Compare(const Snapshot& a, const Snapshot& b);

}  // namespace zephra::model
