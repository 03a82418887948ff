// The installer's one message dialog (template GENERIC) and the button
// layout that every dialog of the installer shares.
#pragma once

#include <windows.h>

#include <string>

#include "common/session.hpp"

namespace ui {

// Shows text with one or two buttons labelled from YesNoLabels or
// OkCancelLabels; true when the first button (or Enter) ended the dialog.
// A missing template shows nothing and answers false.
bool ShowMessageDialog(const std::string& text, int buttons, bool yes_no);

// Sizes, places, labels and shows count push buttons of a dialog while it
// initialises, from control first (IDOK or IDCANCEL) on, and hides the
// others of the pair: IDOK and 2 shows both, IDCANCEL and 1 the second
// alone; a count beyond the pair is cut to it.  Each takes the label of its own control.  All are
// equally wide (the widest label, at least 120 pixels, less a margin of
// 20), centred on half the dialog's outer width, the first one focused.
void LayoutButtons(HWND dialog, const common::LabelPair& labels, int first, int count);

}  // namespace ui
