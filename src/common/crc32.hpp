// CRC-32 with the polynomial of zlib and of ZIP files (0x04C11DB7, bits
// taken least significant first), as packages record it for their disks,
// their setup data and their unpacked payload.
//
// Both routines continue a running value: start from 0, feed the bytes in
// any pieces, and the value after the last piece is the CRC of them all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace common {

// Half a byte at a time through a 16-entry table: 64 bytes of table, for
// SETUP.EXE, whose speed is set by its message pump, not by this.
std::uint32_t TableCrc32(std::uint32_t crc, const void* bytes, std::size_t count);

#if defined(PAGEMIX_ZLIB_CRC)
// zlib's crc32, for the tools: many times as fast as the table.
std::uint32_t UpdateCrc32(std::uint32_t crc, const void* bytes, std::size_t count);
#else
inline std::uint32_t UpdateCrc32(std::uint32_t crc, const void* bytes, std::size_t count) {
  return TableCrc32(crc, bytes, count);
}
#endif

}  // namespace common
