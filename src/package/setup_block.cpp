#include "package/setup_block.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "package/file_name.hpp"
#include "package/little_endian.hpp"

namespace package {

const std::array<const char*, kTextCount> kTextNames = {
    "Title", "DefaultDir", "GroupName", "OkCaption", "CancelCaption", "YesCaption",
    "NoCaption", "DirPrompt", "GroupPrompt", "RunPrompt", "DiskPrompt",
    "WrongDiskMessage", "TerminatedMessage", "CancelConfirm", "DialogCaption",
    "ProgressCaption", "FooterText"};

SetupBlock Setup;

namespace {

using platform::FileHandle;
using platform::IoResult;

// The code Windows gives for a failed allocation; the records read so far
// stay linked.
constexpr IoResult kOutOfMemory = 8;

// Reads fixed-size fields in order and keeps track of the file position.
class FieldReader {
 public:
  FieldReader(FileHandle file, std::int64_t position) : file_(file), position_(position) {}

  std::int64_t Position() const { return position_; }

  IoResult Bytes(void* buffer, std::uint32_t count) {
    std::uint32_t got = 0;
    const IoResult result = platform::FileRead(file_, buffer, count, got);
    position_ += got;
    if (result != platform::kIoOk) return result;
    return got == count ? platform::kIoOk : platform::kShortRead;
  }

  IoResult Int32(std::uint32_t& value) {
    unsigned char bytes[4];
    const IoResult result = Bytes(bytes, sizeof bytes);
    if (result == platform::kIoOk) value = LittleEndian32(bytes);
    return result;
  }

  IoResult Int32(std::int32_t& value) {
    std::uint32_t raw = 0;
    const IoResult result = Int32(raw);
    if (result == platform::kIoOk) value = static_cast<std::int32_t>(raw);
    return result;
  }

  // A counted text is cut at its first zero byte; its stored length still
  // decides how many bytes it occupies.
  IoResult CountedText(std::string& text) {
    unsigned char length = 0;
    IoResult result = Bytes(&length, 1);
    if (result != platform::kIoOk) return result;
    char buffer[256];
    if (length > 0) result = Bytes(buffer, length);
    if (result == platform::kIoOk) text.assign(buffer, strnlen(buffer, length));
    return result;
  }

 private:
  FileHandle file_;
  std::int64_t position_;
};

IoResult ReadHeader(FieldReader& in, SetupBlock& block) {
  std::uint32_t disk_count = 0;
  IoResult result = in.Int32(block.TopColor);
  if (result == platform::kIoOk) result = in.Int32(block.BottomColor);
  if (result == platform::kIoOk) result = in.Int32(block.TitleColor);
  if (result == platform::kIoOk) result = in.Int32(block.TotalSize);
  if (result == platform::kIoOk) result = in.Int32(disk_count);
  if (result == platform::kIoOk) block.DiskCount = static_cast<std::uint8_t>(disk_count);
  for (std::string& text : block.SetupTexts) {
    if (result == platform::kIoOk) result = in.CountedText(text);
  }
  return result;
}

// Entries run up to the trailer; each takes at least 9 bytes, so the loop
// ends.  An entry that runs into the trailer but ends inside the file is
// still taken.
IoResult ReadEntries(FieldReader& in, std::int64_t limit, SetupBlock& block) {
  IoResult result = platform::kIoOk;
  while (result == platform::kIoOk && in.Position() < limit) {
    auto* record = new (std::nothrow) LibRec;
    if (record == nullptr) return kOutOfMemory;
    result = in.CountedText(record->Name);
    if (result == platform::kIoOk) result = in.Int32(record->Offset);
    if (result == platform::kIoOk) result = in.Int32(record->Size);
    if (result != platform::kIoOk) {
      delete record;
      break;
    }
    record->Next = block.FileList;
    block.FileList = record;
    ++block.EntryCount;
  }
  return result;
}

// The trailer's offset is taken as a signed 32-bit position: 2^31 and
// above fail at the seek.
IoResult ReadBlockAt(FileHandle file, SetupBlock& block) {
  std::int64_t size = 0;
  IoResult result = platform::FileSize(file, size);
  if (result != platform::kIoOk) return result;
  const std::int64_t limit = size - kTrailerSize;
  if (limit < 0 || limit > INT32_MAX) return platform::kShortRead;

  FieldReader trailer(file, limit);
  std::uint32_t block_offset = 0;
  result = platform::FileSeek(file, static_cast<std::int32_t>(limit));
  if (result == platform::kIoOk) result = trailer.Int32(block_offset);
  if (result == platform::kIoOk) result = platform::FileSeek(file, static_cast<std::int32_t>(block_offset));
  if (result != platform::kIoOk) return result;

  block.Offset = block_offset;
  FieldReader in(file, block_offset);
  result = ReadHeader(in, block);
  if (result == platform::kIoOk) result = ReadEntries(in, limit, block);
  return result;
}

}  // namespace

IoResult ReadSetupBlockOf(FileHandle file, SetupBlock& block) { return ReadBlockAt(file, block); }

IoResult ReadSetupBlock(const std::string& path, SetupBlock& block) {
  return ReadPackageAt(path, [&block](FileHandle file) { return ReadSetupBlockOf(file, block); });
}

void FreeFileList(SetupBlock& block) {
  while (LibRec* record = block.FileList) {
    block.FileList = record->Next;
    delete record;
  }
}

const char kNoPackage[] = "it carries no package: it is the bare installer, or a package cut short";

const char* PackageDefect(const SetupBlock& block) {
  if (block.Offset < kFirstBlockOffset) return kNoPackage;
  const LibRec* main = block.MainEntry();
  if (main == nullptr) return "the file list is empty";
  // The main program is written under its name as it stands: a name that
  // Windows would change or refuse cannot be installed or started.
  if (FileNameProblem(main->Name) != nullptr) return "the main program's name is not a usable Windows file name";
  // Installed beside the volumes, it would replace one before it is read.
  if (PackageVolume(main->Name, block.DiskCount)) return "the main program is named like a volume";
  // Written under a temporary name of its own, it would be removed as a
  // leftover by the next installation into its folder.
  if (InstallerTemporaryName(main->Name)) return "the main program is named like the installer's temporary files";
  return nullptr;
}

}  // namespace package
