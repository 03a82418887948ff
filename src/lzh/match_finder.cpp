#include "lzh/match_finder.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

#include "lzh/format.hpp"

namespace lzh {
namespace {

constexpr int kHashBits = 16;
// The trees share fewer roots: a smaller table stays in the cache, and a
// 4096-byte window fills few of its slots anyway.
constexpr int kTreeHashBits = 14;
constexpr int kMinMatch = Threshold + 1;
constexpr int kShortChain = 8;  // steps spent on the nearest three-byte match
// Spare bytes after the text, so that comparisons may read whole words.
constexpr std::size_t kPadding = 8;
// The most text held.  What must stay is at most a window, less than a
// window more up to the cut, and what a parser waits on before it codes
// (a block and a longest match); the rest is room for new input.
constexpr std::size_t kHeld = std::size_t{1} << 17;
// Tree nodes are kept by position modulo twice the window: a link to a
// position that has left the window stays recognisable as such, since
// no newer position can have taken over its node yet.
constexpr int kTreeSlots = 2 * RingSize;
constexpr int kTreeMask = kTreeSlots - 1;

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

int Hash(std::uint32_t bytes, int bits = kHashBits) { return static_cast<int>((bytes * 2654435761u) >> (32 - bits)); }
int Hash3(const std::uint8_t* p) { return Hash(Load32(p) & 0x00FFFFFF); }
int Hash4(const std::uint8_t* p) { return Hash(Load32(p)); }
int TreeHash(const std::uint8_t* p) { return Hash(Load32(p) & 0x00FFFFFF, kTreeHashBits); }

// How many leading bytes of a and b agree, up to limit.
int CommonLength(const std::uint8_t* a, const std::uint8_t* b, int limit) {
  int length = 0;
  while (length < limit) {
    const std::uint64_t difference = Load64(a + length) ^ Load64(b + length);
    if (difference != 0) return std::min(limit, length + (std::countr_zero(difference) >> 3));
    length += 8;
  }
  return limit;
}

// AgreeingLength once the first words agree.
[[gnu::noinline]] int LaterAgreement(const std::uint8_t* there, const std::uint8_t* here, int known, int limit) {
  const int start = std::min(limit, std::max(known, 8));
  return start + CommonLength(there + start, here + start, limit - start);
}

// How many leading bytes of there and here agree, up to limit, given
// here's first word and that at least known bytes agree.  Most nodes of a
// walk differ within the first word; that case does not wait on known,
// which comes from the comparison at the node before.
inline int AgreeingLength(const std::uint8_t* there, const std::uint8_t* here, std::uint64_t first_word, int known,
                          int limit) {
  const std::uint64_t difference = Load64(there) ^ first_word;
  if (difference != 0) return std::min(limit, std::countr_zero(difference) >> 3);
  return LaterAgreement(there, here, known, limit);
}

}  // namespace

MatchFinder::MatchFinder(SearchLimits limits) : text_(kHeld + kPadding, 0), limits_(limits) {
  std::fill_n(text_.begin(), PrefillLength, ' ');
  size_ = PrefillLength;
  for (Chain* chain : {&three_, &four_}) {
    chain->head.assign(1 << kHashBits, -1);
    chain->previous.assign(RingSize, -1);
  }
}

MatchFinder::MatchFinder() : text_(kHeld + kPadding, 0), exact_(true) {
  std::fill_n(text_.begin(), PrefillLength, ' ');
  size_ = PrefillLength;
  roots_.assign(1 << kTreeHashBits, -1);
  sides_.assign(2 * kTreeSlots, -1);
}

int MatchFinder::FirstInputPosition() const { return PrefillLength; }

std::size_t MatchFinder::Room() const { return kHeld - static_cast<std::size_t>(size_); }

std::size_t MatchFinder::Append(std::span<const std::uint8_t> input) {
  const std::size_t taken = std::min(input.size(), Room());
  std::copy_n(input.begin(), taken, text_.begin() + size_);
  size_ += static_cast<int>(taken);
  InsertSettledPrefill();
  return taken;
}

void MatchFinder::Finish() {
  finished_ = true;
  std::fill_n(text_.begin() + size_, kPadding, 0);
  InsertSettledPrefill();
}

bool MatchFinder::Settled(int position) const { return finished_ || position + MaxMatch + kMinMatch <= size_; }

// The last spaces hash together with the first bytes of input, and a
// short input leaves some of them too close to the end to be inserted at
// all: each waits until the text after it is settled.
void MatchFinder::InsertSettledPrefill() {
  while (next_insert_ < PrefillLength && Settled(next_insert_)) Insert(next_insert_);
}

// Chain links at or past the cut move down with the text; those before it
// could only end a walk, and -1 still does.
int MatchFinder::Discard() {
  // The tree's nodes stay where they are only if positions move down by
  // whole multiples of its slots.
  const int shift = std::max(0, next_insert_ - RingSize) & ~(exact_ ? kTreeMask : RingMask);
  if (shift == 0) return 0;
  std::copy(text_.begin() + shift, text_.begin() + size_ + kPadding, text_.begin());
  size_ -= shift;
  next_insert_ -= shift;
  const auto move_down = [shift](std::vector<std::int32_t>& links) {
    for (std::int32_t& link : links) link = link >= shift ? link - shift : -1;
  };
  if (exact_) {
    move_down(roots_);
    move_down(sides_);
  } else {
    for (Chain* chain : {&three_, &four_}) {
      move_down(chain->head);
      move_down(chain->previous);
    }
  }
  return shift;
}

int MatchFinder::Limit(int position) const { return std::min(MaxMatch, size_ - position); }

void MatchFinder::Insert(int position) {
  if (exact_) {
    TreeInsert<false>(position);
    return;
  }
  next_insert_ = position + 1;
  if (Limit(position) < kMinMatch) return;
  const std::uint8_t* p = text_.data() + position;
  for (auto [chain, hash] : {std::pair{&three_, Hash3(p)}, std::pair{&four_, Hash4(p)}}) {
    chain->previous[position & RingMask] = chain->head[hash];
    chain->head[hash] = position;
  }
}

// Positions along a chain are strictly decreasing; a slot that a newer
// position has reused links upward and ends the walk.
Match MatchFinder::NearestOfThree(int position) const {
  const std::uint8_t* const here = text_.data() + position;
  const std::uint32_t first = Load32(here) & 0x00FFFFFF;
  const int oldest = std::max(0, position - RingSize);
  int candidate = three_.head[Hash3(here)];
  for (int step = 0; step < kShortChain && candidate >= oldest; ++step) {
    if (candidate < position && (Load32(text_.data() + candidate) & 0x00FFFFFF) == first) {
      return {kMinMatch, position - candidate};
    }
    const int next = three_.previous[candidate & RingMask];
    if (next >= candidate) break;
    candidate = next;
  }
  return {};
}

// A candidate can only be longer than the longest match so far if it
// agrees on the bytes up to and including that length, so the four bytes
// that end there are compared first; most candidates fail that one test.
void MatchFinder::LongerThanThree(int position, std::vector<Match>& out) const {
  const int limit = Limit(position);
  const std::uint8_t* const text = text_.data();
  const std::int32_t* const previous = four_.previous.data();
  const std::uint8_t* const here = text + position;
  const int oldest = std::max(0, position - RingSize);
  int longest = kMinMatch;
  std::uint32_t tail = Load32(here + longest - 3);
  int candidate = four_.head[Hash4(here)];
  int budget = limits_.max_chain;
  for (int chain = 0; chain < budget && candidate >= oldest; ++chain) {
    const std::uint8_t* there = text + candidate;
    if (candidate < position && Load32(there + longest - 3) == tail) {
      const int length = CommonLength(there, here, limit);
      if (length > longest) {
        if (longest < limits_.good_length && length >= limits_.good_length) {
          budget = std::min(budget, chain + limits_.chain_after_good);
        }
        longest = length;
        out.push_back({length, position - candidate});
        if (length == limit) return;
        tail = Load32(here + longest - 3);
      }
    }
    const int next = previous[candidate & RingMask];
    if (next >= candidate) return;
    candidate = next;
  }
}

void MatchFinder::Candidates(int position, std::vector<Match>& out) const {
  out.clear();
  if (Limit(position) < kMinMatch) return;
  const Match three = NearestOfThree(position);
  if (three.length > 0) out.push_back(three);
  if (Limit(position) == kMinMatch) return;
  const std::size_t first_longer = out.size();
  LongerThanThree(position, out);
  // A longer match that is also nearer makes the three-byte one useless.
  if (first_longer == 1 && out.size() > 1 && out[1].distance <= out[0].distance) out.erase(out.begin());
}

std::span<const Match> MatchFinder::Search(int position) {
  return std::span(found_).first(static_cast<std::size_t>(TreeInsert<true>(position)));
}

// Below the nodes passed so far, everything on the left is smaller than
// the new text and everything on the right larger; each side's text
// agrees with the new one on at least left_agrees or right_agrees bytes,
// so comparisons start past the lesser.  A node that agrees over the whole
// limit is replaced by the new position, which is nearer: later searches
// reach no further than this one.  Children are always older than their
// parent, so a link out of the window ends the walk.  Every node passed is
// written to the list, and kept only when it is longer than the last.
template <bool kListMatches>
int MatchFinder::TreeInsert(int position) {
  next_insert_ = position + 1;
  const int limit = Limit(position);
  if (limit < kMinMatch) return 0;
  const std::uint8_t* const text = text_.data();
  const std::uint8_t* const here = text + position;
  std::int32_t* const sides = sides_.data();
  const int oldest = std::max(0, position - RingSize);
  std::int32_t& root = roots_[TreeHash(here)];
  int candidate = root;
  root = position;
  // The next search starts at the next position's root: fetching it now
  // lets the parser's pricing hide the wait.
  __builtin_prefetch(&roots_[TreeHash(here + 1)]);
  std::int32_t* left = &sides[2 * (position & kTreeMask)];
  std::int32_t* right = left + 1;
  int left_agrees = 0, right_agrees = 0;
  int count = 0;
  int longest = kMinMatch - 1;
  const std::uint64_t first_word = Load64(here);
  while (candidate >= oldest) {
    const std::uint8_t* const there = text + candidate;
    const int length = AgreeingLength(there, here, first_word, std::min(left_agrees, right_agrees), limit);
    std::int32_t* const node = &sides[2 * (candidate & kTreeMask)];
    if constexpr (kListMatches) {
      found_[count] = {length, position - candidate};
      count += length > longest ? 1 : 0;
      longest = std::max(longest, length);
    }
    if (length == limit) {
      *left = node[0];
      *right = node[1];
      return count;
    }
    const bool smaller = there[length] < here[length];
    *(smaller ? left : right) = candidate;
    left = smaller ? &node[1] : left;
    right = smaller ? right : &node[0];
    left_agrees = smaller ? length : left_agrees;
    right_agrees = smaller ? right_agrees : length;
    candidate = node[smaller ? 1 : 0];
  }
  *left = -1;
  *right = -1;
  return count;
}

Match MatchFinder::Longest(int position) const {
  std::vector<Match> candidates;
  Candidates(position, candidates);
  return candidates.empty() ? Match{} : candidates.back();
}

}  // namespace lzh
