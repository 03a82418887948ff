// Native installation against the decoder alone, on the same stream: how
// much the extraction pipeline (volume reads, output blocks, progress,
// carving) adds to decoding.
//
//   install_bench [--benchmark_filter=...]
//
// All report bytes of payload per second; the payload is 64 MiB of text
// and executables in 16 files over 4 volumes.  BM_InstallChecked installs
// the same package with an integrity record: every volume and the payload
// are checked against their CRC-32s.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "common/crc32.hpp"
#include "corpus.hpp"
#include "memory_stream.hpp"
#include "extract/front_end.hpp"
#include "installer.hpp"
#include "lzh/decoder.hpp"
#include "lzh/format.hpp"
#include "package_builder.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPayloadSize = 64 << 20;
constexpr int kFiles = 16;

struct Fixture {
  testing_support::TempDir dir;
  testing_support::BuiltPackage package;
  Bytes stream;

  // The package's SETUP.EXE with an integrity record, beside the other.
  std::string Checked() const { return (dir.path() / "package" / "CHECKED.EXE").string(); }

  Fixture() {
    const Bytes corpus = bench::MixedCorpus(kPayloadSize);
    std::vector<testing_support::PackageFile> files;
    const std::size_t share = corpus.size() / kFiles;
    for (int k = 0; k < kFiles; ++k) {
      const auto first = corpus.begin() + static_cast<std::ptrdiff_t>(k * share);
      files.push_back({"FILE" + std::to_string(k) + ".BIN", Bytes(first, first + static_cast<std::ptrdiff_t>(share))});
    }
    fs::create_directory(dir.path() / "package");
    package = testing_support::BuildPackage((dir.path() / "package").string(), files, {1 << 22, 1 << 22, 1 << 22});
    testing_support::WriteWithIntegrityRecord(package, Checked());
    for (const std::string& volume : package.volumes) {
      const Bytes part = testing_support::ReadBytes(volume);
      stream.insert(stream.end(), part.begin(), part.end());
    }
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_DecodeOnly(benchmark::State& state) {
  Fixture& fixture = Shared();
  Bytes out(fixture.package.payload.size() + lzh::MaxMatch);
  for (auto _ : state) {
    bench::StartStream(fixture.stream, out);
    const std::int32_t running = 1;
    lzh::LzhDecode(static_cast<std::int32_t>(fixture.package.payload.size()), bench::Read, bench::Write, running);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.package.payload.size()));
}
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

bool NeverAsked(const std::string&, int, bool) { return false; }

void Install(benchmark::State& state, const std::string& setup_exe) {
  Fixture& fixture = Shared();
  const std::string destination = (fixture.dir.path() / "installed").string();
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(destination);
    state.ResumeTiming();
    if (!pmsetup::LoadPackage(setup_exe, {nullptr, NeverAsked, nullptr}).empty() ||
        !pmsetup::InstallInto(pmsetup::InstallerPath(destination)).installed) {
      state.SkipWithError("installation failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.package.payload.size()));
}

void BM_Install(benchmark::State& state) { Install(state, Shared().package.setup_exe); }
BENCHMARK(BM_Install)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_InstallChecked(benchmark::State& state) { Install(state, Shared().Checked()); }
BENCHMARK(BM_InstallChecked)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What the check adds, measured alone (the difference of the two above
// is within their noise): the CRC-32 of every volume and of the payload.
void BM_ChecksumsOfInstall(benchmark::State& state) {
  Fixture& fixture = Shared();
  for (auto _ : state) {
    std::uint32_t crc = common::UpdateCrc32(0, fixture.stream.data(), fixture.stream.size());
    crc ^= common::UpdateCrc32(0, fixture.package.payload.data(), fixture.package.payload.size());
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.package.payload.size()));
}
BENCHMARK(BM_ChecksumsOfInstall)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
