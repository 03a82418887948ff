#include "lzh/errors.hpp"

namespace lzh {

void RaiseElzhException(const char* message) { throw ElzhException(message); }

}  // namespace lzh
