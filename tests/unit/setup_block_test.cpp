#include "package/setup_block.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "counted_text.hpp"
#include "package/block_writer.hpp"
#include "temp_dir.hpp"

namespace package {
namespace {

using testing_support::TempDir;
using Bytes = std::vector<std::uint8_t>;

// Builds block bytes field by field, independently of the block writer.
struct ByteBuilder {
  Bytes bytes;
  ByteBuilder& Int32(std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    return *this;
  }
  ByteBuilder& Text(const std::string& t) {
    bytes.push_back(static_cast<std::uint8_t>(t.size()));
    bytes.insert(bytes.end(), t.begin(), t.end());
    return *this;
  }
  ByteBuilder& Entry(const std::string& name, std::int32_t offset, std::int32_t size) {
    return Text(name).Int32(static_cast<std::uint32_t>(offset)).Int32(static_cast<std::uint32_t>(size));
  }
};

const SetupTextArray kMoonquillTexts = {
    "Moonquill - demo", "C:\\Tidewell", "Tidewell", "OK", "Cancel", "Yes", "No",
    "Please enter the drive and directory where you would like this program to be installed. To accept the "
    "default drive and directory, simply press Enter.",
    "Do you wish to create a program folder?", "Do you want to run", "Please insert disk #",
    "That's not the correct disk, try again.", "The installation has terminated.",
    "Do you really want to cancel the installation?", "Setup", "Extracting Files...", "Tidewell 1998."};

// Header and texts of a complete one-volume package, Moonquill: grey to
// light grey, white title.
ByteBuilder MoonquillHeader(std::uint32_t disk_count = 1) {
  ByteBuilder b;
  b.Int32(0x00808080).Int32(0x00C0C0C0).Int32(0x00FFFFFF).Int32(2140323).Int32(disk_count);
  for (const std::string& text : kMoonquillTexts) b.Text(text);
  return b;
}

// An executable image of image_size bytes followed by the block and a
// trailer pointing at it.
Bytes PackageFile(std::size_t image_size, const Bytes& block) {
  Bytes file(image_size, 'M');
  file.insert(file.end(), block.begin(), block.end());
  ByteBuilder trailer;
  trailer.Int32(static_cast<std::uint32_t>(image_size));
  file.insert(file.end(), trailer.bytes.begin(), trailer.bytes.end());
  return file;
}

class SetupBlockTest : public ::testing::Test {
 protected:
  ~SetupBlockTest() override { FreeFileList(block_); }

  platform::IoResult Read(const Bytes& file) {
    const std::string path = dir_.File("SETUP.EXE");
    testing_support::WriteBytes(path, file);
    return ReadSetupBlock(path, block_);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const LibRec* e = block_.FileList; e; e = e->Next) names.push_back(e->Name);
    return names;
  }

  TempDir dir_;
  SetupBlock block_;
};

TEST_F(SetupBlockTest, ReadsEveryFieldOfACompletePackage) {
  const Bytes file = PackageFile(0x10A00, MoonquillHeader().Entry("Moonquill.EXE", 0, 2140323).bytes);
  ASSERT_EQ(file.size(), 68589u);
  ASSERT_EQ(Read(file), platform::kIoOk);
  EXPECT_EQ(block_.TopColor, 0x00808080u);
  EXPECT_EQ(block_.BottomColor, 0x00C0C0C0u);
  EXPECT_EQ(block_.TitleColor, 0x00FFFFFFu);
  EXPECT_EQ(block_.TotalSize, 2140323);
  EXPECT_EQ(block_.DiskCount, 1);
  EXPECT_EQ(block_.SetupTexts, kMoonquillTexts);
  ASSERT_EQ(block_.EntryCount, 1);
  ASSERT_NE(block_.MainEntry(), nullptr);
  EXPECT_EQ(block_.MainEntry()->Name, "Moonquill.EXE");
  EXPECT_EQ(block_.MainEntry()->Offset, 0);
  EXPECT_EQ(block_.MainEntry()->Size, 2140323);
  EXPECT_EQ(block_.MainEntry()->Next, nullptr);
  EXPECT_EQ(PackageDefect(block_), nullptr);
}

TEST_F(SetupBlockTest, WriterProducesTheBytesBuiltFieldByField) {
  PackageContents contents;
  contents.TopColor = 0x00808080;
  contents.BottomColor = 0x00C0C0C0;
  contents.TitleColor = 0x00FFFFFF;
  contents.TotalSize = 2140323;
  contents.DiskCount = 1;
  contents.SetupTexts = kMoonquillTexts;
  contents.Entries = {{"Moonquill.EXE", 0, 2140323}};
  const Bytes expected = PackageFile(0x10A00, MoonquillHeader().Entry("Moonquill.EXE", 0, 2140323).bytes);
  const Bytes block = EncodeSetupBlock(contents, 0x10A00);
  ASSERT_EQ(block.size(), 493u);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), expected.end() - 493));
}

TEST_F(SetupBlockTest, EntriesAreListedInReverseFileOrder) {
  ASSERT_EQ(Read(PackageFile(16, MoonquillHeader().Entry("A", 0, 1).Entry("B", 1, 2).Entry("C", 3, 4).bytes)), 0);
  EXPECT_THAT(Names(), ::testing::ElementsAre("C", "B", "A"));
  EXPECT_EQ(block_.EntryCount, 3);
}

