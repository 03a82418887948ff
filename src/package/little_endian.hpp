// Decoding the 32-bit integers of a package: every one of them, in the
// setup block and in the trailer, is stored least significant byte first.
#pragma once

#include <cstdint>

namespace package {

// The unsigned value of the four bytes at bytes, lowest byte first.  A
// signed field is this value cast to std::int32_t (two's complement).
constexpr std::uint32_t LittleEndian32(const unsigned char* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace package
