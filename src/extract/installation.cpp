#include "extract/installation.hpp"

#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/force_directory.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"
#include "package/setup_block.hpp"

namespace extract {

PackageProblem StartInstallation(const std::string& setup_path, const FrontEnd& front_end) {
  using package::Setup;
  package::FreeFileList(Setup);
  Setup = package::SetupBlock{};
  Extraction = ExtractionState{};
  UserInterface = front_end;
  if (Buffers == nullptr) Buffers = new TransferBuffers;
  const PackageProblem problem{package::ReadSetupBlock(setup_path, Setup)};
  if (problem) return problem;
  if (const char* defect = package::PackageDefect(Setup)) return {platform::kIoOk, defect};

  const package::SetupTextArray& texts = Setup.SetupTexts;
  common::Session = {common::ExtractFilePath(setup_path), std::string(), std::string(),
                     {texts[package::OkCaption], texts[package::CancelCaption]},
                     {texts[package::YesCaption], texts[package::NoCaption]}};
  Extraction.Running = 1;
  return {};
}

bool ChooseDestination(const std::string& destination) {
  common::Session.InstallDir = destination;
  common::Session.BlobPath = common::JoinPath(destination, package::Setup.MainEntry()->Name);
  return ForceDirectory(destination);
}

}  // namespace extract
