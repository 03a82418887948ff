#include "package/block_writer.hpp"

namespace package {
namespace {

constexpr std::size_t kMaxCountedText = 255;

void PutInt32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutCountedText(std::vector<std::uint8_t>& out, const std::string& text) {
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::string CountedTextProblem(const PackageContents& contents) {
  for (int id = 0; id < kTextCount; ++id) {
    if (contents.SetupTexts[id].size() > kMaxCountedText) {
      return std::string("text ") + kTextNames[id] + " is longer than 255 bytes";
    }
  }
  for (const PackageEntry& entry : contents.Entries) {
    if (entry.Name.size() > kMaxCountedText) return "file name " + entry.Name + " is longer than 255 bytes";
  }
  return std::string();
}

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
