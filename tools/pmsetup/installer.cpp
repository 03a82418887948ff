#include "installer.hpp"

#include <algorithm>
#include <filesystem>

#include "driver/path_text.hpp"
#include "driver/session.hpp"
#include "extract/buffers.hpp"
#include "extract/force_directory.hpp"
#include "extract/volume_reader.hpp"
#include "package_report.hpp"
#include "platform/code_page.hpp"

namespace pmsetup {
namespace {

using package::Setup;

// The transfer buffers live for one installation.
struct TransferBuffers {
  TransferBuffers() {
    extract::InputBuffer = input;
    extract::OutputBuffer = output;
  }
  ~TransferBuffers() { extract::InputBuffer = extract::OutputBuffer = nullptr; }
  unsigned char input[extract::kTransferBufferSize];
  unsigned char output[extract::kTransferBufferSize];
};

}  // namespace

std::string InstallerPath(const std::string& path) {
  const bool rooted = !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
  const std::string whole = path.empty() || rooted ? path : std::filesystem::absolute(path).string();
  std::string converted = platform::SystemPath(whole).value_or(whole);
  std::replace(converted.begin(), converted.end(), '/', '\\');
  return converted;
}

std::string UnsuitablePath(const std::string& path) {
  if (platform::SystemPath(path)) return std::string();
  return path + " holds a character that code page " + std::to_string(platform::AnsiCodePage) +
         " cannot show (see --code-page)";
}

std::string Shown(const std::string& text) { return platform::FromCodePage(text, platform::AnsiCodePage); }

std::string DisplayPath(const std::string& path) {
  std::string shown = Shown(path);
  std::replace(shown.begin(), shown.end(), '\\', '/');
  return shown;
}

std::string LoadPackage(const std::string& setup_exe) {
  package::FreeFileList(Setup);
  Setup = package::SetupBlock{};
  if (std::string problem = UnsuitablePath(setup_exe); !problem.empty()) return problem;
  const std::string path = InstallerPath(setup_exe);
  const platform::IoResult result = package::ReadSetupBlock(path, Setup);
  if (result != platform::kIoOk) return DescribeReadFailure(setup_exe, result);
  if (const char* defect = package::PackageDefect(Setup)) return std::string("damaged package: ") + defect;
  driver::SourceDir = driver::ExtractFilePath(path);
  driver::OkCancelLabels = {Setup.SetupTexts[package::OkCaption], Setup.SetupTexts[package::CancelCaption]};
  driver::YesNoLabels = {Setup.SetupTexts[package::YesCaption], Setup.SetupTexts[package::NoCaption]};
  return std::string();
}

InstallResult InstallInto(const std::string& destination) {
  if (!extract::ForceDirectory(destination)) return {false, "cannot create the directory " + DisplayPath(destination)};
  driver::InstallDir = destination;
  driver::BlobPath = driver::JoinPath(driver::InstallDir, Setup.MainEntry()->Name);
  TransferBuffers buffers;
  driver::Running = 1;
  const extract::Outcome outcome = extract::RunExtraction();
  driver::Running = 0;
  if (outcome == extract::Outcome::kInstalled) return {true, std::string()};
  return {false, Explain(outcome), outcome != extract::Outcome::kCannotCreateOutput};
}

std::string Explain(extract::Outcome outcome) {
  using extract::Outcome;
  switch (outcome) {
    case Outcome::kInstalled: return std::string();
    case Outcome::kCancelled: return "cancelled";
    case Outcome::kCannotCreateOutput: return "cannot create " + DisplayPath(driver::BlobPath);
    case Outcome::kNoFirstVolume: return "cannot open " + DisplayPath(extract::VolumePath(1));
    case Outcome::kWriteFailed: return "cannot write " + DisplayPath(driver::BlobPath) + " in full (is the disk full?)";
    case Outcome::kInputRanDry:
      return "the volumes end before the payload is complete; " + DisplayPath(extract::VolumePath(extract::DiskNumber)) +
             " or an earlier volume is cut short, or the package counts too few volumes";
    case Outcome::kReadFailed: return "cannot read " + DisplayPath(extract::VolumePath(extract::DiskNumber));
    case Outcome::kInputLeftOver:
      return "the volumes hold more than the payload: one was cut short, or does not belong to this package";
    case Outcome::kDecoderFailed: return "out of memory while decoding";
    case Outcome::kSplitFailed:
      return "cannot carve the packaged files out of " + DisplayPath(driver::BlobPath) +
             " (a file cannot be written, or the package is damaged)";
  }
  return "failed";
}

}  // namespace pmsetup
