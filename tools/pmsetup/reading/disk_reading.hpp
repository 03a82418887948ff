// Reading a disk's volume whole, to compare it with what the package's
// integrity record says of it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "package/integrity_record.hpp"
#include "platform/file.hpp"
#include "reading/package_source.hpp"
#include "terminal/progress_bar.hpp"

namespace pmsetup {

// What was read of one volume: its size and CRC, or why it could not be.
struct DiskReading {
  platform::IoResult problem = platform::kIoOk;
  std::int64_t size = 0;
  std::uint32_t crc = 0;
};

// Reads the volume at path (an installer path) to its end, adding the
// bytes read to done and showing them on progress.
DiskReading ReadDisk(const std::string& path, ProgressBar& progress, std::uint64_t& done);

// "good", "missing", "damaged: ..." and so on, as verify prints it.
std::string Verdict(const DiskReading& reading, const package::VolumeSum& recorded);

// One volume as ReadVolumes read it: where it was found (nothing when
// nowhere), what was read, and the verdict.
struct VolumeReading {
  int number;
  std::optional<std::string> found;  // as source found it, UTF-8
  std::optional<std::string> path;   // the same as a system path
  DiskReading reading;
  std::string verdict;
};

// Reads the record's volumes in order, wherever source finds them, under
// one progress bar, and hands each to visit once its bar has ended;
// visit returns false to read no further.
void ReadVolumes(PackageSource& source, const package::IntegrityRecord& record,
                 const std::function<bool(const VolumeReading&)>& visit);

}  // namespace pmsetup
