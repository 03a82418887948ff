// pmsetup verify PACKAGE: reads the setup data and every disk of a package
// and checks them against its integrity record, for burned disks, images
// and old floppies alike.  With --json, stdout has one document and
// nothing else.
#include <iostream>
#include <memory>
#include <vector>

#include "commands/commands.hpp"
#include "reading/disk_reading.hpp"
#include "reading/package_source.hpp"
#include "reading/salvage.hpp"
#include "package/file_name.hpp"
#include "package/integrity_record.hpp"
#include "reading/package_json.hpp"
#include "reading/package_report.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"
#include "terminal/progress_bar.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

// The files still whole before the first bad volume, which install
// --salvage installs, and how many are lost; nothing when the volumes
// before it cannot be decoded.
std::optional<nlohmann::ordered_json> ReportWhole(const std::string& setup_exe, int first_bad,
                                                  const std::vector<std::string>& sound, bool json) {
  PackageFile package;
  std::string error;
  std::optional<std::int64_t> decodable;
  if (ReadPackageFile(setup_exe, package) == platform::kIoOk) {
    decodable = DecodableBytes(sound, package.block.TotalSize, error);
  }
  if (!decodable) return std::nullopt;
  const std::string volume = package::VolumeName(first_bad);
  if (json) return SalvageJson(volume, *decodable, package.block, platform::AnsiCodePage);
  const std::vector<const package::LibRec*> lost = LostEntries(package.block, *decodable);
  std::cout << "Still whole: " << package.block.EntryCount - static_cast<int>(lost.size()) << " of "
            << package.block.EntryCount << " files, all decoded before " << volume
            << " is needed (install --salvage installs them)\n";
  for (const package::LibRec* entry = package.block.FileList; entry != nullptr; entry = entry->Next) {
    if (WholeWithin(*entry, *decodable)) std::cout << "  " << Shown(entry->Name) << '\n';
  }
  return std::nullopt;
}

int Verify(const std::string& path, const std::vector<std::string>& volumes, int code_page, bool json) {
  if (!platform::KnownCodePage(code_page)) {
    std::cerr << "pmsetup: --code-page " << code_page << " is no Windows code page this system can convert\n";
    return 1;
  }
  platform::AnsiCodePage = code_page;
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
  if (!json) std::cout << Shown(setup_name) << "  " << (damage ? std::string("damaged: ") + damage : "good") << '\n';
  // A damaged installer program leaves the record sound: the disks can
  // still be checked, so that only SETUP.EXE need be copied again.
  if (damage && check != package::RecordCheck::kImageDamaged) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": the package is damaged; its disks cannot be checked against it\n";
    if (json) std::cout << JsonText(VerifyJson(damage, std::nullopt, false));
    return 1;
  }
  int bad = 0, first_bad = 0;
  std::vector<std::string> sound;  // the volumes before the first bad one
  std::vector<VolumeCheck> checks;
  ReadVolumes(source, record, [&](const VolumeReading& volume) {
    const std::string name = package::VolumeName(volume.number);
    bad += volume.verdict != "good";
    if (volume.verdict != "good" && first_bad == 0) first_bad = volume.number;
    if (first_bad == 0) sound.push_back(*volume.path);
    if (json) {
      checks.push_back({name, volume.found, volume.reading.problem, volume.verdict, record.Volume(volume.number),
                        volume.reading.size, volume.reading.crc});
    } else {
      std::cout << name << "  " << volume.verdict << '\n' << std::flush;
    }
    return true;
  });
  if (damage) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": " << Shown(setup_name)
              << " is not as packed: copy it again from the original disk\n";
  }
  if (bad > 0) {
    std::cerr << "pmsetup: " << ShownArgument(path) << ": " << bad << " of " << record.VolumeCount()
              << " disks " << (bad == 1 ? "is" : "are") << " not as packed\n";
  }
  std::optional<nlohmann::ordered_json> salvage;
  if (first_bad > 0) salvage = ReportWhole(setup_exe, first_bad, sound, json);
  const bool as_packed = !damage && bad == 0;
  if (json) {
    nlohmann::ordered_json document = VerifyJson(damage, checks, as_packed);
    document["salvage"] = salvage ? *salvage : nlohmann::ordered_json(nullptr);
    std::cout << JsonText(document);
  }
  return as_packed ? 0 : 1;
}

}  // namespace

Command AddVerifyCommand(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  auto volumes = std::make_shared<std::vector<std::string>>();
  auto json = std::make_shared<bool>(false);
  auto code_page = std::make_shared<int>(1252);
  CLI::App* verify = app.add_subcommand(
      "verify", "Check the setup data and every disk of a package against the checksums packed with it.");
  verify->add_option("PACKAGE", *path, kPackageHelp)->required()->type_name("");
  verify->add_option("--volumes", *volumes, kVolumesHelp)->type_name("PLACE");
  verify->add_option("--code-page", *code_page,
                     "the code page the package's names are in, for the files a bad disk leaves whole (as in its "
                     "manifest; default 1252)")
      ->type_name("N");
  verify->add_flag("--json", *json,
                   "print the verdicts as one JSON document instead (its members are described in the README)");
  return {verify, [path, volumes, code_page, json] { return Verify(*path, *volumes, *code_page, *json); }};
}

}  // namespace pmsetup
