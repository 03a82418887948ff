// Questions on the terminal, and what Ctrl-C, Ctrl-D and the stop signals
// do to them.  The same rules hold at every question: Ctrl-C asks whether
// to cancel the installation (No, the default, goes back to the question),
// and Ctrl-C at that question, end of input (Ctrl-D) or SIGTERM/SIGHUP
// cancels it.
#pragma once

#include <csignal>
#include <optional>
#include <string>

namespace pmsetup {

// Takes SIGINT, SIGTERM and SIGHUP over until ReleaseTerminal.  They only
// raise a flag, for the questions and for the extraction's pump.
// Interactive: questions are asked on the terminal.  Otherwise none is
// asked, and Ctrl-C cancels at once.
void UseTerminal(bool interactive);
void ReleaseTerminal();
bool Interactive();

// Raised by each of those signals; whoever handles the signal lowers it.
volatile std::sig_atomic_t& SignalArrived();

// The signal that cancels the run, or 0: SIGINT once the user confirmed
// it (or at once, when not interactive), SIGTERM or SIGHUP at once.
int StopSignal();

// Shows text (when not empty) and prompt, and returns the line the user
// types, or nothing when the user cancels the installation.  A line with a
// control character in it (an arrow key, Ctrl-L) is refused, and the
// question asked again.
std::optional<std::string> AskForLine(const std::string& text, const std::string& prompt);

// A yes/no question shown as [y/N] or [Y/n]: y, yes, n and no in any case,
// or Enter for the default; anything else gets a hint and is asked again.
// Nothing when the user cancels the installation.
std::optional<bool> AskYesNo(const std::string& text, bool default_yes);

// Ctrl-C's question, the package's CancelConfirm: true when the run is to
// be cancelled.  No lowers the SIGINT that asked it.
bool ConfirmCancel();

}  // namespace pmsetup
