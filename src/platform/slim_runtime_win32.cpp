// SETUP.EXE links no C runtime: Windows 95 and NT 3.51 ship none that a
// program may count on.  Memory comes from the process heap, and the
// standard library's error paths (allocation failure, impossible string
// lengths), which would otherwise pull in the whole exception and
// demangling machinery, end the process instead.
#include <windows.h>

#include <cstddef>
#include <new>

#include "platform/slim_runtime.hpp"

namespace {

[[noreturn]] void OutOfResources() { ExitProcess(0); }

void* Allocate(std::size_t size) { return HeapAlloc(GetProcessHeap(), 0, size ? size : 1); }

void Release(void* p) {
  if (p != nullptr) HeapFree(GetProcessHeap(), 0, p);
}

}  // namespace

namespace platform {

// The linker lays the constructors of static objects out between a -1
// and a 0; the compiler expects them to run from the last to the first.
extern "C" void (*__CTOR_LIST__[])();

void RunStaticConstructors() {
  std::size_t count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (; count > 0; --count) __CTOR_LIST__[count]();
}

}  // namespace platform

// Static objects register their destructors here.  The process ends with
// ExitProcess, which returns all their memory, so none needs to run.
extern "C" int atexit(void (*)()) { return 0; }

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  OutOfResources();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

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
