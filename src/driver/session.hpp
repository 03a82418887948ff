// Values that the installation's stages share for the whole run.  The
// driver sets them in order; each is written before the stage that reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace driver {

using LabelPair = std::array<std::string, 2>;

// The directory of the running SETUP.EXE, with its trailing backslash:
// where the volumes are looked for.
inline std::string SourceDir;
// The destination directory the user confirmed.
inline std::string InstallDir;
// InstallDir joined with the main program's name: the decoded payload is
// written there and then cut down to the main program.
inline std::string BlobPath;
// Button labels, copied once from the package texts.
inline LabelPair OkCancelLabels;
inline LabelPair YesNoLabels;

// True while the extraction may go on.  The progress meter sets it when
// the run starts; a confirmed Cancel, the progress dialog's end, a declined
// disk or a failed open clears it.  The decoder tests it before every
// symbol, the volume reader and the output writer at every call.
inline std::int32_t Running = 0;

}  // namespace driver
