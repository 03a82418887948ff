#include "packing/packer.hpp"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>

#include "packing/disk_image.hpp"
#include "io/file_io.hpp"
#include "common/crc32.hpp"
#include "io/interruption.hpp"
#include "lzh/encoder.hpp"
#include "packing/manifest.hpp"
#include "reading/package_report.hpp"
#include "package/block_writer.hpp"
#include "package/file_details.hpp"
#include "package/file_name.hpp"
#include "package/little_endian.hpp"
#include "package/setup_block.hpp"
#include "platform/system.hpp"
#include "terminal/progress_bar.hpp"
#include "packing/stub_location.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kMostDisks = 255;  // DiskCount is one byte
constexpr std::uint64_t kUnlimited = std::numeric_limits<std::uint64_t>::max();
constexpr std::size_t kChunk = 1 << 18;  // payload bytes read at a time
constexpr char kTooLarge[] = "the files add up to more than 2 GiB, more than a package can hold";

struct OutputFile {
  fs::path path;
  std::uint64_t size;
  int disk;
  std::uint32_t crc;  // of the bytes written
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
      if (!fs::create_directory(*level, error) && error) return "cannot create " + ShownPath(*level) + ": " + error.message();
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

std::string FolderInTheWay(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error) ? "cannot write " + ShownPath(path) + ": a folder has that name" : std::string();
}

// Writes the package's files one after another, each under a temporary
// name, making the folders they need; Commit gives them all their real
// names.  Until then a failure, or the writer's end, takes back every file
// and every folder made.
class PackageWriter {
 public:
  PackageWriter() = default;
  PackageWriter(const PackageWriter&) = delete;
  PackageWriter& operator=(const PackageWriter&) = delete;
  ~PackageWriter() { TakeBack(); }

  // Makes folder if it is missing and holds it, so that no other pack
  // writes into it meanwhile: two at once would mix their files.
  std::string Hold(const fs::path& folder) {
    if (std::string problem = folders_.Make(folder); !problem.empty()) return problem;
    const std::string refused = lock_.Hold(folder);
    return refused.empty() ? refused : "cannot write into " + ShownPath(folder) + ": " + refused;
  }

  // Ends the file written so far and begins the next.
  std::string Begin(const fs::path& path, int disk) {
    if (std::string problem = CloseLast(); !problem.empty()) return problem;
    if (std::string problem = FolderInTheWay(path); !problem.empty()) return problem;
    if (std::string problem = folders_.Make(path.parent_path()); !problem.empty()) return problem;
    files_.push_back({path, 0, disk, 0});
    temporaries_.push_back(std::make_unique<PartialFile>());
    return CannotWrite(temporaries_.back()->Open(Text(path), false));
  }

  std::string Write(std::span<const std::uint8_t> bytes) {
    files_.back().size += bytes.size();
    files_.back().crc = common::UpdateCrc32(files_.back().crc, bytes.data(), bytes.size());
    return CannotWrite(temporaries_.back()->Write(bytes));
  }

  // The files with their real names, in the order they were begun.
  std::string Commit() {
    if (std::string problem = CloseLast(); !problem.empty()) return problem;
    for (std::size_t k = 0; k < files_.size(); ++k) {
      if (std::string reason = temporaries_[k]->Commit(); !reason.empty()) {
        return "cannot rename " + ShownArgument(temporaries_[k]->Target()) + " into place: " + reason;
      }
    }
    committed_ = true;
    return std::string();
  }

  const std::vector<OutputFile>& Files() const { return files_; }

 private:
  std::string CannotWrite(const std::string& reason) const {
    return reason.empty() ? reason : "cannot write " + ShownPath(files_.back().path) + ": " + reason;
  }

  std::string CloseLast() { return temporaries_.empty() ? std::string() : CannotWrite(temporaries_.back()->Close()); }

  // Files already renamed stay; the folders that hold them are not empty
  // and stay too.
  void TakeBack() {
    if (committed_) return;
    temporaries_.clear();
    lock_.Release();  // on Windows a file in the folder
    folders_.RemoveMade();
  }

  OutputFolders folders_;
  FolderLock lock_;
  std::vector<OutputFile> files_;
  std::vector<std::unique_ptr<PartialFile>> temporaries_;  // one per file
  bool committed_ = false;
};

// Hands the stream to the volumes as it grows.  Past the most disks a
// package can count the bytes are only counted, so that the refusal can
// say how many disks the package would need.
class VolumeWriter {
 public:
  VolumeWriter(PackageWriter& files, std::function<fs::path(int)> path_of, std::uint64_t first_capacity,
               std::uint64_t capacity)
      : files_(files), path_of_(std::move(path_of)), cutter_(first_capacity, capacity) {}

