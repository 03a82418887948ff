// A manifest entry that names a folder: it stands for every regular file
// under it, in its subfolders too, which include and exclude patterns
// narrow.  A pattern is a glob ('*', '?', '[...]'): one without '/' is
// matched against a file's name, one with '/' against its path within the
// folder; '*' never crosses a '/', and ASCII letters match in either case,
// as Windows names do.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pmsetup {

struct FolderFile {
  std::filesystem::path source;
  std::string relative;  // UTF-8, components separated by '/'
};

// Whether text matches pattern as above.
bool GlobMatches(std::string_view pattern, std::string_view text);

// The files under folder that some include matches (every one when there
// is no include) and no exclude does, sorted by their path within it.
// Links to files count as files; links to folders are not followed, so a
// loop cannot make the list endless.  Empty, with error set, when the
// folder cannot be read.
std::vector<FolderFile> FilesInFolder(const std::filesystem::path& folder, const std::vector<std::string>& include,
                                      const std::vector<std::string>& exclude, std::string& error);

}  // namespace pmsetup
