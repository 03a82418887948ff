#include "package/group_name.hpp"

#include <cstring>

#include "platform/ansi.hpp"
#include "platform/code_page.hpp"
#include "platform/device_name.hpp"

namespace package {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Reserved(unsigned char c) { return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr; }

bool UsableComponent(const std::string& component, int code_page) {
  if (component.empty()) return true;  // a doubled or trailing separator
  if (component.find_first_not_of(". ") == std::string::npos) return false;
  return !platform::WindowsDeviceName(component, code_page);
}

}  // namespace

bool UsableGroupName(const std::string& name) { return UsableGroupName(name, platform::SystemCodePage()); }

bool UsableGroupName(const std::string& name, int code_page) {
  if (!name.empty() && IsSeparator(name.front())) return false;
  std::size_t start = 0;  // where the component being read begins
  for (std::size_t k = 0; k < name.size(); k += platform::CharacterLength(name, k, code_page)) {
    if (platform::CharacterLength(name, k, code_page) == 2) continue;
    if (Reserved(static_cast<unsigned char>(name[k]))) return false;
    if (!IsSeparator(name[k])) continue;
    if (!UsableComponent(name.substr(start, k - start), code_page)) return false;
    start = k + 1;
  }
  return UsableComponent(name.substr(start), code_page);
}

}  // namespace package
