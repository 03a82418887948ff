// Every SETUP flavour built imports only what allowed_imports.txt allows:
// Wine, which has every DLL, never shows an import that Windows 95 lacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "reading/pe_image.hpp"

namespace {

using pmsetup::Bytes;
using pmsetup::PeReader;

struct Import {
  std::string dll;       // upper case, as the list spells it
  std::string function;  // "#N" for one imported by ordinal
  auto operator<=>(const Import&) const = default;
};

std::string Upper(std::string text) {
  for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
  return text;
}

// The lines "DLL | function | 95 | NT 3.x | ...": a function that needs a
// later Windows 95 family or NT than the first ones is no use.
std::set<Import> AllowedImports() {
  std::ifstream list(PAGEMIX_ALLOWED_IMPORTS);
  std::set<Import> allowed;
  for (std::string line; std::getline(list, line);) {
    std::istringstream fields(line);
    std::string dll, bar, function, nine_x, nt, nt_version;
    if (line.empty() || line[0] == '#') continue;
    fields >> dll >> bar >> function >> bar >> nine_x >> bar >> nt >> nt_version;
    EXPECT_TRUE(nine_x == "95" && nt == "NT" && nt_version <= "3.51") << line;
    allowed.insert({Upper(dll), function});
  }
  return allowed;
}

// The zero-terminated text at rva; empty when it runs off its section.
std::string TextAt(Bytes exe, std::uint64_t rva) {
  const auto bytes = rva <= UINT32_MAX ? pmsetup::ImageBytesFrom(exe, static_cast<std::uint32_t>(rva)) : std::nullopt;
  const auto end = bytes ? std::find(bytes->begin(), bytes->end(), 0) : Bytes::iterator();
  return bytes && end != bytes->end() ? std::string(bytes->begin(), end) : std::string();
}

// The import table: a descriptor of 20 bytes per DLL, ended by one of
// zeros, each leading to a zero-ended list of thunks (4 bytes, or 8 in a
// 64-bit image) that import by ordinal (top bit set) or by a hint and name.
std::vector<Import> ReadImports(Bytes exe) {
  const auto table = pmsetup::DirectoryOf(exe, pmsetup::PeDirectory::kImports);
  if (!table) return {{"", "(no import table)"}};
  const std::uint64_t ordinal_flag = table->pe32_plus ? 1ull << 63 : 1ull << 31;
  const unsigned thunk_size = table->pe32_plus ? 8 : 4;
  PeReader descriptors(table->bytes);
  std::vector<Import> imports;
  for (std::uint64_t at = 0; descriptors.U32(at + 12) != 0 && descriptors.ok(); at += 20) {
    const std::string dll = Upper(TextAt(exe, descriptors.U32(at + 12)));
    const std::uint32_t lookup = descriptors.U32(at) != 0 ? descriptors.U32(at) : descriptors.U32(at + 16);
    const auto thunk_bytes = pmsetup::ImageBytesFrom(exe, lookup);
    if (!thunk_bytes) return {{dll, "(unreadable thunks)"}};
    PeReader thunks(*thunk_bytes);
    for (std::uint64_t k = 0;; k += thunk_size) {
      const std::uint64_t thunk = table->pe32_plus ? thunks.U64(k) : thunks.U32(k);
      if (thunk == 0 || !thunks.ok()) break;
      imports.push_back({dll, thunk & ordinal_flag ? "#" + std::to_string(thunk & 0xFFFF) : TextAt(exe, thunk + 2)});
    }
  }
  return imports;
}

TEST(SetupImportsTest, EveryFlavourImportsOnlyWhatTheListAllows) {
  const std::set<Import> allowed = AllowedImports();
  ASSERT_GT(allowed.size(), 50u) << "cannot read " << PAGEMIX_ALLOWED_IMPORTS;
  int flavours = 0;
  for (const std::filesystem::path build : {PAGEMIX_WIN32_DIR, PAGEMIX_WIN64_DIR}) {
    if (build.empty() || !std::filesystem::is_directory(build / "src")) continue;
    for (const auto& entry : std::filesystem::directory_iterator(build / "src")) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("SETUP", 0) != 0 || entry.path().extension() != ".EXE") continue;
      std::ifstream file(entry.path(), std::ios::binary);
      const std::vector<std::uint8_t> exe{std::istreambuf_iterator<char>(file), {}};
      const std::vector<Import> imports = ReadImports(exe);
      EXPECT_GT(imports.size(), 10u) << entry.path();
      for (const Import& import : imports) {
        EXPECT_TRUE(allowed.contains(import))
            << entry.path() << " imports " << import.dll << " " << import.function << ", which the list does not allow";
      }
      // Its file layer must stand in for MoveFileExA, or its tests prove nothing.
      if (name == "SETUP_9X.EXE") {
        EXPECT_FALSE(std::ranges::count(imports, Import{"KERNEL32.DLL", "MoveFileExA"}));
      }
      ++flavours;
    }
  }
  // The 32-bit preset alone makes SETUP.EXE and its five test flavours.
  EXPECT_GE(flavours, 6);
}

}  // namespace
