// The LZHUF encoder: the inverse of LzhDecode.
//
// The input is parsed into literals and matches against the same ring the
// decoder keeps (4036 spaces, then the data), and every symbol is coded
// with the adaptive model exactly as the decoder will update it.  The last
// partial byte is padded with zero bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lzh {

enum class Parsing {
  kGreedy,   // always the longest match here: the baseline
  kLazy,     // a match is put off by one byte when the next one is longer
  kOptimal,  // cheapest path through each block, priced by the current model
};

std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> input, Parsing parsing = Parsing::kOptimal);

}  // namespace lzh
