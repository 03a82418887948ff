// Building a package: SETUP.EXE (the installer stub with the setup block
// appended) and the compressed payload cut into volumes DISK1.CMP, ....
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "packing/media.hpp"

namespace pmsetup {

// One volume's share of the compressed stream.
struct VolumeSpan {
  std::size_t offset;
  std::size_t size;
};

// Cuts a stream into volumes as it grows: the first holds at most
// first_capacity bytes (its disk also carries SETUP.EXE), every other at
// most capacity.  The first volume is there from the start, so that an
// empty stream still gets one; each later one begins with its first byte.
class VolumeCutter {
 public:
  VolumeCutter(std::uint64_t first_capacity, std::uint64_t capacity) : room_(first_capacity), capacity_(capacity) {}

  // How many of the next size bytes (at least one) go to one volume: to
  // the last one begun while it has room, else to a new one.
  std::uint64_t Next(std::uint64_t size) {
    if (room_ == 0) {
      ++volumes_;
      room_ = capacity_;
    }
    const std::uint64_t share = std::min(size, room_);
    room_ -= share;
    return share;
  }

  int Volumes() const { return volumes_; }

 private:
  std::uint64_t room_;
  std::uint64_t capacity_;
  int volumes_ = 1;
};

// The room on each disk for a package whose SETUP.EXE without its
// integrity record takes setup_size bytes, and whose files add up to
// payload_size bytes: room is kept for the record's largest possible size.
std::optional<VolumeRoom> RoomForVolumes(const Medium& medium, std::uint64_t setup_size, std::uint64_t payload_size,
                                         std::string& error);

// The volumes of a whole stream, cut as above.
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
