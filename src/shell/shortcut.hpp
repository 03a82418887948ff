// The Start-menu program group with a shortcut to the installed program.
#pragma once

namespace shell {

// Creates the group folder (GroupName) in the user's Programs folder, as
// the registry names it, and saves a shortcut to the main program there:
// the program's name with the extension ".LNK", starting in InstallDir in
// a normal window.  Nothing is reported; any failure ends the step.
void CreateProgramShortcut();

}  // namespace shell
