// What the grid editors keep per cell and per row: a source with its record,
// a destination association with its record, read and written through the
// interface. Plain values: a form owns them in flat arrays beside its grids.
#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <vector>

#include "CommonInterface.h"
#include "forms/FormFields.h"
#include "model/GridText.h"

// The values of one source record, its six names as the library gave them
// (read into strings of 4, 8, 4, 8, 12 and 16 characters).
struct TSourceValues {
  uint16_t matrix = 0, level = 0, source = 0;
  std::array<QString, 6> names;
  uint8_t sourceType = 0, audioParam = 0, trigger = 0;
  bool operator==(const TSourceValues&) const = default;
};

// The widths the names of a source record are read with.
inline constexpr int kSourceNameWidths[6] = {4, 8, 4, 8, 12, 16};

// Reads source (0, level, source); the numbers are kept whatever the answer.
bool ReadSource(TCommonInterface& ci, int level, int source, TSourceValues& out);
// Writes the values as source (0, level, values.source).
bool WriteSource(TCommonInterface& ci, int level, const TSourceValues& values);

// A source as a grid cell holds it: its number and its record.
struct TSourceResource {
  int Number = -1;
  TSourceValues Record;
  bool Present = false;  // the cell holds a source at all
  // The user emptied the cell: the source is kept only so that Save knows
  // a stored crosspoint is to go (a source's name may be empty too).
  bool Emptied = false;
  // The record's 8-character name, up to its first NUL.
  QString GetName() const { return ShownName(Record.names[1]); }
  void SetName(const QString& text) { Record.names[1] = FitName(text, 8); }
};

// The record of one destination association (short name read with 4
// characters, the name with 8).
struct TDestAssocValues {
  uint16_t matrix = 0, association = 0;
  QString shortName, name;
  std::array<TAssociationMember, 16> members{};
};

bool ReadDestAssoc(TCommonInterface& ci, int association, TDestAssocValues& out);
bool WriteDestAssoc(TCommonInterface& ci, int association, const TDestAssocValues& values);

// A destination association as a grid row holds it.
struct TDestAssocResource {
  int Number = -1;
  TDestAssocValues Record;
  bool Present = false;
};

// The first source of a level whose 8-character name is exactly `text`, for
// one operation: each level's names are read once, when first asked for.
class TSourceNames {
 public:
  explicit TSourceNames(TCommonInterface& ci) : ci_(ci) {}
  // The source's number, or -1.
  int Find(int level, const QString& text);

 private:
  TCommonInterface& ci_;
  QHash<int, QHash<QString, int>> levels_;
};

// The messages of the grid editors' checks (kInvalidValue is the forms').
inline constexpr const char* kValueTooGreat = "This value is to great";
inline constexpr const char* kInvalidSourceName = "Invalid source name";
inline constexpr const char* kLockedCells = "Unable to paste onto cells which cannot be modified";

// Whether a cell's text is a decimal number, and which.
bool NumberText(const QString& text, int& value);
// Whether every character of a name can be sent to the controller.
bool PrintableName(const QString& text);
// A cell's text counts as empty: nothing, or spaces only.
bool BlankCell(const QString& text);
// The name shown for an empty member: eight spaces.
inline const QString kBlankName = QString(8, ' ');

// Which source of a level of `sources` sources a cell's text names, 0-based:
// by its name (`byName`), else by its number from 1. None: the user is shown
// `notFound` or `notNumber`, or why the number does not fit, and the answer
// is false.
struct TSourceText {
  bool byName = true;
  const char* notFound = kInvalidSourceName;
  QString notNumber = kInvalidValue;
};
bool SourceOfText(TSourceNames& names, int level, int sources, const QString& text, const TSourceText& how, int& n);

// The configuration's counts, read afresh (without its name).
bool ReadConfig(TCommonInterface& ci, TConfigurationRecord& config);
