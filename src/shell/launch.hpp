// Starting the installed program through the shell.
#pragma once

#include <windows.h>

namespace shell {

// Opens the main program by its bare name with InstallDir as the working
// directory, in a normal window owned by owner.  The outcome is not
// reported.
void LaunchProgram(HWND owner);

}  // namespace shell
