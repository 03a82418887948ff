#include "reading/package_source.hpp"

#include <cstdlib>

#include "io/file_io.hpp"
#include "io/helper_program.hpp"
#include "package/file_name.hpp"
#include "reading/file_kind.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;

constexpr HelperTool kFloppyReader{"mcopy", "mtools"};
constexpr HelperTool kCdReader{"xorriso", "xorriso"};

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

std::string DiskName(int number) { return "DISK" + std::to_string(number); }

}  // namespace

PackageSource::~PackageSource() {
  std::error_code error;
  if (!private_.empty()) fs::remove_all(private_, error);
}

std::string PackageSource::PrivateFolder() {
  if (!private_.empty()) return std::string();
  std::error_code error;
  const fs::path temporary = fs::temp_directory_path(error);
  if (error) return "cannot find a folder for temporary files: " + error.message();
  std::string problem;
  private_ = MakeTemporaryFolder(temporary, "pmsetup-disks", problem);
  return problem;
}

// Copies the file name out of the disk image at image into the private
// folder; an error message, or empty with copy set.  A name the image does
// not hold is no error: copy stays empty.
std::string PackageSource::CopyOut(const fs::path& image, const std::string& name, fs::path& copy) {
  copy.clear();
  const std::string key = Text(image) + '\n' + name;
  std::error_code error;
  const Copy now{fs::path(), fs::file_size(image, error), fs::last_write_time(image, error)};
  if (error) return std::string();
  if (const auto found = copied_.find(key);
      found != copied_.end() && found->second.image_size == now.image_size && found->second.image_time == now.image_time) {
    copy = found->second.path;
    return std::string();
  }
  const DiskImage kind = DiskImageOf(Text(image));
  if (kind == DiskImage::kNone) return std::string();
  const HelperTool& tool = kind == DiskImage::kFloppy ? kFloppyReader : kCdReader;
  const std::string program = FindProgram(tool.program);
  if (program.empty()) {
    return "reading " + ShownPath(image) + " needs " + tool.program + ": install the Debian package " + tool.package;
  }
  if (std::string problem = PrivateFolder(); !problem.empty()) return problem;
  const fs::path target = private_ / std::to_string(++copies_) / name;
  fs::create_directory(target.parent_path(), error);
  if (error) return "cannot create " + ShownPath(target.parent_path()) + ": " + error.message();
  const std::vector<std::string> arguments =
      kind == DiskImage::kFloppy
          ? std::vector<std::string>{"-n", "-i", Text(image), "::/" + name, Text(target)}
          : std::vector<std::string>{"-no_rc", "-osirrox", "on", "-indev", Text(image), "-extract", "/" + name,
                                     Text(target)};
  const char* search = std::getenv("PATH");
  // No ~/.mtoolsrc of the user's changes how the image is read.
  const std::vector<std::string> environment{"PATH=" + std::string(search != nullptr ? search : ""), "LC_ALL=C",
                                             "HOME=" + Text(private_)};
  const std::string problem = RunProgram(program, arguments, environment);
  if (problem == "interrupted") return problem;
  if (problem.empty() && IsFile(target)) {
    copy = target;
    copied_[key] = Copy{target, now.image_size, now.image_time};
  }
  return std::string();
}

std::string PackageSource::Open(const std::string& package, const std::vector<std::string>& places) {
  const fs::path named = Path(package);
  const fs::path folder = named.parent_path().empty() ? fs::path(".") : named.parent_path();
  places_.clear();
  if (IsFile(named) && DiskImageOf(package) != DiskImage::kNone) {
    fs::path copy;
    if (std::string problem = CopyOut(named, "SETUP.EXE", copy); !problem.empty()) return problem;
    if (copy.empty()) return "a disk image without SETUP.EXE on it: give the image of the package's first disk";
    setup_exe_ = Text(copy);
    places_.push_back({named, true});
  } else {
    setup_exe_ = package;
  }
  places_.push_back({folder, false});
  for (const std::string& place : places) {
    const fs::path path = Path(place);
    if (!IsFolder(path) && !IsFile(path)) return ShownArgument(place) + " (--volumes) is neither a folder nor a disk image";
    places_.push_back({path, !IsFolder(path)});
  }
  return std::string();
}

// In a folder: the volume itself, the folder of its disk (--layout disks),
// or the image of its disk.  In an image: the volume on it.
std::string PackageSource::FindIn(const Place& place, int number) {
  const std::string volume = package::VolumeName(number);
  fs::path copy;
  if (place.image) {
    if (CopyOut(place.path, volume, copy).empty() && !copy.empty()) return Text(copy);
    return std::string();
  }
  const std::string disk = DiskName(number);
  for (const fs::path& candidate : {place.path / volume, place.path / disk / volume, place.path / ".." / disk / volume}) {
    if (IsFile(candidate)) return Text(candidate.lexically_normal());
  }
  for (const char* extension : {".IMG", ".ISO", ".img", ".iso"}) {
    const fs::path image = place.path / (disk + extension);
    if (IsFile(image) && CopyOut(image, volume, copy).empty() && !copy.empty()) return Text(copy);
  }
  return std::string();
}

std::string PackageSource::FindVolume(int number) {
  for (const Place& place : places_) {
    if (std::string found = FindIn(place, number); !found.empty()) return found;
  }
  return std::string();
}

std::string PackageSource::Places() const {
  std::string text;
  for (std::size_t k = 0; k < places_.size(); ++k) {
    if (k > 0) text += k + 1 == places_.size() ? " and " : ", ";
    std::error_code error;
    const fs::path absolute = fs::absolute(places_[k].path, error);
    text += ShownPath(error ? places_[k].path : absolute.lexically_normal());
  }
  return text;
}

}  // namespace pmsetup