  std::string Start() { return files_.Begin(path_of_(1), 1); }

  std::string Write(std::span<const std::uint8_t> bytes) {
    stream_size_ += bytes.size();
    while (!bytes.empty()) {
      const int filling = cutter_.Volumes();
      const auto share = static_cast<std::size_t>(cutter_.Next(bytes.size()));
      const int disk = cutter_.Volumes();
      if (disk <= kMostDisks) {
        if (disk != filling) {
          if (std::string problem = files_.Begin(path_of_(disk), disk); !problem.empty()) return problem;
        }
        if (std::string problem = files_.Write(bytes.first(share)); !problem.empty()) return problem;
      }
      bytes = bytes.subspan(share);
    }
    return std::string();
  }

  int Volumes() const { return cutter_.Volumes(); }
  std::uint64_t StreamSize() const { return stream_size_; }

 private:
  PackageWriter& files_;
  std::function<fs::path(int)> path_of_;
  VolumeCutter cutter_;
  std::uint64_t stream_size_ = 0;
};

// Volumes or images of an earlier, longer package in the same place
// (path_of names disk n's): they would go out with this one unless
// someone removes them.  One warning says how many there are, and which.
void WarnOfLeftovers(const fs::path& out, int disk_count, const std::function<fs::path(int)>& path_of,
                     const char* what) {
  std::vector<fs::path> stale;
  std::error_code error;
  for (int disk = disk_count + 1; disk <= kMostDisks; ++disk) {
    if (fs::exists(path_of(disk), error)) stale.push_back(path_of(disk));
  }
  if (stale.empty()) return;
  std::cerr << "pmsetup: warning: ";
  if (stale.size() == 1) {
    std::cerr << ShownPath(stale.front()) << " is left from an earlier package; remove it\n";
    return;
  }
  std::cerr << stale.size() << ' ' << what << " from an earlier package are left in " << ShownPath(out) << " ("
            << ShownPath(stale.front().lexically_relative(out)) << " to "
            << ShownPath(stale.back().lexically_relative(out)) << "); remove them\n";
}

// The stub must be the bare installer: a packed SETUP.EXE would carry its
// old setup data along, and anything else would not run at all.
std::string StubProblem(const std::string& stub_path, const Bytes& stub) {
  if (stub.size() < package::kTrailerSize || stub[0] != 'M' || stub[1] != 'Z') {
    return ShownArgument(stub_path) + " is not a Windows program";
  }
  const std::uint32_t offset = package::LittleEndian32(stub.data() + stub.size() - package::kTrailerSize);
  if (offset < package::kFirstBlockOffset) return std::string();
  PackageFile package;
  const bool packed = ReadPackageFile(stub_path, package) == platform::kIoOk &&
                      package::PackageDefect(package.block) == nullptr;
  if (packed) return ShownArgument(stub_path) + " already carries a package; pass the bare installer stub";
  return std::string();
}

struct Input {
  std::string path;
  const char* role;
};

// Refuses a package whose files would replace one of its own inputs (the
// stub, the manifest or a packaged file, whatever names they have),
// before anything is written.  The files are told apart by what they are
// (device and inode on POSIX), not by their names.  A link at an output's
// name is replaced by the rename, not written through, so it is no
// conflict.
std::string OverwrittenInput(const std::vector<Input>& inputs, const std::vector<fs::path>& outputs) {
  for (const fs::path& output : outputs) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(output, error);
    if (!fs::exists(status) || fs::is_symlink(status)) continue;
    for (const Input& input : inputs) {
      if (fs::equivalent(output, Path(input.path), error)) {
        return "--out would overwrite " + std::string(input.role) + " " + ShownArgument(input.path) + " with the package's " +
               ShownPath(output.filename()) + "; choose another folder";
      }
    }
  }
  return std::string();
}

// The names of what pack writes into a folder, whose temporaries a later
// pack may take away (see RemoveStaleTemporaries).
bool PackageFileName(const std::string& name) {
  if (name == "SETUP.EXE" || name == kImageFolderName || package::VolumeNumber(name) > 0) return true;
  for (int disk = 1; disk <= kMostDisks; ++disk) {
    if (name == ImageName(FileSystem::kFat12, disk) || name == ImageName(FileSystem::kIso9660, disk)) return true;
  }
  return false;
}

