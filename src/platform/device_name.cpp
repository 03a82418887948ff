#include "platform/device_name.hpp"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// The digit after COM or LPT: 0 to 9, or the superscripts 1, 2 and 3 as
// code page 1252 writes them (0xB9, 0xB2, 0xB3), which Windows also takes
// for those ports.  The three bytes are refused in every code page: in
// another one they are letters (1250's 0xB9 is a-ogonek), and a name such
// as "COM" plus one of them is no loss.
bool PortDigit(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= '0' && byte <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

}  // namespace

bool WindowsDeviceName(const std::string& name) {
  // The part before the first dot, without trailing spaces, in capitals.
  std::size_t length = std::min(name.find('.'), name.size());
  while (length > 0 && name[length - 1] == ' ') --length;
  char stem[8] = {};
  if (length < 3 || length >= sizeof stem) return false;
  for (std::size_t k = 0; k < length; ++k) stem[k] = name[k] >= 'a' && name[k] <= 'z' ? name[k] - 0x20 : name[k];
  if (length == 4 && (std::memcmp(stem, "COM", 3) == 0 || std::memcmp(stem, "LPT", 3) == 0) && PortDigit(stem[3])) {
    return true;
  }
  // CONIN$ and CONOUT$ open the console on current Windows.  CLOCK$ is a
  // plain file name on Windows NT, but Windows 95 and 98 still load the
  // MS-DOS clock driver under that name, and SETUP.EXE runs there too.
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (std::strcmp(stem, device) == 0) return true;
  }
  return false;
}

}  // namespace platform
