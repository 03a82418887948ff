#include "extract/output_writer.hpp"

#include <algorithm>
#include <cstring>

#include "common/crc32.hpp"
#include "common/session.hpp"
#include "extract/progress_count.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"
#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

// The payload's CRC covers its TotalSize bytes: a final match may run
// past them.
void AddToPayloadCrc(std::uint32_t count) {
  TransferState& t = Transfer;
  const std::int64_t wanted = std::min<std::int64_t>(count, package::Setup.TotalSize - t.PayloadBytes);
  if (wanted <= 0) return;
  t.PayloadCrc = common::UpdateCrc32(t.PayloadCrc, Buffers->OutputBuffer, static_cast<std::size_t>(wanted));
  t.PayloadBytes += wanted;
}

}  // namespace

void WriteCollected() {
  const std::uint32_t collected = Transfer.WritePos - 1u;
  std::uint32_t written = 0;
  const platform::IoResult result =
      platform::FileWrite(Transfer.OutputHandle, Buffers->OutputBuffer, collected, written);
  if (result != platform::kIoOk || written != collected) {
    EndRun(Outcome::kWriteFailed, common::Session.BlobPath, result != platform::kIoOk ? result : platform::kShortRead);
  }
  if (package::Integrity.Present) AddToPayloadCrc(written);
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
