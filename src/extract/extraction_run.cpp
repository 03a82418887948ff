#include "extract/extraction_run.hpp"

#include "driver/session.hpp"
#include "extract/file_splitter.hpp"
#include "extract/output_writer.hpp"
#include "extract/progress_meter.hpp"
#include "extract/stop_point.hpp"
#include "extract/volume_reader.hpp"
#include "lzh/decoder.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

using package::Setup;

// Creates the payload file, or failing that opens an existing one without
// truncating it (it is then overwritten from the start).
platform::FileHandle OpenOutput() {
  platform::FileHandle handle = platform::kNoFile;
  if (platform::FileOpen(driver::BlobPath, platform::kRead | platform::kWrite, platform::kShareNone,
                         platform::Disposition::kCreateAlways, handle) == platform::kIoOk) {
    OutputCreated = true;
    return handle;
  }
  StopAt(driver::BlobPath, platform::FileOpen(driver::BlobPath, platform::kWrite,
                                              platform::kShareRead | platform::kShareWrite,
                                              platform::Disposition::kOpenExisting, handle));
  return handle;
}

// Input that the payload did not use up: the volumes and the setup data
// do not fit together.
bool InputLeftOver = false;

void ResetTransferState() {
  ReadPos = 1;
  ReadFill = 0;
  WritePos = 1;
  DiskNumber = 1;
  EmptyRequests = 0;
  InputRanDry = false;
  ReadFailed = false;
  WriteFailed = false;
  InputLeftOver = false;
}

// Decodes the payload into the output file; false when the decoder could
// not get its tables.
bool Decode() {
  if (lzh::LzhDecodeGuarded(Setup.TotalSize, VolumeReader, OutputWriter) != nullptr) {
    driver::Running = 0;
    return false;
  }
  // A stream cut short by a byte or two is not caught by the count of
  // empty requests; it is when a byte that never came was decoded.
  if (driver::Running && lzh::DecodedMissingInput(EmptyRequests)) {
    InputRanDry = true;
    driver::Running = 0;
  }
  // Input past the stream: a byte the decoder read ahead but did not use,
  // or one it never asked for, other than padding.
  std::uint8_t held[2];
  const int held_count = lzh::UnusedInput(EmptyRequests, held);
  if (driver::Running && !OnlyPaddingLeft(held, held_count)) {
    InputLeftOver = true;
    driver::Running = 0;
  }
  std::uint16_t ignored = 0;
  OutputWriter(nullptr, 0, ignored);
  return true;
}

// A volume that does not close cleanly has still been read; a payload
// file that does not may not hold what was written to it.
void CloseTransferFiles() {
  if (VolumeHandle > 0) platform::FileClose(VolumeHandle);
  if (OutputHandle > 0) {
    if (const platform::IoResult closed = platform::FileClose(OutputHandle)) {
      StopAt(driver::BlobPath, closed);
      WriteFailed = true;
    }
  }
  VolumeHandle = OutputHandle = 0;
}

Outcome Failure(Outcome outcome) {
  driver::Running = 0;
  return outcome;
}

}  // namespace

Outcome RunExtraction() {
  StoppedAt = {};
  OutputCreated = false;
  VolumeHandle = 0;
  DiskNumber = 1;
  OutputHandle = OpenOutput();
  if (OutputHandle <= 0) return Failure(Outcome::kCannotCreateOutput);
  ResetTransferState();
  SetProgressTotals(Setup.TotalSize, Setup.EntryCount);

  VolumeHandle = OpenVolume(1);
  if (VolumeHandle <= 0) {
    CloseTransferFiles();
    return Failure(Outcome::kNoFirstVolume);
  }

  const bool decoded = Decode();
  CloseTransferFiles();

  if (!decoded) return Failure(Outcome::kDecoderFailed);
  if (WriteFailed) return Failure(Outcome::kWriteFailed);
  if (InputRanDry) return Failure(Outcome::kInputRanDry);
  if (ReadFailed) return Failure(Outcome::kReadFailed);
  if (InputLeftOver) return Failure(Outcome::kInputLeftOver);
  if (!driver::Running) return Outcome::kCancelled;
  if (!SplitBlob()) return Failure(Outcome::kSplitFailed);
  return Outcome::kInstalled;
}

}  // namespace extract
