// The screen and the backdrop window that owns every dialog.
#pragma once

#include <windows.h>

namespace ui {

inline int ScreenWidth = 0;
inline int ScreenHeight = 0;
inline HWND BackdropWindow = nullptr;

// Moves a dialog to the middle of the screen, keeping its size.
void CenterOnScreen(HWND dialog);

}  // namespace ui
