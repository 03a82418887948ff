// Installing a package through the core alone, the way both installers
// start one: the package, then the destination, then the extraction.
#pragma once

#include <string>

#include "extract/front_end.hpp"
#include "extract/run_state.hpp"

namespace testing_support {

// A path of this system's test folders (plain ASCII, absolute) with the
// installer's separator.
std::string BackslashPath(const std::string& path);
// And back.
std::string SlashPath(const std::string& path);

struct Installation {
  bool refused = false;  // the package could not be loaded
  const char* defect = nullptr;  // why, when its setup data read
  extract::Outcome outcome = extract::Outcome::kUnderway;
  extract::StopPoint stop;

  bool installed() const { return outcome == extract::Outcome::kInstalled; }
  // For failure messages.
  std::string problem() const;
};

// Installs the package whose SETUP.EXE is setup_exe into destination
// (both paths of this system) with front_end in place of the dialogs.
Installation InstallPackage(const std::string& setup_exe, const std::string& destination,
                            const extract::FrontEnd& front_end);

}  // namespace testing_support
