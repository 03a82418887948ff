// Reading a disk's volume whole, to compare it with what the package's
// integrity record says of it.
#pragma once

#include <cstdint>
#include <string>

#include "package/integrity_record.hpp"
#include "platform/file.hpp"
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

}  // namespace pmsetup
