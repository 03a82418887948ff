// pmsetup lzh encode|decode: the raw LZHUF codec, without any package.
#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>

#include "commands/commands.hpp"
#include "extract/volume_reader.hpp"
#include "io/file_io.hpp"
#include "io/interruption.hpp"
#include "lzh/decode_loop.hpp"
#include "lzh/decoder.hpp"
#include "lzh/encoder.hpp"
#include "lzh/format.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

struct Paths {
  std::string input, output;
  std::int64_t count = 0;
};

constexpr std::size_t kChunk = 1 << 16;

std::string CannotWrite(const Paths& paths, const std::string& reason) {
  return reason.empty() ? reason : "cannot write " + ShownArgument(paths.output) + ": " + reason;
}

// Opens both ends: the output only once the input can be read.
std::string OpenBoth(const Paths& paths, FileReader& input, PartialFile& output) {
  std::string error;
  if (!input.Open(paths.input, error)) return error;
  // What an earlier run stopped before its end left for the same output.
  const std::filesystem::path output_path = Path(paths.output);
  const std::filesystem::path folder = output_path.has_parent_path() ? output_path.parent_path() : ".";
  RemoveStaleTemporaries(folder, [&](const std::string& name) { return name == Text(output_path.filename()); });
  return CannotWrite(paths, output.Open(paths.output, true));
}

int Encode(const Paths& paths) {
  const InterruptionGuard interruptions;
  FileReader input;
  PartialFile output;
  if (std::string error = OpenBoth(paths, input, output); !error.empty()) return Failure(error);
  lzh::Encoder encoder;
  std::vector<std::uint8_t> chunk(kChunk), packed;
  std::uint64_t read = 0, written = 0;
  std::string reason;
  for (bool more = true; more && reason.empty();) {
    const std::size_t got = input.Read(chunk);
    more = got > 0;
    read += got;
    packed.clear();
    if (more) encoder.Write(std::span(chunk).first(got), packed);
    else encoder.Finish(packed);
    written += packed.size();
    reason = output.Write(packed);
  }
  if (input.Failed()) return Failure("cannot read " + ShownArgument(paths.input));
  if (reason.empty()) reason = output.Commit();
  if (!reason.empty()) return Failure(CannotWrite(paths, reason));
  // On stderr: OUTPUT may well be stdout.
  std::cerr << ShownArgument(paths.input) << ": " << ByteCount(read) << " -> " << ByteCount(written) << '\n';
  return 0;
}

// The decode's state; both ends go through buffers of a chunk each.
struct RawDecode {
  FileReader* input = nullptr;
  std::vector<std::uint8_t> in;
  int requests_past_end = 0;
  PartialFile* output = nullptr;
  std::vector<std::uint8_t> out;
  std::uint64_t written = 0, count = 0;
  std::string write_problem;
  std::int32_t running = 1;
  // Where output past the count goes: a last match runs at most 59 bytes
  // past it.
  std::uint8_t dropped[lzh::MaxMatch];
};

using lzh::Stretch;

// The next chunk of input; an empty one once the stream has ended, and
// past the allowance the stream has run dry, and decoding stops, as an
// installation's does.
[[gnu::noinline]] Stretch<const std::uint8_t> NextInput(RawDecode& decode) {
  const std::uint8_t* start = decode.in.data();
  const std::size_t got = decode.input->Read(decode.in);
  if (got == 0 && (++decode.requests_past_end > extract::kDryAllowance || decode.input->Failed())) decode.running = 0;
  return {start, start + got};
}

