#include "extract/extraction_run.hpp"

#include <algorithm>

#include "common/session.hpp"
#include "extract/file_splitter.hpp"
#include "extract/output_writer.hpp"
#include "extract/progress_count.hpp"
#include "extract/staged_files.hpp"
#include "extract/transfer.hpp"
#include "extract/volume_reader.hpp"
#include "lzh/decode_loop.hpp"
#include "lzh/decoder.hpp"
#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

using package::Setup;

// Creates the payload file under a temporary name of its own.
void OpenOutput() {
  if (const platform::IoResult created = CreatePending(common::Session.BlobPath, Transfer.OutputHandle)) {
    EndRun(Outcome::kCannotCreateOutput, common::Session.InstallDir, created);
  }
}

#if defined(PAGEMIX_INLINE_TRANSFER)
// The tools run the decoding loop with the volume reader and the output
// writer inlined: the same requests and the same bytes in the same order
// as through the callbacks (VolumeReader, OutputWriter).  Their places in
// the window and the block are kept by value (lzh::Stretch), and handed
// back to Transfer before any code outside the loop looks at them: a
// refill, a write, the end of the decoding.  A front end that names the
// flag its pump waits for has the pump run only while the flag is up.

using lzh::Stretch;

Stretch<const std::uint8_t> WindowLeft() {
  const std::uint8_t* const window = Buffers->InputBuffer;
  return {window + Transfer.ReadPos - 1, window + Transfer.ReadFill};
}

void KeepReadPos(const std::uint8_t* next) {
  Transfer.ReadPos = static_cast<std::uint16_t>(next - Buffers->InputBuffer + 1);
}

// Empty when the refill brought nothing.
[[gnu::noinline]] Stretch<const std::uint8_t> Refilled(const std::uint8_t* next) {
  KeepReadPos(next);
  RefillWindow();
  return WindowLeft();
}

// Up to where bytes go into the block without MakeRoom writing anything
// out: its end, or the byte before the progress total is reached.
Stretch<std::uint8_t> RoomLeft() {
  std::uint8_t* const block = Buffers->OutputBuffer;
  const std::int64_t before_total = Progress.ProgressTotal - Progress.BytesDone - 1;
  return {block + Transfer.WritePos - 1, block + std::clamp<std::int64_t>(before_total, 0, kBlockSize)};
}

void KeepWritePos(const std::uint8_t* next) {
  Transfer.WritePos = static_cast<std::uint16_t>(next - Buffers->OutputBuffer + 1);
}

[[gnu::noinline]] Stretch<std::uint8_t> RoomMade(std::uint8_t* next) {
  KeepWritePos(next);
  MakeRoom(1);
  return RoomLeft();
}

class WindowInput {
 public:
  ~WindowInput() { KeepReadPos(window_.next); }

  std::uint8_t Next() {
    if (!Extraction.Running) return 0;
    if (window_.next >= window_.end) [[unlikely]] {
      window_ = Refilled(window_.next);
      if (window_.next >= window_.end) return 0;
    }
    const std::uint8_t byte = *window_.next++;
    if (pump_ != nullptr && (pump_wanted_ == nullptr || *pump_wanted_ != 0)) pump_();
    return byte;
  }

 private:
  Stretch<const std::uint8_t> window_ = WindowLeft();
  void (*const pump_)() = UserInterface.pump;
  const volatile std::sig_atomic_t* const pump_wanted_ = UserInterface.pump_wanted;
};

class BlockOutput {
 public:
  ~BlockOutput() { KeepWritePos(room_.next); }

  void Put(std::uint8_t byte) {
    if (!Extraction.Running) return;
    if (room_.next >= room_.end) [[unlikely]] room_ = RoomMade(room_.next);
    *room_.next++ = byte;
  }

 private:
  Stretch<std::uint8_t> room_ = RoomLeft();
};

