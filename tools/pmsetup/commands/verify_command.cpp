// pmsetup verify PACKAGE: reads the setup data and every disk of a package
// and checks them against its integrity record, for burned disks, images
// and old floppies alike.
#include <iostream>
#include <memory>
#include <vector>

#include "commands/commands.hpp"
#include "reading/package_source.hpp"
#include "common/crc32.hpp"
#include "package/file_name.hpp"
#include "package/integrity_record.hpp"
#include "reading/package_report.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"
#include "terminal/progress_bar.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

// What was read of one disk: its size and CRC, or why it could not be.
struct DiskReading {
  platform::IoResult problem = platform::kIoOk;
  std::int64_t size = 0;
  std::uint32_t crc = 0;
};

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

int Verify(const std::string& path, const std::vector<std::string>& volumes) {
  PackageSource source;
  if (const std::string problem = source.Open(path, volumes); !problem.empty()) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": " << problem << '\n';
    return 1;
  }
  const std::string& setup_exe = source.SetupExe();
  const std::optional<std::string> system_path = platform::SystemPath(setup_exe);
  if (!system_path) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": cannot read it: a character of the path has no place in the code page\n";
    return 1;
  }
  package::IntegrityRecord record;
  package::RecordCheck check = package::RecordCheck::kAbsent;
  if (const platform::IoResult result = package::ReadIntegrityRecord(*system_path, record, check)) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": cannot read it: " << platform::ErrorText(result) << '\n';
    return 1;
  }
  if (check == package::RecordCheck::kAbsent) {
    // No record, and perhaps no package at all.
    PackageFile package;
    const platform::IoResult read = ReadPackageFile(setup_exe, package);
    const char* defect = read == platform::kIoOk ? package::PackageDefect(package.block) : nullptr;
    if (read != platform::kIoOk || defect == package::kNoPackage) {
      std::cerr << "pmsetup: " << ShownArgument(path) << ": " << DescribeUnusable(setup_exe, read, defect) << '\n';
      return 1;
    }
    std::cerr << "pmsetup: " << ShownArgument(path)
              << ": the package has no integrity record (it was packed without one), so its disks cannot be "
                 "checked; pack it again to add one\n";
    return 1;
  }
  // The name as the system has it (separated by '/' here, by '\\' or '/'
  // on Windows).
  const std::string setup_name = system_path->substr(system_path->find_last_of("/\\") + 1);  // npos + 1 is 0
  const char* damage = package::RecordDamage(check);
  std::cout << Shown(setup_name) << "  " << (damage ? std::string("damaged: ") + damage : "good") << '\n';
  // A damaged installer program leaves the record sound: the disks can
  // still be checked, so that only SETUP.EXE need be copied again.
  if (damage && check != package::RecordCheck::kImageDamaged) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": the package is damaged; its disks cannot be checked against it\n";
    return 1;
  }
  std::uint64_t total = 0, done = 0;
  for (std::size_t n = 1; n <= record.VolumeCount(); ++n) total += record.Volume(n).Size;
  ProgressBar progress(total);
  int bad = 0;
  for (std::size_t n = 1; n <= record.VolumeCount(); ++n) {
    const std::string name = package::VolumeName(static_cast<int>(n));
    const std::string found = source.FindVolume(static_cast<int>(n));
    const std::optional<std::string> found_path = platform::SystemPath(found);
    const DiskReading reading = found.empty() || !found_path ? DiskReading{platform::kFileNotFound}
                                                             : ReadDisk(*found_path, progress, done);
    const std::string verdict = Verdict(reading, record.Volume(n));
    bad += verdict != "good";
    progress.Finish();
    std::cout << name << "  " << verdict << '\n' << std::flush;
  }
  if (damage) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": " << Shown(setup_name)
              << " is not as packed: copy it again from the original disk\n";
  }
  if (bad > 0) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": " << bad << " of " << record.VolumeCount()
              << " disks " << (bad == 1 ? "is" : "are") << " not as packed\n";
  }
  return damage || bad > 0 ? 1 : 0;
}

}  // namespace

Command AddVerifyCommand(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  auto volumes = std::make_shared<std::vector<std::string>>();
  CLI::App* verify = app.add_subcommand(
      "verify", "Check the setup data and every disk of a package against the checksums packed with it.");
  verify->add_option("PACKAGE", *path, kPackageHelp)->required()->type_name("");
  verify->add_option("--volumes", *volumes, kVolumesHelp)->type_name("PLACE");
  return {verify, [path, volumes] { return Verify(*path, *volumes); }};
}

}  // namespace pmsetup
