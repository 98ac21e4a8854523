// Text at the library's edges: caller strings, the 16-unit name fields of the
// image, the controller's 8-bit names, and file paths.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "config.h"

namespace zephra {

// The units of a caller's string (empty for a null string).
std::span<char16_t> Units(DbsString s);

// Stores the first min(length, 16) units of `text` into a 16-unit name field
// (which may sit unaligned inside a packed record) and zero-fills the rest.
void StoreName(void* field, DbsString text);

// Sets the whole of `out` to zero units, then copies min(length, 16) units of
// the name field into it.
void ReadName(DbsString out, const void* field);

// The controller's 8-bit form of `n` (at most 48) units: each unit's low byte,
// a byte of 0x20 or less becoming a space. No terminator is written.
void ToNarrowName(const char16_t* units, std::size_t n, std::uint8_t* out);

// The file's form of `n` (at most 16) controller bytes: trailing blanks (bytes
// of 0x20 or less) dropped, each remaining byte one unit, the dropped tail
// zero units. Writes n units.
void ToWideName(const std::uint8_t* bytes, std::size_t n, char16_t* out);

inline constexpr std::size_t kMaxPathUnits = 255;

// A caller's path as UTF-8 for the system. Empty paths, paths longer than 255
// units, embedded zero units and unpaired surrogates are invalid names (123).
Status PathToUtf8(DbsString path, std::string& out);

}  // namespace zephra
