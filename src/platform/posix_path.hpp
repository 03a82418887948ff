// Windows paths on a POSIX file system.  The file layer takes every path
// as Windows would: bytes in the ANSI code page with '\' between the
// parts.  Here the names become UTF-8, converted from that code page
// exactly once, and the backslash becomes '/'.
#pragma once

#include <algorithm>
#include <string>

#include "platform/code_page.hpp"

namespace platform {

// The native path, or an empty one, which every file operation refuses,
// when a byte has no character in the code page: the raw bytes would name
// a file that Windows would not.
inline std::string NativePath(const std::string& path) {
  // Converted before the separators are mapped: a double-byte character
  // may hold the byte of '\'.
  // Every code page a package may use keeps ASCII as it is: most paths
  // need no conversion.
  const bool ascii = std::all_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string native = ascii ? path : ConvertedFromCodePage(path, AnsiCodePage).value_or(std::string());
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

}  // namespace platform
