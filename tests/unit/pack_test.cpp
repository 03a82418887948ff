#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "common/temporary_name.hpp"
#include "packing/manifest.hpp"
#include "package/file_name.hpp"
#include "platform/code_page.hpp"
#include "packing/packer.hpp"
#include "temp_dir.hpp"

namespace pmsetup {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(SplitVolumes, FirstDiskLeavesRoomForSetupExe) {
  const auto volumes = SplitVolumes(250, 40, 100);
  ASSERT_EQ(volumes.size(), 4u);
  EXPECT_EQ(volumes[0].offset, 0u);
  EXPECT_EQ(volumes[0].size, 40u);
  EXPECT_EQ(volumes[1].offset, 40u);
  EXPECT_EQ(volumes[3].offset, 240u);
  EXPECT_EQ(volumes[3].size, 10u);
}

TEST(SplitVolumes, ExactFitsAndEmptyStreams) {
  EXPECT_EQ(SplitVolumes(140, 40, 100).size(), 2u);
  EXPECT_EQ(SplitVolumes(40, 40, 100).size(), 1u);
  const auto empty = SplitVolumes(0, 40, 100);
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_EQ(empty[0].size, 0u);
}

// Files take whole clusters: SETUP.EXE at its rounded size, and each
// volume at most the clusters left.
TEST(RoomForVolumes, WholeClustersOnEveryPreset) {
  for (const Medium& medium : Presets()) {
    std::string error;
    const auto room = RoomForVolumes(medium, 50'001, error);
    ASSERT_TRUE(room) << medium.name << ": " << error;
    EXPECT_EQ(room->other % medium.cluster_size, 0u) << medium.name;
    EXPECT_LE(room->other, medium.capacity) << medium.name;
    EXPECT_EQ(room->first + Allocated(medium, 50'001), room->other) << medium.name;
  }
  std::string error;
  EXPECT_EQ(RoomForVolumes(SizedMedium(40'000, 512), 5'415, error)->other, 39'936u);
  EXPECT_EQ(RoomForVolumes(SizedMedium(40'000, 1), 5'415, error)->first, 34'585u);
}

TEST(RoomForVolumes, RefusesADiskWithoutRoomForAVolume) {
  std::string error;
  const Medium& small = *FindPreset("360K");  // 354 clusters of 1024 bytes
  EXPECT_TRUE(RoomForVolumes(small, 353 * 1024, error));
  EXPECT_FALSE(RoomForVolumes(small, 353 * 1024 + 1, error));
  EXPECT_THAT(error, HasSubstr("a 360K disk leaves no room beside SETUP.EXE (361,473 bytes, 362,496 on the disk"));
  EXPECT_FALSE(RoomForVolumes(SizedMedium(1'000, 512), 1, error));
  Medium crowded = *FindPreset("1.44M");
  crowded.root_entries = 2;  // the label and one file
  EXPECT_FALSE(RoomForVolumes(crowded, 1, error));
  EXPECT_THAT(error, HasSubstr("root entries for fewer files than SETUP.EXE and DISK1.CMP"));
}

// A later pack removes what the name pattern recognises: a name the
// pattern makes reads back as its file and process, and names that only
// look alike (a user's own files) read as nothing.
TEST(TemporaryName, ReadsBackItsOwnAndNothingElse) {
  for (const auto& [final_name, pid] : {std::pair<std::string, std::uint32_t>{"SETUP.EXE", 1},
                                        {"DISK12.CMP", 4194304}, {"a.pmsetup-7-abcdefgh.partial", UINT32_MAX}}) {
    const std::string name = common::TemporaryName(final_name, pid, 0x123456789ABCDEFull);
    const auto parsed = common::ParseTemporaryName(name);
    ASSERT_TRUE(parsed) << name;
    EXPECT_EQ(parsed->final_name, final_name);
    EXPECT_EQ(parsed->pid, pid);
  }
  EXPECT_NE(common::TemporaryName("SETUP.EXE", 1, 1), common::TemporaryName("SETUP.EXE", 1, 2));
  for (const char* other : {"SETUP.EXE.partial", "SETUP.EXE.pmsetup-12-abcdefgh", ".pmsetup-12-abcdefgh.partial",
                            "SETUP.EXE.pmsetup-12-abcdefg.partial", "SETUP.EXE.pmsetup-12-ABCDEFGH.partial",
                            "SETUP.EXE.pmsetup--abcdefgh.partial", "SETUP.EXE.pmsetup-012-abcdefgh.partial",
                            "SETUP.EXE.pmsetup-4294967296-abcdefgh.partial", "SETUP.EXE.pmsetup-notes.partial",
                            "SETUP.EXE.pmsetup-1x-abcdefgh.partial"}) {
    EXPECT_FALSE(common::ParseTemporaryName(other)) << other;
  }
}

class ManifestTest : public ::testing::Test {
 protected:
  ManifestTest() {
    std::ofstream(dir_.File("MAIN.EXE")) << "MZ program";
    std::ofstream(dir_.File("readme.txt")) << "read me";
  }

  bool Read(const std::string& text) {
    const std::string path = dir_.File("package.toml");
    std::ofstream(path) << text;
    return ReadManifest(path, manifest_, errors_);
  }

  std::string Errors() const {
    std::string all;
    for (const std::string& e : errors_) all += e + "\n";
    return all;
  }

  testing_support::TempDir dir_;
  Manifest manifest_;
  std::vector<std::string> errors_;
};

constexpr const char* kMinimal = R"([texts]
Title = "Demo"
DefaultDir = 'C:\Demo'
[files]
main = "MAIN.EXE"
)";

TEST_F(ManifestTest, MinimalManifestGetsDefaults) {
  ASSERT_TRUE(Read(kMinimal)) << Errors();
  EXPECT_EQ(manifest_.texts[package::Title], "Demo");
  EXPECT_EQ(manifest_.texts[package::DefaultDir], "C:\\Demo");
  EXPECT_EQ(manifest_.texts[package::OkCaption], "OK");
  EXPECT_EQ(manifest_.texts[package::GroupName], "");
  EXPECT_EQ(manifest_.main.name, "MAIN.EXE");
  EXPECT_EQ(manifest_.TitleColor, 0x00FFFFFFu);
}

TEST_F(ManifestTest, ColoursTextsAndFilesAsWritten) {
  ASSERT_TRUE(Read(R"(code_page = 1252
[colours]
top = "#102030"
[texts]
Title = "Caf\u00e9"
DefaultDir = 'C:\Demo'
[files]
main = "MAIN.EXE"
other = ["readme.txt", { source = "readme.txt", name = "LIESMICH.TXT" }]
)")) << Errors();
  EXPECT_EQ(manifest_.TopColor, 0x00302010u);
  EXPECT_EQ(manifest_.texts[package::Title], "Caf\xE9");
  ASSERT_EQ(manifest_.others.size(), 2u);
  EXPECT_EQ(manifest_.others[0].name, "readme.txt");
  EXPECT_EQ(manifest_.others[1].name, "LIESMICH.TXT");
}

TEST_F(ManifestTest, ProblemsAreReportedWithTheirLines) {
  EXPECT_FALSE(Read(R"(code_page = "1252"
[texts]
Title = "Demo"
DefaultDir = 'C:\Demo'
Colour = "blue"
RunPrompt = "Start \u4e2d?"
[files]
main = "MAIN.EXE"
other = ["missing.txt", { source = "readme.txt", name = "a:b" }, "readme.txt", { source = "readme.txt", name = "README.TXT" }]
[colours]
top = "blue"
)"));
  const std::string path = dir_.File("package.toml");
  EXPECT_THAT(Errors(), HasSubstr(path + ":1: code_page must be a number, such as 1252, written without quotes"));
  EXPECT_THAT(Errors(), HasSubstr(path + ":5: unknown key 'Colour' in [texts]"));
  EXPECT_THAT(Errors(), HasSubstr(path + ":6: text RunPrompt holds '\u4e2d' (U+4E2D) at character 7, which code page "
                                         "1252 cannot show"));
  EXPECT_THAT(Errors(), HasSubstr(path + ":9: file 'missing.txt' does not exist"));
  EXPECT_THAT(Errors(), HasSubstr("'a:b' cannot be a file name"));
  EXPECT_THAT(Errors(), HasSubstr("two files would be installed as 'README.TXT'"));
  EXPECT_THAT(Errors(), HasSubstr(path + ":11: colour 'top' must be written \"#RRGGBB\""));
}

// A folder entry stands for the files under it, sorted, as include and
// exclude let them through; each row's other list gives these names, or
// fails naming the problem.
TEST_F(ManifestTest, FolderEntriesAndFolderNames) {
  std::filesystem::create_directories(dir_.path() / "help" / "deep");
  std::filesystem::create_directories(dir_.path() / "empty");
  for (const char* file : {"help/b.txt", "help/A.TXT", "help/old.bak", "help/deep/c.txt", "help/deep/d.bmp"}) {
    std::ofstream(dir_.File(file)) << file;
  }
  struct Case {
    const char* other;
    const char* result;  // the names, joined by spaces, or part of the error
  };
  const Case cases[] = {
      {R"({ source = "help" })", R"(help\A.TXT help\b.txt help\deep\c.txt help\deep\d.bmp help\old.bak)"},
      {R"({ source = "help", name = "Help", exclude = ["*.bak", "deep/*.bmp"] })", R"(Help\A.TXT Help\b.txt Help\deep\c.txt)"},
      {R"({ source = "help", name = "", include = ["*.txt"] })", R"(A.TXT b.txt deep\c.txt)"},
      {R"({ source = "help", name = 'X\Y', include = ["deep/*"] })", R"(X\Y\deep\c.txt X\Y\deep\d.bmp)"},
      {R"("readme.txt", { source = "readme.txt", name = "Docs/Sub/R.TXT" })", R"(readme.txt Docs\Sub\R.TXT)"},
      {R"({ source = "help", include = ["*.none"] })", "holds no file to pack that include and exclude let through"},
      {R"({ source = "empty" })", "holds no file to pack"},
      {R"({ source = "readme.txt", include = ["*"] })", "include and exclude narrow a folder"},
      {R"({ source = "readme.txt", name = 'a\..\b' })", "'..' it names no file"},
      {R"({ source = "readme.txt", name = 'Help\A.TXT' }, { source = "help", name = "help" })",
       R"(two files would be installed as 'help\A.TXT')"},
      {R"({ source = "readme.txt", name = "Help" }, { source = "help", name = "Help" })",
       "would go into folder 'Help', which is a file"},
      {R"({ source = "help", name = "Help" }, { source = "readme.txt", name = "HELP" })",
       "'HELP' would be a file and a folder of other files at once"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.other);
    const bool read = Read(std::string("[texts]\nTitle = \"D\"\nDefaultDir = 'C:\\D'\n[files]\nmain = \"MAIN.EXE\"\nother = [") +
                           c.other + "]\n");
    std::string names;
    for (const ManifestFile& file : manifest_.others) names += (names.empty() ? "" : " ") + file.name;
    if (read) EXPECT_EQ(names, c.result);
    else EXPECT_THAT(Errors(), HasSubstr(c.result));
  }
  EXPECT_FALSE(Read("[texts]\nTitle = \"D\"\nDefaultDir = 'C:\\D'\n[files]\nmain = { source = \"MAIN.EXE\", name = 'bin\\M.EXE' }\n"));
  EXPECT_THAT(Errors(), HasSubstr("the main program is installed at the top of the destination"));
}

TEST_F(ManifestTest, TextsMustFitACountedText) {
  std::string long_title(256, 'x');
  EXPECT_FALSE(Read("[texts]\nTitle = \"" + long_title + "\"\nDefaultDir = 'C:\\D'\n[files]\nmain = \"MAIN.EXE\"\n"));
  EXPECT_THAT(Errors(), HasSubstr(":2: text Title takes 256 bytes; a package text holds at most 255"));
}

TEST_F(ManifestTest, RequiredPartsAreNamed) {
  EXPECT_FALSE(Read("[texts]\nTitle = \"Demo\"\n"));
  EXPECT_THAT(Errors(), HasSubstr("[texts] needs DefaultDir"));
  EXPECT_THAT(Errors(), HasSubstr("needs a [files] table"));
  errors_.clear();
  EXPECT_FALSE(Read("[texts]\nTitle = \"\"\nDefaultDir = ''\n[files]\nmain = \"MAIN.EXE\"\n"));
  EXPECT_THAT(Errors(), HasSubstr(":2: Title must not be empty"));
  EXPECT_THAT(Errors(), HasSubstr(":3: DefaultDir must not be empty"));
}

// Windows would show a text only up to a NUL; C1 control characters are
// converted differently on different systems.
TEST_F(ManifestTest, TextsWithANulOrAC1ControlAreRefused) {
  EXPECT_FALSE(Read("[texts]\nTitle = \"Caf\\u00e9 \\u0000 hidden\"\nDefaultDir = 'C:\\D'\n[files]\nmain = \"MAIN.EXE\"\n"));
  EXPECT_THAT(Errors(), HasSubstr(":2: text Title holds a NUL character"));
  errors_.clear();
  EXPECT_FALSE(Read(std::string(kMinimal) + "other = [{ source = \"readme.txt\", name = \"x\\u0081.txt\" }]\n"));
  EXPECT_THAT(Errors(), HasSubstr("name holds a control character"));
}

// Names and texts are composed (NFC) before they go into the code page:
// "e" and a combining accent, as a Mac names files, is "\u00e9".  What the
// code page cannot hold is named once, one way, with its place.  What it
// holds reads back as the composed text.
TEST_F(ManifestTest, NamesAndTextsAreComposedBeforeTheCodePage) {
  struct Case {
    int code_page;
    const char* where;     // "name", "source" (a file of that name) or "Title"
    const char* written;   // in the manifest
    const char* packed;    // in the code page, or nullptr when refused
    const char* refusal;   // then: what the message says
  };
  const Case cases[] = {
      {1252, "name", "cafe\u0301.txt", "caf\xE9.txt", nullptr},
      {1252, "source", "cafe\u0301.txt", "caf\xE9.txt", nullptr},
      {1252, "Title", "Cafe\u0301 E\u0301te\u0301", "Caf\xE9 \xC9t\xE9", nullptr},
      {1251, "name", "\u0438\u0306\u043e\u0434.txt", "\xE9\xEE\xE4.txt", nullptr},  // и + breve: й
      {932, "name", "\u30cf\u309a\u30f3.txt", "\x83\x70\x83\x93.txt", nullptr},  // ハ + ゜: パ
      {720, "name", "\u0643\u062a\u0627\u0628.txt", "\xE8\xA2\x9F\xA0.txt", nullptr},  // كتاب
      {720, "Title", "Cafe\u0301 \u00e2 \u0627\u0653", "Caf\x82 \x83 \x99", nullptr},   // ا + ٓ: آ
      {1252, "name", "x\u0301.txt", nullptr, "name holds '\u0301' (U+0301) at character 2, which code page 1252 cannot show"},
      {1252, "source", "ab\u4e2d.txt", nullptr,
       "file name 'ab\u4e2d.txt' holds '\u4e2d' (U+4E2D) at character 3, which code page 1252 cannot show"},
      {1250, "Title", "e\u0301 \u00e8", nullptr, "text Title holds '\u00e8' (U+00E8) at character 3, which code page 1250"},
      {1252, "Title", "\U0001F600", nullptr, "holds '\U0001F600' (U+1F600) at character 1, which code page 1252"},
      {720, "Title", "\u0628\u067e", nullptr, "holds '\u067e' (U+067E) at character 2, which code page 720 cannot"},
  };
  for (const Case& c : cases) {
    errors_.clear();
    const std::string where = c.where;
    if (where == "source") std::ofstream(dir_.File(c.written)) << "x";
    const std::string title = where == "Title" ? c.written : "Demo";
    const std::string other = where == "name"     ? "{ source = \"readme.txt\", name = \"" + std::string(c.written) + "\" }"
                              : where == "source" ? "\"" + std::string(c.written) + "\""
                                                  : std::string("\"readme.txt\"");
    const bool read = Read("code_page = " + std::to_string(c.code_page) + "\n[texts]\nTitle = \"" + title +
                           "\"\nDefaultDir = 'C:\\D'\n[files]\nmain = \"MAIN.EXE\"\nother = [" + other + "]\n");
    if (c.packed == nullptr) {
      EXPECT_FALSE(read) << c.written;
      EXPECT_THAT(Errors(), HasSubstr(c.refusal));
      continue;
    }
    ASSERT_TRUE(read) << c.written << "\n" << Errors();
    EXPECT_EQ(where == "Title" ? manifest_.texts[package::Title] : manifest_.others.at(0).name, c.packed) << c.written;
    EXPECT_EQ(platform::ConvertedFromCodePage(c.packed, c.code_page), platform::Composed(c.written)) << c.written;
  }
}

// Windows takes names that differ only in case for one, in every script;
// messages quote names as the manifest writes them.
TEST_F(ManifestTest, NamesDifferingOnlyInCaseClashInEveryCodePage) {
  struct Clash {
    int code_page;
    const char* lower;
    const char* upper;
  };
  const Clash clashes[] = {{1252, "\u00e9t\u00e9.txt", "\u00c9T\u00c9.TXT"},
                           {1250, "\u0105.txt", "\u0104.txt"},
                           {1251, "\u044f.txt", "\u042f.txt"},
                           {1253, "\u03c9.txt", "\u03a9.txt"}};
  auto two_files = [&](int code_page, const std::string& a, const std::string& b) {
    errors_.clear();
    return Read("code_page = " + std::to_string(code_page) + "\n" + kMinimal +
                "other = [{ source = \"readme.txt\", name = \"" + a + "\" }, { source = \"readme.txt\", name = \"" + b +
                "\" }]\n");
  };
  for (const Clash& clash : clashes) {
    EXPECT_FALSE(two_files(clash.code_page, clash.lower, clash.upper)) << clash.code_page;
    EXPECT_THAT(Errors(), HasSubstr(std::string("two files would be installed as '") + clash.upper + "'"));
  }
  EXPECT_TRUE(two_files(1251, "\u044f.txt", "\u0439.txt")) << Errors();  // different letters
}

TEST_F(ManifestTest, DeviceNamesTrailingDotsAndReservedCharactersAreRefused) {
  constexpr const char* kDevice = "names a Windows device";
  const std::pair<const char*, const char*> refused[] = {
      {"CON", kDevice}, {"nul.txt", kDevice}, {"COM1.dat", kDevice}, {"COM0", kDevice}, {"lpt0.txt", kDevice},
      {"CONIN$", kDevice}, {"conout$.log", kDevice}, {"CLOCK$", kDevice}, {"Clock$.txt", kDevice},
      {"COM\u00b9", kDevice}, {"com\u00b2.txt", kDevice}, {"COM\u00b3", kDevice}, {"lpt\u00b9.dat", kDevice},
      {"LPT\u00b2", kDevice}, {"Lpt\u00b3.txt", kDevice}, {"readme.", "ends in a dot"}, {"..", "names no file"},
      {"", "names no file"}, {"a*b", "one of"}, {"x?.txt", "one of"}, {"a|b", "one of"}, {"tab\\t", "control character"},
      // Installed beside the volumes, any of these would replace one.
      {"disk2.cmp", "'disk2.cmp' is named like a volume"}, {"Disk1.Cmp", "'Disk1.Cmp' is named like a volume"},
      {"DISK255.CMP", "'DISK255.CMP' is named like a volume"},
      // Nor may a file replace the installer or be taken for its leftovers.
      {"setup.exe", "is the installer's name"}, {"~pm0001f.tmp", "temporary files"}};
  for (const auto& [name, reason] : refused) {
    errors_.clear();
    EXPECT_FALSE(Read(std::string(kMinimal) + "other = [{ source = \"readme.txt\", name = \"" + name + "\" }]\n"))
        << name;
    EXPECT_THAT(Errors(), HasSubstr(reason)) << name;
  }
  // Windows reads a name as Unicode first: the superscript digits are port
  // digits wherever a code page has them.
  for (const auto& [code_page, name] : {std::pair{949, "COM\u00b9"}, {850, "lpt\u00b3.txt"}, {437, "COM\u00b2"}}) {
    errors_.clear();
    EXPECT_FALSE(Read("code_page = " + std::to_string(code_page) + "\n" + kMinimal + "other = [{ source = \"readme.txt\", name = \"" +
                      name + "\" }]\n"))
        << code_page << " " << name;
    EXPECT_THAT(Errors(), HasSubstr(kDevice)) << code_page << " " << name;
  }
  errors_.clear();
  EXPECT_FALSE(Read("[texts]\nTitle = \"Demo\"\nDefaultDir = 'C:\\Demo'\n[files]\n"
                   "main = { source = \"readme.txt\", name = \"disk3.cmp\" }\n"));
  EXPECT_THAT(Errors(), HasSubstr("named like a volume"));
}

// In a double-byte code page the reserved characters are ASCII's: a second
// byte that reads as '|' belongs to its character, and names holding it
// are good Windows names.  A second byte that reads as '\' would split the
// name, folder or group in the installers' path handling: refused, naming
// the character.
TEST_F(ManifestTest, ReservedCharactersAreCharactersNotSecondBytes) {
  struct Case {
    int code_page;
    const char* key;  // "name", "DefaultDir" or "GroupName"
    const char* text;
    const char* culprit;  // the character refused, or nullptr when accepted
  };
  const Case cases[] = {
      {932, "name", "\u30dd\u30b9\u30c8.txt", nullptr},        // ポスト: 83 7C
      {932, "name", "\u30bd\u30d5\u30c8.txt", "\u30bd"},       // ソフト: 83 5C
      {932, "name", "\u8868\u793a.txt", "\u8868"},             // 表示: 95 5C
      {932, "DefaultDir", "C:\\\\\u30bd\u30d5\u30c8", "\u30bd"},  // C:\ソフト
      {932, "DefaultDir", "C:\\\\\u30dd\u30b9\u30c8", nullptr},    // C:\ポスト
      {932, "GroupName", "\u8868\u793a", "\u8868"},
      {932, "GroupName", "\u30dd\u30b9\u30c8", nullptr},
      {936, "name", "\u5104.txt", nullptr},                      // 億: 83 7C
      {936, "name", "\u4e57.txt", "\u4e57"},                     // 乗: 81 5C
      {936, "GroupName", "\u4e57\u5ba2", "\u4e57"},
      {949, "name", "\ud55c\uae00.txt", nullptr},               // 한글: no second byte below 0x41
      {950, "name", "\u56db.txt", nullptr},                      // 四: A5 7C
      {950, "name", "\u529f\u80fd.txt", "\u529f"},              // 功能: A5 5C
      {950, "DefaultDir", "C:\\\\\u529f\u80fd", "\u529f"},
  };
  for (const Case& c : cases) {
    errors_.clear();
    const std::string key = c.key;
    const std::string texts = "[texts]\nTitle = \"Demo\"\nDefaultDir = \"" +
                              (key == "DefaultDir" ? std::string(c.text) : "C:\\\\Demo") + "\"\n" +
                              (key == "GroupName" ? "GroupName = \"" + std::string(c.text) + "\"\n" : "");
    const std::string files = "[files]\nmain = \"MAIN.EXE\"\n" +
                              (key == "name" ? "other = [{ source = \"readme.txt\", name = \"" + std::string(c.text) + "\" }]\n"
                                             : std::string());
    const bool read = Read("code_page = " + std::to_string(c.code_page) + "\n" + texts + files);
    if (c.culprit == nullptr) {
      EXPECT_TRUE(read) << c.code_page << " " << c.text << "\n" << Errors();
      continue;
    }
    EXPECT_FALSE(read) << c.code_page << " " << c.text;
    EXPECT_THAT(Errors(), HasSubstr(std::string("the second byte of '") + c.culprit +
                                    "' is a backslash, which the installer's path handling would take as a separator"))
        << c.code_page << " " << c.text;
  }
}

// Every character of every double-byte code page whose second byte reads
// as a reserved ASCII character: refused only for a backslash.
// What the terminal shows as a character, and what as \xNN bytes.
TEST(Utf8Character, TakesWellFormedCharactersOnly) {
  const struct {
    const char* bytes;
    std::size_t length;
    char32_t code_point;
  } rows[] = {
      {"A", 1, U'A'},
      {"\xC3\xA9", 2, U'\u00E9'},
      {"\xE2\x82\xAC", 3, U'\u20AC'},
      {"\xF0\x9F\x98\x80", 4, U'\U0001F600'},
      {"\xC0\x80", 0, 0},          // overlong
      {"\xE0\x80\x80", 0, 0},      // overlong
      {"\xED\xA0\x80", 0, 0},      // a surrogate
      {"\xF4\x90\x80\x80", 0, 0},  // past U+10FFFF
      {"\xE2\x82", 0, 0},          // cut short
      {"\xA9", 0, 0},              // a stray continuation byte
  };
  for (const auto& row : rows) {
    char32_t code_point = 0;
    const std::size_t length = platform::Utf8Character(row.bytes, 0, code_point);
    EXPECT_EQ(length, row.length) << row.bytes;
    if (row.length > 0) {
      EXPECT_EQ(code_point, row.code_point) << row.bytes;
    }
  }
}

TEST(FileNameRules, EverySecondByteThatReadsAsReservedInEveryDoubleByteCodePage) {
  const std::string reserved = "\\/:<>\"|?*";
  int characters = 0;
  for (const int code_page : {932, 936, 949, 950}) {
    if (!platform::KnownCodePage(code_page)) GTEST_SKIP() << "code page " << code_page << " cannot be converted here";
    int found = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (const char second : reserved) {
        const std::string character{static_cast<char>(lead), second};
        // Only the pairs that make one character: a single-byte katakana
        // of 932 followed by '|' is two.
        const auto utf8 = platform::ConvertedFromCodePage(character, code_page);
        if (!utf8 || std::count_if(utf8->begin(), utf8->end(), [](char b) { return (b & 0xC0) != 0x80; }) != 1) continue;
        ++found;
        const std::string name = character + ".txt";
        ASSERT_TRUE(platform::LeadByte(code_page, static_cast<unsigned char>(lead))) << code_page << " " << lead;
        const char* problem = package::FileNameProblem(name, code_page);
        if (second == '\\') {
          EXPECT_EQ(package::BackslashInCharacter("a" + name, code_page), 1u) << code_page << " " << lead;
          EXPECT_THAT(problem ? problem : "", HasSubstr("second byte")) << code_page << " " << lead;
        } else {
          EXPECT_EQ(problem, nullptr) << code_page << " " << lead << " " << second;
        }
      }
    }
    // Korean's second bytes start at 0x41: none reads as reserved there.
    if (code_page == 949) EXPECT_EQ(found, 0);
    else EXPECT_GT(found, 50) << code_page;
    characters += found;
  }
  // The same bytes in a single-byte code page are two characters.
  EXPECT_NE(package::FileNameProblem("\x83|.txt", 1252), nullptr);
  RecordProperty("characters", characters);
}

TEST_F(ManifestTest, SyntaxErrorsNameTheLine) {
  EXPECT_FALSE(Read("[texts]\nTitle = \"unterminated\n"));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_THAT(errors_[0], HasSubstr("package.toml:2:"));
}

}  // namespace
}  // namespace pmsetup
