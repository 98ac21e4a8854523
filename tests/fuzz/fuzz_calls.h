// What the fuzz targets share: their folder of files, the strings the calls
// fill, and the reading of a database through every Get export.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dbs/frame.h"
#include "tools/zephra_db/text.h"

namespace zephra::fuzz {

using tool::LibString;

[[noreturn]] inline void Fault(const char* what, unsigned value = 0) {
  std::fprintf(stderr, "fuzz: %s (%u)\n", what, value);
  std::abort();
}

// Files live in a folder of their own on a memory file system, named after
// the process; one left by a process that ended abruptly (a fuzzer that
// found something) goes when the next is made.
struct Folder {
  std::string path;
  Folder() {
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(base, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("zephra-fuzz-", 0) != 0) continue;
      const long pid = std::strtol(name.c_str() + 12, nullptr, 10);
      if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) std::filesystem::remove_all(entry, ignored);
    }
    path = (base / ("zephra-fuzz-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(path, ignored);
    if (!std::filesystem::is_directory(path)) Fault("no folder for the files");
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

inline const Folder& Files() {
  static const Folder folder;
  return folder;
}

inline void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) Fault("cannot write");
  close(fd);
}

inline std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Strings the calls fill, of the lengths that choose between name fields.
struct Strings {
  LibString s4{4}, s8{8}, s12{12}, s16{16}, s3{3}, alt{16};
};

inline Strings& Names() {
  static Strings strings;
  return strings;
}

// The handle an open gives: the lowest free slot, so a slot left open by an
// earlier input shows here.
inline DbsHandle Open(const std::string& path, bool writable, DbsStatus& status) {
  DbsHandle h = -1;
  status = dbs_OpenFile(LibString(Wide(path)), writable ? 1 : 0, &h);
  if (status == DBS_OK && h != 0) Fault("a slot was left open", static_cast<unsigned>(h));
  return h;
}

// Every Get export over every index the configuration admits, and once
// with an index one past each count: a refused index costs a thrown and
// caught exception inside the library, so the probes are few.
class Reader {
 public:
  Reader(DbsHandle h, const ConfigImage& c) : h_(h), c_(c), n_(Names()) {}

  // What a database opened writable may add as it is read: the sets a
  // panel is given, the keypad a UMD is given.
  void Allocating() {
    for (std::uint16_t p = 0; p < c_.panelCount; ++p) Panel(p, false);
    for (std::uint16_t u = 0; u < c_.umdCount; ++u) UMD(u, false);
  }

  void All() {
    TConfigurationRecord record{};
    record.name = n_.s16;
    dbs_GetConfig(&record, h_);
    std::uint32_t size = 0;
    dbs_GetDBSize(&size, h_);
    dbs_GetDatabaseName(n_.s16, h_);
    Matrix();
    for (std::uint16_t l = 0; l <= Levels(); ++l) Level(l, l == 0 || l == Levels());
    Associations();
    Ports();
    Others();
    for (std::uint16_t k = 0; k <= c_.keypadCount; ++k) Keypad(k, k == 0 || k == c_.keypadCount);
    for (std::uint16_t p = 0; p <= c_.panelCount; ++p) Panel(p, p == 0 || p == c_.panelCount);
    for (std::uint16_t u = 0; u <= c_.umdCount; ++u) UMD(u, u == 0 || u == c_.umdCount);
    for (std::uint16_t s = 0; s <= c_.salvoCount; ++s) Salvo(s);
    TKeypadRecord keypad{};
    keypad.name = n_.s16;
    dbs_GetNextFreeSourceKeypad(&keypad, h_);
    dbs_GetNextFreeDestKeypad(&keypad, h_);
    dbs_GetNextFreeSourceDialUpKeypad(&keypad, h_);
    dbs_GetNextFreeDestDialUpKeypad(&keypad, h_);
  }

  std::uint16_t Levels() const { return c_.matrixCount ? c_.levelCount[0] : 0; }

