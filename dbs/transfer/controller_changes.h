// Bringing a controller along when the file changed in a way no live update
// describes (a step taken back or made again): what the controller should
// hold before and after, and the differences written to it as a download
// writes memory.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "dbs/entry.h"

namespace zephra {

// What a download would give the controller: its image and its three
// parameter areas.
struct ControllerContent {
  std::vector<std::uint8_t> image;
  std::array<std::vector<std::uint8_t>, 3> parameters;
};

// The controller content of the database as it is. Building the image may
// give a placed UMD a keypad (as it does when going on-line); here whatever
// that writes is put back afterwards, so the file keeps its exact bytes.
// Needs the slot's journal.
ControllerContent ControllerContentOf(Db& db);

// Where `before` and `after` differ: runs of bytes, two runs closer than a
// frame's own bytes sent as one.
struct ControllerRun {
  std::uint32_t address, offset, length;  // offset into the area's bytes
};
std::vector<ControllerRun> DifferingRuns(const std::vector<std::uint8_t>& before,
                                         const std::vector<std::uint8_t>& after, std::uint32_t address);

// Writes every differing run to the on-line controller in table frames of at
// most 128 bytes, image first, then parameter areas 1, 2 and 3; then, when
// the general port the PC is connected through changed, the PC's port
// follows its settings; and when a level type or a general port changed,
// the controller restarts, as the live updates of those changes do. The
// first failure ends it and is answered.
Status SendControllerChanges(Db& db, const ControllerContent& before, const ControllerContent& after);

}  // namespace zephra
