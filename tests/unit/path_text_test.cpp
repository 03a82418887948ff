#include "common/path_text.hpp"

#include <gtest/gtest.h>

#include "temp_dir.hpp"

namespace common {
namespace {

TEST(JoinPath, AddsOneBackslashAtMost) {
  EXPECT_EQ(JoinPath("C:\\Apps", "Run.exe"), "C:\\Apps\\Run.exe");
  EXPECT_EQ(JoinPath("C:\\", "Run.exe"), "C:\\Run.exe");
  EXPECT_EQ(JoinPath("", "Run.exe"), "Run.exe");
  EXPECT_EQ(JoinPath("C:\\Apps", ""), "C:\\Apps\\");
}

TEST(ReplaceToken, ReplacesFirstMatchIgnoringCaseOrAppendsFallback) {
  EXPECT_EQ(ReplaceToken("Insert disk %U now", "%u", "2", "2"), "Insert disk 2 now");
  EXPECT_EQ(ReplaceToken("Please insert disk #", "%u", "2", "2"), "Please insert disk #2");
  EXPECT_EQ(ReplaceToken("Run %s or %s?", "%s", "A.EXE", "A.EXE?"), "Run A.EXE or %s?");
  EXPECT_EQ(ReplaceToken("Do you want to run", "%s", "A.EXE", "A.EXE?"), "Do you want to runA.EXE?");
  EXPECT_EQ(ReplaceToken("", "%s", "A", "B"), "B");
  EXPECT_EQ(ReplaceToken("text", "", "A", "B"), "textB");
}

TEST(ReplaceToken, MatchesAccentedLettersInAnyCase) {
  // \xE9 is e-acute and \xC9 its capital in the Windows ANSI code page.
  EXPECT_EQ(ReplaceToken("Disque \xE9%u", "\xC9%U", "2", "?"), "Disque 2");
}

TEST(ChangeFileExt, ReplacesOnlyAnExtensionOfTheLastComponent) {
  EXPECT_EQ(ChangeFileExt("Setup.Main.EXE", ".LNK"), "Setup.Main.LNK");
  EXPECT_EQ(ChangeFileExt("C:\\Dir.X\\Readme", ".LNK"), "C:\\Dir.X\\Readme.LNK");
  EXPECT_EQ(ChangeFileExt("", ".LNK"), ".LNK");
}

// The rows are what GetFullPathName gives for the same paths (checked under
// Wine), less a trailing backslash: ".." stops at the drive's root or at
// the share.
TEST(ResolveDots, ClimbsNoHigherThanTheRoot) {
  const struct {
    const char* path;
    const char* resolved;
  } rows[] = {
      {"C:\\a\\..\\..\\escaped", "C:\\escaped"},
      {"C:\\..\\..\\..", "C:\\"},
      {"C:\\a\\.\\b\\.\\..\\c", "C:\\a\\c"},
      {"C:\\Pagemix Demo", "C:\\Pagemix Demo"},
      {"C:/a/../b//c/", "C:\\b\\c"},
      {"\\\\server\\share\\..\\..\\x", "\\\\server\\share\\x"},
      {"C:\\a\\..a\\a..\\..", "C:\\a\\..a"},
  };
  for (const auto& row : rows) EXPECT_EQ(ResolveDots(row.path), row.resolved) << row.path;
}

TEST(ExtractFilePathAndName, SplitAtLastBackslashOrColon) {
  EXPECT_EQ(ExtractFilePath("C:\\Apps\\Run.exe"), "C:\\Apps\\");
  EXPECT_EQ(ExtractFilePath("C:Run.exe"), "C:");
  EXPECT_EQ(ExtractFilePath("Run.exe"), "");
  EXPECT_EQ(ExtractFileName("C:\\Apps\\Run.exe"), "Run.exe");
  EXPECT_EQ(ExtractFileName("Run.exe"), "Run.exe");
  EXPECT_EQ(ExtractFileName("C:" + std::string(300, 'a')), std::string(255, 'a'));
}

TEST(ExtractFileDrive, DriveLettersAndNetworkShares) {
  EXPECT_EQ(ExtractFileDrive("C:\\Apps"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\srv\\share\\dir\\f"), "\\\\srv\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\srv\\share"), "\\\\srv\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\srv\\"), "\\\\srv");
  EXPECT_EQ(ExtractFileDrive("\\\\"), "\\\\");
  EXPECT_EQ(ExtractFileDrive("\\Apps"), "");
  EXPECT_EQ(ExtractFileDrive("C"), "");
}

TEST(MinMaxByte, CompareUnsignedLowBytes) {
  EXPECT_EQ(MinByte(0x80, 0x7F), 0x7F);
  EXPECT_EQ(MaxByte(0x80, 0x7F), 0x80);
  EXPECT_EQ(MaxByte(static_cast<std::uint8_t>(0x1FF), 0x02), 0xFF);
}

TEST(DeleteFileQuiet, RemovesAFileAndIgnoresAMissingOne) {
  testing_support::TempDir dir;
  const std::string file = dir.File("f.txt");
  testing_support::WriteBytes(file, {1, 2, 3});
  DeleteFileQuiet(file);
  EXPECT_FALSE(std::filesystem::exists(file));
  DeleteFileQuiet(file);
}

}  // namespace
}  // namespace common
