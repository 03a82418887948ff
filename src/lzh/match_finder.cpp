#include "lzh/match_finder.hpp"

#include <algorithm>

#include "lzh/format.hpp"

namespace lzh {
namespace {

constexpr int kHashBits = 16;
constexpr int kMinMatch = Threshold + 1;

}  // namespace

MatchFinder::MatchFinder(std::span<const std::uint8_t> input, int max_chain)
    : head_(1 << kHashBits, -1), previous_(RingSize, -1), max_chain_(max_chain) {
  text_.reserve(PrefillLength + input.size());
  text_.assign(PrefillLength, ' ');
  text_.insert(text_.end(), input.begin(), input.end());
  for (int p = 0; p < PrefillLength; ++p) Insert(p);
}

int MatchFinder::FirstInputPosition() const { return PrefillLength; }

int MatchFinder::Hash(int position) const {
  const std::uint32_t v = text_[position] | text_[position + 1] << 8 | text_[position + 2] << 16;
  return static_cast<int>((v * 2654435761u) >> (32 - kHashBits));
}

void MatchFinder::Insert(int position) {
  if (position + kMinMatch > static_cast<int>(text_.size())) return;
  const int h = Hash(position);
  previous_[position & RingMask] = head_[h];
  head_[h] = position;
}

// Calls visit(length, distance) for earlier occurrences, nearest first,
// until visit returns false or the chain or the ring's reach ends.
template <typename Visit>
void MatchFinder::Walk(int position, Visit visit) const {
  const int limit = std::min<int>(MaxMatch, static_cast<int>(text_.size()) - position);
  if (limit < kMinMatch) return;
  const std::uint8_t* here = text_.data() + position;
  const int oldest = position - RingSize;
  int candidate = head_[Hash(position)];
  for (int chain = 0; chain < max_chain_ && candidate >= 0 && candidate >= oldest; ++chain) {
    if (candidate < position) {
      const std::uint8_t* there = text_.data() + candidate;
      int length = 0;
      while (length < limit && there[length] == here[length]) ++length;
      if (!visit(length, position - candidate, limit)) return;
    }
    const int next = previous_[candidate & RingMask];
    if (next >= candidate) return;
    candidate = next;
  }
}

Match MatchFinder::Longest(int position) const {
  Match best;
  Walk(position, [&](int length, int distance, int limit) {
    if (length > best.length) best = {length, distance};
    return best.length < limit;
  });
  if (best.length < kMinMatch) best = {};
  return best;
}

void MatchFinder::Candidates(int position, std::vector<Match>& out) const {
  out.clear();
  int longest = kMinMatch - 1;
  Walk(position, [&](int length, int distance, int limit) {
    if (length > longest) {
      longest = length;
      out.push_back({length, distance});
    }
    return longest < limit;
  });
}

}  // namespace lzh
