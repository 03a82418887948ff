// Making sure a directory exists, creating every missing level from the
// top down.
#pragma once

#include <string>

namespace extract {

// Whether path names an existing directory (not a plain file) on a drive
// with a usable root.
bool DirectoryExists(const std::string& path);

// True when the directory exists afterwards.  Paths of fewer than three
// characters ("C:", "C:\\", "\\", "") count as present without a test.
// Levels created before a failure stay.
bool ForceDirectory(const std::string& path);

}  // namespace extract
