// Codec speed in process, and the encoder's output size against greedy
// parsing measured in the same run.
//
//   codec_bench [--benchmark_filter=...]
//
// Decode figures are bytes of output per second through the same one-byte
// callbacks the installer uses; encode figures are bytes of input per
// second.  The "ratio" counter is output size / input size; "vs_greedy"
// is output size / greedy output size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>

#include "corpus.hpp"
#include "memory_stream.hpp"
#include "lzh/decoder.hpp"
#include "lzh/encoder.hpp"
#include "lzh/format.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kCorpusSize = 16 << 20;

const Bytes& Corpus() {
  static const Bytes corpus = bench::MixedCorpus(kCorpusSize);
  return corpus;
}

const Bytes& Packed(lzh::Parsing parsing) {
  static std::map<lzh::Parsing, Bytes> cache;
  auto it = cache.find(parsing);
  if (it == cache.end()) it = cache.emplace(parsing, lzh::LzhEncode(Corpus(), parsing)).first;
  return it->second;
}

void BM_Decode(benchmark::State& state) {
  const Bytes& packed = Packed(lzh::Parsing::kOptimal);
  Bytes out(Corpus().size() + lzh::MaxMatch);
  for (auto _ : state) {
    bench::StartStream(packed, out);
    const std::int32_t running = 1;
    lzh::LzhDecode(static_cast<std::int32_t>(Corpus().size()), bench::Read, bench::Write, running);
  }
  if (!std::equal(Corpus().begin(), Corpus().end(), out.begin())) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Corpus().size()));
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state) {
  const auto parsing = static_cast<lzh::Parsing>(state.range(0));
  Bytes packed;
  for (auto _ : state) packed = lzh::LzhEncode(Corpus(), parsing);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Corpus().size()));
  state.counters["ratio"] = static_cast<double>(packed.size()) / Corpus().size();
  state.counters["vs_greedy"] = static_cast<double>(packed.size()) / Packed(lzh::Parsing::kGreedy).size();
}
BENCHMARK(BM_Encode)
    ->ArgName("parsing")
    ->Arg(static_cast<int>(lzh::Parsing::kGreedy))
    ->Arg(static_cast<int>(lzh::Parsing::kLazy))
    ->Arg(static_cast<int>(lzh::Parsing::kOptimal))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
