// The inputs of the fuzz targets, written by the seed maker and read by the
// targets: a short header that chooses a small configuration, then patches
// laid over the regions of an image (the tables of a database file, or the
// areas of a controller's memory). Small inputs thus reach any table of any
// configuration, and a patch stays on its table when the counts change.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "dbs/layout.h"
#include "dbs/transfer/controller_decode.h"

namespace zephra::fuzz {

// Reads an input front to back; past its end every read gives 0.
class InputReader {
 public:
  explicit InputReader(std::span<const std::uint8_t> data) : data_(data) {}
  std::uint8_t Byte() { return at_ < data_.size() ? data_[at_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::uint32_t Triple() { return Word() | std::uint32_t{Byte()} << 16; }
  std::size_t Left() const { return data_.size() - std::min(at_, data_.size()); }
  std::span<const std::uint8_t> Take(std::size_t n) {
    n = std::min(n, Left());
    const auto part = data_.subspan(at_, n);
    at_ += n;
    return part;
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
};

class InputWriter {
 public:
  void Byte(std::uint8_t b) { out_.push_back(b); }
  void Word(std::uint16_t w) { Byte(static_cast<std::uint8_t>(w)), Byte(static_cast<std::uint8_t>(w >> 8)); }
  void Triple(std::uint32_t t) { Word(static_cast<std::uint16_t>(t)), Byte(static_cast<std::uint8_t>(t >> 16)); }
  void Bytes(std::span<const std::uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  const std::vector<std::uint8_t>& Data() const { return out_; }

 private:
  std::vector<std::uint8_t> out_;
};

// A stretch of an image that patches address from its own start.
struct Region {
  std::uint32_t pos = 0, size = 0;
};

// A patch: region number (1 byte, modulo the regions), offset in it (3
// bytes, modulo its size), length (1 byte), then the bytes, which wrap
// round within the region.
inline void ApplyPatches(InputReader& in, const std::vector<Region>& regions, std::span<std::uint8_t> image) {
  while (in.Left() > 0 && !regions.empty()) {
    const Region& r = regions[in.Byte() % regions.size()];
    std::uint32_t offset = in.Triple();
    const auto bytes = in.Take(in.Byte());
    if (r.size == 0) continue;
    offset %= r.size;
    for (std::uint8_t b : bytes) {
      if (r.pos + offset < image.size()) image[r.pos + offset] = b;
      offset = (offset + 1) % r.size;
    }
  }
}

// The patches that turn `from` into `to`, region by region; nearby changes
// share a patch.
inline void WritePatches(InputWriter& out, const std::vector<Region>& regions, std::span<const std::uint8_t> from,
                         std::span<const std::uint8_t> to) {
  for (std::size_t r = 0; r < regions.size(); ++r) {
    const Region& region = regions[r];
    std::uint32_t i = 0;
    while (i < region.size) {
      const std::uint32_t p = region.pos + i;
      if (p >= to.size() || p >= from.size()) break;
      if (from[p] == to[p]) {
        ++i;
        continue;
      }
      std::uint32_t end = i, same = 0;
      while (end < region.size && end - i < 255 && region.pos + end < to.size() && same < 8) {
        same = from[region.pos + end] == to[region.pos + end] ? same + 1 : 0;
        ++end;
      }
      end -= same;
      out.Byte(static_cast<std::uint8_t>(r));
      out.Triple(i);
      out.Byte(static_cast<std::uint8_t>(end - i));
      out.Bytes(to.subspan(region.pos + i, end - i));
      i = end;
    }
  }
}

// ---- database files

// The database target's header (kShapeBytes): the format, the base image
// the patches go over, and the counts, each a byte mapped onto a range that
// keeps the file small; now and then a count is large, so that destination
// and dial-up keypads and wide levels come into play.
inline constexpr std::size_t kShapeBytes = 40;
inline constexpr std::uint16_t kFormats[] = {DBS_TYPE_KV1, DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3};
inline constexpr std::uint16_t kManyKeypads[] = {31, 32, 33, 34, 62, 64, 65, 66};

// What the image holds before the patches: the configuration's default
// content, zeros, or 0xFF everywhere.
enum class Base : std::uint8_t { Defaults, Zeros, Ones };

// The steps an input takes, from the last byte of its header: most inputs
// take one, one in eight all of them in turn. Each step costs about as much
// as the others, so that taking one at a time keeps runs fast.
enum Stage : std::uint8_t { kReadOnly = 1, kDump = 2, kWritable = 4, kReconfigure = 8, kAllStages = 15 };
inline constexpr std::uint8_t kStageChoices[8] = {
    kReadOnly, kReadOnly, kWritable, kWritable, kReconfigure, kReconfigure, kReadOnly | kDump, kAllStages};

struct Shape {
  ConfigImage config{};
  Base base = Base::Defaults;
  std::uint8_t stages = kAllStages;
};

// A count byte: below 248 the byte modulo `below`, from 248 on a multiple
// of `step` (large counts make slow runs, so they are rare).
struct CountCode {
  std::uint16_t below, step;
  static constexpr std::uint8_t kLarge = 248;
  std::uint16_t Decode(std::uint8_t b) const {
    return b < kLarge ? static_cast<std::uint16_t>(b % below) : static_cast<std::uint16_t>((b - kLarge + 1) * step);
  }
  // The byte for a count, when there is one.
  bool Encode(std::uint16_t v, std::uint8_t& b) const {
    if (v < below) return b = static_cast<std::uint8_t>(v), true;
    if (step == 0 || v % step != 0 || v / step > 256 - kLarge) return false;
    return b = static_cast<std::uint8_t>(kLarge - 1 + v / step), true;
  }
};
// Level 0 may be wide (up to 576); the other levels stay narrow. Most
// counts are small, so that every record is reached in a short run.
inline constexpr CountCode kWideLevel{18, 72}, kLevelItems{18, 0}, kAssociations{16, 96}, kSalvoXPs{48, 375},
    kLevels{5, 8}, kSmall{6, 11}, kKeys{9, 8};

inline const char16_t* FormatTag(std::uint16_t type) {
  switch (type) {
    case DBS_TYPE_KV1: return u"KV100.00";
    case DBS_TYPE_V1: return u"ZP100.00";
    case DBS_TYPE_V2: return u"ZP201.00";
    default: return u"ZP300.00";
  }
}

// Fields of the header in order; `Shape` reads and writes them alike.
template <class Visit>
void VisitShape(Shape& s, Visit&& v) {
  ConfigImage& c = s.config;
  v.Choice(c.configType, kFormats);
  v.Enum(s.base, 3);
  v.Flags(c.matrixCount, c.hasAutoProtect);
  v.Count(c.levelCount[0], kLevels);
  for (int l = 0; l < 8; ++l) v.Count(c.sourceCount[0][l], l == 0 ? kWideLevel : kLevelItems);
  for (int l = 0; l < 8; ++l) v.Count(c.destCount[0][l], l == 0 ? kWideLevel : kLevelItems);
  v.Count(c.sourceAssocCount[0], kAssociations);
  v.Count(c.destAssocCount[0], kAssociations);
  v.Modulo(c.generalPortCount, 6);
  v.Modulo(c.multidropPortCount, 4);
  v.Count(c.panelCount, kSmall);
  v.Keypads(c.keypadCount);
  for (int k = 0; k < 8; ++k) v.Count(c.keyCount[k], kKeys);
  v.Count(c.keyCount[8], kKeys);  // every keypad from 8 on
  v.Count(c.xySetCount, kSmall);
  v.Count(c.umdCount, kSmall);
  v.Count(c.salvoCount, kSmall);
  v.Count(c.salvoXPCount, kSalvoXPs);
  v.Stages(s.stages);
}

namespace detail {
struct ShapeReader {
  InputReader& in;
  template <std::size_t N>
  void Choice(std::uint16_t& f, const std::uint16_t (&values)[N]) { f = values[in.Byte() % N]; }
  template <class E>
  void Enum(E& e, int n) { e = static_cast<E>(in.Byte() % n); }
  void Flags(std::uint16_t& matrices, std::uint32_t& autoProtect) {
    const std::uint8_t b = in.Byte();
    matrices = b & 1 ? 0 : 1;
    autoProtect = (b >> 1) & 1;
  }
  void Modulo(std::uint16_t& f, int n) { f = static_cast<std::uint16_t>(in.Byte() % n); }
  void Count(std::uint16_t& f, const CountCode& code) { f = code.Decode(in.Byte()); }
  void Keypads(std::uint16_t& f) {
    const std::uint8_t b = in.Byte();
    f = b < 248 ? b % 5 : kManyKeypads[b % 8];
  }
  void Stages(std::uint8_t& f) { f = kStageChoices[in.Byte() % 8]; }
};
struct ShapeWriter {
  InputWriter& out;
  bool ok = true;
  template <std::size_t N>
  void Choice(std::uint16_t& f, const std::uint16_t (&values)[N]) {
    const auto at = std::find(std::begin(values), std::end(values), f);
    ok = ok && at != std::end(values);
    out.Byte(static_cast<std::uint8_t>(at - std::begin(values)));
  }
  template <class E>
  void Enum(E& e, int) { out.Byte(static_cast<std::uint8_t>(e)); }
  void Flags(std::uint16_t& matrices, std::uint32_t& autoProtect) {
    out.Byte(static_cast<std::uint8_t>((matrices == 0 ? 1 : 0) | (autoProtect ? 2 : 0)));
  }
  void Modulo(std::uint16_t& f, int n) {
    ok = ok && f < n;
    out.Byte(static_cast<std::uint8_t>(f));
  }
  void Count(std::uint16_t& f, const CountCode& code) {
    std::uint8_t b = 0;
    ok = ok && code.Encode(f, b);
    out.Byte(b);
  }
  void Keypads(std::uint16_t& f) {
    const auto at = std::find(std::begin(kManyKeypads), std::end(kManyKeypads), f);
    if (f < 5) {
      out.Byte(static_cast<std::uint8_t>(f));
    } else {
      ok = ok && at != std::end(kManyKeypads);
      // The byte from 248 on whose remainder modulo 8 picks it.
      out.Byte(static_cast<std::uint8_t>(248 + (at - std::begin(kManyKeypads))));
    }
  }
  void Stages(std::uint8_t& f) {
    const auto at = std::find(std::begin(kStageChoices), std::end(kStageChoices), f);
    ok = ok && at != std::end(kStageChoices);
    out.Byte(static_cast<std::uint8_t>(at - std::begin(kStageChoices)));
  }
};
}  // namespace detail

// The configuration a header chooses, before validation. Keypads from 8 on
// share one key count.
inline Shape ReadShape(InputReader& in) {
  const auto head = in.Take(kShapeBytes);
  InputReader fields(head);
  Shape s;
  ConfigImage& c = s.config;
  std::copy_n(u"Fuzzed", 6, c.name);
  c.recordSize = DBS_CONFIG_RECORD_SIZE;
  VisitShape(s, detail::ShapeReader{fields});
  std::copy_n(FormatTag(c.configType), 8, c.version);
  for (std::uint16_t k = 9; k < DBS_MAX_KEYPADS; ++k) c.keyCount[k] = c.keyCount[8];
  return s;
}

// The header of a shape; false when its counts have no header.
inline bool WriteShape(InputWriter& out, Shape s) {
  const std::size_t start = out.Data().size();
  detail::ShapeWriter writer{out};
  VisitShape(s, writer);
  while (out.Data().size() - start < kShapeBytes) out.Byte(0);
  return writer.ok;
}

// Every table of a database image as a region: the configuration record,
// the matrix tables, the tables after them, and one region per keypad.
inline std::vector<Region> DatabaseRegions(const ImageLayout& L, const ConfigImage& c) {
  std::vector<Region> r;
  const auto span = [&](std::uint32_t from, std::uint32_t to) { r.push_back({from, to > from ? to - from : 0}); };
  span(0, sizeof(ConfigImage));
  const bool matrix = c.matrixCount > 0;
  span(matrix ? L.matrixPos[0] : 0, matrix ? L.sourceTablePos[0] : 0);
  span(matrix ? L.sourceTablePos[0] : 0, matrix ? L.destTablePos[0] : 0);
  span(matrix ? L.destTablePos[0] : 0, matrix ? L.sourceAssocPos[0] : 0);
  span(matrix ? L.sourceAssocPos[0] : 0, matrix ? L.destAssocPos[0] : 0);
  span(matrix ? L.destAssocPos[0] : 0, matrix ? L.inhibitPos[0] : 0);
  span(matrix ? L.inhibitPos[0] : 0, matrix ? L.titlePos : 0);
  span(L.titlePos, L.panelPos);
  span(L.panelPos, L.umdPos);
  span(L.umdPos, c.keypadCount ? L.keypadPos[0] : L.xySetPos);
  span(L.xySetPos, L.outputSetPos);
  span(L.outputSetPos, L.fixedMessagePos);
  span(L.fixedMessagePos, L.salvoPos);
  span(L.salvoPos, L.salvoXPPos);
  span(L.salvoXPPos, L.tablesEnd);
  span(L.tablesEnd, L.imageSize);
  for (std::uint16_t k = 0; k < c.keypadCount && k < DBS_MAX_KEYPADS; ++k) span(L.keypadPos[k], L.keypadTailPos[k] + 4);
  return r;
}

// ---- controller memory

// The controller target's header: the format, flags (the base the image
// starts from in bits 0-1, 0 zeros, 1 0xFF, 2 the memory of the database's
// default content; a round trip in bit 2), the shape of the database, and
// the counts the controller reports (its fixed area of 32 bytes and its park
// sources, 16 bytes).
inline constexpr std::uint16_t kControllerFormats[] = {DBS_TYPE_V1, DBS_TYPE_V2, DBS_TYPE_V3};
inline constexpr std::size_t kControllerHeaderBytes = 3 + 32 + 16;

// The database an input decodes into. With shape 31 modulo 32 it is the
// configuration an upload makes from the counts the controller reports.
// Otherwise the input's counts give way to two levels (8 sources and 8
// destinations, 17 and 16) and the configuration has fewer keypads (2, or
// 65 for shape 3 modulo 4), associations and salvo crosspoints, which the
// decoders bound their walks by: the upload's own is large and a run over
// it slow, and these few shapes keep their databases made once for all
// inputs. The keypads keep their keys: the decoders read the keys of one
// keypad after those of the one before, where the controller keeps a fixed
// number for each.
inline ConfigImage ControllerConfig(const FormatInfo& format, std::uint8_t (&fixed)[32], std::uint8_t (&park)[16],
                                    std::uint8_t shape) {
  const bool asUploaded = shape % 32 == 31;
  if (!asUploaded) {
    static constexpr std::uint8_t kCounts[32] = {0, 8, 0, 17, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                 0, 8, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::copy(std::begin(kCounts), std::end(kCounts), fixed);
    std::fill(std::begin(park), std::end(park), 0xFF);
  }
  ConfigImage c =
      UploadConfiguration(format, std::span<const std::uint8_t, 32>(fixed), std::span<const std::uint8_t, 16>(park));
  if (asUploaded) return c;
  c.keypadCount = shape % 4 == 3 ? 65 : 2;
  for (std::uint16_t k = c.keypadCount; k < DBS_MAX_KEYPADS; ++k) c.keyCount[k] = c.nodeCount[k] = 0;
  c.sourceAssocCount[0] = c.destAssocCount[0] = 16;
  c.salvoXPCount = 64;
  return c;
}

// The areas of a controller's memory, in address order, and the three
// parameter areas after them.
inline std::vector<Region> ControllerRegions(const ControllerMap& m) {
  std::vector<std::uint32_t> starts = {
      m.ctlSourceArea,   m.ctlDestAssocArea,  m.ctlPortArea,       m.ctlInhibitArea,   m.ctlSourceAssocArea,
      m.ctlDestAssocArea2, m.ctlPanelArea1,   m.ctlPanelArea2,     m.ctlPanelArea3,    m.ctlKeypadArea1,
      m.ctlKeypadArea2,  m.ctlOverrideArea,   m.ctlPanelArea4,     m.ctlLevelArea,     m.ctlGeneralPortArea,
      m.ctlXYArea,       m.ctlSalvoArea,      m.ctlSalvoXPArea,    m.ctlSalvoLinkArea, m.ctlKeypadArea3,
      m.ctlKeypadArea4,  m.ctlFixedArea,      m.ctlLevelArea2,     m.ctlMatrixPortArea};
  if (m.hasTrigLineArea) starts.push_back(m.ctlTrigLineArea);
  starts.insert(starts.end(), m.ctlKeypadBlock.begin(), m.ctlKeypadBlock.end());
  starts.insert(starts.end(), m.ctlKeypadBlock2.begin(), m.ctlKeypadBlock2.end());
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::vector<Region> r;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::uint32_t end = i + 1 < starts.size() ? starts[i + 1] : m.imageSize;
    r.push_back({starts[i], end - starts[i]});
  }
  for (std::uint32_t area : {m.ctlParamArea1, m.ctlParamArea2, m.ctlParamArea3}) r.push_back({area, m.paramAreaSize});
  return r;
}

// The whole memory a controller target works on: the image from address 0
// and the parameter areas at theirs.
inline std::uint32_t ControllerExtent(const ControllerMap& m) { return m.ctlParamArea3 + m.paramAreaSize; }

}  // namespace zephra::fuzz
