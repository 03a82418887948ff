// The dialogs of the installation's stages: destination, progress and
// program group.  Each ends with 1 when the stage succeeded or the user
// accepted, 0 otherwise.
#pragma once

#include <windows.h>

#include "extract/front_end.hpp"

namespace ui {

// "Main": the destination directory.  OK accepts it once it exists or has
// been created (it becomes the installation's destination); Cancel asks
// CancelConfirm.
INT_PTR CALLBACK DestinationDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// "Group": the Start-menu group name.  OK stores the edited name in the
// package's GroupName once it is a usable group name, one Windows can
// make inside the Programs folder (see package/group_name.hpp); until then
// it only beeps.
INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// "Progress": runs the whole extraction under its bar, and ends with 1
// when it installed the package.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The extraction's front end in SETUP.EXE: the progress dialog pumps
// messages, asks over itself and draws its bar.
extern const extract::FrontEnd kProgressFrontEnd;

// The command a WM_COMMAND or WM_SYSCOMMAND carries in the low word of
// wparam, else 0.  System commands never have 1 or 2 there, so they reach
// the default handling; closing a dialog arrives as command 2.
inline int CommandOf(UINT message, WPARAM wparam) {
  return message == WM_COMMAND || message == WM_SYSCOMMAND ? LOWORD(wparam) : 0;
}

}  // namespace ui
