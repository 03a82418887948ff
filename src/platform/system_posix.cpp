#include "platform/system.hpp"

#include <cstring>
#include <filesystem>

namespace platform {

std::string ErrorText(IoResult code) {
  if (code == kNotAFile) return "not a plain file (a folder, a device, a pipe, or a link where a file is written)";
  if (code == kShortRead) return kShortReadText;
  return std::strerror(code);
}

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.string();
}

bool DeviceByName(const std::string&) { return false; }

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace platform
