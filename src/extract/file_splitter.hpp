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

// True when every copy, the truncation and the final close succeeded.
// Stops at the first entry that cannot be copied; files carved before it
// stay, and the payload file keeps the whole payload.
bool SplitBlob();

// Copies one entry from the open payload file.  An entry whose data lies
// past the end of the payload, or whose name has no usable last component,
// fails, and a partial target is deleted.
platform::IoResult CopyEntry(platform::FileHandle blob, const package::LibRec& entry);

// The name an entry is installed under: its last component, '\', '/' and
// ':' all separating; empty when that is empty, "." or "..".
std::string InstalledName(const std::string& entry_name);

}  // namespace extract
