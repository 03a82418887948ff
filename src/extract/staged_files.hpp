// Files written under temporary names and put in place at the end.
//
// An installation writes nothing under a final name until every file is
// complete: the payload file and each carved file are created under
// names of their own (~PMxxxxx.TMP, five hex digits), made exclusively
// in InstallDir.  Only after the split has succeeded are they put in place,
// the main program last; if any file cannot take its name, the ones
// already placed get their old files back.  A run that fails or is
// cancelled removes its temporaries and the destination levels it made,
// so that the folder holds what it held before.  Temporaries left by a
// killed run are recognised by their names and removed by the next run
// into the same folder.
#pragma once

#include <string>

#include "platform/file.hpp"

namespace extract {

// The length of every temporary's name: a destination must leave room for
// it within platform::kLongestPath.
constexpr std::size_t kTemporaryNameLength = 12;

// Creates a new file under a temporary name in InstallDir, open for
// reading and writing (others may only read), and records it as pending
// with final_path; a name taken by anyone else is skipped for another.
// Returns the system's code for the last attempt.
platform::IoResult CreatePending(const std::string& final_path, platform::FileHandle& handle);

// Holds InstallDir for this run, so that no other installation writes
// into it until ReleaseDestination: the other would take this run's
// temporaries for leftovers.  False, with the run ended as kFolderInUse
// (or kCannotCreateOutput), when it cannot be held.
bool HoldDestination();
void ReleaseDestination();

// Removes the temporaries a killed run left in InstallDir, which this run
// holds.
void RemoveLeftovers();

// Puts every pending file in place, the carved files in their order and
// the main program last.  The folders they go into are made first: one
// that cannot be made ends the run as kNoDestination.  Every final name is checked first: one that
// cannot be replaced (a folder, a file held open, a read-only one) ends
// the run as kCannotReplace before anything is replaced.  If a step still
// fails, the files placed before it get their old files back.
bool PutInPlace();

// After a run that did not install: removes every temporary, lets go of
// InstallDir, and removes the folders and destination levels this
// installation made when they are empty.
void DiscardRun();

}  // namespace extract
