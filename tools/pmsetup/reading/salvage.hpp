// What can still be taken from a package with a bad disk.
//
// The payload is one stream over the volumes, so a damaged or missing
// volume k leaves everything decoded before the decoder first needs a
// byte of volume k as it was packed: the volumes before it match the
// integrity record.  Nothing after that point can be trusted, however
// little of volume k is wrong.  A file is whole when all of its bytes come
// before that point; the main program leads the stream, so it is whole
// unless the damage reaches into it.  Without an integrity record nothing
// tells a bad volume from a good one, and nothing is salvaged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/setup_block.hpp"

namespace pmsetup {

// How many payload bytes the stream in volumes (the sound volumes in
// order, paths of this system) yields before the decoder asks for a byte
// past them; at most total_size.  None, with error set, when a volume
// cannot be read.
std::optional<std::int64_t> DecodableBytes(const std::vector<std::string>& volumes, std::int32_t total_size,
                                           std::string& error);

// Whether the entry's bytes all lie within the first decodable bytes.
inline bool WholeWithin(const package::LibRec& entry, std::int64_t decodable) {
  return entry.Size <= 0 || static_cast<std::int64_t>(entry.Offset) + entry.Size <= decodable;
}

// The entries of block, in list order, that are not whole.
std::vector<const package::LibRec*> LostEntries(const package::SetupBlock& block, std::int64_t decodable);

}  // namespace pmsetup
