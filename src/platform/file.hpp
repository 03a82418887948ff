// Byte-level file access for the portable core.
//
// Every operation reports an I/O result code: 0 for success, otherwise the
// operating system's error code.  Handles are plain numbers; a handle counts
// as open when it is greater than zero, so callers can test it the same way
// on every system.  Paths are Windows paths (backslash separators); the
// POSIX implementation maps them onto its own file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using FileHandle = std::intptr_t;
using IoResult = std::int32_t;

constexpr FileHandle kNoFile = -1;
constexpr IoResult kIoOk = 0;
// No file of that name: ENOENT and ERROR_FILE_NOT_FOUND share the number,
// except under Emscripten, whose errno values are WASI's.
#ifdef __EMSCRIPTEN__
constexpr IoResult kFileNotFound = 44;
#else
constexpr IoResult kFileNotFound = 2;
#endif
// A read that delivered fewer bytes than a fixed-size field needs.
constexpr IoResult kShortRead = 100;
constexpr const char* kShortReadText = "fewer bytes were read or written than needed";
// The path names something other than a plain file (a folder, a device, a
// pipe, or a link where a file is to be written); Windows' "cannot access
// the file".
constexpr IoResult kNotAFile = 1920;
// The longest path that Windows' ANSI file functions take.
constexpr std::size_t kLongestPath = 259;
// The longest folder path that Windows creates: room is kept for a file
// name of 8.3 characters.
constexpr std::size_t kLongestFolderPath = 247;
// The longest name, one component, that Linux's file systems take: 255
// bytes, and names there are UTF-8.
constexpr std::size_t kLongestUtf8Name = 255;

enum Access : unsigned { kRead = 1, kWrite = 2 };
// Which access other openers of the same file keep while this handle is open.
enum Share : unsigned { kShareNone = 0, kShareRead = 1, kShareWrite = 2 };
// kCreateNew makes a file only where nothing has the name yet: no file,
// folder or link (a link is never followed).  It fails then with a code
// for which NameTaken holds.
enum class Disposition { kCreateAlways, kOpenExisting, kCreateNew };

// Opens a plain file.  Anything else fails with kNotAFile, and a path
// longer than kLongestPath cannot be created.
IoResult FileOpen(const std::string& path, unsigned access, unsigned share,
                  Disposition disposition, FileHandle& handle);
// For the tools: opens an existing plain file for reading by the name
// this system gives it, in UTF-8, with no code page in between (on POSIX
// the bytes as they are, on Windows any script).  Anything else fails with
// kNotAFile, at once: a pipe is not waited for.
IoResult FileOpenByNativePath(const std::string& utf8_path, FileHandle& handle);
IoResult FileRead(FileHandle handle, void* buffer, std::uint32_t count,
                  std::uint32_t& got);
IoResult FileWrite(FileHandle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t& written);
// Moves to an absolute position; a negative position fails.
IoResult FileSeek(FileHandle handle, std::int32_t position);
IoResult FileSize(FileHandle handle, std::int64_t& size);
// Ends the file at the current position, shortening or lengthening it.
IoResult FileTruncate(FileHandle handle);
// Sets when the file open for writing was last modified, in seconds
// since 1970-01-01 00:00 UTC; it holds once the file is closed.
IoResult FileSetTime(FileHandle handle, std::uint32_t unix_time);
IoResult FileClose(FileHandle handle);
IoResult FileDelete(const std::string& path);

// Whether a failure says that the name is taken (kCreateNew), or that
// nothing has it (kOpenExisting).
bool NameTaken(IoResult code);
bool NoSuchFile(IoResult code);

// Whether a plain file may take path's place now: nothing is there, or a
// file that could be written (not a folder or a device, not read-only,
// not held open).  A link is judged by what it leads to, as Windows opens
// it; FileReplace then replaces the link itself, never what it leads to.
IoResult CanReplace(const std::string& path);

// Puts the plain file `from` in place of `to`, in the same folder,
// replacing the plain file (or link) that has that name, if any: `to` names the old
// file or the new one at every moment, where the system can replace a
// file in one step.  With backup, a name this process has reserved with
// kCreateNew, the old file is also kept under that name; when `to` held
// no file there is nothing to keep, the reservation is removed and
// *backup is cleared.  Files held open cannot be moved.
IoResult FileReplace(const std::string& from, const std::string& to, std::string* backup);

// Calls visit with the name of each plain file in a folder that matches
// pattern, a last component with the wildcards '*' and '?', compared
// without regard to case.  Others may match as well (Windows also matches
// short names): visit checks each name.
void VisitMatchingFiles(const std::string& folder, const std::string& pattern, void (*visit)(const std::string& name));

// Drive types as Windows numbers them: 0 unknown, 1 no such root
// directory, 2 and above a usable drive (removable, fixed, remote, CD-ROM,
// RAM disk).  The root is a drive followed by a backslash ("C:\", "\\s\sh\",
// or a lone backslash for the current drive).
unsigned DriveType(const std::string& root);

constexpr std::uint32_t kDirectoryAttribute = 0x10;

// Looks up one directory entry by name; false when there is none.
bool FindEntry(const std::string& path, std::uint32_t& attributes);

IoResult MakeDirectory(const std::string& path);
// Removes an empty directory.
IoResult DeleteDirectory(const std::string& path);

// Another process holds the folder (HoldFolder).
constexpr IoResult kFolderHeld = 33;  // ERROR_LOCK_VIOLATION

// Holds an existing folder for this process until ReleaseFolder, so that
// two installations never write into it at once: a second holder, of
// this process or another, gets kFolderHeld.  The system lets go when the
// process ends, however it ends.  On Windows the hold is a file in the
// folder, named like the installers' temporaries ("~PMFFFFF.TMP"), opened
// with no sharing; so a hold that a crash on Windows 9x left behind is
// removed as a leftover.  On POSIX the folder itself is locked.
IoResult HoldFolder(const std::string& folder, FileHandle& hold);
// Whether name is that of the file a hold is, where it is one.
bool HoldFileName(const std::string& name);
void ReleaseFolder(const std::string& folder, FileHandle hold);

}  // namespace platform
