// How a listing writes a package's header values, the same in the text
// listing and the machine-readable one, so that the two never disagree.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace pmsetup {

// "#RRGGBB" for a colour the setup block holds as Windows does, red in the
// low byte.
inline std::string ColourText(std::uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return text;
}

}  // namespace pmsetup
