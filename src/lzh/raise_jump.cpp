// ElzhException for builds without C++ exceptions (SETUP.EXE): raising
// jumps back into LzhDecodeGuarded, which reports the message.  The
// decoder raises only before it holds anything, so nothing is skipped.
// The jump is the compiler's own (__builtin_setjmp), which needs no C
// runtime; it must be taken from another function than the one that set
// it, as RaiseElzhException always is.
#include "lzh/decoder.hpp"

namespace lzh {
namespace {

using JumpBuffer = void* [5];

JumpBuffer* guard = nullptr;
const char* raised = nullptr;

}  // namespace

void RaiseElzhException(const char* message) {
  raised = message;
  __builtin_longjmp(*guard, 1);
}

const char* LzhDecodeGuarded(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running,
                             InputLeft& left) {
  JumpBuffer here;
  JumpBuffer* const outer = guard;
  guard = &here;
  raised = nullptr;
  if (__builtin_setjmp(here) == 0) left = LzhDecode(count, read, write, running);
  guard = outer;
  return raised;
}

}  // namespace lzh
