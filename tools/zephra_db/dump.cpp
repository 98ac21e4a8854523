#include "dump.h"

#include <string>

#include "model/RecordAccess.h"
#include "text.h"

namespace zephra::tool {
namespace {

// A name field read into a 16-unit string, without its zero padding.
class Name {
 public:
  Name() : s_(16) {}
  operator DbsString() const { return s_; }
  std::string Text() const {
    const std::u16string_view units = s_.Units();
    return ToUtf8(units.substr(0, units.find(u'\0')));
  }

 private:
  LibString s_;
};

// Stops the dump at the first failing call.
using Calls = model::FirstFailure;

nlohmann::json Members(const TAssociationMember (&members)[16]) {
  nlohmann::json out = nlohmann::json::array();
  for (const TAssociationMember& m : members) {
    out.push_back(m.matrix < 0 ? nlohmann::json(nullptr) : nlohmann::json{m.matrix, m.level, m.number});
  }
  while (!out.empty() && out.back().is_null()) out.erase(out.size() - 1);
  return out;
}

nlohmann::json Level(DbsHandle h, const TConfigurationRecord& c, std::uint16_t l, Calls& calls) {
  Name name;
  TLevelRecord r{};
  r.name = name;
  std::uint16_t physical = 0;
  if (!calls.Ok(dbs_GetLevelData(0, l, &r, h)) || !calls.Ok(dbs_GetPhysicalLevel(l, &physical, h))) return {};
  nlohmann::json level = {{"name", name.Text()},          {"levelType", r.levelType},
                          {"physicalLevel", physical},     {"direction", r.direction},
                          {"signalOrder", r.signalOrder},  {"monitorRows", r.monitorRows},
                          {"firstMonitorRow", static_cast<std::int16_t>(r.firstMonitorRow)},
                          {"parkSource", static_cast<std::int16_t>(r.parkSource)},
                          {"parkDest", static_cast<std::int16_t>(r.parkDest)},
                          {"safeSource", static_cast<std::int16_t>(r.safeSource)}};
  nlohmann::json sources = nlohmann::json::array();
  for (std::uint16_t s = 0; s < c.sourceCount[0][l]; ++s) {
    Name n[6];
    TSourceRecord sr{0, l, s, n[0], n[1], n[2], n[3], n[4], n[5], 0, 0, 0};
    if (!calls.Ok(dbs_GetSourceData(&sr, h))) return {};
    sources.push_back({{"names", {n[0].Text(), n[1].Text(), n[2].Text(), n[3].Text(), n[4].Text(), n[5].Text()}},
                       {"sourceType", sr.sourceType},
                       {"audioParam", sr.audioParam},
                       {"trigger", sr.trigger}});
  }
  level["sources"] = sources;
  nlohmann::json dests = nlohmann::json::array();
  for (std::uint16_t d = 0; d < c.destCount[0][l]; ++d) {
    TDestinationRecord dr{0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(d), 0, 0};
    if (!calls.Ok(dbs_GetDestData(&dr, h))) return {};
    dests.push_back({{"destLog", dr.destLog}, {"audioParam", dr.audioParam}});
  }
  level["destinations"] = dests;
  std::uint16_t length = 0;
  if (!calls.Ok(dbs_GetLevelInhibits(0, l, nullptr, &length, h))) return {};
  std::vector<std::uint8_t> inhibits(length);
  if (!calls.Ok(dbs_GetLevelInhibits(0, l, inhibits.data(), &length, h))) return {};
  nlohmann::json inhibited = nlohmann::json::array();  // [destination, source] pairs
  const std::uint32_t rowBytes = (c.sourceCount[0][l] + 7u) / 8u;
  for (std::uint32_t i = 0; i < inhibits.size(); ++i) {
    for (std::uint32_t bit = 0; bit < 8; ++bit) {
      if (inhibits[i] & (1u << bit)) inhibited.push_back({i / rowBytes, (i % rowBytes) * 8 + bit});
    }
  }
  level["inhibits"] = inhibited;
  return level;
}

nlohmann::json Keypad(DbsHandle h, const TConfigurationRecord& c, std::uint16_t k, Calls& calls) {
  Name name;
  TKeypadRecord r{};
  r.name = name;
  if (!calls.Ok(dbs_GetKeypad(k, &r, h))) return {};
  nlohmann::json keypad = {{"name", name.Text()},       {"keypadType", r.keypadType}, {"keypadFlags", r.keypadFlags},
                           {"keyFormat", r.keyFormat},  {"keypadOption", r.keypadOption},
                           {"columns", r.columns},      {"rows", r.rows}};
  nlohmann::json keys = nlohmann::json::array();
  for (std::uint16_t n = 0; n < c.keyCount[k]; ++n) {
    Name keyName, altName;
    TKeyRecord key{};
    key.name = keyName;
    key.altName = altName;
    if (!calls.Ok(dbs_GetKey(k, n, &key, h))) return {};
    keys.push_back({{"name", keyName.Text()}, {"altName", altName.Text()}, {"keyType", key.keyType},
                    {"keyIndex", key.keyIndex}, {"column", key.column}, {"row", key.row}});
  }
  keypad["keys"] = keys;
  // Each sequence: its key names, and what its last press selects.
  nlohmann::json sequences = nlohmann::json::array();
  Name keyNames[DBS_MAX_PRESSES], displays[DBS_MAX_PRESSES];
  TEntrySequenceRecord seq{};
  for (int d = 0; d < DBS_MAX_PRESSES; ++d) {
    seq.presses[d].keyName = keyNames[d];
    seq.presses[d].displayName = displays[d];
  }
  DbsStatus s = dbs_GetFirstSequence(k, &seq, h);
  for (std::uint32_t guard = 0; s == DBS_OK && guard <= c.nodeCount[k]; ++guard) {
    nlohmann::json path = nlohmann::json::array();
    for (std::uint16_t d = 0; d < seq.count; ++d) path.push_back(keyNames[d].Text());
    const TKeyPressRecord& last = seq.presses[seq.count - 1];
    sequences.push_back({{"keys", path}, {"display", displays[seq.count - 1].Text()},
                         {"selection", last.selection[0]}, {"salvo", last.salvo}});
    s = dbs_GetNextSequence(k, &seq, h);
  }
  if (s != DBS_ERR_NO_MORE_SEQUENCES && s != DBS_ERR_SEQUENCE_UNDEFINED && s != DBS_OK) calls.Ok(s);
  keypad["sequences"] = sequences;
  return keypad;
}

nlohmann::json Salvo(DbsHandle h, std::uint16_t s, Calls& calls) {
  Name shortName, name;
  TMacroStoreRecord r{s, shortName, name, 0};
  if (!calls.Ok(dbs_GetMacroStore(s, &r, h))) return {};
  nlohmann::json crosspoints = nlohmann::json::array();
  TMacroXPRecord xp{};
  for (std::uint16_t n = 0; dbs_GetMacroXP(s, n, &xp, h) == DBS_OK; ++n) {
    crosspoints.push_back({xp.matrix, xp.level, xp.destination, xp.source});
  }
  return {{"shortName", shortName.Text()}, {"name", name.Text()}, {"salvoData", r.salvoData},
          {"crosspoints", crosspoints}};
}

nlohmann::json Panel(DbsHandle h, const TConfigurationRecord& c, std::uint16_t p, Calls& calls) {
  Name name;
  TPanelRecord r{};
  r.name = name;
  if (!calls.Ok(dbs_GetPanelRecord(p, &r, h))) return {};
  nlohmann::json panel = {{"name", name.Text()},
                          {"place", r.port == 0xFFFF ? nlohmann::json(nullptr) : nlohmann::json{r.port, r.address}},
                          {"panelType", r.panelType},
                          {"brightness", r.brightness},
                          {"mode", r.mode},
                          {"flags", r.flags},
                          {"levels", r.levels[0]},
                          {"sourceKeypad", static_cast<std::int16_t>(r.sourceKeypad)},
                          {"destKeypad", static_cast<std::int16_t>(r.destKeypad)},
                          {"customData", {r.customData1, r.customData2}}};
  TXYRecord xy{};
  xy.destCount = 2048;
  const DbsStatus s = dbs_GetXY_ControlledDests(p, 0, &xy, h);
  if (s == DBS_OK && c.matrixCount > 0) {
    nlohmann::json dests = nlohmann::json::array();
    for (std::uint32_t d = 0; d < xy.destCount && d < c.destAssocCount[0]; ++d) {
      if (xy.destMap[d / 8] & (1u << (d % 8))) dests.push_back(d);
    }
    panel["xyDestinations"] = dests;
  } else if (s != DBS_ERR_NO_XY_SET && s != DBS_ERR_INVALID_ARGUMENT) {
    calls.Ok(s);
  }
  nlohmann::json overrides = nlohmann::json::array();
  for (std::uint16_t j = 0; j < 16; ++j) {
    TOverrideRecord o{};
    if (dbs_GetOverrideSource(p, j, &o, h) != DBS_OK) break;
    overrides.push_back(o.matrix < 0 ? nlohmann::json(nullptr) : nlohmann::json{o.matrix, o.level, o.source});
  }
  panel["overrides"] = overrides;
  nlohmann::json outputs = nlohmann::json::array();
  for (std::uint16_t j = 0; j < 16; ++j) {
    TOutputRecord o{};
    if (dbs_GetOutputRecord(p, j, &o, h) != DBS_OK) break;
    outputs.push_back({o.outputWord1, o.outputWord2});
  }
  panel["outputs"] = outputs;
  return panel;
}

nlohmann::json UMD(DbsHandle h, std::uint16_t u, Calls& calls) {
  Name name, message;
  TUMDRecord r{};
  r.name = name;
  if (!calls.Ok(dbs_GetUMDRecord(u, &r, h)) || !calls.Ok(dbs_GetFixedMessage(u, message, h))) return {};
  nlohmann::json dests = nlohmann::json::array();
  for (const TAssociationMember& d : r.dests) {
    dests.push_back(d.number < 0 ? nlohmann::json(nullptr) : nlohmann::json{d.matrix, d.level, d.number});
  }
  return {{"name", name.Text()},
          {"place", r.port == 0xFFFF ? nlohmann::json(nullptr) : nlohmann::json{r.port, r.address}},
          {"umdType", r.umdType},
          {"keypad", r.display == 0xFF ? nlohmann::json(nullptr) : nlohmann::json(r.display)},
          {"umdFlags", r.umdFlags},
          {"dests", dests},
          {"brightness", r.brightness},
          {"fixedMessage", static_cast<std::int16_t>(r.fixedMessage)},
          {"fixedMessageText", message.Text()}};
}

}  // namespace

DbsStatus DumpRecords(DbsHandle h, const TConfigurationRecord& c, nlohmann::json& out) {
  Calls calls;
  Name title;
  std::uint16_t depth = 0;
  if (calls.Ok(dbs_GetTitle(title, h)) && calls.Ok(dbs_GetSearchDepth(&depth, h))) {
    out["title"] = title.Text();
    out["searchDepth"] = depth;
  }
  if (c.matrixCount > 0) {
    Name matrixName;
    TMatrixRecord m{0, matrixName, 0, 0};
    if (calls.Ok(dbs_GetMatrixData(0, &m, h))) {
      out["matrix"] = {{"name", matrixName.Text()}, {"parkMode", m.parkMode}, {"logType", m.logType}};
    }
    nlohmann::json levels = nlohmann::json::array();
    for (std::uint16_t l = 0; l < c.levelCount[0] && calls.status == DBS_OK; ++l) levels.push_back(Level(h, c, l, calls));
    out["levels"] = levels;
    nlohmann::json sourceAssocs = nlohmann::json::array();
    for (std::uint16_t a = 0; a < c.sourceAssocCount[0] && calls.status == DBS_OK; ++a) {
      TSourceAssociationRecord r{};
      if (calls.Ok(dbs_GetSourceAssn(0, a, &r, h))) sourceAssocs.push_back(Members(r.members));
    }
    out["sourceAssociations"] = sourceAssocs;
    nlohmann::json destAssocs = nlohmann::json::array();
    for (std::uint16_t a = 0; a < c.destAssocCount[0] && calls.status == DBS_OK; ++a) {
      Name shortName, name;
      TDestinationAssociationRecord r{};
      r.shortName = shortName;
      r.name = name;
      if (calls.Ok(dbs_GetDestAssn(0, a, &r, h))) {
        destAssocs.push_back(
            {{"shortName", shortName.Text()}, {"name", name.Text()}, {"members", Members(r.members)}});
      }
    }
    out["destinationAssociations"] = destAssocs;
  }
  nlohmann::json matrixPorts = nlohmann::json::array();
  for (std::uint16_t i = 0; i < c.matrixPortCount && calls.status == DBS_OK; ++i) {
    TMatrixPortRecord p{};
    if (calls.Ok(dbs_GetMatrixPort(i, &p, h))) {
      matrixPorts.push_back({{"physicalLevel", p.physicalLevel}, {"matrix", p.matrix}, {"level", p.level},
                             {"group", p.group}, {"extra1", p.extra1}, {"extra2", p.extra2}, {"lastDest", p.lastDest}});
    }
  }
  out["matrixPorts"] = matrixPorts;
  nlohmann::json generalPorts = nlohmann::json::array();
  for (std::uint16_t i = 0; i < c.generalPortCount && calls.status == DBS_OK; ++i) {
    TGeneralPortRecord p{};
    if (calls.Ok(dbs_GetGeneralPort(i, &p, h))) {
      generalPorts.push_back({{"protocol", p.protocol},   {"portOption", p.portOption}, {"baudRate", p.baudRate},
                              {"parity", p.parity},       {"dataBits", p.dataBits},     {"stopBits", p.stopBits},
                              {"handshake", p.handshake}, {"duplex", p.duplex},
                              {"routeInhibits", p.routeInhibits != 0}, {"auxFlag", p.auxFlag != 0}});
    }
  }
  out["generalPorts"] = generalPorts;
  nlohmann::json panels = nlohmann::json::array();
  for (std::uint16_t p = 0; p < c.panelCount && calls.status == DBS_OK; ++p) panels.push_back(Panel(h, c, p, calls));
  out["panels"] = panels;
  nlohmann::json umds = nlohmann::json::array();
  for (std::uint16_t u = 0; u < c.umdCount && calls.status == DBS_OK; ++u) umds.push_back(UMD(h, u, calls));
  out["umds"] = umds;
  nlohmann::json keypads = nlohmann::json::array();
  for (std::uint16_t k = 0; k < c.keypadCount && calls.status == DBS_OK; ++k) keypads.push_back(Keypad(h, c, k, calls));
  out["keypads"] = keypads;
  nlohmann::json salvos = nlohmann::json::array();
  for (std::uint16_t s = 0; s < c.salvoCount && calls.status == DBS_OK; ++s) salvos.push_back(Salvo(h, s, calls));
  out["salvos"] = salvos;
  std::uint8_t lines[4] = {};
  if (calls.Ok(dbs_GetTrigLines(lines, h))) out["trigLines"] = {lines[0], lines[1], lines[2], lines[3]};
  return calls.status;
}

}  // namespace zephra::tool
