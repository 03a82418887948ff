// The installer's one message dialog (template GENERIC) and the button
// layout that every dialog of the installer shares.
#pragma once

#include <windows.h>

#include <string>

#include "driver/session.hpp"

namespace ui {

// How many buttons the next LayoutButtons call lays out: 1 or 2 for the
// first one or two controls, 3 for the second control alone (it then reads
// 1 afterwards).  Dialogs set it just before they call LayoutButtons.
inline int ButtonCount = 0;

// Shows text with one or two buttons labelled from YesNoLabels or
// OkCancelLabels; true when the first button (or Enter) ended the dialog.
// A missing template shows nothing and answers false.
bool ShowMessageDialog(const std::string& text, int buttons, bool yes_no);

// Sizes, places, labels and shows the push buttons 1 and 2 of a dialog
// while it initialises: all equally wide (the widest label plus a margin,
// at least 100 pixels), centred on half the dialog's outer width, the first
// one focused.
void LayoutButtons(HWND dialog, const driver::LabelPair& labels);

}  // namespace ui
