#include "Compare.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <tuple>

#include "NameText.h"

namespace zephra::model {

namespace {

using Change = Difference::Change;

Value None() { return {}; }
Value Num(std::int64_t n) { return {Value::Type::Number, n, {}}; }
Value Name(std::u16string_view name) { return {Value::Type::Name, 0, Utf8Of(name)}; }
Value Words(std::string words) { return {Value::Type::Words, 0, std::move(words)}; }
// A record number as the editor shows it, from 1; negative is none.
Value Index(std::int16_t n) { return n < 0 ? None() : Num(n + 1); }
Value Index(std::uint16_t n) { return Index(static_cast<std::int16_t>(n)); }
Value Hex(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", n);
  return Words(text);
}
Value YesNo(bool b) { return Words(b ? "yes" : "no"); }

std::string One(int n) { return std::to_string(n + 1); }

std::string OfMatrix(int m) { return m > 0 ? " of matrix " + One(m) : ""; }

// "source 5", "source 5 of level 3" when the member is not on its slot's
// level; none for an empty member.
Value Member(const TAssociationMember& t, std::string_view what, int slotLevel) {
  if (t.matrix < 0 || t.level < 0 || t.number < 0) return None();
  std::string words = std::string(what) + " " + One(t.number);
  if (t.level != slotLevel) words += " of level " + One(t.level);
  return Words(words + OfMatrix(t.matrix));
}

Value Place(std::uint16_t port, std::uint16_t address) {
  if (port == 0xFFFF) return None();
  return Words("port " + One(port) + ", address " + std::to_string(address));
}

Value TriggerLine(std::uint8_t b) {
  return Words("line " + std::to_string(b & 0x7F) + (b & 0x80 ? " on the frame" : " on the field"));
}

template <class T>
struct FieldOf {
  std::string_view label;
  std::function<Value(const T&)> get;
};

// Where a difference is.
struct At {
  Family family;
  int matrix = -1, level = -1, number = -1, item = -1;
  std::string record;
  std::vector<std::u16string> sequence = {};
};

class Differ {
 public:
  explicit Differ(std::vector<Difference>& out) : out_(out) {}

  void Field(const At& at, std::string field, Value a, Value b) {
    if (a != b) Add(at, std::move(field), Change::Changed, std::move(a), std::move(b));
  }
  void Add(const At& at, std::string field, Change change, Value before, Value after) {
    out_.push_back({at.family, at.matrix, at.level, at.number, at.item, at.sequence, at.record, std::move(field), change,
                    std::move(before), std::move(after)});
  }
  template <class T>
  void Fields(const At& at, const std::vector<FieldOf<T>>& table, const T& a, const T& b) {
    for (const FieldOf<T>& f : table) Field(at, std::string(f.label), f.get(a), f.get(b));
  }
  // Records beyond the shorter list: "sources 33–64 added".
  void Rest(const At& at, std::string_view many, std::size_t a, std::size_t b) {
    if (a == b) return;
    const std::size_t from = std::min(a, b), to = std::max(a, b);
    std::string range = std::to_string(from + 1);
    if (to - from > 1) range += "\u2013" + std::to_string(to);
    At first = at;
    first.number = static_cast<int>(from);
    Add(first, std::string(many), a < b ? Change::Added : Change::Removed, a < b ? None() : Words(range),
        a < b ? Words(range) : None());
  }
  // One bit of two tables: "inhibit of source 5 on destination 3 added".
  void Bit(const At& at, std::string_view what, bool a, bool b, std::string words) {
    if (a == b) return;
    Add(at, std::string(what), b ? Change::Added : Change::Removed, a ? Words(words) : None(),
        b ? Words(words) : None());
  }

