// The file details record: what pmsetup pack knows of each packaged file
// beyond its name and place in the payload.  It says whether the entries'
// names are paths under the destination, and when each file was last
// modified.  Installers that do not know the record install every file by
// the last component of its name, with the time of installation, as they
// always have; the setup block itself is unchanged.
//
// It stands in front of the integrity record (integrity_record.hpp), so it
// lies within the image that the record's ImageCrc covers, and is read only
// when that record is of the current version and sound:
//
//   executable image    any length
//   FileDetails         20 + 4 × N bytes, optional
//   IntegrityRecord     "PMCHECK2"
//   SetupBlock, SetupTrailer
//
// FileDetails, all integers 32-bit little-endian:
//
//   Flags        bit 0 (kFolderNames): names hold folders, separated by
//                '\' (or '/'), each one created under the destination
//   EntryCount   N, the setup block's entry count
//   N × Time     in list order, the main program first: when the file was
//                last modified, in seconds since 1970-01-01 00:00 UTC, a
//                multiple of 2 as FAT keeps it; 0 when not known
//   RecordSize   20 + 4 × N: the whole record, these last 12 bytes included
//   Signature    the 8 bytes "PMFILES1"
#pragma once

#include <cstdint>

#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace package {

constexpr char kDetailsSignature[8] = {'P', 'M', 'F', 'I', 'L', 'E', 'S', '1'};
constexpr std::uint32_t kDetailsFixedSize = 20;
constexpr std::uint32_t kFolderNames = 1;

// The size of a details record of so many entries.
constexpr std::uint32_t FileDetailsSize(std::uint32_t entries) { return kDetailsFixedSize + 4 * entries; }

// Why a package's details record cannot be used, as installers report it.
inline constexpr const char* kDamagedDetails = "its file details record is damaged";

// Reads the details record in front of the sound record of the current
// version that file holds into block: FolderNames, and each entry's Time.
// Without such a record, or without one in front of it, block is left as
// it is.  *damage is set, and block left unchanged, when a record is there
// but its shape or its entry count is wrong.
platform::IoResult ReadFileDetailsOf(platform::FileHandle file, const IntegrityRecord& record, SetupBlock& block,
                                     const char** damage);

}  // namespace package
