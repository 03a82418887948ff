#include "code_page.hpp"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace pmsetup {
namespace {

// iconv names Windows code pages "CP" and the number.
iconv_t OpenConverter(int code_page) {
  const std::string name = "CP" + std::to_string(code_page);
  return iconv_open(name.c_str(), "UTF-8");
}

}  // namespace

bool KnownCodePage(int code_page) {
  const iconv_t converter = OpenConverter(code_page);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(converter);
  return true;
}

std::optional<std::string> ToCodePage(const std::string& utf8, int code_page) {
  const iconv_t converter = OpenConverter(code_page);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input = utf8;
  std::vector<char> output(utf8.size() * 4 + 16);
  char* in = input.data();
  std::size_t in_left = input.size();
  char* out = output.data();
  std::size_t out_left = output.size();
  const std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1) || in_left != 0) return std::nullopt;
  return std::string(output.data(), output.size() - out_left);
}

}  // namespace pmsetup
