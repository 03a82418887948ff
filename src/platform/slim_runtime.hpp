// What SETUP.EXE's own start-up needs of its slim runtime, which stands in
// for the C runtime it does not link (platform/slim_runtime_win32.cpp).
#pragma once

namespace platform {

// Runs the constructors of the program's static objects, as a C runtime
// does before main.
void RunStaticConstructors();

}  // namespace platform
