// What a file given as a package is: a disk image, read as the package
// on it (package_source.hpp), or, when it is no package, what people take
// for a package's SETUP.EXE (another program, the installer before
// anything was packed into it, a copy cut short), named for what it is
// instead of being called a damaged package.
#pragma once

#include <optional>
#include <string>

namespace pmsetup {

// The image of a disk: a FAT floppy, read with mtools, or an ISO 9660
// CD, read with xorriso.
enum class DiskImage { kNone, kFloppy, kCd };
DiskImage DiskImageOf(const std::string& path);

// Why the file at path (UTF-8, as this system names it) is no package,
// as a phrase for "pmsetup: PATH: ..."; nothing when it is a Windows
// program with data appended to its image: a package, sound or not.
std::optional<std::string> NotAPackage(const std::string& path);

}  // namespace pmsetup