// Writes out the block up to next; returns where the next byte goes: the
// block again while count is not reached, then the place for dropped bytes.
[[gnu::noinline]] Stretch<std::uint8_t> Flush(RawDecode& decode, const std::uint8_t* next) {
  const std::less<const std::uint8_t*> before;
  if (!before(next, decode.dropped) && before(next, decode.dropped + sizeof decode.dropped + 1)) {
    return {decode.dropped, decode.dropped + sizeof decode.dropped};
  }
  const auto collected = static_cast<std::size_t>(next - decode.out.data());
  decode.written += collected;
  if (decode.write_problem.empty()) decode.write_problem = decode.output->Write(std::span(decode.out).first(collected));
  if (!decode.write_problem.empty()) decode.running = 0;
  const std::uint64_t left = decode.count - decode.written;
  if (left == 0) return {decode.dropped, decode.dropped + sizeof decode.dropped};
  return {decode.out.data(), decode.out.data() + std::min<std::uint64_t>(left, decode.out.size())};
}

// The decoding loop's input and output, inlined into it.
struct StreamInput {
  RawDecode& decode;
  Stretch<const std::uint8_t> chunk{nullptr, nullptr};
  std::uint8_t Next() {
    if (chunk.next == chunk.end) [[unlikely]] {
      chunk = NextInput(decode);
      if (chunk.next == chunk.end) return 0;
    }
    return *chunk.next++;
  }
};

struct StreamOutput {
  RawDecode& decode;
  Stretch<std::uint8_t> block;
  void Put(std::uint8_t byte) {
    *block.next++ = byte;
    if (block.next == block.end) [[unlikely]] block = Flush(decode, block.next);
  }
};

int Decode(const Paths& paths) {
  const InterruptionGuard interruptions;
  FileReader input;
  PartialFile output;
  if (std::string error = OpenBoth(paths, input, output); !error.empty()) return Failure(error);
  RawDecode decode;
  decode.input = &input;
  decode.in.resize(kChunk);
  decode.output = &output;
  decode.out.resize(kChunk);
  decode.count = static_cast<std::uint64_t>(paths.count);
  StreamInput in{decode};
  StreamOutput out{decode, Flush(decode, decode.out.data())};
  const lzh::InputLeft left = lzh::DecodeStream(static_cast<std::int32_t>(paths.count), in, out, decode.running);
  Flush(decode, out.block.next);
  if (!decode.write_problem.empty()) return Failure(CannotWrite(paths, decode.write_problem));
  if (input.Failed()) return Failure("cannot read " + ShownArgument(paths.input));
  // A complete stream never has a byte past its end decoded.
  if (decode.written < decode.count || lzh::DecodedMissingInput(left, decode.requests_past_end)) {
    return Failure(ShownArgument(paths.input) + " ends before " + ByteCount(paths.count) + " could be decoded");
  }
  if (std::string error = CannotWrite(paths, output.Commit()); !error.empty()) return Failure(error);
  return 0;
}

}  // namespace

Command AddLzhCommand(CLI::App& app) {
  auto paths = std::make_shared<Paths>();
  auto decode = std::make_shared<bool>(false);
  CLI::App* lzh = app.add_subcommand("lzh", "Compress or expand a raw LZHUF stream (no package around it).");
  lzh->require_subcommand(1);
  CLI::App* encode_command = lzh->add_subcommand("encode", "Compress INPUT into the stream OUTPUT.");
  encode_command->add_option("INPUT", paths->input, "file to compress")->required()->type_name("");
  encode_command->add_option("OUTPUT", paths->output, "stream to write")->required()->type_name("");
  CLI::App* decode_command = lzh->add_subcommand("decode", "Expand the stream INPUT into exactly COUNT bytes.");
  decode_command->add_option("--count", paths->count, "number of bytes the stream holds")
      ->required()
      ->type_name("COUNT")
      ->check(CLI::Range(std::int64_t{0}, std::int64_t{INT32_MAX}).description(""));
  decode_command->add_option("INPUT", paths->input, "stream to expand")->required()->type_name("");
  decode_command->add_option("OUTPUT", paths->output, "file to write")->required()->type_name("");
  decode_command->final_callback([decode] { *decode = true; });
  return {lzh, [paths, decode] { return *decode ? Decode(*paths) : Encode(*paths); }};
}

}  // namespace pmsetup
