#include "installing/installer.hpp"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "extract/extraction_run.hpp"
#include "extract/installation.hpp"
#include "extract/transfer.hpp"
#include "extract/volume_reader.hpp"
#include "io/file_io.hpp"
#include "reading/package_report.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"

namespace pmsetup {
namespace {

// Which limit a path that is too long passes: the installers' own (a
// folder's is shorter), or the 255 bytes Linux takes in a name, which
// names in UTF-8 can pass.
std::string TooLong(const std::string& path, bool folder) {
  const std::size_t limit = folder ? platform::kLongestFolderPath : platform::kLongestPath;
  if (path.size() > limit) {
    const char* unit = platform::DoubleByteCodePage(platform::AnsiCodePage) ? " bytes" : " characters";
    return "the path is " + std::to_string(path.size()) + unit + "; the installer takes at most " +
           std::to_string(limit) + (folder ? " in a folder's" : "");
  }
  const std::string name = platform::FromCodePage(path.substr(path.find_last_of('\\') + 1), platform::AnsiCodePage);
  return "the name takes " + ByteCount(name.size()) + " in UTF-8; this system takes at most " +
         std::to_string(platform::kLongestUtf8Name) + " in a name";
}

// The file where the run stopped, and why.
std::string StopReason(bool folder = false) {
  const extract::StopPoint& stop = extract::Extraction.StoppedAt;
  const std::string why = stop.reason != nullptr        ? stop.reason
                          : stop.code == ENAMETOOLONG ? TooLong(stop.path, folder)
                                                      : platform::ErrorText(stop.code);
  return DisplayPath(stop.path) + ": " + why;
}

// Why an extraction that did not install failed, for the user.
std::string Explain(extract::Outcome outcome) {
  using extract::Outcome;
  switch (outcome) {
    case Outcome::kUnderway: return "the installation stopped without a reason";
    case Outcome::kInstalled: return std::string();
    case Outcome::kCancelled: return "cancelled";
    case Outcome::kNoDestination: return "cannot create the directory " + StopReason(true);
    case Outcome::kCannotCreateOutput: return "cannot create a file in " + StopReason();
    case Outcome::kNoFirstVolume: return "cannot open " + StopReason();
    case Outcome::kWriteFailed: return "cannot write " + StopReason() + " (is the disk full?)";
    case Outcome::kInputRanDry:
      return "the volumes end before the payload is complete; " +
             DisplayPath(extract::VolumePath(extract::Transfer.DiskNumber)) +
             " or an earlier volume is cut short, or the package counts too few volumes";
    case Outcome::kReadFailed: return "cannot read " + StopReason();
    case Outcome::kInputLeftOver:
      return "the volumes hold more than the payload: one was cut short, or does not belong to this package";
    case Outcome::kDecoderFailed: return "out of memory while decoding";
    case Outcome::kSplitFailed: return "cannot carve the packaged files: " + StopReason();
    case Outcome::kVolumeDamaged:
      return DisplayPath(extract::Extraction.StoppedAt.path) + " is damaged: " + extract::Extraction.StoppedAt.reason;
    case Outcome::kPayloadDamaged: return extract::kDamagedPayloadReason;
    case Outcome::kCannotReplace: return "cannot replace " + StopReason() + "; nothing was changed";
    case Outcome::kFolderInUse:
      return "another installation into " + DisplayPath(extract::Extraction.StoppedAt.path) +
             " is running; nothing was changed";
  }
  return "failed";
}

}  // namespace

ConvertedPath ConvertPath(const std::string& path) {
  std::string whole = path;
  if (!path.empty() && path[0] != '/') {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(Path(path), error).lexically_normal();
    if (error) return {std::string(), "the current directory is gone; give a full path"};
    whole = Text(absolute);
  }
  const std::string where = whole == path ? std::string() : " (in " + ShownArgument(whole) + ")";
  if (whole.find(':') != std::string::npos) return {std::string(), "a colon has a meaning of its own in Windows paths" + where};
  if (whole.find('\\') != std::string::npos) {
    return {std::string(), "a backslash separates folders in Windows paths, so no name may hold one" + where};
  }
  const std::string code_page = std::to_string(platform::AnsiCodePage);
  std::optional<std::string> converted = platform::ToCodePage(whole, platform::AnsiCodePage);
  if (!converted) return {std::string(), "a character has no place in code page " + code_page + where + " (see --code-page)"};
  // Some characters share one code in a code page, and would come back as
  // another: the path must name exactly the folder the user gave.
  if (platform::FromCodePage(*converted, platform::AnsiCodePage) != whole) {
    return {std::string(), "a character would come back as another one from code page " + code_page + where};
  }
  // In a double-byte code page a character may hold the byte of '\'.
  if (converted->find('\\') != std::string::npos) {
    return {std::string(), "a character would read as a folder separator in code page " + code_page + where};
  }
  std::replace(converted->begin(), converted->end(), '/', '\\');
  return {*converted, std::string()};
}

std::string InstallerPath(const std::string& path) { return ConvertPath(path).path; }

std::string LoadPackage(const std::string& setup_exe, const extract::FrontEnd& front_end) {
  const ConvertedPath converted = ConvertPath(setup_exe);
  if (!converted.problem.empty()) return converted.problem;
  const extract::PackageProblem problem = extract::StartInstallation(converted.path, front_end);
  if (problem) return DescribeUnusable(setup_exe, problem.read, problem.defect);
  return std::string();
}

InstallResult InstallInto(const std::string& destination) {
  const extract::Outcome outcome = extract::InstallInto(destination);
  if (outcome == extract::Outcome::kInstalled) return {true, std::string()};
  return {false, Explain(outcome)};
}

}  // namespace pmsetup
