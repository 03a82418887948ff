#include "terminal/progress_bar.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

constexpr auto kQuietFor = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);
constexpr int kWidestBar = 30;
constexpr int kNarrowestBar = 10;
constexpr int kUnknownWidth = 80;
// Left free at the end of the line: the last column, where writing makes
// some terminals wrap.
constexpr int kSpareColumns = 1;

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// Asked at every redraw, so that a resized terminal gets a bar that fits.
int TerminalColumns() {
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return info.srWindow.Right - info.srWindow.Left + 1;
#else
  struct winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
  return kUnknownWidth;
}

// Whether the terminal takes the escape sequence that wipes the bar: an
// old Windows console and a dumb terminal show it as text.
bool TakesEscapes() {
#ifdef _WIN32
  return false;
#else
  const char* term = std::getenv("TERM");
  return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
#endif
}

// "45.1 of 131.2 MB", in the unit that suits the total.
std::string Amounts(std::uint64_t done, std::uint64_t total) {
  const char* unit = total < 1000000 ? "kB" : total < 1000000000 ? "MB" : "GB";
  const double scale = total < 1000000 ? 1e3 : total < 1000000000 ? 1e6 : 1e9;
  char text[64];
  std::snprintf(text, sizeof text, "%.1f of %.1f %s", static_cast<double>(done) / scale,
                static_cast<double>(total) / scale, unit);
  return text;
}

std::string Rate(double bytes_per_second) {
  const char* unit = bytes_per_second < 1e6 ? "kB/s" : bytes_per_second < 1e9 ? "MB/s" : "GB/s";
  const double scale = bytes_per_second < 1e6 ? 1e3 : bytes_per_second < 1e9 ? 1e6 : 1e9;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytes_per_second / scale, unit);
  return text;
}

}  // namespace

std::string BarLine(const BarFigures& figures, int columns) {
  const double fraction =
      figures.total > 0 ? std::min(1.0, static_cast<double>(figures.done) / static_cast<double>(figures.total)) : 1.0;
  const int whole_percent = static_cast<int>(fraction * 100);
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", whole_percent);
  const std::string amounts = "  " + Amounts(figures.done, figures.total);
  const std::string rate = figures.seconds > 0 ? "  " + Rate(static_cast<double>(figures.done) / figures.seconds) : "";
  const std::string caption = figures.caption.empty() ? "" : figures.caption + " ";
  // From the richest line to the barest, each without what the one before
  // it gave up, so that nothing comes back as the terminal narrows.
  const std::string tails[][2] = {{caption, amounts + rate}, {caption, amounts}, {caption, ""}, {"", ""}};
  const int room = columns - kSpareColumns;
  for (const auto& [head, tail] : tails) {
    const int text = static_cast<int>(Columns(head)) + 3 + static_cast<int>(std::string(percent).size() + tail.size());  // "[", "] "
    const int bar = std::min(kWidestBar, room - text);
    if (bar < kNarrowestBar) continue;
    const int filled = static_cast<int>(fraction * bar);
    return head + "[" + std::string(filled, '#') + std::string(bar - filled, '.') + "] " + percent + tail;
  }
  const std::string bare = std::to_string(whole_percent) + "%";
  return static_cast<int>(bare.size()) <= room ? bare : std::string();
}

ProgressBar::ProgressBar(std::uint64_t total, std::string caption)
    : terminal_(StandardErrorIsTerminal()),
      escapes_(TakesEscapes()),
      caption_(std::move(caption)),
      total_(total),
      start_(Clock::now()) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Show(std::uint64_t done) {
  if (!terminal_) return;
  done_ = done;
  const Clock::time_point now = Clock::now();
  if (left_at_) {  // the time spent answering is no time spent working
    answering_ += now - *left_at_;
    left_at_.reset();
  }
  if (now - start_ < kQuietFor || (drawn_width_ > 0 && now - drawn_at_ < kRedrawEvery)) return;
  Draw(now);
}

// The cursor waits at the start of the bar's line.  A terminal that
// rewraps its lines when it narrows turns a bar that no longer fits into
// two rows or more, and keeps the cursor at the start of the first; the
// wipe then clears from there to the end of the screen, which takes them
// all, where spaces would leave the others on the screen.  A bar that
// still fits, or a terminal that cuts its lines instead, needs only
// spaces, which any terminal takes.  A ^C the terminal echoes lands on the
// bar, and the redraw that follows covers it.
std::string ProgressBar::Wipe(int columns) const {
  if (escapes_ && static_cast<int>(drawn_width_) >= columns) return "\r\x1B[J";
  return "\r" + std::string(std::max(0, std::min(static_cast<int>(drawn_width_), columns - 1)), ' ') + "\r";
}

void ProgressBar::Draw(Clock::time_point now) {
  drawn_at_ = now;
  total_ = std::max(total_, done_);
  const int columns = TerminalColumns();
  const double working = std::chrono::duration<double>(now - start_ - answering_).count();
  const std::string line = BarLine({caption_, done_, total_, working}, columns);
  std::fprintf(stderr, "%s%s\r", Wipe(columns).c_str(), line.c_str());
  std::fflush(stderr);
  drawn_width_ = std::max<std::size_t>(Columns(line), 1);
}

// The bar left on the screen shows where the work stands, not where it
// stood at the last redraw.
bool ProgressBar::Leave() {
  if (!left_at_) left_at_ = Clock::now();
  if (drawn_width_ == 0) return false;
  Draw(*left_at_);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  drawn_width_ = 0;
  return true;
}

void ProgressBar::Finish() {
  if (drawn_width_ == 0) return;
  std::fputs(Wipe(TerminalColumns()).c_str(), stderr);
  std::fflush(stderr);
  drawn_width_ = 0;
}

}  // namespace pmsetup
