// The integrity record: checksums that pmsetup pack writes into SETUP.EXE,
// so that an installer can tell a damaged disk or damaged setup data from
// a sound one.  A package without it installs as before, unchecked.
//
// It stands between the executable image and the setup block, so the
// trailer still points at the block and every reader of the block is
// unaffected:
//
//   executable image   any length
//   IntegrityRecord    28 + 8 × VolumeCount bytes, optional
//   SetupBlock         at the offset the trailer gives
//   SetupTrailer       last 4 bytes
//
// IntegrityRecord, all integers 32-bit little-endian:
//
//   SetupCrc       CRC-32 (crc32.hpp) of every byte after this field up to
//                  the end of the file: the rest of the record, the block
//                  and the trailer
//   ImageCrc       CRC-32 of the executable image, every byte in front of
//                  the record: the installer checks its own program before
//                  it trusts its resources or its data
//   PayloadCrc     CRC-32 of the decoded payload, TotalSize bytes
//   VolumeCount    N, the package's DiskCount (1 to 255)
//   N × (Size, Crc)  the byte count and CRC-32 of DISK1.CMP, DISK2.CMP, ...
//   RecordSize     28 + 8 × N: the whole record, these last 12 bytes included
//   Signature      the 8 bytes "PMCHECK2"
//
// Packages made before the image was covered carry the first version,
// "PMCHECK1": the same record without ImageCrc (24 + 8 × N bytes).  It is
// read and checked as before; only the image goes unchecked.
//
// An installer finds the record by the signature in the 8 bytes just
// before the block; a bare stub ends in padding there.  Eight bytes that
// differ from a signature in a few places only (an unknown version digit
// among them), or a record of an impossible shape, are a damaged record:
// damage to the record must never let a package install unchecked, as one
// packed without it does.
#pragma once

#include <cstdint>
#include <string>
#include <cstddef>

#include "package/little_endian.hpp"
#include "platform/file.hpp"

namespace package {

struct VolumeSum {
  std::uint32_t Size = 0;
  std::uint32_t Crc = 0;
};

constexpr std::uint32_t kRecordVolumeSize = 8;

// The record as read.  The volumes' sums stay in their stored bytes (a
// string: SETUP.EXE links no container beside it).
struct IntegrityRecord {
  bool Present = false;
  bool ImageCovered = false;  // a record of the current version
  std::int64_t Offset = 0;    // where the record begins in its file
  std::uint32_t PayloadCrc = 0;
  std::string VolumeSums;  // N × (Size, Crc), DISK1.CMP first

  std::size_t VolumeCount() const { return VolumeSums.size() / kRecordVolumeSize; }
  // The sums of DISK<number>.CMP, for 1 ≤ number ≤ VolumeCount().
  VolumeSum Volume(std::size_t number) const {
    const auto* sum = reinterpret_cast<const unsigned char*>(VolumeSums.data()) + kRecordVolumeSize * (number - 1);
    return {LittleEndian32(sum), LittleEndian32(sum + 4)};
  }
};
constexpr std::uint32_t kMostVolumes = 255;
// The signatures of the first and of the current version.
constexpr char kFirstRecordSignature[8] = {'P', 'M', 'C', 'H', 'E', 'C', 'K', '1'};
constexpr char kRecordSignature[8] = {'P', 'M', 'C', 'H', 'E', 'C', 'K', '2'};
constexpr std::uint32_t kFirstRecordFixedSize = 24;
constexpr std::uint32_t kRecordFixedSize = 28;

// The size of a current record of so many volumes.
constexpr std::uint32_t IntegrityRecordSize(std::uint32_t volumes) {
  return kRecordFixedSize + kRecordVolumeSize * volumes;
}

// Whether a volume that was read whole, size bytes with the given CRC, is
// the one recorded.
constexpr bool VolumeMatches(const VolumeSum& recorded, std::int64_t size, std::uint32_t crc) {
  return size == recorded.Size && crc == recorded.Crc;
}

// The record of the running package: read when an installation starts.
extern IntegrityRecord Integrity;

// Why a package whose record says kDamaged, kImageDamaged or
// kRecordDamaged cannot be installed.
inline constexpr const char* kDamagedSetupData = "the setup data does not match its checksum";
inline constexpr const char* kDamagedImage = "the installer program does not match its checksum";
inline constexpr const char* kDamagedRecord = "its integrity record is damaged";

// What the record of a package says of its setup data.
enum class RecordCheck {
  kAbsent,         // nothing like a record: nothing can be checked
  kSound,          // the record and the setup data match
  kDamaged,        // the setup data or the record has changed since packing
  kImageDamaged,   // the setup data is sound, the installer's program is not
  kRecordDamaged,  // the record's signature or shape is damaged
};

// Why a damaged package is damaged, else nullptr.
constexpr const char* RecordDamage(RecordCheck check) {
  return check == RecordCheck::kDamaged         ? kDamagedSetupData
         : check == RecordCheck::kImageDamaged  ? kDamagedImage
         : check == RecordCheck::kRecordDamaged ? kDamagedRecord
                                                : nullptr;
}

// Reads count bytes at position of file; a file that ends before is
// kShortRead.
platform::IoResult ReadBytesAt(platform::FileHandle file, std::int64_t position, unsigned char* buffer,
                               std::uint32_t count);

// Reads the record of the SETUP.EXE at path into record and checks the
// setup data and the image against it.  Returns the system's error code
// when the file cannot be read (check is then kAbsent), else 0.  A sound record counts
// as many volumes as the block's DiskCount (1 for a DiskCount of 0): the
// block is covered by SetupCrc.
platform::IoResult ReadIntegrityRecord(const std::string& path, IntegrityRecord& record, RecordCheck& check);
// The same from a file open for reading.
platform::IoResult ReadIntegrityRecordOf(platform::FileHandle file, IntegrityRecord& record, RecordCheck& check);

}  // namespace package
