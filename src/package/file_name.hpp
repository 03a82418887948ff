// Windows file names, decided once for every system.
//
// A packaged file is installed under the last component of its name, with
// '\', '/' and ':' all separating components.  Windows drops the trailing
// dots and spaces of a name ("B.TXT." is "B.TXT"), refuses control
// characters and the characters < > " | ? *, and hands names such as
// "NUL" or "COM1.TXT" to a device.  SETUP.EXE's carving, pmsetup install,
// pack and list all go by these rules, so that a package installs the
// same files under the same names on Windows and elsewhere.  Names are
// bytes in a code page: the reserved characters are ASCII's, and in a
// double-byte code page the second byte of a character is not one.
#pragma once

#include <string>

namespace package {

// Why name, taken as one component in code page code_page, cannot be a
// file's name on Windows as it stands, or nullptr when it can.
const char* FileNameProblem(const std::string& name, int code_page);
// The same in the ANSI code page, which the installers work in.
const char* FileNameProblem(const std::string& name);

// The offset of the first two-byte character of text (in code_page) whose
// second byte is a backslash, or npos.  The installers split names and
// paths at every such byte, so no name, folder or group may hold one.
std::size_t BackslashInCharacter(const std::string& text, int code_page);

// The name an entry is installed under: its last component, without the
// trailing dots and spaces Windows drops; empty when no file can have it,
// and then *problem, when given, says why.
std::string InstalledName(const std::string& entry_name, const char** problem = nullptr);

// The path an entry is installed under, relative to the destination.  In
// a package whose names hold folders (file_details.hpp) the name is split
// at every '\' and '/', each component is taken as InstalledName takes
// the last one, and they are joined by '\'; in any other package it is
// InstalledName.  Empty when any component cannot be a name, and then
// *problem, when given, says why: so no path leaves the destination.
std::string InstalledPath(const std::string& entry_name, bool folder_names, const char** problem = nullptr);

// Whether name, in any case, is one the installers give their temporary
// files ("~PM", five hex digits, ".TMP"): an installation into a folder
// removes every such file it finds there as a leftover of a killed run.
bool InstallerTemporaryName(const std::string& name);

// Whether name, in any case, is that of the package's installer,
// SETUP.EXE: installed into the package's own folder, a file of that name
// would replace it.
bool InstallerName(const std::string& name);

// The name of volume n of a package: "DISK" + n + ".CMP".
std::string VolumeName(int n);

// n when name, in any case, is that of volume n; else 0.
int VolumeNumber(const std::string& name);

// Whether name, in any case, is that of one of the volumes a package of
// disk_count disks is read from (DISK1.CMP at least, whatever the count).
bool PackageVolume(const std::string& name, int disk_count);

}  // namespace package
