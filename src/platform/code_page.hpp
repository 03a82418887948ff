// Windows code pages, for the tools.  Manifests are UTF-8; packages hold
// their texts and names in one Windows code page.
//
// On POSIX the platform layer also stands in for a Windows whose ANSI code
// page is AnsiCodePage: the installer's paths and texts are bytes in that
// code page, while names on disk and text on a terminal are UTF-8.  On
// Windows the system's own ANSI code page does that.
#pragma once

#include <optional>
#include <string>

namespace platform {

// 1252 unless the user says otherwise; packages are written in it by
// default.
inline int AnsiCodePage = 1252;

// UTF-8 text in code page `code_page` (1252, 1250, 437, ...), or nothing
// when a character has no place in it or the code page is unknown.
std::optional<std::string> ToCodePage(const std::string& utf8, int code_page);

// UTF-8 text in Unicode's composed form (NFC): "e" followed by a combining
// acute accent, as some systems write names, becomes the one character
// "é", which a code page can hold.  Text that is not UTF-8 comes back as
// it is; so does all text on Windows, where pmsetup has no normaliser.
std::string Composed(const std::string& utf8);

// How many columns a character takes on a terminal: 2 for East Asian wide
// ones, 0 for combining marks, else 1.  Windows builds, without Unicode's
// tables, count combining marks as 1.
int DisplayColumns(char32_t character);

// The first character of UTF-8 text that has no place in code page
// `code_page`: the character, its code point and its position (1 for the
// first character).
struct Misfit {
  std::string character;
  char32_t code_point = 0;
  std::size_t position = 0;
};
std::optional<Misfit> FirstMisfit(const std::string& utf8, int code_page);

// Text in code page `code_page` in UTF-8, or nothing when a byte has no
// character there or the code page is unknown.
std::optional<std::string> ConvertedFromCodePage(const std::string& text, int code_page);

// The same, with the bytes as they are when they do not convert.
std::string FromCodePage(const std::string& text, int code_page);

// The Windows ANSI and OEM code pages a package may be written in, the
// same on every system: the single-byte ones, and the double-byte ones of
// East Asia.
bool KnownCodePage(int code_page);
// In that list, whether or not this system can convert it.
bool ListedCodePage(int code_page);

// Whether byte opens a character of two bytes in code page `code_page`
// (the East Asian 932, 936, 949 and 950); never in a single-byte one.
// The second byte of such a character may be one of ASCII's, the backslash or
// '|' among them, and then belongs to the character, not to ASCII.
constexpr bool LeadByte(int code_page, unsigned char byte) {
  switch (code_page) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950: return byte >= 0x81 && byte <= 0xFE;
    default: return false;
  }
}

// Whether code_page is one of those; every one of them takes 0x81 as a
// lead byte.
constexpr bool DoubleByteCodePage(int code_page) { return LeadByte(code_page, 0x81); }

// The length in bytes of the character that starts at text[at]: 2 for a
// lead byte with a byte after it, else 1.
inline std::size_t CharacterLength(const std::string& text, std::size_t at, int code_page) {
  return at + 1 < text.size() && LeadByte(code_page, static_cast<unsigned char>(text[at])) ? 2 : 1;
}

// A UTF-8 path, naming one file on its own, as the file layer takes it:
// in the ANSI code page (the system's on Windows, AnsiCodePage on POSIX).
// Nothing when a character has no place there.
std::optional<std::string> SystemPath(const std::string& utf8);

// The well-formed UTF-8 character that starts at text[at]: its length,
// with its code point in code_point; 0 when none starts there (a stray
// byte, an overlong form, a surrogate, or a sequence cut short).
std::size_t Utf8Character(const std::string& text, std::size_t at, char32_t& code_point);

// A UTF-8 name in one case, with the letters of every script folded, so
// that names Windows would take for one compare equal.  Text that is not
// UTF-8 is compared byte by byte.
std::u32string CaseFolded(const std::string& utf8);

}  // namespace platform
