// pmsetup install --salvage: installs the files of a package that are
// still whole when one of its disks is damaged or missing
// (reading/salvage.hpp says which those are).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reading/package_source.hpp"

namespace pmsetup {

struct Salvage {
  int first_bad = 0;           // the first volume not as packed; 0 when every one is
  std::string verdict;         // what is wrong with it, as verify says
  std::int64_t decodable = 0;  // payload bytes decoded before it is needed
  std::vector<std::string> lost;  // the names of the files left out, in list order
  bool main_lost = false;
};

// For the loaded package: reads every volume and compares it with the
// integrity record.  When one is bad, cuts the setup block down to the
// files that are whole and the volumes before it, for the run to install
// them alone.  Returns a problem (no record to tell whole from damaged, a
// sound volume that cannot be read), or an empty string.
std::string PrepareSalvage(PackageSource& source, Salvage& salvage);

}  // namespace pmsetup
