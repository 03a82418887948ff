// The length check of counted texts, for tools that write blocks from
// whatever a test asks for: a text or name over 255 bytes has no length
// byte to hold its size.  (pmsetup checks its manifest's texts and names
// itself, as it reads them.)
#pragma once

#include <string>

#include "package/block_writer.hpp"

namespace testing_support {

// Why a text or name cannot be stored as a counted text (over 255 bytes),
// or an empty string when all fit.
std::string CountedTextProblem(const package::PackageContents& contents);

}  // namespace testing_support
