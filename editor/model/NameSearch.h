// Every name a database holds, each with where it is, and the search over
// them that the editor's Find runs as the user types. The names the export
// writes come from its table of kinds; the key names, the display names of
// the entry sequences and the sources an association holds are added here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Names.h"

namespace zephra::model {

// The kinds of record a name belongs to, as Find opens their forms.
enum class NamePlace { Title, Matrix, Level, Source, Destination, SourceAssociation, Panel, UMD, Keypad, Key, Sequence, Salvo };

struct NameHit {
  NamePlace place;
  NameAddress at;        // number: the source, association, panel, UMD, keypad or salvo
  int item = -1;         // a key's number, a sequence's place in its keypad's walk, a member's level
  std::string field;     // which name of the record ("name", "short", "alt name"...)
  std::u16string name;   // as stored, up to its first NUL
  std::string where;     // "source 12 of level 2", as the user reads it
};

// Every name of the snapshot that is not empty, kind after kind.
std::vector<NameHit> CollectNames(const Snapshot& db);

// The entries whose name holds `text`, in any case (Latin-1 letters fold);
// nothing for an empty text.
std::vector<std::size_t> FindNames(const std::vector<NameHit>& names, std::u16string_view text);

}  // namespace zephra::model
