#include "ui/screen.hpp"

namespace ui {

void CenterOnScreen(HWND dialog) {
  RECT r;
  GetWindowRect(dialog, &r);
  SetWindowPos(dialog, HWND_TOP, Screen.ScreenWidth / 2 - (r.right - r.left) / 2,
               Screen.ScreenHeight / 2 - (r.bottom - r.top) / 2, 0, 0, SWP_NOSIZE);
}

}  // namespace ui
