// The extraction from volumes to installed files, through the same code
// SETUP.EXE runs, with a scripted user in place of the dialogs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/extraction_run.hpp"
#include "extract/file_splitter.hpp"
#include "extract/force_directory.hpp"
#include "extract/front_end.hpp"
#include "extract/installation.hpp"
#include "extract/output_writer.hpp"
#include "extract/progress_count.hpp"
#include "extract/staged_files.hpp"
#include "extract/transfer.hpp"
#include "extract/volume_reader.hpp"
#include "installing/installer.hpp"
#include "installing.hpp"
#include "lzh/decoder.hpp"
#include "package/file_details.hpp"
#include "package/file_name.hpp"
#include "package_builder.hpp"
#include "platform/fault_injection.hpp"
#include "sample_data.hpp"
#include "temp_dir.hpp"

namespace extract {
namespace {

namespace fs = std::filesystem;
using testing_support::BuildPackage;
using testing_support::PackageFile;
using testing_support::ReadBytes;
using testing_support::TempDir;
using Bytes = std::vector<std::uint8_t>;

// The length of a file being written, as the installer's own file layer
// sees it: what was handed to it, whether or not it is on disk yet.
std::uintmax_t WrittenSize(platform::FileHandle handle) {
  std::int64_t size = -1;
  EXPECT_EQ(platform::FileSize(handle, size), platform::kIoOk);
  return static_cast<std::uintmax_t>(size);
}

// The user: answers questions from a script and records what was shown.
struct ScriptedUser {
  std::deque<bool> answers;          // for two-button questions; none left: the second button
  std::vector<std::string> shown;    // every text shown, in order
  std::vector<int> percents;         // every percentage drawn
  std::function<void(const std::string&)> on_question;  // e.g. to insert a disk
  std::function<void()> on_pump;
  long pumps = 0;
  std::function<void(int)> on_show;  // e.g. to look at the files as each percentage is drawn
} user;

bool Ask(const std::string& text, int buttons, bool) {
  user.shown.push_back(text);
  if (user.on_question) user.on_question(text);
  if (buttons < 2) return true;
  if (user.answers.empty()) return false;
  const bool answer = user.answers.front();
  user.answers.pop_front();
  return answer;
}

void Pump() {
  ++user.pumps;
  if (user.on_pump) user.on_pump();
}

void Show(int percent, double) {
  user.percents.push_back(percent);
  if (user.on_show) user.on_show(percent);
}

class ExtractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    user = ScriptedUser{};
    UserInterface = {Pump, Ask, Show};
    Progress = {};
    platform::ResetFaults();
    fs::create_directory(dir_.path() / "package");
  }

  std::string Folder() const { return (dir_.path() / "package").string(); }
  std::string Destination() const { return (dir_.path() / "installed").string(); }

  testing_support::Installation Install(const testing_support::BuiltPackage& built) {
    return testing_support::InstallPackage(built.setup_exe, Destination(), {Pump, Ask, Show});
  }

  Bytes Installed(const std::string& name) const { return ReadBytes((fs::path(Destination()) / name).string()); }

  void ExpectInstalled(const std::vector<PackageFile>& files) {
    for (const PackageFile& file : files) EXPECT_EQ(Installed(file.name), file.bytes) << file.name;
  }

  TempDir dir_;
};

std::vector<PackageFile> SampleFiles() {
  using namespace testing_support;
  return {{"MAIN.EXE", StructuredBinary(30000, 1)},
          {"README.TXT", ProseText(5000, 2)},
          {"DATA.BIN", RandomBytes(9000, 3)}};
}

// An older version of SampleFiles' package, with a file the new one lacks.
std::vector<PackageFile> OldFiles() {
  using namespace testing_support;
  return {{"MAIN.EXE", StructuredBinary(20000, 7)}, {"README.TXT", ProseText(800, 8)}, {"OLD.TXT", ProseText(90, 9)}};
}

// SampleFiles in folders, as pack lays out a package with folder entries.
std::vector<PackageFile> FolderFiles() {
  using namespace testing_support;
  return {{"MAIN.EXE", StructuredBinary(30000, 1)},
          {"Help\\README.TXT", ProseText(5000, 2)},
          {"Help/deep/DATA.BIN", RandomBytes(9000, 3)}};
}

// A package of files whose names are taken as paths (or, without folder
// names, by their last component), recorded as modified at times.
testing_support::BuiltPackage BuildWithDetails(const std::string& folder, const std::vector<PackageFile>& files,
                                               bool folder_names, const std::vector<std::uint32_t>& times,
                                               const std::vector<std::size_t>& volume_sizes = {5000}) {
  auto built = testing_support::BuildPackage(folder, files, volume_sizes);
  testing_support::WriteWithIntegrityRecord(built, built.setup_exe,
                                            package::EncodeFileDetails(folder_names ? package::kFolderNames : 0, times));
  return built;
}

// What a folder holds: each file's bytes, each folder as a name ending in
// '/', everything below it included.
std::map<std::string, Bytes> FolderContents(const fs::path& folder) {
  std::map<std::string, Bytes> contents;
  if (!fs::exists(folder)) return contents;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_directory()) contents[name + "/"];
    else contents[name] = ReadBytes(entry.path().string());
  }
  return contents;
}

void ExpectSameContents(const std::map<std::string, Bytes>& after, const std::map<std::string, Bytes>& before) {
  const auto names = [](const std::map<std::string, Bytes>& contents) {
    std::string listed;
    for (const auto& [name, bytes] : contents) listed += name + " (" + std::to_string(bytes.size()) + ") ";
    return listed;
  };
  EXPECT_TRUE(after == before) << "now " << names(after) << "\nbefore " << names(before);
}

TEST_F(ExtractTest, InstallsEveryFileFromOneVolume) {
  const auto files = SampleFiles();
  const auto built = BuildPackage(Folder(), files);
  const auto result = Install(built);
  ASSERT_TRUE(result.installed()) << result.problem();
  ExpectInstalled(files);
  EXPECT_TRUE(user.shown.empty());
  EXPECT_EQ(user.percents.back(), 100);
  EXPECT_EQ(platform::OpenFileCount(), 0);
  EXPECT_FALSE(Extraction.Running);
  // One pump for each byte of the volume, none for the request past its
  // end that the decoder makes and that is answered with nothing; and one
  // before the files are put in place, to hear a cancel.
  EXPECT_EQ(user.pumps, static_cast<long>(fs::file_size(built.volumes[0])) + 1);
}

