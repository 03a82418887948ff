// The start of an installation, the same in SETUP.EXE and pmsetup
// install: the package is loaded, the session's values set, the front end
// put in place and the run let go; then, once the user has chosen it, the
// destination.  Only then may the extraction run.
#pragma once

#include <string>

#include "extract/front_end.hpp"
#include "extract/run_state.hpp"
#include "platform/file.hpp"

namespace extract {

// Why a package cannot be installed: the system's error code, or
// kShortRead when its setup data ends inside a field; or, for setup data
// that reads, what is wrong with it.
struct PackageProblem {
  platform::IoResult read = platform::kIoOk;
  const char* defect = nullptr;

  explicit operator bool() const { return read != platform::kIoOk || defect != nullptr; }
};

// Reads the setup data of the SETUP.EXE at setup_path (an installer path)
// into package::Setup, replacing any loaded before, and takes the folder
// that holds it as SourceDir and the package's button labels.  Installs
// front_end as UserInterface and starts the run afresh: Running set,
// nothing recorded.  A package with an integrity record has its setup
// data checked against it first, and the record kept as package::Integrity.  A package that cannot be installed comes back as its
// problem, and nothing may then be extracted.
PackageProblem StartInstallation(const std::string& setup_path, const FrontEnd& front_end);

// Takes destination (an installer path) as InstallDir, with BlobPath in
// it, and creates every missing level of it; false when it does not exist
// afterwards, and then the levels it made are removed again and
// Extraction.Destination names the level that failed.  The levels made
// are kept in Extraction.Destination, for a failed run to remove.  The
// run goes on either way: SETUP.EXE asks again.
bool ChooseDestination(const std::string& destination);

// For a destination known beforehand: chooses it and runs the extraction
// (extraction_run.hpp), or ends the run as kNoDestination at the level
// that cannot be created.  Returns how the run ended.
Outcome InstallInto(const std::string& destination);

}  // namespace extract
