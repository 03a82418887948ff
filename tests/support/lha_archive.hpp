// Wraps a raw LZHUF stream in a one-file LHA archive (level-0 header,
// method "-lh1-", which carries exactly this bit stream), so that an
// independent LHA tool can decode what our encoder wrote.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace testing_support {

// CRC-16 as LHA archives use it (polynomial 0xA001 reflected, start 0).
std::uint16_t LhaCrc16(std::span<const std::uint8_t> data);

std::vector<std::uint8_t> LhaArchive(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> original,
                                     const std::string& name = "data.bin");

}  // namespace testing_support
