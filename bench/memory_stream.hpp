// The decoder's callbacks over memory, for benchmarks: they take no
// context, so the stream lives in process-wide variables.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

inline const std::vector<std::uint8_t>* input = nullptr;
inline std::size_t input_position = 0;
inline std::uint8_t* output = nullptr;
inline std::size_t output_position = 0;

// Sets up a decode of stream into out.
inline void StartStream(const std::vector<std::uint8_t>& stream, std::vector<std::uint8_t>& out) {
  input = &stream;
  input_position = 0;
  output = out.data();
  output_position = 0;
}

inline void Read(std::uint8_t* buffer, std::uint16_t, std::uint16_t& transferred) {
  transferred = input_position < input->size() ? 1 : 0;
  if (transferred) buffer[0] = (*input)[input_position++];
}

inline void Write(std::uint8_t* buffer, std::uint16_t, std::uint16_t& transferred) {
  output[output_position++] = buffer[0];
  transferred = 1;
}

}  // namespace bench
