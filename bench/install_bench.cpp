// Native installation against the decoder alone, on the same stream: how
// much the extraction pipeline (volume reads, output blocks, progress,
// carving) adds to decoding.
//
//   install_bench [--benchmark_filter=...]
//
// All report bytes of payload per second; the payload is 64 MiB of text
// and executables in 16 files.  The installations run over floppy-sized
// volumes (argument 0: 1,457,664 bytes each) and over one volume of the
// whole stream (argument 1).  BM_InstallChecked installs the same package
// with an integrity record: every volume is checked before it is decoded
// (a pass of its own over the volume) and at its end, and the payload
// before it is carved.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "common/crc32.hpp"
#include "corpus.hpp"
#include "memory_stream.hpp"
#include "extract/front_end.hpp"
#include "installing/installer.hpp"
#include "lzh/decoder.hpp"
#include "lzh/format.hpp"
#include "package_builder.hpp"
#include "temp_dir.hpp"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPayloadSize = 64 << 20;
constexpr int kFiles = 16;

constexpr std::size_t kFloppySize = 1457664;

struct Fixture {
  testing_support::TempDir dir;
  testing_support::BuiltPackage floppies, one_volume;
  Bytes stream;

  const testing_support::BuiltPackage& Package(std::int64_t layout) const { return layout == 0 ? floppies : one_volume; }
  // The package's SETUP.EXE with an integrity record, beside the other.
  std::string Checked(std::int64_t layout) const {
    return (fs::path(Package(layout).setup_exe).parent_path() / "CHECKED.EXE").string();
  }

  Fixture() {
    const Bytes corpus = bench::MixedCorpus(kPayloadSize);
    std::vector<testing_support::PackageFile> files;
    const std::size_t share = corpus.size() / kFiles;
    for (int k = 0; k < kFiles; ++k) {
      const auto first = corpus.begin() + static_cast<std::ptrdiff_t>(k * share);
      files.push_back({"FILE" + std::to_string(k) + ".BIN", Bytes(first, first + static_cast<std::ptrdiff_t>(share))});
    }
    fs::create_directory(dir.path() / "one");
    one_volume = testing_support::BuildPackage((dir.path() / "one").string(), files);
    stream = testing_support::ReadBytes(one_volume.volumes[0]);
    fs::create_directory(dir.path() / "floppies");
    const std::vector<std::size_t> floppy_sizes((stream.size() - 1) / kFloppySize, kFloppySize);
    floppies = testing_support::BuildPackage((dir.path() / "floppies").string(), files, floppy_sizes);
    for (std::int64_t layout : {0, 1}) testing_support::WriteWithIntegrityRecord(Package(layout), Checked(layout));
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_DecodeOnly(benchmark::State& state) {
  Fixture& fixture = Shared();
  Bytes out(fixture.one_volume.payload.size() + lzh::MaxMatch);
  for (auto _ : state) {
    bench::StartStream(fixture.stream, out);
    const std::int32_t running = 1;
    lzh::LzhDecode(static_cast<std::int32_t>(fixture.one_volume.payload.size()), bench::Read, bench::Write, running);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.one_volume.payload.size()));
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
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.one_volume.payload.size()));
}

void BM_Install(benchmark::State& state) { Install(state, Shared().Package(state.range(0)).setup_exe); }
BENCHMARK(BM_Install)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_InstallChecked(benchmark::State& state) { Install(state, Shared().Checked(state.range(0))); }
BENCHMARK(BM_InstallChecked)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// What the checks add, measured alone: the CRC-32 of every volume twice
// (before and while decoding) and of the payload.
void BM_ChecksumsOfInstall(benchmark::State& state) {
  Fixture& fixture = Shared();
  for (auto _ : state) {
    std::uint32_t crc = common::UpdateCrc32(0, fixture.stream.data(), fixture.stream.size());
    crc ^= common::UpdateCrc32(0, fixture.stream.data(), fixture.stream.size());
    crc ^= common::UpdateCrc32(0, fixture.one_volume.payload.data(), fixture.one_volume.payload.size());
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture.one_volume.payload.size()));
}
BENCHMARK(BM_ChecksumsOfInstall)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
