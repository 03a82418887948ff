// Text operations that depend on the system's ANSI code page.
#pragma once

#include <string>

namespace platform {

// Upper-cases in place by the system's ANSI rules; the length never changes.
void UpperCaseAnsi(std::string& text);

// The ANSI code page that installers' names and paths are in: the
// system's on Windows, AnsiCodePage on POSIX.
int SystemCodePage();

}  // namespace platform
