// One extraction: create the payload file, decode every volume into it,
// and carve the packaged files out of it.  The progress dialog of
// SETUP.EXE and pmsetup install both run it; their user interface is
// reached through UserInterface.
#pragma once

namespace extract {

enum class Outcome {
  kInstalled,
  kCancelled,           // by the user, or a disk the user did not insert
  kCannotCreateOutput,  // the payload file could be neither created nor opened
  kNoFirstVolume,       // DISK1.CMP cannot be opened
  kWriteFailed,         // the payload could not be written in full
  kInputRanDry,         // the volumes ended before the payload was complete
  kReadFailed,          // a volume could not be read
  kInputLeftOver,       // the payload ended before the volumes did
  kDecoderFailed,       // the decoder could not get its tables
  kSplitFailed,         // a file could not be carved out
};

// Whether the last run created the payload file (BlobPath) afresh,
// rather than finding it held or opening one that was there.
inline bool OutputCreated = false;

// Runs the extraction with driver::Running set by the caller; leaves
// Running true exactly when the payload was installed.  A failure leaves
// in StoppedAt (stop_point.hpp) the file it concerns, where it knows one.
Outcome RunExtraction();

}  // namespace extract
