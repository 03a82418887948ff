// ElzhException as a C++ exception, for builds with exceptions.
#include "lzh/decoder.hpp"

namespace lzh {

void RaiseElzhException(const char* message) { throw ElzhException(message); }

const char* LzhDecodeGuarded(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running,
                             InputLeft& left) {
  try {
    left = LzhDecode(count, read, write, running);
  } catch (const ElzhException& failure) {
    return failure.what();
  }
  return nullptr;
}

}  // namespace lzh
