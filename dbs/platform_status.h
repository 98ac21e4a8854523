// The one translation of the system's error numbers into the statuses the
// library returns: a raw errno never leaves the library.
#pragma once

#include "config.h"

namespace zephra {

// What the failed call was doing, where the same errno means different things.
enum class IoKind { Other, Read, Write };

Status StatusFromErrno(int err, IoKind kind = IoKind::Other);

}  // namespace zephra
