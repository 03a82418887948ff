// The decoder's output: the payload, collected in 2048-byte blocks and
// written to the payload file (BlobPath), each write reported to the
// progress meter.  A call with a count of 0 writes out what is collected.
#pragma once

#include <cstdint>

#include "platform/file.hpp"

namespace extract {

inline std::uint16_t WritePos = 1;  // 1-based position for the next byte
inline platform::FileHandle OutputHandle = 0;
// A write that failed or fell short stops the run: the payload would be
// incomplete.
inline bool WriteFailed = false;

// The decoder's WriteProc.
void OutputWriter(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& taken);

}  // namespace extract
