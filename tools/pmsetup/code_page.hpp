// Converting manifest texts (UTF-8) to the Windows code page a package is
// written in.
#pragma once

#include <optional>
#include <string>

namespace pmsetup {

// The text in code page `code_page` (1252, 1250, 437, ...), or nothing when
// a character has no place in it or the code page is unknown.
std::optional<std::string> ToCodePage(const std::string& utf8, int code_page);

// Whether the system can convert to this code page at all.
bool KnownCodePage(int code_page);

}  // namespace pmsetup
