// A catalogue of damaged and hostile packages and destinations.  Each must
// end as the package's author or user would want: refused as damaged, or a
// failed installation that says so, or (where the damage is harmless) a
// correct installation; never a crash, a hang, a success over wrong data,
// a file outside the destination, or a change to a file that was there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "common/crc32.hpp"
#include "extract/run_state.hpp"
#include "extract/front_end.hpp"
#include "installing.hpp"
#include "lzh/encoder.hpp"
#include "package/block_writer.hpp"
#include "platform/fault_injection.hpp"
#include "sample_data.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// kUnreadable: fails as a volume that cannot be read, without asking for
// a disk.
enum class Expect { kRefused, kFails, kUnreadable, kInstalls };

// A package before it is written out: the parts a damage may change.
struct Parts {
  package::PackageContents contents;
  Bytes payload;
  std::vector<std::size_t> volume_sizes;  // all but the last volume
  std::optional<int> disk_count;          // none: the number of volumes
  std::function<void(Bytes& setup_exe, std::size_t block_offset)> damage_exe;
  std::function<void(std::vector<Bytes>& volumes)> damage_volumes;
  // Makes what the run must not write through or into, below the test's
  // folder, before the run.
  std::function<void(const fs::path& folder)> prepare;
  // Below the test's folder: "package" installs beside the volumes.
  std::string destination = "installed";
  bool record = false;  // with an integrity record of the volumes as laid out
};

constexpr std::size_t kStubSize = 300;

Parts GoodParts() {
  using namespace testing_support;
  Parts parts;
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"MAIN.EXE", StructuredBinary(6000, 1)}, {"A.TXT", ProseText(5000, 2)}, {"B.BIN", RandomBytes(3000, 3)}};
  parts.contents.SetupTexts = {"T", "C:\\T", "", "OK", "Cancel", "Yes", "No", "", "", "", "Disk %u", "Wrong",
                               "Terminated", "Sure?", "Setup", "Copying", ""};
  for (const auto& [name, bytes] : files) {
    parts.contents.Entries.push_back({name, static_cast<std::int32_t>(parts.payload.size()),
                                      static_cast<std::int32_t>(bytes.size())});
    parts.payload.insert(parts.payload.end(), bytes.begin(), bytes.end());
  }
  parts.contents.TotalSize = static_cast<std::int32_t>(parts.payload.size());
  parts.volume_sizes = {2048, 1500};
  return parts;
}

struct Case {
  const char* name;
  std::function<void(Parts&)> make;
  Expect expect;
};

void Truncate(Bytes& b, std::size_t to) { b.resize(std::min(to, b.size())); }

// Cuts the block at `keep` bytes and gives it a fresh trailer.
std::function<void(Bytes&, std::size_t)> CutBlock(std::size_t keep) {
  return [keep](Bytes& exe, std::size_t offset) {
    exe.resize(offset + keep);
    for (int k = 0; k < 4; ++k) exe.push_back(static_cast<std::uint8_t>(offset >> (8 * k)));
  };
}

