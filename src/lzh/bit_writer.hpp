// Collects bits most significant first into bytes; the last partial byte
// is padded with zero bits.
#pragma once

#include <cstdint>
#include <vector>

namespace lzh {

class BitWriter {
 public:
  // Appends the low `length` bits of bits (at most 32), the highest first.
  void Put(std::uint32_t bits, int length) {
    pending_ = (pending_ << length) | (bits & ((std::uint64_t{1} << length) - 1));
    pending_count_ += length;
    while (pending_count_ >= 8) {
      pending_count_ -= 8;
      out_.push_back(static_cast<std::uint8_t>(pending_ >> pending_count_));
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
  std::uint64_t pending_ = 0;  // the low pending_count_ bits are still to go
  int pending_count_ = 0;
};

}  // namespace lzh
