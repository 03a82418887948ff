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

bool FileReader::Open(const std::string& path, std::string& error) {
  std::error_code status_error;
  const std::filesystem::file_status status = std::filesystem::status(Path(path), status_error);
  if (std::filesystem::is_directory(status)) {
    error = "cannot read " + path + ": " + Reason(std::errc::is_a_directory);
    return false;
  }
  in_.open(Path(path), std::ios::binary);
  if (!in_) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (std::filesystem::is_regular_file(status)) size_ = std::filesystem::file_size(Path(path), status_error);
  if (status_error) size_.reset();
  return true;
}

std::size_t FileReader::Read(std::span<std::uint8_t> buffer) {
  std::size_t got = 0;
  while (got < buffer.size() && in_.good()) {
    in_.read(reinterpret_cast<char*>(buffer.data() + got), static_cast<std::streamsize>(buffer.size() - got));
    got += static_cast<std::size_t>(in_.gcount());
  }
  return got;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::string& error) {
  FileReader reader;
  if (!reader.Open(path, error)) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 16];
  for (std::size_t got; (got = reader.Read(chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
  if (reader.Failed()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  return bytes;
}

std::string PartialFile::Open(const std::string& path, bool in_place_if_special) {
  Discard();
  std::error_code error;
  if (std::filesystem::is_directory(Path(path), error)) return Reason(std::errc::is_a_directory);
  const auto type = std::filesystem::symlink_status(Path(path), error).type();
  const bool in_place = in_place_if_special && ((type != std::filesystem::file_type::not_found &&
                                                 type != std::filesystem::file_type::regular) ||
                                                platform::DeviceByName(path));
  path_ = path;
  target_ = in_place ? path : path + ".partial";
  out_.open(Path(target_), std::ios::binary | std::ios::trunc);
  if (!out_) return std::strerror(errno);
  pending_ = !in_place;
  return std::string();
}

std::string PartialFile::Write(std::span<const std::uint8_t> bytes) {
  out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out_ ? std::string() : std::strerror(errno);
}

std::string PartialFile::Close() {
  if (!out_.is_open()) return std::string();
  out_.close();
  return out_ ? std::string() : std::strerror(errno);
}

std::string PartialFile::Commit() {
  if (std::string reason = Close(); !reason.empty()) return reason;
  if (!pending_) return std::string();
  std::error_code error;
  std::filesystem::rename(Path(target_), Path(path_), error);
  if (error) return error.message();
  pending_ = false;
  return std::string();
}

void PartialFile::Discard() {
  if (out_.is_open()) out_.close();
  if (!pending_) return;
  std::error_code error;
  std::filesystem::remove(Path(target_), error);
  pending_ = false;
}

std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  PartialFile file;
  std::string reason = file.Open(path, true);
  if (reason.empty()) reason = file.Write(bytes);
  if (reason.empty()) reason = file.Commit();
  return reason.empty() ? std::string() : "cannot write " + path + ": " + reason;
}

}  // namespace pmsetup