// When each payload file was last modified, as the details record keeps
// it: in FAT's 2-second steps, and no later than SOURCE_DATE_EPOCH when
// that is set, so that a build from the same sources gives the same
// package.  Times FAT cannot hold (before 1980) are recorded as unknown.
Bytes FileDetails(const Manifest& manifest, const std::vector<const ManifestFile*>& files) {
  constexpr std::int64_t kFirstFatTime = 315532800 + 86400;  // 1980-01-02: 1980-01-01 in every time zone
  std::optional<std::int64_t> latest;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    const long long value = std::strtoll(epoch, &end, 10);
    if (*end == '\0' && value >= 0) latest = value;
  }
  std::vector<std::uint32_t> times;
  for (const ManifestFile* file : files) {
    std::error_code error;
    const auto written = fs::last_write_time(Path(file->source), error);
    std::int64_t seconds = error ? 0
                                 : std::chrono::duration_cast<std::chrono::seconds>(
                                       std::chrono::file_clock::to_sys(written).time_since_epoch())
                                       .count();
    if (latest) seconds = std::min(seconds, *latest);
    seconds -= seconds % 2;
    const bool representable = seconds >= kFirstFatTime && seconds <= UINT32_MAX;
    times.push_back(representable ? static_cast<std::uint32_t>(seconds) : 0);
  }
  return package::EncodeFileDetails(manifest.folder_names ? package::kFolderNames : 0, times);
}

std::vector<const ManifestFile*> PayloadFiles(const Manifest& manifest) {
  std::vector<const ManifestFile*> files{&manifest.main};
  for (const ManifestFile& other : manifest.others) files.push_back(&other);
  return files;
}

// Before anything is written: every payload file (a plain file, as the
// manifest requires) can be read, and together they fit a package.
// Returns their size.
std::optional<std::uint64_t> CheckPayload(const std::vector<const ManifestFile*>& files, std::string& error) {
  std::uint64_t size = 0;
  for (const ManifestFile* file : files) {
    FileReader reader;
    if (!reader.Open(file->source, error, true)) return std::nullopt;
    size += reader.Size().value_or(0);
  }
  if (size > INT32_MAX) {
    error = kTooLarge;
    return std::nullopt;
  }
  return size;
}

// What the payload came to: its size and CRC.
struct PayloadSum {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

// Reads the payload files in turn and compresses them into the volumes as
// they come, noting where each entry lies in the payload.
std::string CompressPayload(const std::vector<const ManifestFile*>& files, std::vector<package::PackageEntry>& entries,
                            VolumeWriter& volumes, ProgressBar& progress, PayloadSum& payload) {
  lzh::Encoder encoder;
  Bytes chunk(kChunk), packed;
  std::uint64_t& payload_size = payload.size;
  for (std::size_t k = 0; k < files.size(); ++k) {
    FileReader reader;
    std::string error;
    if (!reader.Open(files[k]->source, error, true)) return error;
    const std::uint64_t offset = payload_size;
    for (std::size_t got; (got = reader.Read(chunk)) > 0;) {
      payload_size += got;
      if (payload_size > INT32_MAX) return kTooLarge;
      payload.crc = common::UpdateCrc32(payload.crc, chunk.data(), got);
      packed.clear();
      encoder.Write(std::span(chunk).first(got), packed);
      if (error = volumes.Write(packed); !error.empty()) return error;
      progress.Show(payload_size);
    }
    if (reader.Failed()) return "cannot read " + ShownArgument(files[k]->source);
    if (std::string changed = reader.Changed(); !changed.empty()) return changed;
    entries.push_back({files[k]->name, static_cast<std::int32_t>(offset),
                       static_cast<std::int32_t>(payload_size - offset)});
  }
  packed.clear();
  encoder.Finish(packed);
  return volumes.Write(packed);
}

void Report(const PackOptions& options, std::size_t file_count, std::uint64_t payload_size, std::uint64_t stream_size,
            const std::vector<OutputFile>& files) {
  std::cout << "Packed " << ShownArgument(options.manifest) << ": " << Thousands(file_count)
            << (file_count == 1 ? " file" : " files") << ", payload " << ByteCount(payload_size) << ", compressed "
            << ByteCount(stream_size);
  if (payload_size > 0) {
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, " (%.1f%%)", 100.0 * static_cast<double>(stream_size) / payload_size);
    std::cout << ratio;
  }
  std::cout << '\n';
  if (options.disk_images) return;  // the images are listed instead
  for (const OutputFile& file : files) {
    std::cout << "  disk " << file.disk << "  " << ShownPath(file.path) << "  " << ByteCount(file.size) << '\n';
  }
}

