#include "ui/backdrop.hpp"

#include "common/path_text.hpp"
#include "package/setup_block.hpp"
#include "ui/screen.hpp"

namespace ui {
namespace {

using package::Setup;

struct Rgb {
  BYTE r, g, b;
};

Rgb Components(DWORD colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

BYTE Difference(BYTE a, BYTE b) { return a > b ? a - b : b - a; }

// One unit toward the end value, never past it.
BYTE StepToward(BYTE value, BYTE end) {
  if (value < end) return common::MinByte(value + 1, 255);
  if (value > end) return common::MaxByte(value - 1, 0);
  return value;
}

void FillRow(HDC dc, const RECT& row, const Rgb& c) {
  const HBRUSH brush = CreateSolidBrush(RGB(c.r, c.g, c.b));
  FillRect(dc, &row, brush);
  DeleteObject(brush);
}

// The gradient moves every component one unit per rowsPerStep rows, so the
// components with smaller differences arrive early and stay; rows past the
// last step keep the end colour.
void PaintGradient(HDC dc) {
  Rgb c = Components(Setup.TopColor);
  const Rgb end = Components(Setup.BottomColor);
  const BYTE steps = common::MaxByte(common::MaxByte(Difference(c.r, end.r), Difference(c.g, end.g)),
                                     Difference(c.b, end.b));
  if (steps == 0) {
    FillRow(dc, RECT{0, 0, Screen.ScreenWidth, Screen.ScreenHeight}, c);
    return;
  }
  const int rows_per_step = Screen.ScreenHeight / steps;
  int rows = 0;
  for (int y = 0; y < Screen.ScreenHeight; ++y) {
    FillRow(dc, RECT{0, y, Screen.ScreenWidth, y + 1}, c);
    if (++rows >= rows_per_step) {
      rows = 0;
      c = {StepToward(c.r, end.r), StepToward(c.g, end.g), StepToward(c.b, end.b)};
    }
  }
}

HFONT ArialFont(int height, int weight, BOOL italic) {
  return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

// White behind dark titles, black behind light ones.
COLORREF ShadowColour(DWORD title) {
  const Rgb t = Components(title);
  const double brightness = 0.3 * t.r + 0.59 * t.g + 0.11 * t.b;
  return brightness + 0.5 < 128.0 ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

void DrawText(HDC dc, int x, int y, const std::string& text) {
  TextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
}

void PaintTitle(HDC dc) {
  const std::string& title = Setup.SetupTexts[package::Title];
  const HFONT font = ArialFont(44, 900, TRUE);
  const HGDIOBJ previous = SelectObject(dc, font);
  SetTextColor(dc, ShadowColour(Setup.TitleColor));
  DrawText(dc, 24, 28, title);
  SetTextColor(dc, Setup.TitleColor);
  DrawText(dc, 22, 25, title);
  SelectObject(dc, previous);
  DeleteObject(font);
}

void PaintFooter(HDC dc) {
  const std::string& footer = Setup.SetupTexts[package::FooterText];
  if (footer.empty()) return;
  const HFONT font = ArialFont(16, 700, FALSE);
  const HGDIOBJ previous = SelectObject(dc, font);
  SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
  DrawText(dc, Screen.ScreenWidth - 10, Screen.ScreenHeight - 10, footer);
  SelectObject(dc, previous);
  DeleteObject(font);
}

void PaintBackdrop() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(Screen.BackdropWindow, &paint);
  if (dc == nullptr) return;
  PaintGradient(dc);
  SetBkMode(dc, TRANSPARENT);
  PaintTitle(dc);
  PaintFooter(dc);
  EndPaint(Screen.BackdropWindow, &paint);
}

}  // namespace

LRESULT CALLBACK BackdropWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
      PostMessageA(window, WM_QUIT, 0, 0);
      break;
    case WM_PAINT:
      PaintBackdrop();
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace ui
