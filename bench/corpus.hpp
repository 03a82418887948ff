// The benchmark corpus: the kinds of files installers carry, taken from
// what every build machine has (licence texts, manuals, executables and
// libraries), so that figures are comparable between runs.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

// size bytes: text and executables, in equal shares.
std::vector<std::uint8_t> MixedCorpus(std::size_t size);

}  // namespace bench