// The terminal's pump has work only after Ctrl-C raised its flag: it runs
// while the flag is up, and its cancel ends the run.
TEST_F(ExtractTest, APumpThatNamesItsFlagRunsOnlyWhileTheFlagIsUp) {
  const auto built = BuildPackage(Folder(), SampleFiles());
  static volatile std::sig_atomic_t wanted = 0;
  wanted = 0;
  user.on_show = [](int) { wanted = 1; };
  user.on_pump = [] {
    wanted = 0;
    EndRun(Outcome::kCancelled);
  };
  const auto result = testing_support::InstallPackage(built.setup_exe, Destination(), {Pump, Ask, Show, &wanted});
  EXPECT_EQ(result.outcome, Outcome::kCancelled);
  EXPECT_EQ(user.pumps, 1);
  EXPECT_EQ(user.percents.size(), 1u);
}

TEST_F(ExtractTest, EachRunCountsItsProgressAfresh) {
  // The payload goes out in 2048-byte blocks in every run, not just the
  // first: a count left from an earlier run would make every byte a write.
  const auto built = BuildPackage(Folder(), SampleFiles());
  std::vector<int> first_run;
  for (int run = 0; run < 2; ++run) {
    platform::ResetFaults();
    user.percents.clear();
    ASSERT_TRUE(Install(built).installed());
    EXPECT_LT(platform::CallCount(platform::Operation::kWrite), 60) << "run " << run;
    if (run == 0) first_run = user.percents;
  }
  EXPECT_EQ(user.percents, first_run);
}

TEST_F(ExtractTest, RandomPackagesOverManyVolumesInstallByteIdentical) {
  std::mt19937 random(42);
  for (int round = 0; round < 12; ++round) {
    SetUp();
    fs::remove_all(Destination());
    std::vector<PackageFile> files;
    const int count = 1 + static_cast<int>(random() % 5);
    for (int k = 0; k < count; ++k) {
      const std::size_t size = random() % 3 == 0 ? 2048 * (random() % 4) : random() % 20000;
      files.push_back({"F" + std::to_string(k) + ".BIN", testing_support::StructuredBinary(size, random())});
    }
    // Volume boundaries at exact multiples of the window, and short volumes.
    const std::vector<std::vector<std::size_t>> layouts = {{}, {2048}, {4096, 100}, {10, 2048, 1}, {1, 1, 1, 1}};
    const auto& layout = layouts[round % layouts.size()];
    std::size_t total = 0;
    for (std::size_t s : layout) total += s;
    const auto built = BuildPackage(Folder(), files);
    const std::size_t stream_size = fs::file_size(built.volumes[0]);
    if (stream_size <= total) continue;
    for (const auto& v : built.volumes) fs::remove(v);
    const auto rebuilt = BuildPackage(Folder(), files, layout);
    const auto result = Install(rebuilt);
    ASSERT_TRUE(result.installed()) << "round " << round << ": " << result.problem();
    ExpectInstalled(files);
    EXPECT_TRUE(user.shown.empty()) << "round " << round;
  }
}

TEST_F(ExtractTest, AMissingOrWrongDiskIsAskedForUntilTheRightOneIsThere) {
  // OK while the disk is still missing or wrong: the wrong-disk message,
  // then the prompt again; then the disk is inserted and OK goes on.  A
  // wrong disk of the right size is found before any of it is decoded,
  // when the package has its integrity record.
  using Shown = std::vector<std::string>;
  for (const bool wrong : {false, true}) {
    SetUp();
    fs::remove_all(Destination());
    const auto files = SampleFiles();
    const auto built = BuildPackage(Folder(), files, {3000});
    testing_support::WriteWithIntegrityRecord(built, built.setup_exe);
    const std::string disk2 = built.volumes[1];
    fs::rename(disk2, disk2 + ".away");
    Bytes other = ReadBytes(disk2 + ".away");
    other[other.size() / 2] ^= 1;
    if (wrong) testing_support::WriteBytes(disk2, other);
    user.answers = {true, true};
    int prompts = 0;
    user.on_question = [&](const std::string& text) {
      if (text == "Insert disk 2" && ++prompts == 2) fs::rename(disk2 + ".away", disk2);
    };
    const auto result = Install(built);
    ASSERT_TRUE(result.installed()) << result.problem();
    const Shown expected = wrong ? Shown{"Wrong disk", "Insert disk 2", "Wrong disk", "Insert disk 2"}
                                 : Shown{"Insert disk 2", "Wrong disk", "Insert disk 2"};
    EXPECT_EQ(user.shown, expected);
    ExpectInstalled(files);
  }
}

// Packages whose disk missing_disk is not there at first, and the bytes
// handed on (one pump each) before it is asked for.
struct PromptCase {
  std::vector<std::size_t> layout;
  std::size_t missing_disk;
  long bytes_before_prompt;
  int held_at_prompt;  // 1 when the short read before the prompt brought bytes
};
const PromptCase kPromptCases[] = {
    {{100}, 2, 0, 1}, {{3000}, 2, 2048, 1}, {{4096}, 2, 4096, 0}, {{2048, 500}, 3, 2048, 1}};

