// Where a package is, in every layout pack writes, and where each of its
// volumes is.
//
// The package the user names is a SETUP.EXE (its volumes beside it, or in
// the folders DISK2, DISK3, ... beside its own folder, as --layout disks
// lays them out), or the image of its first disk, DISK1.IMG (FAT) or
// DISK1.ISO (ISO 9660), with the images of the other disks beside it.
// --volumes names further places: folders, or images of single disks.
// Files inside images are copied out by mtools or xorriso into a folder
// made anew for this run alone and removed with the source, whatever ends
// the run; nothing is mounted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace pmsetup {

class PackageSource {
 public:
  PackageSource() = default;
  PackageSource(const PackageSource&) = delete;
  PackageSource& operator=(const PackageSource&) = delete;
  ~PackageSource();

  // Finds the package named by package (a path as the user gives it, in
  // UTF-8) and takes places as further places to look for volumes: an
  // error message, or empty.
  std::string Open(const std::string& package, const std::vector<std::string>& places);

  // The SETUP.EXE to read: the one named, or the copy out of the image.
  const std::string& SetupExe() const { return setup_exe_; }

  // Where DISK<number>.CMP is now, looked for anew at every call (the
  // user may have put in a disk meanwhile); empty when it is nowhere.
  std::string FindVolume(int number);

  // The places looked in, for a prompt: "A", "A and B", "A, B and C",
  // each an absolute path.
  std::string Places() const;

 private:
  // One place to look: a folder, or the image of one disk.  A folder of
  // the package's own tree also holds the disks' folders and images.
  struct Place {
    std::filesystem::path path;
    bool image = false;
  };

  std::string CopyOut(const std::filesystem::path& image, const std::string& name, std::filesystem::path& copy);
  std::string FindIn(const Place& place, int number);
  std::string PrivateFolder();

  std::string setup_exe_;
  std::vector<Place> places_;
  // A copy out of an image, kept while the image stays as it was (a disk
  // put in at a prompt is another image under the same name).
  struct Copy {
    std::filesystem::path path;
    std::uintmax_t image_size = 0;
    std::filesystem::file_time_type image_time;
  };

  std::filesystem::path private_;  // made at the first copy out of an image
  std::map<std::string, Copy> copied_;  // by image and name
  int copies_ = 0;
};

}  // namespace pmsetup
