#include "package/block_writer.hpp"

#include "common/crc32.hpp"
#include "package/file_details.hpp"

namespace package {
namespace {

void PutInt32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutCountedText(std::vector<std::uint8_t>& out, const std::string& text) {
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::vector<std::uint8_t> EncodeSetupBlock(const PackageContents& contents, std::uint32_t block_offset) {
  std::vector<std::uint8_t> out;
  PutInt32(out, contents.TopColor);
  PutInt32(out, contents.BottomColor);
  PutInt32(out, contents.TitleColor);
  PutInt32(out, static_cast<std::uint32_t>(contents.TotalSize));
  PutInt32(out, contents.DiskCount);
  for (const std::string& text : contents.SetupTexts) PutCountedText(out, text);
  for (auto entry = contents.Entries.rbegin(); entry != contents.Entries.rend(); ++entry) {
    PutCountedText(out, entry->Name);
    PutInt32(out, static_cast<std::uint32_t>(entry->Offset));
    PutInt32(out, static_cast<std::uint32_t>(entry->Size));
  }
  PutInt32(out, block_offset);
  return out;
}

std::vector<std::uint8_t> EncodeIntegrityRecord(std::optional<std::uint32_t> image_crc, std::uint32_t payload_crc,
                                                const std::vector<VolumeSum>& volumes,
                                                const std::vector<std::uint8_t>& block_and_trailer) {
  std::vector<std::uint8_t> out;
  PutInt32(out, 0);  // SetupCrc, filled in below
  if (image_crc) PutInt32(out, *image_crc);
  PutInt32(out, payload_crc);
  PutInt32(out, static_cast<std::uint32_t>(volumes.size()));
  for (const VolumeSum& volume : volumes) {
    PutInt32(out, volume.Size);
    PutInt32(out, volume.Crc);
  }
  PutInt32(out, static_cast<std::uint32_t>(out.size() + 12));  // RecordSize, counting itself and the signature
  const char(&signature)[8] = image_crc ? kRecordSignature : kFirstRecordSignature;
  out.insert(out.end(), std::begin(signature), std::end(signature));
  std::uint32_t crc = common::UpdateCrc32(0, out.data() + 4, out.size() - 4);
  crc = common::UpdateCrc32(crc, block_and_trailer.data(), block_and_trailer.size());
  for (int k = 0; k < 4; ++k) out[k] = static_cast<std::uint8_t>(crc >> (8 * k));
  return out;
}

std::vector<std::uint8_t> EncodeFileDetails(std::uint32_t flags, const std::vector<std::uint32_t>& times) {
  std::vector<std::uint8_t> out;
  PutInt32(out, flags);
  PutInt32(out, static_cast<std::uint32_t>(times.size()));
  for (const std::uint32_t time : times) PutInt32(out, time);
  PutInt32(out, FileDetailsSize(static_cast<std::uint32_t>(times.size())));
  out.insert(out.end(), std::begin(kDetailsSignature), std::end(kDetailsSignature));
  return out;
}

}  // namespace package
