// Carving the packaged files out of the decoded payload.
//
// The payload file holds every packaged file back to back, the main
// program first.  Each other entry is copied into a file of its own in
// InstallDir, under a temporary name, to be named by the last component
// of its name once every file is complete (staged_files.hpp); then the
// payload file is cut down to the main program's size, so that it becomes
// the main program itself.
#pragma once

#include "package/setup_block.hpp"
#include "platform/file.hpp"

namespace extract {

// Carves from blob, the payload file as the run wrote it, still open: a
// file reopened by name could have been replaced meanwhile.  True when
// every copy and the truncation succeeded; otherwise the run stops as
// kSplitFailed at the file concerned (named by its final name), at the
// first entry that cannot be copied.  A main program larger than the
// payload fails before anything is carved.  The caller closes blob.
bool SplitBlob(platform::FileHandle blob);

// Copies one entry from the open payload file, whose first `payload`
// bytes this run decoded.  An entry whose data lies outside them, or whose
// name has no usable last component, or would be the main program's, or
// would harm the package or the folder (a volume's name or SETUP.EXE's in
// the package's own folder, an installer temporary's anywhere), fails
// before its file is created.  The file is created under a temporary name
// and recorded as pending, also when the copy fails: the failed run
// removes it.
platform::IoResult CopyEntry(platform::FileHandle blob, const package::LibRec& entry, std::int64_t payload);

}  // namespace extract
