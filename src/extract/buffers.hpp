// The two transfer buffers of the extraction: the volume reader's window
// and the output writer's block.  The driver allocates them before the
// first dialog and frees them at the end of the run.
#pragma once

#include <cstddef>

namespace extract {

constexpr std::size_t kTransferBufferSize = 2064;

inline unsigned char* InputBuffer = nullptr;
inline unsigned char* OutputBuffer = nullptr;

}  // namespace extract
