#include "ui/screen.hpp"

namespace ui {

void CenterOnScreen(HWND dialog) {
  RECT r;
  GetWindowRect(dialog, &r);
  SetWindowPos(dialog, HWND_TOP, ScreenWidth / 2 - (r.right - r.left) / 2,
               ScreenHeight / 2 - (r.bottom - r.top) / 2, 0, 0, SWP_NOSIZE);
}

}  // namespace ui
