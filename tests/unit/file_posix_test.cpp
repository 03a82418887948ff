// The POSIX file layer must behave as the installer expects from Windows.
#include "platform/file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <random>

#include "temp_dir.hpp"

namespace platform {
namespace {

using testing_support::TempDir;

FileHandle Open(const std::string& path, unsigned access, unsigned share, Disposition how, IoResult* result = nullptr) {
  FileHandle h = kNoFile;
  const IoResult r = FileOpen(path, access, share, how, h);
  if (result) *result = r;
  return h;
}

TEST(PosixFile, BackslashesSeparatePathComponents) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  const std::string windows_path = dir.path().string() + "\\sub\\f.bin";
  const FileHandle h = Open(windows_path, kRead | kWrite, kShareNone, Disposition::kCreateAlways);
  ASSERT_GT(h, 0);
  std::uint32_t written = 0;
  EXPECT_EQ(FileWrite(h, "abc", 3, written), kIoOk);
  EXPECT_EQ(FileClose(h), kIoOk);
  EXPECT_EQ(testing_support::ReadBytes(dir.File("sub/f.bin")).size(), 3u);
}

TEST(PosixFile, SharedReadersKeepWritersAndDeletersOut) {
  TempDir dir;
  const std::string blob = dir.File("Main.exe");
  const FileHandle held = Open(blob, kRead | kWrite, kShareRead, Disposition::kCreateAlways);
  ASSERT_GT(held, 0);
  IoResult result = kIoOk;
  EXPECT_EQ(Open(blob, kRead | kWrite, kShareRead, Disposition::kCreateAlways, &result), kNoFile);
  EXPECT_NE(result, kIoOk);
  EXPECT_NE(FileDelete(blob), kIoOk);
  const FileHandle reader = Open(blob, kRead, kShareRead | kShareWrite, Disposition::kOpenExisting);
  EXPECT_GT(reader, 0);
  EXPECT_EQ(FileClose(reader), kIoOk);
  EXPECT_EQ(FileClose(held), kIoOk);
  const FileHandle again = Open(blob, kRead | kWrite, kShareNone, Disposition::kCreateAlways);
  EXPECT_GT(again, 0);
  EXPECT_EQ(FileClose(again), kIoOk);
}

// Each side's share mode must allow what the other does: a file held
// without sharing refuses every other opener, and a file held with sharing
// still refuses an opener that would share it with nobody.
TEST(PosixFile, ShareModesHoldInBothDirections) {
  struct Case {
    const char* what;
    unsigned held_access, held_share, access, share;
    bool opens;
  };
  constexpr unsigned kAll = kShareRead | kShareWrite;
  const Case cases[] = {
      {"held exclusively, a sharing reader", kRead, kShareNone, kRead, kAll, false},
      {"held exclusively, an exclusive reader", kRead, kShareNone, kRead, kShareNone, false},
      {"held shared, an exclusive reader", kRead, kAll, kRead, kShareNone, false},
      {"held shared for reading, an exclusive reader", kRead, kShareRead, kRead, kShareNone, false},
      {"held for writing, a reader sharing reads only", kWrite, kAll, kRead, kShareRead, false},
      {"held shared for reading, a writer", kRead, kShareRead, kWrite, kAll, false},
      {"held shared, a sharing reader", kRead, kAll, kRead, kAll, true},
      {"held shared for reading, a reader sharing reads", kRead, kShareRead, kRead, kShareRead, true},
  };
  TempDir dir;
  const std::string volume = dir.File("DISK1.CMP");
  testing_support::WriteBytes(volume, {1});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FileHandle held = Open(volume, c.held_access, c.held_share, Disposition::kOpenExisting);
    ASSERT_GT(held, 0);
    const FileHandle second = Open(volume, c.access, c.share, Disposition::kOpenExisting);
    EXPECT_EQ(second > 0, c.opens);
    if (second > 0) {
      EXPECT_EQ(FileClose(second), kIoOk);
    }
    EXPECT_EQ(FileClose(held), kIoOk);
  }
}

TEST(PosixFile, DirectoriesAndMissingFilesDoNotOpen) {
  TempDir dir;
  IoResult result = kIoOk;
  EXPECT_EQ(Open(dir.path().string(), kRead, kShareRead, Disposition::kOpenExisting, &result), kNoFile);
  EXPECT_NE(result, kIoOk);
  EXPECT_EQ(Open(dir.File("none"), kRead, kShareRead, Disposition::kOpenExisting, &result), kNoFile);
  EXPECT_EQ(result, ENOENT);
}

