// What the extraction needs from the user interface that runs it: the
// Windows dialogs in SETUP.EXE, the terminal in pmsetup install.  The
// start of an installation (installation.hpp) puts it in UserInterface.
#pragma once

#include <string>

namespace extract {

struct FrontEnd {
  // Runs after every input byte the volume reader delivers: the place to
  // handle window messages, or a cancel request.
  void (*pump)() = nullptr;
  // Shows text with one or two buttons (labels from the yes/no or the
  // OK/Cancel pair); true when the first was chosen.
  bool (*ask)(const std::string& text, int buttons, bool yes_no) = nullptr;
  // Shows a new whole percentage; fraction is the exact share done, 0 to 1.
  void (*show_progress)(int percent, double fraction) = nullptr;
};

inline FrontEnd UserInterface;

}  // namespace extract
