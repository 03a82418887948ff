#include "extract/output_writer.hpp"

#include <cstring>

#include "driver/session.hpp"
#include "extract/buffers.hpp"
#include "extract/progress_meter.hpp"
#include "extract/stop_point.hpp"

namespace extract {
namespace {

constexpr int kBlockSize = 2048;

void WriteCollected() {
  const std::uint32_t collected = WritePos - 1u;
  std::uint32_t written = 0;
  const platform::IoResult result = platform::FileWrite(OutputHandle, OutputBuffer, collected, written);
  if (result != platform::kIoOk || written != collected) {
    StopAt(driver::BlobPath, result != platform::kIoOk ? result : platform::kShortRead);
    WriteFailed = true;
    driver::Running = 0;
  }
  AdvanceProgress(written);
}

}  // namespace

void OutputWriter(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& taken) {
  taken = 0;
  if (!driver::Running) return;
  if (count == 0) {
    WriteCollected();
    return;
  }
  // The last byte of the payload also writes out what came before it, so
  // small payloads reach the file before the carving starts.
  if (WritePos - 1 + count > kBlockSize || WritePos + BytesDone >= ProgressTotal) {
    WriteCollected();
    WritePos = 1;
  }
  if (count == 1) OutputBuffer[WritePos - 1] = buffer[0];  // the decoder's every call
  else std::memcpy(OutputBuffer + WritePos - 1, buffer, count);
  WritePos = static_cast<std::uint16_t>(WritePos + count);
  taken = count;
}

}  // namespace extract
