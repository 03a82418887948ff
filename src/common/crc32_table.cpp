#include "common/crc32.hpp"

namespace common {
namespace {

// The CRC of each half-byte value 0..15, for the reflected polynomial
// 0xEDB88320.
constexpr std::uint32_t kNibbleCrc[16] = {
    0x00000000, 0x1DB71064, 0x3B6E20C8, 0x26D930AC, 0x76DC4190, 0x6B6B51F4, 0x4DB26158, 0x5005713C,
    0xEDB88320, 0xF00F9344, 0xD6D6A3E8, 0xCB61B38C, 0x9B64C2B0, 0x86D3D2D4, 0xA00AE278, 0xBDBDF21C,
};

}  // namespace

std::uint32_t TableCrc32(std::uint32_t crc, const void* bytes, std::size_t count) {
  const auto* byte = static_cast<const unsigned char*>(bytes);
  crc = ~crc;
  for (std::size_t k = 0; k < count; ++k) {
    crc ^= byte[k];
    crc = (crc >> 4) ^ kNibbleCrc[crc & 0x0F];
    crc = (crc >> 4) ^ kNibbleCrc[crc & 0x0F];
  }
  return ~crc;
}

}  // namespace common
