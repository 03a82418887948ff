// Windows file names, decided once for every system.
//
// A packaged file is installed under the last component of its name, with
// '\', '/' and ':' all separating components.  Windows drops the trailing
// dots and spaces of a name ("B.TXT." is "B.TXT"), refuses control
// characters and the characters < > " | ? *, and hands names such as
// "NUL" or "COM1.TXT" to a device.  SETUP.EXE's carving, pmsetup install,
// pack and list all go by these rules, so that a package installs the
// same files under the same names on Windows and elsewhere.  Names are
// bytes in the ANSI code page; bytes from 0x80 up are taken as they are.
#pragma once

#include <string>

namespace package {

// Why name, taken as one component, cannot be a file's name on Windows as
// it stands, or nullptr when it can.
const char* FileNameProblem(const std::string& name);

// The name an entry is installed under: its last component, without the
// trailing dots and spaces Windows drops; empty when no file can have it,
// and then *problem, when given, says why.
std::string InstalledName(const std::string& entry_name, const char** problem = nullptr);

// The name of volume n of a package: "DISK" + n + ".CMP".
std::string VolumeName(int n);

// n when name, in any case, is that of volume n; else 0.
int VolumeNumber(const std::string& name);

// Whether name, in any case, is that of one of the volumes a package of
// disk_count disks is read from (DISK1.CMP at least, whatever the count).
bool PackageVolume(const std::string& name, int disk_count);

}  // namespace package
