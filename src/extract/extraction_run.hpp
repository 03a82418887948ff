// One extraction: create the payload file, decode every volume into it,
// carve the packaged files out of it, and put them all in place under
// their names (staged_files.hpp).  The progress dialog of
// SETUP.EXE and pmsetup install both run it, once an installation has
// started (installation.hpp); their user interface is reached through
// UserInterface.
#pragma once

#include "extract/run_state.hpp"

namespace extract {

// Why a payload that differs from the package's integrity record stops
// the run (kPayloadDamaged).
inline constexpr const char* kDamagedPayloadReason =
    "the unpacked files do not match the package: its setup data or a disk is damaged";

// Runs the extraction as far as Running lets it, and returns how it ended
// (Extraction.RunOutcome).  Running is clear afterwards.  A failure leaves in
// Extraction.StoppedAt the file it concerns, where it knows one, and the
// destination as it was before.
Outcome RunExtraction();

}  // namespace extract
