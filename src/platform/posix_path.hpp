// Windows paths on a POSIX file system: the backslash becomes '/'.
#pragma once

#include <algorithm>
#include <string>

namespace platform {

inline std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace platform
