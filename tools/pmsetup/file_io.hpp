// Whole-file reads and all-or-nothing writes for the tool's commands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pmsetup {

// The tool keeps every path as UTF-8 text (as in a manifest); these turn
// it into a path for the file system and back, on Windows too.
std::filesystem::path Path(const std::string& utf8);
std::string Text(const std::filesystem::path& path);

// The bytes of a file, pipe or device up to its end, or nothing (with
// error set to a message) when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error);

// Writes bytes to path, replacing it; false when not every byte could be
// written.
bool WriteFileExactly(const std::string& path, std::span<const std::uint8_t> bytes);

// Writes to a temporary name beside path and renames it into place, so
// that a failure never leaves a partial file; a device, pipe or link is
// written into directly.  Returns an error message, or an empty string on success.
std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace pmsetup
