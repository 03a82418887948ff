// Arbitrary bytes as a SETUP.EXE: reading the setup block must end with a
// result, keep a consistent list and never read out of bounds.  Reading
// the stub's version resource must never read out of bounds either, and
// a version found in the first part of the bytes stays the same when the
// rest follows (a package's data after the stub leaves it alone).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "package/setup_block.hpp"
#include "reading/stub_version.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/pagemix-fuzz-setup-" + std::to_string(getpid()) + ".exe";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  package::SetupBlock block;
  package::ReadSetupBlock(path, block);
  int linked = 0;
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) ++linked;
  if (linked != block.EntryCount) std::abort();
  static_cast<void>(package::PackageDefect(block));
  package::FreeFileList(block);

  const std::span<const std::uint8_t> bytes(data, size);
  const std::optional<pmsetup::StubVersion> whole = pmsetup::ReadStubVersion(bytes);
  const std::optional<pmsetup::StubVersion> part = pmsetup::ReadStubVersion(bytes.first(size / 2));
  if (part && part != whole) std::abort();
  if (whole && whole->version.empty()) std::abort();
  return 0;
}
