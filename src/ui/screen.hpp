// The screen and the backdrop window that owns every dialog.
#pragma once

#include <windows.h>

namespace ui {

// Set once by the driver as it starts, before the first window.
struct ScreenState {
  int ScreenWidth = 0;
  int ScreenHeight = 0;
  HWND BackdropWindow = nullptr;
};

inline ScreenState Screen;

// Moves a dialog to the middle of the screen, keeping its size.
void CenterOnScreen(HWND dialog);

}  // namespace ui
