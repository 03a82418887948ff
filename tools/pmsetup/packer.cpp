#include "packer.hpp"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "file_io.hpp"
#include "lzh/encoder.hpp"
#include "manifest.hpp"
#include "package/block_writer.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

int Fail(const std::string& message) {
  std::cerr << "pmsetup: " << message << '\n';
  return 1;
}

std::string StubBesideTool() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string("SETUP.EXE") : (self.parent_path() / "SETUP.EXE").string();
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

struct OutputFile {
  fs::path path;
  Bytes bytes;
  int disk;
};

// Every file goes to a temporary name first; only when all are written do
// they take their real names.
std::string WriteAll(const std::vector<OutputFile>& files) {
  std::vector<fs::path> written;
  std::error_code error;
  auto discard = [&] {
    for (const fs::path& path : written) fs::remove(path.string() + ".partial", error);
  };
  for (const OutputFile& file : files) {
    fs::create_directories(file.path.parent_path(), error);
    if (error) {
      discard();
      return "cannot create " + file.path.parent_path().string() + ": " + error.message();
    }
    const std::string temporary = file.path.string() + ".partial";
    if (!WriteFileExactly(temporary, file.bytes)) {
      discard();
      fs::remove(temporary, error);
      return "cannot write " + file.path.string() + " (is the disk full?)";
    }
    written.push_back(file.path);
  }
  for (const fs::path& path : written) {
    fs::rename(path.string() + ".partial", path, error);
    if (error) return "cannot rename " + path.string() + ".partial into place: " + error.message();
  }
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
  std::cout << "Packed " << options.manifest << ": " << payload.entries.size() << " files, payload "
            << Thousands(payload.bytes.size()) << " bytes, compressed " << Thousands(stream_size) << " bytes";
  if (!payload.bytes.empty()) {
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, " (%.1f%%)", 100.0 * static_cast<double>(stream_size) / payload.bytes.size());
    std::cout << ratio;
  }
  std::cout << '\n';
  for (const OutputFile& file : files) {
    std::cout << "  disk " << file.disk << "  " << file.path.string() << "  " << Thousands(file.bytes.size())
              << " bytes\n";
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
  if (options.disk_size) {
    if (*options.disk_size <= setup_size) {
      return Fail("--disk-size " + std::to_string(*options.disk_size) + " leaves no room beside SETUP.EXE (" +
                  std::to_string(setup_size) + " bytes) on the first disk");
    }
    first_capacity = *options.disk_size - setup_size;
    capacity = *options.disk_size;
  }
  const std::vector<VolumeSpan> volumes = SplitVolumes(stream.size(), first_capacity, capacity);
  if (volumes.size() > 255) {
    return Fail("the package needs " + std::to_string(volumes.size()) + " disks; at most 255 are possible");
  }
  contents.DiskCount = static_cast<std::uint8_t>(volumes.size());

  Bytes setup_exe = *stub;
  const Bytes block = package::EncodeSetupBlock(contents, static_cast<std::uint32_t>(stub->size()));
  setup_exe.insert(setup_exe.end(), block.begin(), block.end());

  const fs::path out(options.out_dir);
  auto disk_dir = [&](int disk) { return options.folder_per_disk ? out / ("DISK" + std::to_string(disk)) : out; };
  std::vector<OutputFile> files{{disk_dir(1) / "SETUP.EXE", std::move(setup_exe), 1}};
  for (std::size_t k = 0; k < volumes.size(); ++k) {
    const int disk = static_cast<int>(k + 1);
    const auto first = stream.begin() + static_cast<std::ptrdiff_t>(volumes[k].offset);
    files.push_back({disk_dir(disk) / ("DISK" + std::to_string(disk) + ".CMP"),
                     Bytes(first, first + static_cast<std::ptrdiff_t>(volumes[k].size)), disk});
  }
  if (error = WriteAll(files); !error.empty()) return Fail(error);
  Report(options, *payload, stream.size(), files);
  return 0;
}

}  // namespace pmsetup
