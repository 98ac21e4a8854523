// zephra-db: creates, describes, checks and dumps database files.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <vector>

#include "config_json.h"
#include "diff.h"
#include "dump.h"
#include "names.h"
#include "online.h"
#include "salvage.h"
#include "dbs/checker.h"
#include "dbs/entry.h"
#include "dbs/layout.h"
#include "dbs/transfer/controller_image.h"
#include "model/DefaultConfiguration.h"
#include "text.h"

namespace zephra::tool {
namespace {


std::optional<std::u16string> PathUnits(const std::string& path) {
  auto units = FromUtf8(path);
  if (!units) std::cerr << "zephra-db: the path " << path << " is not UTF-8 text\n";
  return units;
}

// What an open database says about itself.
struct Facts {
  std::string name;
  TConfigurationRecord record{};
  ConfigImage config{};
  const FormatInfo* format = nullptr;
  ImageLayout layout{};
  std::uint32_t controllerSize = 0;
};

DbsStatus ReadFacts(DbsHandle h, Facts& facts) {
  LibString name(16);
  facts.record.name = name;
  if (DbsStatus s = dbs_GetConfig(&facts.record, h); s != DBS_OK) return s;
  if (DbsStatus s = dbs_GetDBSize(&facts.controllerSize, h); s != DBS_OK) return s;
  const std::u16string_view units = name.Units();
  facts.name = ToUtf8(units.substr(0, units.find(u'\0')));
  facts.config = ConfigFromCall(facts.record);
  facts.record.name = nullptr;
  facts.format = FindFormat(facts.config.configType);
  if (facts.format) facts.layout = ComputeLayout(facts.config, *facts.format);
  return DBS_OK;
}

int Create(const std::string& path, const std::string& format, const std::string& configFile, const std::string& name,
           bool overwrite) {
  const auto units = PathUnits(path);
  if (!units) return kUsage;
  std::uint16_t type = DBS_TYPE_V3;
  if (format == "v1") type = DBS_TYPE_V1;
  if (format == "v2") type = DBS_TYPE_V2;
  editor::DefaultConfiguration defaults(type);
  TConfigurationRecord record = defaults.Record();
  std::string chosenName = name;
  if (!configFile.empty()) {
    std::ifstream in(configFile);
    if (!in) return Fail("cannot read " + configFile);
    const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
    if (json.is_discarded()) return Fail(configFile + " is not JSON");
    std::string jsonName;
    if (std::string error = ConfigFromJson(json, record, jsonName); !error.empty()) {
      return Fail(configFile + ": " + error);
    }
    if (chosenName.empty()) chosenName = jsonName;
  }
  if (chosenName.empty()) chosenName = "Zephra";
  const auto nameUnits = FromUtf8(chosenName);
  if (!nameUnits) return Fail("the name is not UTF-8 text");
  LibString libName(*nameUnits);
  record.name = libName;
  DbsHandle h = -1;
  if (DbsStatus s = dbs_CreateFile(LibString(*units), &record, overwrite ? -1 : 0, &h); s != DBS_OK) {
    return Fail("cannot create " + path, s);
  }
  Facts facts;
  const DbsStatus s = ReadFacts(h, facts);
  const DbsStatus closed = dbs_CloseFile(h);
  if (s != DBS_OK) return Fail("cannot read back " + path, s);
  if (closed != DBS_OK) return Fail("cannot close " + path, closed);
  std::cout << "Created " << path << ": " << (facts.format ? facts.format->name : "?") << " database, "
            << facts.layout.fileSize << " bytes\n";
  return kOk;
}

void PrintInfo(const std::string& path, const Facts& f) {
  const ConfigImage& c = f.config;
  std::printf("File               %s\n", path.c_str());
  std::printf("Name               %s\n", f.name.c_str());
  std::printf("Format             %s (tag %s)\n", f.format ? std::string(f.format->name).c_str() : "unknown",
              ToUtf8(std::u16string_view(c.version, 8)).c_str());
  std::printf("File size          %u bytes: %u blocks of 1 KB and their checksums\n", f.layout.fileSize,
              f.layout.blockCount);
  std::printf("Controller image   %u bytes\n\n", f.controllerSize);
  std::printf("Matrices %u, levels %u\n", c.matrixCount, c.levelCount[0]);
  for (std::uint16_t l = 0; l < c.levelCount[0]; ++l) {
    std::printf("  level %-2u          %u sources, %u destinations\n", l + 1, c.sourceCount[0][l], c.destCount[0][l]);
  }
  std::printf("Associations       %u source, %u destination\n", c.sourceAssocCount[0], c.destAssocCount[0]);
  std::printf("Ports              %u general, %u multi-drop\n", c.generalPortCount, c.multidropPortCount);
  std::printf("Panels %u, keypads %u, XY sets %u, output sets %u, UMDs %u\n", c.panelCount, c.keypadCount,
              c.xySetCount, c.outputSetCount, c.umdCount);
  std::printf("Salvos %u with %u crosspoint records; auto-protect %s\n\n", c.salvoCount, c.salvoXPCount,
              c.hasAutoProtect ? "yes" : "no");
  const ImageLayout& L = f.layout;
  const std::pair<const char*, std::uint32_t> rows[] = {
      {"matrix record", L.matrixPos[0]},        {"level table", L.levelTablePos[0]},
      {"source tables", L.sourceTablePos[0]},   {"destination tables", L.destTablePos[0]},
      {"source associations", L.sourceAssocPos[0]}, {"destination associations", L.destAssocPos[0]},
      {"inhibit area", L.inhibitPos[0]},        {"auto-protect area", L.autoProtectPos[0]},
      {"title", L.titlePos},                    {"matrix ports", L.matrixPortPos},
      {"general ports", L.generalPortPos},      {"panels", L.panelPos},
      {"UMDs", L.umdPos},                       {"keypad 1", L.keypadPos[0]},
      {"XY sets", L.xySetPos},                  {"output sets", L.outputSetPos},
      {"override sets", L.overrideSetPos},      {"fixed messages", L.fixedMessagePos},
      {"salvos", L.salvoPos},                   {"salvo crosspoints", L.salvoXPPos},
      {"salvo free head", L.salvoFreePos},      {"trigger lines", L.trigLinePos},
      {"end of tables", L.tablesEnd},           {"checksum table", L.checksumTablePos},
  };
  std::printf("Layout (byte offsets)\n");
  for (const auto& [what, pos] : rows) {
    if (c.matrixCount == 0 && pos == 0) continue;
    std::printf("  %-24s %u\n", what, pos);
  }
}

// Opens the database read-only and reads its facts; a failure is reported
// unless it is `quietly` expected. Answers kOk or the exit status.
int OpenWithFacts(const std::string& path, OpenDatabase& db, Facts& facts, DbsStatus* opened = nullptr,
                  DbsStatus quietly = DBS_OK) {
  const auto units = PathUnits(path);
  if (!units) return kUsage;
  const DbsStatus s = db.Open(*units);
  if (opened) *opened = s;
  if (s != DBS_OK) return s == quietly && quietly != DBS_OK ? kDamaged : Fail("cannot open " + path, s);
  if (DbsStatus r = ReadFacts(db.Handle(), facts); r != DBS_OK) return Fail("cannot read " + path, r);
  return kOk;
}

int Info(const std::string& path) {
  OpenDatabase db;
  Facts facts;
  if (int rc = OpenWithFacts(path, db, facts); rc != kOk) return rc;
  PrintInfo(path, facts);
  return kOk;
}

// Looks at the file itself to say what is wrong with it.
int ExplainDamage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() < sizeof(ConfigImage)) {
    std::cout << path << " is damaged: at " << bytes.size() << " bytes it is too short to hold a database\n";
    return kDamaged;
  }
  ConfigImage c;
  std::memcpy(&c, bytes.data(), sizeof c);
  const FormatInfo* format = FindFormat(c.configType);
  if (!format || ValidateConfigFor(*format, c) != DBS_OK) {
    std::cout << path << " is damaged: its configuration record is not valid\n";
    return kDamaged;
  }
  const ImageLayout L = ComputeLayout(c, *format);
  if (bytes.size() != L.fileSize) {
    std::cout << path << " is damaged: it is " << bytes.size() << " bytes long, but its configuration needs "
              << L.fileSize << "\n";
    return kDamaged;
  }
  const auto bad = BadBlocks(bytes, L);
  for (std::uint32_t b : bad) {
    std::cout << "block " << b << " (bytes " << b * kBlockSize << "-" << (b + 1) * kBlockSize - 1
              << ") does not match its checksum\n";
  }
  std::cout << path << " is damaged: " << bad.size() << " of " << L.blockCount
            << " blocks do not match their checksums\n";
  return kDamaged;
}

