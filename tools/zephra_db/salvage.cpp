#include "salvage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

#include "dbs/checker.h"
#include "dbs/checksum.h"
#include "dbs/defaults.h"
#include "dbs/frame.h"
#include "dbs/reconfigure.h"
#include "dbs/records/associations.h"
#include "dbs/records/keypads.h"
#include "dbs/records/panels.h"
#include "dbs/records/salvos.h"
#include "dbs/records/umds.h"
#include "text.h"

namespace zephra::tool {

std::vector<std::uint32_t> BadBlocks(std::span<const std::uint8_t> file, const ImageLayout& L) {
  std::vector<std::uint32_t> bad;
  for (std::uint32_t b = 0; b < L.blockCount; ++b) {
    const std::uint64_t at = std::uint64_t{b} * kBlockSize, sum = L.checksumTablePos + 2ull * b;
    if (at + kBlockSize > file.size() || sum + 2 > file.size()) {
      bad.push_back(b);
      continue;
    }
    const auto stored = static_cast<std::uint16_t>(file[sum] | file[sum + 1] << 8);
    if (BlockChecksum(file.subspan(at, kBlockSize)) != stored) bad.push_back(b);
  }
  return bad;
}

namespace {

using Kind = StructureProblem::Kind;
using Bytes = std::vector<std::uint8_t>;

// What salvaging says as it goes, and whether it lost anything.
class Report {
 public:
  explicit Report(std::ostream& out) : out_(out) {}
  void Dropped(const std::string& what) {
    out_ << "dropped: " << what << "\n";
    ++dropped_;
  }
  void Repaired(const std::string& what) { out_ << "repaired: " << what << "\n"; }
  void Note(const std::string& what) { out_ << what << "\n"; }
  int DroppedCount() const { return dropped_; }

