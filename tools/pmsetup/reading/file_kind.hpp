// What a file given as a package is, when it is none: the files people
// take for a package's SETUP.EXE (a disk image, another program, the
// installer before anything was packed into it) are named for what they
// are instead of being called damaged packages.
#pragma once

#include <optional>
#include <string>

namespace pmsetup {

// Why the file at path (UTF-8, as this system names it) is no package,
// as a phrase for "pmsetup: PATH: ..."; nothing when it is a Windows
// program with data appended to its image: a package, sound or not.
std::optional<std::string> NotAPackage(const std::string& path);

}  // namespace pmsetup
