// Builds complete packages (SETUP.EXE with its setup block, and volumes)
// in a folder, the way pmsetup pack lays them out, from files in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/block_writer.hpp"

namespace testing_support {

struct PackageFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

struct BuiltPackage {
  std::string setup_exe;                  // path of SETUP.EXE
  std::vector<std::string> volumes;       // paths of DISK1.CMP, ...
  std::vector<std::uint8_t> payload;      // the files back to back
};

// Files in list order, main program first.  volume_sizes gives each
// volume's size but the last, which takes the rest; empty: one volume.
// disk_count overrides the count stored in the block when not negative;
// extra entries are listed after the files, pointing wherever they say.
BuiltPackage BuildPackage(const std::string& folder, const std::vector<PackageFile>& files,
                          const std::vector<std::size_t>& volume_sizes = {}, int disk_count = -1,
                          const std::vector<package::PackageEntry>& extra = {});

// Writes to setup_exe the package's SETUP.EXE with an integrity record of
// its volumes and payload, as pmsetup pack makes it, and the file details
// record details (EncodeFileDetails) in front of it when there is one.
void WriteWithIntegrityRecord(const BuiltPackage& built, const std::string& setup_exe,
                              const std::vector<std::uint8_t>& details = {});

}  // namespace testing_support