// The trees, free lists and chains stored in a sound file.
int CheckLinks(const std::string& path, const Facts& facts) {
  if (!facts.format || facts.format->configType == DBS_TYPE_KV1) return kOk;
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  const auto problems = CheckStructures(facts.config, facts.layout, bytes);
  for (const std::string& p : problems) std::cout << p << "\n";
  if (problems.empty()) {
    std::cout << path << ": every sequence tree, free list and salvo chain is sound\n";
    return kOk;
  }
  std::cout << path << " is damaged: " << problems.size() << " problems in its stored links\n";
  return kDamaged;
}

int Verify(const std::string& path) {
  OpenDatabase db;
  Facts facts;
  DbsStatus opened = DBS_OK;
  if (int rc = OpenWithFacts(path, db, facts, &opened, DBS_ERR_FILE_CORRUPT); rc != kOk) {
    return opened == DBS_ERR_FILE_CORRUPT ? ExplainDamage(path) : rc;
  }
  std::cout << path << ": all " << facts.layout.blockCount << " blocks match their checksums\n";
  return CheckLinks(path, facts);
}

// A new database of other dimensions or a newer format from an old one; the
// old file stays as it was.
int Rebuild(const std::string& from, const std::string& to, TConfigurationRecord& record, bool overwrite,
            const char* doing) {
  const auto fromUnits = PathUnits(from), toUnits = PathUnits(to);
  if (!fromUnits || !toUnits) return kUsage;
  DbsHandle h = -1;
  if (DbsStatus s = dbs_OpenFile(LibString(*fromUnits), 0, &h); s != DBS_OK) return Fail("cannot open " + from, s);
  DbsString name = DbsStringAlloc(16);
  TConfigurationRecord old{};
  old.name = name;
  if (DbsStatus s = dbs_GetConfig(&old, h); s != DBS_OK) {
    DbsStringFree(name);
    dbs_CloseFile(h);
    return Fail("cannot read " + from, s);
  }
  if (!record.name) record.name = name;  // the database keeps its name
  const DbsStatus s = dbs_ReconfigureFile(LibString(*toUnits), &record, overwrite ? -1 : 0, &h);
  dbs_CloseFile(h);
  DbsStringFree(name);
  if (s != DBS_OK) return Fail(std::string("cannot ") + doing + " " + from + " into " + to, s);
  std::cout << to << ": " << doing << "ed from " << from << "\n";
  return kOk;
}

