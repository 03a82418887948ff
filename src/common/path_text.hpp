// Small helpers on Windows paths and package texts.
//
// Paths use the backslash as separator and a colon after a drive letter.
// Scanning is byte by byte in the ANSI code page: no helper looks at
// multi-byte characters.  Every helper returns a new string.
#pragma once

#include <cstdint>
#include <string>

namespace common {

// directory + '\' + name, without doubling a trailing backslash; an empty
// directory yields the name alone.
std::string JoinPath(const std::string& directory, const std::string& name);

// Replaces the first occurrence of placeholder (found without regard to
// case) by value; when there is none, appends fallback.
std::string ReplaceToken(const std::string& text, const std::string& placeholder,
                         const std::string& value, const std::string& fallback);

// Replaces the extension after the last '.' of the file name, or adds one.
std::string ChangeFileExt(const std::string& name, const std::string& extension);

// Everything up to and including the last '\' or ':'.
std::string ExtractFilePath(const std::string& name);

// "C:" for a drive path, "\\server\share" for a network path, else empty.
std::string ExtractFileDrive(const std::string& name);

// The path as Windows resolves it before it reaches a file system: a "."
// component is dropped and a ".." one takes away the component before it,
// but never the drive or the root (C:\..\x is C:\x).  '\' and '/' both
// separate; the result has '\' alone, and ends in one only when it is a
// bare root.  The bytes '\', '/' and '.' must be those characters: give
// UTF-8, not a double-byte code page.
std::string ResolveDots(const std::string& path);

// What follows the last '\' or ':', at most 255 characters.
std::string ExtractFileName(const std::string& name);

std::uint8_t MinByte(std::uint8_t a, std::uint8_t b);
std::uint8_t MaxByte(std::uint8_t a, std::uint8_t b);

// Deletes a file and ignores every error.
void DeleteFileQuiet(const std::string& name);

}  // namespace common
