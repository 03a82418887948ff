#include "ui/progress_meter.hpp"

#include <cmath>
#include <string>

#include "ui/dialog_ids.hpp"
#include "ui/screen.hpp"

namespace ui {
namespace {

// The meter's state: one progress dialog per run.
struct Meter {
  HDC dc = nullptr;
  int bar_left = 0, bar_top = 0, bar_right = 0, bar_bottom = 0;
  int bar_width = 0;  // the span 100% maps onto: one more than right - left
  POINT text_origin{};
  HPEN red_pen = nullptr, white_pen = nullptr;
  HBRUSH red_brush = nullptr, white_brush = nullptr;
  HFONT font = nullptr;
  HGDIOBJ saved_pen = nullptr, saved_brush = nullptr, saved_font = nullptr;
} meter;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

// The bar's edges in client coordinates, derived from the frame's place in
// the dialog's window rectangle less the border and caption metrics; the
// right and bottom edges move in by 4 more pixels.
void PlaceBar(const RECT& frame, const RECT& dialog) {
  const int border_x = GetSystemMetrics(SM_CXBORDER);
  const int top_offset = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYBORDER);
  meter.bar_left = frame.left - dialog.left - border_x;
  meter.bar_top = frame.top - dialog.top - top_offset;
  meter.bar_right = frame.right - dialog.left - border_x - 4;
  meter.bar_bottom = frame.bottom - dialog.top - top_offset - 4;
  meter.text_origin = {meter.bar_left + (meter.bar_right - meter.bar_left) / 2 - 10,
                       meter.bar_top + (meter.bar_bottom - meter.bar_top) / 2 - 8};
  meter.bar_width = meter.bar_right - meter.bar_left + 1;
}

// Puts what was drawn on the screen now: the last update (100%) is
// followed by the dialog's end without a look at the message queue.
// GdiFlush sends what Windows holds back in its batch of drawing calls;
// Wine copies a window's drawing to the display only when the thread
// looks for messages and finds none, which a look at sent messages alone
// provides (they are handled; posted ones, Cancel included, stay queued).
void ShowOnScreen() {
  GdiFlush();
  MSG ignored;
  PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

void InitProgressMeter(HWND dialog) {
  meter.dc = GetDC(dialog);
  const RECT frame = WindowRect(GetDlgItem(dialog, kProgressFrameId));
  const RECT d = WindowRect(dialog);
  PlaceBar(frame, d);
  meter.red_pen = CreatePen(PS_SOLID, 1, kRed);
  meter.white_pen = CreatePen(PS_SOLID, 1, kWhite);
  meter.saved_pen = SelectObject(meter.dc, meter.red_pen);
  meter.red_brush = CreateSolidBrush(kRed);
  meter.white_brush = CreateSolidBrush(kWhite);
  meter.saved_brush = SelectObject(meter.dc, meter.red_brush);
  SetWindowPos(dialog, HWND_TOP, Screen.ScreenWidth / 2 - (d.right - d.left) / 2,
               Screen.ScreenHeight / 2 - (d.bottom - d.top) / 2, 0, 0, SWP_NOSIZE);
  SetBkMode(meter.dc, TRANSPARENT);
  meter.font = CreateFontA(16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  meter.saved_font = SelectObject(meter.dc, meter.font);
  SetTextColor(meter.dc, RGB(0, 0, 0));
}

void DrawProgress(int percent, double fraction) {
  const int fill_x = meter.bar_left + static_cast<int>(std::nearbyint(fraction * meter.bar_width));
  SelectObject(meter.dc, meter.red_brush);
  SelectObject(meter.dc, meter.red_pen);
  Rectangle(meter.dc, meter.bar_left, meter.bar_top, fill_x, meter.bar_bottom);
  SelectObject(meter.dc, meter.white_brush);
  SelectObject(meter.dc, meter.white_pen);
  Rectangle(meter.dc, fill_x, meter.bar_top, meter.bar_right, meter.bar_bottom);
  const std::string text = std::to_string(percent) + "%";
  TextOutA(meter.dc, meter.text_origin.x, meter.text_origin.y, text.c_str(), static_cast<int>(text.size()));
  ShowOnScreen();
}

void FreeProgressMeter(HWND dialog) {
  SelectObject(meter.dc, meter.saved_font);
  DeleteObject(meter.font);
  SelectObject(meter.dc, meter.saved_pen);
  SelectObject(meter.dc, meter.saved_brush);
  DeleteObject(meter.red_pen);
  DeleteObject(meter.white_pen);
  DeleteObject(meter.red_brush);
  DeleteObject(meter.white_brush);
  ReleaseDC(dialog, meter.dc);
  meter = Meter{};
}

}  // namespace ui
