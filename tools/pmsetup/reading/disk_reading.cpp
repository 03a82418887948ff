#include "reading/disk_reading.hpp"

#include <vector>

#include "common/crc32.hpp"
#include "platform/system.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

DiskReading ReadDisk(const std::string& path, ProgressBar& progress, std::uint64_t& done) {
  DiskReading reading;
  platform::FileHandle file = platform::kNoFile;
  reading.problem =
      platform::FileOpen(path, platform::kRead, platform::kShareRead, platform::Disposition::kOpenExisting, file);
  if (reading.problem != platform::kIoOk) return reading;
  std::vector<std::uint8_t> buffer(1 << 16);
  for (std::uint32_t got = 1; got > 0 && reading.problem == platform::kIoOk;) {
    reading.problem = platform::FileRead(file, buffer.data(), static_cast<std::uint32_t>(buffer.size()), got);
    reading.crc = common::UpdateCrc32(reading.crc, buffer.data(), got);
    reading.size += got;
    progress.Show(done += got);
  }
  const platform::IoResult closed = platform::FileClose(file);
  if (reading.problem == platform::kIoOk) reading.problem = closed;
  return reading;
}

std::string Verdict(const DiskReading& reading, const package::VolumeSum& recorded) {
  if (reading.problem == platform::kFileNotFound) return "missing";
  if (reading.problem == platform::kNotAFile) return "not a plain file";
  if (reading.problem != platform::kIoOk) return "cannot be read: " + platform::ErrorText(reading.problem);
  if (package::VolumeMatches(recorded, reading.size, reading.crc)) return "good";
  std::string verdict = "damaged: its contents do not match the package";
  if (reading.size != recorded.Size) {
    verdict += " (" + ByteCount(reading.size) + ", packed with " + ByteCount(recorded.Size) + ")";
  }
  return verdict;
}

}  // namespace pmsetup
