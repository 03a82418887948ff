// The decoder's own failure: its tables could not be obtained.
#pragma once

#include <exception>

namespace lzh {

inline constexpr const char* kNoTableMemory = "LZH : Cannot get memory for dictionary tables";

#if defined(__cpp_exceptions)
class ElzhException : public std::exception {
 public:
  explicit ElzhException(const char* message) : message_(message) {}
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};
#endif

// Raises ElzhException with message.  In builds without C++ exceptions
// (SETUP.EXE) it returns to the innermost LzhDecodeGuarded instead; it is
// only raised where the decoder holds nothing that needs releasing.
[[noreturn]] void RaiseElzhException(const char* message);

}  // namespace lzh
