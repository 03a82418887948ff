#include <zlib.h>

#include "common/crc32.hpp"

namespace common {

// zlib takes at most a uInt's worth of bytes per call.
std::uint32_t UpdateCrc32(std::uint32_t crc, const void* bytes, std::size_t count) {
  const auto* byte = static_cast<const Bytef*>(bytes);
  constexpr std::size_t kMostPerCall = 1u << 30;
  for (std::size_t piece; count > 0; byte += piece, count -= piece) {
    piece = count < kMostPerCall ? count : kMostPerCall;
    crc = static_cast<std::uint32_t>(::crc32(crc, byte, static_cast<uInt>(piece)));
  }
  return crc;
}

}  // namespace common
