// callback_floor STREAM COUNT OUTPUT: what decoding through the one-byte
// callbacks (LzhDecode, as SETUP.EXE runs it) would take if decoding cost
// nothing.  It reads the stream, takes it in through the one-byte read
// callback, hands COUNT bytes to the one-byte write callback (the input
// bytes over again, not decoded), and writes OUTPUT.  Run it beside
// `pmsetup lzh decode`, which inlines its reader and writer instead, to
// see what the calls alone cost.
#include <cstdlib>
#include <iostream>

#include "io/file_io.hpp"
#include "lzh/decoder.hpp"
#include "memory_stream.hpp"

namespace {

// Called through pointers it cannot see through, as the decoder calls.
[[gnu::noipa]] void PassThrough(std::size_t stream_size, std::size_t count, lzh::ReadProc read,
                                lzh::WriteProc write) {
  // Spread the reads among the writes as a decoder does.
  std::size_t owed = 0;
  std::uint8_t byte = 0;
  std::uint16_t transferred = 0;
  for (std::size_t i = 0; i < count; ++i) {
    owed += stream_size;
    if (owed >= count) {
      owed -= count;
      read(&byte, 1, transferred);
    }
    write(&byte, 1, transferred);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: callback_floor STREAM COUNT OUTPUT\n";
    return 2;
  }
  std::string error;
  const auto stream = pmsetup::ReadWholeFile(argv[1], error);
  if (!stream || stream->empty()) {
    std::cerr << (error.empty() ? std::string("empty stream") : error) << '\n';
    return 1;
  }
  const std::size_t count = std::strtoull(argv[2], nullptr, 0);
  std::vector<std::uint8_t> out(count);
  bench::StartStream(*stream, out);
  PassThrough(stream->size(), count, bench::Read, bench::Write);
  error = pmsetup::WriteFileAtomically(argv[3], out);
  if (!error.empty()) std::cerr << error << '\n';
  return error.empty() ? 0 : 1;
}
