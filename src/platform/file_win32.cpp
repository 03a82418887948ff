// Win32 file access through the ANSI file functions.  The installer's
// paths are bytes in the system's ANSI code page, as a package stores its
// texts and names, so they go to CreateFileA and its kin unconverted, and
// Windows itself applies what the POSIX layer imitates: share modes, names
// found whatever their case, and the longest path (kLongestPath).  Each
// operation is a thin wrapper of its Win32 function; a failure reports the
// code GetLastError gives.  FileOpenByNativePath, which the tools alone
// use, lives apart (file_native_path_win32.cpp), so that SETUP.EXE does
// not import the wide function it calls.
#include <windows.h>

#include "platform/file.hpp"

namespace platform {
namespace {

HANDLE Native(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

IoResult LastError() { return static_cast<IoResult>(GetLastError()); }

#if defined(PAGEMIX_WIN9X_STUBS)
// The Wine tests' build answers as the stub of Windows 95, 98 and ME.
BOOL MoveReplacing(const char*, const char*) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}
#else
BOOL MoveReplacing(const char* from, const char* to) { return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING); }
#endif

}  // namespace

IoResult FileOpen(const std::string& path, unsigned access, unsigned share,
                  Disposition disposition, FileHandle& handle) {
  const DWORD desired = ((access & kRead) ? GENERIC_READ : 0) | ((access & kWrite) ? GENERIC_WRITE : 0);
  const DWORD sharing = ((share & kShareRead) ? FILE_SHARE_READ : 0) | ((share & kShareWrite) ? FILE_SHARE_WRITE : 0);
  const DWORD how = disposition == Disposition::kCreateAlways ? CREATE_ALWAYS
                    : disposition == Disposition::kCreateNew  ? CREATE_NEW
                                                              : OPEN_EXISTING;
  const HANDLE h = CreateFileA(path.c_str(), desired, sharing, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
  handle = reinterpret_cast<FileHandle>(h);
  return h == INVALID_HANDLE_VALUE ? LastError() : kIoOk;
}

IoResult FileRead(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& got) {
  DWORD n = 0;
  const BOOL ok = ReadFile(Native(handle), buffer, count, &n, nullptr);
  got = n;
  return ok ? kIoOk : LastError();
}

IoResult FileWrite(FileHandle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t& written) {
  DWORD n = 0;
  const BOOL ok = WriteFile(Native(handle), buffer, count, &n, nullptr);
  written = n;
  return ok ? kIoOk : LastError();
}

IoResult FileSeek(FileHandle handle, std::int32_t position) {
  if (SetFilePointer(Native(handle), position, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    const IoResult error = LastError();
    if (error != NO_ERROR) return error;
  }
  return kIoOk;
}

IoResult FileSize(FileHandle handle, std::int64_t& size) {
  DWORD high = 0;
  const DWORD low = GetFileSize(Native(handle), &high);
  if (low == INVALID_FILE_SIZE) {
    const IoResult error = LastError();
    if (error != NO_ERROR) return error;
  }
  size = (static_cast<std::int64_t>(high) << 32) | low;
  return kIoOk;
}

IoResult FileTruncate(FileHandle handle) {
  return SetEndOfFile(Native(handle)) ? kIoOk : LastError();
}

IoResult FileSetTime(FileHandle handle, std::uint32_t unix_time) {
  // FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
  constexpr unsigned long long kSecondsFrom1601To1970 = 11644473600ULL;
  const unsigned long long steps = (unix_time + kSecondsFrom1601To1970) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(steps);
  time.dwHighDateTime = static_cast<DWORD>(steps >> 32);
  return SetFileTime(Native(handle), nullptr, nullptr, &time) ? kIoOk : LastError();
}

IoResult FileClose(FileHandle handle) {
  return CloseHandle(Native(handle)) ? kIoOk : LastError();
}

IoResult FileDelete(const std::string& path) {
  return DeleteFileA(path.c_str()) ? kIoOk : LastError();
}

bool NameTaken(IoResult code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

bool NoSuchFile(IoResult code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// The old file is kept by a copy, made before anything moves; then the new
// file is renamed over the old one in one step.  The 9x family has no
// MoveFileExA (it answers ERROR_CALL_NOT_IMPLEMENTED) and cannot replace a
// file in one step: there the old file is deleted first and the new one
// renamed after it.  A crash between the two leaves no file under `to`:
// the old one survives only as the backup copy, the new one under its
// temporary name, and the next installation into the folder removes both.
IoResult CanReplace(const std::string& path) {
  FileHandle probe = kNoFile;
  const IoResult opened = FileOpen(path, kWrite, kShareNone, Disposition::kOpenExisting, probe);
  if (opened == kIoOk) return FileClose(probe);
  return NoSuchFile(opened) ? kIoOk : opened;
}

IoResult FileReplace(const std::string& from, const std::string& to, std::string* backup) {
  if (backup != nullptr && !CopyFileA(to.c_str(), backup->c_str(), FALSE)) {
    const IoResult error = LastError();
    if (error != ERROR_FILE_NOT_FOUND) return error;
    DeleteFileA(backup->c_str());
    backup->clear();
  }
  if (MoveReplacing(from.c_str(), to.c_str())) return kIoOk;
  if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return LastError();
  if (!DeleteFileA(to.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return LastError();
  return MoveFileA(from.c_str(), to.c_str()) ? kIoOk : LastError();
}

void VisitMatchingFiles(const std::string& folder, const std::string& pattern, void (*visit)(const std::string& name)) {
  const std::string search = folder + (folder.empty() || folder.back() == '\\' ? "" : "\\") + pattern;
  WIN32_FIND_DATAA entry;
  const HANDLE found = FindFirstFileA(search.c_str(), &entry);
  if (found == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) visit(entry.cFileName);
  } while (FindNextFileA(found, &entry));
  FindClose(found);
}

unsigned DriveType(const std::string& root) { return GetDriveTypeA(root.c_str()); }

// Entries with any of the attributes read-only, hidden, system, volume
// label, directory and archive are found.
bool FindEntry(const std::string& path, std::uint32_t& attributes) {
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  attributes = entry.dwFileAttributes;
  return true;
}

IoResult MakeDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) ? kIoOk : LastError();
}

IoResult DeleteDirectory(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) ? kIoOk : LastError();
}

namespace {

constexpr const char* kHoldFileName = "~PMFFFFF.TMP";

std::string HoldPath(const std::string& folder) {
  return folder + (folder.empty() || folder.back() == '\\' ? "" : "\\") + kHoldFileName;
}

}  // namespace

bool HoldFileName(const std::string& name) { return name == kHoldFileName; }

// Windows 95, 98 and ME may ignore FILE_FLAG_DELETE_ON_CLOSE, so the file
// is also deleted by name, while it is still held: Windows NT refuses that
// (the hold shares nothing) and deletes it at the close, 9x deletes the
// open file.  Deleting it after the close could take another run's hold.
IoResult HoldFolder(const std::string& folder, FileHandle& hold) {
  const HANDLE h = CreateFileA(HoldPath(folder).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  hold = reinterpret_cast<FileHandle>(h);
  if (h != INVALID_HANDLE_VALUE) return kIoOk;
  return GetLastError() == ERROR_SHARING_VIOLATION ? kFolderHeld : LastError();
}

void ReleaseFolder(const std::string& folder, FileHandle hold) {
  DeleteFileA(HoldPath(folder).c_str());
  CloseHandle(Native(hold));
}

}  // namespace platform
