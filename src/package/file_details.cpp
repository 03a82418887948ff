#include "package/file_details.hpp"

#include <string>

#include "package/little_endian.hpp"

namespace package {

namespace {
constexpr std::uint32_t kDetailsTailSize = 12;  // RecordSize and Signature
}  // namespace

platform::IoResult ReadFileDetailsOf(platform::FileHandle file, const IntegrityRecord& record, SetupBlock& block,
                                     const char** damage) {
  *damage = nullptr;
  // The record is covered by the image's checksum: no damage can give a
  // signature that differs a little, only a packer's fault a wrong shape.
  if (!record.Present || !record.ImageCovered || record.Offset < kDetailsFixedSize) return platform::kIoOk;
  unsigned char tail[kDetailsTailSize];
  platform::IoResult result = ReadBytesAt(file, record.Offset - kDetailsTailSize, tail, kDetailsTailSize);
  if (result != platform::kIoOk) return result;
  for (int k = 0; k < 8; ++k) {
    if (tail[4 + k] != static_cast<unsigned char>(kDetailsSignature[k])) return platform::kIoOk;
  }
  const std::uint32_t size = LittleEndian32(tail);
  const auto entries = static_cast<std::uint32_t>(block.EntryCount);
  *damage = kDamagedDetails;
  if (size != FileDetailsSize(entries) || size > record.Offset) return platform::kIoOk;
  std::string stored(size, '\0');
  auto* bytes = reinterpret_cast<unsigned char*>(stored.data());
  if ((result = ReadBytesAt(file, record.Offset - size, bytes, size)) != platform::kIoOk) return result;
  if (LittleEndian32(bytes + 4) != entries) return platform::kIoOk;
  *damage = nullptr;
  block.FolderNames = (LittleEndian32(bytes) & kFolderNames) != 0;
  const unsigned char* time = bytes + 8;
  for (LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next, time += 4) {
    entry->Time = LittleEndian32(time);
  }
  return platform::kIoOk;
}

}  // namespace package
