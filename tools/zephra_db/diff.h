// zephra-db's diff: what differs between two databases, or between a
// database and what its controller holds.
#pragma once

#include <string>

#include "online.h"

namespace zephra::tool {

// Exit 0 when the two are equal, 1 when they differ.
int Diff(const std::string& a, const std::string& b, bool json);

// The database as its controller would hold it after a download, against
// what the controller holds (read with an upload into a temporary copy).
int DiffController(const std::string& path, const LinkOptions& link, bool json);

}  // namespace zephra::tool
