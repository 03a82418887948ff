#include "file_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/system.hpp"

namespace pmsetup {

std::filesystem::path Path(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Text(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

namespace {

std::string Reason(std::errc code) { return std::make_error_code(code).message(); }

}  // namespace

// Read to the end rather than by the size on disk, so that pipes and
// devices (/dev/stdin, <(...)) work as well as files.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error) {
  std::error_code ignored;
  if (std::filesystem::is_directory(Path(path), ignored)) {
    error = "cannot read " + path + ": " + Reason(std::errc::is_a_directory);
    return std::nullopt;
  }
  std::ifstream in(Path(path), std::ios::binary);
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  return bytes;
}

bool WriteFileExactly(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(Path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::error_code error;
  if (std::filesystem::is_directory(Path(path), error)) {
    return "cannot write " + path + ": " + Reason(std::errc::is_a_directory);
  }
  // Only a plain file (or none) is replaced through a rename.  Anything
  // else is written into: a device or pipe (/dev/null, a FIFO) would be
  // replaced by a plain file, and so would a link (/dev/stdout, or a
  // link the user keeps pointing at the real file).
  const auto type = std::filesystem::symlink_status(Path(path), error).type();
  const bool in_place = (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular) ||
                        platform::DeviceByName(path);
  const std::string target = in_place ? path : path + ".partial";
  if (!WriteFileExactly(target, bytes)) {
    const std::string reason = std::strerror(errno);
    if (!in_place) std::filesystem::remove(Path(target), error);
    return "cannot write " + path + ": " + reason;
  }
  if (in_place) return std::string();
  std::filesystem::rename(Path(target), Path(path), error);
  if (error) {
    const std::string reason = error.message();
    std::filesystem::remove(Path(target), error);
    return "cannot write " + path + ": " + reason;
  }
  return std::string();
}

}  // namespace pmsetup
