// bench_files CORPUS_OUT [SIZE]: writes the benchmark corpus to a file.
// bench_files --lha STREAM ORIGINAL ARCHIVE_OUT: wraps a raw stream in a
// one-file LHA archive, so that lhasa can decode it for comparison.
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "corpus.hpp"
#include "lha_archive.hpp"
#include "temp_dir.hpp"

int main(int argc, char** argv) {
  using namespace testing_support;
  if (argc == 5 && std::strcmp(argv[1], "--lha") == 0) {
    WriteBytes(argv[4], LhaArchive(ReadBytes(argv[2]), ReadBytes(argv[3])));
    return 0;
  }
  if (argc == 2 || argc == 3) {
    const std::size_t size = argc == 3 ? std::strtoull(argv[2], nullptr, 0) : std::size_t{16} << 20;
    WriteBytes(argv[1], bench::MixedCorpus(size));
    return 0;
  }
  std::cerr << "usage: bench_files CORPUS_OUT [SIZE] | bench_files --lha STREAM ORIGINAL ARCHIVE_OUT\n";
  return 2;
}
