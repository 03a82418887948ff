// greedy_size FILE: the size of FILE's stream under each parsing, so that
// the encoder's output can be set against greedy parsing of the same input.
#include <iostream>

#include "lzh/encoder.hpp"
#include "temp_dir.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: greedy_size FILE\n";
    return 2;
  }
  const std::vector<std::uint8_t> input = testing_support::ReadBytes(argv[1]);
  std::cout << "greedy " << lzh::LzhEncode(input, lzh::Parsing::kGreedy).size() << '\n';
  std::cout << "lazy " << lzh::LzhEncode(input, lzh::Parsing::kLazy).size() << '\n';
  return 0;
}
