#include "extract/installation.hpp"

#include <algorithm>

#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/extraction_run.hpp"
#include "extract/force_directory.hpp"
#include "extract/transfer.hpp"
#include "package/file_details.hpp"
#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace extract {

PackageProblem StartInstallation(const std::string& setup_path, const FrontEnd& front_end) {
  using package::Setup;
  package::FreeFileList(Setup);
  Setup = package::SetupBlock{};
  Extraction = ExtractionState{};
  common::Session = common::SessionValues{};
  UserInterface = front_end;
  if (Buffers == nullptr) Buffers = new TransferBuffers;
  package::RecordCheck check = package::RecordCheck::kAbsent;
  if (const platform::IoResult read = package::ReadIntegrityRecord(setup_path, package::Integrity, check)) return {read};
  if (const char* damage = package::RecordDamage(check)) return {platform::kIoOk, damage};
  const char* details_damage = nullptr;
  const PackageProblem problem{package::ReadPackageAt(setup_path, [&details_damage](platform::FileHandle file) {
    const platform::IoResult read = package::ReadSetupBlockOf(file, Setup);
    return read != platform::kIoOk ? read : package::ReadFileDetailsOf(file, package::Integrity, Setup, &details_damage);
  })};
  if (problem) return problem;
  if (details_damage != nullptr) return {platform::kIoOk, details_damage};
  if (const char* defect = package::PackageDefect(Setup)) return {platform::kIoOk, defect};
  if (package::Integrity.Present && package::Integrity.VolumeCount() != std::max<std::size_t>(Setup.DiskCount, 1)) {
    return {platform::kIoOk, package::kDamagedSetupData};
  }

  const package::SetupTextArray& texts = Setup.SetupTexts;
  common::SessionValues& session = common::Session;
  session.SourceDir = common::ExtractFilePath(setup_path);
  session.OkCancelLabels = {texts[package::OkCaption], texts[package::CancelCaption]};
  session.YesNoLabels = {texts[package::YesCaption], texts[package::NoCaption]};
  Extraction.Running = 1;
  return {};
}

bool ChooseDestination(const std::string& destination) {
  common::Session.InstallDir = destination;
  common::Session.BlobPath = common::JoinPath(destination, package::Setup.MainEntry()->Name);
  DirectoryLevels& levels = Extraction.Destination;
  levels.failed.clear();
  levels.error = platform::kIoOk;
  if (ForceDirectory(destination, &levels)) return true;
  RemoveCreatedLevels(levels);
  return false;
}

Outcome InstallInto(const std::string& destination) {
  if (ChooseDestination(destination)) return RunExtraction();
  const DirectoryLevels& levels = Extraction.Destination;
  EndRun(Outcome::kNoDestination, levels.failed, levels.error);
  return Extraction.RunOutcome;
}

}  // namespace extract
