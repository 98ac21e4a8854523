// Source and destination associations: the groups of sources or destinations
// that switch together across the levels. The destination associations also
// carry the destination names.
#pragma once

#include "record_common.h"

namespace zephra {

#pragma pack(push, 1)

struct SourceAssociationEntry {
  std::uint16_t matrix;
  std::uint16_t association;
  MemberTriple members[16];  // (matrix, level, source)
};

struct DestinationAssociationEntry {
  std::uint16_t matrix;
  std::uint16_t association;
  char16_t shortName[16];    // the 4-character destination name
  char16_t name[16];         // the destination name of up to 16 characters
  MemberTriple members[16];  // (matrix, level, destination)
};

#pragma pack(pop)

static_assert(kIsImageRecord<SourceAssociationEntry> && sizeof(SourceAssociationEntry) == 100);
static_assert(offsetof(SourceAssociationEntry, association) == 2 && offsetof(SourceAssociationEntry, members) == 4);

static_assert(kIsImageRecord<DestinationAssociationEntry> && sizeof(DestinationAssociationEntry) == 164);
static_assert(offsetof(DestinationAssociationEntry, association) == 2);
static_assert(offsetof(DestinationAssociationEntry, shortName) == 4 && offsetof(DestinationAssociationEntry, name) == 36);
static_assert(offsetof(DestinationAssociationEntry, members) == 68);

}  // namespace zephra
