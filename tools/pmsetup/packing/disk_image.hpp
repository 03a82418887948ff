// Disk images of a package, one per disk: a formatted FAT12 floppy image
// DISKn.IMG, or an ISO 9660 image DISKn.ISO for a CD, each labelled DISKn
// and holding exactly that disk's files.  mtools and xorriso make them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "packing/media.hpp"

namespace pmsetup {

// The image of disk n on a medium of this file system: DISKn.IMG or DISKn.ISO.
std::string ImageName(FileSystem file_system, int disk);

// What the temporary folder of the images is named after (see
// MakeTemporaryFolder in file_io.hpp).
inline constexpr char kImageFolderName[] = "images";

// The package's files wait in a folder of their own inside the output
// folder while the images are made, and the images are made there too
// before they take their names; the folder is made anew, open to this
// user alone, and goes away again in any case.  On failure so do the
// folders made for the package.
class ImageStaging {
 public:
  explicit ImageStaging(const Medium& medium);
  ~ImageStaging();
  ImageStaging(const ImageStaging&) = delete;
  ImageStaging& operator=(const ImageStaging&) = delete;

  // Finds the tools and makes the folder; an error message, or empty.
  std::string Begin(const std::filesystem::path& out);

  // Where disk n's files (SETUP.EXE on the first, DISKn.CMP) are written.
  std::filesystem::path DiskFolder(int disk) const;

  // Makes the images of disks 1 to disk_count under temporary names and
  // renames them into place once all are made.
  std::string MakeImages(int disk_count);

  // Prints a line for each image made.
  void List() const;

 private:
  struct Image {
    std::filesystem::path path;
    std::vector<std::filesystem::path> files;
  };
  std::string MakeImage(int disk, const Image& image, const std::filesystem::path& temporary);

  const Medium& medium_;
  std::filesystem::path out_;      // as given
  std::filesystem::path staging_;  // absolute: the tools read no drive letter into it; empty until made
  std::vector<std::string> programs_;
  std::vector<Image> images_;
  std::vector<std::filesystem::path> missing_folders_;  // out and those above it that were missing, innermost first
  std::string date_;  // seconds since 1970 that every image carries
  bool done_ = false;
};

}  // namespace pmsetup
