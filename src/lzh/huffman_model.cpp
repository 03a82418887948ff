#include "lzh/huffman_model.hpp"

#include <cstring>

namespace lzh {

void HuffmanModel::StartHuff() {
  for (int s = 0; s < SymbolCount; ++s) {
    Freq[s] = 1;
    Son[s] = static_cast<std::int16_t>(s + TreeSize);
    Prnt[s + TreeSize] = static_cast<std::int16_t>(s);
  }
  for (int i = 0, j = SymbolCount; j <= RootNode; i += 2, ++j) {
    Freq[j] = static_cast<std::uint16_t>(Freq[i] + Freq[i + 1]);
    Son[j] = static_cast<std::int16_t>(i);
    Prnt[i] = Prnt[i + 1] = static_cast<std::int16_t>(j);
  }
  Freq[TreeSize] = 0xFFFF;
  Prnt[RootNode] = 0;
}

void HuffmanModel::Reconst() {
  // Gather the leaves, in their order, at the bottom with halved weights.
  int j = 0;
  for (int i = 0; i < TreeSize; ++i) {
    if (Son[i] >= TreeSize) {
      Freq[j] = static_cast<std::uint16_t>((Freq[i] + 1) / 2);
      Son[j] = Son[i];
      ++j;
    }
  }
  // Join pairs from the bottom; each new node goes after every node of
  // equal weight.
  for (int i = 0, j = SymbolCount; j < TreeSize; i += 2, ++j) {
    const std::uint16_t f = static_cast<std::uint16_t>(Freq[i] + Freq[i + 1]);
    int k = j - 1;
    while (f < Freq[k]) --k;
    ++k;
    std::memmove(&Freq[k + 1], &Freq[k], (j - k) * sizeof Freq[0]);
    std::memmove(&Son[k + 1], &Son[k], (j - k) * sizeof Son[0]);
    Freq[k] = f;
    Son[k] = static_cast<std::int16_t>(i);
  }
  for (int i = 0; i < TreeSize; ++i) {
    const int k = Son[i];
    Prnt[k] = static_cast<std::int16_t>(i);
    if (k < TreeSize) Prnt[k + 1] = static_cast<std::int16_t>(i);
  }
}

}  // namespace lzh
