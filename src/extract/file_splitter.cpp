#include "extract/file_splitter.hpp"

#include "driver/path_text.hpp"
#include "driver/session.hpp"
#include "extract/progress_meter.hpp"

namespace extract {
namespace {

using platform::IoResult;
using platform::kIoOk;

constexpr std::uint32_t kChunk = 2048;
// The code a copy fails with when its entry's name cannot be used.
constexpr IoResult kUnusableName = 123;  // as Windows' "invalid name"

IoResult CopyData(platform::FileHandle blob, platform::FileHandle target, const package::LibRec& entry) {
  std::uint8_t buffer[kChunk];
  IoResult result = platform::FileSeek(blob, entry.Offset);
  std::int64_t done = 0;
  while (result == kIoOk && done < entry.Size) {
    const auto chunk = static_cast<std::uint32_t>(std::min<std::int64_t>(kChunk, entry.Size - done));
    std::uint32_t got = 0, written = 0;
    result = platform::FileRead(blob, buffer, chunk, got);
    // The payload ends before the entry does: it was damaged or cut short.
    if (result == kIoOk && got == 0) result = platform::kShortRead;
    if (result == kIoOk) result = platform::FileWrite(target, buffer, got, written);
    if (result == kIoOk && written != got) result = platform::kShortRead;
    done += got;
  }
  return result;
}

}  // namespace

std::string InstalledName(const std::string& entry_name) {
  const std::size_t separator = entry_name.find_last_of("\\/:");
  const std::string name = driver::ExtractFileName(separator == std::string::npos ? entry_name
                                                                                   : entry_name.substr(separator + 1));
  return name == "." || name == ".." ? std::string() : name;
}

IoResult CopyEntry(platform::FileHandle blob, const package::LibRec& entry) {
  const std::string name = InstalledName(entry.Name);
  if (name.empty()) return kUnusableName;
  const std::string target_path = driver::JoinPath(driver::InstallDir, name);
  platform::FileHandle target = platform::kNoFile;
  IoResult result = platform::FileOpen(target_path, platform::kRead | platform::kWrite, platform::kShareRead,
                                       platform::Disposition::kCreateAlways, target);
  if (result != kIoOk) return result;
  result = CopyData(blob, target, entry);
  const IoResult closed = platform::FileClose(target);
  if (result == kIoOk) result = closed;
  if (result != kIoOk) driver::DeleteFileQuiet(target_path);
  return result;
}

bool SplitBlob() {
  platform::FileHandle blob = platform::kNoFile;
  if (platform::FileOpen(driver::BlobPath, platform::kRead | platform::kWrite, platform::kShareRead,
                         platform::Disposition::kOpenExisting, blob) != kIoOk) {
    return false;
  }
  const package::LibRec& main = *package::Setup.MainEntry();
  IoResult result = kIoOk;
  for (const package::LibRec* entry = main.Next; entry != nullptr && result == kIoOk; entry = entry->Next) {
    AdvanceProgress(FileStep);
    result = CopyEntry(blob, *entry);
  }
  if (result == kIoOk) {
    AdvanceProgress(FileStep);
    result = platform::FileSeek(blob, main.Size);
    if (result == kIoOk) result = platform::FileTruncate(blob);
  }
  const IoResult closed = platform::FileClose(blob);
  return result == kIoOk && closed == kIoOk;
}

}  // namespace extract