  void Matrix() {
    for (std::uint16_t m = 0; m <= c_.matrixCount; ++m) {
      std::uint8_t mode = 0;
      std::uint16_t type = 0;
      dbs_GetMatrixName(m, n_.s16, h_);
      dbs_GetParkMode(m, &mode, h_);
      dbs_GetLogType(m, &type, h_);
      TMatrixRecord r{m, n_.s16, 0, 0};
      dbs_GetMatrixData(m, &r, h_);
    }
  }

  // `probe`: also one past the level's sources and destinations.
  void Level(std::uint16_t l, bool probe) {
    std::uint16_t word = 0;
    std::uint8_t byte = 0;
    dbs_GetLevelName(0, l, n_.s16, h_);
    dbs_GetLevelType(0, l, &word, h_);
    dbs_GetLevelDirection(0, l, &byte, h_);
    dbs_GetSignalOrder(0, l, &word, h_);
    dbs_GetMonitorRows(0, l, &word, h_);
    dbs_GetFirstMonitorRow(0, l, &word, h_);
    TLevelParamRecord param{0, static_cast<std::int16_t>(l), 0};
    dbs_GetParkSource(&param, h_);
    dbs_GetParkDest(&param, h_);
    dbs_GetSafeSource(&param, h_);
    TLevelRecord level{};
    level.name = n_.s16;
    dbs_GetLevelData(0, l, &level, h_);
    std::uint16_t physical = 0;
    dbs_GetPhysicalLevel(l, &physical, h_);

    const std::uint16_t sources = l < Levels() ? c_.sourceCount[0][l] : 0;
    const std::uint16_t dests = l < Levels() ? c_.destCount[0][l] : 0;
    // The tables whole, and a few points of them.
    std::uint16_t length = 0;
    dbs_GetLevelInhibits(0, l, nullptr, &length, h_);
    bitmap_.assign(length, 0);
    dbs_GetLevelInhibits(0, l, bitmap_.data(), &length, h_);
    length = static_cast<std::uint16_t>(bitmap_.size());
    dbs_GetLevelAutoProt(0, l, bitmap_.data(), &length, h_);
    for (std::uint16_t d : {std::uint16_t{0}, static_cast<std::uint16_t>(dests - 1), dests}) {
      for (std::uint16_t s : {std::uint16_t{0}, static_cast<std::uint16_t>(sources - 1), sources}) {
        if (!probe && (d >= dests || s >= sources)) continue;
        const TMatrixPointRecord point{0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(d),
                                       static_cast<std::int16_t>(s)};
        std::uint32_t flag = 0;
        dbs_GetInhibit(&point, &flag, h_);
        dbs_GetAutoProt(&point, &flag, h_);
      }
    }
    for (std::uint16_t s = 0; s < sources + probe; ++s) {
      const TSourceIndexRecord source{0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(s)};
      for (DbsString name : {static_cast<DbsString>(n_.s4), static_cast<DbsString>(n_.s8),
                             static_cast<DbsString>(n_.s12), static_cast<DbsString>(n_.s16)}) {
        dbs_GetSourceName(&source, name, h_);
      }
      dbs_GetSourceType(&source, &byte, h_);
      dbs_GetAudioSourceParam(&source, &byte, h_);
      dbs_GetTrigger(&source, &byte, h_);
      TSourceRecord r{0, l, s, n_.s4, n_.s8, n_.s3, n_.alt, n_.s12, n_.s16, 0, 0, 0};
      dbs_GetSourceData(&r, h_);
    }
    // Searches run over every association: a few of them.
    for (std::uint16_t s : {std::uint16_t{0}, static_cast<std::uint16_t>(sources - 1), sources}) {
      if (!probe && s >= sources) continue;
      TSourceAssociationRecord found{};
      dbs_FindSourceAssn(0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(s), 0, &found, h_);
    }
    for (std::uint16_t d = 0; d < dests + probe; ++d) {
      const TDestIndexRecord dest{0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(d)};
      dbs_GetDestLog(&dest, &byte, h_);
      dbs_GetAudioDestParam(&dest, &byte, h_);
      TDestinationRecord r{0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(d), 0, 0};
      dbs_GetDestData(&r, h_);
    }
    TDestinationAssociationRecord found{};
    found.shortName = n_.s4;
    found.name = n_.s16;
    if (dests > 0) dbs_FindDestAssn(0, static_cast<std::int16_t>(l), static_cast<std::int16_t>(dests - 1), 0, &found, h_);
  }

