// literal_decode STREAM COUNT OUTPUT: the LZHUF decoder written down as
// the algorithm is described, for decode-vs-lhasa to set `pmsetup lzh
// decode` against.  The whole stream is read into memory and the output
// collected there; bits come one at a time from a 16-bit buffer; a
// symbol's update walks up node by node and looks for the swap partner
// one node at a time; the tree is rebuilt with an insertion sort.  None
// of pmsetup's refinements are in it, only the format's constants.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "lzh/format.hpp"

namespace {

using namespace lzh;

class LiteralDecoder {
 public:
  explicit LiteralDecoder(const std::vector<std::uint8_t>& input) : input_(input) {}

  // output has room for count bytes and a last match past them.
  void Decode(long count, std::uint8_t* output) {
    StartHuff();
    std::vector<std::uint8_t> text(RingSize, 0);
    for (int i = 0; i < PrefillLength; ++i) text[i] = ' ';
    int r = PrefillLength;
    for (long done = 0; done < count;) {
      const int c = DecodeChar();
      if (c < kFirstLengthSymbol) {
        output[done++] = static_cast<std::uint8_t>(c);
        text[r] = static_cast<std::uint8_t>(c);
        r = (r + 1) & RingMask;
        continue;
      }
      const int from = (r - DecodePosition() - 1) & RingMask;
      for (int k = 0; k < LengthOf(c); ++k) {
        const std::uint8_t b = text[(from + k) & RingMask];
        output[done++] = b;
        text[r] = b;
        r = (r + 1) & RingMask;
      }
    }
  }

 private:
  int NextByte() { return next_ < input_.size() ? input_[next_++] : 0; }

  void Refill() {
    while (held_ <= 8) {
      buffer_ = static_cast<std::uint16_t>(buffer_ | NextByte() << (8 - held_));
      held_ += 8;
    }
  }

  int GetBit() {
    Refill();
    const int bit = buffer_ >> 15;
    buffer_ = static_cast<std::uint16_t>(buffer_ << 1);
    --held_;
    return bit;
  }

  int GetByte() {
    Refill();
    const int byte = buffer_ >> 8;
    buffer_ = static_cast<std::uint16_t>(buffer_ << 8);
    held_ -= 8;
    return byte;
  }

  void StartHuff() {
    for (int i = 0; i < SymbolCount; ++i) {
      freq_[i] = 1;
      son_[i] = i + TreeSize;
      prnt_[i + TreeSize] = i;
    }
    for (int i = 0, j = SymbolCount; j <= RootNode; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      prnt_[i] = prnt_[i + 1] = j;
    }
    freq_[TreeSize] = 0xFFFF;
    prnt_[RootNode] = 0;
  }

  void Reconst() {
    int j = 0;
    for (int i = 0; i < TreeSize; ++i) {
      if (son_[i] >= TreeSize) {
        freq_[j] = (freq_[i] + 1) / 2;
        son_[j] = son_[i];
        ++j;
      }
    }
    for (int i = 0, n = SymbolCount; n < TreeSize; i += 2, ++n) {
      const unsigned f = freq_[i] + freq_[i + 1];
      int k = n - 1;
      while (f < freq_[k]) --k;
      ++k;
      for (int m = n; m > k; --m) {
        freq_[m] = freq_[m - 1];
        son_[m] = son_[m - 1];
      }
      freq_[k] = f;
      son_[k] = i;
    }
    for (int i = 0; i < TreeSize; ++i) {
      const int k = son_[i];
      prnt_[k] = i;
      if (k < TreeSize) prnt_[k + 1] = i;
    }
  }

  void Update(int symbol) {
    if (freq_[RootNode] == MaxFreq) Reconst();
    int c = prnt_[symbol + TreeSize];
    do {
      const unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = k;
        const int i = son_[c];
        prnt_[i] = l;
        if (i < TreeSize) prnt_[i + 1] = l;
        const int j = son_[l];
        son_[l] = i;
        prnt_[j] = c;
        if (j < TreeSize) prnt_[j + 1] = c;
        son_[c] = j;
        c = l;
      }
      c = prnt_[c];
    } while (c != 0);
  }

  int DecodeChar() {
    int c = son_[RootNode];
    while (c < TreeSize) c = son_[c + GetBit()];
    c -= TreeSize;
    Update(c);
    return c;
  }

  int DecodePosition() {
    int i = GetByte();
    const int upper = kPositionDecode.DCode[i] << 6;
    for (int extra = kPositionDecode.DLen[i] - 2; extra > 0; --extra) i = (i << 1) + GetBit();
    return upper | (i & 0x3F);
  }

  const std::vector<std::uint8_t>& input_;
  std::size_t next_ = 0;
  std::uint16_t buffer_ = 0;
  int held_ = 0;
  unsigned freq_[TreeSize + 1] = {};
  int son_[TreeSize] = {};
  int prnt_[TreeSize + SymbolCount] = {};
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: literal_decode STREAM COUNT OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const long count = std::atol(argv[2]);
  std::vector<std::uint8_t> output(static_cast<std::size_t>(count) + MaxMatch);
  LiteralDecoder(input).Decode(count, output.data());
  std::ofstream(argv[3], std::ios::binary).write(reinterpret_cast<const char*>(output.data()), count);
  return 0;
}
