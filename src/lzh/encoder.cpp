#include "lzh/encoder.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <span>

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
  void SymbolLengths(std::span<std::int32_t, SymbolCount> lengths) const {
    for (int s = 0; s < SymbolCount; ++s) {
      int length = 0;
      for (int k = model_.Prnt[s + TreeSize]; k != RootNode; k = model_.Prnt[k]) ++length;
      lengths[s] = length;
    }
  }

  void TakeBytes(std::vector<std::uint8_t>& out) { out_.TakeBytes(out); }
  void Finish(std::vector<std::uint8_t>& out) { out_.Finish(out); }

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

}  // namespace

// What every parsing shares: the text taken so far, and the coder.  Each
// Run codes the positions that the text taken settles, all of them once
// the input has ended; position_ is the first one not yet coded.
class Encoder::Parser {
 public:
  explicit Parser(SearchLimits limits) : finder_(limits), position_(finder_.FirstInputPosition()) {}
  Parser() : position_(finder_.FirstInputPosition()) {}
  virtual ~Parser() = default;

  void Write(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& out) {
    while (!input.empty()) {
      // Whatever a parser waits on fits in the room Discard leaves.
      if (finder_.Room() == 0) position_ -= finder_.Discard();
      input = input.subspan(finder_.Append(input));
      Run();
      coder_.TakeBytes(out);
    }
  }

  void Finish(std::vector<std::uint8_t>& out) {
    finder_.Finish();
    Run();
    coder_.Finish(out);
  }

 protected:
  virtual void Run() = 0;

  MatchFinder finder_;
  SymbolCoder coder_;
  int position_;
};

namespace {

class GreedyOrLazyParser : public Encoder::Parser {
 public:
  explicit GreedyOrLazyParser(bool lazy) : Parser(SearchLimits{256, MaxMatch, 0}), lazy_(lazy) {}

 private:
  // A match found one position ahead (lazy) is kept for the next step;
  // otherwise each step searches afresh.  Between the two no position is
  // inserted, so both find the same.
  void Run() override {
    const auto text = finder_.Text();
    const int end = static_cast<int>(text.size());
    while (position_ < end && finder_.Settled(position_ + 1)) {
      if (!match_known_) match_ = finder_.Longest(position_);
      finder_.Insert(position_);
      const Match next = lazy_ && match_.length >= kMinMatch ? finder_.Longest(position_ + 1) : Match{};
      if (match_.length >= kMinMatch && next.length <= match_.length) {
        coder_.PutMatch(match_);
        for (int k = 1; k < match_.length; ++k) finder_.Insert(position_ + k);
        position_ += match_.length;
        match_known_ = false;
        continue;
      }
      coder_.PutLiteral(text[position_]);
      ++position_;
      match_ = next;
      match_known_ = next.length > 0;
    }
  }

  bool lazy_;
  Match match_;
  bool match_known_ = false;
};

// Four path prices or steps at a time.  GCC and Clang lower these to the
// target's vector instructions (SSE2 on any x86-64), or to plain code
// where there are none.  Vectors go by reference: passed or returned by
// value, their calling convention would differ between x86 targets with
// and without SSE.
constexpr int kLanes = 4;
using Lanes = std::int32_t __attribute__((vector_size(kLanes * sizeof(std::int32_t))));

void LoadLanes(Lanes& lanes, const std::int32_t* p) { std::memcpy(&lanes, p, sizeof lanes); }

void StoreLanes(std::int32_t* p, const Lanes& lanes) { std::memcpy(p, &lanes, sizeof lanes); }

// Cheapest parse of each block, by dynamic programming over its positions:
// every literal and every match length the finder offers is priced with
// the code lengths of the model as it stands at the block's start (the
// model moves little within a block).  The chosen path is then coded with
// the live model.  A block is parsed once the text has settled past its
// end, so its state stays bounded.
class OptimalParser : public Encoder::Parser {
 public:
  OptimalParser() = default;

 private:
  static constexpr int kBlock = 16384;
  // Positions inside a match this long are left to it: searching them
  // costs much time and gains next to nothing.
  static constexpr int kLongEnough = 60;
  static constexpr std::int32_t kUnreached = std::numeric_limits<std::int32_t>::max();

  // How a position was reached: the length of the last step (1 for a
  // literal) in the low byte, a match's distance above it.
  static std::int32_t Step(int length, int distance) { return distance << 8 | length; }

