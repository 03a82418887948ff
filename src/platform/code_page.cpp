#include "platform/code_page.hpp"

#include <algorithm>
#include <array>

namespace platform {
namespace {

constexpr std::array kSingleByte = {437, 720, 737, 775, 850, 852, 855, 857, 858, 860, 861, 862, 863, 864,
                                    865, 866, 869, 874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

}  // namespace

bool ListedCodePage(int code_page) {
  return DoubleByteCodePage(code_page) || std::find(kSingleByte.begin(), kSingleByte.end(), code_page) != kSingleByte.end();
}

std::string FromCodePage(const std::string& text, int code_page) {
  return ConvertedFromCodePage(text, code_page).value_or(text);
}

std::optional<Misfit> FirstMisfit(const std::string& utf8, int code_page) {
  std::size_t position = 0;
  for (std::size_t k = 0; k < utf8.size(); ++position) {
    std::size_t end = k + 1;
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
    const std::string character = utf8.substr(k, end - k);
    if (!ToCodePage(character, code_page)) {
      char32_t code_point = 0;
      Utf8Character(character, 0, code_point);
      return Misfit{character, code_point, position + 1};
    }
    k = end;
  }
  return std::nullopt;
}

std::size_t Utf8Character(const std::string& text, std::size_t at, char32_t& code_point) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  }
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4                                   ? 4
                                                                                              : 0;
  if (length == 0 || at + length > text.size()) return 0;
  code_point = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    code_point = code_point << 6 | (byte(at + k) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code_point < least[length] || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point < 0xE000)) return 0;
  return length;
}

}  // namespace platform
