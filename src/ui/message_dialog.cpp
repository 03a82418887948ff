#include "ui/message_dialog.hpp"

#include "package/setup_block.hpp"
#include "ui/dialog_ids.hpp"
#include "ui/screen.hpp"

namespace ui {
namespace {

// What a message dialog shows, handed to it as it initialises.
struct Message {
  const std::string& text;
  int buttons;
  bool yes_no;
};

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
int WidestLabel(HDC dc, const common::LabelPair& labels, int first, int count) {
  int width = kMinimumLabelWidth;
  for (int id = first; id < first + count; ++id) {
    const std::string& label = labels[id - IDOK];
    SIZE extent{};
    if (GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &extent)) {
      width = extent.cx > width ? extent.cx : width;
    }
  }
  return width;
}

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const Message& shown = *reinterpret_cast<const Message*>(lparam);
      SetWindowTextA(dialog, package::Setup.SetupTexts[package::DialogCaption].c_str());
      CenterOnScreen(dialog);
      SendDlgItemMessageA(dialog, kMessageTextId, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.text.c_str()));
      const common::SessionValues& session = common::Session;
      LayoutButtons(dialog, shown.yes_no ? session.YesNoLabels : session.OkCancelLabels, IDOK, shown.buttons);
      break;
    }
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
  const Message message{text, buttons, yes_no};
  const INT_PTR result = DialogBoxParamA(module, kGenericTemplate, Screen.BackdropWindow, MessageDialogProc,
                                         reinterpret_cast<LPARAM>(&message));
  FreeResource(loaded);
  return result == 1;
}

void LayoutButtons(HWND dialog, const common::LabelPair& labels, int first, int count) {
  count = count < IDCANCEL - first + 1 ? count : IDCANCEL - first + 1;
  const HDC dc = GetDC(dialog);
  HideButton(dialog, IDOK);
  HideButton(dialog, IDCANCEL);

  const RECT d = WindowRect(dialog);
  const int width = WidestLabel(dc, labels, first, count) - kLabelMargin;
  int x = (d.right - d.left) / 2 - ((width / 2) * count + kButtonGap * (count - 1));
  for (int id = first; id < first + count; ++id) {
    const HWND button = GetDlgItem(dialog, id);
    if (id == first) SetFocus(button);
    const RECT b = WindowRect(button);
    SetWindowPos(button, HWND_TOP, x, b.top - d.top - kCaptionAllowance, width, b.bottom - b.top, SWP_SHOWWINDOW);
    SendMessageA(button, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(labels[id - IDOK].c_str()));
    x += width + kButtonGap;
  }
  ReleaseDC(dialog, dc);
}

}  // namespace ui
