// The LZHUF decoding loop, compiled against its input and output.
//
// LzhDecode (decoder.hpp) runs it through the one-byte callbacks that
// SETUP.EXE hands in; a caller with its own buffers runs it with readers
// and writers the compiler can inline.  Either way the loop asks for the
// same bytes in the same order and writes the same bytes: it asks for one
// input byte at a time, only when 8 or fewer unused bits are held, and
// writes one byte at a time.
//
//   In:  std::uint8_t Next()  - the next input byte; 0 for one that did
//                                not come.
//   Out: void Put(std::uint8_t) - one output byte.
//
// A reader that declares kRefillOutOfLine (the callbacks: a call the loop
// cannot see into) is refilled out of line, so that the loop keeps its
// registers; any other is refilled in place.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "lzh/decoder.hpp"
#include "lzh/errors.hpp"
#include "lzh/format.hpp"
#include "lzh/huffman_model.hpp"

namespace lzh {

// A stretch of a buffer for an inlined reader or writer: the next byte
// and the end of what may be taken or filled.  Kept by value, so that the
// decoding loop holds it in registers: a place that a byte store might
// reach would be reloaded after every byte.
template <class Byte>
struct Stretch {
  Byte* next;
  Byte* end;
};

namespace decode_detail {

struct Tables {
  HuffmanModel model;
  std::uint8_t ring[RingSize];
};

Tables* ObtainTables();

// Bits enter most significant first.  The pending bits stand at the top
// of a 32-bit word; a refill happens once 8 or fewer are left and brings
// them to 9..16, so input is never more than two bytes ahead of the bits
// used.
template <class In>
class BitReader {
 public:
  explicit BitReader(In& in) : in_(in) {}

  unsigned GetBit() {
    if (count_ <= 8) [[unlikely]] {
      if constexpr (requires { In::kRefillOutOfLine; }) RefillSlowly();
      else Refill();
    }
    const unsigned bit = buffer_ >> 31;
    buffer_ <<= 1;
    --count_;
    return bit;
  }

  // n bits (1 to 8) at once.  Taking them one by one would refill at most
  // once on the way, and no other input or output happens in between, so
  // refilling first gives the same bits and the same requests.
  unsigned GetBits(int n) {
    while (count_ <= n + 7) ReadByte();
    const unsigned bits = buffer_ >> (32 - n);
    buffer_ <<= n;
    count_ -= n;
    return bits;
  }

  int BitsHeld() const { return count_; }
  std::uint32_t BitsWord() const { return buffer_; }

 private:
  void Refill() {
    while (count_ <= 8) ReadByte();
  }
  [[gnu::noinline]] void RefillSlowly() { Refill(); }

  void ReadByte() {
    buffer_ |= static_cast<std::uint32_t>(in_.Next()) << (24 - count_);
    count_ += 8;
  }

  In& in_;
  std::uint32_t buffer_ = 0;
  int count_ = 0;
};

template <class In>
int DecodeChar(HuffmanModel& model, BitReader<In>& bits) {
  int c = model.Son[RootNode];
  while (c < TreeSize) c = model.Son[c + bits.GetBit()];
  const int s = c - TreeSize;
  model.UpdateModel(s);
  return s;
}

// The code of the upper 6 bits, then 6 plain bits: 0 to 4095.
template <class In>
int DecodePosition(BitReader<In>& bits) {
  const unsigned first = bits.GetBits(8);
  const int more = kPositionDecode.DLen[first] - 2;
  const unsigned low = ((first << more) | bits.GetBits(more)) & 0x3F;
  return static_cast<int>((kPositionDecode.DCode[first] << 6) | low);
}

}  // namespace decode_detail

// Delivers count bytes to out (a final match may run up to 59 bytes past
// it); stops before the next symbol once running turns 0.  Raises
// ElzhException when its tables cannot be obtained.  Returns what the
// bit reader held at the end.
template <class In, class Out>
InputLeft DecodeStream(std::int32_t count, In& in, Out& out, const std::int32_t& running) {
  using namespace decode_detail;
  const std::unique_ptr<Tables> tables(ObtainTables());
  HuffmanModel& model = tables->model;
  std::uint8_t* const ring = tables->ring;
  model.StartHuff();
  std::memset(ring, ' ', PrefillLength);
  std::memset(ring + PrefillLength, 0, RingSize - PrefillLength);

  BitReader<In> bits(in);
  int r = PrefillLength;
  std::int32_t done = 0;
  while (done < count && running) {
    const int c = DecodeChar(model, bits);
    if (c < kFirstLengthSymbol) {
      out.Put(static_cast<std::uint8_t>(c));
      ring[r] = static_cast<std::uint8_t>(c);
      r = (r + 1) & RingMask;
      ++done;
      continue;
    }
    // A match is always copied whole; it may overlap what it produces.
    const int from = (r - DecodePosition(bits) - 1) & RingMask;
    const int length = LengthOf(c);
    for (int m = 0; m < length; ++m) {
      const std::uint8_t b = ring[(from + m) & RingMask];
      out.Put(b);
      ring[r] = b;
      r = (r + 1) & RingMask;
    }
    done += length;
  }
  return {bits.BitsHeld(), bits.BitsWord()};
}

}  // namespace lzh
