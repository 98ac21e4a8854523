// Database files from anywhere: the input chooses a small configuration of
// any format and the bytes of its tables; the file is written with sound
// block checksums, so what is tried is the tables, not the checksum check.
// The file is opened read-only and writable, every Get export is called over
// every index the configuration admits (and one past it), the structure
// checker, the dump and the controller image run over it, one set of each
// family is made, and it is reconfigured into a second file, which must
// open, verify and hold sound trees and chains; an input takes some of
// these steps or all (its header says which). Nothing may crash, hang,
// touch memory outside the file or leak a slot.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "dbs/checker.h"
#include "dbs/checksum.h"
#include "dbs/defaults.h"
#include "dbs/entry.h"
#include "dbs/transfer/controller_image.h"
#include "fuzz_calls.h"
#include "fuzz_inputs.h"
#include "tools/zephra_db/dump.h"

namespace zephra::fuzz {
namespace {

// One set operation of each family, on records that the file holds.
void SetEachFamily(DbsHandle h, const ConfigImage& c) {
  Strings& n = Names();
  LibString fuzz(u"FUZZ"), key(u"Key 1"), other(u"ZZ");
  dbs_SetTitle(fuzz, h);
  dbs_SetMatrixName(0, fuzz, h);
  TLevelRecord level{};
  level.name = n.s16;
  if (dbs_GetLevelData(0, 0, &level, h) == DBS_OK) {
    level.levelType = 4;
    level.parkSource = 0;
    dbs_SetLevelData(0, 0, &level, h);
  }
  const TSourceIndexRecord source{0, 0, 0};
  dbs_SetSourceName(&source, fuzz, h);
  dbs_SetAudioSourceParam(&source, 7, h);
  const TMatrixPointRecord point{0, 0, 0, 0};
  dbs_SetInhibit(&point, 1, h);
  dbs_SetAutoProt(&point, 1, h);
  TDestinationRecord dest{0, 0, 0, 1, 2};
  dbs_SetDestData(&dest, h);
  TSourceAssociationRecord sourceAssoc{};
  if (dbs_GetSourceAssn(0, 0, &sourceAssoc, h) == DBS_OK) {
    sourceAssoc.members[1] = {0, 1, 0};
    dbs_SetSourceAssn(0, 0, &sourceAssoc, h);
  }
  TDestinationAssociationRecord destAssoc{};
  destAssoc.shortName = n.s4;
  destAssoc.name = n.s16;
  if (dbs_GetDestAssn(0, 0, &destAssoc, h) == DBS_OK) dbs_SetDestAssn(0, 0, &destAssoc, h);
  TMatrixPortRecord matrixPort{};
  if (dbs_GetMatrixPort(0, &matrixPort, h) == DBS_OK) dbs_SetPhysicalLevel(0, 1, h);
  TGeneralPortRecord general{};
  if (dbs_GetGeneralPort(0, &general, h) == DBS_OK) {
    general.baudRate = 9600;
    dbs_SetGeneralPort(0, &general, h);
  }
  dbs_SetPanelPort(0, 0, 1, h);
  dbs_SetUMDPort(0, 0, 1, h);  // takes the panel's place
  dbs_SetPanelPort(1, 0, 1, h);

  // Keys and sequences: a renamed key renames (or removes) its sequences.
  for (std::uint16_t k = 0; k < c.keypadCount && k < 2; ++k) {
    TKeyRecord r{0, k, key, other, 1, 0, 0, 0};
    dbs_SetKey(k, 0, &r, h);
    TEntrySequenceRecord seq{};
    LibString display(u"D");
    seq.keypad = k;
    seq.count = 2;
    for (int d = 0; d < 2; ++d) {
      seq.presses[d].keyName = d == 0 ? static_cast<DbsString>(key) : static_cast<DbsString>(other);
      seq.presses[d].displayName = display;
      std::fill(std::begin(seq.presses[d].selection), std::end(seq.presses[d].selection), std::int16_t{-1});
      seq.presses[d].salvo = -1;
    }
    seq.presses[1].selection[0] = 0;
    dbs_SetEntrySequence(k, &seq, h);
    seq.count = 2;
    dbs_DeleteLastNode(k, &seq, h);
    dbs_SetKeyAssignment(k, key, 0, 1, 0, h);
    r.keyType = 5;  // no longer a name key: its sequences go
    dbs_SetKey(k, 0, &r, h);
  }
  if (c.keypadCount > 1) dbs_CopyKeypad(0, 1, 0, nullptr, nullptr, h);
  if (c.keypadCount > 0) dbs_ClearKeypad(static_cast<std::uint16_t>(c.keypadCount - 1), h);

  TPanelRecord panel{};
  panel.name = n.s16;
  if (dbs_GetPanelRecord(0, &panel, h) == DBS_OK) {
    panel.panelType = 3;
    dbs_SetPanelRecord(0, &panel, h);
  }
  dbs_SetPanelKeypad(0, 0, 32, h);
  TXYRecord xy{};
  xy.destCount = 8;
  xy.destMap[0] = 0x81;
  dbs_SetXY_ControlledDests(0, 0, &xy, h);
  const TOutputRecord output{0, 3, 1, 2};
  dbs_SetOutputRecord(0, 3, &output, h);
  const TOverrideRecord override{0, 0, 0};
  dbs_SetOverrideSource(0, 0, &override, h);

  const TAssociationMember line{0, 0, 0};
  dbs_SetUMDDests(0, 0, &line, h);
  TUMDRecord umd{};
  umd.name = n.s16;
  if (dbs_GetUMDRecord(0, &umd, h) == DBS_OK) {
    umd.fixedMessage = 0;
    dbs_SetUMDRecord(0, &umd, h);
  }
  dbs_SetFixedMessage(0, fuzz, h);

  TMacroStoreRecord salvo{0, n.s4, n.s16, 0};
  if (dbs_GetMacroStore(0, &salvo, h) == DBS_OK) dbs_SetMacroStore(0, &salvo, h);
  const TMacroXPRecord xp{0, 0, 0, 0};
  dbs_SetMacroXP(0, &xp, h);
  const TMacroXPRecord xp2{0, 0, 1, 0};
  dbs_SetMacroXP(0, &xp2, h);
  dbs_DeleteMacroXP(0, &xp, h);
  const std::uint8_t lines[4] = {0x8A, 0x86, 0, 0x86};
  dbs_SetTrigLines(lines, h);
}

// The checked structures of the slot's image.
std::vector<StructureProblem> Problems(DbsHandle h) {
  const DatabaseSlot& db = *Slots()[h].db;
  return FindStructureProblems(db.config, db.layout, {db.image, db.layout.fileSize});
}

// What zephra-db dump prints.
void Dump(DbsHandle h) {
  TConfigurationRecord record{};
  LibString name(16);
  record.name = name;
  dbs_GetConfig(&record, h);
  nlohmann::json dump;
  tool::DumpRecords(h, record, dump);
}

// The controller image and parameter areas a download sends.
void ControllerImage(DbsHandle h) {
  WithDb(h, [](Db& d) -> Status {
    const auto image = EncodeControllerImage(d);
    if (image.size() % kBlockSize != 0) Fault("a controller image of part blocks");
    for (int area = 1; area <= 3; ++area) EncodeParameterArea(d, area);
    return DBS_OK;
  });
}

bool Link(StructureProblem::Kind kind) {
  using K = StructureProblem::Kind;
  return kind == K::SequenceTree || kind == K::SequenceNodes || kind == K::SalvoChain || kind == K::SalvoCount ||
         kind == K::SalvoPool;
}

// The reconfigured file: it opens, and its trees, free lists and chains are
// sound. What it copied whole from the old file (sibling order and depth of
// the trees, the devices) may carry the old file's faults, but no others.
void CheckCopy(const std::string& path, const std::vector<StructureProblem>& old) {
  DbsStatus s = DBS_OK;
  const DbsHandle h = Open(path, false, s);
  if (s != DBS_OK) Fault("the reconfigured file does not open", s);
  std::set<std::string> before;
  std::set<std::uint16_t> unorderedKeypads;
  for (const StructureProblem& p : old) {
    before.insert(p.text);
    if (p.kind == StructureProblem::Kind::SequenceOrder) unorderedKeypads.insert(p.number);
  }
  for (const StructureProblem& p : Problems(h)) {
    const bool inherited = p.kind == StructureProblem::Kind::SequenceOrder ? unorderedKeypads.count(p.number) > 0
                                                                            : !Link(p.kind) && before.count(p.text) > 0;
    if (!inherited) {
      std::fprintf(stderr, "fuzz_database: the reconfigured file: %s\n", p.text.c_str());
      std::abort();
    }
  }
  dbs_CloseFile(h);
}

void Run(std::span<const std::uint8_t> data) {
  InputReader in(data);
  const Shape shape = ReadShape(in);
  const ConfigImage stored = shape.config;
  ConfigImage c = stored;
  const FormatInfo& format = *FindFormat(c.configType);
  const std::string path = Files().path + "/db" + std::string(format.extension);
  const std::string copy = Files().path + "/copy.ZP3";
  DbsStatus s = DBS_OK;
  if (ValidateConfigFor(format, c) != DBS_OK) {
    // The record alone: opening refuses it before reading further.
    WriteFile(path, {reinterpret_cast<const std::uint8_t*>(&stored), sizeof stored});
    if (Open(path, false, s) >= 0 || s != DBS_ERR_INVALID_CONFIG) Fault("a record over the limits was opened", s);
    return;
  }
  const ImageLayout L = ComputeLayout(c, format);
  std::vector<std::uint8_t> image(L.fileSize, shape.base == Base::Ones ? 0xFF : 0);
  if (shape.base == Base::Defaults) WriteDefaultImage(c, L, image.data());
  std::memcpy(image.data(), &stored, sizeof stored);  // as stored, before validation
  ApplyPatches(in, DatabaseRegions(L, c), {image.data(), L.imageSize});
  std::uint32_t changed = 0;
  ChecksummedImage(image.data(), L.blockCount, &changed).UpdateAllBlocks();
  WriteFile(path, image);

  // A patched record may no longer describe the file, or no format at all.
  const auto refused = [](DbsStatus st) {
    return st == DBS_ERR_INVALID_DATABASE || st == DBS_ERR_INVALID_CONFIG || st == DBS_ERR_FILE_CORRUPT;
  };
  bool opened = false;
  if (shape.stages & kReadOnly) {
    const DbsHandle h = Open(path, false, s);
    if (s != DBS_OK) {
      if (!refused(s)) Fault("opening answered an unexpected status", s);
      return;
    }
    opened = true;
    Reader(h, Slots()[h].db->config).All();
    Problems(h);
    if (shape.stages & kDump) Dump(h);
    dbs_CloseFile(h);
  }
  if (!(shape.stages & (kWritable | kReconfigure))) return;

  DbsHandle h = Open(path, true, s);
  if (s != DBS_OK) {
    if (opened) Fault("a file that opened read-only does not open writable", s);
    if (!refused(s)) Fault("opening answered an unexpected status", s);
    return;
  }
  if (shape.stages & kWritable) {
    const ConfigImage config = Slots()[h].db->config;
    Reader(h, config).Allocating();
    if (config.configType != DBS_TYPE_KV1) SetEachFamily(h, config);
    ControllerImage(h);
  }
  if (!(shape.stages & kReconfigure)) {
    Problems(h);
    dbs_CloseFile(h);
    return;
  }
  const auto problems = Problems(h);
  // The same dimensions again, in a V format.
  TConfigurationRecord record{};
  LibString name(16);
  record.name = name;
  dbs_GetConfig(&record, h);
  if (record.configType == DBS_TYPE_KV1) {
    record.configType = DBS_TYPE_V1;
    std::copy_n(FormatTag(DBS_TYPE_V1), 8, record.version);
  }
  const DbsHandle old = h;
  s = dbs_ReconfigureFile(LibString(Wide(copy)), &record, -1, &h);
  if (s != DBS_OK) Fault("reconfiguring failed", s);
  if (dbs_CloseFile(old) != DBS_ERR_INVALID_DATABASE) Fault("the old handle still works after reconfiguring");
  dbs_CloseFile(h);
  CheckCopy(copy, problems);
}

}  // namespace
}  // namespace zephra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zephra::fuzz::Run({data, size});
  return 0;
}
