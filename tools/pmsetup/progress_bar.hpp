// A progress bar on standard error for work that takes a while: drawn
// only on a terminal, and only once the work has gone on for a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstddef>

namespace pmsetup {

class ProgressBar {
 public:
  // total: the bytes the work is expected to take (more may come).
  explicit ProgressBar(std::uint64_t total);
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  ~ProgressBar() { Finish(); }

  // done bytes are through: redraws the bar, a few times a second at most.
  void Show(std::uint64_t done);
  // Wipes the bar, if it was drawn, so that what follows starts a clean line.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  bool terminal_;
  std::uint64_t total_;
  Clock::time_point start_;
  Clock::time_point drawn_at_;
  std::size_t drawn_width_ = 0;  // 0: nothing on the line
};

}  // namespace pmsetup
