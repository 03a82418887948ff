// Names and control ids of the installer's dialog templates, shared by the
// resource script and the dialog procedures.
#pragma once

#define kMessageTextId 101

#ifndef RC_INVOKED
namespace ui {
constexpr const char* kGenericTemplate = "Generic";
}  // namespace ui
#endif
