// The names Windows reserves for devices.
#pragma once

#include <string>

namespace platform {

// Whether a file name (no folder) names a Windows device, such as "NUL",
// "com1.txt" or "CONOUT$", whatever the extension.
bool WindowsDeviceName(const std::string& name);

}  // namespace platform
