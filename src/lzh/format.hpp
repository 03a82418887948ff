// The LZHUF format: LZSS over a 4096-byte ring with literals and match
// lengths coded by an adaptive Huffman code over 314 symbols, and match
// distances coded by a fixed prefix code for their upper 6 bits followed
// by 6 plain bits.  Every constant here is part of the bit stream.
#pragma once

#include <array>
#include <cstdint>

namespace lzh {

constexpr int RingSize = 4096;      // positions are taken modulo 4096
constexpr int RingMask = RingSize - 1;
constexpr int MaxMatch = 60;
constexpr int Threshold = 2;        // matches are longer: 3 to 60 bytes
constexpr int SymbolCount = 256 + MaxMatch - Threshold;  // 314: literals, then lengths
constexpr int TreeSize = 2 * SymbolCount - 1;            // 627 nodes
constexpr int RootNode = TreeSize - 1;                    // 626
constexpr std::uint16_t MaxFreq = 0x8000;                 // root weight that triggers a rebuild
// The ring starts with this many spaces, and writing starts right after them.
constexpr int PrefillLength = RingSize - MaxMatch;        // 4036

constexpr int kFirstLengthSymbol = 256;
constexpr int LengthOf(int symbol) { return symbol - kFirstLengthSymbol + Threshold + 1; }
constexpr int SymbolOf(int length) { return length - Threshold - 1 + kFirstLengthSymbol; }

// The prefix code of a distance's upper 6 bits u: 3 bits for u = 0, 4 for
// 1..3, 5 for 4..11, 6 for 12..23, 7 for 24..47, 8 for 48..63; read as
// numbers the codes are consecutive in increasing u, starting from zero.
constexpr int PositionCodeLength(int u) {
  return u < 1 ? 3 : u < 4 ? 4 : u < 12 ? 5 : u < 24 ? 6 : u < 48 ? 7 : 8;
}

struct PositionCode {
  std::uint8_t bits;    // the code, right-aligned
  std::uint8_t length;  // 3 to 8
};

constexpr std::array<PositionCode, 64> MakePositionCodes() {
  std::array<PositionCode, 64> codes{};
  unsigned code = 0;
  int length = PositionCodeLength(0);
  for (int u = 0; u < 64; ++u) {
    const int next_length = PositionCodeLength(u);
    code <<= next_length - length;
    length = next_length;
    codes[u] = {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(length)};
    ++code;
  }
  return codes;
}

constexpr std::array<PositionCode, 64> kPositionCodes = MakePositionCodes();

// DCode[b] and DLen[b]: the u whose code begins the byte b, and that
// code's length.
struct PositionDecodeTables {
  std::array<std::uint8_t, 256> DCode{};
  std::array<std::uint8_t, 256> DLen{};
};

constexpr PositionDecodeTables MakePositionDecodeTables() {
  PositionDecodeTables t;
  for (int u = 0; u < 64; ++u) {
    const PositionCode code = kPositionCodes[u];
    const int first = code.bits << (8 - code.length);
    for (int b = first; b < first + (1 << (8 - code.length)); ++b) {
      t.DCode[b] = static_cast<std::uint8_t>(u);
      t.DLen[b] = code.length;
    }
  }
  return t;
}

constexpr PositionDecodeTables kPositionDecode = MakePositionDecodeTables();

}  // namespace lzh