std::function<void(Bytes&, std::size_t)> Trailer(std::function<std::uint32_t(std::size_t, std::size_t)> value) {
  return [value](Bytes& exe, std::size_t offset) {
    const std::uint32_t v = value(offset, exe.size() - 4);
    for (int k = 0; k < 4; ++k) exe[exe.size() - 4 + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
}

std::vector<Case> Catalogue() {
  using package::PackageEntry;
  std::vector<Case> cases = {
      {"intact", [](Parts&) {}, Expect::kInstalls},
      // The setup block itself.
      {"cut inside the trailer", [](Parts& p) { p.damage_exe = [](Bytes& b, std::size_t) { Truncate(b, b.size() - 2); }; }, Expect::kRefused},
      {"cut inside the header", [](Parts& p) { p.damage_exe = CutBlock(10); }, Expect::kRefused},
      {"cut inside a text", [](Parts& p) { p.damage_exe = CutBlock(25); }, Expect::kRefused},
      {"cut inside an entry", [](Parts& p) { p.damage_exe = [](Bytes& b, std::size_t o) { CutBlock(b.size() - o - 4 - 5)(b, o); }; }, Expect::kRefused},
      {"file of three bytes", [](Parts& p) { p.damage_exe = [](Bytes& b, std::size_t) { b.resize(3); }; }, Expect::kRefused},
      {"trailer before the block", [](Parts& p) { p.damage_exe = Trailer([](std::size_t, std::size_t) { return 0u; }); }, Expect::kRefused},
      {"trailer at the limit", [](Parts& p) { p.damage_exe = Trailer([](std::size_t, std::size_t limit) { return static_cast<std::uint32_t>(limit); }); }, Expect::kRefused},
      {"trailer beyond the file", [](Parts& p) { p.damage_exe = Trailer([](std::size_t, std::size_t limit) { return static_cast<std::uint32_t>(limit + 100); }); }, Expect::kRefused},
      {"trailer at 2^31", [](Parts& p) { p.damage_exe = Trailer([](std::size_t, std::size_t) { return 0x80000000u; }); }, Expect::kRefused},
      {"trailer at 2^32-1", [](Parts& p) { p.damage_exe = Trailer([](std::size_t, std::size_t) { return 0xFFFFFFFFu; }); }, Expect::kRefused},
      {"empty file list", [](Parts& p) { p.contents.Entries.clear(); }, Expect::kRefused},
      {"main name ..", [](Parts& p) { p.contents.Entries[0].Name = ".."; }, Expect::kRefused},
      {"main name with a path", [](Parts& p) { p.contents.Entries[0].Name = "..\\MAIN.EXE"; }, Expect::kRefused},
      {"main name with a slash", [](Parts& p) { p.contents.Entries[0].Name = "x/MAIN.EXE"; }, Expect::kRefused},
      {"main name with a drive", [](Parts& p) { p.contents.Entries[0].Name = "C:MAIN.EXE"; }, Expect::kRefused},
      {"empty main name", [](Parts& p) { p.contents.Entries[0].Name = ""; }, Expect::kRefused},
      // Texts and names that are odd but harmless.
      {"texts of length 0", [](Parts& p) { p.contents.SetupTexts.fill(""); }, Expect::kInstalls},
      {"texts of length 255", [](Parts& p) { p.contents.SetupTexts.fill(std::string(255, 'x')); }, Expect::kInstalls},
      {"name of 220 bytes", [](Parts& p) { p.contents.Entries[1].Name = std::string(216, 'n') + ".TXT"; }, Expect::kInstalls},
      {"overlapping entries", [](Parts& p) { p.contents.Entries.push_back({"OVER.TXT", 5000, 3000}); }, Expect::kInstalls},
      {"entry of size 0", [](Parts& p) { p.contents.Entries.push_back({"EMPTY.TXT", 100, 0}); }, Expect::kInstalls},
      {"empty middle volume", [](Parts& p) { p.volume_sizes = {2048, 0}; }, Expect::kInstalls},
      {"empty volume after the stream", [](Parts& p) { p.disk_count = 4; p.damage_volumes = [](std::vector<Bytes>& v) { v.emplace_back(); }; }, Expect::kInstalls},
      {"volumes at window boundaries", [](Parts& p) { p.volume_sizes = {4096, 2048}; }, Expect::kInstalls},
      // Entries that cannot be carved.
      {"entry offset negative", [](Parts& p) { p.contents.Entries[1].Offset = -10; }, Expect::kFails},
      {"entry past the payload", [](Parts& p) { p.contents.Entries.push_back({"LATE.TXT", 13000, 2000}); }, Expect::kFails},
      // The last match runs 20 bytes past TotalSize; the payload file holds
      // them, but they are no part of the payload.
      {"entry in the last match's overshoot", [](Parts& p) {
         p.payload.insert(p.payload.end(), 120, 'A');
         p.contents.TotalSize = static_cast<std::int32_t>(p.payload.size() - 20);
         p.contents.Entries.push_back({"OVER.TXT", p.contents.TotalSize, 10});
       }, Expect::kFails},
      {"entry beyond 2 GiB", [](Parts& p) { p.contents.Entries.push_back({"FAR.TXT", 0x7FFFFF00, 1000}); }, Expect::kFails},
      {"name ..", [](Parts& p) { p.contents.Entries[1].Name = ".."; }, Expect::kFails},
      {"name ending in a separator", [](Parts& p) { p.contents.Entries[1].Name = "dir/"; }, Expect::kFails},
      {"name empty", [](Parts& p) { p.contents.Entries[1].Name = ""; }, Expect::kFails},
      {"name of the main program", [](Parts& p) { p.contents.Entries[1].Name = "sub\\MAIN.EXE"; }, Expect::kFails},
      // Names are one by the code page's case rules, not by ASCII alone.
      {"name of the main program in another case", [](Parts& p) { p.contents.Entries[0].Name = "\xC4PP.EXE"; p.contents.Entries[1].Name = "\xE4pp.exe"; }, Expect::kFails},
      {"name too long for a Windows path", [](Parts& p) { p.contents.Entries[1].Name = std::string(251, 'n') + ".TXT"; }, Expect::kFails},
      {"main program larger than the payload", [](Parts& p) { p.contents.Entries[0].Size = 100000; }, Expect::kFails},
      {"main program of 2 GiB", [](Parts& p) { p.contents.Entries[0].Size = 0x7FFFFFFF; }, Expect::kFails},
      {"main program on an empty payload", [](Parts& p) { p.payload.clear(); p.contents.TotalSize = 0; p.contents.Entries = {{"MAIN.EXE", 0, 5002}}; p.volume_sizes = {}; }, Expect::kFails},
      // What the run must not write through, or replace.
      // A link is replaced, never written through; what it leads to is judged as Windows opens it.
      {"a link in the destination", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::create_directory(f / "installed"); fs::create_symlink(f / "package/SETUP.EXE", f / "installed/A.TXT"); }; }, Expect::kInstalls},
      {"a link leading nowhere in the destination", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::create_directory(f / "installed"); fs::create_symlink(f / "gone", f / "installed/A.TXT"); }; }, Expect::kInstalls},
      {"a link to a folder in the destination", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::create_directory(f / "installed"); fs::create_directory_symlink(f / "package", f / "installed/A.TXT"); }; }, Expect::kFails},
      {"a link to a read-only file in the destination", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::create_directory(f / "installed"); fs::permissions(f / "package/DISK3.CMP", fs::perms::owner_read); fs::create_symlink(f / "package/DISK3.CMP", f / "installed/A.TXT"); }; }, Expect::kFails},
      {"a pipe in the destination", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::create_directory(f / "installed"); ::mkfifo((f / "installed/B.BIN").c_str(), 0644); }; }, Expect::kFails},
      {"a pipe as the first volume", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::remove(f / "package/DISK1.CMP"); ::mkfifo((f / "package/DISK1.CMP").c_str(), 0644); }; }, Expect::kFails},
      {"a pipe as a later volume", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::remove(f / "package/DISK2.CMP"); ::mkfifo((f / "package/DISK2.CMP").c_str(), 0644); }; }, Expect::kUnreadable},
      {"a folder as a later volume", [](Parts& p) { p.prepare = [](const fs::path& f) { fs::remove(f / "package/DISK3.CMP"); fs::create_directory(f / "package/DISK3.CMP"); }; }, Expect::kUnreadable},
      {"a main program named like a volume", [](Parts& p) { p.destination = "package"; p.contents.Entries[0].Name = "disk2.cmp"; }, Expect::kRefused},
      {"a main program named like the last volume", [](Parts& p) { p.destination = "package"; p.contents.Entries[0].Name = "DISK3.CMP"; }, Expect::kRefused},
      {"a main program named like no volume of the package", [](Parts& p) { p.destination = "package"; p.contents.Entries[0].Name = "DISK4.CMP"; }, Expect::kInstalls},
      {"a file named like a volume, into the package's folder", [](Parts& p) { p.destination = "package"; p.contents.Entries[2].Name = "Disk3.cmp"; }, Expect::kFails},
      {"a file named like a volume, into the package's folder/", [](Parts& p) { p.destination = "package/"; p.contents.Entries[1].Name = "sub\\disk1.CMP"; }, Expect::kFails},
      {"a file named like a volume, elsewhere", [](Parts& p) { p.contents.Entries[2].Name = "DISK1.CMP"; }, Expect::kInstalls},
      {"a file named like the package's installer, into its folder", [](Parts& p) { p.destination = "package"; p.contents.Entries[2].Name = "Setup.exe"; }, Expect::kFails},
      {"a main program named like the package's installer, into its folder", [](Parts& p) { p.destination = "package"; p.contents.Entries[0].Name = "setup.EXE"; }, Expect::kFails},
      {"a file named like the package's installer, elsewhere", [](Parts& p) { p.contents.Entries[2].Name = "SETUP.EXE"; }, Expect::kInstalls},
      {"a file named like the installers' temporaries", [](Parts& p) { p.contents.Entries[1].Name = "~PMFFFFF.TMP"; }, Expect::kFails},
      {"a main program named like the installers' temporaries", [](Parts& p) { p.contents.Entries[0].Name = "~pm0abcd.tmp"; }, Expect::kRefused},
      {"a file named like no volume of the package", [](Parts& p) { p.destination = "package"; p.contents.Entries[2].Name = "DISK4.CMP"; }, Expect::kInstalls},
      // Sizes and counts that do not match the volumes.
      {"TotalSize far beyond the stream", [](Parts& p) { p.contents.TotalSize = 50000000; }, Expect::kFails},
      {"TotalSize short of the entries", [](Parts& p) { p.contents.TotalSize = 7000; }, Expect::kFails},
      {"DiskCount 0", [](Parts& p) { p.disk_count = 0; }, Expect::kFails},
      {"DiskCount smaller", [](Parts& p) { p.disk_count = 2; }, Expect::kFails},
      {"DiskCount larger", [](Parts& p) { p.disk_count = 5; }, Expect::kFails},
      {"DiskCount 256 (counts as 0)", [](Parts& p) { p.disk_count = 256; }, Expect::kFails},
      // The integrity record's count of volumes, at its limits.
      {"a record of as many volumes as DiskCount counts", [](Parts& p) { p.record = true; p.volume_sizes.assign(254, 16); }, Expect::kInstalls},
      {"a record of more volumes than DiskCount", [](Parts& p) { p.record = true; p.disk_count = 2; }, Expect::kRefused},
      {"empty last volume", [](Parts& p) { p.damage_volumes = [](std::vector<Bytes>& v) { v.back().clear(); }; }, Expect::kFails},
      {"empty first volume", [](Parts& p) { p.damage_volumes = [](std::vector<Bytes>& v) { v.front().clear(); }; }, Expect::kFails},
      {"cut inside the first window", [](Parts& p) { p.damage_volumes = [](std::vector<Bytes>& v) { Truncate(v[0], 100); }; }, Expect::kFails},
      {"cut at a window boundary", [](Parts& p) { p.volume_sizes = {4096}; p.damage_volumes = [](std::vector<Bytes>& v) { Truncate(v[1], 2048); }; }, Expect::kFails},
  };
  for (std::size_t cut = 1; cut <= 4; ++cut) {
    cases.push_back({"last volume short by a few bytes",
                     [cut](Parts& p) { p.damage_volumes = [cut](std::vector<Bytes>& v) { Truncate(v.back(), v.back().size() - cut); }; },
                     Expect::kFails});
  }
  // The decoder reads up to two bytes ahead, so a stray byte or two at the
  // very end is in its hands, not left in the volume.
  for (std::size_t extra : {1, 2, 17}) {
    cases.push_back({"bytes appended to the last volume",
                     [extra](Parts& p) { p.damage_volumes = [extra](std::vector<Bytes>& v) { v.back().resize(v.back().size() + extra, 0x5A); }; },
                     Expect::kFails});
  }
  // \xB9, \xB2, \xB3: the superscripts 1, 2, 3 of code page 1252.
  for (const char* device : {"NUL", "COM1", "AUX.txt", "con", "LPT9.dat", "CONOUT$", "nul .txt", "COM\xB9", "com\xB2.txt",
                             "Com\xB3.dat", "LPT\xB9.x", "lpt\xB2", "LPT\xB3.TXT", "CLOCK$", "clock$.log"}) {
    cases.push_back({"a device name", [device](Parts& p) { p.contents.Entries[2].Name = device; }, Expect::kFails});
  }
  for (const char* hostile : {"x*.txt", "q?.txt", "a<b", "a|b", "a\"b", "bell\a", "\x1B[2J", "...", " "}) {
    cases.push_back({"a name Windows refuses", [hostile](Parts& p) { p.contents.Entries[2].Name = hostile; }, Expect::kFails});
  }
  for (const char* main : {"NUL", "com1.exe", "...", " ", "MAIN.EXE.", "M*.EXE", "DISK1.CMP"}) {
    cases.push_back({"a main program name Windows refuses", [main](Parts& p) { p.contents.Entries[0].Name = main; }, Expect::kRefused});
  }
  // Copying in blocks pads the last volume with one value.
  for (const auto& padding : {std::pair{0x00, 1}, {0x00, 17}, {0x00, 512}, {0x1A, 1}, {0x1A, 2}, {0x1A, 300}}) {
    const int value = padding.first, count = padding.second;
    cases.push_back({"padding after the stream",
                     [value, count](Parts& p) { p.damage_volumes = [value, count](std::vector<Bytes>& v) { v.back().resize(v.back().size() + count, static_cast<std::uint8_t>(value)); }; },
                     Expect::kInstalls});
  }
  cases.push_back({"padding of two values", [](Parts& p) { p.damage_volumes = [](std::vector<Bytes>& v) { v.back().insert(v.back().end(), {0x1A, 0x1A, 0x00}); }; }, Expect::kFails});
  cases.push_back({"padding before a stray byte", [](Parts& p) { p.damage_volumes = [](std::vector<Bytes>& v) { v.back().insert(v.back().end(), {0x00, 0x00, 0x00, 0x41}); }; }, Expect::kFails});
  cases.push_back({"a byte appended to the first volume",
                   [](Parts& p) { p.damage_volumes = [](std::vector<Bytes>& v) { v.front().push_back(0); }; },
                   Expect::kFails});
  return cases;
}

