// Windows paths on a POSIX file system: the backslash becomes '/', and
// names in the ANSI code page become UTF-8, as Windows shows them.
#pragma once

#include <algorithm>
#include <string>

#include "platform/code_page.hpp"

namespace platform {

inline std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  const bool ascii = std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii ? path : FromCodePage(path, AnsiCodePage);
}

}  // namespace platform
