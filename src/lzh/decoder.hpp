// The LZHUF decoder.
//
// It pulls its input one byte at a time through a ReadProc and pushes its
// output one byte at a time through a WriteProc; the callbacks do their
// own buffering.  The stream has no header: the caller supplies the
// decoded length.  Decoding stops early once the running flag it is handed
// turns 0; the callbacks may clear it.  The loop itself is DecodeStream
// (decode_loop.hpp), which callers with their own buffers run directly.
#pragma once

#include <cstdint>

#include "lzh/errors.hpp"

namespace lzh {

// Both callbacks: a buffer, the requested count, and the count actually
// transferred.  The decoder always transfers exactly one byte per call; an
// input byte that comes back with any count but 1 is taken as 0, and the
// output count is not looked at.  They take no context: what they need is
// process-wide.
using ReadProc = void (*)(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& transferred);
using WriteProc = ReadProc;

// What a decode left in its bit reader: the count of bits read but not
// used, and those bits at the top of the word (DecodedMissingInput and
// UnusedInput look at it).
struct InputLeft {
  int bits = 0;
  std::uint32_t word = 0;
};

// Delivers count bytes (a final match may run up to 59 bytes past it).
// Input is requested only as bits are needed, never more than two bytes
// ahead.  Raises ElzhException when its tables cannot be obtained.
// Returns the input it read but did not use.
InputLeft LzhDecode(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running);

// Checks on what a decode left (left), given how many of its input
// requests got no byte (missing).  A complete stream is used exactly to its last byte:
// its final bits lie in that byte and the rest of it is padding, so
// requests past the end are read ahead but never used, and every byte
// that did come is used.
// DecodedMissingInput: bits of a byte that never came were decoded (the
// input ran dry).  UnusedInput: the whole bytes that came but were not
// used (the input went on past the stream), at most two, in the order they
// came; returns how many.
bool DecodedMissingInput(const InputLeft& left, int missing);
int UnusedInput(const InputLeft& left, int missing, std::uint8_t (&bytes)[2]);

// LzhDecode, with an ElzhException turned into its message: nullptr when
// decoding ran (left then holds what it left), the message when the
// tables could not be obtained.  Works the same in builds without C++
// exceptions.
const char* LzhDecodeGuarded(std::int32_t count, ReadProc read, WriteProc write, const std::int32_t& running,
                             InputLeft& left);

}  // namespace lzh
