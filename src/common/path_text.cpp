#include "common/path_text.hpp"

#include <algorithm>
#include <vector>

#include "platform/ansi.hpp"
#include "platform/file.hpp"

namespace common {
namespace {

// Position of the last character of name found in separators, or npos.
std::size_t LastOf(const std::string& name, const char* separators) {
  return name.find_last_of(separators);
}

}  // namespace

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '\\') return directory + name;
  return directory + '\\' + name;
}

std::string ReplaceToken(const std::string& text, const std::string& placeholder,
                         const std::string& value, const std::string& fallback) {
  std::string result = text;
  std::string upper_text = text;
  std::string upper_placeholder = placeholder;
  platform::UpperCaseAnsi(upper_text);
  platform::UpperCaseAnsi(upper_placeholder);
  const std::size_t at = placeholder.empty() ? std::string::npos : upper_text.find(upper_placeholder);
  if (at == std::string::npos) return result + fallback;
  return result.replace(at, placeholder.size(), value);
}

std::string ChangeFileExt(const std::string& name, const std::string& extension) {
  const std::size_t at = LastOf(name, ".:\\");
  if (at != std::string::npos && name[at] == '.') return name.substr(0, at) + extension;
  return name + extension;
}

std::string ExtractFilePath(const std::string& name) {
  const std::size_t at = LastOf(name, ":\\");
  return at == std::string::npos ? std::string() : name.substr(0, at + 1);
}

std::string ExtractFileDrive(const std::string& name) {
  if (name.size() >= 2 && name[1] == ':') return name.substr(0, 2);
  if (name.size() >= 2 && name[0] == '\\' && name[1] == '\\') {
    // Take "\\server\share": stop before the backslash that follows the share.
    std::size_t end = 2;  // zero-based index of the character being looked at
    int separators = 0;
    while (end + 1 < name.size() && separators < 2) {
      if (name[end] == '\\') ++separators;
      if (separators < 2) ++end;
    }
    if (end < name.size() && name[end] == '\\') --end;
    return name.substr(0, end + 1);
  }
  return std::string();
}

std::string ResolveDots(const std::string& path) {
  std::string separated = path;
  std::replace(separated.begin(), separated.end(), '/', '\\');
  const std::string drive = ExtractFileDrive(separated);
  const bool rooted = separated.size() > drive.size() && separated[drive.size()] == '\\';
  std::vector<std::string> parts;
  std::size_t start = drive.size();
  while (start < separated.size()) {
    const std::size_t end = std::min(separated.find('\\', start), separated.size());
    const std::string part = separated.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string resolved = drive + (rooted ? "\\" : "");
  for (std::size_t k = 0; k < parts.size(); ++k) resolved += (k > 0 ? "\\" : "") + parts[k];
  return resolved;
}

std::string ExtractFileName(const std::string& name) {
  const std::size_t at = LastOf(name, ":\\");
  const std::string tail = at == std::string::npos ? name : name.substr(at + 1);
  return tail.substr(0, 255);
}

std::uint8_t MinByte(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
std::uint8_t MaxByte(std::uint8_t a, std::uint8_t b) { return a > b ? a : b; }

void DeleteFileQuiet(const std::string& name) { static_cast<void>(platform::FileDelete(name)); }

}  // namespace common
