#include "config.h"

#include <algorithm>
#include <cstring>

namespace zephra {

ConfigImage ConfigFromCall(const TConfigurationRecord& call) {
  ConfigImage image{};
  const std::uint32_t units = std::min<std::uint32_t>(DbsStringLength(call.name), kNameUnits);
  if (units) std::memcpy(image.name, call.name, units * sizeof(char16_t));
  std::memcpy(&image.recordSize, &call.recordSize, kConfigFieldsSize);
  return image;
}

void ConfigToCall(const ConfigImage& image, TConfigurationRecord& call) {
  const std::uint32_t units = std::min<std::uint32_t>(DbsStringLength(call.name), kNameUnits);
  if (units) std::memcpy(call.name, image.name, units * sizeof(char16_t));
  std::memcpy(&call.recordSize, &image.recordSize, kConfigFieldsSize);
}

}  // namespace zephra
