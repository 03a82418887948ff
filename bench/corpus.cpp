#include "corpus.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace bench {
namespace {

// Appends files from the list until the part holds `budget` bytes.
void TakeFiles(const std::vector<std::string>& paths, std::size_t budget, std::vector<std::uint8_t>& out) {
  const std::size_t goal = out.size() + budget;
  for (const std::string& path : paths) {
    std::ifstream in(path, std::ios::binary);
    if (!in) continue;
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::size_t take = std::min(bytes.size(), goal - out.size());
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    if (out.size() >= goal) return;
  }
}

std::vector<std::string> TextFiles() {
  std::vector<std::string> paths;
  for (const char* dir : {"/usr/share/common-licenses", "/usr/share/perl/5.36", "/usr/include/c++/12"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, error)) {
      if (entry.is_regular_file() && entry.path().extension() != ".gz") paths.push_back(entry.path().string());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Wine's 32-bit DLLs, or its 64-bit ones on a host that has no 32-bit
// Wine: one set or the other, so that a host's corpus does not change
// when the other set is installed too.
std::string WineDlls() {
  const std::string i386 = "/usr/lib/i386-linux-gnu/wine/i386-windows/";
  return std::filesystem::exists(i386) ? i386 : "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";
}

std::vector<std::string> Executables() {
  const std::string dlls = WineDlls();
  return {dlls + "user32.dll", dlls + "kernelbase.dll", dlls + "shell32.dll", "/usr/lib/x86_64-linux-gnu/libstdc++.so.6",
          "/usr/bin/cmake"};
}

}  // namespace

std::vector<std::uint8_t> MixedCorpus(std::size_t size) {
  std::vector<std::uint8_t> corpus;
  TakeFiles(TextFiles(), size / 2, corpus);
  TakeFiles(Executables(), size - corpus.size(), corpus);
  // Too few files on this machine: repeat what there is (far beyond the
  // 4 KiB window, so the repeats compress no better).
  for (std::size_t k = 0; !corpus.empty() && corpus.size() < size; ++k) corpus.push_back(corpus[k]);
  return corpus;
}

}  // namespace bench