TEST_F(SetupBlockTest, WriterStoresTheMainProgramLast) {
  PackageContents contents;
  contents.Entries = {{"Main.exe", 0, 10}, {"a.txt", 10, 5}, {"b.txt", 15, 5}};
  Bytes file(8, 'M');
  const Bytes block = EncodeSetupBlock(contents, 8);
  file.insert(file.end(), block.begin(), block.end());
  ASSERT_EQ(Read(file), 0);
  EXPECT_THAT(Names(), ::testing::ElementsAre("Main.exe", "a.txt", "b.txt"));
}

TEST_F(SetupBlockTest, CountedTextsOfEveryLength) {
  ByteBuilder b;
  b.Int32(0).Int32(0).Int32(0).Int32(0).Int32(0x102);
  b.Text("").Text(std::string(255, 'x'));
  b.Text(std::string("ab\0cd", 5));
  for (int i = 3; i < kTextCount; ++i) b.Text("t");
  b.Entry("Main.exe", 0, 0);
  ASSERT_EQ(Read(PackageFile(4, b.bytes)), 0);
  EXPECT_EQ(block_.DiskCount, 2);
  EXPECT_EQ(block_.SetupTexts[Title], "");
  EXPECT_EQ(block_.SetupTexts[DefaultDir], std::string(255, 'x'));
  EXPECT_EQ(block_.SetupTexts[GroupName], "ab");
  EXPECT_EQ(block_.SetupTexts[FooterText], "t");
  EXPECT_THAT(Names(), ::testing::ElementsAre("Main.exe"));
}

TEST_F(SetupBlockTest, TrailerOutsideTheBlockFails) {
  Bytes file = PackageFile(20, MoonquillHeader().Entry("M.exe", 0, 1).bytes);
  const std::size_t limit = file.size() - 4;
  auto with_trailer = [&](std::uint32_t offset) {
    Bytes f = file;
    for (int k = 0; k < 4; ++k) f[limit + k] = static_cast<std::uint8_t>(offset >> (8 * k));
    return f;
  };
  EXPECT_EQ(Read(with_trailer(static_cast<std::uint32_t>(limit))), platform::kShortRead);
  EXPECT_EQ(Read(with_trailer(static_cast<std::uint32_t>(file.size() + 100))), platform::kShortRead);
  const platform::IoResult beyond_signed = Read(with_trailer(0x80000000u));
  EXPECT_NE(beyond_signed, platform::kIoOk);
  EXPECT_NE(beyond_signed, platform::kShortRead);  // refused at the seek, not by reading
  EXPECT_EQ(Read(Bytes{1, 2, 3}), platform::kShortRead);
}

TEST_F(SetupBlockTest, AnEntryCutByTheEndOfFileFailsAndKeepsEarlierOnes) {
  // The second entry's name claims 9 bytes; only 3 and the trailer's 4
  // remain before the end of the file.
  Bytes block = MoonquillHeader().Entry("first.dat", 0, 1).bytes;
  block.insert(block.end(), {9, 'a', 'b', 'c'});
  const Bytes file = PackageFile(8, block);
  EXPECT_EQ(Read(file), platform::kShortRead);
  EXPECT_THAT(Names(), ::testing::ElementsAre("first.dat"));
}

TEST_F(SetupBlockTest, AnEntryRunningIntoTheTrailerIsStillTaken) {
  // The last entry's Size field is the trailer's four bytes themselves.
  Bytes block = MoonquillHeader().Entry("A", 0, 1).Text("B").Int32(7).bytes;
  Bytes file(8, 'M');
  file.insert(file.end(), block.begin(), block.end());
  file.insert(file.end(), {8, 0, 0, 0});
  ASSERT_EQ(Read(file), 0);
  EXPECT_THAT(Names(), ::testing::ElementsAre("B", "A"));
  EXPECT_EQ(block_.MainEntry()->Size, 8);
}

TEST_F(SetupBlockTest, MissingFileReportsTheSystemError) {
  EXPECT_EQ(ReadSetupBlock(dir_.File("absent.exe"), block_), ENOENT);
}

TEST_F(SetupBlockTest, FreeFileListEmptiesTheList) {
  ASSERT_EQ(Read(PackageFile(8, MoonquillHeader().Entry("A", 0, 1).Entry("B", 1, 1).bytes)), 0);
  FreeFileList(block_);
  EXPECT_EQ(block_.FileList, nullptr);
}

TEST(PackageDefect, RefusesAnEmptyListAndUnsafeMainNames) {
  SetupBlock block;
  EXPECT_STREQ(PackageDefect(block), "the file list is empty");
  LibRec main;
  block.FileList = &main;
  for (const char* bad : {"", ".", "..", "dir\\Run.exe", "dir/Run.exe", "C:Run.exe"}) {
    main.Name = bad;
    EXPECT_NE(PackageDefect(block), nullptr) << bad;
  }
  main.Name = "Run.exe";
  EXPECT_EQ(PackageDefect(block), nullptr);
  block.FileList = nullptr;
}

TEST(CountedTextProblem, NamesTheTextThatIsTooLong) {
  PackageContents contents;
  EXPECT_EQ(testing_support::CountedTextProblem(contents), "");
  contents.SetupTexts[RunPrompt] = std::string(256, 'x');
  EXPECT_EQ(testing_support::CountedTextProblem(contents), "text RunPrompt is longer than 255 bytes");
}

}  // namespace
}  // namespace package
