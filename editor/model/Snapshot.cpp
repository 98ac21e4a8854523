#include "Snapshot.h"

#include <algorithm>

#include "NameText.h"

namespace zephra::model {

namespace {

constexpr std::uint32_t kNameUnits = 16;

// A 16-unit string for one name field, read again and again.
class NameBuffer {
 public:
  NameBuffer() : s_(kNameUnits) {}
  operator DbsString() const { return s_; }
  std::u16string Text() const { return std::u16string(ShownName(s_.Units())); }

 private:
  UnitString s_;
};

using Calls = FirstFailure;

// A record with a name string: read with it, the name kept, the reference
// cleared.
template <class R, class Get>
DbsStatus ReadNamed(R& record, DbsString R::*field, std::u16string& name, Get get) {
  NameBuffer buffer;
  record.*field = buffer;
  const DbsStatus s = get(record);
  name = buffer.Text();
  record.*field = nullptr;
  return s;
}

// The same with two name strings.
template <class R, class Get>
DbsStatus ReadTwoNames(R& record, DbsString R::*first, DbsString R::*second, std::u16string& firstName,
                       std::u16string& secondName, Get get) {
  NameBuffer a, b;
  record.*first = a;
  record.*second = b;
  const DbsStatus s = get(record);
  firstName = a.Text();
  secondName = b.Text();
  record.*first = record.*second = nullptr;
  return s;
}

DbsStatus ReadLevel(RecordReader& r, const TConfigurationRecord& c, std::uint16_t m, std::uint16_t l,
                    LevelState& level) {
  Calls calls;
  const auto getLevel = [&](TLevelRecord& record) { return r.GetLevelData(m, l, record); };
  if (!calls.Ok(ReadNamed(level.record, &TLevelRecord::name, level.name, getLevel))) return calls.status;
  if (m == 0 && l < c.matrixPortCount) {
    level.hasPort = calls.Ok(r.GetMatrixPort(l, level.port));
    if (!level.hasPort) return calls.status;
  }
  level.sources.resize(c.sourceCount[m][l]);
  for (std::uint16_t s = 0; s < level.sources.size(); ++s) {
    SourceState& source = level.sources[s];
    NameBuffer n[6];
    source.record = TSourceRecord{m, l, s, n[0], n[1], n[2], n[3], n[4], n[5], 0, 0, 0};
    if (!calls.Ok(r.GetSourceData(source.record))) return calls.status;
    for (int i = 0; i < 6; ++i) source.names[i] = n[i].Text();
    source.record.name1 = source.record.name2 = source.record.name3 = nullptr;
    source.record.name4 = source.record.name5 = source.record.name6 = nullptr;
  }
  level.destinations.resize(c.destCount[m][l]);
  for (std::uint16_t d = 0; d < level.destinations.size(); ++d) {
    TDestinationRecord& dest = level.destinations[d];
    dest = TDestinationRecord{static_cast<std::int16_t>(m), static_cast<std::int16_t>(l), static_cast<std::int16_t>(d),
                              0, 0};
    if (!calls.Ok(r.GetDestData(dest))) return calls.status;
  }
  const std::uint32_t tableBytes = c.destCount[m][l] * ((c.sourceCount[m][l] + 7u) / 8u);
  const auto table = [&](auto get, std::vector<std::uint8_t>& bytes) {
    bytes.assign(tableBytes, 0);
    std::uint16_t length = static_cast<std::uint16_t>(std::min<std::uint32_t>(tableBytes, 0xFFFF));
    return calls.Ok(get(bytes.data(), length));
  };
  if (!table([&](std::uint8_t* b, std::uint16_t& n) { return r.GetLevelInhibits(m, l, b, n); }, level.inhibits)) {
    return calls.status;
  }
  if (c.hasAutoProtect &&
      !table([&](std::uint8_t* b, std::uint16_t& n) { return r.GetLevelAutoProt(m, l, b, n); }, level.autoProtects)) {
    return calls.status;
  }
  return DBS_OK;
}

DbsStatus ReadMatrix(RecordReader& r, const TConfigurationRecord& c, std::uint16_t m, MatrixState& matrix) {
  Calls calls;
  matrix.record = TMatrixRecord{m, nullptr, 0, 0};
  const auto getMatrix = [&](TMatrixRecord& record) { return r.GetMatrixData(m, record); };
  if (!calls.Ok(ReadNamed(matrix.record, &TMatrixRecord::name, matrix.name, getMatrix))) return calls.status;
  matrix.levels.resize(std::min<std::uint16_t>(c.levelCount[m], DBS_MAX_LEVELS));
  for (std::uint16_t l = 0; l < matrix.levels.size(); ++l) {
    if (!calls.Ok(ReadLevel(r, c, m, l, matrix.levels[l]))) return calls.status;
  }
  matrix.sourceAssocs.resize(c.sourceAssocCount[m]);
  for (std::uint16_t a = 0; a < matrix.sourceAssocs.size(); ++a) {
    if (!calls.Ok(r.GetSourceAssn(m, a, matrix.sourceAssocs[a]))) return calls.status;
  }
  matrix.destAssocs.resize(c.destAssocCount[m]);
  for (std::uint16_t a = 0; a < matrix.destAssocs.size(); ++a) {
    DestAssocState& assoc = matrix.destAssocs[a];
    const auto get = [&](TDestinationAssociationRecord& record) { return r.GetDestAssn(m, a, record); };
    if (!calls.Ok(ReadTwoNames(assoc.record, &TDestinationAssociationRecord::shortName,
                               &TDestinationAssociationRecord::name, assoc.shortName, assoc.name, get))) {
      return calls.status;
    }
  }
  return DBS_OK;
}

DbsStatus ReadPanel(RecordReader& r, const TConfigurationRecord& c, std::uint16_t p, PanelState& panel) {
  Calls calls;
  const auto get = [&](TPanelRecord& record) { return r.GetPanelRecord(p, record); };
  if (!calls.Ok(ReadNamed(panel.record, &TPanelRecord::name, panel.name, get))) return calls.status;
  for (std::uint16_t m = 0; m < c.matrixCount && m < DBS_MAX_MATRICES; ++m) {
    std::vector<bool>& dests = panel.xyDestinations.emplace_back(c.destAssocCount[m], false);
    TXYRecord xy{};
    xy.destCount = 2048;
    const DbsStatus s = r.GetXY_ControlledDests(p, m, xy);
    if (s == DBS_ERR_NO_XY_SET) continue;
    if (!calls.Ok(s)) return calls.status;
    for (std::size_t d = 0; d < dests.size() && d < 2048; ++d) dests[d] = (xy.destMap[d / 8] >> (d % 8)) & 1u;
  }
  for (std::uint16_t j = 0; j < 16; ++j) {
    TOutputRecord& out = panel.outputs[j];
    const DbsStatus s = r.GetOutputRecord(p, j, out);
    if (s == DBS_ERR_NO_OUTPUT_SET) {
      out = TOutputRecord{};
    } else if (!calls.Ok(s)) {
      return calls.status;
    }
    out.panel = p;
    out.output = j;
  }
  for (std::uint16_t j = 0; j < 16; ++j) {
    TOverrideRecord& o = panel.overrides[j];
    const DbsStatus s = r.GetOverrideSource(p, j, o);
    if (s == DBS_ERR_NO_OVERRIDE_SET) {
      o = TOverrideRecord{-1, -1, -1};
    } else if (!calls.Ok(s)) {
      return calls.status;
    }
  }
  return DBS_OK;
}

// The keypad's sequences, one path after another in the keypad's order,
// merged into a tree of key names. The walk is bounded by the node count.
DbsStatus ReadTree(RecordReader& r, const TConfigurationRecord& c, std::uint16_t k, KeypadState& keypad) {
  NameBuffer keyNames[DBS_MAX_PRESSES], displays[DBS_MAX_PRESSES];
  TEntrySequenceRecord seq{};
  for (int d = 0; d < DBS_MAX_PRESSES; ++d) {
    seq.presses[d].keyName = keyNames[d];
    seq.presses[d].displayName = displays[d];
  }
  seq.keypad = k;
  DbsStatus s = r.GetFirstSequence(k, seq);
  std::uint32_t walked = 0;
  for (; s == DBS_OK && walked <= c.nodeCount[k]; ++walked) {
    if (seq.count == 0 || seq.count > DBS_MAX_PRESSES) break;
    SequenceNodeState* at = &keypad.tree;
    for (std::uint16_t d = 0; d < seq.count; ++d) {
      const std::u16string key(KeyName(keyNames[d].Text()));
      SequenceNodeState* child = at->Child(key);
      if (!child) {
        child = at->children.emplace_back(std::make_unique<SequenceNodeState>()).get();
        child->keyName = key;
        child->displayName = displays[d].Text();
        const TKeyPressRecord& press = seq.presses[d];
        std::copy(std::begin(press.selection), std::end(press.selection), child->selection.begin());
        child->salvo = press.salvo;
      }
      at = child;
    }
    at->ends = true;
    at->salvoFlags = seq.salvoFlags;
    s = r.GetNextSequence(k, seq);
  }
  if (s == DBS_ERR_SEQUENCE_UNDEFINED || s == DBS_ERR_NO_MORE_SEQUENCES) return DBS_OK;
  // A path the library cannot find again (a blank or repeated key name) or
  // a walk longer than the nodes: the tree is known only in part.
  if (s == DBS_OK || s == DBS_ERR_SEQUENCE_NOT_FOUND) {
    keypad.treeWhole = false;
    return DBS_OK;
  }
  return s;
}

DbsStatus ReadKeypad(RecordReader& r, const TConfigurationRecord& c, std::uint16_t k, KeypadState& keypad) {
  Calls calls;
  const auto getKeypad = [&](TKeypadRecord& record) { return r.GetKeypad(k, record); };
  if (!calls.Ok(ReadNamed(keypad.record, &TKeypadRecord::name, keypad.name, getKeypad))) return calls.status;
  keypad.keys.resize(c.keyCount[k]);
  for (std::uint16_t n = 0; n < keypad.keys.size(); ++n) {
    KeyState& key = keypad.keys[n];
    const auto get = [&](TKeyRecord& record) { return r.GetKey(k, n, record); };
    if (!calls.Ok(ReadTwoNames(key.record, &TKeyRecord::name, &TKeyRecord::altName, key.name, key.altName, get))) {
      return calls.status;
    }
  }
  return ReadTree(r, c, k, keypad);
}

DbsStatus ReadSalvo(RecordReader& r, const TConfigurationRecord& c, std::uint16_t s, SalvoState& salvo) {
  Calls calls;
  salvo.record = TMacroStoreRecord{s, nullptr, nullptr, 0};
  const auto get = [&](TMacroStoreRecord& record) { return r.GetMacroStore(s, record); };
  if (!calls.Ok(ReadTwoNames(salvo.record, &TMacroStoreRecord::shortName, &TMacroStoreRecord::name, salvo.shortName,
                             salvo.name, get))) {
    return calls.status;
  }
  for (std::uint16_t n = 0; n < c.salvoXPCount; ++n) {
    TMacroXPRecord xp{};
    const DbsStatus st = r.GetMacroXP(s, n, xp);
    if (st == DBS_ERR_SALVO_EMPTY || st == DBS_ERR_SALVO_RECORD_NOT_FOUND) break;
    if (!calls.Ok(st)) return calls.status;
    salvo.crosspoints.push_back(xp);
  }
  return DBS_OK;
}

}  // namespace

SequenceNodeState* SequenceNodeState::Child(std::u16string_view key) const {
  for (const auto& child : children) {
    if (child->keyName == key) return child.get();
  }
  return nullptr;
}

DbsStatus ReadSnapshot(RecordReader& r, Snapshot& into) {
  Calls calls;
  into = Snapshot{};
  NameBuffer databaseName, title;
  TConfigurationRecord& c = into.config;
  c.name = databaseName;
  if (!calls.Ok(r.GetConfig(c))) return calls.status;
  into.databaseName = databaseName.Text();
  c.name = nullptr;
  c.matrixCount = std::min<std::uint16_t>(c.matrixCount, DBS_MAX_MATRICES);
  c.keypadCount = std::min<std::uint16_t>(c.keypadCount, DBS_MAX_KEYPADS);
  if (!calls.Ok(r.GetTitle(title)) || !calls.Ok(r.GetSearchDepth(into.searchDepth))) return calls.status;
  into.title = title.Text();
  into.matrices.resize(c.matrixCount);
  for (std::uint16_t m = 0; m < c.matrixCount; ++m) {
    if (!calls.Ok(ReadMatrix(r, c, m, into.matrices[m]))) return calls.status;
  }
  into.generalPorts.resize(c.generalPortCount);
  for (std::uint16_t i = 0; i < c.generalPortCount; ++i) {
    if (!calls.Ok(r.GetGeneralPort(i, into.generalPorts[i]))) return calls.status;
  }
  into.panels.resize(c.panelCount);
  for (std::uint16_t p = 0; p < c.panelCount; ++p) {
    if (!calls.Ok(ReadPanel(r, c, p, into.panels[p]))) return calls.status;
  }
  into.umds.resize(c.umdCount);
  for (std::uint16_t u = 0; u < c.umdCount; ++u) {
    UMDState& umd = into.umds[u];
    NameBuffer message;
    const auto get = [&](TUMDRecord& record) { return r.GetUMDRecord(u, record); };
    if (!calls.Ok(ReadNamed(umd.record, &TUMDRecord::name, umd.name, get)) ||
        !calls.Ok(r.GetFixedMessage(u, message))) {
      return calls.status;
    }
    umd.message = message.Text();
  }
  into.keypads.resize(c.keypadCount);
  for (std::uint16_t k = 0; k < c.keypadCount; ++k) {
    if (!calls.Ok(ReadKeypad(r, c, k, into.keypads[k]))) return calls.status;
  }
  into.salvos.resize(c.salvoCount);
  for (std::uint16_t s = 0; s < c.salvoCount; ++s) {
    if (!calls.Ok(ReadSalvo(r, c, s, into.salvos[s]))) return calls.status;
  }
  calls.Ok(r.GetTrigLines(into.trigLines.data()));
  return calls.status;
}

}  // namespace zephra::model
