// Reading a Windows executable (PE) as bytes, trusting none of them: the
// DOS header leads to the PE headers, whose data directories give the
// resource and import tables as addresses in the loaded image (RVAs),
// which the section table maps back to the file.  Data appended after
// the image (a package's setup data) is never looked at.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace pmsetup {

using Bytes = std::span<const std::uint8_t>;

// Little-endian numbers from bytes.  Every read past the end answers 0
// and is remembered: a caller checks ok() before it relies on what it read.
class PeReader {
 public:
  explicit PeReader(Bytes bytes) : bytes_(bytes) {}
  bool Has(std::uint64_t at, std::uint64_t size) const { return at <= bytes_.size() && size <= bytes_.size() - at; }
  std::uint32_t U16(std::uint64_t at) { return Value(at, 2); }
  std::uint32_t U32(std::uint64_t at) { return Value(at, 4); }
  std::uint64_t U64(std::uint64_t at) { return U32(at) | std::uint64_t{U32(at + 4)} << 32; }
  // The size bytes at at, or nothing (and not ok) when they run past the end.
  std::optional<Bytes> Part(std::uint64_t at, std::uint64_t size);
  bool ok() const { return ok_; }

 private:
  std::uint32_t Value(std::uint64_t at, int size);

  Bytes bytes_;
  bool ok_ = true;
};

// The data directories of the optional header.
enum class PeDirectory : std::uint32_t { kImports = 1, kResources = 2 };

struct PeDirectoryBytes {
  std::uint32_t rva = 0;  // where the bytes start in the image
  Bytes bytes;
  bool pe32_plus = false;  // a 64-bit image (8-byte import thunks)
};

// The bytes of one data directory, where one section's data in the file
// holds them all; nothing when exe is no PE file or has no such directory.
std::optional<PeDirectoryBytes> DirectoryOf(Bytes exe, PeDirectory directory);

// Where the PE headers start ("PE\0\0"), after the MS-DOS header's "MZ";
// nothing when exe is no Windows program or is cut short before them.
std::optional<std::uint64_t> PeHeaderOffset(Bytes exe);

// Where the image ends in the file: past its headers and the data of its
// last section; data appended to the image starts there.  Nothing when
// exe is no PE file or its section table lies outside exe.
std::optional<std::uint64_t> ImageEnd(Bytes exe);

// The image's bytes at [rva, rva + size), where one section's data in the
// file holds them all.
std::optional<Bytes> ImageBytes(Bytes exe, std::uint32_t rva, std::uint32_t size);

// The image's bytes from rva to the end of its section's data in the file.
std::optional<Bytes> ImageBytesFrom(Bytes exe, std::uint32_t rva);

}  // namespace pmsetup
