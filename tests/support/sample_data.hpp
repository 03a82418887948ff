// Deterministic test data of the kinds packages hold.
#pragma once

#include <cstdint>
#include <vector>

namespace testing_support {

// Uniformly random bytes.
std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed);
// English-like prose: words, spaces, punctuation and line breaks.
std::vector<std::uint8_t> ProseText(std::size_t size, std::uint32_t seed);
// Structured binary: records of small integers, repeated strings and zeros,
// like program code and data sections.
std::vector<std::uint8_t> StructuredBinary(std::size_t size, std::uint32_t seed);

}  // namespace testing_support
