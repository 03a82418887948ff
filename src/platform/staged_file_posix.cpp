#include "platform/staged_file_posix.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

// Writes all of count bytes at offset.
IoResult WriteAll(int fd, const unsigned char* bytes, std::uint32_t count, off_t offset) {
  for (std::uint32_t done = 0; done < count;) {
    const ssize_t n = ::pwrite(fd, bytes + done, count - done, offset + done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::uint32_t>(n);
  }
  return kIoOk;
}

// A closed file's stage, kept for the next file: a package's files are
// opened one after the other, and a fresh 64 KB each time would fault
// its pages in anew.
std::unique_ptr<unsigned char[]>& SpareStage() {
  static std::unique_ptr<unsigned char[]> spare;
  return spare;
}

}  // namespace

void StagedFile::ObtainStage() {
  if (stage_) return;
  stage_ = std::move(SpareStage());
  // Left uninitialised: every byte is written before it is read.  (The
  // browser build's C++ library lacks make_unique_for_overwrite.)
  if (!stage_) stage_.reset(new unsigned char[kStageSize]);
}

IoResult StagedFile::EmptyOld(off_t length) {
#ifdef FALLOC_FL_ZERO_RANGE
  if (::fallocate(fd_, FALLOC_FL_ZERO_RANGE | FALLOC_FL_KEEP_SIZE, 0, length) == 0) {
    written_end_ = 0;
    return kIoOk;
  }
#endif
  return ::ftruncate(fd_, 0) != 0 ? errno : kIoOk;
}

bool StagedFile::ReadAheadCovers(off_t position) const {
  return !stage_holds_writes_ && position >= stage_start_ && position < stage_start_ + stage_fill_;
}

// Reads a stage's worth from the current position, or up to the end.  A
// failure past the first bytes keeps those: it is reported when a read
// asks for the bytes that failed, not for the ones before them.
IoResult StagedFile::FetchAhead() {
  ObtainStage();
  stage_start_ = position_;
  stage_fill_ = 0;
  while (stage_fill_ < kStageSize) {
    const ssize_t n = ::pread(fd_, stage_.get() + stage_fill_, kStageSize - stage_fill_, stage_start_ + stage_fill_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return stage_fill_ > 0 ? kIoOk : errno;
    if (n == 0) break;
    stage_fill_ += static_cast<std::uint32_t>(n);
  }
  return kIoOk;
}

IoResult StagedFile::Read(void* buffer, std::uint32_t count, std::uint32_t& got) {
  got = 0;
  if (const IoResult handed = HandOver()) return handed;
  if (written_end_ != kOwnLength) count = static_cast<std::uint32_t>(std::clamp<off_t>(written_end_ - position_, 0, count));
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (got < count) {
    if (!ReadAheadCovers(position_)) {
      if (const IoResult fetched = FetchAhead()) return fetched;
      if (stage_fill_ == 0) break;
    }
    const auto offset = static_cast<std::uint32_t>(position_ - stage_start_);
    const std::uint32_t step = std::min(count - got, stage_fill_ - offset);
    std::memcpy(bytes + got, stage_.get() + offset, step);
    got += step;
    position_ += step;
  }
  return kIoOk;
}

// Adds bytes to the staged writes, which must end where they begin.
void StagedFile::Stage(const unsigned char* bytes, std::uint32_t count) {
  if (!stage_holds_writes_) {
    ObtainStage();
    stage_start_ = position_;
    stage_fill_ = 0;
    stage_holds_writes_ = true;
  }
  std::memcpy(stage_.get() + stage_fill_, bytes, count);
  stage_fill_ += count;
}

IoResult StagedFile::Write(const void* buffer, std::uint32_t count, std::uint32_t& written) {
  written = 0;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const bool follows = stage_holds_writes_ && position_ == stage_start_ + stage_fill_;
  if (!follows || stage_fill_ + count > kStageSize) {
    if (const IoResult flushed = Flush()) return flushed;
  }
  if (count < kStageSize) Stage(bytes, count);
  else if (const IoResult result = WriteAll(fd_, bytes, count, position_)) return result;
  written = count;
  position_ += count;
  if (written_end_ != kOwnLength) written_end_ = std::max(written_end_, position_);
  return kIoOk;
}

IoResult StagedFile::Size(std::int64_t& size) {
  if (written_end_ != kOwnLength) {
    size = written_end_;
    return kIoOk;
  }
  if (const IoResult handed = HandOver()) return handed;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return errno;
  size = st.st_size;
  return kIoOk;
}

IoResult StagedFile::Truncate() {
  if (const IoResult flushed = Flush()) return flushed;
  if (::ftruncate(fd_, position_) != 0) return errno;
  written_end_ = kOwnLength;
  return kIoOk;
}

// Staged writes that cannot be handed over are dropped: the error stands
// for them, and the close that follows does not try again.
IoResult StagedFile::HandOver() {
  if (!stage_holds_writes_) return kIoOk;
  const IoResult result = WriteAll(fd_, stage_.get(), stage_fill_, stage_start_);
  stage_fill_ = 0;
  stage_holds_writes_ = false;
  return result;
}

IoResult StagedFile::Flush() {
  const IoResult result = HandOver();
  stage_fill_ = 0;
  return result;
}

void StagedFile::Settle() {
  if (const IoResult flushed = Flush(); unreported_ == kIoOk) unreported_ = flushed;
}

IoResult StagedFile::Close() {
  const IoResult flushed = Flush();
  // A file emptied in place ends where its writing did.
  const IoResult cut = written_end_ != kOwnLength && ::ftruncate(fd_, written_end_) != 0 ? errno : kIoOk;
  IoResult timed = kIoOk;
  if (modified_) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*modified_), 0}};
    if (::futimens(fd_, times) != 0) timed = errno;
  }
  const IoResult closed = ::close(fd_) != 0 ? errno : kIoOk;
  if (!SpareStage()) SpareStage() = std::move(stage_);
  for (const IoResult result : {unreported_, flushed, cut, timed}) {
    if (result != kIoOk) return result;
  }
  return closed;
}

}  // namespace platform