// The stub, the file details, the integrity record of the volumes written
// and the payload, and the setup block.
Bytes SetupExe(const Bytes& stub, const Bytes& details, const package::PackageContents& contents,
               std::uint32_t payload_crc, const std::vector<OutputFile>& volumes) {
  std::vector<package::VolumeSum> sums;
  for (const OutputFile& volume : volumes) {
    sums.push_back({static_cast<std::uint32_t>(volume.size), volume.crc});
  }
  Bytes setup_exe = stub;
  setup_exe.insert(setup_exe.end(), details.begin(), details.end());
  const auto record_size = package::IntegrityRecordSize(static_cast<std::uint32_t>(sums.size()));
  const Bytes block = package::EncodeSetupBlock(contents, static_cast<std::uint32_t>(setup_exe.size() + record_size));
  const std::uint32_t image_crc = common::UpdateCrc32(0, setup_exe.data(), setup_exe.size());
  const Bytes record = package::EncodeIntegrityRecord(image_crc, payload_crc, sums, block);
  setup_exe.insert(setup_exe.end(), record.begin(), record.end());
  setup_exe.insert(setup_exe.end(), block.begin(), block.end());
  return setup_exe;
}

}  // namespace

std::optional<VolumeRoom> RoomForVolumes(const Medium& medium, std::uint64_t setup_size, std::uint64_t payload_size,
                                         std::string& error) {
  // The integrity record grows by 8 bytes a disk, and the disk count is
  // known only once the stream has been cut: SETUP.EXE is given room for
  // the most disks the stream could need.  Each payload byte costs the
  // stream less than 3 bytes (a literal's code is under 24 bits), so
  // beyond the count needed the room kept is a few bytes a disk.
  const std::optional<VolumeRoom> room = RoomForVolumes(medium, setup_size, error);
  if (!room) return room;
  const std::uint64_t stream_bound = 3 * payload_size + 64;
  const std::uint64_t most_disks = std::min<std::uint64_t>(kMostDisks, 1 + stream_bound / room->other + 1);
  return RoomForVolumes(medium, setup_size + package::IntegrityRecordSize(static_cast<std::uint32_t>(most_disks)),
                        error);
}

std::vector<VolumeSpan> SplitVolumes(std::size_t stream_size, std::size_t first_capacity, std::size_t capacity) {
  VolumeCutter cutter(first_capacity, capacity);
  std::vector<VolumeSpan> volumes{{0, 0}};
  for (std::size_t offset = 0; offset < stream_size;) {
    const auto share = static_cast<std::size_t>(cutter.Next(stream_size - offset));
    if (static_cast<std::size_t>(cutter.Volumes()) > volumes.size()) volumes.push_back({offset, 0});
    volumes.back().size += share;
    offset += share;
  }
  return volumes;
}

