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
  // The decoder's every call: the same step the tools' inlined decoder takes.
  if (count == 1) return WriteOutputByte(buffer[0]);
  TransferState& t = Transfer;
  MakeRoom(count);
  std::memcpy(Buffers->OutputBuffer + t.WritePos - 1, buffer, count);
  t.WritePos = static_cast<std::uint16_t>(t.WritePos + count);
}

}  // namespace extract