  void Associations() {
    const std::uint16_t sources = c_.matrixCount ? c_.sourceAssocCount[0] : 0;
    const std::uint16_t dests = c_.matrixCount ? c_.destAssocCount[0] : 0;
    for (std::uint16_t a = 0; a <= sources; ++a) {
      TSourceAssociationRecord r{};
      dbs_GetSourceAssn(0, a, &r, h_);
      dbs_GetSourceAssocName(0, a, n_.s8, h_);
      dbs_GetSourceAssnName(0, a, n_.s4, h_);
      dbs_GetSourceAssnName(0, a, n_.s16, h_);
    }
    for (std::uint16_t a = 0; a <= dests; ++a) {
      TDestinationAssociationRecord r{};
      r.shortName = n_.s4;
      r.name = n_.s16;
      dbs_GetDestAssn(0, a, &r, h_);
      dbs_GetDestName(0, a, n_.s4, h_);
      dbs_GetDestName(0, a, n_.s16, h_);
    }
  }

  void Ports() {
    for (std::uint16_t i = 0; i <= c_.matrixPortCount; ++i) {
      TMatrixPortRecord r{};
      dbs_GetMatrixPort(i, &r, h_);
    }
    for (std::uint16_t i = 0; i <= c_.generalPortCount; ++i) {
      TGeneralPortRecord r{};
      dbs_GetGeneralPort(i, &r, h_);
    }
  }

  void Others() {
    std::uint16_t depth = 0;
    dbs_GetTitle(n_.s16, h_);
    dbs_GetSearchDepth(&depth, h_);
    TTieLineRecord tie{};
    dbs_GetTieLine(0, &tie, h_);
    dbs_GetTieLineName(0, n_.s16, h_);
    TCueRecord cue{};
    dbs_GetInputCue(0, &cue, h_);
    dbs_GetOutputCue(0, &cue, h_);
    TPathProtectRecord protect{};
    dbs_GetTransmissionPathProtect(0, &protect, h_);
    std::uint8_t lines[4] = {};
    dbs_GetTrigLines(lines, h_);
  }

  // A keypad and its keys, each key's assignment, and its sequences.
  void Keypad(std::uint16_t k, bool probe) {
    TKeypadRecord keypad{};
    keypad.name = n_.s16;
    dbs_GetKeypad(k, &keypad, h_);
    const std::uint16_t keys = k < c_.keypadCount ? c_.keyCount[k] : 0;
    for (std::uint16_t j = 0; j < keys + probe; ++j) {
      TKeyRecord key{};
      key.name = n_.s16;
      key.altName = n_.alt;
      if (dbs_GetKey(k, j, &key, h_) != DBS_OK) continue;
      std::uint16_t value = 0;
      std::uint32_t salvo = 0;
      dbs_GetKeyAssignment(k, key.name, 0, &value, &salvo, h_);
    }
    Sequences(k);
  }

  // The sequences of a keypad one after another: the enumeration must end
  // within the keypad's nodes.
  void Sequences(std::uint16_t k) {
    static SequenceRecord sequence;
    TEntrySequenceRecord& r = sequence.record;
    r = TEntrySequenceRecord{};
    sequence.Attach();
    DbsStatus s = dbs_GetFirstSequence(k, &r, h_);
    const std::uint32_t nodes = k < c_.keypadCount ? c_.nodeCount[k] : 0;
    for (std::uint32_t steps = 0; s == DBS_OK; ++steps) {
      if (steps > nodes) Fault("the sequences of a keypad never end", k);
      if (r.count == 0 || r.count > DBS_MAX_PRESSES) Fault("a sequence of an impossible length", r.count);
      s = dbs_GetNextSequence(k, &r, h_);
    }
  }

