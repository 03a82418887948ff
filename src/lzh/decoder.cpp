#include "lzh/decoder.hpp"

#include <algorithm>
#include <new>

#include "lzh/decode_loop.hpp"

namespace lzh {
namespace {

// The callbacks, one byte per call: an input byte that comes back with
// any count but 1 is taken as 0, and the output count is not looked at.
struct CallbackInput {
  static constexpr bool kRefillOutOfLine = true;
  ReadProc read;
  std::uint8_t Next() {
    std::uint8_t byte = 0;
    std::uint16_t got = 0;
    read(&byte, 1, got);
    return got == 1 ? byte : 0;
  }
};

struct CallbackOutput {
  WriteProc write;
  void Put(std::uint8_t byte) {
    std::uint16_t taken = 0;
    write(&byte, 1, taken);
  }
};

}  // namespace

decode_detail::Tables* decode_detail::ObtainTables() {
  auto* tables = new (std::nothrow) Tables;
  if (tables == nullptr) RaiseElzhException(kNoTableMemory);
  return tables;
}

InputLeft LzhDecode(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running) {
  CallbackInput in{read};
  CallbackOutput out{write};
  return DecodeStream(count, in, out, running);
}

bool DecodedMissingInput(const InputLeft& left, int missing) { return missing * 8 > left.bits; }

int UnusedInput(const InputLeft& left, int missing, std::uint8_t (&bytes)[2]) {
  // The bytes that never came were read as zeros after the real ones.
  const int real_bits = left.bits - missing * 8;
  const int whole = real_bits > 0 ? std::min(real_bits / 8, 2) : 0;
  for (int k = 0; k < whole; ++k) {
    const int skipped = real_bits - 8 * (whole - k);  // bits above byte k
    bytes[k] = static_cast<std::uint8_t>((left.word << skipped) >> 24);
  }
  return whole;
}

}  // namespace lzh
