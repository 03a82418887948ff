// Installing a package natively: the installer's sequence without
// windows.  The setup data comes from the package's SETUP.EXE, the
// volumes from its folder, and the user interface is the front end the
// caller hands to LoadPackage.
#pragma once

#include <optional>
#include <string>

#include "extract/front_end.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

struct InstallResult {
  bool installed = false;
  std::string problem;  // what went wrong, for the user; empty on success
};

// A path as the user writes it (UTF-8, '/') as the installer takes it:
// made absolute (the installer takes any path shorter than "C:\" for a
// root that exists, so "./d" would work and "d" would not), in the ANSI
// code page, with '\' between its parts; a path of this system, naming
// exactly the file it names here.  Or, with path empty, why it cannot be:
// a colon or a backslash (the installer reads both as separators), or a
// character without a place of its own in the code page.
struct ConvertedPath {
  std::string path;
  std::string problem;
};
ConvertedPath ConvertPath(const std::string& path);

// ConvertPath's path alone, for paths known to suit.
std::string InstallerPath(const std::string& path);

// Starts the installation of the package whose SETUP.EXE is setup_exe (a
// path as the user writes it) with front_end as its user interface;
// returns a problem, or an empty string.
std::string LoadPackage(const std::string& setup_exe, const extract::FrontEnd& front_end);

// Creates destination (an installer path) and extracts the loaded package
// into it.  A failure leaves the destination as it was.
InstallResult InstallInto(const std::string& destination);

}  // namespace pmsetup
