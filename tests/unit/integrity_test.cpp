// The integrity record: its CRC against zlib's, and damaged packages,
// which must either install exactly as packed or fail naming the damage.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/crc32.hpp"
#include "extract/extraction_run.hpp"
#include "installing.hpp"
#include "package/integrity_record.hpp"
#include "package/little_endian.hpp"
#include "package/setup_block.hpp"
#include "packer.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

TEST(Crc32, TableRoutineMatchesZlibInAnyPieces) {
  std::mt19937 random(7);
  Bytes data(70000);
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
  for (const std::size_t length : {0u, 1u, 15u, 16u, 2047u, 2048u, 70000u}) {
    const auto expected = static_cast<std::uint32_t>(::crc32(0, data.data(), static_cast<uInt>(length)));
    EXPECT_EQ(common::TableCrc32(0, data.data(), length), expected) << length;
    EXPECT_EQ(common::UpdateCrc32(0, data.data(), length), expected) << length;
    const std::size_t half = length / 3;
    EXPECT_EQ(common::TableCrc32(common::TableCrc32(0, data.data(), half), data.data() + half, length - half), expected)
        << length;
  }
}

bool NeverAsked(const std::string&, int, bool) { return false; }

// A package of three disks: a main program and two documents.
class DamagedPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const TempDir& dir = *Work();
    fs::create_directories(dir.path() / "src");
    std::mt19937 random(11);
    for (auto& [name, size] : {std::pair{"MAIN.EXE", 9000}, {"A.TXT", 14000}, {"B.DAT", 6000}}) {
      Bytes bytes(size);
      for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(k % 97 < 60 ? random() : k);
      WriteBytes((dir.path() / "src" / name).string(), bytes);
    }
    std::ofstream(dir.path() / "src/package.toml")
        << "[texts]\nTitle = \"T\"\nDefaultDir = 'C:\\T'\n[files]\nmain = \"MAIN.EXE\"\nother = [\"A.TXT\", \"B.DAT\"]\n";
    Bytes stub(4096);
    stub[0] = 'M', stub[1] = 'Z';
    WriteBytes(dir.File("stub.exe"), stub);
    pmsetup::PackOptions options;
    options.manifest = dir.File("src/package.toml");
    options.out_dir = dir.File("package");
    options.stub = dir.File("stub.exe");
    options.medium = pmsetup::Medium{};
    options.medium->capacity = 9000;
    options.medium->cluster_size = 1;
    ASSERT_EQ(pmsetup::Pack(options), 0);
    ASSERT_TRUE(fs::exists(dir.path() / "package/DISK3.CMP") && !fs::exists(dir.path() / "package/DISK4.CMP"));
  }

  static std::unique_ptr<TempDir>& Work() {
    static auto work = std::make_unique<TempDir>();
    return work;
  }

  // The package as packed, or with its integrity record taken out.
  static std::vector<Bytes> Files(bool with_record) {
    std::vector<Bytes> files;
    for (const char* name : {"SETUP.EXE", "DISK1.CMP", "DISK2.CMP", "DISK3.CMP"}) {
      files.push_back(ReadBytes(Work()->File(std::string("package/") + name)));
    }
    if (!with_record) {
      Bytes& setup = files[0];
      const std::uint32_t block = package::LittleEndian32(setup.data() + setup.size() - 4);
      const std::uint32_t record = package::LittleEndian32(setup.data() + block - 12);
      setup.erase(setup.begin() + (block - record), setup.begin() + block);
      for (int k = 0; k < 4; ++k) setup[setup.size() - 4 + k] = static_cast<std::uint8_t>((block - record) >> (8 * k));
    }
    return files;
  }

  enum class Result { kIdentical, kRefusedNamingDamage, kRefusedOtherwise, kWrongSuccess };

  static Result Install(const std::vector<Bytes>& files) {
    TempDir here;
    const char* names[] = {"SETUP.EXE", "DISK1.CMP", "DISK2.CMP", "DISK3.CMP"};
    for (std::size_t k = 0; k < files.size(); ++k) WriteBytes(here.File(names[k]), files[k]);
    const extract::FrontEnd front_end{nullptr, NeverAsked, nullptr, nullptr};
    const testing_support::Installation run =
        testing_support::InstallPackage(here.File("SETUP.EXE"), here.File("dest"), front_end);
    // Setup data that cannot be read at all is reported as damaged too.
    if (run.refused) {
      const bool named = run.defect == nullptr || std::string_view(run.defect) == package::kDamagedSetupData ||
                         std::string_view(run.defect) == package::kDamagedRecord;
      return named ? Result::kRefusedNamingDamage : Result::kRefusedOtherwise;
    }
    if (!run.installed()) {
      const bool named = run.outcome == extract::Outcome::kVolumeDamaged ||
                         run.outcome == extract::Outcome::kPayloadDamaged;
      return named ? Result::kRefusedNamingDamage : Result::kRefusedOtherwise;
    }
    for (const char* name : {"MAIN.EXE", "A.TXT", "B.DAT"}) {
      if (ReadBytes(here.File(std::string("dest/") + name)) != ReadBytes(Work()->File(std::string("src/") + name))) {
        return Result::kWrongSuccess;
      }
    }
    return Result::kIdentical;
  }

  // Installs every damage of a seeded table: single bytes changed
  // anywhere in the volumes, in the last 64 bytes of the last one, and in
  // the setup block; bursts of up to 16 bytes; a volume cut short; and a
  // byte of the record's signature changed besides one in a volume.
  static std::array<int, 4> Tally(bool with_record) {
    const std::vector<Bytes> sound = Files(with_record);
    const std::uint32_t block = package::LittleEndian32(sound[0].data() + sound[0].size() - 4);
    std::mt19937 random(2026);
    std::array<int, 4> tally{};
    for (int damage = 0; damage < 300; ++damage) {
      std::vector<Bytes> files = sound;
      const int kind = damage % 6;
      const std::size_t file = kind == 3 ? 0 : kind == 1 ? 3 : 1 + random() % 3;
      Bytes& bytes = files[file];
      const std::size_t first = file == 0 ? block : kind == 1 ? bytes.size() - 64 : 0;
      const std::size_t at = first + random() % (bytes.size() - first);
      const std::size_t length = kind == 2 ? 1 + random() % 16 : 1;
      if (kind == 5) files[0][block - 1 - random() % 8] ^= static_cast<std::uint8_t>(1 + random() % 255);
      if (kind == 4) {
        bytes.resize(at);
      } else {
        for (std::size_t k = at; k < std::min(at + length, bytes.size()); ++k) {
          bytes[k] ^= static_cast<std::uint8_t>(1 + random() % 255);
        }
      }
      ++tally[static_cast<int>(Install(files))];
    }
    return tally;
  }
};