TEST_F(ExtractTest, TheNextDiskIsAskedForAtTheShortReadBeforeTheShortVolumesBytesGoOut) {
  // A volume other than the last that ends inside a window hands over at
  // once: its short read closes it and asks for the next disk before its
  // bytes are delivered (one pump each).  A volume of whole windows hands
  // over at the empty read after its last byte.
  for (const PromptCase& c : kPromptCases) {
    SetUp();
    SCOPED_TRACE("first volume of " + std::to_string(c.layout.front()) + " bytes");
    fs::remove_all(Destination());
    const auto files = SampleFiles();
    const auto built = BuildPackage(Folder(), files, c.layout);
    const std::string disk = built.volumes[c.missing_disk - 1];
    fs::rename(disk, disk + ".away");
    long pumps_at_prompt = -1;
    int files_open_at_prompt = -1;
    user.answers = {true};
    user.on_question = [&](const std::string&) {
      pumps_at_prompt = user.pumps;
      files_open_at_prompt = platform::OpenFileCount();
      fs::rename(disk + ".away", disk);
    };
    const auto result = Install(built);
    ASSERT_TRUE(result.installed()) << result.problem();
    EXPECT_THAT(user.shown, ::testing::ElementsAre("Insert disk " + std::to_string(c.missing_disk)));
    EXPECT_EQ(pumps_at_prompt, c.bytes_before_prompt);
    EXPECT_EQ(files_open_at_prompt, 1) << "the payload file, and no volume";
    ExpectInstalled(files);
    for (const auto& volume : built.volumes) fs::remove(volume);
  }
}

// A declined prompt stops the run where the bytes stop: the request that
// asked is still answered from what the window holds (one byte of the
// volume before, with its pump), and no request after it gets a byte or a
// pump.
TEST_F(ExtractTest, CancelAtTheDiskPromptStopsTheRun) {
  for (const PromptCase& c : kPromptCases) {
    SetUp();
    SCOPED_TRACE("first volume of " + std::to_string(c.layout.front()) + " bytes");
    fs::remove_all(Destination());
    const auto built = BuildPackage(Folder(), SampleFiles(), c.layout);
    fs::remove(built.volumes[c.missing_disk - 1]);
    long pumps_at_prompt = -1;
    user.on_question = [&](const std::string&) { pumps_at_prompt = user.pumps; };
    const auto result = Install(built);
    EXPECT_FALSE(result.installed());
    EXPECT_EQ(result.outcome, Outcome::kCancelled);
    EXPECT_THAT(user.shown, ::testing::ElementsAre("Insert disk " + std::to_string(c.missing_disk)));
    EXPECT_EQ(pumps_at_prompt, c.bytes_before_prompt);
    EXPECT_EQ(user.pumps, c.bytes_before_prompt + c.held_at_prompt);
    EXPECT_FALSE(fs::exists(fs::path(Destination()) / "README.TXT"));
    EXPECT_EQ(platform::OpenFileCount(), 0);
    for (const auto& volume : built.volumes) fs::remove(volume);
  }
}

TEST_F(ExtractTest, CancelDuringDecodingStopsBeforeCarving) {
  const auto built = BuildPackage(Folder(), SampleFiles());
  user.on_pump = [] {
    if (user.pumps == 500) EndRun(Outcome::kCancelled);
  };
  const auto result = Install(built);
  EXPECT_FALSE(result.installed());
  EXPECT_FALSE(fs::exists(fs::path(Destination()) / "README.TXT"));
}

TEST_F(ExtractTest, InputThatRunsDryFailsInsteadOfInstallingZeros) {
  // A volume cut short, a missing last volume in a package that counts
  // one volume too few, and a stream cut inside the first window.
  for (int variant = 0; variant < 3; ++variant) {
    SetUp();
    const auto built = BuildPackage(Folder(), SampleFiles(), {2048}, variant == 1 ? 1 : -1);
    if (variant == 0) fs::resize_file(built.volumes[1], fs::file_size(built.volumes[1]) / 2);
    if (variant == 2) fs::resize_file(built.volumes[1], 0), fs::resize_file(built.volumes[0], 100);
    const auto result = Install(built);
    EXPECT_FALSE(result.installed()) << variant;
    EXPECT_EQ(result.outcome, Outcome::kInputRanDry) << variant;
    EXPECT_TRUE(user.shown.empty()) << variant;
  }
}

TEST_F(ExtractTest, ProgressGivesTheFilesAThirdOfThePayloadsWeight) {
  SetProgressTotals(2140323, 1);
  EXPECT_EQ(Progress.FileStep, 713441);
  EXPECT_EQ(Progress.ProgressTotal, 2853764);
  AdvanceProgress(2140323);
  EXPECT_EQ(Progress.LastPercent, 75);
  AdvanceProgress(Progress.FileStep);
  EXPECT_EQ(Progress.LastPercent, 100);
}

TEST_F(ExtractTest, ProgressRoundsHalvesToEvenAndSurvivesEdgeTotals) {
  Progress.ProgressTotal = 1000;
  AdvanceProgress(125);
  EXPECT_EQ(Progress.LastPercent, 12);
  AdvanceProgress(500);
  EXPECT_EQ(Progress.LastPercent, 62);
  Progress.BytesDone = 0;
  Progress.LastPercent = 0;
  SetProgressTotals(0, 1);
  EXPECT_EQ(Progress.ProgressTotal, 0);
  AdvanceProgress(0);
  EXPECT_EQ(Progress.LastPercent, 100);
  SetProgressTotals(2147483647, 1);  // beyond 32 bits once the files' share is added
  EXPECT_EQ(Progress.ProgressTotal, 2147483647LL + 715827882LL);
}

TEST_F(ExtractTest, SmallPayloadsAreWrittenBeforeTheirLastByteIsCollected) {
  // 10 bytes in 4 files: FileStep is 0, so the 10th byte writes out the
  // first nine; the flush writes the tenth.
  const auto built = BuildPackage(Folder(), {{"M.EXE", Bytes(4, 'm')}, {"A", Bytes(2, 'a')}, {"B", Bytes(2, 'b')},
                                             {"C", Bytes(2, 'c')}});
  platform::ResetFaults();
  std::vector<std::uintmax_t> payload_sizes;
  user.on_show = [&](int) { payload_sizes.push_back(WrittenSize(Transfer.OutputHandle)); };
  const auto result = Install(built);
  ASSERT_TRUE(result.installed()) << result.problem();
  EXPECT_EQ(Installed("M.EXE"), Bytes(4, 'm'));
  EXPECT_EQ(Installed("C"), Bytes(2, 'c'));
  // Each payload write moves the bar: 9 bytes are 90%, and the payload
  // file holds them when it is drawn; the tenth makes 100%.  Carving adds
  // nothing to the bar, and one write for each of the three small files.
  EXPECT_THAT(user.percents, ::testing::ElementsAre(90, 100));
  EXPECT_THAT(payload_sizes, ::testing::ElementsAre(9u, 10u));
  EXPECT_EQ(platform::CallCount(platform::Operation::kWrite), 2 + 3);
}

