// Reads and all-or-nothing writes for the tool's commands, whole or in
// pieces.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "terminal/terminal_text.hpp"

namespace pmsetup {

// What a file looked like when it was opened, to tell whether it changed
// while it was read.
struct FileStamp {
  bool plain = false;
  std::uint64_t size = 0;
  std::int64_t modified_s = 0, modified_ns = 0, changed_s = 0, changed_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// A file, pipe or device read from its start to its end in pieces.  Read
// to the end rather than by the size on disk, so that pipes and devices
// (/dev/stdin, <(...)) work as well as files.  A read that a signal
// interrupts (see interruption.hpp) ends as a failed one.
class FileReader {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader();

  // False (with error set to a message) when path cannot be read.  With
  // plain_only, anything but a plain file is refused at once: a FIFO is
  // never waited for.
  bool Open(const std::string& path, std::string& error, bool plain_only = false);
  // Fills as much of buffer as there is input for; 0 at the end, or when
  // reading fails (Failed tells which).
  std::size_t Read(std::span<std::uint8_t> buffer);
  bool Failed() const { return failed_; }
  // The size of a plain file; none for a pipe or device.
  std::optional<std::uint64_t> Size() const;
  // Once a plain file has been read to its end: a message naming it when
  // it changed meanwhile (its size or times differ from when it was
  // opened, or the reads gave more or fewer bytes than its size), else
  // an empty string.
  std::string Changed() const;

 private:
  int fd_ = -1;
  std::string path_;
  FileStamp opened_;
  std::uint64_t read_ = 0;
  bool failed_ = false;
};

// The bytes of a file, pipe or device up to its end, or nothing (with
// error set to a message) when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error);

// A file written in pieces under a temporary name beside its path and put
// in place by Commit; until then the path keeps what it held, and a file
// that is never committed is removed again.  The temporary is created
// anew under a name nobody can claim first (common/temporary_name.hpp),
// never through a link or over another file.  With in_place_if_special, a
// device, pipe or link is written into directly instead: a rename would
// replace it by a plain file (/dev/null, a FIFO, /dev/stdout, or a link
// the user keeps pointing at the real file).  A folder is refused.  Each
// step returns the system's reason when it fails, or an empty string; a
// write that a signal interrupts fails.
class PartialFile {
 public:
  PartialFile() = default;
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;
  ~PartialFile() { Discard(); }

  std::string Open(const std::string& path, bool in_place_if_special);
  std::string Write(std::span<const std::uint8_t> bytes);
  // Flushes and closes; Commit does so too.
  std::string Close();
  std::string Commit();
  // Closes and removes the temporary file, unless committed.
  void Discard();
  // Where the bytes go until Commit.
  const std::string& Target() const { return target_; }

 private:
  int fd_ = -1;
  std::string path_;
  std::string target_;  // where the bytes go: the temporary name, or path itself
  bool pending_ = false;  // a temporary file stands to be renamed or removed
};

// Writes bytes through a PartialFile written in place if special, so that
// a failure never leaves a partial file.  Returns an error message, or an
// empty string on success.
std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// A folder of this process's own, made anew beside the files it is for
// under a temporary name for final_name (a folder nobody else can have
// made first, and on POSIX open to this user alone).  Empty, with error
// set, when it cannot be made.
std::filesystem::path MakeTemporaryFolder(const std::filesystem::path& parent, const std::string& final_name,
                                          std::string& error);

// Holds a folder for this process alone, so that two runs never write
// into it at once.  The system lets go when the holder is destroyed or the
// process ends, however it ends, and nothing is left in the folder.
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() { Release(); }
  void Release();
  // Takes hold of the existing folder: an empty string, or why it cannot
  // (another process holds it, or it cannot be opened).
  std::string Hold(const std::filesystem::path& folder);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // a lock file that no one else may open, deleted when closed
#else
  int fd_ = -1;  // the folder, flock()ed
#endif
};

// Removes from folder what an earlier run of this tool left there when it
// was stopped before it could clean up: temporaries (as PartialFile and
// MakeTemporaryFolder name them) of final names that ours accepts, written
// by a process that no longer runs.  Only a plain file with a single link,
// or a folder, that this user owns is removed; a link is never followed
// nor removed, and neither is anything else, however it is named.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& ours);

}  // namespace pmsetup
