#include "LevelTypeTable.h"

#include <array>

#include "zephra/zephra.h"

namespace {

struct Model {
  const char* name;
  int base;               // -1: the model has codes of its own only
  std::array<bool, 8> signalCodes;  // which signal codes the model has
  std::array<int, 5> sources, dests;
};

// Signal codes: 0 analogue video, 1 SDV/HD, 2 AES, 3 analogue audio, 4 the
// same with audio parameter, 5 audio mix, 6 with audio parameter, 7 AES with
// audio parameter.
const Model kModels[] = {
    {"Router A 32/64", 0, {1, 1, 1, 1, 1, 1, 1, 0}, {64, 32, 20, 16, 64}, {64, 32, 20, 16, 32}},
    {"Router B series", -1, {}, {24, 24, 24, 24, 24}, {24, 24, 24, 24, 24}},
    {"Router C 128", 168, {1, 1, 1, 1, 1, 1, 1, 1}, {128, 64, 40, 32, 128}, {128, 64, 40, 32, 64}},
    {"Router E/C 128", 168, {1, 1, 1, 1, 1, 1, 1, 1}, {128, 64, 40, 32, 128}, {128, 64, 40, 32, 64}},
    {"Router D16", 96, {1, 1, 1, 1, 0, 0, 0, 0}, {16, 8, 5, 4, 16}, {16, 8, 5, 4, 8}},
    {"Router D32", 56, {1, 1, 1, 1, 0, 0, 0, 0}, {32, 16, 10, 8, 32}, {32, 16, 10, 8, 16}},
    {"Router D24", 136, {1, 1, 1, 1, 0, 0, 0, 0}, {24, 12, 8, 6, 24}, {24, 12, 8, 6, 12}},
    {"Router C 256", 208, {1, 1, 1, 1, 1, 1, 1, 1}, {256, 128, 80, 64, 256}, {256, 128, 80, 64, 128}},
    {"Router C Gold", 272, {1, 1, 1, 1, 1, 1, 1, 1}, {512, 256, 160, 128, 512}, {512, 256, 160, 128, 256}},
    {"Router F", 352, {1, 1, 1, 1, 1, 1, 1, 1}, {272, 136, 85, 68, 272}, {272, 136, 85, 68, 136}},
    {"Router G", 312, {1, 1, 1, 1, 0, 1, 0, 0}, {576, 288, 180, 144, 576}, {576, 288, 180, 144, 288}},
    {"Router E 128", -1, {}, {128, 128, 0, 0, 0}, {128, 128, 0, 0, 0}},
};

const Model& ModelNamed(const QString& name) {
  for (const Model& m : kModels) {
    if (name == m.name) return m;
  }
  return kModels[0];  // an unknown item counts as the first model
}

constexpr int kOffsets[] = {0, 8, 24, 16, 32};
constexpr int kD24Offsets[] = {0, 8, -1, 16, 24};

int SignalCode(Signal s, bool audioParam) {
  switch (s) {
    case Signal::AnalogueVideo: return 0;
    case Signal::SdvHd: return 1;
    case Signal::Aes: return audioParam ? 7 : 2;
    case Signal::AnalogueAudio: return audioParam ? 4 : 3;
    case Signal::AudioMix: return audioParam ? 6 : 5;
    default: return -1;
  }
}

}  // namespace

