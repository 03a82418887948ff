#include "terminal_front_end.hpp"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "common/session.hpp"
#include "extract/run_state.hpp"
#include "installer.hpp"
#include "package/setup_block.hpp"

namespace pmsetup {
namespace {

// Raised by a signal, for the pump; and the signal that would stop the run.
volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t stop_signal = 0;
bool interactive_mode = false;
std::string declined;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int signal) {
  // Ctrl-C does not override a request to terminate.
  if (signal != SIGINT || stop_signal == 0) stop_signal = signal;
  interrupted = 1;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Reads one line; false at the end of input or when Ctrl-C interrupts it.
bool ReadLine(std::string& line) {
  line.clear();
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n <= 0) return false;
    if (c == '\n') return true;
    line += c;
  }
}

// The first button answers to its label, its first letter or an empty
// line; the second to its label or its first letter.
bool AskOnTerminal(const std::string& question, int buttons, bool yes_no) {
  const common::LabelPair& ansi_labels = yes_no ? common::Session.YesNoLabels : common::Session.OkCancelLabels;
  const std::string labels[2] = {Shown(ansi_labels[0]), Shown(ansi_labels[1])};
  const std::string text = Shown(question, Lines::kMany);
  // Without a terminal a question is declined unseen; the failure names
  // what it was about.
  if (!interactive_mode) {
    if (buttons >= 2) declined = text;
    return false;
  }
  std::cerr << '\n' << text << '\n';
  for (;;) {
    std::cerr << (buttons >= 2 ? "[" + labels[0] + "/" + labels[1] + "] " : "[" + labels[0] + "] ") << std::flush;
    std::string answer;
    if (!ReadLine(answer)) {
      interrupted = 0;
      return false;
    }
    answer = Lower(answer);
    if (buttons < 2) return true;
    const auto matches = [&](const std::string& label) {
      return !label.empty() && (answer == Lower(label) || answer == Lower(label.substr(0, 1)));
    };
    if (answer.empty() || matches(labels[0])) return true;
    if (matches(labels[1])) return false;
  }
}

// A signal between two bytes of input stops the run.  Ctrl-C on a
// terminal is the Cancel button: it asks first, and No goes on.
void Pump() {
  if (!interrupted) return;
  interrupted = 0;
  if (stop_signal == SIGINT && interactive_mode) {
    const bool confirmed = AskOnTerminal(package::Setup.SetupTexts[package::CancelConfirm], 2, true);
    if (!confirmed && stop_signal == SIGINT) {
      stop_signal = 0;
      return;
    }
  }
  extract::EndRun(extract::Outcome::kCancelled);
}

void ShowProgress(int percent, double fraction) {
  if (!isatty(STDERR_FILENO)) return;
  constexpr int kWidth = 40;
  const int filled = std::clamp(static_cast<int>(fraction * kWidth + 0.5), 0, kWidth);
  std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(kWidth - filled, '.').c_str(),
               percent);
  if (percent >= 100) std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

void UseTerminal(bool interactive) {
  interactive_mode = interactive;
  declined.clear();
  interrupted = 0;
  stop_signal = 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;  // no SA_RESTART: a waiting prompt gives up
  for (const int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

extract::FrontEnd TerminalFrontEnd() { return {Pump, AskOnTerminal, ShowProgress, &interrupted}; }

void ReleaseTerminal() {
  for (const int signal : kStopSignals) std::signal(signal, SIG_DFL);
}

int StopSignal() { return stop_signal; }

const std::string& DeclinedQuestion() { return declined; }

bool AskLine(const std::string& prompt, const std::string& shown_default, std::string& answer) {
  std::cerr << prompt << '\n' << (shown_default.empty() ? std::string() : "[" + shown_default + "] ") << std::flush;
  return ReadLine(answer);
}

}  // namespace pmsetup
