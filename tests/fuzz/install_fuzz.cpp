// A whole native installation of a fuzzed package: arbitrary SETUP.EXE
// bytes and volumes, installed into a fresh folder with nobody to answer
// questions.  It must end, close every file, and write nothing outside
// the destination.
//
// Input: one byte with the number of volumes (1 to 3), then SETUP.EXE and
// each volume as a 2-byte little-endian length followed by that many
// bytes (cut short where the input ends).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "extract/run_state.hpp"
#include "extract/front_end.hpp"
#include "installing/installer.hpp"
#include "platform/fault_injection.hpp"

namespace {

namespace fs = std::filesystem;

bool Decline(const std::string&, int, bool) { return false; }

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::vector<std::uint8_t> Take() {
    if (size < 2) return {};
    std::size_t length = data[0] | data[1] << 8;
    data += 2, size -= 2;
    length = std::min(length, size);
    std::vector<std::uint8_t> part(data, data + length);
    data += length, size -= length;
    return part;
  }
};

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const fs::path root = fs::temp_directory_path() / ("pagemix-fuzz-install-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "package");
  Reader in{data + 1, size - 1};
  Write(root / "package" / "SETUP.EXE", in.Take());
  const int volumes = 1 + data[0] % 3;
  for (int k = 1; k <= volumes; ++k) Write(root / "package" / ("DISK" + std::to_string(k) + ".CMP"), in.Take());

  if (pmsetup::LoadPackage((root / "package" / "SETUP.EXE").string(), {nullptr, Decline, nullptr}).empty()) {
    pmsetup::InstallInto(pmsetup::InstallerPath((root / "installed").string()));
  }
  if (platform::OpenFileCount() != 0 || extract::Extraction.Running) std::abort();
  // Only the package and the destination may exist under the root.
  for (const auto& entry : fs::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name != "package" && name != "installed") std::abort();
  }
  if (fs::exists(root / "installed")) {
    for (const auto& entry : fs::recursive_directory_iterator(root / "installed")) {
      if (entry.is_directory()) std::abort();  // files go directly into the destination
    }
  }
  return 0;
}
