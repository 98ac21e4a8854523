// zephra-db's on-line commands: compare, download and upload a database
// through the controller's serial port.
#pragma once

#include <string>

#include "zephra/zephra.h"

namespace zephra::tool {

struct LinkOptions {
  std::string port;
  int baud = 38400;
};

int OnlineStatus(const std::string& path, const LinkOptions& link);
int Download(const std::string& path, const LinkOptions& link, bool parameters);
int Upload(const std::string& path, const LinkOptions& link);

// Rebuilds the database at `path` from the controller (the upload); on a
// failure `failed` says what could not be done.
DbsStatus ReadController(const std::string& path, const LinkOptions& link, std::string& failed);

}  // namespace zephra::tool
