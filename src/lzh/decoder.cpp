#include "lzh/decoder.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "lzh/huffman_model.hpp"

namespace lzh {
namespace {

// What the last decode left in its bit reader: the count of bits read but
// not used, and those bits at the top of the word.
struct InputLeft {
  int bits = 0;
  std::uint32_t word = 0;
} last_input_left;

struct DecoderTables {
  HuffmanModel model;
  std::uint8_t ring[RingSize];
};

// Bits enter most significant first.  The pending bits stand at the top
// of a 32-bit word; a refill happens once 8 or fewer are left and brings
// them to 9..16, so input is never more than two bytes ahead of the bits
// used.
class BitReader {
 public:
  explicit BitReader(ReadProc read) : read_(read) {}

  unsigned GetBit() {
    Refill();
    const unsigned bit = buffer_ >> 31;
    buffer_ <<= 1;
    --count_;
    return bit;
  }

  unsigned GetByte() { return GetBits(8); }

  int BitsHeld() const { return count_; }
  std::uint32_t BitsWord() const { return buffer_; }

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

 private:
  void Refill() {
    if (count_ <= 8) [[unlikely]] RefillSlowly();
  }

  // Out of line: the hot loops keep their registers.
  [[gnu::noinline]] void RefillSlowly() {
    while (count_ <= 8) ReadByte();
  }

  void ReadByte() {
    std::uint8_t byte = 0;
    std::uint16_t got = 0;
    read_(&byte, 1, got);
    if (got != 1) byte = 0;
    buffer_ |= static_cast<std::uint32_t>(byte) << (24 - count_);
    count_ += 8;
  }

  ReadProc read_;
  std::uint32_t buffer_ = 0;
  int count_ = 0;
};

int DecodeChar(HuffmanModel& model, BitReader& bits) {
  int c = model.Son[RootNode];
  while (c < TreeSize) c = model.Son[c + bits.GetBit()];
  const int s = c - TreeSize;
  model.UpdateModel(s);
  return s;
}

// The code of the upper 6 bits, then 6 plain bits: 0 to 4095.
int DecodePosition(BitReader& bits) {
  const unsigned first = bits.GetByte();
  const int more = kPositionDecode.DLen[first] - 2;
  const unsigned low = ((first << more) | bits.GetBits(more)) & 0x3F;
  return static_cast<int>((kPositionDecode.DCode[first] << 6) | low);
}

void Put(WriteProc write, std::uint8_t byte) {
  std::uint16_t taken = 0;
  write(&byte, 1, taken);
}

DecoderTables* ObtainTables() {
  auto* tables = new (std::nothrow) DecoderTables;
  if (tables == nullptr) RaiseElzhException(kNoTableMemory);
  return tables;
}

}  // namespace

void LzhDecode(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running) {
  const std::unique_ptr<DecoderTables> tables(ObtainTables());
  HuffmanModel& model = tables->model;
  std::uint8_t* const ring = tables->ring;
  model.StartHuff();
  std::memset(ring, ' ', PrefillLength);
  std::memset(ring + PrefillLength, 0, RingSize - PrefillLength);

  BitReader bits(read);
  int r = PrefillLength;
  std::int32_t done = 0;
  while (done < count && running) {
    const int c = DecodeChar(model, bits);
    if (c < kFirstLengthSymbol) {
      Put(write, static_cast<std::uint8_t>(c));
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
      Put(write, b);
      ring[r] = b;
      r = (r + 1) & RingMask;
    }
    done += length;
  }
  last_input_left = {bits.BitsHeld(), bits.BitsWord()};
}

bool DecodedMissingInput(int missing) { return missing * 8 > last_input_left.bits; }

int UnusedInput(int missing, std::uint8_t (&bytes)[2]) {
  // The bytes that never came were read as zeros after the real ones.
  const int real_bits = last_input_left.bits - missing * 8;
  const int whole = real_bits > 0 ? std::min(real_bits / 8, 2) : 0;
  for (int k = 0; k < whole; ++k) {
    const int skipped = real_bits - 8 * (whole - k);  // bits above byte k
    bytes[k] = static_cast<std::uint8_t>((last_input_left.word << skipped) >> 24);
  }
  return whole;
}

}  // namespace lzh
