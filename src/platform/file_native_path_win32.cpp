// Opening a file by its UTF-8 name, for the tools: the name goes to the
// wide CreateFileW, which Windows 95, 98 and ME have only as a stub that
// fails.  SETUP.EXE never links this file, so it never imports that stub.
#include <windows.h>

#include <string>

#include "platform/file.hpp"

namespace platform {

IoResult FileOpenByNativePath(const std::string& utf8_path, FileHandle& handle) {
  handle = reinterpret_cast<FileHandle>(INVALID_HANDLE_VALUE);
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_path.c_str(), -1, nullptr, 0);
  if (length <= 0) return static_cast<IoResult>(GetLastError());
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_path.c_str(), -1, wide.data(), length);
  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return static_cast<IoResult>(GetLastError());
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return kNotAFile;
  }
  handle = reinterpret_cast<FileHandle>(h);
  return kIoOk;
}

}  // namespace platform
