// The disks a package ships on: what a file really takes on each, and how
// much of the compressed stream fits beside SETUP.EXE and on every other.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pmsetup {

enum class FileSystem { kUnknown, kFat12, kIso9660 };

// How mformat lays out a FAT12 floppy: geometry and boot-sector values.
struct FloppyFormat {
  int cylinders;
  int heads;
  int sectors_per_track;
  int sectors_per_cluster;
  int root_sectors;
  int fat_sectors;
  int media_byte;
};

struct Medium {
  std::string_view name;        // as --media takes it; empty for --disk-size
  FileSystem file_system;
  std::uint64_t capacity;       // bytes left for files on a freshly made disk
  std::uint32_t cluster_size;   // every file takes a whole number of these
  std::uint32_t root_entries;   // files the root directory holds; 0: no limit
  bool labelled;                // a volume label takes one root entry
  FloppyFormat floppy;          // kFat12 only
  std::uint32_t sectors;        // kIso9660 only: 2048-byte sectors of the disc
};

// The presets, floppies first.
std::span<const Medium> Presets();
const Medium* FindPreset(const std::string& name);

// A disk of the given size whose files take whole clusters of cluster_size.
Medium SizedMedium(std::uint64_t bytes, std::uint32_t cluster_size);

// Bytes a file of the given size takes on the medium.
std::uint64_t Allocated(const Medium& medium, std::uint64_t size);

// Room for the volume beside SETUP.EXE on the first disk, and for the
// volume on every other disk.
struct VolumeRoom {
  std::uint64_t first;
  std::uint64_t other;
};

// Nothing, with error set, when the first disk has no room for a volume
// beside SETUP.EXE or a disk none at all.
std::optional<VolumeRoom> RoomForVolumes(const Medium& medium, std::uint64_t setup_exe_size, std::string& error);

// "1.44M  1,457,664 bytes in 512-byte clusters, 224 root entries" lines for --help.
std::string PresetTable();

}  // namespace pmsetup