bool Decline(const std::string&, int, bool) { return false; }

// The plain files below folder (links are not followed), with their bytes.
std::map<fs::path, Bytes> PlainFiles(const fs::path& folder) {
  std::map<fs::path, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && !entry.is_symlink()) files[entry.path()] = testing_support::ReadBytes(entry.path().string());
  }
  return files;
}

class BadPackageTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(BadPackageTest, EndsAsExpected) {
  const Case c = Catalogue()[GetParam()];
  SCOPED_TRACE(c.name);
  Parts parts = GoodParts();
  c.make(parts);

  // Lay the package out as pack does.
  const Bytes stream = lzh::LzhEncode(parts.payload);
  std::vector<Bytes> volumes;
  std::size_t offset = 0;
  for (std::size_t size : parts.volume_sizes) {
    volumes.emplace_back(stream.begin() + offset, stream.begin() + offset + size);
    offset += size;
  }
  volumes.emplace_back(stream.begin() + offset, stream.end());
  Bytes exe(kStubSize, 'M');
  std::vector<package::VolumeSum> sums;
  for (const Bytes& volume : volumes) {
    sums.push_back({static_cast<std::uint32_t>(volume.size()), common::UpdateCrc32(0, volume.data(), volume.size())});
  }
  const std::size_t block_offset =
      kStubSize + (parts.record ? package::IntegrityRecordSize(static_cast<std::uint32_t>(sums.size())) : 0);
  Bytes block = package::EncodeSetupBlock(parts.contents, static_cast<std::uint32_t>(block_offset));
  // DiskCount is stored in 32 bits, of which the installer reads the low 8.
  const auto disk_count = static_cast<std::uint32_t>(parts.disk_count.value_or(static_cast<int>(volumes.size())));
  for (int k = 0; k < 4; ++k) block[16 + k] = static_cast<std::uint8_t>(disk_count >> (8 * k));
  if (parts.record) {
    const Bytes record = package::EncodeIntegrityRecord(common::UpdateCrc32(0, exe.data(), exe.size()),
                                                        common::UpdateCrc32(0, parts.payload.data(), parts.payload.size()),
                                                        sums, block);
    exe.insert(exe.end(), record.begin(), record.end());
  }
  exe.insert(exe.end(), block.begin(), block.end());
  if (parts.damage_exe) parts.damage_exe(exe, block_offset);
  if (parts.damage_volumes) parts.damage_volumes(volumes);

