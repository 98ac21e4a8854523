#include "LevelParameters.h"

#include <cstring>

namespace zephra::editor {

int ShownItem(std::span<const ParameterItem> items, std::span<const ParameterItem> names, std::uint8_t code) {
  for (const ParameterItem& name : names) {
    if (name.code != code) continue;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (std::strcmp(items[i].text, name.text) == 0) return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace zephra::editor
