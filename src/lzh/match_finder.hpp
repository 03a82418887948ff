// Finds earlier occurrences of the bytes at a position, within the reach
// of the decoder's ring: at most 4096 bytes back.
//
// The text searched is the ring's initial contents (4036 spaces) followed
// by the input, so that matches may draw on the spaces as the decoder
// does.  Positions are indices into that text.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lzh {

struct Match {
  int length = 0;    // 0 when there is none worth coding
  int distance = 0;  // 1 to 4096 bytes back
};

class MatchFinder {
 public:
  // max_chain bounds how many earlier occurrences are looked at.
  MatchFinder(std::span<const std::uint8_t> input, int max_chain);

  const std::vector<std::uint8_t>& Text() const { return text_; }
  int FirstInputPosition() const;

  // Records position for later searches.  Positions are inserted in order.
  void Insert(int position);
  // The longest match at position (the nearest among equally long ones).
  Match Longest(int position) const;
  // Each match that is longer than every nearer one: lengths and distances
  // both increase along the list.
  void Candidates(int position, std::vector<Match>& out) const;

 private:
  template <typename Visit>
  void Walk(int position, Visit visit) const;
  int Hash(int position) const;

  std::vector<std::uint8_t> text_;
  std::vector<std::int32_t> head_;
  std::vector<std::int32_t> previous_;
  int max_chain_;
};

}  // namespace lzh
