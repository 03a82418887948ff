// The progress dialog: it performs the whole extraction inside the
// handler of a message it posts to itself, so that it is on the screen
// before the work starts.  While the decoder runs, the volume reader pumps
// window messages after every byte, so Cancel clicks reach this procedure
// re-entrantly and can stop the run.
#include "driver/session.hpp"
#include "extract/extraction_run.hpp"
#include "extract/front_end.hpp"
#include "package/setup_block.hpp"
#include "ui/message_dialog.hpp"
#include "ui/progress_meter.hpp"
#include "ui/stage_dialogs.hpp"

namespace ui {
namespace {

using package::Setup;

constexpr UINT WM_STARTEXTRACT = 32000;

HWND ProgressDialog = nullptr;

// Every pending message of the thread; a quit request is dropped, and no
// dialog keyboard handling is done.
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Asks over the running extraction.  The question's owner is the
// backdrop, which becomes the active window when the question closes;
// under Wine the progress dialog is then left with a stale frame, or even
// behind the backdrop, out of the user's reach.  So it comes back to the
// front after every question.
bool AskOverProgress(const std::string& text, int buttons, bool yes_no) {
  const bool answer = ShowMessageDialog(text, buttons, yes_no);
  SetForegroundWindow(ProgressDialog);
  return answer;
}

void RunExtraction(HWND dialog) {
  extract::UserInterface = {PumpMessages, AskOverProgress, DrawProgress};
  extract::RunExtraction();
  FreeProgressMeter(dialog);
  EndDialog(dialog, driver::Running ? 1 : 0);
}

}  // namespace

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ProgressDialog = dialog;
      SetWindowTextA(dialog, Setup.SetupTexts[package::ProgressCaption].c_str());
      InitProgressMeter(dialog);
      ButtonCount = 3;  // the second button alone: Cancel
      LayoutButtons(dialog, driver::OkCancelLabels);
      PostMessageA(dialog, WM_STARTEXTRACT, 0, 0);
      return 0;
    case WM_DESTROY:
      driver::Running = 0;
      return 0;
    case WM_STARTEXTRACT:
      RunExtraction(dialog);
      return 1;
    default:
      if (CommandOf(message, wparam) == IDCANCEL && AskOverProgress(Setup.SetupTexts[package::CancelConfirm], 2, true)) {
        driver::Running = 0;
      }
      return 0;
  }
}

}  // namespace ui
