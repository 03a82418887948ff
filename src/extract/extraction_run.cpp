#include "extract/extraction_run.hpp"

#include <algorithm>

#include "common/session.hpp"
#include "extract/file_splitter.hpp"
#include "extract/output_writer.hpp"
#include "extract/progress_count.hpp"
#include "extract/transfer.hpp"
#include "extract/volume_reader.hpp"
#include "lzh/decode_loop.hpp"
#include "lzh/decoder.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

using package::Setup;

// Creates the payload file, or failing that opens an existing one without
// truncating it (it is then overwritten from the start).  A failure is
// reported with the creation's reason: the open's would only say that
// there is no such file.
void OpenOutput() {
  const std::string& path = common::Session.BlobPath;
  platform::FileHandle& handle = Transfer.OutputHandle;
  const platform::IoResult created = platform::FileOpen(path, platform::kRead | platform::kWrite, platform::kShareNone,
                                                        platform::Disposition::kCreateAlways, handle);
  if (created == platform::kIoOk) {
    Extraction.OutputCreated = true;
    return;
  }
  const platform::IoResult opened = platform::FileOpen(
      path, platform::kWrite, platform::kShareRead | platform::kShareWrite, platform::Disposition::kOpenExisting, handle);
  if (opened != platform::kIoOk || handle <= 0) EndRun(Outcome::kCannotCreateOutput, path, created);
}

#if defined(PAGEMIX_INLINE_TRANSFER)
// The tools run the decoding loop with the volume reader and the output
// writer inlined: the same requests and the same bytes in the same order
// as through the callbacks (ReadVolumeByte, WriteOutputByte).  Their
// places in the window and the block stay in registers, and are handed
// back to Transfer before any code outside the loop looks at them: a
// refill, a write, the end of the decoding.  A front end that names the
// flag its pump waits for has the pump run only while the flag is up.
class WindowInput {
 public:
  WindowInput() { Load(); }
  ~WindowInput() { Store(); }
  WindowInput(const WindowInput&) = delete;
  WindowInput& operator=(const WindowInput&) = delete;

  std::uint8_t Next() {
    if (!Extraction.Running) return 0;
    if (next_ >= end_ && !Refill()) [[unlikely]] return 0;
    const std::uint8_t byte = *next_++;
    if (pump_ != nullptr && (pump_wanted_ == nullptr || *pump_wanted_ != 0)) pump_();
    return byte;
  }

 private:
  void Load() {
    next_ = Buffers->InputBuffer + Transfer.ReadPos - 1;
    end_ = Buffers->InputBuffer + Transfer.ReadFill;
  }
  void Store() const { Transfer.ReadPos = static_cast<std::uint16_t>(next_ - Buffers->InputBuffer + 1); }
  [[gnu::noinline]] bool Refill() {
    Store();
    const bool refilled = RefillWindow();
    Load();
    return refilled;
  }

  const std::uint8_t* next_;
  const std::uint8_t* end_;
  void (*const pump_)() = UserInterface.pump;
  const volatile std::sig_atomic_t* const pump_wanted_ = UserInterface.pump_wanted;
};

class BlockOutput {
 public:
  BlockOutput() { Load(); }
  ~BlockOutput() { Store(); }
  BlockOutput(const BlockOutput&) = delete;
  BlockOutput& operator=(const BlockOutput&) = delete;

  void Put(std::uint8_t byte) {
    if (!Extraction.Running) return;
    if (next_ >= room_end_) [[unlikely]] MakeRoomHere();
    *next_++ = byte;
  }

 private:
  // Up to where bytes go in without MakeRoom writing anything out: the
  // end of the block, or the byte before the progress total is reached.
  void Load() {
    std::uint8_t* const block = Buffers->OutputBuffer;
    next_ = block + Transfer.WritePos - 1;
    const std::int64_t before_total = Progress.ProgressTotal - Progress.BytesDone - 1;
    room_end_ = block + std::clamp<std::int64_t>(before_total, 0, kBlockSize);
  }
  void Store() const { Transfer.WritePos = static_cast<std::uint16_t>(next_ - Buffers->OutputBuffer + 1); }
  [[gnu::noinline]] void MakeRoomHere() {
    Store();
    MakeRoom(1);
    Load();
  }

  std::uint8_t* next_;
  std::uint8_t* room_end_;
};

const char* RunDecoder() {
  try {
    WindowInput in;
    BlockOutput out;
    lzh::DecodeStream(Setup.TotalSize, in, out, Extraction.Running);
  } catch (const lzh::ElzhException& failure) {
    return failure.what();
  }
  return nullptr;
}
#else
// SETUP.EXE hands the decoder its callbacks.
const char* RunDecoder() {
  return lzh::LzhDecodeGuarded(Setup.TotalSize, VolumeReader, OutputWriter, Extraction.Running);
}
#endif

// Decodes the payload into the output file.
void Decode() {
  if (RunDecoder() != nullptr) return EndRun(Outcome::kDecoderFailed);
  // A stream cut short by a byte or two is not caught by the count of
  // empty requests; it is when a byte that never came was decoded.
  if (Extraction.Running && lzh::DecodedMissingInput(Transfer.EmptyRequests)) EndRun(Outcome::kInputRanDry);
  // Input past the stream: a byte the decoder read ahead but did not use,
  // or one it never asked for, other than padding.
  std::uint8_t held[2];
  const int held_count = lzh::UnusedInput(Transfer.EmptyRequests, held);
  if (Extraction.Running && !OnlyPaddingLeft(held, held_count)) EndRun(Outcome::kInputLeftOver);
  std::uint16_t ignored = 0;
  OutputWriter(nullptr, 0, ignored);
}

// A volume that does not close cleanly has still been read; a payload
// file that does not may not hold what was written to it.
void CloseTransferFiles() {
  if (Transfer.VolumeHandle > 0) platform::FileClose(Transfer.VolumeHandle);
  if (Transfer.OutputHandle > 0) {
    if (const platform::IoResult closed = platform::FileClose(Transfer.OutputHandle)) {
      EndRun(Outcome::kWriteFailed, common::Session.BlobPath, closed);
    }
  }
  Transfer.VolumeHandle = Transfer.OutputHandle = 0;
}

void Extract() {
  ResetTransfer();
  OpenOutput();
  if (Transfer.OutputHandle <= 0) return;
  SetProgressTotals(Setup.TotalSize, Setup.EntryCount);
  if (const platform::IoResult result = OpenVolume(1, Transfer.VolumeHandle)) {
    EndRun(Outcome::kNoFirstVolume, VolumePath(1), result);
  } else {
    Decode();
  }
  CloseTransferFiles();
  if (Extraction.Running && SplitBlob()) EndRun(Outcome::kInstalled);
}

}  // namespace

Outcome RunExtraction() {
  // Cancelled before it began: nothing is touched.
  if (Extraction.Running) Extract();
  else EndRun(Outcome::kCancelled);
  return Extraction.RunOutcome;
}

}  // namespace extract