int Reconfigure(const std::string& from, const std::string& to, const std::string& configFile, bool overwrite) {
  std::ifstream in(configFile);
  if (!in) return Fail("cannot read " + configFile);
  const nlohmann::json json = nlohmann::json::parse(in, nullptr, false);
  if (json.is_discarded()) return Fail(configFile + " is not JSON");
  TConfigurationRecord record{};
  std::string jsonName;
  if (std::string error = ConfigFromJson(json, record, jsonName); !error.empty()) return Fail(configFile + ": " + error);
  std::optional<LibString> name;
  if (!jsonName.empty()) {
    const auto units = FromUtf8(jsonName);
    if (!units) return Fail("the name is not UTF-8 text");
    name.emplace(*units);
    record.name = *name;
  }
  return Rebuild(from, to, record, overwrite, "reconfigur");
}

// The old database's own dimensions in the newer format.
int Convert(const std::string& from, const std::string& to, const std::string& format, bool overwrite) {
  TConfigurationRecord record{};
  {
    OpenDatabase db;
    Facts facts;
    if (int rc = OpenWithFacts(from, db, facts); rc != kOk) return rc;
    record = facts.record;
  }
  record.name = nullptr;
  record.configType = format == "v1" ? DBS_TYPE_V1 : format == "v2" ? DBS_TYPE_V2 : DBS_TYPE_V3;
  const char16_t* tag = format == "v1" ? u"ZP100.00" : format == "v2" ? u"ZP201.00" : u"ZP300.00";
  std::copy_n(tag, 8, record.version);
  return Rebuild(from, to, record, overwrite, "convert");
}

