// The values an installation's stages share for the whole run.  They are
// set when the installation starts and when its destination is chosen
// (extract/installation.hpp); every later stage only reads them.
#pragma once

#include <array>
#include <string>

namespace common {

// Button labels: the first button's, then the second's.
using LabelPair = std::array<std::string, 2>;

struct SessionValues {
  // The folder of the package's SETUP.EXE, with its trailing backslash:
  // where the volumes are looked for.
  std::string SourceDir;
  // The destination directory the user confirmed.
  std::string InstallDir;
  // InstallDir joined with the main program's name: the decoded payload is
  // written there and then cut down to the main program.
  std::string BlobPath;
  // Copied once from the package texts.
  LabelPair OkCancelLabels;
  LabelPair YesNoLabels;
};

inline SessionValues Session;

}  // namespace common