// The output writer alone, fed one byte per call as the decoder feeds it.
class OutputWriterTest : public ExtractTest {
 protected:
  void TearDown() override {
    Close();
    Extraction.Running = 0;
  }

  // A fresh payload file, and the totals of a payload of total_size bytes
  // in entry_count files.
  void Start(std::int32_t total_size, std::int32_t entry_count) {
    Close();
    path_ = dir_.File("payload" + std::to_string(++files_));
    static TransferBuffers buffers;
    Buffers = &buffers;
    ResetTransfer();
    ASSERT_EQ(platform::FileOpen(testing_support::BackslashPath(path_), platform::kRead | platform::kWrite,
                                 platform::kShareNone, platform::Disposition::kCreateAlways, Transfer.OutputHandle),
              platform::kIoOk);
    SetProgressTotals(total_size, entry_count);
    Extraction = {};
    Extraction.Running = 1;
    platform::ResetFaults();
  }

  // Passes n more bytes; false when any of them was not taken.
  bool Put(int n) {
    bool all_taken = true;
    for (int i = 0; i < n; ++i) {
      std::uint8_t byte = static_cast<std::uint8_t>(sent_.size());
      std::uint16_t taken = 7;
      OutputWriter(&byte, 1, taken);
      if (taken == 1) sent_.push_back(byte);
      all_taken = all_taken && taken == 1;
    }
    return all_taken;
  }

  void Flush() {
    std::uint16_t ignored = 0;
    OutputWriter(nullptr, 0, ignored);
  }

  static std::uintmax_t Size() { return WrittenSize(Transfer.OutputHandle); }
  static int Writes() { return platform::CallCount(platform::Operation::kWrite); }

  void Close() {
    if (Transfer.OutputHandle > 0) platform::FileClose(Transfer.OutputHandle);
    Transfer.OutputHandle = 0;
    sent_.clear();
  }

  std::string path_;
  int files_ = 0;
  Bytes sent_;
};

TEST_F(OutputWriterTest, FullBlocksGoOutWhenTheNextByteArrivesAndTheRestAtTheFlush) {
  // 2048 bytes (FileStep above 0): nothing is written while they are
  // collected; the flush writes all of them at once.
  Start(2048, 1);
  ASSERT_GT(Progress.FileStep, 0);
  EXPECT_TRUE(Put(2048));
  EXPECT_EQ(Writes(), 0);
  Flush();
  EXPECT_EQ(Writes(), 1);
  EXPECT_EQ(Size(), 2048u);
  EXPECT_EQ(Progress.BytesDone, 2048);

  // 2049 bytes: the 2049th writes out the 2048 before it, the flush the last.
  Start(2049, 1);
  EXPECT_TRUE(Put(2048));
  EXPECT_EQ(Writes(), 0);
  EXPECT_TRUE(Put(1));
  EXPECT_EQ(Writes(), 1);
  EXPECT_EQ(Size(), 2048u);
  EXPECT_EQ(Progress.BytesDone, 2048);
  Flush();
  EXPECT_EQ(Writes(), 2);
  EXPECT_EQ(Size(), 2049u);
  EXPECT_EQ(Progress.BytesDone, 2049);
  const Bytes sent = sent_;
  Close();
  EXPECT_EQ(ReadBytes(path_), sent);
}

TEST_F(OutputWriterTest, NothingMoreIsTakenOrWrittenOnceRunningIsCleared) {
  Start(10000, 2);
  EXPECT_TRUE(Put(3000));
  EXPECT_EQ(Writes(), 1);
  EndRun(Outcome::kCancelled);
  // Neither another byte nor a full block's worth, nor the flush.
  EXPECT_FALSE(Put(1));
  EXPECT_FALSE(Put(2048));
  Flush();
  EXPECT_EQ(Writes(), 1);
  EXPECT_EQ(Size(), 2048u);
  EXPECT_EQ(Progress.BytesDone, 2048);
}

// What the reader and the writer did: the reads and writes they made, the
// bytes they pumped for, and where they left the window and the block.
struct TransferTrace {
  int reads, writes;
  long pumps;
  int read_pos, read_fill, disk, empty_requests, write_pos;
  bool operator==(const TransferTrace&) const = default;
};

TransferTrace TraceTransfer() {
  return {platform::CallCount(platform::Operation::kRead), platform::CallCount(platform::Operation::kWrite),
          user.pumps, Transfer.ReadPos, Transfer.ReadFill, Transfer.DiskNumber, Transfer.EmptyRequests,
          Transfer.WritePos};
}

// Decodes the loaded package into its payload file through the callbacks,
// as SETUP.EXE does, with the checks the run makes after decoding.
TransferTrace DecodeThroughCallbacks() {
  ResetTransfer();
  SetProgressTotals(package::Setup.TotalSize, package::Setup.EntryCount);
  EXPECT_EQ(platform::FileOpen(common::Session.BlobPath, platform::kRead | platform::kWrite, platform::kShareNone,
                               platform::Disposition::kCreateAlways, Transfer.OutputHandle),
            platform::kIoOk);
  EXPECT_EQ(OpenVolume(1, Transfer.VolumeHandle), platform::kIoOk);
  platform::ResetFaults();
  user.pumps = 0;
  const lzh::InputLeft left = lzh::LzhDecode(package::Setup.TotalSize, VolumeReader, OutputWriter, Extraction.Running);
  std::uint8_t held[2];
  EXPECT_TRUE(OnlyPaddingLeft(held, lzh::UnusedInput(left, Transfer.EmptyRequests, held)));
  std::uint16_t ignored = 0;
  OutputWriter(nullptr, 0, ignored);
  const TransferTrace trace = TraceTransfer();
  platform::FileClose(Transfer.VolumeHandle);
  platform::FileClose(Transfer.OutputHandle);
  return trace;
}