 private:
  std::vector<Difference>& out_;
};

// ------------------------------------------------------------------ tables

const std::vector<FieldOf<LevelState>>& LevelFields() {
  using L = LevelState;
  static const std::vector<FieldOf<L>> t = {
      {"name", [](const L& l) { return Name(l.name); }},
      {"level type", [](const L& l) { return Num(l.record.levelType); }},
      {"direction", [](const L& l) { return Num(l.record.direction); }},
      {"signal order", [](const L& l) { return Num(l.record.signalOrder); }},
      {"monitor rows", [](const L& l) { return Num(l.record.monitorRows); }},
      {"first monitor row", [](const L& l) { return Num(static_cast<std::int16_t>(l.record.firstMonitorRow)); }},
      {"park source", [](const L& l) { return Index(l.record.parkSource); }},
      {"park destination", [](const L& l) { return Index(l.record.parkDest); }},
      {"safe source", [](const L& l) { return Index(l.record.safeSource); }},
      {"physical level", [](const L& l) { return l.hasPort ? Index(l.port.physicalLevel) : None(); }},
      {"level group", [](const L& l) { return l.hasPort ? Num(l.port.group) : None(); }},
      {"port value 1", [](const L& l) { return l.hasPort ? Num(l.port.extra1) : None(); }},
      {"port value 2", [](const L& l) { return l.hasPort ? Num(l.port.extra2) : None(); }},
      {"last destination", [](const L& l) { return l.hasPort ? Index(l.port.lastDest) : None(); }},
  };
  return t;
}

const std::vector<FieldOf<SourceState>>& SourceFields() {
  using S = SourceState;
  static const std::vector<FieldOf<S>> t = {
      {"short name", [](const S& s) { return Name(s.names[0]); }},
      {"name", [](const S& s) { return Name(s.names[1]); }},
      {"name 3", [](const S& s) { return Name(s.names[2]); }},
      {"name 4", [](const S& s) { return Name(s.names[3]); }},
      {"12-character name", [](const S& s) { return Name(s.names[4]); }},
      {"16-character name", [](const S& s) { return Name(s.names[5]); }},
      {"source type", [](const S& s) { return Num(s.record.sourceType); }},
      {"audio parameter", [](const S& s) { return Num(s.record.audioParam); }},
      {"trigger", [](const S& s) { return Num(s.record.trigger); }},
  };
  return t;
}

const std::vector<FieldOf<TDestinationRecord>>& DestFields() {
  using D = TDestinationRecord;
  static const std::vector<FieldOf<D>> t = {
      {"destination log", [](const D& d) { return Num(d.destLog); }},
      {"audio parameter", [](const D& d) { return Num(d.audioParam); }},
  };
  return t;
}

const std::vector<FieldOf<TGeneralPortRecord>>& GeneralPortFields() {
  using G = TGeneralPortRecord;
  static const std::vector<FieldOf<G>> t = {
      {"protocol", [](const G& g) { return Num(g.protocol); }},
      {"port option", [](const G& g) { return Num(g.portOption); }},
      {"baud rate", [](const G& g) { return Num(g.baudRate); }},
      {"parity", [](const G& g) { return Num(g.parity); }},
      {"data bits", [](const G& g) { return Num(g.dataBits); }},
      {"stop bits", [](const G& g) { return Num(g.stopBits); }},
      {"handshake", [](const G& g) { return Num(g.handshake); }},
      {"duplex", [](const G& g) { return Num(g.duplex); }},
      {"route inhibits", [](const G& g) { return YesNo(g.routeInhibits != 0); }},
      {"aux flag", [](const G& g) { return YesNo(g.auxFlag != 0); }},
  };
  return t;
}

const std::vector<FieldOf<PanelState>>& PanelFields() {
  using P = PanelState;
  static const std::vector<FieldOf<P>> t = {
      {"name", [](const P& p) { return Name(p.name); }},
      {"place", [](const P& p) { return Place(p.record.port, p.record.address); }},
      {"panel type", [](const P& p) { return Num(p.record.panelType); }},
      {"brightness", [](const P& p) { return Num(p.record.brightness); }},
      {"mode", [](const P& p) { return Num(p.record.mode); }},
      {"flags", [](const P& p) { return Hex(p.record.flags); }},
      {"destination keypad", [](const P& p) { return Index(p.record.destKeypad); }},
      {"source keypad", [](const P& p) { return Index(p.record.sourceKeypad); }},
      {"custom data 1", [](const P& p) { return Hex(p.record.customData1); }},
      {"custom data 2", [](const P& p) { return Hex(p.record.customData2); }},
  };
  return t;
}

const std::vector<FieldOf<UMDState>>& UMDFields() {
  using U = UMDState;
  static const std::vector<FieldOf<U>> t = [] {
    std::vector<FieldOf<U>> fields = {
        {"name", [](const U& u) { return Name(u.name); }},
        {"place", [](const U& u) { return Place(u.record.port, u.record.address); }},
        {"UMD type", [](const U& u) { return Num(u.record.umdType); }},
        {"flags", [](const U& u) { return Num(u.record.umdFlags); }},
        {"brightness", [](const U& u) { return Num(u.record.brightness); }},
        {"fixed message", [](const U& u) { return Index(u.record.fixedMessage); }},
        {"message", [](const U& u) { return Name(u.message); }},
    };
    static const std::string lines[4] = {"line 1", "line 2", "line 3", "line 4"};
    for (int j = 0; j < 4; ++j) {
      fields.push_back({lines[j], [j](const U& u) { return Member(u.record.dests[j], "destination", -2); }});
    }
    return fields;
  }();
  return t;
}

const std::vector<FieldOf<KeypadState>>& KeypadFields() {
  using K = KeypadState;
  static const std::vector<FieldOf<K>> t = {
      {"name", [](const K& k) { return Name(k.name); }},
      {"keypad type",
       [](const K& k) {
         return k.record.keypadType == 0   ? Words("source")
                : k.record.keypadType == 1 ? Words("destination")
                                           : Num(k.record.keypadType);
       }},
      {"in use", [](const K& k) { return YesNo(k.record.keypadFlags & 1u); }},
      {"dial-up", [](const K& k) { return YesNo(k.record.keypadFlags & 2u); }},
      {"other flags", [](const K& k) { return Num(k.record.keypadFlags & ~3u); }},
      {"key format", [](const K& k) { return Num(k.record.keyFormat); }},
      {"keypad option", [](const K& k) { return Num(k.record.keypadOption); }},
      {"columns", [](const K& k) { return Num(k.record.columns); }},
      {"rows", [](const K& k) { return Num(k.record.rows); }},
  };
  return t;
}

const std::vector<FieldOf<KeyState>>& KeyFields() {
  using K = KeyState;
  static const std::vector<FieldOf<K>> t = {
      {"name", [](const K& k) { return Name(k.name); }},
      {"second name", [](const K& k) { return Name(k.altName); }},
      {"key type", [](const K& k) { return Num(k.record.keyType); }},
      {"key index", [](const K& k) { return Num(k.record.keyIndex); }},
      {"column", [](const K& k) { return Num(k.record.column); }},
      {"row", [](const K& k) { return Num(k.record.row); }},
  };
  return t;
}

const std::vector<FieldOf<SalvoState>>& SalvoFields() {
  using S = SalvoState;
  static const std::vector<FieldOf<S>> t = {
      {"short name", [](const S& s) { return Name(s.shortName); }},
      {"name", [](const S& s) { return Name(s.name); }},
      {"salvo data", [](const S& s) { return Num(s.record.salvoData); }},
  };
  return t;
}

// ------------------------------------------------------------------ families

std::string_view FormatWord(std::uint16_t type) {
  return type == DBS_TYPE_V1 ? "V1" : type == DBS_TYPE_V2 ? "V2" : type == DBS_TYPE_V3 ? "V3" : "KV1";
}

void CompareConfiguration(Differ& d, const Snapshot& a, const Snapshot& b) {
  const At at{Family::Configuration, -1, -1, -1, -1, "configuration"};
  const TConfigurationRecord &ca = a.config, &cb = b.config;
  d.Field(at, "name", Name(a.databaseName), Name(b.databaseName));
  d.Field(at, "format", Words(std::string(FormatWord(ca.configType))), Words(std::string(FormatWord(cb.configType))));
  d.Field(at, "version tag", Name(std::u16string_view(ca.version, 8)), Name(std::u16string_view(cb.version, 8)));
  d.Field(at, "auto-protect", YesNo(ca.hasAutoProtect), YesNo(cb.hasAutoProtect));
  const std::pair<const char*, std::uint16_t TConfigurationRecord::*> counts[] = {
      {"multi-drop ports", &TConfigurationRecord::multidropPortCount},
      {"XY sets", &TConfigurationRecord::xySetCount},
      {"output sets", &TConfigurationRecord::outputSetCount},
      {"salvo crosspoint records", &TConfigurationRecord::salvoXPCount},
      {"tie lines", &TConfigurationRecord::tieLineCount},
      {"input cues", &TConfigurationRecord::inputCueCount},
      {"output cues", &TConfigurationRecord::outputCueCount},
      {"path protects", &TConfigurationRecord::pathProtectCount},
  };
  for (const auto& [label, member] : counts) d.Field(at, label, Num(ca.*member), Num(cb.*member));
  for (std::size_t k = 0; k < std::min(a.keypads.size(), b.keypads.size()); ++k) {
    d.Field(at, "sequence nodes of keypad " + One(static_cast<int>(k)), Num(ca.nodeCount[k]), Num(cb.nodeCount[k]));
  }
}

void CompareLevel(Differ& d, int m, int l, const LevelState& a, const LevelState& b) {
  const At level{Family::Level, m, l, -1, -1, "level " + One(l) + OfMatrix(m)};
  d.Fields(level, LevelFields(), a, b);
  const std::string suffix = " of level " + One(l) + OfMatrix(m);
  for (std::size_t s = 0; s < std::min(a.sources.size(), b.sources.size()); ++s) {
    const int n = static_cast<int>(s);
    d.Fields(At{Family::Source, m, l, n, -1, "source " + One(n) + suffix}, SourceFields(), a.sources[s], b.sources[s]);
  }
  d.Rest(At{Family::Source, m, l, -1, -1, level.record}, "sources", a.sources.size(), b.sources.size());
  for (std::size_t x = 0; x < std::min(a.destinations.size(), b.destinations.size()); ++x) {
    const int n = static_cast<int>(x);
    d.Fields(At{Family::Destination, m, l, n, -1, "destination " + One(n) + suffix}, DestFields(), a.destinations[x],
             b.destinations[x]);
  }
  d.Rest(At{Family::Destination, m, l, -1, -1, level.record}, "destinations", a.destinations.size(),
         b.destinations.size());
  // The crosspoint tables on the sources and destinations both have.
  const std::size_t rowA = (a.sources.size() + 7) / 8, rowB = (b.sources.size() + 7) / 8;
  const auto bit = [](const std::vector<std::uint8_t>& t, std::size_t row, std::size_t dest, std::size_t src) {
    const std::size_t i = dest * row + src / 8;
    return i < t.size() && ((t[i] >> (src % 8)) & 1u);
  };
  for (std::size_t x = 0; x < std::min(a.destinations.size(), b.destinations.size()); ++x) {
    for (std::size_t s = 0; s < std::min(a.sources.size(), b.sources.size()); ++s) {
      const std::string where = "of source " + One(static_cast<int>(s)) + " on destination " + One(static_cast<int>(x));
      d.Bit(level, "inhibit", bit(a.inhibits, rowA, x, s), bit(b.inhibits, rowB, x, s), where);
      d.Bit(level, "auto-protect", bit(a.autoProtects, rowA, x, s), bit(b.autoProtects, rowB, x, s), where);
    }
  }
}

void CompareMatrix(Differ& d, int m, const MatrixState& a, const MatrixState& b) {
  const At matrix{Family::Matrix, m, -1, -1, -1, "matrix " + One(m)};
  d.Field(matrix, "name", Name(a.name), Name(b.name));
  d.Field(matrix, "park mode", Num(a.record.parkMode), Num(b.record.parkMode));
  d.Field(matrix, "log type", Num(a.record.logType), Num(b.record.logType));
  const std::size_t levels = std::min(a.levels.size(), b.levels.size());
  for (std::size_t l = 0; l < levels; ++l) CompareLevel(d, m, static_cast<int>(l), a.levels[l], b.levels[l]);
  d.Rest(At{Family::Level, m, -1, -1, -1, matrix.record}, "levels", a.levels.size(), b.levels.size());
  // Members only on the levels both have; a slot past them is not used.
  for (std::size_t i = 0; i < std::min(a.sourceAssocs.size(), b.sourceAssocs.size()); ++i) {
    const int n = static_cast<int>(i);
    const At at{Family::SourceAssociation, m, -1, n, -1, "source association " + One(n) + OfMatrix(m)};
    for (std::size_t j = 0; j < levels && j < 16; ++j) {
      const int slot = static_cast<int>(j);
      d.Field(at, "level " + One(slot) + " member", Member(a.sourceAssocs[i].members[j], "source", slot),
              Member(b.sourceAssocs[i].members[j], "source", slot));
    }
  }
  d.Rest(At{Family::SourceAssociation, m, -1, -1, -1, matrix.record}, "source associations", a.sourceAssocs.size(),
         b.sourceAssocs.size());
  for (std::size_t i = 0; i < std::min(a.destAssocs.size(), b.destAssocs.size()); ++i) {
    const int n = static_cast<int>(i);
    const At at{Family::DestinationAssociation, m, -1, n, -1, "destination association " + One(n) + OfMatrix(m)};
    const DestAssocState &x = a.destAssocs[i], &y = b.destAssocs[i];
    d.Field(at, "short name", Name(x.shortName), Name(y.shortName));
    d.Field(at, "name", Name(x.name), Name(y.name));
    for (std::size_t j = 0; j < levels && j < 16; ++j) {
      const int slot = static_cast<int>(j);
      d.Field(at, "level " + One(slot) + " member", Member(x.record.members[j], "destination", slot),
              Member(y.record.members[j], "destination", slot));
    }
  }
  d.Rest(At{Family::DestinationAssociation, m, -1, -1, -1, matrix.record}, "destination associations",
         a.destAssocs.size(), b.destAssocs.size());
}

std::string LevelList(std::uint16_t bits) {
  std::string list;
  for (int l = 0; l < 16; ++l) {
    if (bits & (1u << l)) list += (list.empty() ? "" : ", ") + One(l);
  }
  return list.empty() ? "none" : list;
}

void ComparePanel(Differ& d, std::size_t matrices, int p, const PanelState& a, const PanelState& b) {
  const At at{Family::Panel, -1, -1, p, -1, "panel " + One(p)};
  d.Fields(at, PanelFields(), a, b);
  for (std::size_t m = 0; m < matrices && m < 20; ++m) {
    d.Field(at, "levels" + OfMatrix(static_cast<int>(m)), Words(LevelList(a.record.levels[m])),
            Words(LevelList(b.record.levels[m])));
  }
  for (std::size_t m = 0; m < std::min(a.xyDestinations.size(), b.xyDestinations.size()); ++m) {
    const auto &x = a.xyDestinations[m], &y = b.xyDestinations[m];
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
      d.Bit(at, "XY destination", x[i], y[i], One(static_cast<int>(i)) + OfMatrix(static_cast<int>(m)));
    }
  }
  for (int j = 0; j < 16; ++j) {
    d.Field(at, "output " + One(j) + " word 1", Num(a.outputs[j].outputWord1), Num(b.outputs[j].outputWord1));
    d.Field(at, "output " + One(j) + " word 2", Num(a.outputs[j].outputWord2), Num(b.outputs[j].outputWord2));
  }
  for (int j = 0; j < 16; ++j) {
    const auto source = [](const TOverrideRecord& o) {
      return Member(TAssociationMember{o.matrix, o.level, o.source}, "source", -2);
    };
    d.Field(at, "override " + One(j), source(a.overrides[j]), source(b.overrides[j]));
  }
}

std::string PathWords(const std::vector<std::u16string>& path) {
  std::string words;
  for (const std::u16string& key : path) words += (words.empty() ? "" : " > ") + Utf8Of(key);
  return words;
}

std::size_t NodesBelow(const SequenceNodeState& node) {
  std::size_t n = 0;
  for (const auto& child : node.children) n += 1 + NodesBelow(*child);
  return n;
}

void CompareNodes(Differ& d, int k, std::size_t matrices, std::vector<std::u16string>& path,
                  const SequenceNodeState& a, const SequenceNodeState& b) {
  const At keypad{Family::Sequence, -1, -1, k, -1, "keypad " + One(k), path};
  const auto whole = [&](const SequenceNodeState& node) {
    path.push_back(node.keyName);
    std::string words = PathWords(path);
    path.pop_back();
    if (const std::size_t below = NodesBelow(node)) {
      words += " (with " + std::to_string(below) + (below == 1 ? " step" : " steps") + " below it)";
    }
    return Words(words);
  };
  for (const auto& child : a.children) {
    const SequenceNodeState* other = b.Child(child->keyName);
    if (!other) {
      d.Add(keypad, "sequence", Change::Removed, whole(*child), None());
      continue;
    }
    path.push_back(child->keyName);
    const At node{Family::Sequence, -1, -1, k, -1, "sequence " + PathWords(path) + " of keypad " + One(k), path};
    d.Field(node, "display name", Name(child->displayName), Name(other->displayName));
    for (std::size_t m = 0; m < matrices && m < 20; ++m) {
      d.Field(node, "selection" + OfMatrix(static_cast<int>(m)), Index(child->selection[m]),
              Index(other->selection[m]));
    }
    d.Field(node, "salvo", Index(child->salvo), Index(other->salvo));
    if (child->ends && other->ends) d.Field(node, "salvo flags", Num(child->salvoFlags), Num(other->salvoFlags));
    CompareNodes(d, k, matrices, path, *child, *other);
    path.pop_back();
  }
  for (const auto& child : b.children) {
    if (!a.Child(child->keyName)) d.Add(keypad, "sequence", Change::Added, None(), whole(*child));
  }
}

void CompareKeypad(Differ& d, std::size_t matrices, int k, const KeypadState& a, const KeypadState& b) {
  const At at{Family::Keypad, -1, -1, k, -1, "keypad " + One(k)};
  d.Fields(at, KeypadFields(), a, b);
  for (std::size_t i = 0; i < std::min(a.keys.size(), b.keys.size()); ++i) {
    const int n = static_cast<int>(i);
    d.Fields(At{Family::Key, -1, -1, k, n, "key " + One(n) + " of keypad " + One(k)}, KeyFields(), a.keys[i], b.keys[i]);
  }
  d.Rest(At{Family::Key, -1, -1, k, -1, at.record}, "keys", a.keys.size(), b.keys.size());
  std::vector<std::u16string> path;
  CompareNodes(d, k, matrices, path, a.tree, b.tree);
  d.Field(At{Family::Sequence, -1, -1, k, -1, at.record}, "sequences read whole", YesNo(a.treeWhole),
          YesNo(b.treeWhole));
}

void CompareSalvo(Differ& d, int s, const SalvoState& a, const SalvoState& b) {
  const At at{Family::Salvo, -1, -1, s, -1, "salvo " + One(s)};
  d.Fields(at, SalvoFields(), a, b);
  using Key = std::tuple<int, int, int>;
  const auto keyed = [](const SalvoState& salvo) {
    std::map<Key, std::int16_t> sources;
    for (const TMacroXPRecord& xp : salvo.crosspoints) sources.try_emplace({xp.matrix, xp.level, xp.destination}, xp.source);
    return sources;
  };
  const auto x = keyed(a), y = keyed(b);
  const auto to = [](const Key& key) {
    const auto& [m, l, dest] = key;
    return "to destination " + One(dest) + " of level " + One(l) + OfMatrix(m);
  };
  for (const TMacroXPRecord& xp : a.crosspoints) {
    const Key key{xp.matrix, xp.level, xp.destination};
    const auto it = y.find(key);
    if (it == y.end()) {
      d.Add(at, "crosspoint", Change::Removed, Words(to(key) + " from source " + One(xp.source)), None());
    } else if (x.at(key) == xp.source) {
      d.Field(at, "crosspoint " + to(key), Words("from source " + One(xp.source)),
              Words("from source " + One(it->second)));
    }
  }
  for (const TMacroXPRecord& xp : b.crosspoints) {
    const Key key{xp.matrix, xp.level, xp.destination};
    if (!x.count(key) && y.at(key) == xp.source) {
      d.Add(at, "crosspoint", Change::Added, None(), Words(to(key) + " from source " + One(xp.source)));
    }
  }
}

// Indexed records of the database: those both have, then the rest listed.
template <class T, class Each>
void Records(Differ& d, Family family, std::string_view many, const std::vector<T>& a, const std::vector<T>& b,
             Each each) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) each(static_cast<int>(i), a[i], b[i]);
  d.Rest(At{family, -1, -1, -1, -1, "database"}, many, a.size(), b.size());
}

}  // namespace

