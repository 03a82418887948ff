// The page's way into the portable core.  The page writes the files the
// user chose into a folder of Emscripten's in-memory file system and calls
// these functions; each answers with one JSON document.  Everything that
// knows names, paths, the setup data and the integrity record stays in
// the core and in pmsetup's reading layer: the page only shows what it is
// told, and reads back the files an installation wrote.
#include <emscripten/emscripten.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/crc32.hpp"
#include "common/path_text.hpp"
#include "common/session.hpp"
#include "disk_images.hpp"
#include "extract/installation.hpp"
#include "extract/transfer.hpp"
#include "installing/installer.hpp"
#include "package/file_name.hpp"
#include "package/setup_block.hpp"
#include "platform/code_page.hpp"
#include "platform/file.hpp"
#include "platform/posix_path.hpp"
#include "platform/system.hpp"
#include "reading/disk_reading.hpp"
#include "reading/file_kind.hpp"
#include "reading/package_json.hpp"
#include "reading/package_report.hpp"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// The page's progress bar; it is drawn between calls, when the page has
// the browser back.
EM_JS(void, ReportProgress, (double done, double total), {
  if (Module.onprogress) Module.onprogress(done, total);
});

namespace {

// The folder the page filled, and what came out of its disk images.
struct OpenedPackage {
  std::string folder;
  std::string setup_exe;
  // For each file taken out of an image, upper-cased: the image it came
  // from, so that a damaged volume is named as the user has it.
  std::map<std::string, std::string> origin;
};
OpenedPackage Opened;

std::string& Answer() {
  static std::string text;
  return text;
}

const char* Answered(const Json& document) {
  Answer() = pmsetup::JsonText(document);
  return Answer().c_str();
}

const char* Failed(const std::string& problem) { return Answered(Json{{"error", problem}}); }

std::string Upper(std::string text) {
  for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
  return text;
}

bool PackagePart(const std::string& name) { return package::InstallerName(name) || package::VolumeNumber(name) > 0; }

std::optional<std::vector<std::uint8_t>> Contents(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Copies SETUP.EXE and the volumes off every disk image in the folder,
// beside the image, unless a file of that name is there already; what
// cannot be read is said in warnings.
void UnpackImages(const fs::path& folder, Json& warnings) {
  std::error_code error;
  std::vector<fs::path> images;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error) && pmsetup::DiskImageOf(entry.path().string()) != pmsetup::DiskImage::kNone) {
      images.push_back(entry.path());
    }
  }
  std::sort(images.begin(), images.end());
  for (const fs::path& image : images) {
    const std::optional<std::vector<std::uint8_t>> bytes = Contents(image);
    std::vector<web::ImageFile> files;
    const bool floppy = pmsetup::DiskImageOf(image.string()) == pmsetup::DiskImage::kFloppy;
    const std::string problem = !bytes ? "cannot be read"
                                : floppy ? web::ReadFatImage(*bytes, PackagePart, files)
                                         : web::ReadIsoImage(*bytes, PackagePart, files);
    if (!problem.empty()) warnings.push_back(image.filename().string() + ": " + problem);
    for (const web::ImageFile& file : files) {
      const std::string name = file.path.substr(file.path.find_last_of('/') + 1);  // npos + 1 is 0
      if (Opened.origin.count(Upper(name)) != 0 || fs::exists(folder / name, error)) continue;
      std::ofstream out(folder / name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
      if (!out) {
        warnings.push_back(image.filename().string() + ": cannot copy " + file.path + " off it");
        continue;
      }
      Opened.origin[Upper(name)] = image.filename().string() + (file.path == name ? "" : ": " + file.path);
    }
  }
}

std::string FindInstaller(const fs::path& folder) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    if (package::InstallerName(entry.path().filename().string())) return entry.path().string();
  }
  return std::string();
}

// Reading the volumes to check them, a piece at each call, so that the
// page can draw its progress between two.
struct Verification {
  package::IntegrityRecord record;
  const char* damage = nullptr;
  std::vector<pmsetup::VolumeCheck> checks;
  std::size_t volume = 0;  // the one being read, from 1; 0 before the first
  platform::FileHandle file = platform::kNoFile;
  pmsetup::DiskReading reading;
  std::uint64_t done = 0, total = 0;
  bool finished = true;
};
Verification Check;

