#include "package/integrity_record.hpp"

#include <algorithm>

#include "common/crc32.hpp"
#include "package/little_endian.hpp"
#include "package/setup_block.hpp"

namespace package {

IntegrityRecord Integrity;

namespace {

using platform::FileHandle;
using platform::IoResult;
using platform::kIoOk;

constexpr std::uint32_t kRecordTailSize = 12;  // RecordSize and Signature

// Eight bytes that differ from a signature in this many places or fewer
// are a damaged signature, not chance: the end of a stub's image is
// padding or resource data, far from "PMCHECK".
constexpr int kMostDamagedSignatureBytes = 3;

int DifferingBytes(const unsigned char* bytes, const char (&signature)[8]) {
  int differing = 0;
  for (int k = 0; k < 8; ++k) differing += bytes[k] != static_cast<unsigned char>(signature[k]);
  return differing;
}

// The CRC of the file's bytes from position up to end.
IoResult CrcOfRange(FileHandle file, std::int64_t position, std::int64_t end, std::uint32_t& crc) {
  unsigned char buffer[2048];
  crc = 0;
  for (; position < end;) {
    const auto count = static_cast<std::uint32_t>(std::min<std::int64_t>(sizeof buffer, end - position));
    if (const IoResult result = ReadBytesAt(file, position, buffer, count)) return result;
    crc = common::UpdateCrc32(crc, buffer, count);
    position += count;
  }
  return kIoOk;
}

// The record that ends at block_offset, if a signature stands there.
IoResult ReadRecord(FileHandle file, std::int64_t size, IntegrityRecord& record, RecordCheck& check) {
  unsigned char tail[kRecordTailSize];
  IoResult result = ReadBytesAt(file, size - kTrailerSize, tail, kTrailerSize);
  if (result != kIoOk) return result;
  const std::int64_t block_offset = LittleEndian32(tail);
  if (block_offset < kRecordTailSize || block_offset > size - kTrailerSize) return kIoOk;
  if ((result = ReadBytesAt(file, block_offset - kRecordTailSize, tail, kRecordTailSize)) != kIoOk) return result;
  const int first_differing = DifferingBytes(tail + 4, kFirstRecordSignature);
  const int differing = std::min(first_differing, DifferingBytes(tail + 4, kRecordSignature));
  if (differing > kMostDamagedSignatureBytes) return kIoOk;

  check = RecordCheck::kRecordDamaged;
  const bool covers_image = first_differing != 0;
  const std::uint32_t fixed_size = covers_image ? kRecordFixedSize : kFirstRecordFixedSize;
  const std::uint32_t record_size = LittleEndian32(tail);
  const std::uint32_t volumes = (record_size - fixed_size) / kRecordVolumeSize;
  if (differing > 0 || record_size < fixed_size + kRecordVolumeSize ||
      record_size != fixed_size + kRecordVolumeSize * volumes || volumes > kMostVolumes ||
      record_size > block_offset) {
    return kIoOk;
  }
  check = RecordCheck::kDamaged;
  const std::int64_t start = block_offset - record_size;
  std::string stored(record_size, '\0');
  auto* bytes = reinterpret_cast<unsigned char*>(stored.data());
  if ((result = ReadBytesAt(file, start, bytes, record_size)) != kIoOk) return result;
  std::uint32_t crc = 0;
  if ((result = CrcOfRange(file, start + 4, size, crc)) != kIoOk) return result;
  const unsigned char* fields = bytes + (covers_image ? 8 : 4);  // PayloadCrc onwards
  if (crc != LittleEndian32(bytes) || LittleEndian32(fields + 4) != volumes) return kIoOk;

  record.Present = true;
  record.ImageCovered = covers_image;
  record.Offset = start;
  record.PayloadCrc = LittleEndian32(fields);
  record.VolumeSums = stored.substr(fields + 8 - bytes, kRecordVolumeSize * volumes);
  check = RecordCheck::kSound;
  if (covers_image) {
    if ((result = CrcOfRange(file, 0, start, crc)) != kIoOk) return result;
    if (crc != LittleEndian32(bytes + 4)) check = RecordCheck::kImageDamaged;
  }
  return kIoOk;
}

}  // namespace

IoResult ReadBytesAt(FileHandle file, std::int64_t position, unsigned char* buffer, std::uint32_t count) {
  if (position < 0 || position > INT32_MAX) return platform::kShortRead;
  IoResult result = platform::FileSeek(file, static_cast<std::int32_t>(position));
  std::uint32_t got = 0;
  if (result == kIoOk) result = platform::FileRead(file, buffer, count, got);
  return result == kIoOk && got != count ? platform::kShortRead : result;
}

IoResult ReadIntegrityRecordOf(FileHandle file, IntegrityRecord& record, RecordCheck& check) {
  record = IntegrityRecord{};
  check = RecordCheck::kAbsent;
  std::int64_t size = 0;
  IoResult result = platform::FileSize(file, size);
  if (result == kIoOk) result = ReadRecord(file, size, record, check);
  if (result != kIoOk) {
    record = IntegrityRecord{};
    check = RecordCheck::kAbsent;
  }
  return result;
}

IoResult ReadIntegrityRecord(const std::string& path, IntegrityRecord& record, RecordCheck& check) {
  record = IntegrityRecord{};
  check = RecordCheck::kAbsent;
  return ReadPackageAt(path, [&](FileHandle file) { return ReadIntegrityRecordOf(file, record, check); });
}

}  // namespace package
