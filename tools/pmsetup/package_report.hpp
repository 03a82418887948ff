// Human-readable descriptions of a package and of what is wrong with one.
#pragma once

#include <ostream>
#include <string>

#include "package/setup_block.hpp"

namespace pmsetup {

// Explains why ReadSetupBlock failed with code on the file at path: the
// file cannot be read at all, or it is a damaged package.
std::string DescribeReadFailure(const std::string& path, platform::IoResult code);

// Writes the header values, the texts and the entries, main program first.
void PrintPackage(std::ostream& out, const package::SetupBlock& block);

}  // namespace pmsetup
