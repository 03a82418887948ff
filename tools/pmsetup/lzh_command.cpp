// pmsetup lzh encode|decode: the raw LZHUF codec, without any package.
#include <algorithm>
#include <iostream>
#include <memory>

#include "commands.hpp"
#include "extract/volume_reader.hpp"
#include "file_io.hpp"
#include "lzh/decoder.hpp"
#include "lzh/encoder.hpp"
#include "lzh/format.hpp"

namespace pmsetup {
namespace {

struct Paths {
  std::string input, output;
  std::int64_t count = 0;
};

// The decoder's callbacks take no context: the decode's state lives here.
struct RawDecode {
  const std::vector<std::uint8_t>* input = nullptr;
  std::size_t position = 0;
  int requests_past_end = 0;
  std::uint8_t* output = nullptr;
  std::size_t written = 0;
  std::size_t room = 0;
  std::int32_t running = 1;
} decode;

// Past the allowance the stream has run dry, and decoding stops, as an
// installation's does.
void ReadInput(std::uint8_t* buffer, std::uint16_t, std::uint16_t& transferred) {
  transferred = 0;
  if (decode.position < decode.input->size()) {
    buffer[0] = (*decode.input)[decode.position++];
    transferred = 1;
  } else if (++decode.requests_past_end > extract::kDryAllowance) {
    decode.running = 0;
  }
}

// Output past the room reserved (a last match may run past the count) is
// dropped.
void WriteOutput(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& transferred) {
  transferred = 0;
  for (; transferred < count && decode.written < decode.room; ++transferred) {
    decode.output[decode.written++] = buffer[transferred];
  }
}

int Fail(const std::string& message) {
  std::cerr << "pmsetup: " << message << '\n';
  return 1;
}

int Encode(const Paths& paths) {
  std::string error;
  const auto input = ReadWholeFile(paths.input, error);
  if (!input) return Fail(error);
  const std::vector<std::uint8_t> packed = lzh::LzhEncode(*input);
  if (error = WriteFileAtomically(paths.output, packed); !error.empty()) return Fail(error);
  // On stderr: OUTPUT may well be stdout.
  std::cerr << paths.input << ": " << input->size() << " bytes -> " << packed.size() << " bytes\n";
  return 0;
}

int Decode(const Paths& paths) {
  if (paths.count < 0 || paths.count > INT32_MAX) return Fail("--count must lie between 0 and 2147483647");
  std::string error;
  const auto input = ReadWholeFile(paths.input, error);
  if (!input) return Fail(error);
  // Each byte of a stream yields at most 48 (a 60-byte match takes 10
  // bits or more), so a count beyond that cannot be met: room for what
  // the stream can hold is enough.
  const std::uint64_t can_hold = 48 * (std::uint64_t{input->size()} + extract::kDryAllowance) + lzh::MaxMatch;
  std::vector<std::uint8_t> output(static_cast<std::size_t>(std::min(static_cast<std::uint64_t>(paths.count), can_hold)));
  decode = {.input = &*input, .output = output.data(), .room = output.size()};
  lzh::LzhDecode(static_cast<std::int32_t>(paths.count), ReadInput, WriteOutput, decode.running);
  // A complete stream never has a byte past its end decoded.
  if (output.size() < static_cast<std::size_t>(paths.count) || lzh::DecodedMissingInput(decode.requests_past_end)) {
    return Fail(paths.input + " ends before " + std::to_string(paths.count) + " bytes are decoded");
  }
  if (error = WriteFileAtomically(paths.output, output); !error.empty()) return Fail(error);
  return 0;
}

}  // namespace

Command AddLzhCommand(CLI::App& app) {
  auto paths = std::make_shared<Paths>();
  auto decode = std::make_shared<bool>(false);
  CLI::App* lzh = app.add_subcommand("lzh", "Compress or expand a raw LZHUF stream (no package around it).");
  lzh->require_subcommand(1);
  CLI::App* encode_command = lzh->add_subcommand("encode", "Compress INPUT into the stream OUTPUT.");
  encode_command->add_option("INPUT", paths->input, "file to compress")->required();
  encode_command->add_option("OUTPUT", paths->output, "stream to write")->required();
  CLI::App* decode_command = lzh->add_subcommand("decode", "Expand the stream INPUT into exactly COUNT bytes.");
  decode_command->add_option("--count", paths->count, "number of bytes the stream holds")->required();
  decode_command->add_option("INPUT", paths->input, "stream to expand")->required();
  decode_command->add_option("OUTPUT", paths->output, "file to write")->required();
  decode_command->final_callback([decode] { *decode = true; });
  return {lzh, [paths, decode] { return *decode ? Decode(*paths) : Encode(*paths); }};
}

}  // namespace pmsetup
