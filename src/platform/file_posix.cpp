// POSIX file access that behaves as the installer expects from Windows:
// backslashes separate path components, only plain files are opened (no
// folder, device or pipe, and no link where a file is written), a file's
// name is found whatever its case, paths to create are as long as Windows
// allows, and share modes are enforced among this process's own open files
// (a file held open for shared reading cannot be replaced or deleted).
// Reads and writes go through a stage of their own (staged_file_posix.hpp).
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "platform/fault_injection.hpp"
#include "platform/file.hpp"
#include "platform/posix_path.hpp"
#include "platform/staged_file_posix.hpp"

namespace platform {

// The file layer hands errno on as it is: a missing file must read as one.
static_assert(kFileNotFound == ENOENT);

namespace {

struct OpenFile {
  int fd;
  dev_t device;
  ino_t inode;
  unsigned access;
  unsigned share;
  StagedFile data;
};

std::vector<OpenFile>& OpenFiles() {
  static std::vector<OpenFile> files;
  return files;
}

// Two openers of one file get along when each one's access is allowed by
// the other's share mode.
bool Compatible(const OpenFile& held, unsigned access, unsigned share) {
  auto allows = [](unsigned share_mode, unsigned wanted) {
    return (!(wanted & kRead) || (share_mode & kShareRead)) &&
           (!(wanted & kWrite) || (share_mode & kShareWrite));
  };
  return allows(held.share, access) && allows(share, held.access);
}

bool HeldOpen(const struct stat& st, unsigned access, unsigned share) {
  return std::any_of(OpenFiles().begin(), OpenFiles().end(), [&](const OpenFile& f) {
    return f.device == st.st_dev && f.inode == st.st_ino && !Compatible(f, access, share);
  });
}

int FdOf(FileHandle handle) { return static_cast<int>(handle - 1); }

OpenFile* FindOpen(FileHandle handle) {
  auto& files = OpenFiles();
  const auto it = std::find_if(files.begin(), files.end(), [&](const OpenFile& f) { return f.fd == FdOf(handle); });
  return it == files.end() ? nullptr : &*it;
}

StagedFile* Find(FileHandle handle) {
  OpenFile* const file = FindOpen(handle);
  return file == nullptr ? nullptr : &file->data;
}

// A file opened again sees what its other handles wrote.  (A failure to
// hand it over is reported by the close of the handle that wrote it.)
void SettleOthers(const struct stat& st) {
  for (OpenFile& f : OpenFiles()) {
    if (f.device == st.st_dev && f.inode == st.st_ino) f.data.Settle();
  }
}

// A name in one case, as Windows compares names; plain ASCII without the
// cost of a conversion.
std::u32string Folded(const std::string& name) {
  if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return CaseFolded(name);
  }
  std::u32string folded(name.begin(), name.end());
  for (char32_t& c : folded) c = c >= 'a' && c <= 'z' ? c - 0x20 : c;
  return folded;
}

// A native path split into its folder and its last component.
struct Split {
  std::string folder;  // "." for a bare name
  std::string prefix;  // what goes before a name in that folder
  std::string name;
};

Split SplitPath(const std::string& native) {
  const std::size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return {".", "", native};
  return {slash == 0 ? "/" : native.substr(0, slash), native.substr(0, slash + 1), native.substr(slash + 1)};
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// The names in the folder searched last, by their folded form, kept while
// the folder's modification time is as last seen: a package's files meet
// in one folder, and searching it anew for each of them would take time
// that grows with the square of their number.  A change by another
// program within the same tick of the folder's clock can go unseen; the
// worst it does is a second file whose name differs only in case.
struct FolderNames {
  std::string folder;
  timespec changed{};
  std::map<std::u32string, std::string> by_folded;  // the first name in byte order
};

FolderNames& LastFolder() {
  static FolderNames names;
  return names;
}

const FolderNames* NamesIn(const std::string& folder) {
  FolderNames& names = LastFolder();
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return nullptr;
  if (names.folder == folder && SameTime(names.changed, st.st_mtim)) return &names;
  DIR* const entries = ::opendir(folder.c_str());
  if (entries == nullptr) return nullptr;
  names = {folder, st.st_mtim, {}};
  while (const dirent* entry = ::readdir(entries)) {
    const auto [at, added] = names.by_folded.emplace(Folded(entry->d_name), entry->d_name);
    if (!added && entry->d_name < at->second) at->second = entry->d_name;
  }
  ::closedir(entries);
  return &names;
}

// Keeps the names of the folder searched last in step with a file this
// layer created or deleted there.
void NoteChange(const std::string& native, bool created) {
  const Split split = SplitPath(native);
  FolderNames& names = LastFolder();
  if (names.folder != split.folder) return;
  struct stat st {};
  if (::stat(split.folder.c_str(), &st) != 0) {
    names.folder.clear();
    return;
  }
  names.changed = st.st_mtim;
  const std::u32string folded = Folded(split.name);
  if (created) names.by_folded.emplace(folded, split.name);
  else if (const auto at = names.by_folded.find(folded); at != names.by_folded.end() && at->second == split.name) {
    names.by_folded.erase(at);
  }
}

// The native path of an installer path.  Windows finds a file whatever the
// case of its name, so a last component that does not exist as written is
// looked up without regard to case in its folder: names from a package
// that differ only in case meet in one file, as on Windows.  The folders
// are taken as written.
std::string LocalPath(const std::string& path) {
  const std::string native = NativePath(path);
  struct stat st {};
  if (native.empty() || ::lstat(native.c_str(), &st) == 0) return native;
  const Split split = SplitPath(native);
  const FolderNames* names = NamesIn(split.folder);
  if (names == nullptr) return native;
  const auto found = names->by_folded.find(Folded(split.name));
  return found == names->by_folded.end() ? native : split.prefix + found->second;
}

#ifdef PAGEMIX_FAULT_INJECTION

struct Fault {
  int calls = 0;
  int fail_at = 0;
  IoResult error = kIoOk;
};

std::array<Fault, static_cast<std::size_t>(Operation::kCount)>& Faults() {
  static std::array<Fault, static_cast<std::size_t>(Operation::kCount)> faults;
  return faults;
}

// Counts a call and answers the error armed for it, if any.
IoResult Injected(Operation operation) {
  Fault& fault = Faults()[static_cast<std::size_t>(operation)];
  return ++fault.calls == fault.fail_at ? fault.error : kIoOk;
}

#else

// Built without fault injection, no call is counted or fails on purpose.
constexpr IoResult Injected(Operation) { return kIoOk; }

#endif

}  // namespace

#ifdef PAGEMIX_FAULT_INJECTION

void FailNthCall(Operation operation, int n, IoResult error) {
  Fault& fault = Faults()[static_cast<std::size_t>(operation)];
  fault.fail_at = fault.calls + n;
  fault.error = error;
}

void ResetFaults() { Faults().fill(Fault{}); }

int CallCount(Operation operation) { return Faults()[static_cast<std::size_t>(operation)].calls; }

int OpenFileCount() { return static_cast<int>(OpenFiles().size()); }

#endif

IoResult FileOpen(const std::string& path, unsigned access, unsigned share,
                  Disposition disposition, FileHandle& handle) {
  handle = kNoFile;
  if (const IoResult fault = Injected(Operation::kOpen)) return fault;
  const bool creates = disposition != Disposition::kOpenExisting;
  if (creates && path.size() > kLongestPath) return ENAMETOOLONG;
  const bool writes = (access & kWrite) != 0;
  const std::string native = LocalPath(path);
  if (native.empty()) return EILSEQ;  // a byte without a character in the code page
  struct stat st {};
  // A file to be written is never reached through a link.
  const bool existed = (writes ? ::lstat(native.c_str(), &st) : ::stat(native.c_str(), &st)) == 0;
  if (existed && disposition == Disposition::kCreateNew) return EEXIST;
  if (existed) {
    if (!S_ISREG(st.st_mode)) return kNotAFile;
    // Windows writes no read-only file, for administrators neither: a
    // file that no one may write is read-only here, for root too.
    if (writes && (st.st_mode & 0222) == 0) return EACCES;
    if (HeldOpen(st, access, share)) return EBUSY;
    SettleOthers(st);
  }
  int flags = writes ? ((access & kRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (creates) flags |= O_CREAT;
  if (disposition == Disposition::kCreateNew) flags |= O_EXCL;
  // Not blocking: a pipe that took the file's place meanwhile is refused
  // below instead of waiting for a partner.
  const int fd = ::open(native.c_str(), flags | O_CLOEXEC | O_NONBLOCK | (writes ? O_NOFOLLOW : 0), 0644);
  if (fd < 0) return (errno == ELOOP || errno == ENXIO) && disposition != Disposition::kCreateNew ? kNotAFile : errno;
  IoResult checked = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? kIoOk : kNotAFile;
  OpenFile file{fd, st.st_dev, st.st_ino, access, share, StagedFile(fd)};
  if (checked == kIoOk && disposition == Disposition::kCreateAlways && st.st_size > 0) {
    checked = file.data.EmptyOld(st.st_size);
  }
  if (checked != kIoOk) {
    ::close(fd);
    return checked;
  }
  if (!existed) NoteChange(native, true);
  OpenFiles().push_back(std::move(file));
  handle = fd + 1;
  return kIoOk;
}

IoResult FileOpenByNativePath(const std::string& utf8_path, FileHandle& handle) {
  handle = kNoFile;
  const int fd = ::open(utf8_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENXIO ? kNotAFile : errno;
  struct stat st {};
  const IoResult checked = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? kIoOk : kNotAFile;
  if (checked != kIoOk || HeldOpen(st, kRead, kShareRead)) {
    ::close(fd);
    return checked != kIoOk ? checked : EBUSY;
  }
  OpenFiles().push_back(OpenFile{fd, st.st_dev, st.st_ino, kRead, kShareRead, StagedFile(fd)});
  handle = fd + 1;
  return kIoOk;
}

IoResult FileRead(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& got) {
  got = 0;
  if (const IoResult fault = Injected(Operation::kRead)) return fault;
  StagedFile* const file = Find(handle);
  return file == nullptr ? EBADF : file->Read(buffer, count, got);
}

IoResult FileWrite(FileHandle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t& written) {
  written = 0;
  if (const IoResult fault = Injected(Operation::kWrite)) return fault;
  StagedFile* const file = Find(handle);
  return file == nullptr ? EBADF : file->Write(buffer, count, written);
}

IoResult FileSeek(FileHandle handle, std::int32_t position) {
  if (const IoResult fault = Injected(Operation::kSeek)) return fault;
  if (position < 0) return EINVAL;
  StagedFile* const file = Find(handle);
  if (file == nullptr) return EBADF;
  file->Seek(position);
  return kIoOk;
}

IoResult FileSize(FileHandle handle, std::int64_t& size) {
  if (const IoResult fault = Injected(Operation::kSize)) return fault;
  StagedFile* const file = Find(handle);
  return file == nullptr ? EBADF : file->Size(size);
}

IoResult FileTruncate(FileHandle handle) {
  if (const IoResult fault = Injected(Operation::kTruncate)) return fault;
  StagedFile* const file = Find(handle);
  return file == nullptr ? EBADF : file->Truncate();
}

IoResult FileSetTime(FileHandle handle, std::uint32_t unix_time) {
  StagedFile* const file = Find(handle);
  if (file == nullptr) return EBADF;
  file->SetModified(unix_time);
  return kIoOk;
}

IoResult FileClose(FileHandle handle) {
  OpenFile* const file = FindOpen(handle);
  if (file == nullptr) return EBADF;
  StagedFile data = std::move(file->data);
  OpenFiles().erase(OpenFiles().begin() + (file - OpenFiles().data()));
  const IoResult fault = Injected(Operation::kClose);
  const IoResult closed = data.Close();
  return fault != kIoOk ? fault : closed;
}

// There are no drive letters here: a root that exists as a directory is
// a fixed drive, anything else has no root directory.
unsigned DriveType(const std::string& root) {
  struct stat st {};
  const std::string native = NativePath(root);
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 3 : 1;
}

bool FindEntry(const std::string& path, std::uint32_t& attributes) {
  struct stat st {};
  if (::stat(NativePath(path).c_str(), &st) != 0) return false;
  attributes = S_ISDIR(st.st_mode) ? kDirectoryAttribute : 0x20;
  return true;
}

// Windows makes no directory whose name holds a colon ("Tool:", "a:b"):
// the colon belongs to drives.
IoResult MakeDirectory(const std::string& path) {
  if (const IoResult fault = Injected(Operation::kMakeDirectory)) return fault;
  if (path.find(':', path.find_last_of('\\') + 1) != std::string::npos) return EINVAL;  // npos + 1 is 0
  if (path.size() > kLongestFolderPath) return ENAMETOOLONG;
  return ::mkdir(NativePath(path).c_str(), 0755) != 0 ? errno : kIoOk;
}

IoResult DeleteDirectory(const std::string& path) {
  return ::rmdir(NativePath(path).c_str()) != 0 ? errno : kIoOk;
}

#ifdef __EMSCRIPTEN__

// Emscripten's flock() succeeds without locking anything.  Every
// installation in the page runs in this one process, so the holds are
// kept here instead, by the folder's identity.
namespace {
std::vector<std::pair<dev_t, ino_t>>& HeldFolders() {
  static std::vector<std::pair<dev_t, ino_t>> held;
  return held;
}
}  // namespace

IoResult HoldFolder(const std::string& folder, FileHandle& hold) {
  hold = kNoFile;
  const int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const IoResult error = errno;
    ::close(fd);
    return error;
  }
  auto& held = HeldFolders();
  if (std::find(held.begin(), held.end(), std::pair(st.st_dev, st.st_ino)) != held.end()) {
    ::close(fd);
    return kFolderHeld;
  }
  held.emplace_back(st.st_dev, st.st_ino);
  hold = fd;
  return kIoOk;
}

void ReleaseFolder(const std::string&, FileHandle hold) {
  struct stat st {};
  if (::fstat(static_cast<int>(hold), &st) == 0) std::erase(HeldFolders(), std::pair(st.st_dev, st.st_ino));
  ::close(static_cast<int>(hold));
}

#else

IoResult HoldFolder(const std::string& folder, FileHandle& hold) {
  hold = kNoFile;
  const int fd = ::open(NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const IoResult error = errno == EWOULDBLOCK ? kFolderHeld : errno;
    ::close(fd);
    return error;
  }
  hold = fd;
  return kIoOk;
}

void ReleaseFolder(const std::string&, FileHandle hold) { ::close(static_cast<int>(hold)); }

#endif

bool HoldFileName(const std::string&) { return false; }

bool NameTaken(IoResult code) { return code == EEXIST; }

bool NoSuchFile(IoResult code) { return code == ENOENT || code == ENOTDIR; }

IoResult CanReplace(const std::string& path) {
  if (const IoResult fault = Injected(Operation::kOpen)) return fault;
  const std::string native = LocalPath(path);
  if (native.empty()) return EILSEQ;
  struct stat st {};
  // stat() follows a link to what it leads to; nothing there, a link
  // that leads nowhere included, leaves the name free.
  if (::stat(native.c_str(), &st) != 0) return NoSuchFile(errno) ? kIoOk : errno;
  if (!S_ISREG(st.st_mode)) return kNotAFile;
  // Read-only as on Windows, for root too.
  if ((st.st_mode & 0222) == 0 || ::access(native.c_str(), W_OK) != 0) return EACCES;
  return HeldOpen(st, kWrite, kShareNone) ? EBUSY : kIoOk;
}

#ifdef __EMSCRIPTEN__
// The browser's file system in memory has no hard links.  Nothing else
// runs in the page between the two renames to see the name go missing, so
// the old file itself moves to the backup name, and back when the new one
// cannot take its place.
namespace {
constexpr bool kOldFileMoves = true;
bool KeepOld(const std::string& target, const std::string& keep) { return ::rename(target.c_str(), keep.c_str()) == 0; }
}  // namespace
#else
namespace {
constexpr bool kOldFileMoves = false;
bool KeepOld(const std::string& target, const std::string& keep) { return ::link(target.c_str(), keep.c_str()) == 0; }
}  // namespace
#endif

// rename() replaces in one step.  The old file is kept by a second link
// made before it: the name it leaves never goes missing.  A reservation
// that someone swapped for anything else makes link() fail; it never
// follows or replaces.
IoResult FileReplace(const std::string& from, const std::string& to, std::string* backup) {
  if (const IoResult fault = Injected(Operation::kReplace)) return fault;
  if (to.size() > kLongestPath) return ENAMETOOLONG;
  const std::string source = LocalPath(from), target = LocalPath(to);
  if (source.empty() || target.empty()) return EILSEQ;
  struct stat st {};
  if (::lstat(source.c_str(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return kNotAFile;
  if (HeldOpen(st, kRead | kWrite, kShareNone)) return EBUSY;
  const bool existed = ::lstat(target.c_str(), &st) == 0;
  if (existed && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return kNotAFile;
  if (existed && HeldOpen(st, kRead | kWrite, kShareNone)) return EBUSY;
  if (backup != nullptr) {
    const std::string keep = LocalPath(*backup);
    if (keep.empty()) return EILSEQ;
    if (::unlink(keep.c_str()) != 0 && errno != ENOENT) return errno;
    if (existed && !KeepOld(target, keep)) return errno;
    if (!existed) {
      NoteChange(keep, false);
      backup->clear();
    }
  }
  if (::rename(source.c_str(), target.c_str()) != 0) {
    const IoResult error = errno;
    if (kOldFileMoves && backup != nullptr && !backup->empty()) ::rename(LocalPath(*backup).c_str(), target.c_str());
    return error;
  }
  NoteChange(source, false);
  NoteChange(target, true);
  return kIoOk;
}

void VisitMatchingFiles(const std::string& folder, const std::string& pattern, void (*visit)(const std::string& name)) {
  const std::string native = NativePath(folder);
  DIR* const entries = native.empty() ? nullptr : ::opendir(native.c_str());
  if (entries == nullptr) return;
  while (const dirent* entry = ::readdir(entries)) {
    struct stat st {};
    if (::fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD) != 0 ||
        ::fstatat(::dirfd(entries), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) {
      continue;
    }
    // Back in the code page the installer's paths are in.
    if (const std::optional<std::string> name = ToCodePage(entry->d_name, AnsiCodePage)) visit(*name);
  }
  ::closedir(entries);
}

IoResult FileDelete(const std::string& path) {
  if (const IoResult fault = Injected(Operation::kDelete)) return fault;
  const std::string native = LocalPath(path);
  struct stat st {};
  if (::lstat(native.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return kNotAFile;
    if (HeldOpen(st, kRead | kWrite, kShareNone)) return EBUSY;
  }
  if (::unlink(native.c_str()) != 0) return errno;
  NoteChange(native, false);
  return kIoOk;
}

}  // namespace platform