TEST_F(DamagedPackage, SoundPackagesInstallWithAndWithoutTheRecord) {
  EXPECT_EQ(Install(Files(true)), Result::kIdentical);
  EXPECT_EQ(Install(Files(false)), Result::kIdentical);
}

TEST_F(DamagedPackage, WithTheRecordNoDamageInstallsWrongFilesAndEveryRefusalNamesIt) {
  const std::array<int, 4> tally = Tally(true);
  std::printf("with the record: %d identical, %d refused naming the damage, %d refused otherwise, %d wrong success\n",
              tally[0], tally[1], tally[2], tally[3]);
  EXPECT_EQ(tally[static_cast<int>(Result::kWrongSuccess)], 0);
  EXPECT_EQ(tally[static_cast<int>(Result::kRefusedOtherwise)], 0);
}

// Without the record nothing tells damage apart: some of the same damage
// installs wrong files.  (This is what the record is for; the counts show
// that the table reaches such damage at all.)
TEST_F(DamagedPackage, WithoutTheRecordDamageGoesUnseenAsBefore) {
  const std::array<int, 4> tally = Tally(false);
  std::printf("without the record: %d identical, %d refused, %d wrong success\n", tally[0],
              tally[1] + tally[2], tally[3]);
  EXPECT_GT(tally[static_cast<int>(Result::kWrongSuccess)], 0);
}

}  // namespace
