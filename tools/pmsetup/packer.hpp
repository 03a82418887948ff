// Building a package: SETUP.EXE (the installer stub with the setup block
// appended) and the compressed payload cut into volumes DISK1.CMP, ....
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media.hpp"

namespace pmsetup {

// One volume's share of the compressed stream.
struct VolumeSpan {
  std::size_t offset;
  std::size_t size;
};

// Cuts a stream into volumes: the first holds at most first_capacity bytes
// (its disk also carries SETUP.EXE), every other at most capacity.  An
// empty stream still gets one (empty) volume.
std::vector<VolumeSpan> SplitVolumes(std::size_t stream_size, std::size_t first_capacity, std::size_t capacity);

struct PackOptions {
  std::string manifest;
  std::string out_dir;
  std::string stub;                      // empty: the SETUP.EXE beside pmsetup
  std::optional<Medium> medium;          // the disks; none: one volume
  bool folder_per_disk = false;          // DISK1/, DISK2/, ... inside out_dir
  bool disk_images = false;              // DISK1.IMG, ... (or .ISO) inside out_dir; needs a preset medium
};

// Builds the package and prints what it made; returns the exit code.
// Nothing is left behind in out_dir when it fails.
int Pack(const PackOptions& options);

}  // namespace pmsetup
