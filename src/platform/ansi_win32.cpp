#include <windows.h>

#include "platform/ansi.hpp"

namespace platform {

void UpperCaseAnsi(std::string& text) {
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
}

int SystemCodePage() { return static_cast<int>(GetACP()); }

}  // namespace platform
