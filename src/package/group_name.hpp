// Which Start-menu group names a package may offer and a user may choose.
// The group is a folder, or folders nested one in another, inside the
// user's Programs folder.  It must stay there: a name that climbed out
// could put the shortcut into the Startup folder, where the program would
// start at every logon.  And Windows must be able to make it.
#pragma once

#include <string>

namespace package {

// Whether name, in code page code_page, names a group Windows can make
// inside the Programs folder.  '\' and '/' both separate its components.
// Refused: a leading separator; a control character or one of
// < > : " | ? * (a colon would name a drive or a stream); a component made
// of nothing but dots and spaces, which Windows drops from the end of a
// name: ".." climbs to the parent, and "." or " " names the folder it
// stands in, which only hides where the shortcut goes; and a component
// naming a device, such as "CON" or "COM1".  An empty name is allowed:
// the shortcut then goes into the Programs folder.  Names are read by
// character, as Windows reads them: in a double-byte code page a second
// byte that reads as '\' or '|' belongs to its character.
bool UsableGroupName(const std::string& name, int code_page);
// The same in the ANSI code page, which the installer works in.
bool UsableGroupName(const std::string& name);

}  // namespace package
