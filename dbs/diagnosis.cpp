// What the library can say about a file it refuses to open.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "damage.h"
#include "frame.h"
#include "names.h"
#include "platform_status.h"
#include "zephra/zephra_diagnosis.h"

using namespace zephra;

DBS_API DbsStatus zephra_DescribeFile(DbsString path, char* text, uint32_t size) {
  return Guarded([&]() -> Status {
    if (!text || size == 0) return DBS_ERR_INVALID_ARGUMENT;
    text[0] = '\0';
    std::string name;
    if (const Status s = PathToUtf8(path, name); s != DBS_OK) return s;
    std::ifstream in(name, std::ios::binary);
    if (!in) return StatusFromErrno(errno, IoKind::Read);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::snprintf(text, size, "%s", DescribeDamage(bytes).summary.c_str());
    return DBS_OK;
  });
}
