#include "io/interruption.hpp"

#include <csignal>
#include <iostream>

namespace pmsetup {
namespace {

constexpr int kSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

volatile std::sig_atomic_t caught = 0;
bool reported = false;

#ifndef _WIN32
struct sigaction previous[std::size(kSignals)];
#else
using Handler = void (*)(int);
Handler previous[std::size(kSignals)];
#endif

void OnSignal(int signal) {
  if (caught != 0) {
    // The work has not stopped since the first one: end now.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  caught = signal;
#ifdef _WIN32
  std::signal(signal, OnSignal);  // Windows puts the default back before a handler runs
#endif
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
#ifdef SIGHUP
    case SIGHUP: return "SIGHUP";
#endif
  }
  return "a signal";
}

}  // namespace

InterruptionGuard::InterruptionGuard() {
  caught = 0;
  reported = false;
  for (std::size_t k = 0; k < std::size(kSignals); ++k) {
#ifndef _WIN32
    // A signal ignored from the start (nohup) stays ignored.
    sigaction(kSignals[k], nullptr, &previous[k]);
    if (previous[k].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;  // no SA_RESTART: blocking calls return with EINTR
    sigemptyset(&action.sa_mask);
    sigaction(kSignals[k], &action, nullptr);
#else
    previous[k] = std::signal(kSignals[k], OnSignal);
    if (previous[k] == SIG_IGN) std::signal(kSignals[k], SIG_IGN);
#endif
  }
}

InterruptionGuard::~InterruptionGuard() {
  for (std::size_t k = 0; k < std::size(kSignals); ++k) {
#ifndef _WIN32
    sigaction(kSignals[k], &previous[k], nullptr);
#else
    std::signal(kSignals[k], previous[k]);
#endif
  }
  if (caught != 0 && !reported) {
    std::cout.flush();
    std::signal(caught, SIG_DFL);
    std::raise(caught);
  }
}

int CaughtSignal() { return caught; }

int SignalExitCode(int signal) { return 128 + signal; }

std::string InterruptedLine(int signal, const std::string& outcome) {
  return std::string("pmsetup: interrupted by ") + SignalName(signal) + "; " + outcome;
}

int Failure(const std::string& message, const std::string& outcome) {
  if (const int signal = caught) {
    reported = true;
    std::cerr << InterruptedLine(signal, outcome) << '\n';
    return SignalExitCode(signal);
  }
  std::cerr << "pmsetup: " << message << '\n';
  return 1;
}

}  // namespace pmsetup
