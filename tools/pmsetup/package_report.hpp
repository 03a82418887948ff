// Human-readable descriptions of a package and of what is wrong with one.
#pragma once

#include <ostream>
#include <string>

#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace pmsetup {

// Explains why ReadSetupBlock failed with code on the file at path: the
// file cannot be read at all, or it is a damaged package.
std::string DescribeReadFailure(const std::string& path, platform::IoResult code);

// Writes the header values, the texts, the entries, main program first,
// and what the integrity record holds, or that there is none.
void PrintPackage(std::ostream& out, const package::SetupBlock& block, const package::IntegrityRecord& record);

// "0x1234ABCD".
std::string CrcText(std::uint32_t crc);

}  // namespace pmsetup
