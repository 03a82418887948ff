#include <iconv.h>
#include <locale.h>
#include <utf8proc.h>
#include <wctype.h>

#include <cstdint>
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
  const std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
  return std::string(output.data(), output.size() - out_left);
}

}  // namespace

bool KnownCodePage(int code_page) {
  if (!ListedCodePage(code_page)) return false;
  const iconv_t converter = iconv_open(CodePageName(code_page).c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(converter);
  return true;
}

std::optional<std::string> ToCodePage(const std::string& utf8, int code_page) {
  return ConvertText(utf8, "UTF-8", CodePageName(code_page));
}

std::optional<std::string> ConvertedFromCodePage(const std::string& text, int code_page) {
  return ConvertText(text, CodePageName(code_page), "UTF-8");
}

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

std::optional<std::string> SystemPath(const std::string& utf8) { return ToCodePage(utf8, AnsiCodePage); }

std::u32string CaseFolded(const std::string& utf8) {
  const auto wide = ConvertText(utf8, "UTF-8", "UTF-32LE");
  if (!wide) return std::u32string(utf8.begin(), utf8.end());
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::u32string folded;
  for (std::size_t k = 0; k + 4 <= wide->size(); k += 4) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>((*wide)[k + i])); };
    const wint_t c = static_cast<wint_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
    folded += static_cast<char32_t>(unicode != nullptr ? towupper_l(c, unicode) : towupper(c));
  }
  return folded;
}

}  // namespace platform