int Pack(const PackOptions& options) {
  const InterruptionGuard interruptions;
  Manifest manifest;
  std::vector<std::string> problems;
  const bool read = ReadManifest(options.manifest, manifest, problems);
  for (const std::string& warning : manifest.warnings) std::cerr << warning << '\n';
  if (!read) {
    for (const std::string& problem : problems) std::cerr << problem << '\n';
    return 1;
  }
  std::string error;
  const std::optional<std::string> found_stub = options.stub.empty() ? FindStub() : options.stub;
  if (!found_stub) return Failure(NoStubMessage());
  const std::string& stub_path = *found_stub;
  const auto stub = ReadWholeFile(stub_path, error);
  if (!stub) return Failure(error + " (the installer stub)");
  if (error = StubProblem(stub_path, *stub); !error.empty()) return Failure(error);
  const fs::path out = Path(options.out_dir);
  auto final_folder = [&](int disk) { return options.folder_per_disk ? out / ("DISK" + std::to_string(disk)) : out; };
  const std::vector<const ManifestFile*> payload_files = PayloadFiles(manifest);
  std::vector<Input> inputs{{stub_path, "the installer stub"}, {options.manifest, "the manifest"}};
  for (const ManifestFile* file : payload_files) inputs.push_back({file->source, "the packaged file"});
  std::vector<fs::path> outputs;
  if (!options.disk_images) outputs.push_back(final_folder(1) / "SETUP.EXE");
  for (int disk = 1; disk <= kMostDisks; ++disk) {
    outputs.push_back(options.disk_images ? out / ImageName(options.medium->file_system, disk)
                                          : final_folder(disk) / package::VolumeName(disk));
  }
  if (error = OverwrittenInput(inputs, outputs); !error.empty()) return Failure(error);
  // A disk's folder is written into as a folder of its own: a link there
  // (one that someone else may have put into a shared --out) would send
  // the volume elsewhere.
  for (int disk = 1; options.folder_per_disk && disk <= kMostDisks; ++disk) {
    std::error_code link_error;
    if (fs::is_symlink(fs::symlink_status(final_folder(disk), link_error))) {
      return Failure(ShownPath(final_folder(disk)) + " is a link; a disk's folder must be a folder");
    }
  }
  PackageWriter writer;
  if (error = writer.Hold(out); !error.empty()) return Failure(error);
  // What an earlier pack into the same place left when it was stopped.
  RemoveStaleTemporaries(out, PackageFileName);
  for (int disk = 1; options.folder_per_disk && disk <= kMostDisks; ++disk) {
    RemoveStaleTemporaries(final_folder(disk), PackageFileName);
  }
  // Disk images: the files wait in a folder of their own until the images are made.
  std::optional<ImageStaging> staging;
  if (options.disk_images) {
    if (error = staging.emplace(*options.medium).Begin(out); !error.empty()) return Failure(error);
  }
  auto disk_dir = [&](int disk) { return staging ? staging->DiskFolder(disk) : final_folder(disk); };
  const fs::path setup_exe_path = disk_dir(1) / "SETUP.EXE";
  const std::optional<std::uint64_t> known_size = CheckPayload(payload_files, error);
  if (!known_size) return Failure(error);

  package::PackageContents contents;
  contents.TopColor = manifest.TopColor;
  contents.BottomColor = manifest.BottomColor;
  contents.TitleColor = manifest.TitleColor;
  contents.SetupTexts = manifest.texts;
  // Where each file lies is known once it has been read; the block's size
  // depends on neither that nor the disk count, so the first disk's room
  // is known before the stream is cut.
  for (const ManifestFile* file : payload_files) contents.Entries.push_back({file->name, 0, 0});
  const Bytes details = FileDetails(manifest, payload_files);
  const std::uint64_t setup_size = stub->size() + details.size() + package::EncodeSetupBlock(contents, 0).size();
  std::uint64_t first_capacity = kUnlimited, capacity = kUnlimited;
  if (options.medium) {  // files take whole clusters of the medium
    const std::optional<VolumeRoom> room = RoomForVolumes(*options.medium, setup_size, *known_size, error);
    if (!room) return Failure(error);
    first_capacity = room->first;
    capacity = room->other;
  }
  if (error = FolderInTheWay(setup_exe_path); !error.empty()) return Failure(error);

  // The volumes are written as the stream grows; SETUP.EXE, whose block
  // holds the disk count and every entry, comes last.
  VolumeWriter volumes(writer, [&](int disk) { return disk_dir(disk) / package::VolumeName(disk); }, first_capacity,
                       capacity);
  if (error = volumes.Start(); !error.empty()) return Failure(error);
  contents.Entries.clear();
  PayloadSum payload;
  ProgressBar progress(*known_size);
  error = CompressPayload(payload_files, contents.Entries, volumes, progress, payload);
  const std::uint64_t payload_size = payload.size;
  progress.Finish();
  if (!error.empty()) return Failure(error);
  if (volumes.Volumes() > kMostDisks) {
    return Failure("the package needs " + std::to_string(volumes.Volumes()) + " disks; at most 255 are possible");
  }
  contents.TotalSize = static_cast<std::int32_t>(payload_size);
  contents.DiskCount = static_cast<std::uint8_t>(volumes.Volumes());
  const Bytes setup_exe = SetupExe(*stub, details, contents, payload.crc, writer.Files());
  if (error = writer.Begin(setup_exe_path, 1); !error.empty()) return Failure(error);
  if (error = writer.Write(setup_exe); !error.empty()) return Failure(error);
  if (error = writer.Commit(); !error.empty()) return Failure(error);

  // Every file is in place: SETUP.EXE first, then the volumes in order.
  std::vector<OutputFile> files = writer.Files();
  std::rotate(files.begin(), files.end() - 1, files.end());
  if (staging) {
    if (error = staging->MakeImages(contents.DiskCount); !error.empty()) return Failure(error);
  }
  Report(options, payload_files.size(), payload_size, volumes.StreamSize(), files);
  if (staging) staging->List();
  WarnOfLeftovers(out, contents.DiskCount, [&](int disk) { return final_folder(disk) / package::VolumeName(disk); },
                  "volumes");
  if (staging) {
    const FileSystem file_system = options.medium->file_system;
    WarnOfLeftovers(out, contents.DiskCount, [&](int disk) { return out / ImageName(file_system, disk); }, "images");
  }
  return 0;
}

}  // namespace pmsetup