 private:
  std::ostream& out_;
  int dropped_ = 0;
};

// Whether two paths name one file (a missing second one names none).
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Records of an image, read and written in place.
template <class R>
R Get(const std::uint8_t* image, std::uint32_t pos) {
  R r;
  std::memcpy(&r, image + pos, sizeof r);
  return r;
}
template <class R>
void Put(std::uint8_t* image, std::uint32_t pos, const R& r) {
  std::memcpy(image + pos, &r, sizeof r);
}

std::uint32_t NodePos(const ConfigImage& c, const ImageLayout& L, std::uint16_t k, std::int16_t n) {
  return L.keypadPos[k] + std::uint32_t{sizeof(KeypadEntry)} + c.keyCount[k] * std::uint32_t{sizeof(KeyEntry)} +
         static_cast<std::uint32_t>(n) * std::uint32_t{sizeof(SequenceNode)};
}

// The selections and salvos a tree's nodes leave empty.
std::uint32_t EmptyFields(const ConfigImage& c, const ImageLayout& L, const std::uint8_t* image, std::uint16_t k,
                          const std::vector<std::int16_t>& nodes) {
  std::uint32_t empty = 0;
  for (std::int16_t n : nodes) {
    const auto node = Get<SequenceNode>(image, NodePos(c, L, k, n));
    empty += static_cast<std::uint32_t>(std::count(std::begin(node.selection), std::end(node.selection), -1));
    empty += node.salvo == -1 ? 1u : 0u;
  }
  return empty;
}

// The members of the associations of one kind that the copy emptied.
template <class Entry>
void EmptiedMembers(const std::uint8_t* from, std::uint32_t fromPos, const std::uint8_t* to, std::uint32_t toPos,
                    std::uint16_t count, const char* kind, Report& report) {
  for (std::uint16_t a = 0; a < count; ++a) {
    const auto before = Get<Entry>(from, fromPos + a * std::uint32_t{sizeof(Entry)});
    const auto after = Get<Entry>(to, toPos + a * std::uint32_t{sizeof(Entry)});
    int emptied = 0;
    for (int m = 0; m < 16; ++m) {
      const MemberTriple &b = before.members[m], &x = after.members[m];
      const bool wasEmpty = b.matrix == -1 && b.level == -1 && b.number == -1;
      emptied += !wasEmpty && x.matrix == -1 && x.level == -1 && x.number == -1 ? 1 : 0;
    }
    if (emptied) {
      report.Dropped(std::string(kind) + " association " + std::to_string(a) + ": " + std::to_string(emptied) +
                     " members that name nothing of the configuration");
    }
  }
}

// The repairs of the devices that the copy carries whole: a place, set or
// keypad that two devices share, or that does not exist.
void RepairDevices(const std::vector<StructureProblem>& problems, const DatabaseSlot& db, Report& report) {
  std::uint8_t* image = db.image;
  const ImageLayout& L = db.layout;
  for (const StructureProblem& p : problems) {
    const std::uint32_t panel = L.panelPos + p.number * std::uint32_t{sizeof(PanelEntry)};
    switch (p.kind) {
      case Kind::Place: {
        const std::string who = (p.umd ? "UMD " : "panel ") + std::to_string(p.number);
        if (p.umd) {
          auto u = Get<UMDEntry>(image, L.umdPos + p.number * std::uint32_t{sizeof(UMDEntry)});
          u.port = u.address = kNoEntry;
          Put(image, L.umdPos + p.number * std::uint32_t{sizeof(UMDEntry)}, u);
        } else {
          auto e = Get<PanelEntry>(image, panel);
          e.port = e.address = kNoEntry;
          Put(image, panel, e);
        }
        report.Dropped(p.text + ": " + who + " is taken off its port");
        break;
      }
      case Kind::PanelSet: {
        auto e = Get<PanelEntry>(image, panel);
        (p.item == 0 ? e.outputSet : e.overrideSet) = kNoEntry;
        Put(image, panel, e);
        report.Dropped(p.text + ": the panel is left without it");
        break;
      }
      case Kind::PanelXYSet: {
        auto e = Get<PanelEntry>(image, panel);
        e.xySet[p.item] = kNoEntry;
        Put(image, panel, e);
        report.Dropped(p.text + ": the panel is left without it");
        break;
      }
      case Kind::PanelKeypad: {
        auto k = Get<KeypadEntry>(image, L.keypadPos[p.item]);
        k.keypadFlags |= 1;
        Put(image, L.keypadPos[p.item], k);
        report.Repaired(p.text + ": it is marked in use");
        break;
      }
      default: break;
    }
  }
}

}  // namespace

int Salvage(const std::string& damaged, const std::string& fresh, bool overwrite, std::ostream& out) {
  Report report(out);
  // The damaged file is read once, and never opened for writing.
  Bytes file;
  {
    std::ifstream in(damaged, std::ios::binary);
    if (!in) return Fail("cannot read " + damaged);
    file.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (SameFile(damaged, fresh)) return Fail(fresh + " is the file to salvage: salvage never writes to the file it reads");
  if (file.size() < sizeof(ConfigImage)) {
    out << damaged << ": at " << file.size()
        << " bytes it is too short to hold a configuration record: nothing can be carried over\n";
    return kFailed;
  }
  ConfigImage c;
  std::memcpy(&c, file.data(), sizeof c);
  const FormatInfo* format = FindFormat(c.configType);
  if (!format || !TagMatches(c, *format) || ValidateConfigFor(*format, c) != DBS_OK) {
    out << damaged << ": its configuration record is not sound: nothing can be carried over\n";
    return kFailed;
  }
  const ImageLayout L = ComputeLayout(c, *format);

  // The old image as the file reads, with the default content where it ends
  // early.
  Bytes old(L.fileSize);
  WriteDefaultImage(c, L, old.data());
  std::copy_n(file.begin(), std::min<std::size_t>(file.size(), L.fileSize), old.begin());
  if (file.size() >= L.fileSize) {
    for (std::uint32_t b : BadBlocks(file, L)) {
      report.Note("block " + std::to_string(b) + " (bytes " + std::to_string(b * kBlockSize) + "-" +
                  std::to_string((b + 1) * kBlockSize - 1) +
                  ") does not match its checksum: what it holds is carried over as it now reads");
    }
  }
  if (file.size() < L.tablesEnd) {
    report.Dropped("the file ends at byte " + std::to_string(file.size()) + " of the " + std::to_string(L.tablesEnd) +
                   " its tables take: what lies beyond keeps its default content");
  } else if (file.size() != L.fileSize) {
    report.Note("the file is " + std::to_string(file.size()) + " bytes long where its configuration takes " +
                std::to_string(L.fileSize) + ": its tables are carried over, its checksums made anew");
  }

  // Trees and chains that do not read back sound are left out of the copy;
  // free lists are made anew by it in any case.
  StructureCensus census;
  const auto problems = FindStructureProblems(c, L, old, &census);
  std::set<std::uint16_t> droppedTrees, droppedSalvos, remade;
  for (const StructureProblem& p : problems) {
    switch (p.kind) {
      case Kind::SequenceTree:
      case Kind::SequenceOrder:
        if (droppedTrees.insert(p.number).second) {
          auto tail = Get<SequenceTail>(old.data(), L.keypadTailPos[p.number]);
          tail.root = -1;
          Put(old.data(), L.keypadTailPos[p.number], tail);
          report.Dropped("the sequence tree of keypad " + std::to_string(p.number) + ", which does not read back sound (" +
                         p.text + ")");
        }
        break;
      case Kind::SalvoChain:
        if (droppedSalvos.insert(p.number).second) {
          const std::uint32_t pos = L.salvoPos + p.number * std::uint32_t{sizeof(SalvoEntry)};
          auto salvo = Get<SalvoEntry>(old.data(), pos);
          salvo.firstXP = -1;
          salvo.xpCount = 0;
          Put(old.data(), pos, salvo);
          report.Dropped("the crosspoints of salvo " + std::to_string(p.number) + ", whose chain does not read back sound (" +
                         p.text + ")");
        }
        break;
      case Kind::SequenceNodes:
        if (remade.insert(p.number).second) report.Repaired(p.text + ": the keypad's free nodes are made anew");
        break;
      case Kind::SalvoCount: report.Repaired(p.text + ": the count is taken from the chain"); break;
      case Kind::SalvoPool: report.Repaired(p.text + ": the free crosspoints are made anew"); break;
      default: break;
    }
  }

  // The new database: the same configuration, a KV1 file's in V1.
  ConfigImage target = c;
  if (c.configType == DBS_TYPE_KV1) {
    target.configType = DBS_TYPE_V1;
    std::copy_n(u"ZP100.00", 8, target.version);
    report.Note(damaged + " is a KV1 file: it is salvaged into a V1 database of its dimensions");
  }
  TConfigurationRecord record{};
  LibString name(16);
  record.name = name;
  ConfigToCall(target, record);
  const auto units = FromUtf8(fresh);
  if (!units) return Fail("the path " + fresh + " is not UTF-8 text");
  DbsHandle h = -1;
  if (DbsStatus s = dbs_CreateFile(LibString(*units), &record, overwrite ? -1 : 0, &h); s != DBS_OK) {
    return Fail("cannot create " + fresh, s);
  }
  Slot& slot = Slots()[h];
  const DatabaseSlot& db = *slot.db;
  CopyContent({old.data(), c, L, *format}, {db.image, db.config, db.layout, *db.format});

  // What the copy itself left out: references to nothing of the
  // configuration, and sequence steps on keys the keypad lacks.
  if (c.matrixCount > 0) {
    EmptiedMembers<SourceAssociationEntry>(old.data(), L.sourceAssocPos[0], db.image, db.layout.sourceAssocPos[0],
                                           c.sourceAssocCount[0], "source", report);
    EmptiedMembers<DestinationAssociationEntry>(old.data(), L.destAssocPos[0], db.image, db.layout.destAssocPos[0],
                                                c.destAssocCount[0], "destination", report);
  }
  StructureCensus copied;
  FindStructureProblems(db.config, db.layout, {db.image, db.layout.fileSize}, &copied);
  for (std::uint16_t k = 0; k < census.treeNodes.size() && k < copied.treeNodes.size(); ++k) {
    if (droppedTrees.count(k)) continue;
    const std::size_t before = census.treeNodes[k].size(), after = copied.treeNodes[k].size();
    if (after < before) {
      report.Dropped("keypad " + std::to_string(k) + ": " + std::to_string(before - after) +
                     " sequence steps on keys the keypad lacks, with the steps after them");
    } else if (EmptyFields(db.config, db.layout, db.image, k, copied.treeNodes[k]) >
               EmptyFields(c, L, old.data(), k, census.treeNodes[k])) {
      report.Dropped("keypad " + std::to_string(k) + ": selections or salvos that name nothing of the configuration");
    }
  }
  for (std::uint16_t s = 0; s < census.chainLengths.size(); ++s) {
    const auto salvo = Get<SalvoEntry>(db.image, db.layout.salvoPos + s * std::uint32_t{sizeof(SalvoEntry)});
    if (!droppedSalvos.count(s) && salvo.xpCount < census.chainLengths[s]) {
      report.Dropped("salvo " + std::to_string(s) + ": " + std::to_string(census.chainLengths[s] - salvo.xpCount) +
                     " crosspoints outside the configuration");
    }
  }
  RepairDevices(problems, db, report);
  slot.Checksums().UpdateAllBlocks();
  if (DbsStatus s = dbs_CloseFile(h); s != DBS_OK) return Fail("cannot close " + fresh, s);

  // The new file opens, and all in it is sound.
  DbsStatus s = dbs_OpenFile(LibString(*units), 0, &h);
  if (s != DBS_OK) return Fail("cannot open the new " + fresh, s);
  const DatabaseSlot& made = *Slots()[h].db;
  const auto left = CheckStructures(made.config, made.layout, {made.image, made.layout.fileSize});
  dbs_CloseFile(h);
  for (const std::string& p : left) report.Dropped("the new file still holds a fault: " + p);
  if (report.DroppedCount() == 0) {
    report.Note(fresh + ": everything in " + damaged + " is carried over");
    return kOk;
  }
  report.Note(fresh + ": salvaged from " + damaged + "; " + std::to_string(report.DroppedCount()) +
              (report.DroppedCount() == 1 ? " thing" : " things") + " dropped");
  return kDamaged;
}

}  // namespace zephra::tool
