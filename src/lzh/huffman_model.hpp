// The adaptive Huffman model that encoder and decoder keep in step.
//
// The tree's 627 nodes are stored in order of weight (the sibling
// property: Freq never decreases with the index), the root last.  An
// internal node's children are the adjacent nodes Son[i] and Son[i] + 1,
// always at an even and the following odd position, so a node's position
// tells which bit leads to it.  Son[i] >= TreeSize marks a leaf of symbol
// Son[i] - TreeSize.  Prnt gives each node's parent, and Prnt[TreeSize + s]
// the node that holds symbol s.
#pragma once

#include <cstdint>

#include "lzh/format.hpp"

namespace lzh {

struct HuffmanModel {
  std::uint16_t Freq[TreeSize + 1];  // Freq[TreeSize] is a 0xFFFF sentinel
  std::int16_t Son[TreeSize];
  std::int16_t Prnt[TreeSize + SymbolCount];

  // Every symbol weighs 1; the tree is built pairwise from the leaves up.
  void StartHuff();
  // Counts one more occurrence of symbol s: increments the weights on the
  // path to the root, moving each incremented node past the nodes that now
  // weigh less, so the sibling property holds again.
  void UpdateModel(int s);
  // Halves every leaf weight (rounding up) and rebuilds the tree; run when
  // the root's weight reaches MaxFreq.
  void Reconst();

 private:
  int LastLighterNode(int c, unsigned k) const;
};

// The last node above c that weighs less than k.  Weights never decrease
// with the index and the sentinel weighs 0xFFFF, so the nodes that qualify
// form one run starting at c + 1.  Short runs are walked; long ones (all
// the leaves of weight 1 early on) are bisected.
inline int HuffmanModel::LastLighterNode(int c, unsigned k) const {
  int l = c + 1;
  for (int step = 0; step < 4; ++step) {
    if (Freq[l + 1] >= k) return l;
    ++l;
  }
  int high = TreeSize;  // Freq[high] >= k, Freq[l] < k
  while (high - l > 1) {
    const int middle = (l + high) / 2;
    if (Freq[middle] < k) l = middle;
    else high = middle;
  }
  return l;
}

// Inline: the decoder runs this once per symbol, and the walk is short.
inline void HuffmanModel::UpdateModel(int s) {
  if (Freq[RootNode] == MaxFreq) Reconst();
  int c = Prnt[s + TreeSize];
  do {
    const unsigned k = ++Freq[c];
    if (k > Freq[c + 1]) {
      const int l = LastLighterNode(c, k);
      Freq[c] = Freq[l];
      Freq[l] = static_cast<std::uint16_t>(k);

      const int i = Son[c];
      Prnt[i] = static_cast<std::int16_t>(l);
      if (i < TreeSize) Prnt[i + 1] = static_cast<std::int16_t>(l);
      const int j = Son[l];
      Son[l] = static_cast<std::int16_t>(i);
      Prnt[j] = static_cast<std::int16_t>(c);
      if (j < TreeSize) Prnt[j + 1] = static_cast<std::int16_t>(c);
      Son[c] = static_cast<std::int16_t>(j);
      c = l;
    }
    c = Prnt[c];
  } while (c != 0);
}

}  // namespace lzh
