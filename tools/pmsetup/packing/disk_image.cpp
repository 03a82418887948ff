#include "packing/disk_image.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "io/file_io.hpp"
#include "io/helper_program.hpp"
#include "package/file_name.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32

// Images carry this date, 2000-01-01 00:00 UTC, on their files and
// volumes unless SOURCE_DATE_EPOCH names another moment.
constexpr const char* kDefaultDate = "946684800";
// FAT dates run from 1980 to 2107.
constexpr unsigned long long kFirstFatDate = 315'532'800, kLastFatDate = 4'354'819'199;

constexpr HelperTool kFormat{"mformat", "mtools"};
constexpr HelperTool kCopy{"mcopy", "mtools"};
constexpr HelperTool kIsoMaker{"xorriso", "xorriso"};

std::vector<HelperTool> ToolsFor(const Medium& medium) {
  if (medium.file_system == FileSystem::kFat12) return {kFormat, kCopy};
  return {kIsoMaker};
}

#endif

// A volume serial number from the disk's number and contents: the same
// package gives the same images, and a system that tells floppies apart
// by their serial numbers sees every disk as another.
std::string SerialNumber(int disk, const std::vector<fs::path>& files, std::string& error) {
  std::uint32_t hash = 2166136261u;
  auto mix = [&](std::uint8_t byte) { hash = (hash ^ byte) * 16777619u; };
  mix(static_cast<std::uint8_t>(disk));
  for (const fs::path& file : files) {
    const auto bytes = ReadWholeFile(Text(file), error);
    if (!bytes) return std::string();
    for (std::uint8_t byte : *bytes) mix(byte);
  }
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(hash));
  return text;
}

}  // namespace

std::string ImageName(FileSystem file_system, int disk) {
  return "DISK" + std::to_string(disk) + (file_system == FileSystem::kFat12 ? ".IMG" : ".ISO");
}

ImageStaging::ImageStaging(const Medium& medium) : medium_(medium) {}

ImageStaging::~ImageStaging() {
  std::error_code error;
  if (!staging_.empty()) fs::remove_all(staging_, error);
  if (done_) return;
  for (const fs::path& folder : missing_folders_) fs::remove(folder, error);
}

std::string ImageStaging::Begin(const fs::path& out) {
#ifdef _WIN32
  (void)out;
  return "disk images are made by pmsetup on Linux, with mtools and xorriso; use --layout disks here";
#else
  for (const HelperTool& tool : ToolsFor(medium_)) {
    const std::string program = FindProgram(tool.program);
    if (program.empty()) {
      return std::string(tool.program) + " is missing: install the Debian package " + tool.package +
             " to make disk images";
    }
    programs_.push_back(program);
  }
  const char* date = std::getenv("SOURCE_DATE_EPOCH");
  date_ = date != nullptr ? date : kDefaultDate;
  char* end = nullptr;
  errno = 0;
  const unsigned long long seconds = std::strtoull(date_.c_str(), &end, 10);
  if (date_.empty() || *end != '\0' || errno != 0 || date_[0] == '-' ||
      (medium_.file_system == FileSystem::kFat12 && (seconds < kFirstFatDate || seconds > kLastFatDate))) {
    return "SOURCE_DATE_EPOCH=" + date_ + " is no date a disk image can carry: seconds since 1970, and on a floppy " +
           "from 1980 to 2107";
  }
  // The folders that packing makes: on failure they go again.
  std::error_code error;
  for (fs::path level = out; !level.empty() && !fs::exists(level, error); level = level.parent_path()) {
    missing_folders_.push_back(level);
    if (level == level.parent_path()) break;
  }
  out_ = out;
  for (auto level = missing_folders_.rbegin(); level != missing_folders_.rend(); ++level) {
    if (!fs::create_directory(*level, error) && error) return "cannot create " + ShownPath(*level) + ": " + error.message();
  }
  const fs::path absolute_out = fs::absolute(out, error);
  if (error) return "cannot find " + ShownPath(out) + ": " + error.message();
  std::string problem;
  staging_ = MakeTemporaryFolder(absolute_out, kImageFolderName, problem);
  return problem;
#endif
}

fs::path ImageStaging::DiskFolder(int disk) const { return staging_ / ("DISK" + std::to_string(disk)); }

