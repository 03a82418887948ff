#include "reading/file_kind.hpp"

#include <cstring>
#include <fstream>
#include <vector>

#include "io/file_io.hpp"
#include "pagemix_version.h"
#include "reading/pe_image.hpp"
#include "reading/stub_version.hpp"

namespace pmsetup {
namespace {

// The head of a file is enough for every mark looked for: an ISO 9660
// volume descriptor starts at 32,768, a boot sector and the PE headers
// much earlier, and the installer's version resource lies within its
// image of some 50 KB.
constexpr std::size_t kHeadSize = 1 << 20;

bool HasAt(const std::vector<std::uint8_t>& head, std::size_t at, const char* mark) {
  const std::size_t length = std::strlen(mark);
  return head.size() >= at + length && std::memcmp(head.data() + at, mark, length) == 0;
}

// A FAT boot sector: the 0x55AA signature and "FAT" where the FAT12/16
// or the FAT32 boot record names its type.
bool FloppyImage(const std::vector<std::uint8_t>& head, std::uint64_t size) {
  return size % 512 == 0 && head.size() >= 512 && head[510] == 0x55 && head[511] == 0xAA &&
         (HasAt(head, 54, "FAT") || HasAt(head, 82, "FAT"));
}

// The first bytes of the file and its size; nothing when it cannot be read.
bool ReadHead(const std::string& path, std::vector<std::uint8_t>& head, std::uint64_t& size) {
  std::ifstream file(Path(path), std::ios::binary | std::ios::ate);
  if (!file) return false;
  size = static_cast<std::uint64_t>(file.tellg());
  head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeadSize)));
  file.seekg(0);
  return static_cast<bool>(file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size())));
}

DiskImage DiskImageOfHead(const std::vector<std::uint8_t>& head, std::uint64_t size) {
  if (HasAt(head, 32769, "CD001")) return DiskImage::kCd;
  return FloppyImage(head, size) ? DiskImage::kFloppy : DiskImage::kNone;
}

}  // namespace

DiskImage DiskImageOf(const std::string& path) {
  std::vector<std::uint8_t> head;
  std::uint64_t size = 0;
  return ReadHead(path, head, size) ? DiskImageOfHead(head, size) : DiskImage::kNone;
}

std::optional<std::string> NotAPackage(const std::string& path) {
  std::vector<std::uint8_t> head;
  std::uint64_t size = 0;
  if (!ReadHead(path, head, size)) return std::nullopt;  // the read's own error says why
  constexpr const char* kNoProgram = "not a package: not even a Windows program (a package is a SETUP.EXE made by pmsetup pack)";
  constexpr const char* kCutShort = "damaged package: the file ends inside the installer program (a copy cut short)";
  if (!HasAt(head, 0, "MZ")) return kNoProgram;
  if (!PeHeaderOffset(head)) {
    // An MS-DOS program, or a Windows one cut short before its headers.
    PeReader reader(head);
    const std::uint64_t pe = reader.U32(0x3C);
    return reader.ok() && reader.Has(pe, 4) ? kNoProgram : kCutShort;
  }
  const std::optional<std::uint64_t> image_end = ImageEnd(head);
  if (!image_end || size < *image_end) return kCutShort;
  if (size > *image_end) return std::nullopt;
  const std::optional<StubVersion> version = ReadStubVersion(head);
  if (version && version->product == PAGEMIX_PRODUCT_NAME) {
    return "not a package but the bare installer, with nothing packed into it: make a package with pmsetup pack";
  }
  return "not a package but a Windows program with nothing appended to it";
}

}  // namespace pmsetup
