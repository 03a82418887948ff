#include "io/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "common/temporary_name.hpp"
#include "io/interruption.hpp"
#include "platform/system.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

namespace {

namespace fs = std::filesystem;

std::string Reason(std::errc code) { return std::make_error_code(code).message(); }
constexpr char kInterrupted[] = "interrupted";

// The few system calls the tool's own file access needs, on both systems.
#ifdef _WIN32
using Status = struct _stat64;
int OpenPath(const fs::path& path, int flags, int mode) {
  return ::_wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, mode);
}
int StatusOf(int fd, Status& st) { return ::_fstat64(fd, &st); }
long ReadFd(int fd, void* buffer, std::size_t count) { return ::_read(fd, buffer, static_cast<unsigned>(count)); }
long WriteFd(int fd, const void* buffer, std::size_t count) {
  return ::_write(fd, buffer, static_cast<unsigned>(count));
}
int CloseFd(int fd) { return ::_close(fd); }
std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::_getpid()); }
constexpr int kExclusive = _O_WRONLY | _O_CREAT | _O_EXCL;
constexpr int kReplace = _O_WRONLY | _O_CREAT | _O_TRUNC;
constexpr int kNoWait = 0;
FileStamp StampOf(const Status& st) {
  return {(st.st_mode & _S_IFMT) == _S_IFREG, static_cast<std::uint64_t>(st.st_size), st.st_mtime, 0, st.st_ctime, 0};
}
bool Running(std::uint32_t pid) {
  const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  ::CloseHandle(process);
  return running;
}
#else
using Status = struct stat;
int OpenPath(const fs::path& path, int flags, int mode) { return ::open(path.c_str(), flags | O_CLOEXEC, mode); }
int StatusOf(int fd, Status& st) { return ::fstat(fd, &st); }
long ReadFd(int fd, void* buffer, std::size_t count) { return ::read(fd, buffer, count); }
long WriteFd(int fd, const void* buffer, std::size_t count) { return ::write(fd, buffer, count); }
int CloseFd(int fd) { return ::close(fd); }
std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::getpid()); }
// Created anew, never through a link at its name.
constexpr int kExclusive = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
constexpr int kReplace = O_WRONLY | O_CREAT | O_TRUNC;
constexpr int kNoWait = O_NONBLOCK;
FileStamp StampOf(const Status& st) {
  return {S_ISREG(st.st_mode), static_cast<std::uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
          st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}
// kill(pid, 0) fails with ESRCH only when no such process exists.
bool Running(std::uint32_t pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }
#endif

std::uint64_t RandomBits() {
  static std::random_device device;
  return (std::uint64_t{device()} << 32) ^ device();
}

// Creates a temporary for final_name in folder; make is tried under fresh
// names while the name is taken.  Returns the path, or an empty one with
// errno set.
template <typename Make>
fs::path CreateTemporary(const fs::path& folder, const std::string& final_name, Make make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = folder / Path(common::TemporaryName(final_name, ProcessId(), RandomBits()));
    if (make(candidate)) return candidate;
    if (errno != EEXIST) break;
  }
  return fs::path();
}

}  // namespace

FileReader::~FileReader() {
  if (fd_ >= 0) CloseFd(fd_);
}

bool FileReader::Open(const std::string& path, std::string& error, bool plain_only) {
  path_ = path;
  std::error_code status_error;
  if (fs::is_directory(Path(path), status_error)) {
    error = "cannot read " + ShownArgument(path) + ": " + Reason(std::errc::is_a_directory);
    return false;
  }
  // Opening a FIFO waits for a writer: only where one may be read at all.
  do fd_ = OpenPath(Path(path), O_RDONLY | (plain_only ? kNoWait : 0), 0);
  while (fd_ < 0 && errno == EINTR && !Interrupted());
  Status st{};
  if (fd_ < 0 || StatusOf(fd_, st) != 0) {
    error = "cannot read " + ShownArgument(path) + ": " + (Interrupted() ? kInterrupted : std::strerror(errno));
    return false;
  }
  opened_ = StampOf(st);
  if (plain_only && !opened_.plain) {
    error = "cannot read " + ShownArgument(path) + ": not a plain file";
    return false;
  }
#ifndef _WIN32
  if (plain_only) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
#endif
  return true;
}

std::size_t FileReader::Read(std::span<std::uint8_t> buffer) {
  std::size_t got = 0;
  while (got < buffer.size() && !failed_) {
    if (Interrupted()) failed_ = true;
    const long n = failed_ ? -1 : ReadFd(fd_, buffer.data() + got, buffer.size() - got);
    if (n == 0) break;
    if (n > 0) got += static_cast<std::size_t>(n);
    else if (errno != EINTR) failed_ = true;
  }
  read_ += got;
  return got;
}

std::optional<std::uint64_t> FileReader::Size() const {
  return opened_.plain ? std::optional<std::uint64_t>(opened_.size) : std::nullopt;
}

