// The decoder's output: the payload, collected in 2048-byte blocks
// (OutputBuffer, transfer.hpp) and written to the payload file
// (BlobPath), each write reported to the progress count.  A call with a
// count of 0 writes out what is collected.  A write that fails or falls
// short stops the run: the payload would be incomplete.
#pragma once

#include <cstdint>

namespace extract {

// The decoder's WriteProc.
void OutputWriter(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& taken);

}  // namespace extract
