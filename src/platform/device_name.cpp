#include "platform/device_name.hpp"

#include <algorithm>
#include <cstring>

namespace platform {

bool WindowsDeviceName(const std::string& name) {
  // The part before the first dot, without trailing spaces, in capitals.
  std::size_t length = std::min(name.find('.'), name.size());
  while (length > 0 && name[length - 1] == ' ') --length;
  char stem[8] = {};
  if (length < 3 || length >= sizeof stem) return false;
  for (std::size_t k = 0; k < length; ++k) stem[k] = name[k] >= 'a' && name[k] <= 'z' ? name[k] - 0x20 : name[k];
  if (length == 4 && (std::memcmp(stem, "COM", 3) == 0 || std::memcmp(stem, "LPT", 3) == 0) && stem[3] >= '0' &&
      stem[3] <= '9') {
    return true;
  }
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (std::strcmp(stem, device) == 0) return true;
  }
  return false;
}

}  // namespace platform
