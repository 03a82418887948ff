// How an extraction goes on and how it ended.
//
// Running is the one flag every part of the run looks at: the decoder
// before each symbol, the volume reader and the output writer at each
// call.  Whatever stops the run records why, once, where it happens: the
// first reason stands, and the front end reports from it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.hpp"

namespace extract {

enum class Outcome {
  kUnderway,            // nothing has ended the run yet
  kInstalled,
  kCancelled,           // by the user, or a disk the user did not insert
  kNoDestination,       // the destination directory could not be created
  kCannotCreateOutput,  // the payload file could be neither created nor opened
  kNoFirstVolume,       // DISK1.CMP cannot be opened
  kWriteFailed,         // the payload could not be written in full
  kInputRanDry,         // the volumes ended before the payload was complete
  kReadFailed,          // a volume could not be read
  kInputLeftOver,       // the payload ended before the volumes did
  kDecoderFailed,       // the decoder could not get its tables
  kSplitFailed,         // a file could not be carved out
  kVolumeDamaged,       // a volume differs from the package's integrity record
  kPayloadDamaged,      // the decoded payload differs from the integrity record
};

// The file a failed run stopped at (an installer path) and why: the
// system's error code, or the installer's own reason when it refused the
// file itself.
struct StopPoint {
  std::string path;
  platform::IoResult code = platform::kIoOk;
  const char* reason = nullptr;
};

struct ExtractionState {
  // 1 while the run may go on.  Set when an installation starts; cleared
  // only through EndRun.
  std::int32_t Running = 0;
  Outcome RunOutcome = Outcome::kUnderway;
  StopPoint StoppedAt;
  // Whether the run created the payload file (BlobPath) afresh, rather
  // than finding it held or opening one that was there.
  bool OutputCreated = false;
};

inline ExtractionState Extraction;

// Clears Running and records how the run ended, unless that is recorded
// already: a failure, a cancel or kInstalled.
void EndRun(Outcome why);

// The same for a failure that concerns one file; passes code on.
platform::IoResult EndRun(Outcome why, const std::string& path, platform::IoResult code, const char* reason = nullptr);

}  // namespace extract