  testing_support::TempDir dir;
  fs::create_directory(dir.path() / "package");
  testing_support::WriteBytes(dir.File("package/SETUP.EXE"), exe);
  for (std::size_t k = 0; k < volumes.size(); ++k) {
    testing_support::WriteBytes(dir.File("package/DISK" + std::to_string(k + 1) + ".CMP"), volumes[k]);
  }
  if (parts.prepare) parts.prepare(dir.path());
  const std::map<fs::path, Bytes> before = PlainFiles(dir.path());
  const bool destination_existed = fs::exists(dir.path() / "installed");

  const std::string& destination = parts.destination;
  const testing_support::Installation result =
      testing_support::InstallPackage(dir.File("package/SETUP.EXE"), dir.File(destination), {nullptr, Decline, nullptr});
  Expect outcome = Expect::kRefused;
  if (!result.refused) {
    outcome = result.installed()                              ? Expect::kInstalls
              : result.outcome == extract::Outcome::kReadFailed ? Expect::kUnreadable
                                                                : Expect::kFails;
    EXPECT_NE(result.outcome, extract::Outcome::kUnderway);
    // pmsetup's report names the file for these.
    using extract::Outcome;
    const Outcome o = result.outcome;
    if (o == Outcome::kCannotCreateOutput || o == Outcome::kNoFirstVolume || o == Outcome::kWriteFailed ||
        o == Outcome::kReadFailed || o == Outcome::kSplitFailed) {
      EXPECT_FALSE(result.stop.path.empty()) << result.problem();
    }
  }
  EXPECT_EQ(outcome, c.expect) << result.problem();
  EXPECT_EQ(platform::OpenFileCount(), 0);
  EXPECT_FALSE(extract::Extraction.Running);

