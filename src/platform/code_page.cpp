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
      const auto lead = static_cast<unsigned char>(character[0]);
      char32_t code_point = character.size() == 1 ? lead : lead & (0x7F >> character.size());
      for (std::size_t i = 1; i < character.size(); ++i) {
        code_point = code_point << 6 | (static_cast<unsigned char>(character[i]) & 0x3F);
      }
      return Misfit{character, code_point, position + 1};
    }
    k = end;
  }
  return std::nullopt;
}

bool ValidUtf8(const std::string& text) {
  for (std::size_t k = 0; k < text.size();) {
    const auto byte = static_cast<unsigned char>(text[k]);
    const int more = byte < 0x80 ? 0 : (byte & 0xE0) == 0xC0 && byte >= 0xC2 ? 1 : (byte & 0xF0) == 0xE0 ? 2
                                     : (byte & 0xF8) == 0xF0 && byte <= 0xF4 ? 3 : -1;
    if (more < 0 || text.size() - k <= static_cast<std::size_t>(more)) return false;
    for (int i = 1; i <= more; ++i) {
      if ((static_cast<unsigned char>(text[k + i]) & 0xC0) != 0x80) return false;
    }
    k += 1 + more;
  }
  return true;
}

}  // namespace platform
