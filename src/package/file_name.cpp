#include "package/file_name.hpp"

#include <cstdlib>
#include <cstring>

#include "common/path_text.hpp"
#include "platform/ansi.hpp"
#include "platform/code_page.hpp"
#include "platform/device_name.hpp"

namespace package {
namespace {

constexpr std::size_t kLongestName = 255;

bool Reserved(unsigned char c) { return c < 0x20 || std::strchr("\\/:<>\"|?*", c) != nullptr; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

std::string Upper(std::string text) {
  for (char& c : text) c = Upper(c);
  return text;
}

bool HexDigit(char c) { return (c >= '0' && c <= '9') || (Upper(c) >= 'A' && Upper(c) <= 'F'); }

}  // namespace

std::size_t BackslashInCharacter(const std::string& text, int code_page) {
  for (std::size_t k = 0; k < text.size(); k += platform::CharacterLength(text, k, code_page)) {
    if (platform::CharacterLength(text, k, code_page) == 2 && text[k + 1] == '\\') return k;
  }
  return std::string::npos;
}

const char* FileNameProblem(const std::string& name) { return FileNameProblem(name, platform::SystemCodePage()); }

const char* FileNameProblem(const std::string& name, int code_page) {
  if (name.empty() || name == "." || name == "..") return "it names no file";
  if (name.size() > kLongestName) return "it is longer than 255 bytes";
  if (BackslashInCharacter(name, code_page) != std::string::npos) {
    return "the second byte of a character is a backslash, which the installer's path handling would take as a "
           "separator";
  }
  for (std::size_t k = 0; k < name.size(); k += platform::CharacterLength(name, k, code_page)) {
    const bool ascii = platform::CharacterLength(name, k, code_page) == 1;
    if (ascii && Reserved(static_cast<unsigned char>(name[k]))) {
      return "it holds a control character or one of \\ / : < > \" | ? *";
    }
  }
  if (name.back() == '.' || name.back() == ' ') return "it ends in a dot or a space, which Windows drops";
  if (platform::WindowsDeviceName(name, code_page)) return "it names a Windows device";
  return nullptr;
}

std::string InstalledName(const std::string& entry_name, const char** problem) {
  const std::size_t separator = entry_name.find_last_of("\\/:");
  std::string name = common::ExtractFileName(separator == std::string::npos ? entry_name
                                                                           : entry_name.substr(separator + 1));
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  const char* found = FileNameProblem(name);
  if (problem != nullptr) *problem = found;
  return found == nullptr ? name : std::string();
}

std::string InstalledPath(const std::string& entry_name, bool folder_names, const char** problem) {
  if (!folder_names) return InstalledName(entry_name, problem);
  std::string path;
  for (std::size_t start = 0;;) {
    const std::size_t end = entry_name.find_first_of("\\/", start);
    // An empty component is no name; InstalledName would take the one before.
    const std::string component = InstalledName(end == start ? "." : entry_name.substr(start, end - start), problem);
    if (component.empty()) return component;
    path += component;
    if (end == std::string::npos) return path;
    path += '\\';
    start = end + 1;
  }
}

std::string VolumeName(int n) { return "DISK" + std::to_string(n) + ".CMP"; }

bool InstallerTemporaryName(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper.size() != 12 || upper.compare(0, 3, "~PM") != 0 || upper.compare(8, 4, ".TMP") != 0) return false;
  for (int k = 3; k < 8; ++k) {
    if (!HexDigit(upper[k])) return false;
  }
  return true;
}

bool InstallerName(const std::string& name) { return Upper(name) == "SETUP.EXE"; }

int VolumeNumber(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper.size() < 9 || upper.size() > 12 || upper.compare(0, 4, "DISK") != 0) return 0;
  const int n = std::atoi(upper.c_str() + 4);
  return n > 0 && upper == VolumeName(n) ? n : 0;
}

bool PackageVolume(const std::string& name, int disk_count) {
  const int n = VolumeNumber(name);
  return n > 0 && n <= (disk_count > 1 ? disk_count : 1);
}

}  // namespace package
