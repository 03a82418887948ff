// The names Windows reserves for devices.
#pragma once

#include <string>

namespace platform {

// Whether a file name (no folder) names a Windows device, such as "NUL",
// "com1.txt", "LPT\xB2" (superscript two), "CONOUT$" or "CLOCK$", in any
// case and whatever the extension.  This one table serves every rule about
// names (package/file_name.hpp) and the Windows file layer.
bool WindowsDeviceName(const std::string& name);

}  // namespace platform