std::string_view FamilyWord(Family family) {
  static constexpr std::string_view words[] = {
      "configuration", "database", "matrix", "level", "source", "destination", "source association",
      "destination association", "general port", "panel", "UMD", "keypad", "key", "sequence", "salvo",
      "trigger lines"};
  return words[static_cast<int>(family)];
}

std::string Show(const Value& v) {
  switch (v.type) {
    case Value::Type::None: return "none";
    case Value::Type::Number: return std::to_string(v.number);
    case Value::Type::Name: return "'" + v.text + "'";
    case Value::Type::Words: return v.text;
  }
  return {};
}

std::string Describe(const Difference& x) {
  switch (x.change) {
    case Change::Changed: return x.record + ": " + x.field + " " + Show(x.before) + " \u2192 " + Show(x.after);
    case Change::Added: return x.record + ": " + x.field + " " + Show(x.after) + " added";
    case Change::Removed: return x.record + ": " + x.field + " " + Show(x.before) + " removed";
  }
  return {};
}

std::vector<Difference> Compare(const Snapshot& a, const Snapshot& b) {
  std::vector<Difference> out;
  Differ d(out);
  CompareConfiguration(d, a, b);
  const At database{Family::Database, -1, -1, -1, -1, "database"};
  d.Field(database, "title", Name(a.title), Name(b.title));
  d.Field(database, "search depth", Num(a.searchDepth), Num(b.searchDepth));
  const std::size_t matrices = std::min(a.matrices.size(), b.matrices.size());
  for (std::size_t m = 0; m < matrices; ++m) CompareMatrix(d, static_cast<int>(m), a.matrices[m], b.matrices[m]);
  d.Rest(At{Family::Matrix, -1, -1, -1, -1, "database"}, "matrices", a.matrices.size(), b.matrices.size());
  Records(d, Family::GeneralPort, "general ports", a.generalPorts, b.generalPorts,
          [&](int i, const TGeneralPortRecord& x, const TGeneralPortRecord& y) {
            d.Fields(At{Family::GeneralPort, -1, -1, i, -1, "general port " + One(i)}, GeneralPortFields(), x, y);
          });
  Records(d, Family::Panel, "panels", a.panels, b.panels,
          [&](int i, const PanelState& x, const PanelState& y) { ComparePanel(d, matrices, i, x, y); });
  Records(d, Family::UMD, "UMDs", a.umds, b.umds, [&](int i, const UMDState& x, const UMDState& y) {
    d.Fields(At{Family::UMD, -1, -1, i, -1, "UMD " + One(i)}, UMDFields(), x, y);
  });
  Records(d, Family::Keypad, "keypads", a.keypads, b.keypads,
          [&](int i, const KeypadState& x, const KeypadState& y) { CompareKeypad(d, matrices, i, x, y); });
  Records(d, Family::Salvo, "salvos", a.salvos, b.salvos,
          [&](int i, const SalvoState& x, const SalvoState& y) { CompareSalvo(d, i, x, y); });
  const At trig{Family::TriggerLines, -1, -1, -1, -1, "trigger lines"};
  d.Field(trig, "525 lines", TriggerLine(a.trigLines[0]), TriggerLine(b.trigLines[0]));
  d.Field(trig, "625 lines", TriggerLine(a.trigLines[1]), TriggerLine(b.trigLines[1]));
  d.Field(trig, "spare byte", Num(a.trigLines[2]), Num(b.trigLines[2]));
  d.Field(trig, "HD", TriggerLine(a.trigLines[3]), TriggerLine(b.trigLines[3]));
  return out;
}

}  // namespace zephra::model
