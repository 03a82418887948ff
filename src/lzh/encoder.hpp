// The LZHUF encoder: the inverse of LzhDecode.
//
// The input is parsed into literals and matches against the same ring the
// decoder keeps (4036 spaces, then the data), and every symbol is coded
// with the adaptive model exactly as the decoder will update it.  The last
// partial byte is padded with zero bits.
//
// The input may come in pieces of any size: the encoder holds a bounded
// stretch of it (the window, a block and a longest match beyond it) and
// its stream is the same whatever the pieces.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace lzh {

enum class Parsing {
  kGreedy,   // always the longest match here: the baseline
  kLazy,     // a match is put off by one byte when the next one is longer
  kOptimal,  // cheapest path through each block, priced by the current model
};

class Encoder {
 public:
  explicit Encoder(Parsing parsing = Parsing::kOptimal);
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Takes the next piece of input and appends to out the bytes of the
  // stream that are complete.
  void Write(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& out);
  // The input has ended: appends the rest of the stream to out.  Nothing
  // may be written after.
  void Finish(std::vector<std::uint8_t>& out);

  class Parser;

 private:
  std::unique_ptr<Parser> parser_;
};

// The whole stream of input at once.
std::vector<std::uint8_t> LzhEncode(std::span<const std::uint8_t> input, Parsing parsing = Parsing::kOptimal);

}  // namespace lzh
