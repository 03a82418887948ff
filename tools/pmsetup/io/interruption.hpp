// SIGINT, SIGTERM and SIGHUP for work that must not leave anything behind
// when it is stopped.
//
// While an InterruptionGuard lives, the first of these signals only sets a
// flag.  The work checks the flag between its steps (a chunk read, written
// or compressed, a helper program waited for) and fails as it would on any
// error, so the one path that takes back temporary files and folders after
// a failure also serves an interruption; the handler itself touches no
// file.  The handlers are installed without SA_RESTART: a read from a pipe,
// or a wait for a helper program, returns with EINTR instead of blocking
// on.  Should the work still not notice (a signal that lands just before a
// blocking call), a second signal ends the process at once, as it would
// without the guard.
#pragma once

#include <string>

namespace pmsetup {

class InterruptionGuard {
 public:
  InterruptionGuard();
  // Puts back the previous handlers.  A signal caught but never reported
  // by Failure (the work was complete when it came) is raised again, so
  // that the process ends as that signal ends it.
  ~InterruptionGuard();
  InterruptionGuard(const InterruptionGuard&) = delete;
  InterruptionGuard& operator=(const InterruptionGuard&) = delete;
};

// The signal caught so far, or 0.
int CaughtSignal();
inline bool Interrupted() { return CaughtSignal() != 0; }

// A shell's exit code for a process ended by signal: 130 for SIGINT, 143
// for SIGTERM, 129 for SIGHUP.
int SignalExitCode(int signal);

// "pmsetup: interrupted by SIGTERM; " + outcome.
std::string InterruptedLine(int signal, const std::string& outcome);

// Reports a failed command: "pmsetup: " + message, or, when a signal
// stopped the work, its InterruptedLine with outcome.  Returns the exit
// code: 1, or the signal's.
int Failure(const std::string& message, const std::string& outcome = "nothing was written");

}  // namespace pmsetup
