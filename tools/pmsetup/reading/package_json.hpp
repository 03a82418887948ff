// The machine-readable documents of list and verify (README, "Machine-
// readable output").  They are built here, apart from any terminal or
// process, so that a build for the browser can make the same documents.
//
// The members keep the order the README gives them (ordered_json), so that
// a person reading a document finds what the README leads them to expect;
// a program reading one must not depend on the order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "package/integrity_record.hpp"
#include "platform/file.hpp"
#include "reading/package_report.hpp"
#include "reading/stub_version.hpp"

namespace pmsetup {

// The version of both documents.  Members may be added within a version;
// a member that changes its meaning or goes away makes the next one.
constexpr int kJsonVersion = 1;

// What the listing shows of a package that lists, its texts and names
// read in code_page.
nlohmann::ordered_json ListingJson(const PackageFile& package, const std::optional<StubVersion>& stub, int code_page);

// One volume as verify read it.
struct VolumeCheck {
  std::string name;                     // "DISK1.CMP"
  std::optional<std::string> found_at;  // UTF-8; nothing when it was not found
  platform::IoResult problem = platform::kIoOk;  // why it could not be read to its end
  std::string message;                  // the words of verify's line for it
  package::VolumeSum expected;
  std::int64_t size = 0;  // as read, when problem is kIoOk
  std::uint32_t crc = 0;
};

nlohmann::ordered_json VolumeJson(const VolumeCheck& volume);

// The verify document: installer_damage is nullptr for an installer as
// packed; volumes is nothing when the disks could not be checked.  A
// caller adds members of its own to the object this returns.
nlohmann::ordered_json VerifyJson(const char* installer_damage, const std::optional<std::vector<VolumeCheck>>& volumes,
                                  bool sound);

// What survives the first bad volume (reading/salvage.hpp): the files of
// block that are whole within the first decodable payload bytes, and
// those lost, by the names they carry.
nlohmann::ordered_json SalvageJson(const std::string& first_bad, std::int64_t decodable,
                                   const package::SetupBlock& block, int code_page);

// A document as the commands print it: two spaces an indent, a line break
// at the end, and any bytes of a path that are no UTF-8 as U+FFFD.
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace pmsetup
