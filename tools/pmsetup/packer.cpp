#include "packer.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "disk_image.hpp"
#include "file_io.hpp"
#include "lzh/encoder.hpp"
#include "manifest.hpp"
#include "package/block_writer.hpp"
#include "package/file_name.hpp"
#include "package/little_endian.hpp"
#include "package/setup_block.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

int Fail(const std::string& message) {
  std::cerr << "pmsetup: " << message << '\n';
  return 1;
}

std::string StubBesideTool() {
  const std::string self = platform::ExecutablePath();
  return self.empty() ? std::string("SETUP.EXE") : Text(Path(self).parent_path() / "SETUP.EXE");
}

std::string Thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string grouped;
  for (std::size_t k = 0; k < digits.size(); ++k) {
    if (k > 0 && (digits.size() - k) % 3 == 0) grouped += ',';
    grouped += digits[k];
  }
  return grouped;
}

// "1 file", "2,048 bytes".
std::string Counted(std::uint64_t n, const std::string& unit) {
  return Thousands(n) + " " + unit + (n == 1 ? "" : "s");
}

struct OutputFile {
  fs::path path;
  Bytes bytes;
  int disk;
};

// The folders a package needs, the missing ones made; on failure those
// made are removed again.
class OutputFolders {
 public:
  std::string Make(const fs::path& folder) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path level = folder; !level.empty() && !fs::exists(level, error); level = level.parent_path()) {
      missing.push_back(level);
      if (level == level.parent_path()) break;
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
      if (!fs::create_directory(*level, error) && error) return "cannot create " + Text(*level) + ": " + error.message();
      made_.push_back(*level);
    }
    return std::string();
  }

  void RemoveMade() {
    std::error_code error;
    for (auto level = made_.rbegin(); level != made_.rend(); ++level) fs::remove(*level, error);
  }

 private:
  std::vector<fs::path> made_;  // outermost first
};

// Every file goes to a temporary name first; only when all are written do
// they take their real names.  A name taken by a folder is found before
// anything is written.
std::string WriteAll(const std::vector<OutputFile>& files) {
  std::error_code error;
  for (const OutputFile& file : files) {
    if (fs::is_directory(file.path, error)) return "cannot write " + Text(file.path) + ": a folder has that name";
  }
  OutputFolders folders;
  std::vector<std::string> temporaries;
  auto give_up = [&](const std::string& message) {
    for (const std::string& temporary : temporaries) fs::remove(Path(temporary), error);
    folders.RemoveMade();
    return message;
  };
  for (const OutputFile& file : files) {
    if (std::string problem = folders.Make(file.path.parent_path()); !problem.empty()) return give_up(problem);
    temporaries.push_back(Text(file.path) + ".partial");
    if (!WriteFileExactly(temporaries.back(), file.bytes)) {
      return give_up("cannot write " + Text(file.path) + ": " + std::strerror(errno));
    }
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    fs::rename(Path(temporaries[k]), files[k].path, error);
    if (error) {
      const std::string reason = error.message();
      temporaries.erase(temporaries.begin(), temporaries.begin() + static_cast<std::ptrdiff_t>(k));
      return give_up("cannot rename " + Text(files[k].path) + ".partial into place: " + reason);
    }
  }
  return std::string();
}

// Volumes of an earlier, longer package in the same place: they would go
// out with this one unless someone removes them.
std::vector<fs::path> StaleVolumes(const fs::path& out, bool folder_per_disk, int disk_count) {
  std::vector<fs::path> stale;
  std::error_code error;
  for (int disk = disk_count + 1; disk <= 255; ++disk) {
    const fs::path folder = folder_per_disk ? out / ("DISK" + std::to_string(disk)) : out;
    const fs::path volume = folder / package::VolumeName(disk);
    if (fs::exists(volume, error)) stale.push_back(volume);
  }
  return stale;
}

// The stub must be the bare installer: a packed SETUP.EXE would carry its
// old setup data along, and anything else would not run at all.
std::string StubProblem(const std::string& stub_path, const Bytes& stub, const fs::path& setup_exe) {
  std::error_code error;
  if (fs::equivalent(Path(stub_path), setup_exe, error)) {
    return "--out would overwrite the installer stub " + stub_path + " with the package; choose another folder";
  }
  if (stub.size() < package::kTrailerSize || stub[0] != 'M' || stub[1] != 'Z') {
    return stub_path + " is not a Windows program";
  }
  // A bare stub ends in padding, which reads as a block at offset 0: where
  // its own header stands, so no package can be there.
  const std::uint32_t offset = package::LittleEndian32(stub.data() + stub.size() - package::kTrailerSize);
  if (offset < 2) return std::string();
  const std::optional<std::string> system_path = platform::SystemPath(stub_path);
  if (!system_path) return "cannot check the stub " + stub_path + ": its path has characters the system cannot show";
  package::SetupBlock block;
  const bool packed = package::ReadSetupBlock(*system_path, block) == platform::kIoOk &&
                      package::PackageDefect(block) == nullptr;
  package::FreeFileList(block);
  if (packed) return stub_path + " already carries a package; pass the bare installer stub";
  return std::string();
}

struct Payload {
  Bytes bytes;
  std::vector<package::PackageEntry> entries;  // main program first
};

