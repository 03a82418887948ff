// Starting the installed program through the shell.
#pragma once

namespace shell {

// Opens the main program by its bare name with InstallDir as the working
// directory, in a normal window.  The outcome is not reported.
void LaunchProgram();

}  // namespace shell
