// Windows code pages on a POSIX system.  The POSIX layer stands in for a
// Windows whose ANSI code page is AnsiCodePage: the installer's paths and
// texts are bytes in that code page, while names on disk and text on a
// terminal are UTF-8.
#pragma once

#include <optional>
#include <string>

namespace platform {

// 1252 unless the user says otherwise; packages are written in it by
// default.
inline int AnsiCodePage = 1252;

// text converted from one encoding to another, both as iconv names them;
// nothing when a character does not convert.
std::optional<std::string> ConvertText(const std::string& text, const std::string& from, const std::string& to);

// UTF-8 text in code page `code_page` (1252, 1250, 437, ...), or nothing
// when a character has no place in it or the code page is unknown.
std::optional<std::string> ToCodePage(const std::string& utf8, int code_page);

// Text in code page `code_page` in UTF-8; the bytes as they are when they
// do not convert.
std::string FromCodePage(const std::string& text, int code_page);

// Whether the system can convert to this code page at all.
bool KnownCodePage(int code_page);

}  // namespace platform