std::optional<Payload> GatherPayload(const Manifest& manifest, std::string& error) {
  Payload payload;
  std::vector<const ManifestFile*> files{&manifest.main};
  for (const ManifestFile& other : manifest.others) files.push_back(&other);
  for (const ManifestFile* file : files) {
    const auto bytes = ReadWholeFile(file->source, error);
    if (!bytes) return std::nullopt;
    if (payload.bytes.size() + bytes->size() > INT32_MAX) {
      error = "the files add up to more than 2 GiB, more than a package can hold";
      return std::nullopt;
    }
    payload.entries.push_back({file->name, static_cast<std::int32_t>(payload.bytes.size()),
                               static_cast<std::int32_t>(bytes->size())});
    payload.bytes.insert(payload.bytes.end(), bytes->begin(), bytes->end());
  }
  return payload;
}

void Report(const PackOptions& options, const Payload& payload, std::size_t stream_size,
            const std::vector<OutputFile>& files) {
  std::cout << "Packed " << options.manifest << ": " << Counted(payload.entries.size(), "file") << ", payload "
            << Counted(payload.bytes.size(), "byte") << ", compressed " << Counted(stream_size, "byte");
  if (!payload.bytes.empty()) {
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, " (%.1f%%)", 100.0 * static_cast<double>(stream_size) / payload.bytes.size());
    std::cout << ratio;
  }
  std::cout << '\n';
  if (options.disk_images) return;  // the images are listed instead
  for (const OutputFile& file : files) {
    std::cout << "  disk " << file.disk << "  " << Text(file.path) << "  " << Counted(file.bytes.size(), "byte") << '\n';
  }
}

}  // namespace

std::vector<VolumeSpan> SplitVolumes(std::size_t stream_size, std::size_t first_capacity, std::size_t capacity) {
  std::vector<VolumeSpan> volumes{{0, std::min(stream_size, first_capacity)}};
  for (std::size_t offset = volumes[0].size; offset < stream_size; offset += capacity) {
    volumes.push_back({offset, std::min(capacity, stream_size - offset)});
  }
  return volumes;
}

int Pack(const PackOptions& options) {
  Manifest manifest;
  std::vector<std::string> problems;
  if (!ReadManifest(options.manifest, manifest, problems)) {
    for (const std::string& problem : problems) std::cerr << problem << '\n';
    return 1;
  }
  std::string error;
  const std::string stub_path = options.stub.empty() ? StubBesideTool() : options.stub;
  const auto stub = ReadWholeFile(stub_path, error);
  if (!stub) return Fail(error + " (the installer stub; build the win32 preset or pass --stub PATH)");
  const fs::path out = Path(options.out_dir);
  // Disk images: the files wait in a folder of their own until the images are made.
  std::optional<ImageStaging> staging;
  if (options.disk_images) {
    if (error = staging.emplace(*options.medium).Begin(out); !error.empty()) return Fail(error);
  }
  auto disk_dir = [&](int disk) {
    if (staging) return staging->DiskFolder(disk);
    return options.folder_per_disk ? out / ("DISK" + std::to_string(disk)) : out;
  };
  if (error = StubProblem(stub_path, *stub, disk_dir(1) / "SETUP.EXE"); !error.empty()) return Fail(error);
  const auto payload = GatherPayload(manifest, error);
  if (!payload) return Fail(error);
  const Bytes stream = lzh::LzhEncode(payload->bytes);

  package::PackageContents contents;
  contents.TopColor = manifest.TopColor;
  contents.BottomColor = manifest.BottomColor;
  contents.TitleColor = manifest.TitleColor;
  contents.TotalSize = static_cast<std::int32_t>(payload->bytes.size());
  contents.SetupTexts = manifest.texts;
  contents.Entries = payload->entries;
  // The block's size does not depend on the disk count, so the first
  // disk's room is known before the stream is cut.
  const std::size_t setup_size = stub->size() + package::EncodeSetupBlock(contents, 0).size();
  std::size_t first_capacity = stream.size(), capacity = stream.size();
  if (options.medium) {  // files take whole clusters of the medium
    const std::optional<VolumeRoom> room = RoomForVolumes(*options.medium, setup_size, error);
    if (!room) return Fail(error);
    first_capacity = room->first;
    capacity = room->other;
  }
  const std::vector<VolumeSpan> volumes = SplitVolumes(stream.size(), first_capacity, capacity);
  if (volumes.size() > 255) {
    return Fail("the package needs " + std::to_string(volumes.size()) + " disks; at most 255 are possible");
  }
  contents.DiskCount = static_cast<std::uint8_t>(volumes.size());

  Bytes setup_exe = *stub;
  const Bytes block = package::EncodeSetupBlock(contents, static_cast<std::uint32_t>(stub->size()));
  setup_exe.insert(setup_exe.end(), block.begin(), block.end());

  std::vector<OutputFile> files{{disk_dir(1) / "SETUP.EXE", std::move(setup_exe), 1}};
  for (std::size_t k = 0; k < volumes.size(); ++k) {
    const int disk = static_cast<int>(k + 1);
    const auto first = stream.begin() + static_cast<std::ptrdiff_t>(volumes[k].offset);
    files.push_back({disk_dir(disk) / package::VolumeName(disk),
                     Bytes(first, first + static_cast<std::ptrdiff_t>(volumes[k].size)), disk});
  }
  if (error = WriteAll(files); !error.empty()) return Fail(error);
  if (staging) {
    if (error = staging->MakeImages(contents.DiskCount); !error.empty()) return Fail(error);
  }
  Report(options, *payload, stream.size(), files);
  if (staging) staging->List();
  for (const fs::path& volume : StaleVolumes(out, options.folder_per_disk, contents.DiskCount)) {
    std::cerr << "pmsetup: warning: " << Text(volume) << " is left from an earlier package; remove it\n";
  }
  return 0;
}

}  // namespace pmsetup
