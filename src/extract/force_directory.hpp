// Making sure a directory exists, creating every missing level from the
// top down.
#pragma once

#include <string>

#include "platform/file.hpp"

namespace extract {

// What ForceDirectory did: the levels it created, which run from the
// highest (first_made) down to the deepest (last_made), each inside the
// one before; and the first level it could not create, with the system's
// reason.
struct DirectoryLevels {
  std::string first_made;
  std::string last_made;
  std::string failed;
  platform::IoResult error = platform::kIoOk;
};

// Whether path names an existing directory (not a plain file) on a drive
// with a usable root.
bool DirectoryExists(const std::string& path);

// True when the directory exists afterwards.  Paths of fewer than three
// characters ("C:", "C:\\", "\\", "") count as present without a test.
// Levels created before a failure stay.  With levels, the levels created
// are recorded there (below any recorded before), and so is a failure.
bool ForceDirectory(const std::string& path, DirectoryLevels* levels = nullptr);

// Removes the levels recorded as made, the deepest first, and forgets
// them.  A level that is no longer empty stays, and so do those above it.
void RemoveCreatedLevels(DirectoryLevels& levels);

}  // namespace extract
