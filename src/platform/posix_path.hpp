// Windows paths on a POSIX file system: the backslash becomes '/', and
// names in the ANSI code page become UTF-8, as Windows shows them.  A path
// that is UTF-8 already (one the user gave, naming a file on its own) is
// left as it is; bytes in the code page hardly ever form UTF-8 by chance.
#pragma once

#include <algorithm>
#include <string>

#include "platform/code_page.hpp"

namespace platform {

inline std::string NativePath(std::string path) {
  // Converted before the separators are mapped: a double-byte character
  // may hold the byte of '\'.
  if (!ValidUtf8(path)) path = FromCodePage(path, AnsiCodePage);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace platform
