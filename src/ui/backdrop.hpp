// The full-screen window behind every dialog: a vertical gradient from the
// package's top colour toward its bottom colour, the title with a drop
// shadow in the top left corner, and an optional footer bottom right.
#pragma once

#include <windows.h>

namespace ui {

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace ui
