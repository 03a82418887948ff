// Names and control ids of the installer's dialog templates, shared by the
// resource script and the dialog procedures.
#pragma once

#define kMessageTextId 101      // GENERIC: the message
#define kDirectoryEditId 104    // MAIN: the destination directory
#define kDirectoryPromptId 105  // MAIN: the explanation
#define kGroupPromptId 101      // GROUP: the explanation
#define kGroupEditId 102        // GROUP: the group name
#define kProgressFrameId 101    // PROGRESS: the frame the bar is drawn in

#ifndef RC_INVOKED
namespace ui {
constexpr const char* kGenericTemplate = "Generic";
}  // namespace ui
#endif