std::string ImageStaging::MakeImage(int disk, const Image& image, const fs::path& temporary) {
  const std::string label = "DISK" + std::to_string(disk);
  // The tools see a fixed time zone and date, and a home without
  // anyone's ~/.mtoolsrc: nothing of the user's session reaches the images.
  const char* search = std::getenv("PATH");
  const std::vector<std::string> environment{"PATH=" + std::string(search != nullptr ? search : ""), "TZ=UTC",
                                             "LC_ALL=C", "SOURCE_DATE_EPOCH=" + date_, "HOME=" + Text(staging_)};
  if (medium_.file_system == FileSystem::kFat12) {
    std::string error;
    const std::string serial = SerialNumber(disk, image.files, error);
    if (serial.empty()) return error;
    // Two FATs after one reserved sector, as on every standard floppy.
    const FloppyFormat& format = medium_.floppy;
    char media_byte[8];
    std::snprintf(media_byte, sizeof media_byte, "0x%02X", static_cast<unsigned>(format.media_byte));
    if (error = RunProgram(programs_[0],
                    {"-C", "-i", Text(temporary), "-t", std::to_string(format.cylinders), "-h",
                     std::to_string(format.heads), "-s", std::to_string(format.sectors_per_track), "-c",
                     std::to_string(format.sectors_per_cluster), "-r", std::to_string(format.root_sectors), "-L",
                     std::to_string(format.fat_sectors), "-d", "2", "-R", "1", "-m", media_byte, "-v", label, "-N",
                     serial, "::"},
                    environment);
        !error.empty()) {
      return error;
    }
    std::vector<std::string> copy{"-i", Text(temporary), "-Q"};
    for (const fs::path& file : image.files) copy.push_back(Text(file));
    copy.push_back("::/");
    return RunProgram(programs_[1], copy, environment);
  }
  // Plain ISO 9660 names (SETUP.EXE, DISK1.CMP fit them) with MD5 tags
  // that xorriso -check_media verifies on the image or the written disc.
  std::vector<std::string> arguments{"-no_rc", "-md5", "on", "-outdev", "stdio:" + Text(temporary),
                                     "-rockridge", "off", "-joliet", "off", "-volid", label,
                                     "-volume_date", "all_file_dates", "=" + date_};
  for (const fs::path& file : image.files) {
    arguments.insert(arguments.end(), {"-map", Text(file), "/" + Text(file.filename())});
  }
  arguments.push_back("-commit");
  return RunProgram(programs_[0], arguments, environment);
}

std::string ImageStaging::MakeImages(int disk_count) {
  std::error_code error;
  for (int disk = 1; disk <= disk_count; ++disk) {
    Image image{out_ / ImageName(medium_.file_system, disk), {}};
    if (disk == 1) image.files.push_back(DiskFolder(1) / "SETUP.EXE");
    image.files.push_back(DiskFolder(disk) / package::VolumeName(disk));
    if (fs::is_directory(image.path, error)) return "cannot write " + ShownPath(image.path) + ": a folder has that name";
    images_.push_back(std::move(image));
  }
  // Made in the staging folder, where nothing else can be: whatever is
  // left there goes with it.
  std::vector<fs::path> temporaries;
  for (std::size_t k = 0; k < images_.size(); ++k) {
    temporaries.push_back(staging_ / images_[k].path.filename());
    if (std::string problem = MakeImage(static_cast<int>(k + 1), images_[k], temporaries.back()); !problem.empty()) {
      return "cannot make " + ShownPath(images_[k].path) + ": " + problem;
    }
  }
  for (std::size_t k = 0; k < images_.size(); ++k) {
    fs::rename(temporaries[k], images_[k].path, error);
    if (error) return "cannot rename " + ShownPath(temporaries[k]) + " into place: " + error.message();
  }
  done_ = true;
  return std::string();
}

void ImageStaging::List() const {
  for (std::size_t k = 0; k < images_.size(); ++k) {
    std::cout << "  disk " << k + 1 << "  " << ShownPath(images_[k].path) << "  holds";
    for (const fs::path& file : images_[k].files) std::cout << ' ' << ShownPath(file.filename());
    std::cout << '\n';
  }
}

}  // namespace pmsetup
