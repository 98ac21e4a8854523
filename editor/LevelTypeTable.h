// The editor's level types: a 16-bit code per combination of signal type,
// audio parameter, router model and operation (or park mode for RS422), and
// the largest router of each model.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

inline constexpr uint16_t kNoLevelType = 318;

enum class Signal { SdvHd, AnalogueVideo, Aes, AnalogueAudio, AudioMix, Timecode, Rs422 };
enum class Operation { Normal, DualSplit, TripleSplit, QuadSplit, DualOutput };

inline const QStringList kSignalNames = {"SDV / HD", "Analogue Video", "AES", "Analogue Audio ",
                                         "Audio Mix", "Timecode", "RS422"};
inline const QStringList kOperationNames = {"Normal", "Dual Split", "Triple Split", "Quad Split", "Dual Output"};
inline const QStringList kParkNames = {"Manual", "Auto"};

// The level-type items offered for a signal type on level `level` (0-based)
// of a database of `configType`.
QStringList ModelNames(Signal signal, bool audioParam, int level, int configType);

// The code of a combination; kNoLevelType when the table has none. For RS422
// `model` is "Broadcast" or "One to One" and `park` 0 manual, 1 auto.
uint16_t LevelTypeCode(Signal signal, bool audioParam, const QString& model, Operation op, int park);

struct LevelSelection {
  Signal signal = Signal::SdvHd;
  bool audioParam = false;
  QString model;
  Operation op = Operation::Normal;
  int park = 0;
};

// The combination a code stands for (the first in table order, over every
// model of every format), if any.
bool FindLevelType(uint16_t code, LevelSelection& out);

// The most sources and destinations of a model with an operation (for RS422
// by park mode's model), before the format's own limits.
void ModelLimits(Signal signal, const QString& model, Operation op, int& sources, int& dests);
