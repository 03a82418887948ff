// What the tools ask of the system beyond file access.
#pragma once

#include <string>
#include <vector>

#include "platform/file.hpp"

namespace platform {

// The operating system's own words for an I/O result code.
std::string ErrorText(IoResult code);

// The full path of the running program in UTF-8, or an empty string when
// the system does not tell.
std::string ExecutablePath();

// Whether path names a device of this system by name alone (on Windows:
// "NUL", "CON", ... in any folder; on POSIX a device is a file of its own
// type instead).
bool DeviceByName(const std::string& path);

// The program's arguments in UTF-8, whatever the system's code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace platform
