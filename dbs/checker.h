// Checks the linked structures stored in a database image: every keypad's
// sequence tree and free list, and the salvo crosspoint chains and their
// free list. Pure reading: used by the tests after every step and by the
// command-line tool's verify.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "layout.h"

namespace zephra {

// Every inconsistency found, each as a sentence; empty when all is sound.
std::vector<std::string> CheckStructures(const ConfigImage& config, const ImageLayout& layout,
                                         std::span<const std::uint8_t> image);

}  // namespace zephra