// Names meet whatever their case, in one file that keeps the name it had
// first, as on Windows; a held file is held under every spelling.
TEST(PosixFile, NamesAreFoundWhateverTheirCase) {
  TempDir dir;
  testing_support::WriteBytes(dir.File("Readme.TXT"), {1, 2, 3});
  const FileHandle h = Open(dir.File("README.txt"), kRead | kWrite, kShareRead, Disposition::kCreateAlways);
  ASSERT_GT(h, 0);
  EXPECT_EQ(Open(dir.File("readme.txt"), kRead | kWrite, kShareRead, Disposition::kCreateAlways), kNoFile);
  EXPECT_EQ(FileClose(h), kIoOk);
  EXPECT_EQ(FileDelete(dir.File("rEADME.TXT")), kIoOk);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Windows' ANSI file functions take paths of at most 259 characters.
TEST(PosixFile, PathsTooLongForWindowsAreNotCreated) {
  TempDir dir;
  const std::string folder = dir.path().string() + "\\";
  const std::string fits(kLongestPath - folder.size(), 'n');
  IoResult result = kIoOk;
  const FileHandle h = Open(folder + fits, kRead | kWrite, kShareNone, Disposition::kCreateAlways, &result);
  EXPECT_GT(h, 0);
  EXPECT_EQ(FileClose(h), kIoOk);
  EXPECT_EQ(Open(folder + fits + "n", kRead | kWrite, kShareNone, Disposition::kCreateAlways, &result), kNoFile);
  EXPECT_EQ(result, ENAMETOOLONG);
}

TEST(PosixFile, SeekTruncateAndSize) {
  TempDir dir;
  const FileHandle h = Open(dir.File("f"), kRead | kWrite, kShareNone, Disposition::kCreateAlways);
  std::uint32_t n = 0;
  ASSERT_EQ(FileWrite(h, "0123456789", 10, n), kIoOk);
  EXPECT_NE(FileSeek(h, -1), kIoOk);
  ASSERT_EQ(FileSeek(h, 4), kIoOk);
  ASSERT_EQ(FileTruncate(h), kIoOk);
  ASSERT_EQ(FileSeek(h, 6), kIoOk);
  ASSERT_EQ(FileTruncate(h), kIoOk);  // lengthens with zero bytes
  std::int64_t size = 0;
  EXPECT_EQ(FileSize(h, size), kIoOk);
  EXPECT_EQ(size, 6);
  char buffer[8] = {};
  ASSERT_EQ(FileSeek(h, 0), kIoOk);
  EXPECT_EQ(FileRead(h, buffer, 8, n), kIoOk);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(std::string(buffer, 6), std::string("0123\0\0", 6));
  EXPECT_EQ(FileClose(h), kIoOk);
}

// A file created over an old one starts empty and ends where the writing
// did, whether the old blocks are zeroed in place (ext4) or freed (tmpfs).
TEST(PosixFile, CreatingOverAnOldFileLeavesNothingOfIt) {
  for (const std::filesystem::path& base : {std::filesystem::temp_directory_path(), std::filesystem::path("/dev/shm")}) {
    if (!std::filesystem::is_directory(base)) continue;
    SCOPED_TRACE(base);
    TempDir dir(base);
    const std::string path = dir.File("Main.exe");
    testing_support::WriteBytes(path, std::vector<std::uint8_t>(20000, 'x'));
    const FileHandle h = Open(path, kRead | kWrite, kShareNone, Disposition::kCreateAlways);
    ASSERT_GT(h, 0);
    std::int64_t size = -1;
    std::uint32_t n = 0;
    char buffer[16] = {};
    EXPECT_EQ(FileSize(h, size), kIoOk);
    EXPECT_EQ(size, 0);
    ASSERT_EQ(FileWrite(h, "new", 3, n), kIoOk);
    ASSERT_EQ(FileSeek(h, 6), kIoOk);
    ASSERT_EQ(FileWrite(h, "z", 1, n), kIoOk);
    EXPECT_EQ(FileSize(h, size), kIoOk);
    EXPECT_EQ(size, 7);
    ASSERT_EQ(FileSeek(h, 0), kIoOk);
    EXPECT_EQ(FileRead(h, buffer, sizeof buffer, n), kIoOk);
    EXPECT_EQ(std::string(buffer, n), std::string("new\0\0\0z", 7));
    EXPECT_EQ(FileClose(h), kIoOk);
    EXPECT_EQ(testing_support::ReadBytes(path), std::vector<std::uint8_t>({'n', 'e', 'w', 0, 0, 0, 'z'}));
    // Cut short before it is closed, or not written at all.
    for (const std::int32_t end : {2, 0}) {
      testing_support::WriteBytes(path, std::vector<std::uint8_t>(20000, 'x'));
      const FileHandle again = Open(path, kRead | kWrite, kShareNone, Disposition::kCreateAlways);
      if (end > 0) {
        ASSERT_EQ(FileWrite(again, "new", 3, n), kIoOk);
        ASSERT_EQ(FileSeek(again, end), kIoOk);
        ASSERT_EQ(FileTruncate(again), kIoOk);
      }
      EXPECT_EQ(FileClose(again), kIoOk);
      EXPECT_EQ(testing_support::ReadBytes(path).size(), static_cast<std::size_t>(end));
    }
  }
}

// The layer stages reads and writes in 64 KB.  A long run of reads,
// writes, seeks and truncations of every size, crossing the stage's
// bounds, must see exactly what a plain in-memory file sees, through the
// handle, through a second handle opened meanwhile, and on disk.
TEST(PosixFile, StagedReadsAndWritesSeeWhatWasWritten) {
  TempDir dir;
  const std::string path = dir.File("Main.exe");
  for (const bool over_old_file : {false, true}) {
    SCOPED_TRACE(over_old_file);
    if (over_old_file) testing_support::WriteBytes(path, std::vector<std::uint8_t>(300000, 'x'));
    const FileHandle h = Open(path, kRead | kWrite, kShareRead, Disposition::kCreateAlways);
    ASSERT_GT(h, 0);
    std::vector<std::uint8_t> model;
    std::size_t position = 0;
    std::mt19937 random(7);
    for (int step = 0; step < 400; ++step) {
      const std::uint32_t count = std::uniform_int_distribution<std::uint32_t>(0, 1)(random) != 0u
                                      ? 2048
                                      : std::uniform_int_distribution<std::uint32_t>(0, 150000)(random);
      std::vector<std::uint8_t> bytes(count);
      std::uint32_t n = 0;
      switch (random() % 5) {
        case 0:  // somewhere else
          position = random() % (model.size() + 5000);
          ASSERT_EQ(FileSeek(h, static_cast<std::int32_t>(position)), kIoOk);
          break;
        case 1:
          ASSERT_EQ(FileRead(h, bytes.data(), count, n), kIoOk);
          ASSERT_EQ(n, std::min<std::size_t>(count, model.size() - std::min(position, model.size())));
          ASSERT_TRUE(std::equal(bytes.begin(), bytes.begin() + n, model.begin() + static_cast<long>(position)));
          position += n;
          break;
        case 2:
          if (random() % 8 == 0) {
            ASSERT_EQ(FileTruncate(h), kIoOk);
            model.resize(position);
          }
          break;
        default:
          for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
          ASSERT_EQ(FileWrite(h, bytes.data(), count, n), kIoOk);
          ASSERT_EQ(n, count);
          model.resize(std::max(model.size(), position + count));
          std::copy(bytes.begin(), bytes.end(), model.begin() + static_cast<long>(position));
          position += count;
      }
      std::int64_t size = -1;
      ASSERT_EQ(FileSize(h, size), kIoOk);
      ASSERT_EQ(size, static_cast<std::int64_t>(model.size()));
    }
    // Written last, and still staged when the file is opened again.
    std::uint32_t n = 0;
    ASSERT_EQ(FileWrite(h, "end", 3, n), kIoOk);
    model.resize(std::max(model.size(), position + 3));
    std::copy_n("end", 3, model.begin() + static_cast<long>(position));
    const FileHandle reader = Open(path, kRead, kShareRead | kShareWrite, Disposition::kOpenExisting);
    ASSERT_GT(reader, 0);
    std::vector<std::uint8_t> seen(model.size() + 1);
    EXPECT_EQ(FileRead(reader, seen.data(), static_cast<std::uint32_t>(seen.size()), n), kIoOk);
    seen.resize(n);
    EXPECT_TRUE(seen == model);
    EXPECT_EQ(FileClose(reader), kIoOk);
    EXPECT_EQ(FileClose(h), kIoOk);
    EXPECT_TRUE(testing_support::ReadBytes(path) == model);
  }
}

// A write the system refuses fails the file it was meant for, even where
// the layer only meets the refusal when it hands its staged writes over:
// at the latest the close reports it, also when the file was opened again
// in between and the handing over happened then.
TEST(PosixFile, AWriteTheSystemRefusesIsReportedForItsFile) {
  TempDir dir;
  const std::string path = dir.File("Main.exe");
  for (const auto& [block, opened_again] : {std::pair{2048u, false}, {100000u, false}, {2048u, true}}) {
    SCOPED_TRACE(block + opened_again);
    const FileHandle h = Open(path, kRead | kWrite, kShareRead, Disposition::kCreateAlways);
    ASSERT_GT(h, 0);
    const std::vector<std::uint8_t> bytes(block, 'b');
    // Files may not grow past 10,000 bytes; the signal would end the test.
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    const rlimit limit{10000, old_limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    IoResult failed = kIoOk;
    for (int i = 0; i < 10 && failed == kIoOk; ++i) {
      std::uint32_t n = 0;
      failed = FileWrite(h, bytes.data(), block, n);
    }
    if (opened_again) {
      EXPECT_EQ(FileClose(Open(path, kRead, kShareRead | kShareWrite, Disposition::kOpenExisting)), kIoOk);
    }
    const IoResult closed = FileClose(h);
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(failed != kIoOk ? failed : closed, EFBIG);
  }
}

}  // namespace
}  // namespace platform
