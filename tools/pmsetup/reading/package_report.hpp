// Human-readable descriptions of a package and of what is wrong with one.
#pragma once

#include <ostream>
#include <string>

#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"
#include "reading/stub_version.hpp"

namespace pmsetup {

// A package's SETUP.EXE as the tool reads it: its integrity record, what
// that says of the setup data, and the setup block.
struct PackageFile {
  package::IntegrityRecord record;
  package::RecordCheck check = package::RecordCheck::kAbsent;
  package::SetupBlock block;
  // Why the file details record cannot be used (a damaged package), or nullptr.
  const char* details_damage = nullptr;

  PackageFile() = default;
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;
  ~PackageFile() { package::FreeFileList(block); }
};

// Reads the file the tool names by path (UTF-8, as this system names it),
// whatever code page the package is in.
platform::IoResult ReadPackageFile(const std::string& path, PackageFile& package);

// Explains why ReadSetupBlock failed with code on the file at path: the
// file cannot be read at all, or it is a damaged package.
std::string DescribeReadFailure(const std::string& path, platform::IoResult code);

// What PackageDefect found, for the user: the bare installer carries no
// package; anything else is a damaged one.
std::string DescribeDefect(const char* defect);

// Why the file at path cannot be used as a package, from the read's code
// and PackageDefect's (or the record's) defect: first what the file is
// when it is no package at all, else what is wrong with the package.
std::string DescribeUnusable(const std::string& path, platform::IoResult code, const char* defect);

// Writes the stub's version, the header values, the texts, the entries,
// main program first, and what the integrity record holds, or that there
// is none.  Texts and names are shown as characters of code_page.
void PrintPackage(std::ostream& out, const std::optional<StubVersion>& stub, const package::SetupBlock& block,
                  const package::IntegrityRecord& record, int code_page);

// When some of the package's texts or names have bytes with no character
// in code_page, a sentence saying so and naming the code pages in which
// all of them read; else empty.
std::string CodePageHint(const package::SetupBlock& block, int code_page);

// "0x1234ABCD".
std::string CrcText(std::uint32_t crc);

}  // namespace pmsetup
