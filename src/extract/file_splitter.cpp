#include "extract/file_splitter.hpp"

#include <algorithm>

#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/progress_count.hpp"
#include "extract/run_state.hpp"
#include "extract/staged_files.hpp"
#include "package/file_name.hpp"
#include "platform/ansi.hpp"

namespace extract {
namespace {

using platform::IoResult;
using platform::kIoOk;

constexpr std::uint32_t kChunk = 2048;
// The codes the installer's own refusals fail with, as Windows numbers
// an invalid name and a read past the end of a file.
constexpr IoResult kUnusableName = 123;
constexpr IoResult kOutsidePayload = 38;
// Windows' code for a file held open by another: the main program's
// file while its data is being carved, or a volume of the package.
constexpr IoResult kHeldOpen = 32;

// Whether two names or paths are one as Windows compares them: in any
// case, by the code page's rules.
bool SameName(std::string a, std::string b) {
  platform::UpperCaseAnsi(a);
  platform::UpperCaseAnsi(b);
  return a == b;
}

// The same for folders, with or without a trailing backslash.
bool SameFolder(std::string a, std::string b) {
  while (!a.empty() && a.back() == '\\') a.pop_back();
  while (!b.empty() && b.back() == '\\') b.pop_back();
  return SameName(a, b);
}

// Whether [offset, offset + size) lies within the payload's first
// `payload` bytes; an entry of no size lies anywhere.
bool InsidePayload(std::int64_t offset, std::int64_t size, std::int64_t payload) {
  return size <= 0 || (offset >= 0 && offset + size <= payload);
}

IoResult CopyData(platform::FileHandle blob, platform::FileHandle target, const package::LibRec& entry) {
  std::uint8_t buffer[kChunk];
  IoResult result = platform::FileSeek(blob, entry.Offset);
  std::int64_t done = 0;
  while (result == kIoOk && done < entry.Size) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::int64_t>(kChunk, entry.Size - done));
    std::uint32_t got = 0, written = 0;
    result = platform::FileRead(blob, buffer, chunk, got);
    // The payload file ends before the entry does.
    if (result == kIoOk && got == 0) result = platform::kShortRead;
    if (result == kIoOk) result = platform::FileWrite(target, buffer, got, written);
    if (result == kIoOk && written != got) result = platform::kShortRead;
    done += got;
  }
  return result;
}

// A file that cannot be carved stops the run.
IoResult Refuse(const std::string& path, IoResult code, const char* reason = nullptr) {
  return EndRun(Outcome::kSplitFailed, path, code, reason);
}

// Installed into the package's own folder, a file named like one of its
// volumes, or like its SETUP.EXE, would replace that file, and the next
// installation from the folder would fail.  Anywhere else the name is
// harmless.
bool ReplacesPackageFile(const std::string& name) {
  return (package::PackageVolume(name, package::Setup.DiskCount) || package::InstallerName(name)) &&
         SameFolder(common::Session.SourceDir, common::Session.InstallDir);
}

constexpr const char* kReplacesPackageFile =
    "it would replace a file of this package, which is installed into its own folder";

}  // namespace

IoResult CopyEntry(platform::FileHandle blob, const package::LibRec& entry, std::int64_t payload) {
  const std::string name = package::InstalledPath(entry.Name, package::Setup.FolderNames);
  const std::string target_path = common::JoinPath(common::Session.InstallDir, name.empty() ? entry.Name : name);
  // Refused before anything is written: no file of that name is touched.
  if (name.empty()) return Refuse(target_path, kUnusableName, "the name is no usable Windows file name");
  // A file named like the installers' temporaries would be removed by the
  // next installation into the folder, as a leftover.
  if (package::InstallerTemporaryName(name)) {
    return Refuse(target_path, kUnusableName, "it is named like the installer's temporary files");
  }
  if (ReplacesPackageFile(name)) return Refuse(target_path, kHeldOpen, kReplacesPackageFile);
  if (!InsidePayload(entry.Offset, entry.Size, payload)) {
    return Refuse(target_path, kOutsidePayload, "its data lies outside the payload");
  }
  // The main program is still open as the payload file: no entry may
  // take its name.
  if (SameName(name, package::InstalledName(package::Setup.MainEntry()->Name))) return Refuse(target_path, kHeldOpen);
  platform::FileHandle target = platform::kNoFile;
  IoResult result = CreatePending(target_path, target);
  if (result != kIoOk) return Refuse(target_path, result);
  result = CopyData(blob, target, entry);
  if (result == kIoOk && entry.Time != 0) result = platform::FileSetTime(target, entry.Time);
  const IoResult closed = platform::FileClose(target);
  if (result == kIoOk) result = closed;
  return result == kIoOk ? result : Refuse(target_path, result);
}

bool SplitBlob(platform::FileHandle blob) {
  // Failures name the main program, whose file the payload file becomes.
  const std::string& blob_path = common::Session.BlobPath;
  // Only the payload counts: the decoder's last match may run past its end.
  std::int64_t payload = 0;
  IoResult result = platform::FileSize(blob, payload);
  if (result != kIoOk) Refuse(blob_path, result);
  payload = std::min<std::int64_t>(payload, package::Setup.TotalSize);
  const package::LibRec& main = *package::Setup.MainEntry();
  // A main program that the payload cannot fill would be padded out.
  if (result == kIoOk && !InsidePayload(0, main.Size, payload)) {
    result = Refuse(blob_path, kOutsidePayload, "its data lies outside the payload");
  }
  // The same rule binds the main program, before anything is put in place.
  if (result == kIoOk && ReplacesPackageFile(package::InstalledName(main.Name))) {
    result = Refuse(blob_path, kHeldOpen, kReplacesPackageFile);
  }
  for (const package::LibRec* entry = main.Next; entry != nullptr && result == kIoOk; entry = entry->Next) {
    AdvanceProgress(Progress.FileStep);
    result = CopyEntry(blob, *entry, payload);
  }
  if (result == kIoOk) {
    AdvanceProgress(Progress.FileStep);
    result = platform::FileSeek(blob, main.Size);
    if (result == kIoOk) result = platform::FileTruncate(blob);
    if (result == kIoOk && main.Time != 0) result = platform::FileSetTime(blob, main.Time);
    if (result != kIoOk) Refuse(blob_path, result);
  }
  return result == kIoOk;
}

}  // namespace extract
