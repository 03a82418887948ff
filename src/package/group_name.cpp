#include "package/group_name.hpp"

namespace package {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "..", "...", ".. " and the like: names that can climb to a parent.
bool ClimbsUp(const std::string& component) {
  const std::size_t end = component.find_last_not_of(' ');
  if (end == std::string::npos || end < 1) return false;
  return component.find_first_not_of('.') > end;
}

}  // namespace

// Scanned byte by byte: a second byte of a double-byte character that
// reads as '\' only splits a name into more components, so a name is at
// worst refused, never let through wrongly.
bool GroupNameStaysInside(const std::string& name) {
  if (!name.empty() && IsSeparator(name.front())) return false;
  if (name.find(':') != std::string::npos) return false;
  std::string component;
  for (const char c : name + '\\') {
    if (!IsSeparator(c)) {
      component += c;
      continue;
    }
    if (ClimbsUp(component)) return false;
    component.clear();
  }
  return true;
}

}  // namespace package