void EndVolume() {
  const std::size_t n = Check.volume;
  const std::string name = package::VolumeName(static_cast<int>(n));
  const package::VolumeSum expected = Check.record.Volume(n);
  const auto found = Opened.origin.find(name);
  std::optional<std::string> found_at;
  if (Check.reading.problem != platform::kFileNotFound) found_at = found != Opened.origin.end() ? found->second : name;
  Check.checks.push_back({name, found_at, Check.reading.problem, pmsetup::Verdict(Check.reading, expected), expected,
                          Check.reading.size, Check.reading.crc});
}

// Opens the next volume, or finishes.
void NextVolume() {
  Check.reading = pmsetup::DiskReading{};
  if (++Check.volume > Check.record.VolumeCount()) {
    Check.finished = true;
    return;
  }
  const std::string path = common::JoinPath(Opened.folder, package::VolumeName(static_cast<int>(Check.volume)));
  Check.reading.problem = platform::FileOpen(path, platform::kRead, platform::kShareRead,
                                             platform::Disposition::kOpenExisting, Check.file);
  if (Check.reading.problem != platform::kIoOk) {
    EndVolume();
    NextVolume();
  }
}

Json VerifyState() {
  Json state = {{"done", Check.done}, {"total", Check.total}, {"finished", Check.finished}};
  if (Check.finished) {
    bool sound = Check.damage == nullptr;
    for (const pmsetup::VolumeCheck& volume : Check.checks) sound &= volume.message == "good";
    state["document"] = pmsetup::VerifyJson(Check.damage, Check.checks, sound);
  }
  return state;
}

}  // namespace

extern "C" {

// Empties folder (made anew) for the files of another package.
EMSCRIPTEN_KEEPALIVE void pm_reset(const char* folder) {
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder, error);
  Opened = OpenedPackage{folder, {}, {}};
  Check = Verification{};
}

// The code pages this build converts, for the page's choice.
EMSCRIPTEN_KEEPALIVE const char* pm_code_pages() {
  Json pages = Json::array();
  for (int page = 1; page < 1300; ++page) {
    if (platform::ListedCodePage(page) && platform::KnownCodePage(page)) pages.push_back(page);
  }
  return Answered(pages);
}

// The package among the files in the folder pm_reset made, read in
// code_page: {"listing": what pmsetup list --json prints, "hint", "origins",
// "warnings"}, or {"error"}.
EMSCRIPTEN_KEEPALIVE const char* pm_open(int code_page) {
  if (!platform::KnownCodePage(code_page)) return Failed("code page " + std::to_string(code_page) + " cannot be read here");
  platform::AnsiCodePage = code_page;
  Json warnings = Json::array();
  UnpackImages(Opened.folder, warnings);
  Opened.setup_exe = FindInstaller(Opened.folder);
  if (Opened.setup_exe.empty()) {
    return Answered({{"error", Opened.origin.empty() && warnings.empty()
                                   ? "no SETUP.EXE among the files: choose the package's SETUP.EXE with its volumes, "
                                     "or the images of its disks"
                                   : "no SETUP.EXE on the disk images: add the image of the package's first disk"},
                     {"warnings", warnings}});
  }
  pmsetup::PackageFile package;
  const platform::IoResult result = pmsetup::ReadPackageFile(Opened.setup_exe, package);
  const char* defect = package::RecordDamage(package.check);
  if (defect == nullptr) defect = package.details_damage;
  if (defect == nullptr && result == platform::kIoOk) defect = package::PackageDefect(package.block);
  const auto setup_origin = Opened.origin.find("SETUP.EXE");
  const std::string shown = setup_origin != Opened.origin.end() ? setup_origin->second : "SETUP.EXE";
  if (result != platform::kIoOk || defect != nullptr) {
    return Answered({{"error", shown + ": " + pmsetup::DescribeUnusable(Opened.setup_exe, result, defect)},
                     {"warnings", warnings}});
  }
  const std::string hint = pmsetup::CodePageHint(package.block, code_page);
  Json origins = Json::object();
  for (const auto& [name, image] : Opened.origin) origins[name] = image;
  return Answered({{"listing", pmsetup::ListingJson(package, pmsetup::ReadStubVersionOf(Opened.setup_exe), code_page)},
                   {"hint", hint.empty() ? Json(nullptr) : Json(hint)},
                   {"origins", origins},
                   {"warnings", warnings}});
}

