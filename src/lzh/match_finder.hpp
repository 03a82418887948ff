// Finds earlier occurrences of the bytes at a position, within the reach
// of the decoder's ring: at most 4096 bytes back.
//
// The text searched is the ring's initial contents (4036 spaces) followed
// by the input, so that matches may draw on the spaces as the decoder
// does.  The input arrives piece by piece, and only a bounded stretch of
// the text is held: the window behind the first position not yet
// inserted, and what has come after it.  Positions are indices into that
// stretch; Discard moves them down as it drops what lies behind.
//
// A finder works one of two ways.  With search limits, two hash chains
// link earlier positions: one by their first three bytes, walked only
// briefly for the nearest match of exactly three, and one by their first
// four, walked deeply for everything longer.  Common three-byte sequences
// of text would make the deep walk far longer.
//
// Without limits the search is exact: the positions in the window that
// share a hash of their first three bytes form a binary search tree,
// ordered by the text that follows them and with newer positions above
// older ones.  Searching for a position walks down to where it belongs and
// makes it the new root; the path passes the nearest position of every
// match length there is.  The window holds 4096 positions, so the trees
// stay small.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "lzh/format.hpp"

namespace lzh {

struct Match {
  int length = 0;    // 0 when there is none worth coding
  int distance = 0;  // 1 to 4096 bytes back
};

// How hard a search tries: at most max_chain earlier occurrences, and only
// chain_after_good more once a match of good_length has been found.
struct SearchLimits {
  int max_chain;
  int good_length;
  int chain_after_good;
};

class MatchFinder {
 public:
  explicit MatchFinder(SearchLimits limits);
  // The exact search: only Insert and Search may be used.
  MatchFinder();

  std::span<const std::uint8_t> Text() const { return {text_.data(), static_cast<std::size_t>(size_)}; }
  int FirstInputPosition() const;

  // Appends as much of input as there is room for; returns how much.
  std::size_t Append(std::span<const std::uint8_t> input);
  // Room left for Append; Discard makes more.
  std::size_t Room() const;
  // No more input comes: the text ends where it ends now.
  void Finish();
  // Whether searching at position and inserting the positions up to a
  // longest match beyond it see everything they would see with the whole
  // input in hand.
  bool Settled(int position) const;
  // Drops the text that no search can reach any more (it lies more than
  // a window before the first position not yet inserted) and returns how
  // far every position moved down: a multiple of the window's size.
  int Discard();

  // Records position for later searches.  Positions are inserted in order.
  void Insert(int position);
  // The longest match at position (the nearest among equally long ones),
  // or length 0 when no match of 3 bytes or more exists.
  Match Longest(int position) const;
  // Each match that is longer than every nearer one: lengths and distances
  // both increase along the list.
  void Candidates(int position, std::vector<Match>& out) const;
  // The exact search: what Candidates would list with unlimited chains,
  // and position inserted.  The list lasts until the next Insert or Search.
  std::span<const Match> Search(int position);

 private:
  struct Chain {
    std::vector<std::int32_t> head;      // by hash: the latest position
    std::vector<std::int32_t> previous;  // by position mod 4096: the one before
  };

  // Walks the tree of position's hash, hanging every node passed on the
  // new root's left (smaller text) or right; returns how many matches it
  // has put in found_ when asked to list them.
  template <bool kListMatches>
  int TreeInsert(int position);
  void InsertSettledPrefill();
  Match NearestOfThree(int position) const;
  void LongerThanThree(int position, std::vector<Match>& out) const;
  int Limit(int position) const;

  std::vector<std::uint8_t> text_;  // room for the stretch held, and a few spare bytes
  int size_ = 0;                    // of the stretch held
  int next_insert_ = 0;             // the first position not yet inserted
  bool finished_ = false;
  Chain three_;
  Chain four_;
  SearchLimits limits_{};
  bool exact_ = false;
  std::vector<std::int32_t> roots_;  // by hash: the newest position, or -1
  std::vector<std::int32_t> sides_;  // by position mod kTreeSlots: left and right child
  // One match per length at most, and room for one that is not kept.
  std::array<Match, MaxMatch> found_;
};

}  // namespace lzh