QStringList ModelNames(Signal signal, bool audioParam, int level, int configType) {
  QStringList items;
  switch (signal) {
    case Signal::SdvHd:
      items = {"Router A 32/64", "Router B series", "Router C 128", "Router D16", "Router D32", "Router D24", "Router C 256"};
      break;
    case Signal::AnalogueVideo:
      items = {"Router A 32/64", "Router C 128", "Router E 128", "Router D16", "Router D32", "Router D24", "Router C 256"};
      break;
    case Signal::Aes:
      items = audioParam ? QStringList{"Router E/C 128", "Router C 256"}
                         : QStringList{"Router A 32/64", "Router B series", "Router E/C 128", "Router D16",
                                       "Router D32", "Router D24", "Router C 256"};
      break;
    case Signal::AnalogueAudio:
      items = {"Router A 32/64", "Router E/C 128"};
      if (!audioParam) items << "Router D16" << "Router D32" << "Router D24";
      items << "Router C 256";
      break;
    case Signal::AudioMix:
      items = {"Router A 32/64", "Router E/C 128", "Router C 256"};
      break;
    case Signal::Timecode: return {"Router E/C 128"};
    case Signal::Rs422: return {"Broadcast", "One to One"};
  }
  if (level < 4) {
    if (configType >= 3) items << "Router C Gold";
    if (configType >= 4) items << "Router F" << "Router G";
  } else if (configType >= 4) {
    items << "Router F";
  }
  return items;
}

uint16_t LevelTypeCode(Signal signal, bool audioParam, const QString& model, Operation op, int park) {
  const int o = static_cast<int>(op);
  if (signal == Signal::Rs422) return static_cast<uint16_t>((model == "One to One" ? 48 : 40) + (park ? 1 : 0));
  if (signal == Signal::Timecode) {
    return (model == "Router C 128" || model == "Router E/C 128" || model == "Router E 128") && op == Operation::Normal
               ? 256
               : kNoLevelType;
  }
  const int s = SignalCode(signal, audioParam);
  if (model == "Router B series") {
    if (op != Operation::Normal) return kNoLevelType;
    return signal == Signal::SdvHd ? 249 : (signal == Signal::Aes && !audioParam) ? 250 : kNoLevelType;
  }
  if (model == "Router E 128") {
    if (signal == Signal::AnalogueVideo && op == Operation::Normal) return 264;
    if (!audioParam && (signal == Signal::Aes || signal == Signal::AnalogueAudio || signal == Signal::AudioMix)) {
      return static_cast<uint16_t>(168 + s + kOffsets[o]);
    }
    return kNoLevelType;
  }
  const Model& m = ModelNamed(model);
  if (m.base < 0 || s < 0 || !m.signalCodes[static_cast<std::size_t>(s)]) return kNoLevelType;
  const int offset = QString(m.name) == "Router D24" ? kD24Offsets[o] : kOffsets[o];
  if (offset < 0) return kNoLevelType;
  return static_cast<uint16_t>(m.base + s + offset);
}

bool FindLevelType(uint16_t code, LevelSelection& out) {
  if (code == kNoLevelType) return false;
  for (bool audio : {false, true}) {
    for (int si = 0; si < kSignalNames.size(); ++si) {
      const auto signal = static_cast<Signal>(si);
      // Levels 1-4 of the newest format are offered every model.
      for (const QString& model : ModelNames(signal, audio, 0, DBS_TYPE_V3)) {
        for (int op = 0; op < 5; ++op) {
          for (int park = 0; park < 2; ++park) {
            if (LevelTypeCode(signal, audio, model, static_cast<Operation>(op), park) == code) {
              out = {signal, audio, model, static_cast<Operation>(op), park};
              return true;
            }
          }
        }
      }
    }
  }
  return false;
}

void ModelLimits(Signal signal, const QString& model, Operation op, int& sources, int& dests) {
  if (signal == Signal::Rs422) {
    sources = dests = model == "One to One" ? 64 : 128;
    return;
  }
  const int o = static_cast<int>(op);
  if (model == "Router F") {
    const std::array<int, 5> sdv = {72, 36, 20, 18, 36}, video = {64, 32, 20, 16, 32};
    if (signal == Signal::SdvHd) {
      sources = dests = sdv[static_cast<std::size_t>(o)];
      return;
    }
    if (signal == Signal::AnalogueVideo) {
      sources = dests = video[static_cast<std::size_t>(o)];
      return;
    }
  }
  const Model& m = ModelNamed(model);
  sources = m.sources[static_cast<std::size_t>(o)];
  dests = m.dests[static_cast<std::size_t>(o)];
}
