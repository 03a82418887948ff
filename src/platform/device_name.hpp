// The names Windows reserves for devices.
#pragma once

#include <string>

namespace platform {

// Whether a file name (no folder), bytes in code_page, names a Windows
// device, such as "NUL", "com1.txt", "LPT\xB2" (superscript two, as 1252
// writes it), "CONOUT$" or "CLOCK$", in any case and whatever the
// extension.  This one table serves every rule about names
// (package/file_name.hpp, package/group_name.hpp) and the Windows tools.
bool WindowsDeviceName(const std::string& name, int code_page);

}  // namespace platform
