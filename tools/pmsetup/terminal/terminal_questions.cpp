#include "terminal/terminal_questions.hpp"
#include "terminal/terminal_text.hpp"

#include <signal.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <iostream>
#include <iterator>

#include "package/setup_block.hpp"

namespace pmsetup {
namespace {

volatile std::sig_atomic_t signal_arrived = 0;
volatile std::sig_atomic_t stop_signal = 0;
bool interactive_mode = false;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[std::size(kStopSignals)];

void OnSignal(int signal) {
  // Ctrl-C does not override a request to terminate.
  if (signal != SIGINT || stop_signal == 0) stop_signal = signal;
  signal_arrived = 1;
}

enum class Reading { kLine, kEndOfInput, kCtrlC, kStopped };

// Reads one line of the answer.  The stop signals are blocked but while
// waiting for input, so that one that came before the wait ends it at
// once instead of being noticed only after the next line.
Reading ReadAnswer(std::string& line) {
  line.clear();
  sigset_t stop_signals;
  sigset_t before;
  sigemptyset(&stop_signals);
  for (const int signal : kStopSignals) sigaddset(&stop_signals, signal);
  sigprocmask(SIG_BLOCK, &stop_signals, &before);
  Reading reading = Reading::kEndOfInput;
  for (;;) {
    if (signal_arrived) {
      signal_arrived = 0;
      reading = stop_signal == SIGINT ? Reading::kCtrlC : Reading::kStopped;
      break;
    }
    fd_set input;
    FD_ZERO(&input);
    FD_SET(STDIN_FILENO, &input);
    if (pselect(STDIN_FILENO + 1, &input, nullptr, nullptr, nullptr, &before) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n == 1 && c == '\n') {
      reading = Reading::kLine;
      break;
    }
    if (n == 1) line += c;
    else if (n == 0 || (errno != EINTR && errno != EAGAIN)) break;
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return reading;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::optional<bool> YesOrNo(const std::string& answer, bool default_yes) {
  const std::string word = Lower(answer);
  if (word.empty()) return default_yes;
  if (word == "y" || word == "yes") return true;
  if (word == "n" || word == "no") return false;
  return std::nullopt;
}

// Shows text and prompt and reads the answer.  Ctrl-C at the question
// cancels when ctrl_c_cancels (Ctrl-C's own question), and otherwise asks
// whether to; No shows the question again, which is question when text
// was only a hint about it.
std::optional<std::string> Ask(const std::string& text, const std::string& question, const std::string& prompt,
                               bool ctrl_c_cancels) {
  const std::string* shown = &text;
  for (;;) {
    if (!shown->empty()) std::cerr << *shown << '\n';
    std::cerr << prompt << std::flush;
    std::string line;
    const Reading reading = ReadAnswer(line);
    shown = &question;
    // The terminal edits the line only with Backspace and its like: an
    // arrow key or Ctrl-L arrives as bytes in the answer, which must not
    // become part of a folder's name.
    if (reading == Reading::kLine && HoldsControl(line)) {
      std::cerr << "An answer cannot hold arrow keys, Tab or other control keys; type it again, correcting it with "
                   "Backspace.\n";
      continue;
    }
    if (reading == Reading::kLine) return line;
    std::cerr << '\n';  // the terminal echoed ^C, or nothing for Ctrl-D
    if (reading != Reading::kCtrlC || ctrl_c_cancels || ConfirmCancel()) return std::nullopt;
  }
}

std::optional<bool> YesNo(const std::string& question, bool default_yes, bool ctrl_c_cancels) {
  const std::string prompt = default_yes ? "[Y/n] " : "[y/N] ";
  const std::string hint = std::string("Please answer y (yes) or n (no); Enter means ") + (default_yes ? "yes." : "no.");
  const std::string* shown = &question;
  for (;;) {
    const std::optional<std::string> answer = Ask(*shown, question, prompt, ctrl_c_cancels);
    if (!answer) return std::nullopt;
    if (const std::optional<bool> yes = YesOrNo(*answer, default_yes)) return yes;
    shown = &hint;
  }
}

}  // namespace

void UseTerminal(bool interactive) {
  interactive_mode = interactive;
  signal_arrived = 0;
  stop_signal = 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;  // no SA_RESTART: a waiting question gives up
  sigemptyset(&action.sa_mask);
  for (std::size_t k = 0; k < std::size(kStopSignals); ++k) {
    sigaction(kStopSignals[k], nullptr, &previous[k]);
    if (previous[k].sa_handler != SIG_IGN) sigaction(kStopSignals[k], &action, nullptr);  // nohup stays
  }
}

void ReleaseTerminal() {
  for (std::size_t k = 0; k < std::size(kStopSignals); ++k) sigaction(kStopSignals[k], &previous[k], nullptr);
}

bool Interactive() { return interactive_mode; }

volatile std::sig_atomic_t& SignalArrived() { return signal_arrived; }

int StopSignal() { return stop_signal; }

std::optional<std::string> AskForLine(const std::string& text, const std::string& prompt) {
  return Ask(text, text, prompt, false);
}

std::optional<bool> AskYesNo(const std::string& text, bool default_yes) { return YesNo(text, default_yes, false); }

bool ConfirmCancel() {
  const std::optional<bool> cancel =
      YesNo(Shown(package::Setup.SetupTexts[package::CancelConfirm], Lines::kMany), false, true);
  if (cancel && !*cancel) {
    if (stop_signal == SIGINT) stop_signal = 0;
    return false;
  }
  return true;
}

}  // namespace pmsetup