std::string FileReader::Changed() const {
  Status st{};
  if (!opened_.plain || failed_) return std::string();
  if (StatusOf(fd_, st) != 0 || !(StampOf(st) == opened_) || read_ != opened_.size) {
    return ShownArgument(path_) + " changed while it was read (" + ByteCount(opened_.size) + " when it was opened, " +
           Thousands(read_) + " read); pack again once nothing writes to it";
  }
  return std::string();
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error) {
  FileReader reader;
  if (!reader.Open(path, error)) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 16];
  for (std::size_t got; (got = reader.Read(chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
  if (reader.Failed()) {
    error = "cannot read " + ShownArgument(path);
    return std::nullopt;
  }
  return bytes;
}

std::string PartialFile::Open(const std::string& path, bool in_place_if_special) {
  Discard();
  std::error_code error;
  if (fs::is_directory(Path(path), error)) return Reason(std::errc::is_a_directory);
  const auto type = fs::symlink_status(Path(path), error).type();
  const bool in_place = in_place_if_special &&
                        ((type != fs::file_type::not_found && type != fs::file_type::regular) ||
                         platform::DeviceByName(path));
  path_ = path;
  if (in_place) {
    target_ = path;
    do fd_ = OpenPath(Path(path), kReplace, 0666);
    while (fd_ < 0 && errno == EINTR && !Interrupted());
  } else {
    const fs::path folder = Path(path).parent_path();
    const fs::path temporary = CreateTemporary(folder, Text(Path(path).filename()), [this](const fs::path& name) {
      fd_ = OpenPath(name, kExclusive, 0666);
      return fd_ >= 0;
    });
    target_ = Text(temporary);
  }
  if (fd_ < 0) return Interrupted() ? kInterrupted : std::strerror(errno);
  pending_ = !in_place;
  return std::string();
}

std::string PartialFile::Write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    if (Interrupted()) return kInterrupted;
    const long n = WriteFd(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno != EINTR) return std::strerror(errno);
    if (n > 0) bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return std::string();
}

std::string PartialFile::Close() {
  if (fd_ < 0) return std::string();
  const int closed = CloseFd(fd_);
  fd_ = -1;
  return closed == 0 ? std::string() : std::strerror(errno);
}

std::string PartialFile::Commit() {
  if (std::string reason = Close(); !reason.empty()) return reason;
  if (!pending_) return std::string();
  std::error_code error;
  fs::rename(Path(target_), Path(path_), error);
  if (error) return error.message();
  pending_ = false;
  return std::string();
}

void PartialFile::Discard() {
  Close();
  if (!pending_) return;
  std::error_code error;
  fs::remove(Path(target_), error);
  pending_ = false;
}

std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  PartialFile file;
  std::string reason = file.Open(path, true);
  if (reason.empty()) reason = file.Write(bytes);
  if (reason.empty()) reason = file.Commit();
  return reason.empty() ? std::string() : "cannot write " + ShownArgument(path) + ": " + reason;
}

fs::path MakeTemporaryFolder(const fs::path& parent, const std::string& final_name, std::string& error) {
  const fs::path folder = CreateTemporary(parent, final_name, [](const fs::path& name) {
#ifdef _WIN32
    return ::_wmkdir(name.c_str()) == 0;
#else
    return ::mkdir(name.c_str(), 0700) == 0;
#endif
  });
  if (folder.empty()) error = "cannot create a folder in " + ShownPath(parent) + ": " + std::strerror(errno);
  return folder;
}

#ifdef _WIN32
// A directory cannot be locked on Windows: a lock file in it, opened with
// no sharing and deleted when closed, stands for it.
std::string FolderLock::Hold(const fs::path& folder) {
  const HANDLE lock = ::CreateFileW((folder / L"~pmsetup.lock").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (lock == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_SHARING_VIOLATION ? "another pmsetup is writing into it"
                                                       : platform::ErrorText(static_cast<int>(::GetLastError()));
  }
  handle_ = lock;
  return std::string();
}

void FolderLock::Release() {
  if (handle_ != nullptr) ::CloseHandle(handle_);
  handle_ = nullptr;
}
#else
std::string FolderLock::Hold(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? "another pmsetup is writing into it" : std::strerror(error);
  }
  fd_ = fd;
  return std::string();
}

void FolderLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}
#endif

void RemoveStaleTemporaries(const fs::path& folder, const std::function<bool(const std::string&)>& ours) {
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const fs::path path = entry->path();
    const std::optional<common::TemporaryOf> temporary = common::ParseTemporaryName(Text(path.filename()));
    if (!temporary || !ours(temporary->final_name) || temporary->pid == ProcessId() || Running(temporary->pid)) {
      continue;
    }
#ifdef _WIN32
    const fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_regular_file(status)) fs::remove(path, error);
    else if (fs::is_directory(status)) fs::remove_all(path, error);
#else
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || st.st_uid != ::geteuid()) continue;
    // remove_all takes a link inside the folder away without following it.
    if (S_ISREG(st.st_mode) && st.st_nlink == 1) ::unlink(path.c_str());
    else if (S_ISDIR(st.st_mode)) fs::remove_all(path, error);
#endif
    error.clear();
  }
}

}  // namespace pmsetup
