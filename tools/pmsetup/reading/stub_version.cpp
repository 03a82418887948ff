// Walks a PE file to its version resource: the resource data directory
// (pe_image.hpp) to the resource tree, type RT_VERSION to its first name
// and language, and that resource's block tree (VS_VERSIONINFO) to the
// fixed information and the strings.  Every read goes through PeReader,
// which answers 0 past the end and remembers that it did; each step
// checks it before it relies on what it read.
#include "reading/stub_version.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "io/file_io.hpp"
#include "reading/pe_image.hpp"

namespace pmsetup {
namespace {

constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint32_t kVersionType = 16;  // RT_VERSION
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoSize = 52;

// In the resource directory at offset at of the section: the data offset
// of the entry with the numeric id, or of the first entry when id is 0.
// Nothing when there is none, or when it is not a subdirectory although
// one is wanted (or the other way round).
std::optional<std::uint32_t> DirectoryEntry(PeReader& section, std::uint32_t at, std::uint32_t id, bool subdirectory) {
  const std::uint32_t count = section.U16(at + 12ull) + section.U16(at + 14ull);
  for (std::uint32_t n = 0; n < count && section.ok(); ++n) {
    const std::uint64_t entry = at + 16ull + 8ull * n;
    const std::uint32_t name = section.U32(entry), data = section.U32(entry + 4);
    if (!section.ok() || (id != 0 && name != id)) continue;
    if (((data & kSubdirectory) != 0) != subdirectory) return std::nullopt;
    return data & ~kSubdirectory;
  }
  return std::nullopt;
}

// The bytes of the first version resource.
std::optional<Bytes> VersionResource(Bytes exe) {
  const std::optional<PeDirectoryBytes> resources = DirectoryOf(exe, PeDirectory::kResources);
  if (!resources) return std::nullopt;
  PeReader section(resources->bytes);
  const auto names = DirectoryEntry(section, 0, kVersionType, true);
  const auto languages = names ? DirectoryEntry(section, *names, 0, true) : std::nullopt;
  const auto leaf = languages ? DirectoryEntry(section, *languages, 0, false) : std::nullopt;
  if (!leaf) return std::nullopt;
  const std::uint32_t rva = section.U32(*leaf), size = section.U32(*leaf + 4ull);
  if (!section.ok()) return std::nullopt;
  return ImageBytes(exe, rva, size);
}

std::uint64_t Align4(std::uint64_t at) { return (at + 3) & ~std::uint64_t{3}; }

// UTF-16 units from at up to their terminating zero or end, as printable
// ASCII.
std::string Utf16Text(PeReader& reader, std::uint64_t at, std::uint64_t end) {
  std::string text;
  for (; at + 2 <= end; at += 2) {
    const std::uint32_t unit = reader.U16(at);
    if (unit == 0) break;
    text += unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?';
  }
  return text;
}

// One block of the version resource: a length, a key, a value, and
// blocks below it.  The parts are clipped to the block, so a value
// longer than its block ends with it.
struct Block {
  std::uint32_t length = 0;
  std::string key;
  Bytes value;
  Bytes children;
};

std::optional<Block> ParseBlock(Bytes bytes) {
  PeReader reader(bytes);
  constexpr std::uint32_t kHeader = 6;  // wLength, wValueLength, wType
  Block block;
  block.length = reader.U16(0);
  const std::uint32_t value_length = reader.U16(2), type = reader.U16(4);
  if (!reader.ok() || block.length < kHeader || block.length > bytes.size()) return std::nullopt;
  block.key = Utf16Text(reader, kHeader, block.length);
  const std::uint64_t value = Align4(kHeader + 2 * (block.key.size() + 1ull));
  const std::uint64_t text_unit = type == 1 ? 2 : 1;  // a text value counts characters
  const std::uint64_t value_end = std::min<std::uint64_t>(value + text_unit * value_length, block.length);
  if (value > value_end) return block;
  const std::uint64_t children = std::min<std::uint64_t>(Align4(value_end), block.length);
  block.value = bytes.subspan(static_cast<std::size_t>(value), static_cast<std::size_t>(value_end - value));
  block.children = bytes.subspan(static_cast<std::size_t>(children), static_cast<std::size_t>(block.length - children));
  return block;
}

// The first of the blocks in children for which found is true.  A block
// that does not parse ends the search.
template <typename Predicate>
std::optional<Block> FindChild(Bytes children, Predicate found) {
  for (std::uint64_t at = 0; at < children.size();) {
    std::optional<Block> block = ParseBlock(children.subspan(static_cast<std::size_t>(at)));
    if (!block || found(*block)) return block;
    at = Align4(at + block->length);  // at least 6 bytes on
  }
  return std::nullopt;
}

std::optional<Block> Child(Bytes children, const std::string& key) {
  return FindChild(children, [&key](const Block& block) { return block.key == key; });
}

}  // namespace

std::optional<StubVersion> ReadStubVersion(Bytes exe) {
  const std::optional<Bytes> resource = VersionResource(exe);
  const std::optional<Block> root = resource ? ParseBlock(*resource) : std::nullopt;
  if (!root || root->key != "VS_VERSION_INFO") return std::nullopt;
  PeReader fixed(root->value);
  if (root->value.size() < kFixedInfoSize || fixed.U32(0) != kFixedInfoSignature) return std::nullopt;
  const std::uint32_t high = fixed.U32(8), low = fixed.U32(12);
  char version[48];
  std::snprintf(version, sizeof version, "%u.%u.%u", static_cast<unsigned>(high >> 16),
                static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 16));
  StubVersion stub{std::string(), version};
  if (low & 0xFFFF) stub.version += '.' + std::to_string(low & 0xFFFF);

  // The string tables one by one, until one names the product.
  const std::optional<Block> strings = Child(root->children, "StringFileInfo");
  FindChild(strings ? strings->children : Bytes(), [&stub](const Block& table) {
    const std::optional<Block> name = Child(table.children, "ProductName");
    if (!name) return false;
    PeReader text(name->value);
    stub.product = Utf16Text(text, 0, name->value.size());
    return true;
  });
  return stub;
}

std::optional<StubVersion> ReadStubVersionOf(const std::string& path) {
  constexpr std::uint64_t kMostRead = 16 << 20;
  FileReader reader;
  std::string error;
  if (!reader.Open(path, error, true)) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(reader.Size().value_or(0), kMostRead)));
  bytes.resize(reader.Read(bytes));
  if (reader.Failed()) return std::nullopt;
  return ReadStubVersion(bytes);
}

std::string DescribeStubVersion(const std::optional<StubVersion>& stub) {
  if (!stub) return "no version resource (an older stub or another packer)";
  return stub->product.empty() ? "version " + stub->version : stub->product + " " + stub->version;
}

}  // namespace pmsetup
