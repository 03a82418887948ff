// How an extraction goes on and how it ended.
//
// Running is the one flag every part of the run looks at: the decoder
// before each symbol, the volume reader and the output writer at each
// call.  Whatever stops the run records why, once, where it happens: the
// first reason stands, and the front end reports from it.
#pragma once

#include <cstdint>
#include <string>

#include <vector>

#include "extract/force_directory.hpp"
#include "platform/file.hpp"

namespace extract {

enum class Outcome {
  kUnderway,            // nothing has ended the run yet
  kInstalled,
  kCancelled,           // by the user, or a disk the user did not insert
  kNoDestination,       // the destination directory could not be created
  kCannotCreateOutput,  // no file could be created in the destination
  kNoFirstVolume,       // DISK1.CMP cannot be opened
  kWriteFailed,         // the payload could not be written in full
  kInputRanDry,         // the volumes ended before the payload was complete
  kReadFailed,          // a volume could not be read
  kInputLeftOver,       // the payload ended before the volumes did
  kDecoderFailed,       // the decoder could not get its tables
  kSplitFailed,         // a file could not be carved out
  kVolumeDamaged,       // a volume differs from the package's integrity record
  kPayloadDamaged,      // the decoded payload differs from the integrity record
  kCannotReplace,       // a file already installed could not be replaced
  kFolderInUse,         // another installation is writing into the destination
};

// The file a failed run stopped at (an installer path) and why: the
// system's error code, or the installer's own reason when it refused the
// file itself.
struct StopPoint {
  std::string path;
  platform::IoResult code = platform::kIoOk;
  const char* reason = nullptr;
};

// A file the run writes under a temporary name in InstallDir, to be put
// in place under its final name once every file is complete.
struct PendingFile {
  std::string temporary;   // emptied once the file has taken its final name
  std::string final_path;
  std::string backup;      // the old file's second name until the run is over
  // The folders under InstallDir that were made for this file.
  DirectoryLevels folders;
};

struct ExtractionState {
  // 1 while the run may go on.  Set when an installation starts; cleared
  // only through EndRun.
  std::int32_t Running = 0;
  Outcome RunOutcome = Outcome::kUnderway;
  StopPoint StoppedAt;
  // The payload file first (it becomes the main program, put in place
  // last), then each carved file in the splitter's order.
  std::vector<PendingFile> Pending;
  // The number in the next temporary's name.
  std::uint32_t NextTemporary = 0;
  // The destination's levels that this installation created, and the
  // level that could not be created.
  DirectoryLevels Destination;
  // InstallDir, held from before the run's first file to its end.
  platform::FileHandle Hold = platform::kNoFile;
  // The run installs the whole files of a package with a bad disk: the
  // front end has cut the setup block down to them and to the sound
  // volumes before it, so the stream ends early on purpose and the
  // checks of a complete stream do not apply.
  bool Salvaging = false;
};

// Defined in one place: an inline definition with strings in it would
// give every file that includes this one an initialiser of its own, and
// SETUP.EXE a few kilobytes.
extern ExtractionState Extraction;

// Clears Running and records how the run ended, unless that is recorded
// already: a failure, a cancel or kInstalled.
void EndRun(Outcome why);

// The same for a failure that concerns one file; passes code on.
platform::IoResult EndRun(Outcome why, const std::string& path, platform::IoResult code, const char* reason = nullptr);

}  // namespace extract
