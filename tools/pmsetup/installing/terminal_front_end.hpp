// The extraction's user interface on the terminal: its questions (see
// terminal_questions.hpp for how they are answered) and its progress bar.
#pragma once

#include <string>

#include "extract/front_end.hpp"

namespace pmsetup {

// The front end to hand to LoadPackage.
extract::FrontEnd TerminalFrontEnd();

// Starts the progress bar, with the package's ProgressCaption, for the
// extraction that follows.
void StartProgress();

// Wipes the progress bar, so that a message after it starts a clean line.
void EndProgress();

// Whether the disk prompt was declined unseen (no terminal, or --yes),
// for the report.
bool DeclinedDiskPrompt();

}  // namespace pmsetup
