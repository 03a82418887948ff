// Names of the temporary files a tool writes before it gives a file its
// real name.  A temporary is named after its final name, the process that
// writes it and a random token:
//
//   SETUP.EXE.pmsetup-4242-k3j9xq2a.partial
//
// The token makes the name one that nobody can claim in advance; the
// process number tells a later run whether the writer is still at work;
// the final name says what the file was to become, so that a later run
// removes only the temporaries of the files it writes itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// The temporary name for final_name written by process pid; random picks
// the token (its low 41 bits suffice for the 8 characters).
std::string TemporaryName(std::string_view final_name, std::uint32_t pid, std::uint64_t random);

struct TemporaryOf {
  std::string final_name;
  std::uint32_t pid;
};

// What a name made by TemporaryName stands for; nothing for any other name.
std::optional<TemporaryOf> ParseTemporaryName(std::string_view name);

}  // namespace common
