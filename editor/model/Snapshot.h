// Everything a database holds, read once through a RecordReader into plain
// values: what the names export writes, what an import checks its rows
// against, and what two databases are compared on. Names are kept as stored
// (up to their first NUL); the string references of the records are cleared.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RecordAccess.h"

namespace zephra::model {

struct SourceState {
  TSourceRecord record{};
  std::u16string names[6];  // name1 … name6
};

struct LevelState {
  TLevelRecord record{};
  std::u16string name;
  bool hasPort = false;  // its matrix port entry (matrix 0 only)
  TMatrixPortRecord port{};
  std::vector<SourceState> sources;
  std::vector<TDestinationRecord> destinations;
  std::vector<std::uint8_t> inhibits;      // a row of (sources + 7) / 8 bytes per destination
  std::vector<std::uint8_t> autoProtects;  // likewise; empty without auto-protect
};

struct DestAssocState {
  TDestinationAssociationRecord record{};
  std::u16string shortName, name;
};

struct MatrixState {
  TMatrixRecord record{};
  std::u16string name;
  std::vector<LevelState> levels;
  std::vector<TSourceAssociationRecord> sourceAssocs;
  std::vector<DestAssocState> destAssocs;
};

struct PanelState {
  TPanelRecord record{};
  std::u16string name;
  std::vector<std::vector<bool>> xyDestinations;  // per matrix, one per destination association
  std::array<TOutputRecord, 16> outputs{};        // all zero without an output set
  std::array<TOverrideRecord, 16> overrides{};    // all -1 without an override set
};

struct UMDState {
  TUMDRecord record{};
  std::u16string name, message;
};

struct KeyState {
  TKeyRecord record{};
  std::u16string name, altName;
};

// A node of an entry-sequence tree, known by the key names on its path.
struct SequenceNodeState {
  std::u16string keyName;  // as KeyName() gives it
  std::u16string displayName;
  std::array<std::int16_t, 20> selection{};
  std::int16_t salvo = -1;
  bool ends = false;  // a sequence ends here
  std::uint16_t salvoFlags = 0;  // of the sequence that ends here
  std::vector<std::unique_ptr<SequenceNodeState>> children;  // in the keypad's order

  SequenceNodeState* Child(std::u16string_view key) const;
};

struct KeypadState {
  TKeypadRecord record{};
  std::u16string name;
  std::vector<KeyState> keys;
  SequenceNodeState tree;  // the root: its children are the top-level nodes
  bool treeWhole = true;   // false when the walk through the sequences broke off
};

struct SalvoState {
  TMacroStoreRecord record{};
  std::u16string shortName, name;
  std::vector<TMacroXPRecord> crosspoints;  // in chain order
};

struct Snapshot {
  TConfigurationRecord config{};
  std::u16string databaseName;
  std::u16string title;
  std::uint16_t searchDepth = 0;
  std::vector<MatrixState> matrices;
  std::vector<TGeneralPortRecord> generalPorts;
  std::vector<PanelState> panels;
  std::vector<UMDState> umds;
  std::vector<KeypadState> keypads;
  std::vector<SalvoState> salvos;
  std::array<std::uint8_t, 4> trigLines{};
};

// Reads every record the configuration gives. Answers the first status that
// is not part of the conversation; `into` is then incomplete.
DbsStatus ReadSnapshot(RecordReader& reader, Snapshot& into);

}  // namespace zephra::model
