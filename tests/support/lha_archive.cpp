#include "lha_archive.hpp"

namespace testing_support {
namespace {

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

}  // namespace

std::uint16_t LhaCrc16(std::span<const std::uint8_t> data) {
  std::uint16_t crc = 0;
  for (std::uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

std::vector<std::uint8_t> LhaArchive(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> original,
                                     const std::string& name) {
  // Level 0: size, checksum, method, packed size, original size, DOS time
  // and date, attribute, level, name, CRC of the original.
  std::vector<std::uint8_t> header;
  for (char c : std::string("-lh1-")) header.push_back(static_cast<std::uint8_t>(c));
  PutLe(header, static_cast<std::uint32_t>(stream.size()), 4);
  PutLe(header, static_cast<std::uint32_t>(original.size()), 4);
  PutLe(header, 0x00210000, 4);  // 1980-01-01 00:00
  header.push_back(0x20);        // archive attribute
  header.push_back(0);           // header level
  header.push_back(static_cast<std::uint8_t>(name.size()));
  header.insert(header.end(), name.begin(), name.end());
  PutLe(header, LhaCrc16(original), 2);

  std::uint8_t checksum = 0;
  for (std::uint8_t byte : header) checksum = static_cast<std::uint8_t>(checksum + byte);
  std::vector<std::uint8_t> archive;
  archive.reserve(2 + header.size() + stream.size() + 1);
  archive.push_back(static_cast<std::uint8_t>(header.size()));
  archive.push_back(checksum);
  archive.insert(archive.end(), header.begin(), header.end());
  archive.insert(archive.end(), stream.begin(), stream.end());
  archive.push_back(0);  // end of archive
  return archive;
}

}  // namespace testing_support
