#include "package_builder.hpp"

#include "common/crc32.hpp"
#include "lzh/encoder.hpp"
#include "package/little_endian.hpp"
#include "temp_dir.hpp"

namespace testing_support {

BuiltPackage BuildPackage(const std::string& folder, const std::vector<PackageFile>& files,
                          const std::vector<std::size_t>& volume_sizes, int disk_count,
                          const std::vector<package::PackageEntry>& extra) {
  BuiltPackage built;
  package::PackageContents contents;
  contents.SetupTexts = {"Test", "C:\\Test", "", "OK", "Cancel", "Yes", "No", "Where?", "Group?", "Run %s?",
                         "Insert disk %u", "Wrong disk", "Terminated", "Really cancel?", "Setup", "Copying", ""};
  for (const PackageFile& file : files) {
    contents.Entries.push_back({file.name, static_cast<std::int32_t>(built.payload.size()),
                                static_cast<std::int32_t>(file.bytes.size())});
    built.payload.insert(built.payload.end(), file.bytes.begin(), file.bytes.end());
  }
  contents.Entries.insert(contents.Entries.end(), extra.begin(), extra.end());
  contents.TotalSize = static_cast<std::int32_t>(built.payload.size());
  const std::vector<std::uint8_t> stream = lzh::LzhEncode(built.payload);

  std::size_t offset = 0;
  std::vector<std::vector<std::uint8_t>> volumes;
  for (std::size_t size : volume_sizes) {
    volumes.emplace_back(stream.begin() + offset, stream.begin() + offset + size);
    offset += size;
  }
  volumes.emplace_back(stream.begin() + offset, stream.end());
  contents.DiskCount = static_cast<std::uint8_t>(disk_count >= 0 ? disk_count : static_cast<int>(volumes.size()));

  std::vector<std::uint8_t> setup(64, 'M');
  const auto block = package::EncodeSetupBlock(contents, static_cast<std::uint32_t>(setup.size()));
  setup.insert(setup.end(), block.begin(), block.end());
  built.setup_exe = folder + "/SETUP.EXE";
  WriteBytes(built.setup_exe, setup);
  for (std::size_t k = 0; k < volumes.size(); ++k) {
    built.volumes.push_back(folder + "/DISK" + std::to_string(k + 1) + ".CMP");
    WriteBytes(built.volumes.back(), volumes[k]);
  }
  return built;
}

void WriteWithIntegrityRecord(const BuiltPackage& built, const std::string& setup_exe,
                              const std::vector<std::uint8_t>& details) {
  std::vector<package::VolumeSum> sums;
  for (const std::string& volume : built.volumes) {
    const std::vector<std::uint8_t> bytes = ReadBytes(volume);
    sums.push_back({static_cast<std::uint32_t>(bytes.size()), common::UpdateCrc32(0, bytes.data(), bytes.size())});
  }
  std::vector<std::uint8_t> setup = ReadBytes(built.setup_exe);
  const std::uint32_t offset = package::LittleEndian32(setup.data() + setup.size() - package::kTrailerSize);
  std::vector<std::uint8_t> block(setup.begin() + offset, setup.end());
  const std::uint32_t moved = offset + static_cast<std::uint32_t>(details.size()) +
                              package::IntegrityRecordSize(static_cast<std::uint32_t>(sums.size()));
  for (int k = 0; k < 4; ++k) block[block.size() - 4 + k] = static_cast<std::uint8_t>(moved >> (8 * k));
  const std::uint32_t payload_crc = common::UpdateCrc32(0, built.payload.data(), built.payload.size());
  setup.resize(offset);
  setup.insert(setup.end(), details.begin(), details.end());
  const std::uint32_t image_crc = common::UpdateCrc32(0, setup.data(), setup.size());
  const std::vector<std::uint8_t> record = package::EncodeIntegrityRecord(image_crc, payload_crc, sums, block);
  setup.insert(setup.end(), record.begin(), record.end());
  setup.insert(setup.end(), block.begin(), block.end());
  WriteBytes(setup_exe, setup);
}

}  // namespace testing_support
