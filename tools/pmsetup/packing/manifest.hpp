// The package manifest: a TOML file that names the colours, the texts and
// the files of a package.  Every key is described in the README.
//
//   code_page = 1252                  # optional, the texts' Windows code page
//   [colours]                         # optional, "#RRGGBB"
//   top = "#000080"
//   bottom = "#0000FF"
//   title = "#FFFFFF"
//   [texts]                           # Title and DefaultDir are required
//   Title = "Moonquill"
//   DefaultDir = 'C:\Moonquill'
//   [files]
//   main = "bin/MOONQ.EXE"            # the program the package installs
//   other = ["README.TXT", { source = "doc/manual.txt", name = "MANUAL.TXT" }]
//
// File paths are relative to the manifest.  A file is installed under the
// last component of its path unless a name is given; a name may hold
// folders ('Help\Manual.txt').  An entry of other may name a folder:
//   { source = "help", name = "Help", include = ["*.txt"], exclude = ["*.bak"] }
// stands for every file under it (packing/folder_entry.hpp).
#pragma once

#include <string>
#include <vector>

#include "package/setup_block.hpp"

namespace pmsetup {

struct ManifestFile {
  std::string source;  // path on this machine
  std::string name;    // installed name, in the package's code page
};

struct Manifest {
  std::uint32_t TopColor = 0;
  std::uint32_t BottomColor = 0;
  std::uint32_t TitleColor = 0;
  int code_page = 1252;
  package::SetupTextArray texts;  // in the package's code page
  ManifestFile main;
  std::vector<ManifestFile> others;
  // Some name holds a folder: the installers create the folders.
  bool folder_names = false;
  // What packs but may not install everywhere, each naming file and line.
  std::vector<std::string> warnings;
};

// The default wording of every text a manifest leaves out.
extern const package::SetupTextArray kDefaultTexts;

// Reads and checks a manifest.  On failure returns false and fills errors
// with one message per problem, each naming the file and line.
bool ReadManifest(const std::string& path, Manifest& manifest, std::vector<std::string>& errors);

}  // namespace pmsetup
