// What every image record shares: little-endian packed layouts, 16-unit name
// fields and "none" in 16-bit number fields.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace zephra {

static_assert(std::endian::native == std::endian::little, "image records are read and written as they lie in memory");

// "None" in a 16-bit number field; -1 when read signed.
inline constexpr std::uint16_t kNoEntry = 0xFFFF;

// Image records are packed and copied in and out with memcpy.
template <class R>
inline constexpr bool kIsImageRecord = std::is_trivially_copyable_v<R> && std::is_standard_layout_v<R>;

#pragma pack(push, 1)
// A (matrix, level, source) or (matrix, level, destination) reference; -1 in
// all three means none.
struct MemberTriple {
  std::int16_t matrix;
  std::int16_t level;
  std::int16_t number;
};
#pragma pack(pop)
static_assert(sizeof(MemberTriple) == 6);

}  // namespace zephra
