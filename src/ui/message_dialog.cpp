#include "ui/message_dialog.hpp"

#include "package/setup_block.hpp"
#include "ui/dialog_ids.hpp"
#include "ui/screen.hpp"

namespace ui {
namespace {

// What the next message dialog shows; read only while it initialises, so
// a message dialog opened over another one keeps its own texts.
std::string MessageText;
bool YesNoButtons = false;

constexpr int kButtonGap = 10;
constexpr int kMinimumLabelWidth = 120;
constexpr int kLabelMargin = 20;
// Fixed allowance for the caption and border when a control's distance
// from the dialog's outer top edge becomes a client coordinate.
constexpr int kCaptionAllowance = 25;

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

void HideButton(HWND dialog, int id) {
  if (const HWND button = GetDlgItem(dialog, id)) {
    SetWindowPos(button, HWND_TOP, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE);
  }
}

// Labels are measured in the dialog's plain device context, without the
// dialog's own font.
int WidestLabel(HDC dc, const driver::LabelPair& labels, int count, int offset) {
  int width = kMinimumLabelWidth;
  for (int k = 1; k <= count; ++k) {
    const std::string& label = labels[k + offset - 1];
    SIZE extent{};
    if (GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &extent)) {
      width = extent.cx > width ? extent.cx : width;
    }
  }
  return width;
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextA(dialog, package::Setup.SetupTexts[package::DialogCaption].c_str());
      CenterOnScreen(dialog);
      SendDlgItemMessageA(dialog, kMessageTextId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(MessageText.c_str()));
      LayoutButtons(dialog, YesNoButtons ? driver::YesNoLabels : driver::OkCancelLabels);
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) EndDialog(dialog, 1);
      if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 0);
      break;
    case WM_DESTROY:
      EndDialog(dialog, 0);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

bool ShowMessageDialog(const std::string& text, int buttons, bool yes_no) {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  const HRSRC found = FindResourceA(module, kGenericTemplate, RT_DIALOG);
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  if (loaded == nullptr) return false;
  MessageText = text;
  ButtonCount = buttons;
  YesNoButtons = yes_no;
  const INT_PTR result = DialogBoxParamA(module, kGenericTemplate, BackdropWindow, MessageDialogProc, 0);
  FreeResource(loaded);
  return result == 1;
}

void LayoutButtons(HWND dialog, const driver::LabelPair& labels) {
  const HDC dc = GetDC(dialog);
  int offset = 0;
  if (ButtonCount == 3) {
    ButtonCount = 1;
    offset = 1;
  }
  const int count = ButtonCount;
  HideButton(dialog, IDOK);
  HideButton(dialog, IDCANCEL);

  const RECT d = WindowRect(dialog);
  const int width = WidestLabel(dc, labels, count, offset) - kLabelMargin;
  int x = (d.right - d.left) / 2 - ((width / 2) * count + kButtonGap * (count - 1));
  for (int k = 1; k <= count; ++k) {
    const HWND button = GetDlgItem(dialog, k + offset);
    if (k == 1) SetFocus(button);
    const RECT b = WindowRect(button);
    SetWindowPos(button, HWND_TOP, x, b.top - d.top - kCaptionAllowance, width, b.bottom - b.top, SWP_SHOWWINDOW);
    SendMessageA(button, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(labels[k + offset - 1].c_str()));
    x += width + kButtonGap;
  }
  ReleaseDC(dialog, dc);
}

}  // namespace ui