// pmsetup runs the decoding loop with the reader and the writer inlined;
// it must read, pump and write exactly as SETUP.EXE's callbacks do, across
// the ends of blocks and of volumes.
TEST_F(ExtractTest, InlinedTransferActsAsTheCallbacksDo) {
  using Volumes = std::vector<std::size_t>;
  for (const auto& [size, volumes] : {std::pair{2048, Volumes{}}, std::pair{2049, Volumes{}},
                                      std::pair{4097, Volumes{}}, std::pair{40000, Volumes{3000, 2048}}}) {
    SCOPED_TRACE(size);
    SetUp();
    fs::remove_all(Destination());
    const auto built = BuildPackage(Folder(), {{"MAIN.EXE", testing_support::StructuredBinary(size, 5)}}, volumes);
    const std::string setup_exe = testing_support::BackslashPath(built.setup_exe);
    const std::string destination = testing_support::BackslashPath(Destination());
    ASSERT_FALSE(StartInstallation(setup_exe, {Pump, Ask, Show}));
    ASSERT_TRUE(ChooseDestination(destination));
    const TransferTrace callbacks = DecodeThroughCallbacks();

    ASSERT_FALSE(StartInstallation(setup_exe, {Pump, Ask, Show}));
    platform::ResetFaults();
    user.pumps = 0;
    // A one-file package is carved without reads or writes; the pump
    // runs once more before the files are put in place.
    ASSERT_EQ(InstallInto(destination), Outcome::kInstalled);
    --user.pumps;
    EXPECT_TRUE(TraceTransfer() == callbacks);
    EXPECT_EQ(Installed("MAIN.EXE"), built.payload);
  }
}

TEST_F(ExtractTest, CarvedFilesAreCopiedInBlocksOf2048) {
  // Two blocks for 4096 bytes and three for 4097 leave only 2048 as the
  // block size: 4096 = 2048 + 2048, 4097 = 2048 + 2048 + 1.
  const Bytes payload = testing_support::StructuredBinary(100 + 4097, 12);
  const auto built = BuildPackage(Folder(), {{"MAIN.EXE", payload}});
  ASSERT_FALSE(StartInstallation(testing_support::BackslashPath(built.setup_exe), {Pump, Ask, Show}));
  fs::create_directory(Destination());
  testing_support::WriteBytes((fs::path(Destination()) / "PAYLOAD").string(), payload);
  common::Session.InstallDir = testing_support::BackslashPath(Destination());
  platform::FileHandle blob = platform::kNoFile;
  ASSERT_EQ(platform::FileOpen(common::JoinPath(common::Session.InstallDir, "PAYLOAD"), platform::kRead, platform::kShareRead,
                               platform::Disposition::kOpenExisting, blob),
            platform::kIoOk);
  for (const auto& [size, blocks] : {std::pair{4096, 2}, std::pair{4097, 3}}) {
    platform::ResetFaults();
    EXPECT_EQ(CopyEntry(blob, package::LibRec{"DATA.BIN", 100, size}, static_cast<std::int64_t>(payload.size())),
              platform::kIoOk);
    EXPECT_EQ(platform::CallCount(platform::Operation::kRead), blocks) << size;
    EXPECT_EQ(platform::CallCount(platform::Operation::kWrite), blocks) << size;
    const std::string copy = testing_support::SlashPath(Extraction.Pending.back().temporary);
    EXPECT_EQ(ReadBytes(copy), Bytes(payload.begin() + 100, payload.begin() + 100 + size));
  }
  platform::FileClose(blob);
}

TEST_F(ExtractTest, NamesAreCarvedByTheirLastComponentAndNeverLeaveTheDestination) {
  using testing_support::ProseText;
  const Bytes a = ProseText(3000, 4), b = ProseText(500, 5);
  // Repeated last components: the later entry in list order wins.
  const auto built = BuildPackage(Folder(), {{"MAIN.EXE", ProseText(100, 6)},
                                             {"docs\\guide.txt", a},
                                             {"../../escape/guide.txt", b},
                                             {"c:notes.txt", a}});
  const auto result = Install(built);
  ASSERT_TRUE(result.installed()) << result.problem();
  EXPECT_EQ(Installed("guide.txt"), b);
  EXPECT_EQ(Installed("notes.txt"), a);
  EXPECT_FALSE(fs::exists(dir_.path() / "escape"));
  EXPECT_EQ(std::distance(fs::directory_iterator(Destination()), fs::directory_iterator()), 3);
}

// With folder names each component is a name under the destination;
// without, the same names install flat as they always have.  Either way
// every file gets its recorded time.
TEST_F(ExtractTest, FolderNamesAreMadeUnderTheDestinationAndEveryFileKeepsItsTime) {
  struct Case {
    bool folder_names;
    std::vector<std::string> installed;  // where FolderFiles' files go
  };
  const Case cases[] = {{true, {"MAIN.EXE", "Help/README.TXT", "Help/deep/DATA.BIN"}},
                        {false, {"MAIN.EXE", "README.TXT", "DATA.BIN"}}};
  const std::vector<std::uint32_t> times = {631152000, 946684798, 1234567890};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder_names ? "folder names" : "flat");
    SetUp();
    fs::remove_all(Destination());
    const auto result = Install(BuildWithDetails(Folder(), FolderFiles(), c.folder_names, times));
    ASSERT_TRUE(result.installed()) << result.problem();
    for (std::size_t k = 0; k < c.installed.size(); ++k) {
      const fs::path path = fs::path(Destination()) / c.installed[k];
      EXPECT_EQ(ReadBytes(path.string()), FolderFiles()[k].bytes) << path;
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
          std::chrono::file_clock::to_sys(fs::last_write_time(path)).time_since_epoch());
      EXPECT_EQ(seconds.count(), times[k]) << path;
    }
    EXPECT_EQ(FolderContents(Destination()).size(), c.installed.size() + (c.folder_names ? 2 : 0));
    for (const auto& volume : fs::directory_iterator(Folder())) fs::remove(volume);
  }
}

