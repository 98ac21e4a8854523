// The content copy of reconfiguring, for tools that make a database from
// another image (salvaging a damaged file): everything of one image that
// fits another's configuration, table by table, every copy bounded by both
// sides' counts and every link followed in the old image checked.
#pragma once

#include <cstdint>

#include "layout.h"

namespace zephra {

// One image with its configuration, layout and format.
struct ImageSide {
  std::uint8_t* image;
  const ConfigImage& c;
  const ImageLayout& L;
  const FormatInfo& f;
};

// Copies what fits from one image into another that holds its default
// content; the checksums are the caller's to renew.
void CopyContent(const ImageSide& from, const ImageSide& to);

}  // namespace zephra
