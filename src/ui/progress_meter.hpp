// The red-and-white bar with a whole percentage inside the progress
// dialog's frame.  It draws directly on a device context held from the
// dialog's initialisation to the end of the run, whenever the percentage
// changes, not in answer to paint messages.
#pragma once

#include <windows.h>

namespace ui {

// Takes the dialog's device context and drawing objects, works out the bar
// from the frame, and centres the dialog.
void InitProgressMeter(HWND dialog);

// Draws the bar filled to fraction with percent written in it.
void DrawProgress(int percent, double fraction);

// Gives back everything InitProgressMeter took.
void FreeProgressMeter(HWND dialog);

}  // namespace ui
