// The extraction's user interface on the terminal: its questions (see
// terminal_questions.hpp for how they are answered) and its progress bar.
#pragma once

#include <string>

#include "extract/front_end.hpp"

namespace pmsetup {

class PackageSource;

// The front end to hand to LoadPackage; it looks for the volumes where
// source finds them.
extract::FrontEnd TerminalFrontEnd(PackageSource& source);

// Starts the progress bar, with the package's ProgressCaption, for the
// extraction that follows.
void StartProgress();

// Wipes the progress bar, so that a message after it starts a clean line.
void EndProgress();

// Whether the disk prompt was declined unseen (no terminal, or --yes),
// for the report.
bool DeclinedDiskPrompt();

// "DISK2.CMP was not found in A and B": the volume the run waits for, and
// where it was looked for.
std::string MissingVolume();

}  // namespace pmsetup
