#include "package/block_writer.hpp"

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

}  // namespace package
