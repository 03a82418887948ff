#include <algorithm>
#include <array>
#include <cctype>

#include "platform/system.hpp"

namespace platform {

bool WindowsDeviceName(const std::string& name) {
  static constexpr std::array kDevices = {"CON",  "PRN",  "AUX",  "NUL",  "CONIN$", "CONOUT$", "COM0", "COM1",
                                          "COM2", "COM3", "COM4", "COM5", "COM6",   "COM7",    "COM8", "COM9",
                                          "LPT0", "LPT1", "LPT2", "LPT3", "LPT4",   "LPT5",    "LPT6", "LPT7",
                                          "LPT8", "LPT9"};
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
  return std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end();
}

}  // namespace platform
