#include "lzh/encoder.hpp"

#include <algorithm>
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
  MatchFinder finder(input, SearchLimits{256, MaxMatch, 0});
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

// Cheapest parse of each block, by dynamic programming over its positions:
// every literal and every match length the finder offers is priced with
// the code lengths of the model as it stands at the block's start (the
// model moves little within a block).  The chosen path is then coded with
// the live model.
class OptimalParser {
 public:
  explicit OptimalParser(std::span<const std::uint8_t> input) : finder_(input, kSearch) {}

  std::vector<std::uint8_t> Encode() {
    const int end = static_cast<int>(finder_.Text().size());
    for (int block = finder_.FirstInputPosition(); block < end; block += kBlock) {
      ParseBlock(block, std::min(kBlock, end - block));
    }
    return coder_.Finish();
  }

 private:
  static constexpr int kBlock = 16384;
  // Positions inside a match this long are left to it: searching them
  // costs much time and gains next to nothing.
  static constexpr int kLongEnough = 60;
  static constexpr SearchLimits kSearch{1024, 16, 32};
  static constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();

  struct Step {
    std::uint32_t price = kUnreached;  // bits to reach this position from the block's start
    Match how;                          // length 1: a literal
  };

  void ParseBlock(int start, int size) {
    coder_.SymbolLengths(symbol_bits_);
    steps_.assign(size + 1, Step{});
    steps_[0].price = 0;
    const auto& text = finder_.Text();
    int covered = 0;  // positions inside a long match are not searched
    for (int i = 0; i < size; ++i) {
      const int position = start + i;
      if (i < covered) candidates_.clear();
      else finder_.Candidates(position, candidates_);
      if (!candidates_.empty() && candidates_.back().length >= kLongEnough) covered = i + candidates_.back().length;
      finder_.Insert(position);

      const std::uint32_t here = steps_[i].price;
      Relax(i + 1, here + symbol_bits_[text[position]], {1, 0});
      int length = kMinMatch;
      for (const Match& candidate : candidates_) {
        const int longest = std::min(candidate.length, size - i);
        const std::uint32_t distance_bits = kPositionCodes[(candidate.distance - 1) >> 6].length + 6;
        for (; length <= longest; ++length) {
          Relax(i + length, here + symbol_bits_[SymbolOf(length)] + distance_bits, {length, candidate.distance});
        }
      }
    }
    EmitPath(start, size);
  }

  void Relax(int to, std::uint32_t price, Match how) {
    if (price < steps_[to].price) steps_[to] = {price, how};
  }

  void EmitPath(int start, int size) {
    path_.clear();
    for (int i = size; i > 0; i -= steps_[i].how.length) path_.push_back(steps_[i].how);
    int position = start;
    for (auto step = path_.rbegin(); step != path_.rend(); ++step) {
      if (step->length == 1) coder_.PutLiteral(finder_.Text()[position]);
      else coder_.PutMatch(*step);
      position += step->length;
    }
  }

  MatchFinder finder_;
  SymbolCoder coder_;
  std::array<int, SymbolCount> symbol_bits_{};
  std::vector<Step> steps_;
  std::vector<Match> candidates_;
  std::vector<Match> path_;
};

}  // namespace

std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> input, Parsing parsing) {
  if (parsing == Parsing::kOptimal) return OptimalParser(input).Encode();
  return EncodeGreedyOrLazy(input, parsing == Parsing::kLazy);
}

}  // namespace lzh
