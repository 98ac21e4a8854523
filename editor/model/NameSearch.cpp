#include "NameSearch.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "NameText.h"

namespace zephra::model {

namespace {

// The export's kinds by the place Find gives them.
constexpr std::pair<std::string_view, NamePlace> kPlaces[] = {
    {"title", NamePlace::Title},   {"matrix", NamePlace::Matrix},        {"level", NamePlace::Level},
    {"source", NamePlace::Source}, {"destination", NamePlace::Destination}, {"panel", NamePlace::Panel},
    {"UMD", NamePlace::UMD},       {"keypad", NamePlace::Keypad},        {"salvo", NamePlace::Salvo},
};

std::u16string Shown(const std::u16string& name) { return name.substr(0, name.find(u'\0')); }

bool Blank(const std::u16string& name) {
  return std::all_of(name.begin(), name.end(), [](char16_t c) { return c == u' '; });
}

char16_t Fold(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 0x20);
  return c;
}

void Add(std::vector<NameHit>& out, NameHit hit) {
  hit.name = Shown(hit.name);
  if (!Blank(hit.name)) out.push_back(std::move(hit));
}

// The keys and the entry-sequence trees of every keypad.
void AddKeypads(const Snapshot& db, std::vector<NameHit>& out) {
  for (std::size_t k = 0; k < db.keypads.size(); ++k) {
    const KeypadState& keypad = db.keypads[k];
    const std::string of = " of keypad " + std::to_string(k + 1);
    for (std::size_t n = 0; n < keypad.keys.size(); ++n) {
      const KeyState& key = keypad.keys[n];
      const NameAddress at{-1, -1, static_cast<int>(k)};
      const std::string where = "key " + std::to_string(n + 1) + of;
      Add(out, {NamePlace::Key, at, static_cast<int>(n), "name", key.name, where});
      Add(out, {NamePlace::Key, at, static_cast<int>(n), "alt name", key.altName, where});
    }
    int order = 0;
    std::function<void(const SequenceNodeState&, const std::u16string&)> walk = [&](const SequenceNodeState& node,
                                                                                const std::u16string& path) {
      for (const auto& child : node.children) {
        const std::u16string here = path.empty() ? Shown(child->keyName) : path + u"-" + Shown(child->keyName);
        Add(out, {NamePlace::Sequence, {-1, -1, static_cast<int>(k)}, order++, "display", child->displayName,
                  "sequence " + Utf8Of(here) + of});
        walk(*child, here);
      }
    };
    walk(keypad.tree, u"");
  }
}

// The sources each association holds, under the association.
void AddSourceAssociations(const Snapshot& db, std::vector<NameHit>& out) {
  for (std::size_t m = 0; m < db.matrices.size(); ++m) {
    const MatrixState& matrix = db.matrices[m];
    for (std::size_t a = 0; a < matrix.sourceAssocs.size(); ++a) {
      for (const TAssociationMember& member : matrix.sourceAssocs[a].members) {
        if (member.level < 0 || member.number < 0 || static_cast<std::size_t>(member.level) >= matrix.levels.size()) continue;
        const LevelState& level = matrix.levels[static_cast<std::size_t>(member.level)];
        if (static_cast<std::size_t>(member.number) >= level.sources.size()) continue;
        std::string where = "source association " + std::to_string(a + 1) + ", level " + std::to_string(member.level + 1);
        if (m > 0) where += " of matrix " + std::to_string(m + 1);
        Add(out, {NamePlace::SourceAssociation, {static_cast<int>(m), member.level, static_cast<int>(a)},
                  member.level, "name", level.sources[static_cast<std::size_t>(member.number)].names[1], where});
      }
    }
  }
}

}  // namespace

std::vector<NameHit> CollectNames(const Snapshot& db) {
  std::vector<NameHit> out;
  for (const NameKind& kind : NameKinds()) {
    const auto place = std::find_if(std::begin(kPlaces), std::end(kPlaces),
                                    [&](const auto& p) { return p.first == kind.word; });
    if (place == std::end(kPlaces)) continue;
    for (const NameAddress& at : kind.records(db)) {
      const std::string where = RecordWords(kind, at);
      for (const NameField& field : kind.fields) {
        Add(out, {place->second, at, -1, std::string(field.word), field.stored(db, at), where});
      }
    }
    if (place->second == NamePlace::Destination) AddSourceAssociations(db, out);
  }
  AddKeypads(db, out);
  return out;
}

std::vector<std::size_t> FindNames(const std::vector<NameHit>& names, std::u16string_view text) {
  std::vector<std::size_t> out;
  if (text.empty()) return out;
  std::u16string wanted(text);
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), Fold);
  std::u16string folded;
  for (std::size_t i = 0; i < names.size(); ++i) {
    folded = names[i].name;
    std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
    if (folded.find(wanted) != std::u16string::npos) out.push_back(i);
  }
  return out;
}

}  // namespace zephra::model