// Starts checking the opened package against its integrity record:
// {"done", "total", "finished"}, with "document" (what pmsetup verify
// --json prints) once finished; or {"error"}.
EMSCRIPTEN_KEEPALIVE const char* pm_verify_start() {
  if (Check.file != platform::kNoFile) platform::FileClose(Check.file);
  Check = Verification{};
  package::RecordCheck check = package::RecordCheck::kAbsent;
  if (const platform::IoResult result = package::ReadIntegrityRecord(Opened.setup_exe, Check.record, check)) {
    return Failed("SETUP.EXE cannot be read: " + platform::ErrorText(result));
  }
  if (check == package::RecordCheck::kAbsent) {
    return Failed("the package has no integrity record (it was packed without one), so its disks cannot be checked");
  }
  Check.damage = package::RecordDamage(check);
  // A damaged installer program leaves the record sound: the disks can
  // still be checked.  Any other damage leaves nothing to check them by.
  if (Check.damage != nullptr && check != package::RecordCheck::kImageDamaged) {
    return Answered({{"done", 0}, {"total", 0}, {"finished", true},
                     {"document", pmsetup::VerifyJson(Check.damage, std::nullopt, false)}});
  }
  for (std::size_t n = 1; n <= Check.record.VolumeCount(); ++n) Check.total += Check.record.Volume(n).Size;
  Check.finished = false;
  NextVolume();
  return Answered(VerifyState());
}

// Reads about budget bytes more.
EMSCRIPTEN_KEEPALIVE const char* pm_verify_step(int budget) {
  static std::vector<std::uint8_t> buffer(1 << 16);
  for (std::int64_t left = budget; left > 0 && !Check.finished;) {
    std::uint32_t got = 0;
    Check.reading.problem = platform::FileRead(Check.file, buffer.data(), static_cast<std::uint32_t>(buffer.size()), got);
    Check.reading.crc = common::UpdateCrc32(Check.reading.crc, buffer.data(), got);
    Check.reading.size += got;
    Check.done += got;
    left -= got;
    if (got == 0 || Check.reading.problem != platform::kIoOk) {
      const platform::IoResult closed = platform::FileClose(Check.file);
      Check.file = platform::kNoFile;
      if (Check.reading.problem == platform::kIoOk) Check.reading.problem = closed;
      EndVolume();
      NextVolume();
    }
  }
  ReportProgress(static_cast<double>(Check.done), static_cast<double>(Check.total));
  return Answered(VerifyState());
}

// Installs the opened package into destination (a folder that does not
// exist yet), as pmsetup install does: {"files": [{"name", "path",
// "size", "modified"}]}, each installed file by its path under the
// destination ('/' between folders) and where the page reads it, or
// {"error"}.
EMSCRIPTEN_KEEPALIVE const char* pm_install(const char* destination) {
  extract::FrontEnd front_end;
  front_end.show_progress = [](int, double fraction) { ReportProgress(fraction, 1); };
  // Every volume the user chose is in the folder already: a disk asked
  // for is one that was not chosen, and the run stops.
  front_end.ask = [](const std::string&, int, bool) { return false; };
  if (std::string problem = pmsetup::LoadPackage(Opened.setup_exe, front_end); !problem.empty()) return Failed(problem);
  const pmsetup::InstallResult result = pmsetup::InstallInto(pmsetup::InstallerPath(destination));
  if (!result.installed) {
    if (extract::Extraction.RunOutcome == extract::Outcome::kCancelled) {
      return Failed(package::VolumeName(extract::Transfer.DiskNumber) +
                    " is missing: choose it together with the package's other files");
    }
    return Failed(result.problem);
  }
  const std::string top = platform::NativePath(common::Session.InstallDir) + "/";
  Json files = Json::array();
  for (const package::LibRec* entry = package::Setup.FileList; entry != nullptr; entry = entry->Next) {
    // Where the run put it: the main program at BlobPath, the others as
    // the splitter carved them.
    const std::string installed =
        entry == package::Setup.MainEntry()
            ? common::Session.BlobPath
            : common::JoinPath(common::Session.InstallDir, package::InstalledPath(entry->Name, package::Setup.FolderNames));
    const std::string path = platform::NativePath(installed);
    files.push_back({{"name", path.compare(0, top.size(), top) == 0 ? path.substr(top.size()) : path},
                     {"path", path},
                     {"size", entry->Size},
                     {"modified", entry->Time}});
  }
  return Answered({{"files", files}});
}

}  // extern "C"