// The controller memory a download would give: the image from address 0 and
// the three parameter areas at theirs, as zephra-ctlsim --load takes it.
int ControllerImage(const std::string& path, const std::string& out) {
  OpenDatabase db;
  Facts facts;
  if (int rc = OpenWithFacts(path, db, facts); rc != kOk) return rc;
  if (!facts.format || facts.format->configType == DBS_TYPE_KV1) {
    return Fail(path + " has no controller image", DBS_ERR_INVALID_DATABASE);
  }
  std::vector<std::uint8_t> memory;
  const DbsStatus s = WithDb(db.Handle(), [&](Db& d) -> Status {
    memory = EncodeControllerImage(d);
    for (int area = 1; area <= 3; ++area) {
      const auto bytes = EncodeParameterArea(d, area);
      const std::uint32_t at = ParameterAreaAddress(*facts.format, area);
      if (memory.size() < at + bytes.size()) memory.resize(at + bytes.size(), 0);
      std::copy(bytes.begin(), bytes.end(), memory.begin() + at);
    }
    return DBS_OK;
  });
  if (s != DBS_OK) return Fail("cannot build the controller image of " + path, s);
  // Beside the target, then renamed over it: a failure leaves no half file.
  const std::string temp = out + ".part";
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(memory.data()), static_cast<std::streamsize>(memory.size()));
    if (!file.flush()) {
      std::remove(temp.c_str());
      std::cerr << "zephra-db: cannot write " << out << "\n";
      return kFailed;
    }
  }
  if (std::rename(temp.c_str(), out.c_str()) != 0) {
    std::remove(temp.c_str());
    std::cerr << "zephra-db: cannot write " << out << "\n";
    return kFailed;
  }
  std::cout << out << ": " << memory.size() << " bytes of " << facts.format->name << " controller memory\n";
  return kOk;
}

int Dump(const std::string& path) {
  OpenDatabase db;
  Facts facts;
  if (int rc = OpenWithFacts(path, db, facts); rc != kOk) return rc;
  nlohmann::json j;
  j["file"] = {{"path", path},
               {"format", facts.format ? std::string(facts.format->name) : ""},
               {"size", facts.layout.fileSize},
               {"blocks", facts.layout.blockCount},
               {"controllerImageSize", facts.controllerSize}};
  nlohmann::json config = ConfigToJson(facts.record);
  config["name"] = facts.name;
  j["configuration"] = config;
  if (facts.format && facts.format->configType != DBS_TYPE_KV1) {
    if (DbsStatus s = DumpRecords(db.Handle(), facts.record, j); s != DBS_OK) return Fail("cannot read " + path, s);
  }
  std::cout << j.dump(2) << "\n";
  return kOk;
}

}  // namespace
}  // namespace zephra::tool

