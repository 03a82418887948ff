// The version resource of an installer stub: which SETUP.EXE a package
// was made with.  The reader parses bytes only, so it runs anywhere, and
// trusts none of them: a damaged or foreign file gives no version.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pmsetup {

struct StubVersion {
  std::string product;  // ProductName, printable ASCII (anything else shows as '?'); may be empty
  std::string version;  // the fixed file version: "1.2.3", or "1.2.3.4" when the fourth part is not 0
  bool operator==(const StubVersion&) const = default;
};

// The version of the Windows executable exe: the file version from its
// fixed information and the ProductName of its first string table that
// has one.  Nothing when exe is no PE file, carries no version resource,
// or any part of the way there lies outside its bytes.  Data appended
// after the image (a package's setup data) is never looked at.
std::optional<StubVersion> ReadStubVersion(std::span<const std::uint8_t> exe);

// The same for the plain file at path (UTF-8); nothing when it cannot be
// read.  Only the first 16 MiB are read: no stub comes near that.
std::optional<StubVersion> ReadStubVersionOf(const std::string& path);

// "Pagemix Setup 1.2.3", or a phrase saying that there is no version.
std::string DescribeStubVersion(const std::optional<StubVersion>& stub);

}  // namespace pmsetup
