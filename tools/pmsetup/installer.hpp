// Installing a package natively: the installer's sequence without
// windows.  The setup data comes from the package's SETUP.EXE, the
// volumes from its folder, and the user interface is the front end the
// caller sets in extract::UserInterface.
#pragma once

#include <optional>
#include <string>

#include "extract/extraction_run.hpp"

namespace pmsetup {

struct InstallResult {
  bool installed = false;
  std::string problem;  // what went wrong, for the user; empty on success
  // A failed run that got as far as writing the main program leaves part
  // of the payload in its place, as SETUP.EXE does.
  bool main_program_partial = false;
};

// A path as the user writes it (UTF-8, '/') as the installer takes it:
// '/' becomes '\', the text goes into the ANSI code page, and a relative
// path is made absolute first (the installer takes any path shorter than
// "C:\" for a root that exists, so "./d" would work and "d" would not).
// Check UnsuitablePath first: a character without a place in the code
// page would stay as its UTF-8 bytes.
std::string InstallerPath(const std::string& path);

// Why the installer cannot take path (made absolute): a colon, or a
// character without a place in the ANSI code page.  Empty when it can.
std::string UnsuitablePath(const std::string& path);

// A text of the package or of the installer (ANSI code page) for the
// terminal (UTF-8).
std::string Shown(const std::string& text);

// An installer path as the user writes it: UTF-8, '\' back to '/'.
std::string DisplayPath(const std::string& path);

// Reads the package's setup data into package::Setup and sets SourceDir;
// returns a problem, or an empty string.
std::string LoadPackage(const std::string& setup_exe);

// Creates destination (an installer path) and extracts the loaded package
// into it.
InstallResult InstallInto(const std::string& destination);

// Why an extraction that did not install failed, for the user.
std::string Explain(extract::Outcome outcome);

}  // namespace pmsetup
