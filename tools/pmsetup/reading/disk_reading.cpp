#include "reading/disk_reading.hpp"

#include <vector>

#include "common/crc32.hpp"
#include "platform/code_page.hpp"
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

void ReadVolumes(PackageSource& source, const package::IntegrityRecord& record,
                 const std::function<bool(const VolumeReading&)>& visit) {
  std::uint64_t total = 0, done = 0;
  for (std::size_t n = 1; n <= record.VolumeCount(); ++n) total += record.Volume(n).Size;
  ProgressBar progress(total);
  for (std::size_t n = 1; n <= record.VolumeCount(); ++n) {
    VolumeReading volume{static_cast<int>(n), std::nullopt, std::nullopt, DiskReading{platform::kFileNotFound}, ""};
    const std::string found = source.FindVolume(volume.number);
    if (!found.empty()) volume.path = platform::SystemPath(found);
    if (volume.path) {
      volume.found = found;
      volume.reading = ReadDisk(*volume.path, progress, done);
    }
    volume.verdict = Verdict(volume.reading, record.Volume(n));
    progress.Finish();
    if (!visit(volume)) return;
  }
}

}  // namespace pmsetup
