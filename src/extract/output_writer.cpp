#include "extract/output_writer.hpp"

#include <cstring>

#include "common/session.hpp"
#include "extract/progress_count.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"

namespace extract {

void WriteCollected() {
  const std::uint32_t collected = Transfer.WritePos - 1u;
  std::uint32_t written = 0;
  const platform::IoResult result =
      platform::FileWrite(Transfer.OutputHandle, Buffers->OutputBuffer, collected, written);
  if (result != platform::kIoOk || written != collected) {
    EndRun(Outcome::kWriteFailed, common::Session.BlobPath, result != platform::kIoOk ? result : platform::kShortRead);
  }
  AdvanceProgress(written);
}

void OutputWriter(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& taken) {
  taken = 0;
  if (!Extraction.Running) return;
  if (count == 0) {
    WriteCollected();
    return;
  }
  taken = count;
  TransferState& t = Transfer;
  MakeRoom(count);
  // The decoder's every call is of one byte: no copy call for it.
  if (count == 1) Buffers->OutputBuffer[t.WritePos - 1] = buffer[0];
  else std::memcpy(Buffers->OutputBuffer + t.WritePos - 1, buffer, count);
  t.WritePos = static_cast<std::uint16_t>(t.WritePos + count);
}

}  // namespace extract
