#include "sample_data.hpp"

#include <array>
#include <random>
#include <string>

namespace testing_support {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> out(size);
  for (auto& byte : out) byte = static_cast<std::uint8_t>(random());
  return out;
}

std::vector<std::uint8_t> ProseText(std::size_t size, std::uint32_t seed) {
  static const std::array<const char*, 24> kWords = {
      "the", "installer", "copies", "files", "into", "a", "directory", "and", "asks", "for",
      "next", "disk", "when", "volume", "is", "missing", "program", "group", "shortcut", "of",
      "payload", "stream", "window", "progress"};
  std::mt19937 random(seed);
  std::vector<std::uint8_t> out;
  out.reserve(size + 16);
  while (out.size() < size) {
    const std::string word = kWords[random() % kWords.size()];
    out.insert(out.end(), word.begin(), word.end());
    const unsigned r = random() % 16;
    out.push_back(r == 0 ? '\n' : r == 1 ? ',' : ' ');
  }
  out.resize(size);
  return out;
}

std::vector<std::uint8_t> StructuredBinary(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> out;
  out.reserve(size + 64);
  while (out.size() < size) {
    switch (random() % 4) {
      case 0:  // a record of little-endian small integers
        for (int k = 0; k < 4; ++k) {
          const std::uint32_t v = random() % 4096;
          for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
        }
        break;
      case 1:  // padding
        out.insert(out.end(), random() % 40, 0);
        break;
      case 2: {  // an instruction-like byte pattern with variation
        const std::uint8_t op = static_cast<std::uint8_t>(0x80 + random() % 8);
        for (int k = 0; k < 6; ++k) out.insert(out.end(), {0x8B, op, static_cast<std::uint8_t>(random() % 16)});
        break;
      }
      default:  // a random run
        for (int k = random() % 24; k > 0; --k) out.push_back(static_cast<std::uint8_t>(random()));
    }
  }
  out.resize(size);
  return out;
}

}  // namespace testing_support