// A path that would leave the destination, or name no file, fails the
// split; nothing is made outside.
TEST_F(ExtractTest, FolderNamesThatLeaveTheDestinationFailTheSplit) {
  for (const char* bad : {"..\\x.txt", "Help\\..\\..\\x.txt", "\\x.txt", "Help\\\\x.txt", "c:\\x.txt", "Help\\"}) {
    SCOPED_TRACE(bad);
    SetUp();
    fs::remove_all(Destination());
    const auto result = Install(BuildWithDetails(Folder(), {{"MAIN.EXE", {1}}, {bad, {2}}}, true, {0, 0}, {}));
    EXPECT_EQ(result.outcome, Outcome::kSplitFailed) << result.problem();
    EXPECT_FALSE(fs::exists(dir_.path() / "x.txt"));
    EXPECT_TRUE(FolderContents(Destination()).empty());
    for (const auto& volume : fs::directory_iterator(Folder())) fs::remove(volume);
  }
}

TEST_F(ExtractTest, UnusableNamesAndDataPastThePayloadFailTheSplit) {
  using testing_support::ProseText;
  for (const char* bad : {"dir\\", "..", "a/."}) {
    SetUp();
    const auto built = BuildPackage(Folder(), {{"MAIN.EXE", ProseText(100, 7)}, {bad, ProseText(10, 8)}});
    const auto result = Install(built);
    EXPECT_FALSE(result.installed()) << bad;
    EXPECT_EQ(result.outcome, Outcome::kSplitFailed) << bad;
  }
  SetUp();
  const auto built = BuildPackage(Folder(), {{"MAIN.EXE", ProseText(100, 7)}}, {}, -1, {{"LATE.TXT", 90, 50}});
  EXPECT_FALSE(Install(built).installed());
  EXPECT_FALSE(fs::exists(fs::path(Destination()) / "LATE.TXT"));  // the partial copy is deleted
}

TEST_F(ExtractTest, TheSplitterReportsEachFilesStepBeforeItsCopyAndTruncatesLast) {
  // Four files of 3000 bytes: decoding ends at 75% and each of the four
  // steps adds a sixteenth.  At every percentage drawn after decoding:
  // the files carved by then and the size of the payload file.  A file
  // that cannot be carved ("B\\") has its step reported, then ends the split.
  using testing_support::ProseText;
  const std::vector<std::string> complete = {"81% [] 12000", "88% [A] 12000", "94% [AB] 12000", "100% [ABC] 12000"};
  for (const auto& [second, steps] : {std::pair{"B", 4}, std::pair{"B\\", 2}}) {
    SetUp();
    fs::remove_all(Destination());
    const auto built = BuildPackage(Folder(), {{"M.EXE", ProseText(3000, 11)}, {"A", ProseText(3000, 12)},
                                               {second, ProseText(3000, 13)}, {"C", ProseText(3000, 14)}});
    std::vector<std::string> drawn;
    // The files carved so far, under their temporary names, and the size
    // of the payload file; no final name is written before the end.
    user.on_show = [&](int percent) {
      if (percent <= 75) return;
      std::string carved;
      for (std::size_t k = 1; k < Extraction.Pending.size(); ++k) {
        carved += common::ExtractFileName(Extraction.Pending[k].final_path);
      }
      const std::string payload_file = testing_support::SlashPath(Extraction.Pending.front().temporary);
      drawn.push_back(std::to_string(percent) + "% [" + carved + "] " + std::to_string(fs::file_size(payload_file)));
      for (const char* name : {"M.EXE", "A", "B", "C"}) EXPECT_FALSE(fs::exists(fs::path(Destination()) / name));
    };
    const auto result = Install(built);
    EXPECT_EQ(result.installed(), steps == 4) << result.problem();
    EXPECT_EQ(drawn, std::vector(complete.begin(), complete.begin() + steps)) << second;
  }
}

TEST_F(ExtractTest, AnEntryWithTheMainProgramsNameCannotReplaceIt) {
  using testing_support::ProseText;
  const Bytes main = ProseText(300, 9);
  const auto built = BuildPackage(Folder(), {{"MAIN.EXE", main}, {"sub\\MAIN.EXE", ProseText(50, 10)}});
  const auto result = Install(built);
  EXPECT_FALSE(result.installed());
  EXPECT_EQ(result.stop.path, testing_support::BackslashPath(Destination()) + "\\MAIN.EXE");
}

// Over an old version: a failure anywhere leaves it as it was, and a
// success leaves exactly the new files beside the old one's extra file.
TEST_F(ExtractTest, EveryFileOperationFailingOnceNeverReportsSuccessOverWrongData) {
  using platform::Operation;
  const auto files = SampleFiles();
  const auto built = BuildPackage(Folder(), files, {5000});
  const fs::path old_version = dir_.path() / "old";
  for (const PackageFile& file : OldFiles()) {
    fs::create_directories(old_version);
    testing_support::WriteBytes((old_version / file.name).string(), file.bytes);
  }
  const auto reinstall = [&] {
    fs::remove_all(Destination());
    fs::copy(old_version, Destination());
    return Install(built);
  };
  // Count each operation's calls in a clean run first.
  ASSERT_TRUE(reinstall().installed());
  int calls[static_cast<int>(Operation::kCount)];
  for (int op = 0; op < static_cast<int>(Operation::kCount); ++op) calls[op] = platform::CallCount(Operation(op));
  const auto before = FolderContents(old_version);
  int failures_seen = 0;
  for (int op = 0; op < static_cast<int>(Operation::kCount); ++op) {
    for (int n = 1; n <= calls[op]; ++n) {
      SCOPED_TRACE("operation " + std::to_string(op) + " call " + std::to_string(n));
      SetUp();
      platform::FailNthCall(Operation(op), n, ENOSPC);
      const auto result = reinstall();
      EXPECT_EQ(platform::OpenFileCount(), 0);
      if (result.installed()) {
        ExpectInstalled(files);
        // An old file's backup that could not be deleted waits for the next run.
        for (const auto& entry : FolderContents(Destination())) {
          const std::string& name = entry.first;
          EXPECT_TRUE(name == "OLD.TXT" || package::InstallerTemporaryName(name) ||
                      std::any_of(files.begin(), files.end(), [&](const PackageFile& f) { return f.name == name; }))
              << name;
        }
      } else {
        ++failures_seen;
        ExpectSameContents(FolderContents(Destination()), before);
      }
    }
  }
  EXPECT_GT(failures_seen, 0);
  int injected = 0;
  for (int op = 0; op < static_cast<int>(Operation::kCount); ++op) injected += calls[op];
  RecordProperty("faults_injected", injected);
  RecordProperty("failed_cleanly", failures_seen);
}

