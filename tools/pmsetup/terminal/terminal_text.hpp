// What the tool puts on the terminal.  Every path and every name or text
// that comes from outside (the command line, a manifest, a package, the
// file system, a helper program) goes through one routine on its way into
// a message, so that none can move the cursor, clear the screen or
// overwrite a line; and byte counts are written one way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace pmsetup {

// The tool keeps every path as UTF-8 text (as in a manifest); these turn
// it into a path for the file system and back, on Windows too.
std::filesystem::path Path(const std::string& utf8);
std::string Text(const std::filesystem::path& path);

// Whether a text for the terminal may keep its line breaks (LF or CR LF):
// a message may, a name or a label is one line.
enum class Lines { kOne, kMany };

// Each of these shows every control character (C0, DEL, and C1: U+0080 to
// U+009F) as \xNN, and every byte that is no character as \xNN too:
// - a text of the package or of the installer, in the ANSI code page;
std::string Shown(const std::string& text, Lines lines = Lines::kOne);
// - the same in another code page;
std::string ShownIn(const std::string& text, int code_page, Lines lines = Lines::kOne);
// - an installer path (ANSI code page), as the user writes it ('\' back to '/');
std::string DisplayPath(const std::string& path);
// - a path or a text in UTF-8: given on the command line, read from a
//   manifest or from the file system, or printed by a helper program;
std::string ShownArgument(const std::string& text, Lines lines = Lines::kOne);
std::string ShownPath(const std::filesystem::path& path);
// - a package's text or name in double quotes, as list shows it: '"' and
//   '\' are escaped with a '\' too, so that every '\' begins an escape.
std::string Quoted(const std::string& text, int code_page);

// Whether UTF-8 text holds a character the functions above show as \xNN
// for being a control character: what a line typed at a question holds
// after an arrow key, Tab or Ctrl-L.
bool HoldsControl(const std::string& utf8);

// How many columns a text shown by the functions above takes on a
// terminal: East Asian wide characters take two, combining marks none.
std::size_t Columns(const std::string& shown);
// shown followed by the spaces that make it take columns on the terminal.
std::string Padded(const std::string& shown, std::size_t columns);

// "16,384", "-1,024".
std::string Thousands(std::int64_t n);
// "1 byte", "16,384 bytes": every byte count a message gives.  With width,
// the number is right-aligned in that many columns, for tables.
std::string ByteCount(std::int64_t n, std::size_t width = 0);

}  // namespace pmsetup
