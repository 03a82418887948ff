// The installer's questions, messages and progress bar on a terminal.
#pragma once

#include <string>

#include "extract/front_end.hpp"

namespace pmsetup {

// The extraction's front end on the terminal, to be handed to LoadPackage.
extract::FrontEnd TerminalFrontEnd();

// Sets how the front end behaves from here on.  SIGINT, SIGTERM and
// SIGHUP cancel the run.  Interactive: questions are asked on the terminal
// and Ctrl-C asks whether to cancel.  Otherwise every question is
// answered with its second button (a missing disk is not waited for) and
// Ctrl-C cancels at once.
void UseTerminal(bool interactive);

// Puts back the default handling of those signals.
void ReleaseTerminal();

// The signal that cancelled the run, or 0.
int StopSignal();

// The last question declined on the user's behalf, for the report.
const std::string& DeclinedQuestion();

// Asks for a line, showing the default an empty answer stands for (if
// any).  False at the end of input or on Ctrl-C.
bool AskLine(const std::string& prompt, const std::string& shown_default, std::string& answer);

}  // namespace pmsetup
