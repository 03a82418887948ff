// The programs pmsetup leaves disk images to: mtools for FAT floppies,
// xorriso for ISO 9660 CDs, found on PATH and run argument by argument,
// without a shell.
#pragma once

#include <string>
#include <vector>

namespace pmsetup {

struct HelperTool {
  const char* program;
  const char* package;  // the Debian package that has it
};

// The program's path on PATH, or empty when it is not there.
std::string FindProgram(const std::string& program);

// Runs program with arguments in the given environment; standard input
// is /dev/null.  Empty on success, else what went wrong with the end of
// what the program printed.  An interrupt stops the program too.
std::string RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment);

}  // namespace pmsetup
