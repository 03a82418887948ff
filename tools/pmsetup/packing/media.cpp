#include "packing/media.hpp"

#include <array>

#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

// A CD holds 2048 bytes in each of 75 sectors a second: 74 minutes for
// the 650 MB disc, 80 for the 700 MB one.  Of those sectors the ISO 9660
// image takes some for itself: 16 of system area, the volume descriptors,
// path tables, root directory and checksum tags (56 before the first file
// and 7 after the last), 150 of padding after the image (300 KiB, for
// drives that read ahead past the end), and the rounding of the image to
// a multiple of 32 sectors.  xorriso 1.5.4 made images of one file and of
// two files of every size from 1 to 64 sectors with 208 to 239 such
// sectors, depending on where the rounding falls; 256 are kept free.
constexpr std::uint32_t kCdSector = 2048;
constexpr std::uint32_t kIsoOwnSectors = 256;

constexpr Medium Floppy(const char* name, std::uint64_t capacity, std::uint32_t cluster_size,
                        std::uint32_t root_entries, FloppyFormat format) {
  return Medium{name, FileSystem::kFat12, capacity, cluster_size, root_entries, true, format, 0};
}

constexpr Medium Cd(const char* name, std::uint32_t sectors) {
  return Medium{name, FileSystem::kIso9660, std::uint64_t{sectors - kIsoOwnSectors} * kCdSector, kCdSector, 0,
                false, {}, sectors};
}

// The floppies as mformat lays them out with the standard values of each
// format (the same image as mformat -f 360, 720, 1200, 1440 or 2880).
// Capacity, cluster size and root entries are what minfo and mdir report
// for a freshly formatted image: the free bytes are the data area, the
// boot sector, both FATs and the root directory already taken.
//                          capacity  cluster  root   cyl heads spt  spc root-sectors FAT media
constexpr std::array kPresets{
    Floppy("360K",   362'496, 1024, 112, {40, 2,  9, 2,  7, 2, 0xFD}),
    Floppy("720K",   730'112, 1024, 112, {80, 2,  9, 2,  7, 3, 0xF9}),
    Floppy("1.2M", 1'213'952,  512, 224, {80, 2, 15, 1, 14, 7, 0xF9}),
    Floppy("1.44M", 1'457'664, 512, 224, {80, 2, 18, 1, 14, 9, 0xF0}),
    Floppy("2.88M", 2'931'712, 1024, 240, {80, 2, 36, 2, 15, 9, 0xF0}),
    Cd("cd650", 333'000),
    Cd("cd700", 360'000),
};

std::string Describe(const Medium& medium) {
  if (!medium.name.empty()) return "a " + std::string(medium.name) + " disk";
  return "--disk-size " + std::to_string(medium.capacity);
}

}  // namespace

std::span<const Medium> Presets() { return kPresets; }

const Medium* FindPreset(const std::string& name) {
  for (const Medium& medium : kPresets) {
    if (medium.name == name) return &medium;
  }
  return nullptr;
}

Medium SizedMedium(std::uint64_t bytes, std::uint32_t cluster_size) {
  return Medium{"", FileSystem::kUnknown, bytes, cluster_size, 0, false, {}, 0};
}

std::uint64_t Allocated(const Medium& medium, std::uint64_t size) {
  return (size + medium.cluster_size - 1) / medium.cluster_size * medium.cluster_size;
}

std::optional<VolumeRoom> RoomForVolumes(const Medium& medium, std::uint64_t setup_exe_size, std::string& error) {
  // The first disk's root holds SETUP.EXE and DISK1.CMP.
  if (medium.root_entries != 0 && medium.root_entries < 2u + (medium.labelled ? 1u : 0u)) {
    error = Describe(medium) + " has root entries for fewer files than SETUP.EXE and DISK1.CMP";
    return std::nullopt;
  }
  const std::uint64_t whole_clusters = medium.capacity / medium.cluster_size * medium.cluster_size;
  const std::uint64_t setup_exe = Allocated(medium, setup_exe_size);
  if (whole_clusters <= setup_exe) {
    error = Describe(medium) + " leaves no room beside SETUP.EXE (" + ByteCount(setup_exe_size) + ", " +
            Thousands(setup_exe) + " on the disk in " + Thousands(medium.cluster_size) +
            "-byte clusters) on the first disk";
    return std::nullopt;
  }
  return VolumeRoom{whole_clusters - setup_exe, whole_clusters};
}

std::string PresetTable() {
  std::string table;
  for (const Medium& medium : kPresets) {
    table += "  " + std::string(medium.name) + std::string(7 - medium.name.size(), ' ') + ByteCount(medium.capacity, 11) +
             " in " + Thousands(medium.cluster_size) + "-byte clusters" +
             (medium.file_system == FileSystem::kFat12
                  ? ", FAT12, " + std::to_string(medium.root_entries) + " root entries\n"
                  : ", ISO 9660\n");
  }
  return table;
}

}  // namespace pmsetup
