#include "code_page.hpp"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace pmsetup {
namespace {

// iconv names Windows code pages "CP" and the number.
std::string CodePageName(int code_page) { return "CP" + std::to_string(code_page); }

iconv_t OpenConverter(int code_page) { return iconv_open(CodePageName(code_page).c_str(), "UTF-8"); }

// All of text converted, or nothing.
std::optional<std::string> Convert(iconv_t converter, const std::string& text) {
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input = text;
  std::vector<char> output(text.size() * 4 + 16);
  char* in = input.data();
  std::size_t in_left = input.size();
  char* out = output.data();
  std::size_t out_left = output.size();
  const std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
  return std::string(output.data(), output.size() - out_left);
}

}  // namespace

bool KnownCodePage(int code_page) {
  const iconv_t converter = OpenConverter(code_page);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(converter);
  return true;
}

std::optional<std::string> ToCodePage(const std::string& utf8, int code_page) {
  return Convert(OpenConverter(code_page), utf8);
}

std::string FromCodePage(const std::string& text, int code_page) {
  return Convert(iconv_open("UTF-8", CodePageName(code_page).c_str()), text).value_or(text);
}

std::u32string CaseFolded(const std::string& utf8) {
  const auto wide = Convert(iconv_open("UTF-32LE", "UTF-8"), utf8);
  if (!wide) return std::u32string(utf8.begin(), utf8.end());  // not UTF-8: compare the bytes
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::u32string folded;
  for (std::size_t k = 0; k + 4 <= wide->size(); k += 4) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>((*wide)[k + i])); };
    const wint_t c = static_cast<wint_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
    folded += static_cast<char32_t>(unicode != nullptr ? towupper_l(c, unicode) : towupper(c));
  }
  return folded;
}

}  // namespace pmsetup
