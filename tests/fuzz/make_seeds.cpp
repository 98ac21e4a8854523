// make_fuzz_seeds TARGET FOLDER: writes the seed corpus of a fuzz target into
// FOLDER/seeds (and an empty FOLDER/found for what a run finds), made as the
// system's users make their data: databases built through the exports with
// sequences, salvos, placed devices and names, the controller memory their
// downloads give, frames of the link, and configuration JSON.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "dbs/defaults.h"
#include "dbs/entry.h"
#include "dbs/transfer/controller_decode.h"
#include "dbs/transfer/controller_image.h"
#include "link/frame.h"
#include "tests/fuzz/fuzz_inputs.h"
#include "tools/zephra_db/config_json.h"
#include "tools/zephra_db/text.h"

namespace zephra::fuzz {
namespace {

namespace fs = std::filesystem;
using tool::LibString;
using Bytes = std::vector<std::uint8_t>;

struct Corpus {
  fs::path folder;
  int count = 0;
  void Add(std::span<const std::uint8_t> bytes) {
    std::ofstream out(folder / ("seed-" + std::to_string(++count)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void Add(const std::string& text) { Add({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}); }
};

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
}

void Check(DbsStatus s, const char* what) {
  if (s != DBS_OK) {
    std::cerr << "make_fuzz_seeds: " << what << " answered " << tool::StatusSentence(s) << "\n";
    std::exit(1);
  }
}

// A database made from a configuration, open while `fill` adds to it.
template <class Fill>
Bytes MakeDatabase(const fs::path& file, const ConfigImage& c, Fill&& fill) {
  TConfigurationRecord record{};
  LibString name(u"Seed");
  ConfigToCall(c, record);
  record.name = name;
  const std::string path = file.string();
  DbsHandle h = -1;
  Check(dbs_CreateFile(LibString(std::u16string(path.begin(), path.end())), &record, -1, &h), "creating a database");
  fill(h);
  Check(dbs_CloseFile(h), "closing a database");
  return ReadAll(file);
}

// Content a user gives a database: names, inhibits, sequences with
// selections and salvos, placed devices with their sets, UMD lines, salvo
// crosspoints. Calls that the configuration does not allow simply fail.
void Fill(DbsHandle h, const ConfigImage& c) {
  LibString camera(u"CAMERA 1"), studio(u"STUDIO"), vtr(u"VTR");
  const TSourceIndexRecord source{0, 0, 1};
  dbs_SetSourceName(&source, camera, h);
  dbs_SetLevelName(0, 1, studio, h);
  const TMatrixPointRecord point{0, 0, 1, 2};
  dbs_SetInhibit(&point, 1, h);
  dbs_SetAutoProt(&point, 1, h);
  dbs_SetDestName(0, 1, vtr, h);
  for (std::uint16_t k = 0; k < c.keypadCount; ++k) {
    // Keypads from 64 on are dial-up keypads, whose trees go deeper.
    const std::uint16_t k2 = k < 3 ? k : k == 32 ? 32 : k == 64 ? 64 : 0xFFFF;
    if (k2 == 0xFFFF) continue;
    LibString a(u"A"), b(u"B"), d(u"D"), none(u"");
    for (std::uint16_t j = 0; j < 3 && j < c.keyCount[k]; ++j) {
      TKeyRecord key{j, k, j == 0 ? static_cast<DbsString>(a) : j == 1 ? static_cast<DbsString>(b) : static_cast<DbsString>(d),
                     none, 1, static_cast<std::uint8_t>(j), 0, 0};
      dbs_SetKey(k, j, &key, h);
    }
    const std::u16string paths[][3] = {{u"A"}, {u"B", u"A"}, {u"B", u"D", u"A"}, {u"D"}};
    for (std::size_t p = 0; p < std::size(paths); ++p) {
      TEntrySequenceRecord seq{};
      std::vector<std::unique_ptr<LibString>> keep;
      seq.keypad = k;
      for (const std::u16string& press : paths[p]) {
        if (press.empty()) break;
        TKeyPressRecord& r = seq.presses[seq.count++];
        keep.push_back(std::make_unique<LibString>(press));
        r.keyName = *keep.back();
        keep.push_back(std::make_unique<LibString>(u"Show " + press));
        r.displayName = *keep.back();
        std::fill(std::begin(r.selection), std::end(r.selection), std::int16_t{-1});
        r.salvo = -1;
      }
      seq.presses[seq.count - 1].selection[0] = static_cast<std::int16_t>(p);
      if (p == 3) seq.presses[0].salvo = 1, seq.salvoFlags = 1;
      dbs_SetEntrySequence(k, &seq, h);
    }
  }
  for (std::uint16_t p = 0; p < c.panelCount && p < 3; ++p) {
    dbs_SetPanelPort(p, 0, static_cast<std::uint16_t>(p + 1), h);
    dbs_SetPanelType(p, static_cast<std::uint16_t>(p + 2), h);
    const TOutputRecord output{p, 1, 2, 3};
    dbs_SetOutputRecord(p, 1, &output, h);
    const TOverrideRecord override{0, 0, 1};
    dbs_SetOverrideSource(p, 2, &override, h);
    TXYRecord xy{};
    xy.destCount = 16;
    xy.destMap[0] = 0x0F;
    dbs_SetXY_ControlledDests(p, 0, &xy, h);
  }
  for (std::uint16_t u = 0; u < c.umdCount && u < 2; ++u) {
    dbs_SetUMDPort(u, 1, static_cast<std::uint16_t>(u + 1), h);
    const TAssociationMember line{0, 0, static_cast<std::int16_t>(u)};
    dbs_SetUMDDests(u, 0, &line, h);
    dbs_SetFixedMessage(u, studio, h);
  }
  for (std::uint16_t s = 0; s < c.salvoCount && s < 3; ++s) {
    LibString shortName(u"SV"), name(u"Salvo");
    const TMacroStoreRecord salvo{s, shortName, name, 1};
    dbs_SetMacroStore(s, &salvo, h);
    for (std::int16_t d = 0; d < 4; ++d) {
      const TMacroXPRecord xp{0, 0, d, static_cast<std::int16_t>(s)};
      dbs_SetMacroXP(s, &xp, h);
    }
  }
  const std::uint8_t lines[4] = {0x8C, 0x88, 0, 0x81};
  dbs_SetTrigLines(lines, h);
}

// The header of a configuration, and the configuration it reads back as.
struct Header {
  Bytes bytes;
  ConfigImage config;
};

Header MakeHeader(const Shape& shape) {
  InputWriter out;
  if (!WriteShape(out, shape)) {
    std::cerr << "make_fuzz_seeds: a seed's counts have no header\n";
    std::exit(1);
  }
  InputReader in(out.Data());
  return {out.Data(), ReadShape(in).config};
}

void AddDatabaseTaking(Corpus& corpus, const fs::path& work, const Shape& shape, bool filled) {
  const Header header = MakeHeader(shape);
  ConfigImage c = header.config;
  const FormatInfo& format = *FindFormat(c.configType);
  if (ValidateConfigFor(format, c) != DBS_OK) {
    std::cerr << "make_fuzz_seeds: a seed's configuration is not valid\n";
    std::exit(1);
  }
  InputWriter out;
  out.Bytes(header.bytes);
  if (filled && c.configType != DBS_TYPE_KV1) {
    const ImageLayout L = ComputeLayout(c, format);
    Bytes start(L.fileSize, 0);
    WriteDefaultImage(c, L, start.data());
    std::memcpy(start.data(), &header.config, sizeof header.config);
    const Bytes file = MakeDatabase(work / "seed.db", header.config, [&](DbsHandle h) { Fill(h, c); });
    WritePatches(out, DatabaseRegions(L, c), start, file);
  }
  corpus.Add(out.Data());
}

// A database input: the header, and the patches that turn the target's
// starting image into the file; one for each choice of steps.
void AddDatabase(Corpus& corpus, const fs::path& work, Shape shape, bool filled) {
  for (std::size_t i = 0; i < std::size(kStageChoices); ++i) {
    if (i > 0 && kStageChoices[i] == kStageChoices[i - 1]) continue;
    shape.stages = kStageChoices[i];
    AddDatabaseTaking(corpus, work, shape, filled);
  }
}

Shape SmallShape(std::uint16_t type) {
  Shape s;
  ConfigImage& c = s.config;
  c.configType = type;
  c.matrixCount = 1;
  c.hasAutoProtect = 1;
  c.levelCount[0] = 2;
  c.sourceCount[0][0] = 8, c.destCount[0][0] = 8;
  c.sourceCount[0][1] = 17, c.destCount[0][1] = 16;  // a data level with its park source
  c.sourceAssocCount[0] = 8;
  c.destAssocCount[0] = 8;
  c.generalPortCount = 3;
  c.multidropPortCount = 2;
  c.panelCount = 4;
  c.keypadCount = 3;
  std::fill(std::begin(c.keyCount), std::end(c.keyCount), 8);
  c.xySetCount = 2;
  c.umdCount = 3;
  c.salvoCount = 3;
  c.salvoXPCount = 40;
  return s;
}

void DatabaseSeeds(Corpus& corpus, const fs::path& work) {
  for (std::uint16_t type : {DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3}) AddDatabase(corpus, work, SmallShape(type), true);
  Shape kv1 = SmallShape(DBS_TYPE_KV1);
  AddDatabase(corpus, work, kv1, false);
  Shape bare = SmallShape(DBS_TYPE_V3);
  bare.config.matrixCount = 0;
  AddDatabase(corpus, work, bare, false);
  Shape zeros = SmallShape(DBS_TYPE_V2);
  zeros.base = Base::Zeros;
  AddDatabase(corpus, work, zeros, false);
  // Destination and dial-up keypads, with few keys each.
  for (std::uint16_t keypads : {std::uint16_t{33}, std::uint16_t{65}}) {
    Shape many = SmallShape(keypads == 33 ? DBS_TYPE_V2 : DBS_TYPE_V1);
    many.config.keypadCount = keypads;
    std::fill(std::begin(many.config.keyCount), std::end(many.config.keyCount), 3);
    AddDatabase(corpus, work, many, true);
  }
  // One wide level.
  Shape wide = SmallShape(DBS_TYPE_V3);
  wide.config.sourceCount[0][0] = wide.config.destCount[0][0] = 576;
  wide.config.sourceAssocCount[0] = wide.config.destAssocCount[0] = 768;
  AddDatabase(corpus, work, wide, true);
}

// A controller input: the format, the base, the counts the controller
// reports, then patches over the base.
void AddController(Corpus& corpus, std::uint16_t type, std::uint8_t flags, std::uint8_t shape, const Bytes& memory,
                   const Bytes& base) {
  const FormatInfo& format = *FindFormat(type);
  const ControllerMap& map = *format.controllerMap;
  InputWriter out;
  out.Byte(static_cast<std::uint8_t>(std::find(std::begin(kControllerFormats), std::end(kControllerFormats), type) -
                                     std::begin(kControllerFormats)));
  out.Byte(flags);
  out.Byte(shape);
  out.Bytes({memory.data() + map.ctlFixedArea, 32});
  out.Bytes({memory.data() + map.ctlLevelArea2, 16});
  WritePatches(out, ControllerRegions(map), base, memory);
  corpus.Add(out.Data());
}

// The memory a controller holds after the download of a database: the image
// and the three parameter areas.
Bytes ControllerMemory(DbsHandle h) {
  const FormatInfo& format = *Slots()[h].db->format;
  Bytes memory(ControllerExtent(*format.controllerMap), 0);
  Check(WithDb(h, [&](Db& db) -> Status {
          const auto image = EncodeControllerImage(db);
          std::copy(image.begin(), image.end(), memory.begin());
          for (int area = 1; area <= 3; ++area) {
            const auto bytes = EncodeParameterArea(db, area);
            std::copy(bytes.begin(), bytes.end(), memory.begin() + ParameterAreaAddress(format, area));
          }
          return DBS_OK;
        }),
        "encoding a controller image");
  return memory;
}

void ControllerSeeds(Corpus& corpus, const fs::path& work) {
  for (std::uint16_t type : kControllerFormats) {
    const FormatInfo& format = *FindFormat(type);
    for (std::uint8_t shape : {std::uint8_t{31}, std::uint8_t{1}, std::uint8_t{3}}) {
      // The counts of four levels of 32, as a controller reports them.
      std::uint8_t fixed[32] = {}, park[16];
      std::memset(park, 0xFF, sizeof park);
      for (int l = 0; l < 4; ++l) fixed[2 * l + 1] = 32, fixed[16 + 2 * l + 1] = 32;
      const ConfigImage c = ControllerConfig(format, fixed, park, shape);
      Bytes base, memory;
      MakeDatabase(work / "base.db", c, [&](DbsHandle h) { base = ControllerMemory(h); });
      MakeDatabase(work / "seed.db", c, [&](DbsHandle h) {
        Fill(h, c);
        memory = ControllerMemory(h);
      });
      AddController(corpus, type, 2, shape, memory, base);      // over the default content
      AddController(corpus, type, 2 | 4, shape, memory, base);  // and back again
      if (shape == 1) {
        AddController(corpus, type, 0, shape, memory, memory);  // the counts alone, over zeros
        AddController(corpus, type, 1, shape, memory, memory);  // and over 0xFF
      }
    }
  }
}

void FrameSeeds(Corpus& corpus) {
  using namespace tolvex;
  const std::uint8_t table[] = {0x80, 0x00, 0x10, 0x00, 0x10, 0x10, 0x03};
  Bytes stream = {kDle, kAck, kDle, kNak};
  for (const Bytes& frame : {EncodeFrame(kTableData, table), EncodeFrame(kVersionReply, Bytes{'Z', 'P', '3', '0', '0'}),
                             EncodeFrame(kStatusReply, Bytes{1, 0}), msg::ChecksumRead(64, 0)}) {
    corpus.Add(frame);
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  corpus.Add(stream);
}

void JsonSeeds(Corpus& corpus) {
  for (std::uint16_t type : {DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3}) {
    Shape s = SmallShape(type);
    std::copy_n(FormatTag(type), 8, s.config.version);
    TConfigurationRecord record{};
    LibString name(16);
    record.name = name;
    ConfigToCall(s.config, record);
    nlohmann::json json = tool::ConfigToJson(record);
    json["name"] = "Studio";
    corpus.Add(json.dump());
  }
  corpus.Add(R"({"panelCount": 99, "configType": 4, "version": "ZP300.00"})");
  corpus.Add(R"({"configType": 4, "version": "ZP300.00", "matrixCount": 1, "levelCount": [1], "sourceCount": [[8]],)"
             R"( "destCount": [[8]], "hasAutoProtect": true, "name": "\u00e9t\u00e9"})");
  corpus.Add(R"({"panels": 4})");
}

}  // namespace
}  // namespace zephra::fuzz

int main(int argc, char** argv) {
  using namespace zephra::fuzz;
  if (argc != 3) {
    std::cerr << "usage: make_fuzz_seeds frame_parser|database|controller_memory|config_json FOLDER\n";
    return 2;
  }
  const std::string target = argv[1];
  const fs::path folder = argv[2];
  fs::remove_all(folder);
  fs::create_directories(folder / "seeds");
  fs::create_directories(folder / "found");
  fs::create_directories(folder / "work");
  Corpus corpus{folder / "seeds"};
  if (target == "frame_parser") FrameSeeds(corpus);
  else if (target == "database") DatabaseSeeds(corpus, folder / "work");
  else if (target == "controller_memory") ControllerSeeds(corpus, folder / "work");
  else if (target == "config_json") JsonSeeds(corpus);
  else {
    std::cerr << "make_fuzz_seeds: no target " << target << "\n";
    return 2;
  }
  fs::remove_all(folder / "work");
  std::cout << corpus.count << " seeds for " << target << " in " << (folder / "seeds").string() << "\n";
  return 0;
}
