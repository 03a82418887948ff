#include "extract/stop_point.hpp"

namespace extract {

platform::IoResult StopAt(const std::string& path, platform::IoResult code, const char* reason) {
  StoppedAt = {path, code, reason};
  return code;
}

}  // namespace extract
