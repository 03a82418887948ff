// What the extraction needs from the user interface that runs it: the
// Windows dialogs in SETUP.EXE, the terminal in pmsetup install.  The
// start of an installation (installation.hpp) puts it in UserInterface.
#pragma once

#include <csignal>
#include <cstdint>
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
  // For a pump that has work only once a signal handler raises a flag:
  // the flag.  The tools' inlined reader then runs the pump while the flag
  // is raised, instead of calling it for every byte to find it lowered.
  const volatile std::sig_atomic_t* pump_wanted = nullptr;
  // Where volume number is when it is not in SourceDir (the tools find
  // disks in folders of their own and inside disk images): an installer
  // path, or empty for SourceDir.  Asked at every attempt to open it.
  std::string (*locate_volume)(std::int32_t number) = nullptr;
};

inline FrontEnd UserInterface;

// Runs the pump where it has work: between passes over a file, and after
// work that pumps nothing, so that a cancel asked for meanwhile is heard.
inline void PumpIfWanted() {
  const FrontEnd& ui = UserInterface;
  if (ui.pump != nullptr && (ui.pump_wanted == nullptr || *ui.pump_wanted != 0)) ui.pump();
}

}  // namespace extract
