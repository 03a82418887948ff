#include "extract/staged_files.hpp"

#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/run_state.hpp"
#include "package/file_name.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

using platform::IoResult;
using platform::kIoOk;

// Names nobody else takes are found within a few tries; this many taken
// in a row means something claims them on purpose.
constexpr int kAttempts = 4096;

// "~PM", five hex digits, ".TMP": an 8.3 name, whatever the file system.
std::string NameFor(std::uint32_t number) {
  std::string name = "~PM00000.TMP";
  static_assert(sizeof "~PM00000.TMP" - 1 == kTemporaryNameLength);
  for (int k = 7; k >= 3; --k, number >>= 4) name[k] = "0123456789ABCDEF"[number & 15];
  return name;
}

IoResult CreateTemporary(std::string& path, platform::FileHandle& handle) {
  IoResult result = kIoOk;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    path = common::JoinPath(common::Session.InstallDir, NameFor(Extraction.NextTemporary++));
    result = platform::FileOpen(path, platform::kRead | platform::kWrite, platform::kShareRead,
                                platform::Disposition::kCreateNew, handle);
    if (!platform::NameTaken(result)) break;
  }
  return result;
}

// Whether anything has the name path.
bool Present(const std::string& path) {
  platform::FileHandle handle = platform::kNoFile;
  const IoResult opened = platform::FileOpen(path, platform::kRead, platform::kShareRead | platform::kShareWrite,
                                             platform::Disposition::kOpenExisting, handle);
  if (opened == kIoOk) platform::FileClose(handle);
  return !platform::NoSuchFile(opened);
}

// The old file, if any, keeps a second name under a reserved temporary
// until the run is over.  A step that fails keeps that name only when it
// removed the old file before failing (where the system cannot replace a
// file in one step): the backup is then all that is left of it.
IoResult Place(PendingFile& file) {
  platform::FileHandle reserved = platform::kNoFile;
  std::string backup;
  IoResult result = CreateTemporary(backup, reserved);
  if (result != kIoOk) return result;
  platform::FileClose(reserved);
  const bool had_old = Present(file.final_path);
  result = platform::FileReplace(file.temporary, file.final_path, &backup);
  if (result == kIoOk) file.temporary.clear();
  else if (!backup.empty() && (!had_old || Present(file.final_path))) common::DeleteFileQuiet(backup), backup.clear();
  file.backup = backup;
  return result;
}

// Undoes Place: the old file back under its name, or no file where there
// was none.  A file whose step failed only gets its backup back, in case
// the step removed the old file before it failed.  An old file that
// cannot be put back stays under its backup name.
void Restore(PendingFile& file) {
  if (!file.backup.empty()) {
    platform::FileReplace(file.backup, file.final_path, nullptr);
    file.backup.clear();
  } else if (file.temporary.empty()) {
    common::DeleteFileQuiet(file.final_path);
  }
}

// Makes the folders under InstallDir that the pending files go into,
// recording the levels made.  Only a package whose names hold folders
// has files outside InstallDir itself.
bool MakeFolders() {
  if (!package::Setup.FolderNames) return true;
  for (PendingFile& file : Extraction.Pending) {
    DirectoryLevels& levels = file.folders;
    if (!ForceDirectory(common::ExtractFilePath(file.final_path), &levels)) {
      EndRun(Outcome::kNoDestination, levels.failed, levels.error);
      return false;
    }
  }
  return true;
}

}  // namespace

platform::IoResult CreatePending(const std::string& final_path, platform::FileHandle& handle) {
  std::string path;
  const IoResult result = CreateTemporary(path, handle);
  if (result == kIoOk) Extraction.Pending.push_back({path, final_path, std::string(), DirectoryLevels()});
  return result;
}

bool HoldDestination() {
  const IoResult result = platform::HoldFolder(common::Session.InstallDir, Extraction.Hold);
  if (result == kIoOk) return true;
  Extraction.Hold = platform::kNoFile;
  EndRun(result == platform::kFolderHeld ? Outcome::kFolderInUse : Outcome::kCannotCreateOutput,
         common::Session.InstallDir, result);
  return false;
}

void ReleaseDestination() {
  if (Extraction.Hold > 0) platform::ReleaseFolder(common::Session.InstallDir, Extraction.Hold);
  Extraction.Hold = platform::kNoFile;
}

void RemoveLeftovers() {
  platform::VisitMatchingFiles(common::Session.InstallDir, "~PM?????.TMP", [](const std::string& name) {
    if (package::InstallerTemporaryName(name) && !platform::HoldFileName(name)) {
      common::DeleteFileQuiet(common::JoinPath(common::Session.InstallDir, name));
    }
  });
}

bool PutInPlace() {
  std::vector<PendingFile>& pending = Extraction.Pending;
  const std::size_t count = pending.size();
  // The carved files in their order, then the payload file.
  const auto at = [&pending, count](std::size_t step) -> PendingFile& { return pending[(step + 1) % count]; };
  if (!MakeFolders()) return false;
  for (std::size_t step = 0; step < count; ++step) {
    if (const IoResult result = platform::CanReplace(at(step).final_path)) {
      EndRun(Outcome::kCannotReplace, at(step).final_path, result);
      return false;
    }
  }
  for (std::size_t step = 0; step < count; ++step) {
    if (const IoResult result = Place(at(step))) {
      EndRun(Outcome::kCannotReplace, at(step).final_path, result);
      for (std::size_t back = step + 1; back-- > 0;) Restore(at(back));
      return false;
    }
  }
  for (const PendingFile& file : pending) {
    if (!file.backup.empty()) common::DeleteFileQuiet(file.backup);
  }
  pending.clear();
  return true;
}

void DiscardRun() {
  std::vector<PendingFile>& pending = Extraction.Pending;
  for (const PendingFile& file : pending) {
    if (!file.temporary.empty()) common::DeleteFileQuiet(file.temporary);
    if (!file.backup.empty()) common::DeleteFileQuiet(file.backup);
  }
  // The folders made last first: a deeper one may be in an earlier one.
  for (std::size_t k = pending.size(); k-- > 0;) RemoveCreatedLevels(pending[k].folders);
  pending.clear();
  ReleaseDestination();  // on Windows a file in the folder
  RemoveCreatedLevels(Extraction.Destination);
}

}  // namespace extract
