#include <iconv.h>
#include <locale.h>
#include <wctype.h>
#ifndef __EMSCRIPTEN__
#include <utf8proc.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/code_page.hpp"

namespace platform {
namespace {

// iconv names Windows code pages "CP" and the number.
std::string CodePageName(int code_page) { return "CP" + std::to_string(code_page); }

// All of text converted, or nothing.
std::optional<std::string> ConvertText(const std::string& text, const std::string& from, const std::string& to) {
  const iconv_t converter = iconv_open(to.c_str(), from.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input = text;
  std::vector<char> output(text.size() * 4 + 16);
  char* in = input.data();
  std::size_t in_left = input.size();
  char* out = output.data();
  std::size_t out_left = output.size();
  std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
  // Some decoders (1255, 1258) hold the last character back in case a
  // combining mark follows: the flush gives it out.
  if (result != static_cast<std::size_t>(-1)) result = iconv(converter, nullptr, nullptr, &out, &out_left);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
  return std::string(output.data(), output.size() - out_left);
}

// UTF-8 text as code points, or nothing when it is not UTF-8.
std::optional<std::u32string> CodePoints(const std::string& utf8) {
  const auto wide = ConvertText(utf8, "UTF-8", "UTF-32LE");
  if (!wide) return std::nullopt;
  std::u32string points;
  for (std::size_t k = 0; k + 4 <= wide->size(); k += 4) {
    const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>((*wide)[k + i])); };
    points += byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
  }
  return points;
}

// Code page 720 (Arabic, MS-DOS), which iconv lacks: the character of each
// byte from 0x80 on, 0 for a byte that has none; below 0x80 it is ASCII.
// Windows reads the eight unused bytes (0x80, 0x81, 0x84, 0x86 and 0x8D to
// 0x90) as the C1 controls of the same number.  Here they hold nothing, as
// iconv's tables leave 1252's 0x81 and the like.
constexpr char16_t kCodePage720[128] = {
    0x0000, 0x0000, 0x00E9, 0x00E2, 0x0000, 0x00E0, 0x0000, 0x00E7,  // 0x80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x0000, 0x0000, 0x0000,  // 0x88
    0x0000, 0x0651, 0x0652, 0x00F4, 0x00A4, 0x0640, 0x00FB, 0x00F9,  // 0x90
    0x0621, 0x0622, 0x0623, 0x0624, 0x00A3, 0x0625, 0x0626, 0x0627,  // 0x98
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F,  // 0xA0
    0x0630, 0x0631, 0x0632, 0x0633, 0x0634, 0x0635, 0x00AB, 0x00BB,  // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 0xC8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 0xD8
    0x0636, 0x0637, 0x0638, 0x0639, 0x063A, 0x0641, 0x00B5, 0x0642,  // 0xE0
    0x0643, 0x0644, 0x0645, 0x0646, 0x0647, 0x0648, 0x0649, 0x064A,  // 0xE8
    0x2261, 0x064B, 0x064C, 0x064D, 0x064E, 0x064F, 0x0650, 0x2248,  // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // 0xF8
};

// The upper half of a code page converted here rather than by iconv, or
// nullptr.
const char16_t* OwnTable(int code_page) { return code_page == 720 ? kCodePage720 : nullptr; }

std::optional<std::string> ToOwnTable(const std::string& utf8, const char16_t* upper) {
  const auto points = CodePoints(utf8);
  if (!points) return std::nullopt;
  std::string text;
  for (const char32_t c : *points) {
    if (c < 0x80) {
      text += static_cast<char>(c);
      continue;
    }
    const char16_t* found = std::find(upper, upper + 128, c);
    if (found == upper + 128) return std::nullopt;
    text += static_cast<char>(0x80 + (found - upper));
  }
  return text;
}

std::optional<std::string> FromOwnTable(const std::string& text, const char16_t* upper) {
  std::string wide;  // UTF-32LE
  for (const char b : text) {
    const auto byte = static_cast<unsigned char>(b);
    const char32_t c = byte < 0x80 ? byte : upper[byte - 0x80];
    if (byte >= 0x80 && c == 0) return std::nullopt;
    for (int shift = 0; shift < 32; shift += 8) wide += static_cast<char>(c >> shift & 0xFF);
  }
  return ConvertText(wide, "UTF-32LE", "UTF-8");
}

}  // namespace

bool KnownCodePage(int code_page) {
  if (!ListedCodePage(code_page)) return false;
  if (OwnTable(code_page) != nullptr) return true;
  const iconv_t converter = iconv_open(CodePageName(code_page).c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(converter);
  return true;
}

std::optional<std::string> ToCodePage(const std::string& utf8, int code_page) {
  if (const char16_t* upper = OwnTable(code_page)) return ToOwnTable(utf8, upper);
  return ConvertText(utf8, "UTF-8", CodePageName(code_page));
}

std::optional<std::string> ConvertedFromCodePage(const std::string& text, int code_page) {
  if (const char16_t* upper = OwnTable(code_page)) return FromOwnTable(text, upper);
  return ConvertText(text, CodePageName(code_page), "UTF-8");
}

#ifdef __EMSCRIPTEN__

// The browser's reader packs nothing and lines nothing up in terminal
// columns, so it goes without Unicode's tables, as pmsetup.exe does.
std::string Composed(const std::string& utf8) { return utf8; }

int DisplayColumns(char32_t) { return 1; }

#else

std::string Composed(const std::string& utf8) {
  utf8proc_uint8_t* composed = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()), static_cast<utf8proc_ssize_t>(utf8.size()),
                   &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  if (length < 0) return utf8;
  std::string result(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
  std::free(composed);
  return result;
}

int DisplayColumns(char32_t character) {
  return std::max(0, utf8proc_charwidth(static_cast<utf8proc_int32_t>(character)));
}

#endif

std::optional<std::string> SystemPath(const std::string& utf8) { return ToCodePage(utf8, AnsiCodePage); }

std::u32string CaseFolded(const std::string& utf8) {
  std::optional<std::u32string> points = CodePoints(utf8);
  if (!points) return std::u32string(utf8.begin(), utf8.end());
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  for (char32_t& c : *points) {
    const auto wide = static_cast<wint_t>(c);
    c = static_cast<char32_t>(unicode != nullptr ? towupper_l(wide, unicode) : towupper(wide));
  }
  return *points;
}

}  // namespace platform
