// Reading the version resource of an installer stub: from the SETUP.EXE
// this build made, and from a small hand-built PE file with each step of
// the way to the resource damaged in turn.
#include "reading/stub_version.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pagemix_version.h"
#include "temp_dir.hpp"

namespace pmsetup {

void PrintTo(const StubVersion& stub, std::ostream* out) { *out << '"' << stub.product << "\" " << stub.version; }

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 2; ++k) bytes.at(at + k) = static_cast<std::uint8_t>(value >> (8 * k));
}
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes.at(at + k) = static_cast<std::uint8_t>(value >> (8 * k));
}

Bytes Utf16(const std::string& text) {
  Bytes bytes;
  for (char c : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

void PadTo4(Bytes& bytes) { bytes.resize((bytes.size() + 3) & ~std::size_t{3}); }

// One block of a version resource, laid out as the resource compiler
// lays it out: header, key, value and children, each part 4-aligned.
Bytes VersionBlock(const std::string& key, const Bytes& value, std::uint16_t value_length, bool text,
                   const std::vector<Bytes>& children = {}) {
  Bytes block(6);
  const Bytes name = Utf16(key);
  block.insert(block.end(), name.begin(), name.end());
  PadTo4(block);
  block.insert(block.end(), value.begin(), value.end());
  for (const Bytes& child : children) {
    PadTo4(block);
    block.insert(block.end(), child.begin(), child.end());
  }
  Put16(block, 0, static_cast<std::uint32_t>(block.size()));
  Put16(block, 2, value_length);
  Put16(block, 4, text ? 1 : 0);
  return block;
}

Bytes StringValue(const std::string& key, const std::string& text) {
  return VersionBlock(key, Utf16(text), static_cast<std::uint16_t>(text.size() + 1), true);
}

// File offsets in the hand-built executable.
constexpr std::size_t kPe = 0x40, kOptional = kPe + 24, kResources = 0x200, kNames = kResources + 0x18,
                      kLanguages = kResources + 0x30, kDataEntry = kResources + 0x48, kVersion = kResources + 0x58;
constexpr std::uint32_t kSectionRva = 0x3000;

// A PE file whose only section holds the resources: one RT_VERSION
// resource, version 1.2.3.0 of "Quillpress", whose string table names
// the description before the product.
Bytes HandBuiltExe(bool pe32_plus = false) {
  Bytes fixed(52);
  Put32(fixed, 0, 0xFEEF04BD);
  Put32(fixed, 8, 0x00010002);
  Put32(fixed, 12, 0x00030000);
  const Bytes table = VersionBlock("040904E4", {}, 0, true,
                                   {StringValue("FileDescription", "Quillpress installer"),
                                    StringValue("ProductName", "Quillpress"), StringValue("FileVersion", "1.2.3")});
  Bytes translation = {0x09, 0x04, 0xE4, 0x04};
  const Bytes version = VersionBlock(
      "VS_VERSION_INFO", fixed, 52, false,
      {VersionBlock("StringFileInfo", {}, 0, true, {table}),
       VersionBlock("VarFileInfo", {}, 0, true, {VersionBlock("Translation", translation, 4, false)})});

  const std::uint32_t optional_size = pe32_plus ? 240 : 224, directories = pe32_plus ? 112 : 96;
  const std::size_t section = kOptional + optional_size;
  const std::uint32_t resources_size = static_cast<std::uint32_t>(kVersion - kResources + version.size());
  Bytes exe(kVersion);
  exe[0] = 'M', exe[1] = 'Z';
  Put32(exe, 0x3C, kPe);
  Put32(exe, kPe, 0x00004550);
  Put16(exe, kPe + 4, pe32_plus ? 0x8664 : 0x14C);
  Put16(exe, kPe + 6, 1);
  Put16(exe, kPe + 20, optional_size);
  Put16(exe, kOptional, pe32_plus ? 0x20B : 0x10B);
  Put32(exe, kOptional + directories - 4, 16);
  Put32(exe, kOptional + directories + 16, kSectionRva);
  Put32(exe, kOptional + directories + 20, resources_size);
  std::copy_n(".rsrc", 5, exe.begin() + section);
  Put32(exe, section + 8, resources_size);
  Put32(exe, section + 12, kSectionRva);
  Put32(exe, section + 16, resources_size);
  Put32(exe, section + 20, kResources);
  // Type 16, name 1, language 0x409: one entry per level, then the leaf.
  const std::size_t levels[][3] = {{kResources, 16, 0x80000018}, {kNames, 1, 0x80000030}, {kLanguages, 0x409, 0x48}};
  for (const auto& [at, id, next] : levels) {
    Put16(exe, at + 14, 1);
    Put32(exe, at + 16, static_cast<std::uint32_t>(id));
    Put32(exe, at + 20, static_cast<std::uint32_t>(next));
  }
  Put32(exe, kDataEntry, kSectionRva + static_cast<std::uint32_t>(kVersion - kResources));
  Put32(exe, kDataEntry + 4, static_cast<std::uint32_t>(version.size()));
  exe.insert(exe.end(), version.begin(), version.end());
  return exe;
}

// Where the block with this key starts.
std::size_t BlockAt(const Bytes& exe, const std::string& key) {
  const Bytes name = Utf16(key);
  const auto found = std::search(exe.begin() + kVersion, exe.end(), name.begin(), name.end());
  return static_cast<std::size_t>(found - exe.begin()) - 6;
}

const StubVersion kHandBuilt{"Quillpress", "1.2.3"};

TEST(StubVersion, HandBuiltExeAndItsDamages) {
  const std::size_t section = kOptional + 224, directory = kOptional + 96 + 16, fixed = kVersion + 40;
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
    std::optional<StubVersion> expected;
  };
  const std::optional<StubVersion> kNone;
  const StubVersion kNoProduct{"", "1.2.3"};
  const Case cases[] = {
      {"as built", [](Bytes&) {}, kHandBuilt},
      {"PE32+", [](Bytes& e) { e = HandBuiltExe(true); }, kHandBuilt},
      {"data appended after the image", [](Bytes& e) { e.resize(e.size() + 5000, 0xEE); }, kHandBuilt},
      {"fourth version part", [](Bytes& e) { Put32(e, fixed + 12, 0x00030007); }, StubVersion{"Quillpress", "1.2.3.7"}},
      {"parts of 65535", [](Bytes& e) { Put32(e, fixed + 8, 0xFFFFFFFF); }, StubVersion{"Quillpress", "65535.65535.3"}},
      {"product outside ASCII", [](Bytes& e) { Put16(e, BlockAt(e, "ProductName") + 32, 0x00E9); }, StubVersion{"?uillpress", "1.2.3"}},
      {"product length past its block", [](Bytes& e) { Put16(e, BlockAt(e, "ProductName") + 2, 0x7FFF); }, kHandBuilt},
      // The way to the resource.
      {"no MZ", [](Bytes& e) { e[0] = 'Z'; }, kNone},
      {"PE header past the end", [](Bytes& e) { Put32(e, 0x3C, static_cast<std::uint32_t>(e.size() - 2)); }, kNone},
      {"PE header at 2^32-4", [](Bytes& e) { Put32(e, 0x3C, 0xFFFFFFFC); }, kNone},
      {"no PE signature", [](Bytes& e) { e[kPe] = 'N'; }, kNone},
      {"unknown optional header", [](Bytes& e) { Put16(e, kOptional, 0x107); }, kNone},
      {"two data directories", [](Bytes& e) { Put32(e, kOptional + 92, 2); }, kNone},
      {"no resource directory", [&](Bytes& e) { Put32(e, directory, 0); Put32(e, directory + 4, 0); }, kNone},
      {"resources outside the section", [&](Bytes& e) { Put32(e, directory, kSectionRva + 0x1000); }, kNone},
      {"resources longer than the section", [&](Bytes& e) { Put32(e, directory + 4, 0x1000); }, kNone},
      // The tree alone in the section's data, the version data in the file after it.
      {"version data after the section's data", [&](Bytes& e) { Put32(e, directory + 4, 0x58); Put32(e, section + 16, 0x58); }, kNone},
      {"version data running past the section's data", [&](Bytes& e) { Put32(e, directory + 4, 0x58); Put32(e, section + 16, 0x60); }, kNone},
      {"resources at 2^32-16", [&](Bytes& e) { Put32(e, directory, 0xFFFFFFF0); }, kNone},
      {"no sections", [](Bytes& e) { Put16(e, kPe + 6, 0); }, kNone},
      {"section data past the end", [&](Bytes& e) { Put32(e, section + 20, 0x10000); }, kNone},
      {"section data at 2^32-1", [&](Bytes& e) { Put32(e, section + 20, 0xFFFFFFFF); }, kNone},
      {"section table past the end", [](Bytes& e) { Put16(e, kPe + 20, 0xFFF0); }, kNone},
      // The resource tree.
      {"dialogs only", [](Bytes& e) { Put32(e, kResources + 16, 5); }, kNone},
      {"version type without entries", [](Bytes& e) { Put16(e, kResources + 14, 0); }, kNone},
      {"version type as a leaf", [](Bytes& e) { Put32(e, kResources + 20, 0x18); }, kNone},
      {"names past the section", [](Bytes& e) { Put32(e, kResources + 20, 0xFFFFFFF0); }, kNone},
      {"language level points back at itself", [](Bytes& e) { Put32(e, kLanguages + 20, 0x80000030); }, kNone},
      {"65535 types past the section, no version", [](Bytes& e) { Put16(e, kResources + 12, 0xFFFF); Put32(e, kResources + 16, 5); }, kNone},
      {"leaf past the section", [](Bytes& e) { Put32(e, kLanguages + 20, 0x7FFFFFF0); }, kNone},
      {"version data past the section", [](Bytes& e) { Put32(e, kDataEntry + 4, 0x1000); }, kNone},
      {"version data at 2^32-16", [](Bytes& e) { Put32(e, kDataEntry, 0xFFFFFFF0); }, kNone},
      // The version blocks.
      {"root of length 0", [](Bytes& e) { Put16(e, kVersion, 0); }, kNone},
      {"root longer than its data", [](Bytes& e) { Put16(e, kVersion, static_cast<std::uint32_t>(e.size() - kVersion + 4)); }, kNone},
      {"root under another key", [](Bytes& e) { e[kVersion + 6] = 'W'; }, kNone},
      {"fixed information cut short", [](Bytes& e) { Put16(e, kVersion + 2, 48); }, kNone},
      {"fixed information signature", [&](Bytes& e) { Put32(e, fixed, 0xFEEF04BC); }, kNone},
      {"no StringFileInfo", [](Bytes& e) { e[BlockAt(e, "StringFileInfo") + 6] = 'Z'; }, kNoProduct},
      {"no ProductName", [](Bytes& e) { e[BlockAt(e, "ProductName") + 6] = 'Z'; }, kNoProduct},
      {"description of length 0 before the product", [](Bytes& e) { Put16(e, BlockAt(e, "FileDescription"), 0); }, kNoProduct},
      {"table longer than StringFileInfo", [](Bytes& e) { Put16(e, BlockAt(e, "040904E4"), 0x400); }, kNoProduct},
      {"key without its zero", [](Bytes& e) { const std::size_t at = BlockAt(e, "ProductName"); Put16(e, at, 28); }, kNoProduct},
  };
  for (const Case& c : cases) {
    Bytes exe = HandBuiltExe();
    c.change(exe);
    EXPECT_EQ(ReadStubVersion(exe), c.expected) << c.name;
  }
}

// Cut anywhere before the end of its version data, the file has no
// version; from there on, the whole one.
TEST(StubVersion, CutShortAnywhere) {
  const Bytes exe = HandBuiltExe();
  for (std::size_t size = 0; size < exe.size(); ++size) {
    ASSERT_EQ(ReadStubVersion(std::span(exe).first(size)), std::nullopt) << size;
  }
  EXPECT_EQ(ReadStubVersion(exe), kHandBuilt);
}

TEST(StubVersion, FromAFileAndWhatIsNoFile) {
  testing_support::TempDir dir;
  testing_support::WriteBytes(dir.File("SETUP.EXE"), HandBuiltExe());
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadStubVersionOf(dir.File("SETUP.EXE")), kHandBuilt);
  for (const char* other : {"absent", "fifo", ""}) EXPECT_EQ(ReadStubVersionOf(dir.File(other)), std::nullopt) << other;
  EXPECT_EQ(DescribeStubVersion(kHandBuilt), "Quillpress 1.2.3");
  EXPECT_EQ(DescribeStubVersion(StubVersion{"", "1.2.3"}), "version 1.2.3");
}

