// The data side of a file the POSIX file layer has open: reads and writes
// at a position the layer keeps itself, gathered into system calls of
// 64 KB.  The installer moves its data in blocks of 2048 bytes (the
// decoder's window and output block, the copies that carve the payload
// file), and a system call apiece cost an installation on Linux a fifth
// of its time.
//
// Writes are staged until the stage is full, or another operation needs
// the file as written: a read, a size, a truncation, a write elsewhere, a
// close.  An error in handing them to the system is reported by the call
// that does it, the file's close at the latest, so a write that cannot be
// completed still fails the file it was meant for.  Reads fetch up to the
// stage's size ahead.  The stage belongs to one handle: the layer settles
// it before the same file is opened again (Settle), and a failure to hand
// its writes over then is reported by the handle's close.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/file.hpp"

namespace platform {

class StagedFile {
 public:
  explicit StagedFile(int fd) : fd_(fd) {}

  // Makes an old file of the given length read as empty.  Its blocks are
  // zeroed in place where the file system can, and the file is cut to
  // what was written when it is closed; elsewhere it is truncated.
  // Truncating a file to nothing makes ext4 free its blocks (a discard
  // each, where the disk is mounted with it), allocate them again, and
  // flush the file as it is closed: a reinstallation over hundreds of
  // files took several times as long as its decoding.
  IoResult EmptyOld(off_t length);

  IoResult Read(void* buffer, std::uint32_t count, std::uint32_t& got);
  IoResult Write(const void* buffer, std::uint32_t count, std::uint32_t& written);
  void Seek(off_t position) { position_ = position; }
  IoResult Size(std::int64_t& size);
  // Ends the file at the current position.
  IoResult Truncate();
  // Hands staged writes to the system and forgets what was read ahead,
  // for another handle on the same file; a failure waits for the close.
  void Settle();
  // The time the file is to show as last modified: set at the close,
  // after the last of its staged writes.
  void SetModified(std::uint32_t unix_time) { modified_ = unix_time; }
  // Hands staged writes over, cuts a file emptied in place to its
  // written end, sets the time, and closes; the first failure since
  // Settle is reported.
  IoResult Close();

 private:
  static constexpr off_t kOwnLength = -1;
  static constexpr std::uint32_t kStageSize = 1 << 16;

  void ObtainStage();
  IoResult HandOver();
  IoResult Flush();  // HandOver, and forget what was read ahead
  bool ReadAheadCovers(off_t position) const;
  IoResult FetchAhead();
  void Stage(const unsigned char* bytes, std::uint32_t count);

  int fd_;
  off_t position_ = 0;
  // The end of what was written to a file emptied in place; kOwnLength
  // while the file's own length counts.
  off_t written_end_ = kOwnLength;
  std::unique_ptr<unsigned char[]> stage_;
  off_t stage_start_ = 0;
  std::uint32_t stage_fill_ = 0;
  bool stage_holds_writes_ = false;  // otherwise what was read ahead
  IoResult unreported_ = kIoOk;      // a failure of Settle's
  std::optional<std::uint32_t> modified_;
};

}  // namespace platform
