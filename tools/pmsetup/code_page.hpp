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

// Text in code page `code_page` back in UTF-8, for messages; the bytes as
// they are when they do not convert.
std::string FromCodePage(const std::string& text, int code_page);

// A UTF-8 name in one case, with the letters of every script folded, so
// that names Windows would take for one compare equal.
std::u32string CaseFolded(const std::string& utf8);

}  // namespace pmsetup
