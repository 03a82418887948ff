// Collects bits most significant first into bytes; the last partial byte
// is padded with zero bits.
#pragma once

#include <cstdint>
#include <vector>

namespace lzh {

class BitWriter {
 public:
  // Appends the low `length` bits of bits (up to 32), the highest first.
  void Put(std::uint32_t bits, int length) {
    for (int n = length - 1; n >= 0; --n) {
      pending_ = static_cast<std::uint8_t>((pending_ << 1) | ((bits >> n) & 1));
      if (++pending_count_ == 8) {
        out_.push_back(pending_);
        pending_ = 0;
        pending_count_ = 0;
      }
    }
  }

  std::vector<std::uint8_t> Finish() {
    if (pending_count_ > 0) out_.push_back(static_cast<std::uint8_t>(pending_ << (8 - pending_count_)));
    pending_ = 0;
    pending_count_ = 0;
    return std::move(out_);
  }

 private:
  std::vector<std::uint8_t> out_;
  std::uint8_t pending_ = 0;
  int pending_count_ = 0;
};

}  // namespace lzh
