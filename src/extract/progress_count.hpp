// Progress accounting of an extraction; the front end draws it.
//
// One unit is one byte written to the payload file; the file splitter
// reports FileStep units before each file it carves and once more before
// it cuts the payload down to the main program.  With FileStep a third of
// the payload's share per file, decoding fills about three quarters of the
// bar and carving the last quarter, and a complete run reaches exactly
// ProgressTotal.  Totals are 64-bit, so payloads near 2 GiB cannot
// overflow them.
#pragma once

#include <cstdint>

namespace extract {

struct ProgressCount {
  std::int64_t BytesDone = 0;      // units reported so far
  std::int64_t ProgressTotal = 0;  // units that make 100%
  std::int64_t FileStep = 0;       // units per carved file
  int LastPercent = 0;             // the percentage last shown
};

inline ProgressCount Progress;

// Starts the count of a run afresh: FileStep and ProgressTotal for a
// payload of total_size bytes in entry_count files, nothing done yet.
void SetProgressTotals(std::int32_t total_size, std::int32_t entry_count);

// Adds n units; shows the whole percentage (halves round to even) when it
// changes.  A total of 0 counts as complete.
void AdvanceProgress(std::int64_t n);

}  // namespace extract
