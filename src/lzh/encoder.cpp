#include "lzh/encoder.hpp"

#include <array>
#include <limits>

#include "lzh/bit_writer.hpp"
#include "lzh/huffman_model.hpp"
#include "lzh/match_finder.hpp"

namespace lzh {
namespace {

constexpr int kMinMatch = Threshold + 1;

// Codes symbols with the adaptive model, updating it exactly as the
// decoder will.
class SymbolCoder {
 public:
  SymbolCoder() { model_.StartHuff(); }

  void PutLiteral(std::uint8_t byte) { PutSymbol(byte); }

  void PutMatch(const Match& match) {
    PutSymbol(SymbolOf(match.length));
    const int d = match.distance - 1;  // the decoder's distance value
    const PositionCode code = kPositionCodes[d >> 6];
    out_.Put(code.bits, code.length);
    out_.Put(d & 0x3F, 6);
  }

  // Code length of every symbol as the model stands now.
  void SymbolLengths(std::array<int, SymbolCount>& lengths) const {
    for (int s = 0; s < SymbolCount; ++s) {
      int length = 0;
      for (int k = model_.Prnt[s + TreeSize]; k != RootNode; k = model_.Prnt[k]) ++length;
      lengths[s] = length;
    }
  }

  std::vector<std::uint8_t> Finish() { return out_.Finish(); }

 private:
  // A node's position tells the bit that leads to it: children stand at an
  // even position and the odd one after it.  The path is collected from
  // the leaf up, so the leaf's bit ends up lowest.  A root weight below
  // 0x8000 keeps every path far shorter than 32 bits (a path of n nodes
  // needs a root weight of at least the (n+2)th Fibonacci number).
  void PutSymbol(int s) {
    std::uint32_t code = 0;
    int length = 0;
    for (int k = model_.Prnt[s + TreeSize]; k != RootNode; k = model_.Prnt[k]) {
      code |= static_cast<std::uint32_t>(k & 1) << length;
      ++length;
    }
    out_.Put(code, length);
    model_.UpdateModel(s);
  }

  HuffmanModel model_;
  BitWriter out_;
};

std::vector<std::uint8_t> EncodeGreedyOrLazy(std::span<const std::uint8_t> input, bool lazy) {
  MatchFinder finder(input, 128);
  SymbolCoder coder;
  const int end = static_cast<int>(finder.Text().size());
  const auto& text = finder.Text();
  int position = finder.FirstInputPosition();
  Match match = finder.Longest(position);
  while (position < end) {
    finder.Insert(position);
    Match next = lazy && match.length >= kMinMatch ? finder.Longest(position + 1) : Match{};
    if (match.length >= kMinMatch && next.length <= match.length) {
      coder.PutMatch(match);
      for (int k = 1; k < match.length; ++k) finder.Insert(position + k);
      position += match.length;
      match = position < end ? finder.Longest(position) : Match{};
      continue;
    }
    coder.PutLiteral(text[position]);
    ++position;
    match = next.length > 0 ? next : (position < end ? finder.Longest(position) : Match{});
  }
  return coder.Finish();
}

}  // namespace

std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> input, Parsing parsing) {
  return EncodeGreedyOrLazy(input, parsing != Parsing::kGreedy);
}

}  // namespace lzh
