// Upper-casing by the rules of Windows code page 1252, the code page that
// packages are written in by default.
#include "platform/ansi.hpp"

#include "platform/code_page.hpp"

namespace platform {
namespace {

unsigned char Upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // à..þ except ÷
  switch (c) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0x9E: return 0x8E;  // ž
    case 0xFF: return 0x9F;  // ÿ
    default: return c;
  }
}

}  // namespace

void UpperCaseAnsi(std::string& text) {
  for (char& c : text) c = static_cast<char>(Upper1252(static_cast<unsigned char>(c)));
}

int SystemCodePage() { return AnsiCodePage; }

}  // namespace platform
