// Human-readable descriptions of a package and of what is wrong with one.
#pragma once

#include <ostream>
#include <string>

#include "package/setup_block.hpp"

namespace pmsetup {

// Reads the setup block of the file the tool names by path (UTF-8, as
// this system names it), whatever code page the package is in.
platform::IoResult ReadPackageFile(const std::string& path, package::SetupBlock& block);

// Explains why ReadSetupBlock failed with code on the file at path: the
// file cannot be read at all, or it is a damaged package.
std::string DescribeReadFailure(const std::string& path, platform::IoResult code);

// What PackageDefect found, for the user: the bare installer carries no
// package; anything else is a damaged one.
std::string DescribeDefect(const char* defect);

// Writes the header values, the texts and the entries, main program first.
void PrintPackage(std::ostream& out, const package::SetupBlock& block);

}  // namespace pmsetup
