#include "packing/folder_entry.hpp"

#include <algorithm>

#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

namespace fs = std::filesystem;

char Folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

// Whether c is in the set that starts after '[' at pattern[at]; at is
// moved past its ']'.  A set that never closes matches nothing.
bool InSet(std::string_view pattern, std::size_t& at, char c) {
  const bool negated = at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^');
  if (negated) ++at;
  bool found = false;
  for (bool first = true; at < pattern.size() && (first || pattern[at] != ']'); first = false) {
    const char low = Folded(pattern[at]);
    if (at + 2 < pattern.size() && pattern[at + 1] == '-' && pattern[at + 2] != ']') {
      found |= Folded(c) >= low && Folded(c) <= Folded(pattern[at + 2]);
      at += 3;
    } else {
      found |= Folded(c) == low;
      ++at;
    }
  }
  if (at >= pattern.size()) return false;
  ++at;  // the ']'
  return found != negated;
}

bool Matches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0;
  // Where the last '*' was, to let it take one more character on a mismatch.
  std::size_t star = std::string_view::npos, star_text = 0;
  while (t < text.size()) {
    std::size_t next = p;
    bool step = false;
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p, star_text = t;
      continue;
    }
    if (p < pattern.size() && text[t] != '/') {
      if (pattern[p] == '?') step = true, next = p + 1;
      else if (pattern[p] == '[') next = p + 1, step = InSet(pattern, next, text[t]);
      else step = Folded(pattern[p]) == Folded(text[t]), next = p + 1;
    } else if (p < pattern.size()) {
      step = pattern[p] == '/', next = p + 1;
    }
    if (step) {
      p = next, ++t;
    } else if (star != std::string_view::npos && text[star_text] != '/') {
      p = star, t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool AnyMatches(const std::vector<std::string>& patterns, const std::string& relative) {
  const std::string name = relative.substr(relative.rfind('/') + 1);  // npos + 1 is 0
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
    return GlobMatches(pattern, pattern.find('/') == std::string::npos ? name : relative);
  });
}

}  // namespace

bool GlobMatches(std::string_view pattern, std::string_view text) { return Matches(pattern, text); }

std::vector<FolderFile> FilesInFolder(const fs::path& folder, const std::vector<std::string>& include,
                                      const std::vector<std::string>& exclude, std::string& error) {
  std::vector<FolderFile> files;
  std::error_code failure;
  fs::recursive_directory_iterator walk(folder, failure), end;
  for (; !failure && walk != end; walk.increment(failure)) {
    std::error_code kind_error;
    if (!walk->is_regular_file(kind_error)) continue;
    const std::string relative = Text(fs::path(walk->path().lexically_relative(folder).generic_u8string()));
    if ((include.empty() || AnyMatches(include, relative)) && !AnyMatches(exclude, relative)) {
      files.push_back({walk->path(), relative});
    }
  }
  if (failure) {
    error = "cannot read folder " + ShownPath(folder) + ": " + failure.message();
    return {};
  }
  std::sort(files.begin(), files.end(), [](const FolderFile& a, const FolderFile& b) { return a.relative < b.relative; });
  return files;
}

}  // namespace pmsetup
