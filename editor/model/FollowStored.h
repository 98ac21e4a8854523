// A form's working copy brought up to date with what the file holds after a
// change made outside the form (another form, the tree, an import, an undo):
// what the user left as it was read follows the file, what the user changed
// stays as the user left it. `before` is what was read last, `now` what the
// file holds now.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zephra::editor {

template <class T>
void Follow(T& working, const T& before, const T& now) {
  if (working == before) working = now;
}

// The same bit by bit, for tables of one size (inhibits); a table of another
// size is taken whole from the file.
inline void FollowBits(std::vector<std::uint8_t>& working, const std::vector<std::uint8_t>& before,
                       const std::vector<std::uint8_t>& now) {
  if (working.size() != before.size() || working.size() != now.size()) {
    working = now;
    return;
  }
  for (std::size_t i = 0; i < working.size(); ++i) {
    const auto mine = static_cast<std::uint8_t>(working[i] ^ before[i]);  // the bits the user changed
    working[i] = static_cast<std::uint8_t>((now[i] & ~mine) | (working[i] & mine));
  }
}

}  // namespace zephra::editor