// Every flavour of SETUP.EXE that the Windows presets built carries this
// build's version, also with a package appended.
TEST(StubVersion, BuiltStubsCarryTheProjectVersion) {
  const StubVersion expected{"Pagemix Setup", PAGEMIX_VERSION_TEXT};
  int read = 0;
  for (const char* build : {PAGEMIX_WIN32_DIR, PAGEMIX_WIN64_DIR}) {
    const std::filesystem::path folder = std::filesystem::path(build) / "src";
    if (!std::filesystem::exists(folder / "SETUP.EXE")) continue;
    for (const char* name : {"SETUP.EXE", "SETUP_NOMAIN.EXE", "SETUP_NOPROGRESS.EXE", "SETUP_NOGROUP.EXE",
                             "SETUP_NOGENERIC.EXE", "SETUP_9X.EXE"}) {
      Bytes exe = testing_support::ReadBytes((folder / name).string());
      EXPECT_EQ(ReadStubVersion(exe), expected) << folder / name;
      exe.resize(exe.size() + 70000, 0x5A);
      EXPECT_EQ(ReadStubVersion(exe), expected) << folder / name << " with data appended";
      ++read;
    }
  }
  if (read == 0) GTEST_SKIP() << "no SETUP.EXE in " << PAGEMIX_WIN32_DIR << " or " << PAGEMIX_WIN64_DIR << ": build a Windows preset";
}

}  // namespace
}  // namespace pmsetup
