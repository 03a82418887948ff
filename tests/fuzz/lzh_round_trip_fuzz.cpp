// Whatever the input, the encoder's stream must decode to exactly it, for
// every parsing, and be the same when the input comes in pieces.  The
// first byte chooses the parsing and the size of the pieces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <vector>

#include "lzh/decoder.hpp"
#include "lzh/encoder.hpp"

namespace {

const std::vector<std::uint8_t>* stream;
std::size_t stream_position;
int requests_past_end;
std::vector<std::uint8_t> decoded;

void Read(std::uint8_t* buffer, std::uint16_t, std::uint16_t& transferred) {
  transferred = stream_position < stream->size() ? 1 : 0;
  if (transferred) buffer[0] = (*stream)[stream_position++];
  else ++requests_past_end;
}

void Write(std::uint8_t* buffer, std::uint16_t, std::uint16_t& transferred) {
  decoded.push_back(buffer[0]);
  transferred = 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto parsing = static_cast<lzh::Parsing>(data[0] % 3);
  const std::vector<std::uint8_t> packed = lzh::LzhEncode({data + 1, size - 1}, parsing);
  const std::size_t piece = data[0] / 3 + 1;
  lzh::Encoder encoder(parsing);
  std::vector<std::uint8_t> in_pieces;
  for (std::size_t at = 1; at < size; at += piece) encoder.Write({data + at, std::min(piece, size - at)}, in_pieces);
  encoder.Finish(in_pieces);
  if (in_pieces != packed) std::abort();
  stream = &packed;
  stream_position = 0;
  requests_past_end = 0;
  decoded.clear();
  const std::int32_t running = 1;
  const lzh::InputLeft left = lzh::LzhDecode(static_cast<std::int32_t>(size - 1), Read, Write, running);
  std::uint8_t held[2];
  // A complete stream is never read more than two bytes past its end, no
  // byte past its end is decoded, and every byte of it is used.
  if (decoded.size() != size - 1 || !std::equal(decoded.begin(), decoded.end(), data + 1) ||
      requests_past_end > 2 || lzh::DecodedMissingInput(left, requests_past_end) ||
      lzh::UnusedInput(left, requests_past_end, held) > 0) {
    std::abort();
  }
  return 0;
}
