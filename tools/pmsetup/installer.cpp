#include "installer.hpp"

#include <algorithm>
#include <filesystem>

#include "driver/path_text.hpp"
#include "driver/session.hpp"
#include "extract/buffers.hpp"
#include "extract/force_directory.hpp"
#include "extract/stop_point.hpp"
#include "extract/volume_reader.hpp"
#include "file_io.hpp"
#include "package_report.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"

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

std::size_t Separators(const std::string& path) {
  return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/') + std::count(path.begin(), path.end(), '\\'));
}

// The file where the run stopped, and why.
std::string StopReason() {
  const extract::StopPoint& stop = extract::StoppedAt;
  const std::string why = stop.reason != nullptr ? stop.reason : platform::ErrorText(stop.code);
  return DisplayPath(stop.path) + ": " + why;
}

}  // namespace

ConvertedPath ConvertPath(const std::string& path) {
  std::string whole = path;
  if (!path.empty() && path[0] != '/' && path[0] != '\\') {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(Path(path), error).lexically_normal();
    if (error) return {std::string(), "the current directory is gone; give a full path"};
    whole = Text(absolute);
  }
  const std::string where = whole == path ? std::string() : " (in " + whole + ")";
  if (whole.find(':') != std::string::npos) return {std::string(), "a colon has a meaning of its own in Windows paths" + where};
  const std::string code_page = std::to_string(platform::AnsiCodePage);
  std::optional<std::string> converted = platform::ToCodePage(whole, platform::AnsiCodePage);
  if (!converted) return {std::string(), "a character has no place in code page " + code_page + where + " (see --code-page)"};
  // In a double-byte code page a character may hold the byte of '\'.
  if (Separators(*converted) != Separators(whole)) {
    return {std::string(), "a character would read as a folder separator in code page " + code_page + where};
  }
  std::replace(converted->begin(), converted->end(), '/', '\\');
  return {*converted, std::string()};
}

std::string InstallerPath(const std::string& path) { return ConvertPath(path).path; }

std::string Shown(const std::string& text) { return platform::FromCodePage(text, platform::AnsiCodePage); }

std::string DisplayPath(const std::string& path) {
  std::string shown = Shown(path);
  std::replace(shown.begin(), shown.end(), '\\', '/');
  return shown;
}

std::string LoadPackage(const std::string& setup_exe) {
  package::FreeFileList(Setup);
  Setup = package::SetupBlock{};
  const ConvertedPath converted = ConvertPath(setup_exe);
  if (!converted.problem.empty()) return converted.problem;
  const std::string& path = converted.path;
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
  return {false, Explain(outcome), extract::OutputCreated};
}

std::string Explain(extract::Outcome outcome) {
  using extract::Outcome;
  switch (outcome) {
    case Outcome::kInstalled: return std::string();
    case Outcome::kCancelled: return "cancelled";
    case Outcome::kCannotCreateOutput: return "cannot create " + StopReason();
    case Outcome::kNoFirstVolume: return "cannot open " + StopReason();
    case Outcome::kWriteFailed: return "cannot write " + StopReason() + " (is the disk full?)";
    case Outcome::kInputRanDry:
      return "the volumes end before the payload is complete; " + DisplayPath(extract::VolumePath(extract::DiskNumber)) +
             " or an earlier volume is cut short, or the package counts too few volumes";
    case Outcome::kReadFailed: return "cannot read " + StopReason();
    case Outcome::kInputLeftOver:
      return "the volumes hold more than the payload: one was cut short, or does not belong to this package";
    case Outcome::kDecoderFailed: return "out of memory while decoding";
    case Outcome::kSplitFailed: return "cannot carve the packaged files: " + StopReason();
  }
  return "failed";
}

}  // namespace pmsetup
