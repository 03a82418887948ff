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
#include "package/block_writer.hpp"
#include "package/integrity_record.hpp"
#include "package/little_endian.hpp"
#include "package/setup_block.hpp"
#include "packing/packer.hpp"
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

  enum class Record { kNone, kFirstVersion, kCurrent };

  // The package as packed, with its record made over as one of the first
  // version (which does not cover the image), or with it taken out.
  static std::vector<Bytes> Files(Record kind) {
    std::vector<Bytes> files;
    for (const char* name : {"SETUP.EXE", "DISK1.CMP", "DISK2.CMP", "DISK3.CMP"}) {
      files.push_back(ReadBytes(Work()->File(std::string("package/") + name)));
    }
    Bytes& setup = files[0];
    const std::uint32_t block = package::LittleEndian32(setup.data() + setup.size() - 4);
    const std::uint32_t start = block - package::LittleEndian32(setup.data() + block - 12);
    Bytes record(setup.begin() + start, setup.begin() + block), rest(setup.begin() + block, setup.end());
    setup.resize(start);
    std::vector<package::VolumeSum> sums(3);
    for (std::size_t n = 1; n <= 3; ++n) sums[n - 1] = {ReadSize(record, 8 + 8 * n), ReadSize(record, 12 + 8 * n)};
    if (kind == Record::kFirstVersion) {
      const std::uint32_t moved = start + package::kFirstRecordFixedSize + 8 * 3;
      for (int k = 0; k < 4; ++k) rest[rest.size() - 4 + k] = static_cast<std::uint8_t>(moved >> (8 * k));
      record = package::EncodeIntegrityRecord(std::nullopt, ReadSize(record, 8), sums, rest);
    }
    if (kind == Record::kNone) {
      for (int k = 0; k < 4; ++k) rest[rest.size() - 4 + k] = static_cast<std::uint8_t>(start >> (8 * k));
    } else {
      setup.insert(setup.end(), record.begin(), record.end());
    }
    setup.insert(setup.end(), rest.begin(), rest.end());
    return files;
  }

  static std::uint32_t ReadSize(const Bytes& bytes, std::size_t at) { return package::LittleEndian32(&bytes[at]); }

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
                         std::string_view(run.defect) == package::kDamagedImage ||
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
  // the setup block; bursts of up to 16 bytes; a volume cut short; a byte
  // of the record's signature (its version digit among them) changed
  // besides one in a volume; and a byte of the installer's image.  An
  // image that the record covers must not install as if sound.
  static std::array<int, 4> Tally(Record record) {
    const std::vector<Bytes> sound = Files(record);
    const std::uint32_t block = package::LittleEndian32(sound[0].data() + sound[0].size() - 4);
    const std::uint32_t image = record == Record::kNone ? block : block - ReadSize(sound[0], block - 12);
    std::mt19937 random(2026);
    std::array<int, 4> tally{};
    for (int damage = 0; damage < 350; ++damage) {
      std::vector<Bytes> files = sound;
      const int kind = damage % 7;
      const std::size_t file = kind == 3 || kind == 6 ? 0 : kind == 1 ? 3 : 1 + random() % 3;
      Bytes& bytes = files[file];
      const std::size_t first = file == 0 && kind == 3 ? block : kind == 1 ? bytes.size() - 64 : 0;
      const std::size_t at = first + random() % ((kind == 6 ? image : bytes.size()) - first);
      const std::size_t length = kind == 2 ? 1 + random() % 16 : 1;
      if (kind == 5) files[0][block - 1 - random() % 8] ^= static_cast<std::uint8_t>(1 + random() % 255);
      if (kind == 4) {
        bytes.resize(at);
      } else {
        for (std::size_t k = at; k < std::min(at + length, bytes.size()); ++k) {
          bytes[k] ^= static_cast<std::uint8_t>(1 + random() % 255);
        }
      }
      Result result = Install(files);
      if (kind == 6 && record == Record::kCurrent && result == Result::kIdentical) result = Result::kWrongSuccess;
      ++tally[static_cast<int>(result)];
    }
    return tally;
  }
};

TEST_F(DamagedPackage, SoundPackagesInstallWithEitherRecordAndWithout) {
  for (const Record record : {Record::kCurrent, Record::kFirstVersion, Record::kNone}) {
    EXPECT_EQ(Install(Files(record)), Result::kIdentical) << static_cast<int>(record);
  }
}

TEST_F(DamagedPackage, WithTheRecordNoDamageInstallsWrongFilesAndEveryRefusalNamesIt) {
  for (const Record record : {Record::kCurrent, Record::kFirstVersion}) {
    const std::array<int, 4> tally = Tally(record);
    std::printf("with the record (version %d): %d identical, %d refused naming the damage, %d refused otherwise, "
                "%d wrong success\n",
                static_cast<int>(record), tally[0], tally[1], tally[2], tally[3]);
    EXPECT_EQ(tally[static_cast<int>(Result::kWrongSuccess)], 0);
    EXPECT_EQ(tally[static_cast<int>(Result::kRefusedOtherwise)], 0);
  }
}

// Without the record nothing tells damage apart: some of the same damage
// installs wrong files.  (This is what the record is for; the counts show
// that the table reaches such damage at all.)
TEST_F(DamagedPackage, WithoutTheRecordDamageGoesUnseenAsBefore) {
  const std::array<int, 4> tally = Tally(Record::kNone);
  std::printf("without the record: %d identical, %d refused, %d wrong success\n", tally[0],
              tally[1] + tally[2], tally[3]);
  EXPECT_GT(tally[static_cast<int>(Result::kWrongSuccess)], 0);
}

}  // namespace