  void Run() override {
    const int end = static_cast<int>(finder_.Text().size());
    while (position_ < end && finder_.Settled(position_ + kBlock - 1)) {
      const int size = std::min(kBlock, end - position_);
      ParseBlock(position_, size);
      position_ += size;
    }
  }

  // prices_[i] is the fewest bits that reach the block's position i from
  // its start, and steps_[i] the last step on that path.  Of equally cheap
  // ways the first one offered stays.  Match lengths are priced a whole
  // group of lanes at a time; lanes past a match's length keep what they
  // hold, and the arrays have room for the group that runs past the block.
  void ParseBlock(int start, int size) {
    coder_.SymbolLengths(std::span(symbol_bits_).first<SymbolCount>());
    prices_.assign(size + kLanes, kUnreached);
    steps_.resize(size + kLanes);
    prices_[0] = 0;
    std::int32_t* const prices = prices_.data();
    std::int32_t* const steps = steps_.data();
    const std::int32_t* const length_bits = symbol_bits_.data() + SymbolOf(0);
    const auto& text = finder_.Text();
    int covered = 0;  // positions inside a long match are not searched
    for (int i = 0; i < size; ++i) {
      const int position = start + i;
      std::span<const Match> candidates;
      if (i < covered) finder_.Insert(position);
      else candidates = finder_.Search(position);
      if (!candidates.empty() && candidates.back().length >= kLongEnough) covered = i + candidates.back().length;

      const std::int32_t here = prices[i];
      const std::int32_t literal = here + symbol_bits_[text[position]];
      const bool cheaper = literal < prices[i + 1];
      prices[i + 1] = cheaper ? literal : prices[i + 1];
      steps[i + 1] = cheaper ? Step(1, 0) : steps[i + 1];
      int length = kMinMatch;
      for (const Match& candidate : candidates) {
        const int longest = std::min(candidate.length, size - i);
        const Lanes base = Lanes{} + here + kPositionCodes[(candidate.distance - 1) >> 6].length + 6;
        const Lanes distance = Lanes{} + Step(0, candidate.distance);
        for (int group = length; group <= longest; group += kLanes) {
          const Lanes lengths = Lanes{0, 1, 2, 3} + group;
          Lanes bits, old_price, old_step;
          LoadLanes(bits, length_bits + group);
          LoadLanes(old_price, prices + i + group);
          LoadLanes(old_step, steps + i + group);
          const Lanes price = base + bits;
          const Lanes better = (price < old_price) & (lengths <= longest);
          StoreLanes(prices + i + group, (price & better) | (old_price & ~better));
          StoreLanes(steps + i + group, ((distance | lengths) & better) | (old_step & ~better));
        }
        length = longest + 1;
      }
    }
    EmitPath(start, size);
  }

  void EmitPath(int start, int size) {
    path_.clear();
    for (int i = size; i > 0; i -= steps_[i] & 0xFF) path_.push_back(steps_[i]);
    int position = start;
    for (auto step = path_.rbegin(); step != path_.rend(); ++step) {
      const int length = static_cast<int>(*step & 0xFF);
      if (length == 1) coder_.PutLiteral(finder_.Text()[position]);
      else coder_.PutMatch({length, static_cast<int>(*step >> 8)});
      position += length;
    }
  }

  // A group of lanes may read past the longest match's length.
  std::array<std::int32_t, SymbolCount + kLanes> symbol_bits_{};
  std::vector<std::int32_t> prices_;
  std::vector<std::int32_t> steps_;
  std::vector<std::int32_t> path_;
};

}  // namespace

Encoder::Encoder(Parsing parsing) {
  if (parsing == Parsing::kOptimal) parser_ = std::make_unique<OptimalParser>();
  else parser_ = std::make_unique<GreedyOrLazyParser>(parsing == Parsing::kLazy);
}

Encoder::~Encoder() = default;

void Encoder::Write(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& out) { parser_->Write(input, out); }

void Encoder::Finish(std::vector<std::uint8_t>& out) { parser_->Finish(out); }

std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> input, Parsing parsing) {
  Encoder encoder(parsing);
  std::vector<std::uint8_t> out;
  encoder.Write(input, out);
  encoder.Finish(out);
  return out;
}

}  // namespace lzh
