#include "installing.hpp"

#include <algorithm>

#include "extract/installation.hpp"

namespace testing_support {

namespace {

std::string Separated(std::string path, char from, char to) {
  std::replace(path.begin(), path.end(), from, to);
  return path;
}

}  // namespace

std::string BackslashPath(const std::string& path) { return Separated(path, '/', '\\'); }

std::string SlashPath(const std::string& path) { return Separated(path, '\\', '/'); }

std::string Installation::problem() const {
  if (refused) return "refused";
  return "outcome " + std::to_string(static_cast<int>(outcome)) + " at " + stop.path + ": " +
         (stop.reason != nullptr ? stop.reason : std::to_string(stop.code));
}

Installation InstallPackage(const std::string& setup_exe, const std::string& destination,
                            const extract::FrontEnd& front_end) {
  Installation result;
  if (const extract::PackageProblem problem = extract::StartInstallation(BackslashPath(setup_exe), front_end)) {
    result.refused = true;
    result.defect = problem.defect;
    return result;
  }
  result.outcome = extract::InstallInto(BackslashPath(destination));
  result.stop = extract::Extraction.StoppedAt;
  return result;
}

}  // namespace testing_support
