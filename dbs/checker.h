// Checks the linked structures stored in a database image: every keypad's
// sequence tree and free list, and the salvo crosspoint chains and their
// free list. Pure reading: used by the tests after every step and by the
// command-line tool's verify.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "layout.h"

namespace zephra {

// One inconsistency: what it concerns, and a sentence that says it.
struct StructureProblem {
  enum class Kind {
    SequenceTree,   // keypad `number`: its tree's links are broken
    SequenceOrder,  // keypad `number`: a branch deeper than eight presses
    SequenceNodes,  // keypad `number`: its free list, nodes on neither list, or nodes numbered wrongly
    SalvoChain,     // salvo `number`: its chain's links are broken or reach another salvo's records
    SalvoCount,     // salvo `number`: its count differs from its chain
    SalvoPool,      // the crosspoints' free list, or records on no chain
    Place,          // panel or UMD (`umd`) `number` sits where an earlier device sits
    PanelSet,       // panel `number`: its output (`item` 0) or override (`item` 1) set is missing or shared
    PanelXYSet,     // panel `number`: its XY set of matrix `item` is shared
    PanelKeypad,    // panel `number` uses keypad `item`, which is not marked in use
  };
  Kind kind;
  std::uint16_t number = 0;
  std::uint16_t item = 0;
  bool umd = false;
  std::string text;
};

// What the walks reached: each keypad's tree nodes in the order found, and
// the length of each salvo's chain (up to where it breaks).
struct StructureCensus {
  std::vector<std::vector<std::int16_t>> treeNodes;
  std::vector<std::uint16_t> chainLengths;
};

// Every inconsistency found; empty when all is sound. With a census, also
// what was reached.
std::vector<StructureProblem> FindStructureProblems(const ConfigImage& config, const ImageLayout& layout,
                                                    std::span<const std::uint8_t> image,
                                                    StructureCensus* census = nullptr);

// The same, each as its sentence.
std::vector<std::string> CheckStructures(const ConfigImage& config, const ImageLayout& layout,
                                         std::span<const std::uint8_t> image);

}  // namespace zephra
