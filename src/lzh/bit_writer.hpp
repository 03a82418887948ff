// Collects bits most significant first into bytes, handed on as they
// fill; the last partial byte is padded with zero bits.
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

  // Appends the whole bytes collected so far to out.
  void TakeBytes(std::vector<std::uint8_t>& out) {
    out.insert(out.end(), out_.begin(), out_.end());
    out_.clear();
  }

  // Pads the last partial byte and appends everything left to out.
  void Finish(std::vector<std::uint8_t>& out) {
    if (pending_count_ > 0) out_.push_back(static_cast<std::uint8_t>(pending_ << (8 - pending_count_)));
    pending_ = 0;
    pending_count_ = 0;
    TakeBytes(out);
  }

 private:
  std::vector<std::uint8_t> out_;
  std::uint64_t pending_ = 0;  // the low pending_count_ bits are still to go
  int pending_count_ = 0;
};

}  // namespace lzh