int main(int argc, char** argv) {
  using namespace zephra::tool;
  CLI::App app{"zephra-db: creates, describes, checks and dumps router configuration databases"};
  app.require_subcommand(1);

  std::string path, format = "v3", configFile, name;
  bool overwrite = false;
  auto* create = app.add_subcommand("create", "Create a database with the editor's default configuration");
  create->add_option("FILE", path, "The database file to create")->required();
  auto* formatOption = create->add_option("--format", format, "Format of the default configuration")
                           ->check(CLI::IsMember({"v1", "v2", "v3"}));
  create->add_option("--config", configFile, "A JSON file with the configuration")->check(CLI::ExistingFile)
      ->excludes(formatOption);
  create->add_option("--name", name, "Name of the database (default Zephra)");
  create->add_flag("--overwrite", overwrite, "Replace an existing file");

  auto* info = app.add_subcommand("info", "Show the configuration and layout of a database");
  info->add_option("FILE", path, "The database file")->required();
  auto* verify = app.add_subcommand("verify", "Check every block against its checksum (exit 1 when damaged)");
  verify->add_option("FILE", path, "The database file")->required();
  auto* dump = app.add_subcommand("dump", "Print the database as JSON");
  dump->add_option("FILE", path, "The database file")->required();
  std::string out;
  std::string newPath;
  auto* reconfigure = app.add_subcommand("reconfigure", "Make a database of new dimensions from an old one");
  reconfigure->add_option("OLD", path, "The database file")->required();
  reconfigure->add_option("NEW", newPath, "The new database file")->required();
  reconfigure->add_option("--config", configFile, "A JSON file with the new configuration")
      ->required()
      ->check(CLI::ExistingFile);
  reconfigure->add_flag("--overwrite", overwrite, "Replace an existing NEW file");
  auto* convert = app.add_subcommand("convert", "Make a database of a newer format (a KV1 file too) from an old one");
  convert->add_option("OLD", path, "The database file")->required();
  convert->add_option("NEW", newPath, "The new database file")->required();
  std::string target = "v3";
  convert->add_option("--format", target, "The new format")->check(CLI::IsMember({"v1", "v2", "v3"}));
  convert->add_flag("--overwrite", overwrite, "Replace an existing NEW file");
  auto* salvage = app.add_subcommand("salvage",
                                     "Make a new database with everything of a damaged one that reads back sound "
                                     "(exit 1 when something was dropped, 3 when nothing could be carried over)");
  salvage->add_option("DAMAGED", path, "The damaged database file, which is only read")->required();
  salvage->add_option("NEW", newPath, "The new database file")->required();
  salvage->add_flag("--overwrite", overwrite, "Replace an existing NEW file");
  auto* image = app.add_subcommand("controller-image",
                                   "Write the controller memory a download would give (for zephra-ctlsim --load)");
  image->add_option("FILE", path, "The database file")->required();
  image->add_option("OUT", out, "The memory file to write")->required();

  LinkOptions link;
  bool parameters = false;
  const auto linkOptions = [&](CLI::App* command) {
    command->add_option("FILE", path, "The database file")->required();
    command->add_option("--port", link.port, "The controller's serial port (a path, COMn or a name under /dev)")
        ->required();
    command->add_option("--baud", link.baud, "The line speed to try first")
        ->check(CLI::IsMember({300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}));
  };
  auto* status = app.add_subcommand("online-status",
                                    "Ask whether the controller holds this database (exit 1 when it differs)");
  linkOptions(status);
  auto* download = app.add_subcommand("download", "Write the database to the controller");
  linkOptions(download);
  download->add_flag("--params", parameters, "Also write the source and destination parameters");
  auto* upload = app.add_subcommand("upload", "Rebuild the database from what the controller holds");
  linkOptions(upload);

  auto* names = app.add_subcommand("names", "Write the names of a database to CSV, or read them back");
  names->require_subcommand(1);
  auto* namesExport = names->add_subcommand("export", "Write every name as CSV (RFC 4180, UTF-8) to standard output");
  namesExport->add_option("DB", path, "The database file")->required();
  std::vector<std::string> kinds;
  namesExport->add_option("--kinds", kinds, "Only these kinds, separated by commas")
      ->delimiter(',')
      ->check(CLI::IsMember(NameKindWords(), CLI::ignore_case));
  auto* namesImport = names->add_subcommand(
      "import", "Set names from a CSV file; nothing is written unless every row is sound (exit 1 when one is not)");
  std::string csvPath;
  ImportOptions importOptions;
  namesImport->add_option("DB", path, "The database file")->required();
  namesImport->add_option("FILE", csvPath, "The CSV file")->required()->check(CLI::ExistingFile);
  namesImport->add_flag("--dry-run", importOptions.dryRun, "Check and report the rows, write nothing");
  namesImport->add_flag("--partial", importOptions.partial, "Write the sound rows even when others are refused");

  auto* diff = app.add_subcommand(
      "diff", "Show what differs between two databases, or between a database and its controller (exit 1 when they differ)");
  bool json = false;
  diff->add_option("A", path, "The database file")->required();
  auto* other = diff->add_option("B", newPath, "The database to compare it with");
  diff->add_option("--port", link.port, "Compare with the controller on this serial port instead")->excludes(other);
  diff->add_option("--baud", link.baud, "The line speed to try first")
      ->check(CLI::IsMember({300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}));
  diff->add_flag("--json", json, "Print the differences as JSON");

  try {
    app.parse(argc, argv);
    if (diff->parsed() && newPath.empty() && link.port.empty()) {
      throw CLI::ValidationError("diff", "give a second database B or the controller's --port");
    }
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kUsage;
  }
  try {
    if (create->parsed()) return Create(path, format, configFile, name, overwrite);
    if (info->parsed()) return Info(path);
    if (verify->parsed()) return Verify(path);
    if (dump->parsed()) return Dump(path);
    if (image->parsed()) return ControllerImage(path, out);
    if (reconfigure->parsed()) return Reconfigure(path, newPath, configFile, overwrite);
    if (convert->parsed()) return Convert(path, newPath, target, overwrite);
    if (salvage->parsed()) return Salvage(path, newPath, overwrite, std::cout);
    if (status->parsed()) return OnlineStatus(path, link);
    if (download->parsed()) return Download(path, link, parameters);
    if (upload->parsed()) return Upload(path, link);
    if (namesExport->parsed()) return ExportNames(path, kinds);
    if (namesImport->parsed()) return ImportNames(path, csvPath, importOptions);
    if (diff->parsed()) return newPath.empty() ? DiffController(path, link, json) : Diff(path, newPath, json);
  } catch (const std::exception& e) {
    std::cerr << "zephra-db: " << e.what() << "\n";
    return kFailed;
  }
  return kUsage;
}
