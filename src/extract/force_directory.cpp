#include "extract/force_directory.hpp"

#include "common/path_text.hpp"
#include "platform/file.hpp"

namespace extract {
namespace {

std::string WithoutTrailingBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

// One level: the parent first, then this one.  The error code is shared
// by all levels; once it is set nothing more is tried above, but a level
// is still created after its parent failed.  A path ending in a colon
// ("Tool:") is its own parent: it has no level above to climb to.  One
// ending in a backslash ("Tool\\", doubled) climbs to itself without it.
void ForceLevel(const std::string& raw_path, platform::IoResult& error, DirectoryLevels* levels) {
  const std::string path = WithoutTrailingBackslash(raw_path);
  if (error != platform::kIoOk || path.size() < 3 || DirectoryExists(path)) return;
  if (path.back() != ':') ForceLevel(common::ExtractFilePath(path), error, levels);
  const bool parent_failed = error != platform::kIoOk;
  error = platform::MakeDirectory(path);
  const bool made = error == platform::kIoOk;
  // Someone else may have made it meanwhile.
  if (!made && DirectoryExists(path)) error = platform::kIoOk;
  if (levels == nullptr) return;
  if (made && levels->first_made.empty()) levels->first_made = path;
  if (made) levels->last_made = path;
  else if (error != platform::kIoOk && !parent_failed) levels->failed = path, levels->error = error;
}

bool DriveExists(const std::string& drive) { return platform::DriveType(drive + "\\") > 1; }

}  // namespace

bool DirectoryExists(const std::string& path) {
  if (!DriveExists(common::ExtractFileDrive(path))) return false;
  std::uint32_t attributes = 0;
  return platform::FindEntry(WithoutTrailingBackslash(path), attributes) &&
         (attributes & platform::kDirectoryAttribute) != 0;
}

bool ForceDirectory(const std::string& path, DirectoryLevels* levels) {
  platform::IoResult error = platform::kIoOk;
  ForceLevel(path, error, levels);
  return error == platform::kIoOk;
}

void RemoveCreatedLevels(DirectoryLevels& levels) {
  std::string level = levels.last_made;
  while (!level.empty() && platform::DeleteDirectory(level) == platform::kIoOk && level != levels.first_made) {
    level = WithoutTrailingBackslash(common::ExtractFilePath(level));
  }
  levels.first_made.clear();
  levels.last_made.clear();
}

}  // namespace extract