  // Nothing outside the destination; a success installed exactly the data.
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_THAT(entry.path().filename().string(), ::testing::AnyOf("package", "installed"));
  }
  // Every plain file that was there before is there as it was, unless the
  // package installed a file of that name; a failure adds no file and
  // leaves no folder it made.
  const std::map<fs::path, Bytes> after = PlainFiles(dir.path());
  for (const auto& [path, bytes] : before) {
    if (outcome == Expect::kInstalls && path.parent_path().filename() == "installed") continue;
    const auto found = after.find(path);
    EXPECT_TRUE(found != after.end() && found->second == bytes) << path << " changed";
  }
  if (outcome != Expect::kInstalls) {
    for (const auto& [path, bytes] : after) EXPECT_TRUE(before.count(path)) << path << " was left";
    if (!destination_existed) {
      EXPECT_FALSE(fs::exists(dir.path() / "installed")) << "the destination made by the run was left";
    }
  }
  if (outcome == Expect::kInstalls) {
    for (const auto& e : parts.contents.Entries) {
      const std::size_t slash = e.Name.find_last_of("\\/:");
      const std::string name = slash == std::string::npos ? e.Name : e.Name.substr(slash + 1);
      const Bytes installed = testing_support::ReadBytes((dir.path() / destination / name).string());
      const Bytes expected(parts.payload.begin() + e.Offset, parts.payload.begin() + e.Offset + std::max(0, e.Size));
      if (&e == &parts.contents.Entries.front()) continue;  // the main program is checked below
      EXPECT_EQ(installed, expected) << name;
    }
    const auto& main = parts.contents.Entries.front();
    EXPECT_EQ(testing_support::ReadBytes((dir.path() / destination / main.Name).string()),
              Bytes(parts.payload.begin(), parts.payload.begin() + main.Size));
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BadPackageTest, ::testing::Range<std::size_t>(0, Catalogue().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           std::string name = Catalogue()[info.param].name;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name + "_" + std::to_string(info.param);
                         });

}  // namespace
