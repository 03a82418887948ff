#include "progress_bar.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pmsetup {
namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);
constexpr int kBarWidth = 30;

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace

ProgressBar::ProgressBar(std::uint64_t total)
    : terminal_(StandardErrorIsTerminal()), total_(total), start_(Clock::now()) {}

// [##########....................]  34%  45.1 of 131.2 MB  9.8 MB/s
void ProgressBar::Show(std::uint64_t done) {
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < kQuietFor || (drawn_width_ > 0 && now - drawn_at_ < kRedrawEvery)) return;
  drawn_at_ = now;
  total_ = std::max(total_, done);
  const double fraction = total_ > 0 ? static_cast<double>(done) / static_cast<double>(total_) : 1.0;
  const int filled = std::clamp(static_cast<int>(fraction * kBarWidth), 0, kBarWidth);
  const double seconds = std::chrono::duration<double>(now - start_).count();
  char line[160];
  const int width = std::snprintf(line, sizeof line, "[%s%s] %3d%%  %.1f of %.1f MB  %.1f MB/s",
                                  std::string(filled, '#').c_str(), std::string(kBarWidth - filled, '.').c_str(),
                                  static_cast<int>(fraction * 100), static_cast<double>(done) / 1e6,
                                  static_cast<double>(total_) / 1e6, static_cast<double>(done) / 1e6 / seconds);
  // A shorter line than the last one is padded over it.
  std::fprintf(stderr, "\r%s%*s", line, static_cast<int>(std::max<std::size_t>(drawn_width_, width) - width), "");
  std::fflush(stderr);
  drawn_width_ = std::max<std::size_t>(drawn_width_, static_cast<std::size_t>(width));
}

void ProgressBar::Finish() {
  if (drawn_width_ == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(drawn_width_), "");
  std::fflush(stderr);
  drawn_width_ = 0;
}

}  // namespace pmsetup
