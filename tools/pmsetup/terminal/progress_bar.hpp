// A progress bar on standard error for work that takes a while: drawn
// only on a terminal, only once the work has gone on for a second, and
// fitted to the terminal's width as it is at each redraw.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstddef>
#include <optional>
#include <string>

namespace pmsetup {

// What one line of the bar shows.
struct BarFigures {
  std::string caption;  // UTF-8, already safe to print; may be empty
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  double seconds = 0;  // since the work began
};

// The line for a terminal of columns columns, never wider than
// columns - 1 (a character in the last column makes some terminals wrap):
//   Caption [##########....................]  34%  45.1 of 131.2 MB  9.8 MB/s
// As the terminal narrows, the bar shrinks from 30 columns to 10 first;
// then the pieces give way in this order, and none comes back on a
// narrower terminal: the rate, the figures, the caption, the bar (leaving
// the percentage alone), and last the percentage (an empty line).
std::string BarLine(const BarFigures& figures, int columns);

class ProgressBar {
 public:
  // total: the bytes the work is expected to take (more may come).
  explicit ProgressBar(std::uint64_t total, std::string caption = std::string());
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  ~ProgressBar();

  // done bytes are through: redraws the bar, a few times a second at most.
  void Show(std::uint64_t done);
  // Ends the bar's line and leaves the bar on it, so that what follows
  // (a question) starts a clean line and the next redraw starts another.
  // False when no bar was on the line.
  bool Leave();
  // Wipes the bar, if it was drawn, so that what follows starts a clean line.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  void Draw(Clock::time_point now);
  // What wipes the bar from the screen, leaving the cursor at the start
  // of its line.
  std::string Wipe(int columns) const;

  bool terminal_;
  bool escapes_;  // the terminal takes the escape sequence that clears to the end of the screen
  std::string caption_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  Clock::time_point start_;
  Clock::time_point drawn_at_;
  std::optional<Clock::time_point> left_at_;  // by Leave, for a question
  Clock::duration answering_{};               // spent at questions: no work done
  std::size_t drawn_width_ = 0;  // columns of the bar on the line; 0: none
};

}  // namespace pmsetup
