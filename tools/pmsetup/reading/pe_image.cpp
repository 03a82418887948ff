#include "reading/pe_image.hpp"

#include <algorithm>

namespace pmsetup {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"

// Where the section holding rva keeps it in the file, and how many of the
// section's bytes follow it there.
struct FilePlace {
  std::uint64_t offset = 0;
  std::uint32_t left = 0;
};

std::optional<FilePlace> PlaceOf(Bytes exe, std::uint32_t rva) {
  PeReader file(exe);
  const std::uint32_t pe = file.U32(0x3C);
  const std::uint32_t sections = file.U16(pe + 6ull);
  const std::uint64_t table = pe + 24ull + file.U16(pe + 20ull);
  for (std::uint32_t n = 0; n < sections && file.ok(); ++n) {
    const std::uint64_t section = table + 40ull * n;
    const std::uint32_t start = file.U32(section + 12), length = file.U32(section + 16), raw = file.U32(section + 20);
    if (file.ok() && rva >= start && rva - start < length) {
      return FilePlace{raw + std::uint64_t{rva - start}, length - (rva - start)};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> PeHeaderOffset(Bytes exe) {
  PeReader file(exe);
  if (file.U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
  const std::uint64_t pe = file.U32(0x3C);
  if (file.U32(pe) != kPeSignature || !file.ok()) return std::nullopt;
  return pe;
}

std::optional<Bytes> PeReader::Part(std::uint64_t at, std::uint64_t size) {
  if (!Has(at, size)) return ok_ = false, std::nullopt;
  return bytes_.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(size));
}

std::uint32_t PeReader::Value(std::uint64_t at, int size) {
  if (!Has(at, size)) return ok_ = false, 0;
  std::uint32_t value = 0;
  for (int k = size; k-- > 0;) value = value << 8 | bytes_[static_cast<std::size_t>(at) + k];
  return value;
}

std::optional<std::uint64_t> ImageEnd(Bytes exe) {
  PeReader file(exe);
  const std::optional<std::uint64_t> found_pe = PeHeaderOffset(exe);
  if (!found_pe) return std::nullopt;
  const std::uint64_t pe = *found_pe;
  const std::uint32_t sections = file.U16(pe + 6);
  const std::uint64_t optional_header = pe + 24;
  const std::uint64_t table = optional_header + file.U16(pe + 20);
  std::uint64_t end = file.U32(optional_header + 60);  // SizeOfHeaders
  for (std::uint32_t n = 0; n < sections; ++n) {
    const std::uint64_t section = table + 40ull * n;
    const std::uint32_t raw_size = file.U32(section + 16), raw = file.U32(section + 20);
    if (raw_size > 0) end = std::max(end, std::uint64_t{raw} + raw_size);
  }
  if (!file.ok()) return std::nullopt;
  return end;
}

std::optional<Bytes> ImageBytes(Bytes exe, std::uint32_t rva, std::uint32_t size) {
  const std::optional<FilePlace> place = PlaceOf(exe, rva);
  if (!place || size > place->left) return std::nullopt;
  PeReader file(exe);
  return file.Part(place->offset, size);
}

std::optional<Bytes> ImageBytesFrom(Bytes exe, std::uint32_t rva) {
  const std::optional<FilePlace> place = PlaceOf(exe, rva);
  if (!place) return std::nullopt;
  const std::uint64_t in_file = place->offset < exe.size() ? exe.size() - place->offset : 0;
  PeReader file(exe);
  return file.Part(place->offset, std::min<std::uint64_t>(place->left, in_file));
}

std::optional<PeDirectoryBytes> DirectoryOf(Bytes exe, PeDirectory directory) {
  PeReader file(exe);
  const std::optional<std::uint64_t> found_pe = PeHeaderOffset(exe);
  if (!found_pe) return std::nullopt;
  const std::uint64_t pe = *found_pe;
  const std::uint32_t optional_size = file.U16(pe + 20);
  const std::uint64_t optional_header = pe + 24;
  PeDirectoryBytes found;
  std::uint32_t directories = 0;  // where the data directories start in the optional header
  switch (file.U16(optional_header)) {
    case 0x10B: directories = 96; break;  // PE32
    case 0x20B: directories = 112, found.pe32_plus = true; break;
    default: return std::nullopt;
  }
  const auto index = static_cast<std::uint32_t>(directory);
  const std::uint32_t entry = directories + 8 * index;
  if (file.U32(optional_header + directories - 4) <= index || entry + 8 > optional_size) return std::nullopt;
  found.rva = file.U32(optional_header + entry);
  const std::uint32_t size = file.U32(optional_header + entry + 4);
  if (!file.ok() || size == 0) return std::nullopt;
  const std::optional<Bytes> bytes = ImageBytes(exe, found.rva, size);
  if (!bytes) return std::nullopt;
  found.bytes = *bytes;
  return found;
}

}  // namespace pmsetup
