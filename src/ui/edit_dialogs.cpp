// The destination and group dialogs: one text each, proposed by the
// package and confirmed or edited by the user.
#include "common/session.hpp"
#include "extract/installation.hpp"
#include "package/group_name.hpp"
#include "package/setup_block.hpp"
#include "ui/dialog_ids.hpp"
#include "ui/message_dialog.hpp"
#include "ui/screen.hpp"
#include "ui/stage_dialogs.hpp"

namespace ui {
namespace {

using package::Setup;

void SetItemText(HWND dialog, int id, const std::string& text) {
  SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// At most 254 characters are taken; the text is used as it stands.
std::string ReadItemText(HWND dialog, int id) {
  char buffer[256] = {};
  SendDlgItemMessageA(dialog, id, WM_GETTEXT, 255, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

}  // namespace

INT_PTR CALLBACK DestinationDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetWindowTextA(dialog, Setup.SetupTexts[package::DialogCaption].c_str());
    SetItemText(dialog, kDirectoryPromptId, Setup.SetupTexts[package::DirPrompt]);
    SetItemText(dialog, kDirectoryEditId, Setup.SetupTexts[package::DefaultDir]);
    CenterOnScreen(dialog);
    LayoutButtons(dialog, common::Session.OkCancelLabels, IDOK, 2);
  } else if (message == WM_DESTROY) {
    EndDialog(dialog, 0);
  } else if (const int command = CommandOf(message, wparam); command == IDOK) {
    if (extract::ChooseDestination(ReadItemText(dialog, kDirectoryEditId))) EndDialog(dialog, 1);
    else MessageBeep(0);
  } else if (command == IDCANCEL) {
    if (ShowMessageDialog(Setup.SetupTexts[package::CancelConfirm], 2, true)) EndDialog(dialog, 0);
  }
  return 0;
}

INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetWindowTextA(dialog, Setup.SetupTexts[package::DialogCaption].c_str());
    CenterOnScreen(dialog);
    SetItemText(dialog, kGroupPromptId, Setup.SetupTexts[package::GroupPrompt]);
    SetItemText(dialog, kGroupEditId, Setup.SetupTexts[package::GroupName]);
    LayoutButtons(dialog, common::Session.YesNoLabels, IDOK, 2);
  } else if (message == WM_DESTROY) {
    EndDialog(dialog, 0);
  } else if (const int command = CommandOf(message, wparam); command == IDCANCEL) {
    EndDialog(dialog, 0);
  } else if (command == IDOK) {
    const std::string name = ReadItemText(dialog, kGroupEditId);
    if (package::UsableGroupName(name)) {
      Setup.SetupTexts[package::GroupName] = name;
      EndDialog(dialog, 1);
    } else {
      MessageBeep(0);
    }
  }
  return 0;
}

}  // namespace ui
