// Where a failed extraction stopped, for the front end's report.
#pragma once

#include <string>

#include "platform/file.hpp"

namespace extract {

// The file concerned (an installer path) and why: the system's error
// code, or the installer's own reason when it refused the file itself.
struct StopPoint {
  std::string path;
  platform::IoResult code = platform::kIoOk;
  const char* reason = nullptr;
};

inline StopPoint StoppedAt;

// Records where the run stopped and passes the code on.
platform::IoResult StopAt(const std::string& path, platform::IoResult code, const char* reason = nullptr);

}  // namespace extract
