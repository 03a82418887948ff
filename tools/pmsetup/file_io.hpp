// Reads and all-or-nothing writes for the tool's commands, whole or in
// pieces.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pmsetup {

// The tool keeps every path as UTF-8 text (as in a manifest); these turn
// it into a path for the file system and back, on Windows too.
std::filesystem::path Path(const std::string& utf8);
std::string Text(const std::filesystem::path& path);

// A file, pipe or device read from its start to its end in pieces.  Read
// to the end rather than by the size on disk, so that pipes and devices
// (/dev/stdin, <(...)) work as well as files.
class FileReader {
 public:
  // False (with error set to a message) when path cannot be read.
  bool Open(const std::string& path, std::string& error);
  // Fills as much of buffer as there is input for; 0 at the end, or when
  // reading fails (Failed tells which).
  std::size_t Read(std::span<std::uint8_t> buffer);
  bool Failed() const { return in_.bad(); }
  // The size of a plain file; none for a pipe or device.
  std::optional<std::uint64_t> Size() const { return size_; }

 private:
  std::ifstream in_;
  std::optional<std::uint64_t> size_;
};

// The bytes of a file, pipe or device up to its end, or nothing (with
// error set to a message) when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error);

// A file written in pieces under a temporary name beside its path
// (PATH.partial) and put in place by Commit; until then the path keeps
// what it held, and a file that is never committed is removed again.
// With in_place_if_special, a device, pipe or link is written into
// directly instead: a rename would replace it by a plain file (/dev/null,
// a FIFO, /dev/stdout, or a link the user keeps pointing at the real
// file).  A folder is refused.  Each step returns the system's reason
// when it fails, or an empty string.
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

 private:
  std::ofstream out_;
  std::string path_;
  std::string target_;  // where the bytes go: the temporary name, or path itself
  bool pending_ = false;  // a temporary file stands to be renamed or removed
};

// Writes bytes through a PartialFile written in place if special, so that
// a failure never leaves a partial file.  Returns an error message, or an
// empty string on success.
std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace pmsetup
