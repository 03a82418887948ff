// The transfer state of one extraction: where the volume reader stands in
// its window on the compressed stream and the output writer in its block
// of decoded bytes, with the files they read and write.  The extraction
// run resets it before it decodes; nothing else does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/file.hpp"

namespace extract {

// Each buffer's size; the reader and the writer use its first 2048 bytes.
constexpr std::size_t kTransferBufferSize = 2064;

struct TransferState {
  // The volume reader.
  std::uint16_t ReadPos = 1;   // 1-based window position of the next unread byte
  std::int32_t ReadFill = 0;   // valid bytes in the window
  platform::FileHandle VolumeHandle = 0;
  std::int32_t DiskNumber = 1;  // n of the open volume DISKn.CMP
  // Requests answered with nothing because the last volume had ended.
  int EmptyRequests = 0;
  // What has been read of the open volume, for the package's integrity
  // record (package/integrity_record.hpp), and whether its end was
  // reached and checked.
  std::uint32_t VolumeCrc = 0;
  std::int64_t VolumeBytes = 0;
  bool VolumeEnded = false;

  // The output writer.
  std::uint16_t WritePos = 1;  // 1-based position for the next byte
  platform::FileHandle OutputHandle = 0;
  // The CRC of the payload's bytes written so far, up to TotalSize, for
  // the integrity record.
  std::uint32_t PayloadCrc = 0;
  std::int64_t PayloadBytes = 0;
};

inline TransferState Transfer;

inline void ResetTransfer() { Transfer = TransferState{}; }

// The window and the block themselves, allocated when an installation
// starts and kept to the end of the process.  (Static storage would cost
// SETUP.EXE their 4 KB: MinGW gives each variable of a section-per-object
// build initialised data, zeros included.)
struct TransferBuffers {
  unsigned char InputBuffer[kTransferBufferSize];
  unsigned char OutputBuffer[kTransferBufferSize];
};

inline TransferBuffers* Buffers = nullptr;

}  // namespace extract
