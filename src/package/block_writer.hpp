// Writes a setup data block: the inverse of ReadSetupBlock, used by the
// packaging tool and by tests that need packages of a given shape.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace package {

struct PackageEntry {
  std::string Name;
  std::int32_t Offset = 0;
  std::int32_t Size = 0;
};

struct PackageContents : SetupHeader {
  SetupTextArray SetupTexts;
  // In list order: the main program first.  The block stores them in
  // reverse, so that reading them back yields this order.
  std::vector<PackageEntry> Entries;
};

// The block followed by its trailer, for a block that starts at
// block_offset in the finished file.  Every text and entry name must fit
// a counted text (at most 255 bytes): callers check that beforehand.
std::vector<std::uint8_t> EncodeSetupBlock(const PackageContents& contents, std::uint32_t block_offset);

// The integrity record (integrity_record.hpp) that goes in front of
// block_and_trailer, as EncodeSetupBlock made it for the offset just past
// the record; image_crc is the CRC-32 of the executable image in front of
// the record.  Without it the record is one of the first version, as
// older packages carry.
std::vector<std::uint8_t> EncodeIntegrityRecord(std::optional<std::uint32_t> image_crc, std::uint32_t payload_crc,
                                                const std::vector<VolumeSum>& volumes,
                                                const std::vector<std::uint8_t>& block_and_trailer);

// The file details record (file_details.hpp) of a package of these flags
// and entry times (list order, the main program first).
std::vector<std::uint8_t> EncodeFileDetails(std::uint32_t flags, const std::vector<std::uint32_t>& times);

}  // namespace package
