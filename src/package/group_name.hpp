// Which Start-menu group names a package may offer and a user may choose.
// The group is a folder inside the user's Programs folder, and must stay
// there: a name that climbed out could put the shortcut into the Startup
// folder, where the program would start at every logon.
#pragma once

#include <string>

namespace package {

// True unless the name, joined to the Programs folder, could lead outside
// it: a colon (a drive or a stream), a leading separator, or a component
// of two or more dots (with any trailing spaces; Windows drops trailing
// dots and spaces from names).  '\' and '/' both separate components.  An
// empty name is allowed: the shortcut then goes into the Programs folder.
bool GroupNameStaysInside(const std::string& name);

}  // namespace package