TEST_F(ExtractTest, ADiskFullWhileWritingThePayloadFails) {
  const auto built = BuildPackage(Folder(), SampleFiles());
  platform::FailNthCall(platform::Operation::kWrite, 3, ENOSPC);
  const auto result = Install(built);
  EXPECT_FALSE(result.installed());
  EXPECT_EQ(result.outcome, Outcome::kWriteFailed);
  EXPECT_EQ(result.stop.code, ENOSPC);
  // pmsetup tells its user what to look at.
  ASSERT_EQ(pmsetup::LoadPackage(built.setup_exe, {Pump, Ask, Show}), "");
  fs::remove_all(Destination());
  platform::FailNthCall(platform::Operation::kWrite, 3, ENOSPC);
  EXPECT_THAT(pmsetup::InstallInto(pmsetup::InstallerPath(Destination())).problem,
              ::testing::HasSubstr("(is the disk full?)"));
}

// Whatever stops a reinstallation, the destination keeps the old version
// byte for byte, with no temporary left; a destination the run made is
// removed again.
TEST_F(ExtractTest, AFailedReinstallLeavesTheDestinationAsItWas) {
  using platform::Operation;
  struct Case {
    const char* how;
    bool over_old;  // else into a fresh folder two levels deep
    std::function<void(const testing_support::BuiltPackage&, const fs::path& destination)> arrange;
    Outcome outcome;
    const char* stopped_at;  // the file named, if any
    bool folders = false;    // the package's files go into folders it makes
  };
  platform::FileHandle held = platform::kNoFile, holder = platform::kNoFile;
  const auto cut_last_volume = [](const testing_support::BuiltPackage& built, const fs::path&) {
    fs::resize_file(built.volumes.back(), fs::file_size(built.volumes.back()) / 2);
  };
  const auto cancel_while_decoding = [](const testing_support::BuiltPackage&, const fs::path&) {
    user.on_pump = [] {
      if (user.pumps == 500) EndRun(Outcome::kCancelled);
    };
  };
  const Case cases[] = {
      {"a cut last volume", true, cut_last_volume, Outcome::kInputRanDry, nullptr},
      {"a cut last volume, new folder", false, cut_last_volume, Outcome::kInputRanDry, nullptr},
      {"a full disk while decoding", true,
       [](auto&, auto&) { platform::FailNthCall(Operation::kWrite, 3, ENOSPC); }, Outcome::kWriteFailed, "MAIN.EXE"},
      {"cancel while decoding", true, cancel_while_decoding, Outcome::kCancelled, nullptr},
      {"cancel while decoding, new folder", false, cancel_while_decoding, Outcome::kCancelled, nullptr},
      {"cancel while carving", true, [](auto&, auto&) { user.on_show = [](int p) { if (p > 80) EndRun(Outcome::kCancelled); }; },
       Outcome::kCancelled, nullptr},
      {"a declined disk", true, [](auto& built, auto&) { fs::remove(built.volumes.back()); }, Outcome::kCancelled,
       nullptr},
      // The first reason stands: the cancel, not the close that fails after
      // it (the first volume's close, then the payload file's).
      {"cancel, then the payload file failing to close", true,
       [](auto&, auto&) {
         user.on_pump = [] {
           if (user.pumps == 500) EndRun(Outcome::kCancelled), platform::FailNthCall(Operation::kClose, 2, EIO);
         };
       },
       Outcome::kCancelled, nullptr},
      // A write that fails only at the close loses data.  Armed once the
      // first volume is open: its close, the last volume's, the two carved
      // files', then the payload file's, which the splitter read through.
      {"the payload file failing to close", true,
       [](auto&, auto&) {
         user.on_pump = [] {
           if (user.pumps == 1) platform::FailNthCall(Operation::kClose, 5, EIO);
         };
       },
       Outcome::kWriteFailed, "MAIN.EXE"},
      // The partial copy stays under its temporary name until the failed
      // run removes it.
      {"a full disk while carving", true,
       [](auto&, auto&) { platform::FailNthCall(Operation::kWrite, 24, ENOSPC); }, Outcome::kSplitFailed, "README.TXT"},
      {"a folder in the way of a later file", true,
       [](auto&, auto& destination) { fs::create_directories(destination / "DATA.BIN" / "inside"); },
       Outcome::kCannotReplace, "DATA.BIN"},
      {"a file held open", true,
       [&held](auto&, auto& destination) {
         platform::FileOpen(testing_support::BackslashPath((destination / "README.TXT").string()), platform::kRead,
                            platform::kShareNone, platform::Disposition::kOpenExisting, held);
       },
       Outcome::kCannotReplace, "README.TXT"},
      {"a read-only old file, for root too", true,
       [](auto&, auto& destination) {
         fs::permissions(destination / "README.TXT", fs::perms::owner_write | fs::perms::group_write |
                         fs::perms::others_write, fs::perm_options::remove);
       },
       Outcome::kCannotReplace, "README.TXT"},
      {"a failure midway through putting files in place", true,
       [](auto&, auto&) { platform::FailNthCall(Operation::kReplace, 2, EIO); }, Outcome::kCannotReplace, "DATA.BIN"},
      {"a failure putting the main program in place", true,
       [](auto&, auto&) { platform::FailNthCall(Operation::kReplace, 3, EIO); }, Outcome::kCannotReplace, "MAIN.EXE"},
      // Its temporaries would be taken for leftovers, its files mixed.
      {"another installation writing into the folder", true,
       [&holder](auto&, auto& destination) {
         platform::HoldFolder(testing_support::BackslashPath(destination.string()), holder);
       },
       Outcome::kFolderInUse, nullptr},
      {"a file in the way of a folder", true, [](auto&, auto& destination) { testing_support::WriteBytes((destination / "Help").string(), {1}); },
       Outcome::kNoDestination, "Help", true},
      {"a folder that cannot be made", false,
       [](auto&, auto&) { platform::FailNthCall(Operation::kMakeDirectory, 5, EACCES); }, Outcome::kNoDestination, "deep",
       true},
      {"a failure putting files in place in folders", true,
       [](auto&, auto&) { platform::FailNthCall(Operation::kReplace, 2, EIO); }, Outcome::kCannotReplace, "DATA.BIN",
       true},
      {"cancel while carving into folders", false,
       [](auto&, auto&) { user.on_show = [](int p) { if (p > 80) EndRun(Outcome::kCancelled); }; }, Outcome::kCancelled,
       nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    SetUp();
    fs::remove_all(dir_.path() / "installed");
    const fs::path destination = c.over_old ? fs::path(Destination()) : fs::path(Destination()) / "new" / "deeper";
    if (c.over_old) {
      ASSERT_TRUE(Install(BuildPackage(Folder(), OldFiles())).installed());
      for (const auto& volume : fs::directory_iterator(Folder())) fs::remove(volume);
    }
    const auto built = c.folders ? BuildWithDetails(Folder(), FolderFiles(), true, {0, 0, 0})
                                 : BuildPackage(Folder(), SampleFiles(), {5000});
    c.arrange(built, destination);
    const auto before = FolderContents(dir_.path() / "installed");
    user.pumps = 0;
    const auto result = testing_support::InstallPackage(built.setup_exe, destination.string(), {Pump, Ask, Show});
    if (held > 0) platform::FileClose(held), held = platform::kNoFile;
    if (holder > 0) platform::ReleaseFolder("", holder), holder = platform::kNoFile;
    EXPECT_EQ(result.outcome, c.outcome) << result.problem();
    if (c.stopped_at != nullptr) {
      EXPECT_EQ(common::ExtractFileName(result.stop.path), c.stopped_at);
    }
    ExpectSameContents(FolderContents(dir_.path() / "installed"), before);
    EXPECT_EQ(platform::OpenFileCount(), 0);
    for (const auto& volume : fs::directory_iterator(Folder())) fs::remove(volume);
  }
}

// A run that was killed leaves its temporaries; the next run into the
// folder removes them, and only them.
TEST_F(ExtractTest, TheNextRunRemovesTemporariesLeftInTheFolderAndNothingElse) {
  struct Name {
    const char* name;
    bool leftover;
  };
  const Name names[] = {{"~PM0A1B2.TMP", true}, {"~pm0a1b2.tmp", true}, {"~PMFFFFF.TMP", true},
                        {"~PM0A1B.TMP", false}, {"~PM0A1B2X.TMP", false}, {"~PM0A1BG.TMP", false},
                        {"X~PM0A1B2.TMP", false}, {"~PM0A1B2.TMP.KEEP", false}, {"~PM0A1B2.TM", false}};
  fs::create_directories(Destination());
  for (const Name& n : names) {
    EXPECT_EQ(package::InstallerTemporaryName(n.name), n.leftover) << n.name;
    testing_support::WriteBytes((fs::path(Destination()) / n.name).string(), {1, 2});
  }
  fs::create_directory(fs::path(Destination()) / "~PM00000.TMP");  // not a file: not ours
  ASSERT_TRUE(Install(BuildPackage(Folder(), SampleFiles())).installed());
  for (const Name& n : names) EXPECT_NE(fs::exists(fs::path(Destination()) / n.name), n.leftover) << n.name;
  EXPECT_TRUE(fs::is_directory(fs::path(Destination()) / "~PM00000.TMP"));
  ExpectInstalled(SampleFiles());
}

// A destination that cannot be created names the level that failed and
// why, and the levels made before it go again.
TEST_F(ExtractTest, ADestinationThatCannotBeCreatedNamesTheLevelAndTakesBackTheOthers) {
  const auto built = BuildPackage(Folder(), SampleFiles());
  platform::FailNthCall(platform::Operation::kMakeDirectory, 2, EACCES);
  const auto result = testing_support::InstallPackage(built.setup_exe, Destination() + "/a/b/c", {Pump, Ask, Show});
  EXPECT_EQ(result.outcome, Outcome::kNoDestination);
  EXPECT_EQ(result.stop.path, testing_support::BackslashPath(Destination() + "/a"));
  EXPECT_EQ(result.stop.code, EACCES);
  EXPECT_FALSE(fs::exists(Destination()));
}

TEST(ForceDirectory, CreatesEveryLevelAndRefusesFiles) {
  TempDir dir;
  const std::string base = testing_support::BackslashPath(dir.path().string());
  EXPECT_TRUE(ForceDirectory(base + "\\a\\b\\c\\"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "a/b/c"));
  EXPECT_TRUE(DirectoryExists(base + "\\a\\b"));
  EXPECT_TRUE(ForceDirectory(base + "\\a"));
  testing_support::WriteBytes(dir.File("file"), {1});
  EXPECT_FALSE(DirectoryExists(base + "\\file"));
  EXPECT_FALSE(ForceDirectory(base + "\\file"));
  EXPECT_FALSE(ForceDirectory(base + "\\file\\below"));
  for (const char* short_path : {"", "\\", "C:", "C:\\", "Q:\\"}) EXPECT_TRUE(ForceDirectory(short_path)) << short_path;
  EXPECT_FALSE(ForceDirectory("Q:\\Apps"));  // no such drive here
  // A name ending in a colon is its own parent: one attempt, no endless
  // climb; and as on Windows no directory name holds a colon.
  EXPECT_FALSE(ForceDirectory(base + "\\ab:"));
  EXPECT_FALSE(ForceDirectory(base + "\\build-12:30\\app"));
  EXPECT_FALSE(fs::exists(dir.path() / "build-12:")) << "a stray level";
  EXPECT_FALSE(fs::exists(dir.path() / "build-12:30"));
  // A doubled trailing backslash climbs on to the level without it.
  EXPECT_TRUE(ForceDirectory(base + "\\d\\e\\\\"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "d/e"));
  // A relative path is taken from the current directory.
  const fs::path here = fs::current_path();
  fs::current_path(dir.path());
  const bool relative = ForceDirectory("Apps\\Tool");
  fs::current_path(here);
  EXPECT_TRUE(relative);
  EXPECT_TRUE(fs::is_directory(dir.path() / "Apps/Tool"));
}

}  // namespace
}  // namespace extract
