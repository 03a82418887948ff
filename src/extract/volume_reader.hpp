// The decoder's input: the compressed stream, read from the volumes
// DISK1.CMP, DISK2.CMP, ... in SourceDir as one continuous byte sequence
// through a 2048-byte window.  When a volume other than the last runs out
// the next one is opened, and the user is asked for its disk only when it
// cannot be.  After each delivered byte the front end's pump runs, so the
// installer stays responsive while it decodes.
#pragma once

#include <cstdint>

#include "platform/file.hpp"

namespace extract {

constexpr std::uint16_t kWindowSize = 2048;

inline std::uint16_t ReadPos = 1;   // 1-based window position of the next unread byte
inline std::int32_t ReadFill = 0;   // valid bytes in the window
inline platform::FileHandle VolumeHandle = 0;
inline std::int32_t DiskNumber = 1;  // n of the open volume DISKn.CMP
// A complete stream is read at most this many bytes past its end; more
// means the input ran dry.
inline constexpr int kDryAllowance = 2;

// Requests answered with nothing because the last volume had ended.  Past
// kDryAllowance the run fails instead of decoding zeros.
inline int EmptyRequests = 0;
inline bool InputRanDry = false;
// A volume that cannot be read stops the run: taking its bytes as missing
// would decode the rest of the stream from the wrong place.
inline bool ReadFailed = false;

// "DISK" + n + ".CMP" in SourceDir.
std::string VolumePath(std::int32_t number);

// Opens a volume for reading only, without sharing; 0 or less on failure.
platform::FileHandle OpenVolume(std::int32_t number);

// Whether nothing but padding is left of the volumes once the decoder is
// done, given the whole bytes it read ahead but did not use.  A complete
// stream is used up to its last byte exactly, so other input left over
// means that a volume was cut short or does not belong to the package: the
// stream was decoded from the wrong place.  Padding is a run of one value,
// 0x00 or 0x1A, at the end of the last volume, as copying in blocks leaves
// it.  A volume that cannot be read sets ReadFailed.
bool OnlyPaddingLeft(const std::uint8_t* held, int held_count);

// The decoder's ReadProc: serves one byte per request.
void VolumeReader(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& delivered);

}  // namespace extract
