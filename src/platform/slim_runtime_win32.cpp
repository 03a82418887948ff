// SETUP.EXE is built without C++ exceptions to stay small.  The standard
// library's own error paths (allocation failure, impossible string
// lengths) would still pull in the whole exception and demangling
// machinery; here they end the process instead.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void OutOfResources() { ExitProcess(0); }

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  OutOfResources();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace std {
[[noreturn]] void __throw_length_error(const char*) { OutOfResources(); }
[[noreturn]] void __throw_logic_error(const char*) { OutOfResources(); }
[[noreturn]] void __throw_out_of_range(const char*) { OutOfResources(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { OutOfResources(); }
[[noreturn]] void __throw_bad_alloc() { OutOfResources(); }
[[noreturn]] void __throw_bad_array_new_length() { OutOfResources(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { OutOfResources(); }
}  // namespace __gnu_cxx
