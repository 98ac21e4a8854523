// A controller's memory from anywhere: the input gives the format, the
// counts the controller reports and the bytes of its image and parameter
// areas. They are decoded as an upload decodes them, into a database of the
// configuration an upload makes (or, for speed, one smaller than that,
// see ControllerConfig), encoded again and checked; every tree and
// chain the decoding made is walked through the exports, which must end.
// With the round-trip flag, and when the decoded database is sound, the
// encoded image is decoded once more into the same database, and encoding
// that must give the same bytes.
#include <algorithm>
#include <cstring>
#include <utility>
#include <map>
#include <vector>

#include "dbs/checker.h"
#include "dbs/transfer/controller_decode.h"
#include "dbs/transfer/controller_image.h"
#include "dbs/transfer/controller_memory.h"
#include "fuzz_calls.h"
#include "fuzz_inputs.h"

namespace zephra::fuzz {
namespace {

// The database an upload of one configuration decodes into, made once: its
// file holds the default content, kept aside to start every input afresh,
// and the controller memory that content gives.
struct Target {
  ConfigImage config{};
  DbsHandle h = -1;
  std::vector<std::uint8_t> defaults;
  std::vector<std::uint8_t> memory;

  int file;

  // `file` numbers the database's file, one that no other target uses.
  Target(const ConfigImage& c, int number) : config(c), file(number) {
    const std::string path = Files().path + "/upload" + std::to_string(file) + ".db";
    TConfigurationRecord record{};
    LibString name(u"Upload");
    record.name = name;
    ConfigToCall(c, record);
    record.name = name;
    if (const DbsStatus s = dbs_CreateFile(LibString(Wide(path)), &record, -1, &h); s != DBS_OK) {
      Fault("cannot make the upload database", s);
    }
    const DatabaseSlot& db = *Slots()[h].db;
    defaults.assign(db.image, db.image + db.layout.fileSize);
    Encode(memory);
  }
  ~Target() { dbs_CloseFile(h); }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;

  // Back to the default content, as a newly made file.
  void Reset() {
    Slot& slot = Slots()[h];
    std::memcpy(slot.db->image, defaults.data(), defaults.size());
    slot.drops.reset();
  }
  // The image and the parameter areas the database gives, into `out`
  // (whose memory is kept from run to run).
  void Encode(std::vector<std::uint8_t>& out) {
    Slot& slot = Slots()[h];
    const ControllerMap& map = *slot.db->format->controllerMap;
    out.assign(ControllerExtent(map), 0);
    WithDb(h, [&](Db& db) -> Status {
      const auto image = EncodeControllerImage(db);
      std::copy(image.begin(), image.end(), out.begin());
      for (int area = 1; area <= 3; ++area) {
        const auto bytes = EncodeParameterArea(db, area);
        std::copy(bytes.begin(), bytes.end(), out.begin() + ParameterAreaAddress(*slot.db->format, area));
      }
      return DBS_OK;
    });
  }
  // Decodes memory as an upload does.
  void Decode(const std::vector<std::uint8_t>& bytes) {
    Reset();
    const FormatInfo& format = *Slots()[h].db->format;
    const ControllerMap& map = *format.controllerMap;
    ControllerBuffers buffers;
    buffers.image.assign(bytes.begin(), bytes.begin() + BlocksFor(map.imageSize) * kBlockSize);
    for (int area = 1; area <= 3; ++area) {
      const auto at = bytes.begin() + ParameterAreaAddress(format, area);
      buffers.parameters[area - 1].assign(at, at + map.paramAreaSize);
    }
    const TransferSelection all{true, true, true, true};
    // The decoders renew the checksum of each block every record they
    // write touches; an upload recomputes them all afterwards and this
    // target reads none, so the table is left out of reach meanwhile.
    ImageLayout& layout = Slots()[h].db->layout;
    const std::uint32_t blocks = std::exchange(layout.blockCount, 0);
    const Status s = StoreControllerAreasSelectedV(h, &buffers, &all);
    layout.blockCount = blocks;
    if (s != DBS_OK) Fault("decoding failed", s);
  }
};

// The targets of the last few configurations: those of the small shapes
// stay, the upload's own come and go.
Target& TargetFor(const ConfigImage& c) {
  static std::vector<std::unique_ptr<Target>> recent;
  const auto same = [&](const auto& t) { return std::memcmp(&t->config, &c, sizeof c) == 0; };
  auto at = std::find_if(recent.begin(), recent.end(), same);
  if (at == recent.end()) {
    if (recent.size() == 8) recent.pop_back();
    int file = 0;
    while (std::any_of(recent.begin(), recent.end(), [&](const auto& t) { return t->file == file; })) ++file;
    recent.insert(recent.begin(), std::make_unique<Target>(c, file));
    at = recent.begin();
  }
  std::rotate(recent.begin(), at, at + 1);
  return *recent.front();
}

void Run(std::span<const std::uint8_t> data) {
  InputReader in(data);
  const FormatInfo& format = *FindFormat(kControllerFormats[in.Byte() % 3]);
  const std::uint8_t flags = in.Byte(), shape = in.Byte();
  std::uint8_t fixed[32], park[16];
  for (auto& b : fixed) b = in.Byte();
  for (auto& b : park) b = in.Byte();
  ConfigImage c = ControllerConfig(format, fixed, park, shape);
  if (ValidateConfigFor(format, c) != DBS_OK) Fault("the upload configuration breaks its format's limits");
  Target& target = TargetFor(c);

  const ControllerMap& map = *format.controllerMap;
  static std::vector<std::uint8_t> memory, encoded, again;
  switch ((flags & 3) % 3) {
    case 0: memory.assign(ControllerExtent(map), 0); break;
    case 1: memory.assign(ControllerExtent(map), 0xFF); break;
    default: memory = target.memory; break;
  }
  std::memcpy(memory.data() + map.ctlFixedArea, fixed, sizeof fixed);
  std::memcpy(memory.data() + map.ctlLevelArea2, park, sizeof park);
  ApplyPatches(in, ControllerRegions(map), memory);

  target.Decode(memory);
  target.Encode(encoded);
  const DatabaseSlot& db = *Slots()[target.h].db;
  const bool sound = FindStructureProblems(db.config, db.layout, {db.image, db.layout.fileSize}).empty();
  Reader walks(target.h, db.config);
  // Enumerating is quadratic in a list's length: the first two keypads of
  // each kind.
  for (std::uint16_t k : {0, 1, 32, 33, 64, 65, 72, 73}) {
    if (k < db.config.keypadCount) walks.Sequences(k);
  }
  for (std::uint16_t s = 0; s < db.config.salvoCount; ++s) walks.Salvo(s);

  // A sound database survives the way to the controller and back.
  if ((flags & 4) && sound) {
    target.Decode(encoded);
    target.Encode(again);
    if (again != encoded) {
      const auto at = std::mismatch(again.begin(), again.end(), encoded.begin()).first - again.begin();
      Fault("decoding what the encoding gave does not give it back", static_cast<unsigned>(at));
    }
  }
}

}  // namespace
}  // namespace zephra::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zephra::fuzz::Run({data, size});
  return 0;
}
