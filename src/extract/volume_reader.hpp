// The decoder's input: the compressed stream, read from the volumes
// DISK1.CMP, DISK2.CMP, ... in SourceDir as one continuous byte sequence
// through a 2048-byte window (InputBuffer, transfer.hpp).  When a
// volume other than the last runs out the next one is opened, and the user
// is asked for its disk only when it cannot be.  After each delivered byte
// the front end's pump runs, so the installer stays responsive while it
// decodes.
#pragma once

#include <cstdint>
#include <string>

#include "extract/front_end.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"
#include "platform/file.hpp"

namespace extract {

constexpr std::uint16_t kWindowSize = 2048;
// A complete stream is read at most this many bytes past its end; more
// means the input ran dry, and the run fails instead of decoding zeros.
inline constexpr int kDryAllowance = 2;

// Why a volume that differs from the package's integrity record stops the
// run (kVolumeDamaged): "DISK2.CMP is damaged: " and this.
inline constexpr const char* kDamagedVolumeReason = "its contents do not match the package";

// "DISK" + n + ".CMP" in SourceDir, or where the front end finds it.
std::string VolumePath(std::int32_t number);

// Opens a volume for reading only, without sharing.
platform::IoResult OpenVolume(std::int32_t number, platform::FileHandle& handle);

// Whether DISK1.CMP, open as the transfer's volume, is the one the
// package recorded; else the run has ended naming it.  Later volumes are
// checked as they are changed to, where a wrong one is asked for again.
bool FirstVolumeAsRecorded();

// Whether nothing but padding is left of the volumes once the decoder is
// done, given the whole bytes it read ahead but did not use.  A complete
// stream is used up to its last byte exactly, so other input left over
// means that a volume was cut short or does not belong to the package: the
// stream was decoded from the wrong place.  Padding is a run of one value,
// 0x00 or 0x1A, at the end of the last volume, as copying in blocks leaves
// it.  A volume that cannot be read stops the run.  With an integrity
// record the volume is read to its end, and checked there.
bool OnlyPaddingLeft(const std::uint8_t* held, int held_count);

// The decoder's ReadProc: serves one byte per request.  A volume that
// cannot be read stops the run: taking its bytes as missing would decode
// the rest of the stream from the wrong place.
void VolumeReader(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& delivered);

// Refills the window once it is used up; false when nothing came.  The
// tools' inlined reader calls it too.
bool RefillWindow();

}  // namespace extract
