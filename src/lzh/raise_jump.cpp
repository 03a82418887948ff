// ElzhException for builds without C++ exceptions (SETUP.EXE): raising
// jumps back into LzhDecodeGuarded, which reports the message.  The
// decoder raises only before it holds anything, so nothing is skipped.
#include <csetjmp>

#include "lzh/decoder.hpp"

namespace lzh {
namespace {

std::jmp_buf* guard = nullptr;
const char* raised = nullptr;

}  // namespace

void RaiseElzhException(const char* message) {
  raised = message;
  std::longjmp(*guard, 1);
}

const char* LzhDecodeGuarded(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running,
                             InputLeft& left) {
  std::jmp_buf here;
  std::jmp_buf* const outer = guard;
  guard = &here;
  raised = nullptr;
  if (setjmp(here) == 0) left = LzhDecode(count, read, write, running);
  guard = outer;
  return raised;
}

}  // namespace lzh
