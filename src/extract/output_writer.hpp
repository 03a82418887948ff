// The decoder's output: the payload, collected in 2048-byte blocks
// (OutputBuffer, transfer.hpp) and written to the payload file
// (BlobPath), each write reported to the progress count.  A call with a
// count of 0 writes out what is collected.  A write that fails or falls
// short stops the run: the payload would be incomplete.
#pragma once

#include <cstdint>

#include "extract/progress_count.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"

namespace extract {

constexpr int kBlockSize = 2048;

// The decoder's WriteProc.
void OutputWriter(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& taken);

// Writes out what is collected.
void WriteCollected();

// Makes room for count more bytes in the block (the callback's step, and
// the tools' inlined writer's when its room runs out).  The last byte of the
// payload also writes out what came before it, so small payloads reach
// the file before the carving starts.
inline void MakeRoom(std::uint16_t count) {
  TransferState& t = Transfer;
  if (t.WritePos - 1 + count > kBlockSize || t.WritePos + Progress.BytesDone >= Progress.ProgressTotal) {
    WriteCollected();
    t.WritePos = 1;
  }
}

}  // namespace extract
