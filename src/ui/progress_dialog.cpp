// The progress dialog: it performs the whole extraction inside the
// handler of a message it posts to itself, so that it is on the screen
// before the work starts.  While the decoder runs, the volume reader pumps
// window messages after every byte, so Cancel clicks reach this procedure
// re-entrantly and can stop the run.
#include "common/session.hpp"
#include "extract/extraction_run.hpp"
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

void ExtractUnderBar(HWND dialog) {
  const extract::Outcome outcome = extract::RunExtraction();
  FreeProgressMeter(dialog);
  EndDialog(dialog, outcome == extract::Outcome::kInstalled ? 1 : 0);
}

}  // namespace

const extract::FrontEnd kProgressFrontEnd = {PumpMessages, AskOverProgress, DrawProgress};

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ProgressDialog = dialog;
      SetWindowTextA(dialog, Setup.SetupTexts[package::ProgressCaption].c_str());
      InitProgressMeter(dialog);
      LayoutButtons(dialog, common::Session.OkCancelLabels, IDCANCEL, 1);
      PostMessageA(dialog, WM_STARTEXTRACT, 0, 0);
      return 0;
    case WM_DESTROY:
      extract::EndRun(extract::Outcome::kCancelled);
      return 0;
    case WM_STARTEXTRACT:
      ExtractUnderBar(dialog);
      return 1;
    default:
      if (CommandOf(message, wparam) != IDCANCEL) return 0;
      if (AskOverProgress(Setup.SetupTexts[package::CancelConfirm], 2, true)) {
        extract::EndRun(extract::Outcome::kCancelled);
      }
      return 0;
  }
}

}  // namespace ui
