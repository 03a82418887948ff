// Carving the packaged files out of the decoded payload.
//
// The payload file (BlobPath) holds every packaged file back to back, the
// main program first.  Each other entry is copied into a file of its own
// in InstallDir, named by the last component of its name; then the
// payload file is cut down to the main program's size, so that it becomes
// the main program itself.
#pragma once

#include "package/setup_block.hpp"
#include "platform/file.hpp"

namespace extract {

// True when every copy, the truncation and the final close succeeded;
// otherwise the run stops as kSplitFailed at the file concerned.  Stops at
// the first entry that cannot be copied; files carved before it stay, and
// the payload file keeps the whole payload.  A main program
// larger than the payload fails before anything is carved.
bool SplitBlob();

// Copies one entry from the open payload file, whose first `payload`
// bytes this run decoded.  An entry whose data lies outside them, or whose
// name has no usable last component, fails before its file is created; a
// copy that fails deletes its partial file.
platform::IoResult CopyEntry(platform::FileHandle blob, const package::LibRec& entry, std::int64_t payload);

}  // namespace extract
