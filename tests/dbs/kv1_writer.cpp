// kv1-writer FILE TYPE:SOURCES:DESTS ...: writes an old-format database with
// these levels, for tests that need one but cannot reach the library's
// internals (the editor's).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "kv1_fixture.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kv1-writer FILE TYPE:SOURCES:DESTS ...\n");
    return 2;
  }
  std::vector<zephra::test::Kv1Level> levels;
  for (int i = 2; i < argc; ++i) {
    unsigned type = 0, sources = 0, dests = 0;
    if (std::sscanf(argv[i], "%u:%u:%u", &type, &sources, &dests) != 3) return 2;
    levels.push_back({static_cast<std::uint8_t>(type), static_cast<std::uint16_t>(sources),
                      static_cast<std::uint16_t>(dests)});
  }
  try {
    zephra::test::WriteKv1(argv[1], levels);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv1-writer: %s\n", e.what());
    return 1;
  }
  return 0;
}
