// The files on a disk image, read from its bytes alone: a FAT12 or FAT16
// floppy (DISKn.IMG) or an ISO 9660 CD (DISKn.ISO), as pack writes them
// or as anyone copies a package onto such a disk, subfolders included.
// The page has no mtools or xorriso to ask, and an image comes from
// whoever hands it over: every offset is checked against the bytes there
// are, and a damaged image gives an error, never a read outside it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace web {

struct ImageFile {
  std::string path;  // from the top of the image, folders separated by '/'
  std::vector<std::uint8_t> bytes;
};

// Every file on image whose last component want accepts, with its bytes;
// an error message when the image cannot be read as its kind.
using WantName = bool (*)(const std::string& name);
std::string ReadFatImage(std::span<const std::uint8_t> image, WantName want, std::vector<ImageFile>& files);
std::string ReadIsoImage(std::span<const std::uint8_t> image, WantName want, std::vector<ImageFile>& files);

}  // namespace web