  // A salvo and crosspoints along its chain: each call walks the chain from
  // its start, so the first few, those at its end and one far beyond.
  void Salvo(std::uint16_t s) {
    TMacroStoreRecord r{s, n_.s4, n_.s16, 0};
    dbs_GetMacroStore(s, &r, h_);
    std::uint16_t count = 0;
    dbs_GetNoMacroXPRecords(s, &count, h_);
    TMacroXPRecord xp{};
    for (std::uint32_t n : {0u, 1u, 2u, count - 1u, std::uint32_t{count}, count + 1u, c_.salvoXPCount + 1u}) {
      dbs_GetMacroXP(s, static_cast<std::uint16_t>(n), &xp, h_);
    }
  }

  void Panel(std::uint16_t p, bool probe) {
    std::uint16_t word = 0;
    std::uint8_t byte = 0;
    std::uint32_t flags = 0;
    std::uint16_t levels[20];
    std::uint32_t custom[2];
    dbs_GetPanelType(p, &word, h_);
    dbs_GetPanelBrightness(p, &byte, h_);
    dbs_GetPanelMode(p, &byte, h_);
    dbs_GetPanelFlags(p, &flags, h_);
    dbs_GetPanelLevels(p, levels, h_);
    dbs_GetPanelKeypad(p, 0, &word, h_);
    dbs_GetPanelKeypad(p, 1, &word, h_);
    dbs_GetPanelName(p, n_.s16, h_);
    dbs_GetPanelCustomData(p, custom, h_);
    TPanelRecord r{};
    r.name = n_.s16;
    dbs_GetPanelRecord(p, &r, h_);
    std::uint16_t port = 0, address = 0;
    dbs_GetPanelPort(p, &port, &address, h_);
    for (std::uint16_t m = 0; m < c_.matrixCount + probe; ++m) {
      TXYRecord xy{};
      xy.destCount = 2048;
      dbs_GetXY_ControlledDests(p, m, &xy, h_);
    }
    for (std::uint16_t j = 0; j < 16 + probe; ++j) {
      TOutputRecord output{};
      dbs_GetOutputRecord(p, j, &output, h_);
      TOverrideRecord override{};
      dbs_GetOverrideSource(p, j, &override, h_);
    }
  }

  void UMD(std::uint16_t u, bool probe) {
    std::uint8_t byte = 0;
    std::uint16_t word = 0;
    dbs_GetUMDType(u, &byte, h_);
    dbs_GetUMDDisplay(u, &byte, h_);
    dbs_GetUMDFlags(u, &word, h_);
    for (std::uint16_t line = 0; line < 4 + probe; ++line) {
      TAssociationMember dest{};
      dbs_GetUMDDests(u, line, &dest, h_);
    }
    dbs_GetUMDBrightness(u, &word, h_);
    dbs_GetUMDFixedMessage(u, &word, h_);
    dbs_GetUMDName(u, n_.s16, h_);
    TUMDRecord r{};
    r.name = n_.s16;
    dbs_GetUMDRecord(u, &r, h_);
    dbs_GetFixedMessage(u, n_.s16, h_);
    std::uint16_t port = 0, address = 0;
    dbs_GetUMDPort(u, &port, &address, h_);
  }

 private:
  // A sequence record with strings for every press.
  struct SequenceRecord {
    TEntrySequenceRecord record{};
    std::vector<std::unique_ptr<LibString>> strings;
    SequenceRecord() {
      for (int i = 0; i < 2 * DBS_MAX_PRESSES; ++i) strings.push_back(std::make_unique<LibString>(16));
    }
    void Attach() {
      for (int d = 0; d < DBS_MAX_PRESSES; ++d) {
        record.presses[d].keyName = *strings[2 * d];
        record.presses[d].displayName = *strings[2 * d + 1];
      }
    }
  };

  DbsHandle h_;
  const ConfigImage& c_;
  Strings& n_;
  std::vector<std::uint8_t> bitmap_;
};

}  // namespace zephra::fuzz