const char* RunDecoder(lzh::InputLeft& left) {
  try {
    WindowInput in;
    BlockOutput out;
    left = lzh::DecodeStream(Setup.TotalSize, in, out, Extraction.Running);
  } catch (const lzh::ElzhException& failure) {
    return failure.what();
  }
  return nullptr;
}
#else
// SETUP.EXE hands the decoder its callbacks.
const char* RunDecoder(lzh::InputLeft& left) {
  return lzh::LzhDecodeGuarded(Setup.TotalSize, VolumeReader, OutputWriter, Extraction.Running, left);
}
#endif

// Decodes the payload into the output file.
void Decode() {
  lzh::InputLeft left;
  if (RunDecoder(left) != nullptr) return EndRun(Outcome::kDecoderFailed);
  std::uint16_t ignored = 0;
  if (Extraction.Salvaging) return OutputWriter(nullptr, 0, ignored);
  // A stream cut short by a byte or two is not caught by the count of
  // empty requests; it is when a byte that never came was decoded.
  if (Extraction.Running && lzh::DecodedMissingInput(left, Transfer.EmptyRequests)) EndRun(Outcome::kInputRanDry);
  // Input past the stream: a byte the decoder read ahead but did not use,
  // or one it never asked for, other than padding.
  std::uint8_t held[2];
  const int held_count = lzh::UnusedInput(left, Transfer.EmptyRequests, held);
  if (Extraction.Running && !OnlyPaddingLeft(held, held_count)) EndRun(Outcome::kInputLeftOver);
  OutputWriter(nullptr, 0, ignored);
  // Every volume matched its record; a payload that still differs means
  // damaged setup data that kept its checksum, or a fault of this program.
  const package::IntegrityRecord& record = package::Integrity;
  if (Extraction.Running && record.Present &&
      (Transfer.PayloadBytes != Setup.TotalSize || Transfer.PayloadCrc != record.PayloadCrc)) {
    EndRun(Outcome::kPayloadDamaged, common::Session.BlobPath, platform::kIoOk, kDamagedPayloadReason);
  }
}

// A volume that does not close cleanly has still been read.
void CloseVolume() {
  if (Transfer.VolumeHandle > 0) platform::FileClose(Transfer.VolumeHandle);
  Transfer.VolumeHandle = 0;
}

// A payload file that does not close cleanly may not hold what was
// written to it.
void CloseOutput() {
  if (Transfer.OutputHandle > 0) {
    if (const platform::IoResult closed = platform::FileClose(Transfer.OutputHandle)) {
      EndRun(Outcome::kWriteFailed, common::Session.BlobPath, closed);
    }
  }
  Transfer.OutputHandle = 0;
}

void Extract() {
  ResetTransfer();
  if (!HoldDestination()) return;
  RemoveLeftovers();
  OpenOutput();
  if (Transfer.OutputHandle <= 0) return;
  SetProgressTotals(Setup.TotalSize, Setup.EntryCount);
  if (const platform::IoResult result = OpenVolume(1, Transfer.VolumeHandle)) {
    EndRun(Outcome::kNoFirstVolume, VolumePath(1), result);
  } else if (FirstVolumeAsRecorded()) {
    Decode();
  }
  CloseVolume();
  const bool split = Extraction.Running && SplitBlob(Transfer.OutputHandle);
  CloseOutput();
  if (!split || !Extraction.Running) return;
  // The splitter pumps nothing: a cancel asked for while it ran is heard
  // before anything is put in place.
  PumpIfWanted();
  if (Extraction.Running && PutInPlace()) EndRun(Outcome::kInstalled);
}

}  // namespace

Outcome RunExtraction() {
  // Cancelled before it began: nothing is touched.
  if (Extraction.Running) Extract();
  else EndRun(Outcome::kCancelled);
  // Whatever stopped it, the destination is left as it was.
  if (Extraction.RunOutcome != Outcome::kInstalled) DiscardRun();
  ReleaseDestination();
  return Extraction.RunOutcome;
}

}  // namespace extract
