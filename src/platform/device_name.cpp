#include "platform/device_name.hpp"

#include <algorithm>
#include <string_view>

namespace platform {
namespace {

// Windows reads a name as Unicode before it looks for a device, so the
// superscript digits one, two and three (U+00B9, U+00B2, U+00B3) stand for
// the port digits 1 to 3 wherever a code page has them.  Where code page
// 1252 writes them (0xB9, 0xB2, 0xB3) they are refused in every code page:
// in another one they are letters (1250's 0xB9 is a-ogonek), and a name
// such as "COM" plus one of them is no loss.  Elsewhere they are these.
struct Superscript {
  int code_page;
  std::string_view bytes;
};
constexpr Superscript kSuperscripts[] = {
    {437, "\xFD"}, {720, "\xFD"}, {737, "\xFD"}, {860, "\xFD"}, {861, "\xFD"}, {862, "\xFD"}, {865, "\xFD"},
    {775, "\xFB"}, {775, "\xFD"}, {775, "\xFC"}, {850, "\xFB"}, {850, "\xFD"}, {850, "\xFC"},
    {857, "\xFB"}, {857, "\xFD"}, {857, "\xFC"}, {858, "\xFB"}, {858, "\xFD"}, {858, "\xFC"},
    {863, "\xFD"}, {863, "\xA6"}, {869, "\x99"}, {869, "\x9A"},
    {949, "\xA9\xF6"}, {949, "\xA9\xF7"}, {949, "\xA9\xF8"},
    {65001, "\xC2\xB9"}, {65001, "\xC2\xB2"}, {65001, "\xC2\xB3"},  // UTF-8, the tools' own paths on Windows
};

// The character after COM or LPT: 0 to 9, or a superscript one to three.
bool PortDigit(std::string_view digit, int code_page) {
  if (digit.size() == 1) {
    const auto byte = static_cast<unsigned char>(digit[0]);
    if ((byte >= '0' && byte <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3) return true;
  }
  return std::any_of(std::begin(kSuperscripts), std::end(kSuperscripts), [&](const Superscript& superscript) {
    return superscript.code_page == code_page && superscript.bytes == digit;
  });
}

}  // namespace

bool WindowsDeviceName(const std::string& name, int code_page) {
  // The part before the first dot, without trailing spaces, in capitals.
  std::size_t length = std::min(name.find('.'), name.size());
  while (length > 0 && name[length - 1] == ' ') --length;
  std::string stem = name.substr(0, length);
  for (char& c : stem) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
  const std::string_view port(stem);
  if (port.size() > 3 && (port.substr(0, 3) == "COM" || port.substr(0, 3) == "LPT") &&
      PortDigit(port.substr(3), code_page)) {
    return true;
  }
  // CONIN$ and CONOUT$ open the console on current Windows.  CLOCK$ is a
  // plain file name on Windows NT, but Windows 95 and 98 still load the
  // MS-DOS clock driver under that name, and SETUP.EXE runs there too.
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (stem == device) return true;
  }
  return false;
}

}  // namespace platform
