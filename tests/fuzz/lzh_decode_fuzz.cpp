// Arbitrary bytes as a compressed stream: decoding must end, touch only
// what it owns, and deliver at least the count asked for.  The first two
// bytes choose the count (up to 64 KiB), the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "lzh/decoder.hpp"
#include "lzh/format.hpp"

namespace {

const std::uint8_t* input;
std::size_t input_size;
std::size_t input_position;
std::size_t written;

void Read(std::uint8_t* buffer, std::uint16_t, std::uint16_t& transferred) {
  transferred = input_position < input_size ? 1 : 0;
  if (transferred) buffer[0] = input[input_position++];
}

void Write(std::uint8_t*, std::uint16_t, std::uint16_t& transferred) {
  ++written;
  transferred = 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::int32_t count = data[0] | data[1] << 8;
  input = data + 2;
  input_size = size - 2;
  input_position = 0;
  written = 0;
  const std::int32_t running = 1;
  lzh::LzhDecode(count, Read, Write, running);
  if (written < static_cast<std::size_t>(count) || written >= static_cast<std::size_t>(count) + lzh::MaxMatch) {
    std::abort();
  }
  return 0;
}
